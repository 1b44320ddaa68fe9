// The memory guard: what it lets through, what it refuses, how seldom it reads the figure, and
// how the system's figure is made from the machine's memory and the memory cgroup's.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <limits>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/exceptions.h"
#include "platform/memory_guard.h"
#include "support/error_of.h"
#include "support/memory_left.h"
#include "support/paths.h"

namespace {

constexpr std::int64_t kMiB = std::int64_t(1) << 20;
constexpr std::int64_t kGiB = kMiB << 10;
constexpr std::int64_t kNoLimit = std::numeric_limits<std::int64_t>::max();

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

TEST(MemoryGuard, AMomentLaterTheFigureIsReadAgainThoughFewBytesWentThrough)
{
    using Clock = std::chrono::steady_clock;
    std::atomic<int> reads{0};
    std::atomic<std::int64_t> figure{kGiB};
    const SourceScope scope([&] {
        ++reads;
        return figure.load();
    });
    const Clock::time_point start = Clock::now();
    ReserveMemory(1024);
    figure = kMiB;
    ReserveMemory(1024);
    // Only a machine slow enough to let the moment pass meanwhile may have read it again.
    if (Clock::now() - start < std::chrono::milliseconds(100)) {
        EXPECT_EQ(reads.load(), 1) << "a few bytes within the moment read the figure again";
    }

    std::this_thread::sleep_for(std::chrono::milliseconds(250));
    // The figure in hand would let 2 MiB through; the one read now does not.
    EXPECT_EQ(ErrorOf<EOutOfMemory>([] { ReserveMemory(2 * kMiB); }), "Out of memory");
}

// Under ThreadSanitizer too: a guard whose figure were not kept under one lock lets more
// through than is left, or races there.
TEST(MemoryGuard, ThreadsShareWhatIsLeft)
{
    const kelvo::test::TMemoryLeft left(1000 * 4096);
    const std::uint64_t before = MemoryLetThrough();
    std::atomic<int> granted{0}, refused{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t)
        threads.emplace_back([&] {
            for (int i = 0; i < 250; ++i) {
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
    EXPECT_EQ(refused.load(), 1000);
    EXPECT_EQ(MemoryLetThrough() - before, 1000u * 4096);
}

TEST(MemoryGuard, BitmapsAskForTheirPaddedRows)
{
    EXPECT_EQ(BitmapMemoryBytes(1, 1, 24), 4u);
    EXPECT_EQ(BitmapMemoryBytes(1920, 1080, 24), 1920u * 3 * 1080);
    EXPECT_EQ(BitmapMemoryBytes(3, 2, 8), 8u);
    EXPECT_EQ(BitmapMemoryBytes(0, 100, 24), 0u);
    EXPECT_EQ(BitmapMemoryBytes(65535, 65535, 32), 65535ull * 4 * 65535);
}

// A folder that stands for the file system's root, holding only the files a case names (paths
// relative to it) with their text.
using TFiles = std::vector<std::pair<std::string, std::string>>;

class TRoot {
public:
    explicit TRoot(const TFiles& files)
    {
        for (const auto& [name, text] : files) {
            const std::filesystem::path path = dir_ / name;
            std::filesystem::create_directories(path.parent_path());
            std::ofstream(path) << text;
        }
    }
    std::int64_t Left() const { return SystemMemoryLeft(dir_.Path().string()); }

private:
    kelvo::test::TTempDir dir_;
};

std::string Meminfo(std::int64_t total, std::int64_t available)
{
    std::string text = "MemTotal:       ";
    text += std::to_string(total / 1024);
    text += " kB\nMemFree:          123456 kB\nMemAvailable:   ";
    text += std::to_string(available / 1024);
    text += " kB\nBuffers:           2048 kB\n";
    return text;
}

// memory.stat: a "name value" line each.
std::string Stat(std::initializer_list<std::pair<const char*, std::int64_t>> values)
{
    std::string text;
    for (const auto& [name, value] : values) {
        text += name;
        text += ' ';
        text += std::to_string(value);
        text += '\n';
    }
    return text;
}

std::string MiB(std::int64_t count) { return std::to_string(count * kMiB) + "\n"; }

TEST(MemoryGuard, TheMachineKeepsAReserveJustAboveItsOwnOutOfMemoryLine)
{
    const struct {
        const char* name;
        std::string meminfo; // empty: no such file
        std::int64_t left;
    } cases[] = {
        {"1 GiB: the floor of 256 MiB", Meminfo(kGiB, 800 * kMiB), 544 * kMiB},
        {"4 GiB: an eighth", Meminfo(4 * kGiB, 2 * kGiB), 1536 * kMiB},
        // An 8 GB laptop whose browser holds 5.5 GB: 2.5 GiB less 819.2 + 128 MiB.
        {"8 GiB: a tenth and 128 MiB", Meminfo(8 * kGiB, 2560 * kMiB), 1'691'143'373},
        // 15% available: 3686 MiB less 2457.6 + 128 MiB.
        {"24 GiB: a tenth and 128 MiB", Meminfo(24 * kGiB, 3686 * kMiB), 1'153'853'031},
        {"short already", Meminfo(8 * kGiB, 512 * kMiB), -456'340'275},
        {"no MemTotal: 256 MiB", "MemFree: 1000 kB\nMemAvailable:    1048576 kB\n", 768 * kMiB},
        {"no MemAvailable: no limit", "MemTotal:       8388608 kB\nMemFree:         2000000 kB\n", kNoLimit},
        {"no /proc/meminfo: no limit", "", kNoLimit},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TFiles files;
        if (!c.meminfo.empty())
            files.emplace_back("proc/meminfo", c.meminfo);
        EXPECT_EQ(TRoot(files).Left(), c.left);
    }
}

// Each case's files beside the process's /proc/self/cgroup. No /proc/meminfo unless a case
// writes one, so that what is left is the cgroup's alone.
TEST(MemoryGuard, AMemoryCgroupsLimitCountsLessATenth)
{
    const std::string v1 = "sys/fs/cgroup/memory/", v2 = "sys/fs/cgroup/";
    const struct {
        const char* name;
        TFiles files;
        std::int64_t left;
    } cases[] = {
        {"v2: the process's own level is the tighter",
         {{"proc/self/cgroup", "0::/a/b/c\n"},
          {v2 + "a/memory.max", MiB(3000)},
          {v2 + "a/memory.current", MiB(1000)},
          {v2 + "a/b/memory.max", "max\n"},
          {v2 + "a/b/memory.current", MiB(1000)},
          {v2 + "a/b/c/memory.max", MiB(1000)},
          {v2 + "a/b/c/memory.current", MiB(800)},
          {v2 + "a/b/c/memory.stat", Stat({{"anon", 1000},
                                            {"file", 200 * kMiB},
                                            {"active_anon", 100},
                                            {"inactive_anon", 900},
                                            {"active_file", 150 * kMiB},
                                            {"inactive_file", 50 * kMiB},
                                            {"unevictable", 0}})}},
         300 * kMiB},
        {"v2: an ancestor is the tighter",
         {{"proc/self/cgroup", "0::/a/b/c\n"},
          {v2 + "a/memory.max", MiB(1000)},
          {v2 + "a/memory.current", MiB(900)},
          {v2 + "a/memory.stat", Stat({{"anon", 1}, {"active_file", 100 * kMiB}, {"inactive_file", 100 * kMiB}})},
          {v2 + "a/b/c/memory.max", MiB(3000)},
          {v2 + "a/b/c/memory.current", MiB(100)}},
         200 * kMiB},
        {"v2: memory.high below memory.max",
         {{"proc/self/cgroup", "0::/app\n"},
          {v2 + "app/memory.max", MiB(2000)},
          {v2 + "app/memory.high", MiB(1000)},
          {v2 + "app/memory.current", MiB(500)}},
         400 * kMiB},
        {"v2: \"max\" is no limit",
         {{"proc/self/cgroup", "0::/app\n"},
          {v2 + "app/memory.max", "max\n"},
          {v2 + "app/memory.high", "max\n"},
          {v2 + "app/memory.current", MiB(500)}},
         kNoLimit},
        {"v2: used past the limit",
         {{"proc/self/cgroup", "0::/app\n"},
          {v2 + "app/memory.max", MiB(1000)},
          {v2 + "app/memory.current", MiB(950)}},
         -50 * kMiB},
        {"v2: a limit whose use cannot be read",
         {{"proc/self/cgroup", "0::/app\n"}, {v2 + "app/memory.max", MiB(1000)}},
         kNoLimit},
        {"v2: a container's path that is not under the mount; the mount's own limit counts",
         {{"proc/self/cgroup", "0::/docker/0123abcd\n"},
          {v2 + "memory.max", MiB(2000)},
          {v2 + "memory.current", MiB(1000)}},
         800 * kMiB},
        {"v1: the largest value is no limit",
         {{"proc/self/cgroup", "4:memory:/job\n"},
          {v1 + "memory.limit_in_bytes", "9223372036854771712\n"},
          {v1 + "memory.usage_in_bytes", MiB(5000)},
          {v1 + "job/memory.limit_in_bytes", "9223372036854771712\n"},
          {v1 + "job/memory.usage_in_bytes", MiB(500)}},
         kNoLimit},
        {"v1: a limit, less the inactive file pages below it",
         {{"proc/self/cgroup", "4:memory:/job\n"},
          {v1 + "job/memory.limit_in_bytes", MiB(1000)},
          {v1 + "job/memory.usage_in_bytes", MiB(800)},
          {v1 + "job/memory.stat", Stat({{"cache", 1},
                                          {"inactive_file", 10 * kMiB},
                                          {"active_file", 300 * kMiB},
                                          {"total_cache", 3},
                                          {"total_inactive_file", 200 * kMiB},
                                          {"total_active_file", 4}})}},
         300 * kMiB},
        {"v1: the level's own inactive file pages where there is no total",
         {{"proc/self/cgroup", "4:memory:/job\n"},
          {v1 + "job/memory.limit_in_bytes", MiB(1000)},
          {v1 + "job/memory.usage_in_bytes", MiB(800)},
          {v1 + "job/memory.stat",
           Stat({{"cache", 1}, {"inactive_file", 100 * kMiB}, {"active_file", 300 * kMiB}})}},
         200 * kMiB},
        {"v1 holds the memory controller beside v2",
         {{"proc/self/cgroup", "0::/user.slice\n12:cpu,cpuacct:/x\n4:blkio,memory:/job\n1:name=systemd:/job\n"},
          {v1 + "job/memory.limit_in_bytes", MiB(1000)},
          {v1 + "job/memory.usage_in_bytes", MiB(500)},
          {v2 + "user.slice/memory.max", MiB(100)},
          {v2 + "user.slice/memory.current", "0\n"}},
         400 * kMiB},
        {"v1 without the memory controller",
         {{"proc/self/cgroup", "3:cpu:/job\n"},
          {v1 + "job/memory.limit_in_bytes", MiB(1000)},
          {v1 + "job/memory.usage_in_bytes", MiB(500)}},
         kNoLimit},
        {"no /proc/self/cgroup",
         {{v2 + "memory.max", MiB(1000)}, {v2 + "memory.current", MiB(500)}},
         kNoLimit},
        {"a container on a large machine",
         {{"proc/meminfo", Meminfo(64 * kGiB, 60 * kGiB)},
          {"proc/self/cgroup", "0::/\n"},
          {v2 + "memory.max", MiB(2000)},
          {v2 + "memory.current", MiB(1500)}},
         300 * kMiB},
        {"a machine tighter than its cgroup",
         {{"proc/meminfo", Meminfo(kGiB, 500 * kMiB)},
          {"proc/self/cgroup", "0::/\n"},
          {v2 + "memory.max", MiB(2000)},
          {v2 + "memory.current", MiB(500)}},
         244 * kMiB},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(TRoot(c.files).Left(), c.left);
    }
}

TEST(MemoryGuard, TheGuardGoesByTheSystemsFigure)
{
    const TRoot unreadable(TFiles{{"proc/meminfo", "MemTotal:       8388608 kB\n"}});
    {
        const SourceScope scope([&] { return unreadable.Left(); });
        // A terabyte, twice: the figure read is no limit, not a large one.
        EXPECT_NO_THROW(ReserveMemory(std::uint64_t(1) << 40));
        EXPECT_NO_THROW(ReserveMemory(std::uint64_t(1) << 40));
    }
    const TRoot container({{"proc/self/cgroup", "0::/\n"},
                           {"sys/fs/cgroup/memory.max", MiB(1000)},
                           {"sys/fs/cgroup/memory.current", MiB(500)}});
    const SourceScope scope([&] { return container.Left(); });
    EXPECT_EQ(ErrorOf<EOutOfMemory>([] { ReserveMemory(400 * kMiB + 1); }), "Out of memory");
    EXPECT_NO_THROW(ReserveMemory(400 * kMiB));
}

// Against the real system only what cannot change between two readings: MemAvailable never
// exceeds MemTotal, and the reserve and any cgroup only take from it.
TEST(MemoryGuard, TheRealSystemsFigureIsBelowTheMachinesMemory)
{
    std::int64_t total = -1;
    bool available = false;
    if (std::FILE* f = std::fopen("/proc/meminfo", "r")) {
        char name[64];
        long long kb = 0;
        while (std::fscanf(f, "%63s %lld kB", name, &kb) == 2) {
            if (std::string(name) == "MemTotal:")
                total = kb * 1024;
            if (std::string(name) == "MemAvailable:")
                available = true;
        }
        std::fclose(f);
    }
    if (total < 0 || !available)
        GTEST_SKIP() << "no MemTotal or MemAvailable here";
    EXPECT_LE(SystemMemoryLeft(), total - 256 * kMiB);
}

} // namespace
