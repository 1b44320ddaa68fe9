// A write of ours racing with a copy that Qt makes of our memory on another of our threads
// is a race, and tests/tsan.supp must not hide it, as a suppression of all that a Qt library
// calls once did. A report fails the program it is in, so each race runs alone in a child
// run of this program, under the suppression file of the source tree.
#include <gtest/gtest.h>

#include <QByteArray>
#include <QImage>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "support/paths.h"

#ifdef __SANITIZE_THREAD__
namespace {

constexpr int kSide = 16;
constexpr int kBytes = kSide * kSide;

// Writes every byte of ours while another thread runs copy, with nothing to order the two.
template <class Copy>
void WriteWhileCopied(std::vector<unsigned char>& ours, Copy copy)
{
    std::thread other(copy);
    for (int i = 0; i < kBytes; ++i)
        ours[std::size_t(i)] = static_cast<unsigned char>(i);
    other.join();
}

struct TRace {
    const char* Name;
    const char* Copier; // the function of Qt that reads our bytes, as the report names it
    void (*Run)();
};

// One copy by Qt Core, one by Qt Gui, from a buffer of ours.
const TRace kRaces[] = {
    {"QByteArray", "QByteArray::QByteArray(char const*",
     [] {
         std::vector<unsigned char> ours(kBytes);
         WriteWhileCopied(ours, [&] {
             const QByteArray copy(reinterpret_cast<const char*>(ours.data()), kBytes);
             EXPECT_EQ(copy.size(), kBytes);
         });
     }},
    {"QImage", "QImage::copy",
     [] {
         std::vector<unsigned char> ours(kBytes);
         const QImage view(ours.data(), kSide, kSide, kSide, QImage::Format_Grayscale8);
         WriteWhileCopied(ours, [&] {
             const QImage copy = view.copy();
             EXPECT_EQ(copy.width(), kSide);
         });
     }},
};

std::string Quoted(const std::string& text)
{
    std::string quoted = "'";
    for (char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

// This test alone in a new run of this program, racing as race does; what the run printed.
std::string RunAlone(const TRace& race)
{
    const testing::TestInfo& test = *testing::UnitTest::GetInstance()->current_test_info();
    const std::string filter = std::string(test.test_suite_name()) + "." + test.name();
    const std::string suppressions = std::string(KELVO_SOURCE_DIR) + "/tests/tsan.supp";
    const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
    return kelvo::test::RunCommand("KELVO_TSAN_RACE=" + std::string(race.Name) +
                                   " TSAN_OPTIONS=" + Quoted("suppressions=" + suppressions) + " " +
                                   Quoted(self) + " " + Quoted("--gtest_filter=" + filter) + " 2>&1");
}

} // namespace
#endif

TEST(TsanSuppressions, QtCopyingOurBytesWhileWeWriteThemIsReported)
{
#ifndef __SANITIZE_THREAD__
    GTEST_SKIP() << "needs a ThreadSanitizer build (make tsan-test)";
#else
    if (const char* name = std::getenv("KELVO_TSAN_RACE")) {
        for (const TRace& race : kRaces)
            if (std::string(name) == race.Name)
                race.Run();
        return;
    }
    for (const TRace& race : kRaces) {
        SCOPED_TRACE(race.Name);
        const std::string output = RunAlone(race);
        const bool reported = output.find("WARNING: ThreadSanitizer: data race") != std::string::npos &&
                              output.find(race.Copier) != std::string::npos;
        EXPECT_TRUE(reported) << "no race report naming " << race.Copier << " in:\n" << output;
    }
#endif
}
