// Starting and ending processes: real children for the real service, and the double.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <string>
#include <unistd.h>

#include "platform/qt/processes.h"
#include "support/qt/fake_desktop.h"

namespace {

// The exit code of a child of ours, reaping it; waits for it to end.
DWORD ExitCodeWhenEnded(TProcesses& processes, DWORD id)
{
    DWORD code = STILL_ACTIVE;
    while (processes.QueryExitCode(id, code) && code == STILL_ACTIVE) {
    }
    return code;
}

TEST(PosixProcesses, StartRunsTheProgramWithItsArgumentsAndNoShell)
{
    TPosixProcesses processes;
    PROCESS_INFORMATION info;
    ASSERT_TRUE(processes.Start("sh", {"-c", "exit $#", "sh", "two words", "x"}, info));
    EXPECT_NE(info.dwProcessId, 0u);
    EXPECT_EQ(ExitCodeWhenEnded(processes, info.dwProcessId), 2u) << "an argument with a blank stays one";
    DWORD code = 0;
    EXPECT_FALSE(processes.QueryExitCode(info.dwProcessId, code)) << "reaped: no longer ours";

    PROCESS_INFORMATION untouched;
    EXPECT_FALSE(processes.Start("/no/such/viewer", {}, untouched));
    EXPECT_FALSE(processes.Start("", {}, untouched));
    EXPECT_EQ(untouched.dwProcessId, 0u);
}

TEST(PosixProcesses, AProcessIgnoringTheRequestToEndIsKilledAfterTheBoundedWait)
{
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const std::string script = "trap '' TERM; echo >&" + std::to_string(ready[1]) + "; exec sleep 100";
    const auto bound = std::chrono::milliseconds(200);
    TPosixProcesses processes(bound);
    PROCESS_INFORMATION info;
    ASSERT_TRUE(processes.Start("sh", {"-c", script}, info));
    ::close(ready[1]);
    char byte = 0;
    // The child answers once it ignores SIGTERM, so the request really goes unheeded.
    ASSERT_EQ(::read(ready[0], &byte, 1), 1);
    ::close(ready[0]);

    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(processes.Terminate(info.dwProcessId, 0));
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_GE(took, bound);
    EXPECT_LT(took, bound + std::chrono::seconds(5)) << "killed, not waited for to the end";
    EXPECT_EQ(::kill(pid_t(info.dwProcessId), 0), -1) << "ended and reaped";
    EXPECT_FALSE(processes.Terminate(info.dwProcessId, 0)) << "nothing left to end";
}

TEST(PosixProcesses, AProcessThatHeedsTheRequestEndsWithoutTheWait)
{
    TPosixProcesses processes(std::chrono::minutes(10));
    PROCESS_INFORMATION info;
    ASSERT_TRUE(processes.Start("sleep", {"100"}, info));
    EXPECT_TRUE(processes.Terminate(info.dwProcessId, 0));
    EXPECT_EQ(::kill(pid_t(info.dwProcessId), 0), -1);
}

TEST(PosixProcesses, AProcessThatIsNotOursIsLeftAlone)
{
    DWORD code = 12345;
    EXPECT_FALSE(Processes().QueryExitCode(0, code));
    EXPECT_FALSE(Processes().QueryExitCode(1, code)) << "init is no child of ours";
    EXPECT_FALSE(Processes().Terminate(1, 0));
    EXPECT_EQ(code, 12345u);
}

TEST(FakeProcesses, RecordStartsAndFakeTheirEnd)
{
    TFakeDesktop desktop;
    PROCESS_INFORMATION first, second;
    ASSERT_TRUE(CreateProcessA("viewer", {"help.html"}, first));
    ASSERT_TRUE(CreateProcessA("viewer", {}, second));
    EXPECT_NE(first.dwProcessId, second.dwProcessId);
    ASSERT_EQ(desktop.Processes.Started.size(), 2u);
    EXPECT_EQ(desktop.Processes.Started[0].Arguments, std::vector<std::string>{"help.html"});

    desktop.Processes.Exit(first.dwProcessId, 0);
    DWORD code = 1;
    EXPECT_TRUE(Processes().QueryExitCode(first.dwProcessId, code));
    EXPECT_EQ(code, 0u);
    EXPECT_FALSE(Processes().Terminate(first.dwProcessId, 0)) << "ended by the user already";
    EXPECT_TRUE(Processes().Terminate(second.dwProcessId, 0));
    EXPECT_EQ(desktop.Processes.Terminated, std::vector<DWORD>{second.dwProcessId});
    EXPECT_FALSE(Processes().QueryExitCode(0, code));

    desktop.Processes.FailStarts = true;
    PROCESS_INFORMATION failed;
    EXPECT_FALSE(CreateProcessA("viewer", {}, failed));
}

} // namespace
