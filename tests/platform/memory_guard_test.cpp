// The memory guard: what it lets through, what it refuses, and how seldom it reads the figure.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "platform/exceptions.h"
#include "platform/memory_guard.h"
#include "support/error_of.h"
#include "support/memory_left.h"

namespace {

class SourceScope {
public:
    explicit SourceScope(TMemoryLeftSource source) : previous_(SetMemoryLeftSource(std::move(source))) {}
    ~SourceScope() { SetMemoryLeftSource(std::move(previous_)); }

private:
    TMemoryLeftSource previous_;
};

TEST(MemoryGuard, LetsThroughWhatIsLeftAndRefusesTheRequestPastIt)
{
    constexpr std::uint64_t mib = 1 << 20;
    const kelvo::test::TMemoryLeft left(std::int64_t(10 * mib));
    const std::uint64_t before = MemoryLetThrough();
    for (int i = 0; i < 10; ++i)
        ReserveMemory(mib);
    try {
        ReserveMemory(1);
        ADD_FAILURE() << "nothing is left";
    } catch (const EOutOfMemory& error) {
        EXPECT_EQ(error.Message, "Out of memory");
    }
    EXPECT_EQ(MemoryLetThrough() - before, 10 * mib) << "a refused request takes nothing";
    EXPECT_NO_THROW(ReserveMemory(0));
}

TEST(MemoryGuard, ReadsTheFigureSeldomButAlwaysBeforeItRefuses)
{
    std::atomic<int> reads{0};
    std::atomic<std::int64_t> figure{std::int64_t(1) << 30};
    const SourceScope scope([&] {
        ++reads;
        return figure.load();
    });
    // Frames of a few kilobytes come by the thousand.
    for (int i = 0; i < 10000; ++i)
        ReserveMemory(1024);
    EXPECT_LE(reads.load(), 3);

    // The rest of the system took memory meanwhile: the guard reads that once some tens of
    // megabytes went through (or a moment passed), and refuses from then on.
    figure = 4096;
    int granted = 0;
    try {
        for (; granted < 100; ++granted)
            ReserveMemory(1 << 20);
    } catch (const EOutOfMemory&) {
    }
    EXPECT_LE(granted, 32);
    // And gave it back: a request the last figure would refuse reads it again first.
    figure = std::int64_t(1) << 30;
    EXPECT_NO_THROW(ReserveMemory(1 << 20));

    // A figure that says the system is short already.
    figure = -1;
    for (granted = 0; granted < 100; ++granted)
        if (ErrorOf<EOutOfMemory>([] { ReserveMemory(1 << 20); }) != "(no error)")
            break;
    EXPECT_LE(granted, 32);
    EXPECT_NO_THROW(ReserveMemory(0)) << "a request of nothing is never refused";
}

TEST(MemoryGuard, ThreadsShareWhatIsLeft)
{
    const kelvo::test::TMemoryLeft left(1000 * 4096);
    std::atomic<int> granted{0}, refused{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&] {
            for (int i = 0; i < 400; ++i) {
                try {
                    ReserveMemory(4096);
                    ++granted;
                } catch (const EOutOfMemory&) {
                    ++refused;
                }
            }
        });
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(granted.load(), 1000);
    EXPECT_EQ(refused.load(), 600);
}

TEST(MemoryGuard, BitmapsAskForTheirPaddedRows)
{
    EXPECT_EQ(BitmapMemoryBytes(1, 1, 24), 4u);
    EXPECT_EQ(BitmapMemoryBytes(1920, 1080, 24), 1920u * 3 * 1080);
    EXPECT_EQ(BitmapMemoryBytes(3, 2, 8), 8u);
    EXPECT_EQ(BitmapMemoryBytes(0, 100, 24), 0u);
    EXPECT_EQ(BitmapMemoryBytes(65535, 65535, 32), 65535ull * 4 * 65535);
}

// The system's figure: what MemAvailable says less a margin for the rest of the desktop.
TEST(MemoryGuard, TheSystemsFigureKeepsAMarginBelowWhatIsAvailable)
{
    const std::int64_t left = SystemMemoryLeft();
    std::int64_t total = 0, available = 0;
    if (std::FILE* f = std::fopen("/proc/meminfo", "r")) {
        char name[64];
        long long kb = 0;
        while (std::fscanf(f, "%63s %lld kB", name, &kb) == 2) {
            if (std::string(name) == "MemTotal:")
                total = kb * 1024;
            if (std::string(name) == "MemAvailable:")
                available = kb * 1024;
        }
        std::fclose(f);
    }
    if (available == 0)
        GTEST_SKIP() << "no MemAvailable here";
    EXPECT_LE(left, available - std::max<std::int64_t>(256 << 20, total / 4) + (std::int64_t(64) << 20));
    EXPECT_GT(left, available - total / 4 - (std::int64_t(1) << 30));
}

} // namespace
