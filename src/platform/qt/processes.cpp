#include "platform/qt/processes.h"

#include <cerrno>
#include <csignal>
#include <poll.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

TProcesses::~TProcesses() = default;

namespace {

// True once the child has left (and has been reaped) within the time given.
bool WaitForExit(pid_t pid, std::chrono::milliseconds limit)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    int status = 0;
#ifdef SYS_pidfd_open
    // A pidfd becomes readable when the process ends: no polling on a clock.
    const int fd = int(::syscall(SYS_pidfd_open, pid, 0));
    if (fd >= 0) {
        for (;;) {
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            pollfd p{fd, POLLIN, 0};
            const int r = left.count() > 0 ? ::poll(&p, 1, int(left.count())) : 0;
            if (r < 0 && errno == EINTR)
                continue;
            if (r == 0 && left.count() > 0)
                continue; // woke before the deadline
            ::close(fd);
            return ::waitpid(pid, &status, WNOHANG) == pid;
        }
    }
#endif
    for (;;) {
        if (::waitpid(pid, &status, WNOHANG) == pid)
            return true;
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

} // namespace

bool TPosixProcesses::Start(const std::string& program, const std::vector<std::string>& arguments,
                            PROCESS_INFORMATION& info)
{
    if (program.empty())
        return false;
    std::vector<std::string> words;
    words.push_back(program);
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& w : words)
        argv.push_back(w.data());
    argv.push_back(nullptr);

    // The child starts with no signal blocked, whatever the GUI's threads block.
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK);
    pid_t pid = 0;
    const int error = ::posix_spawnp(&pid, program.c_str(), nullptr, &attr, argv.data(), environ);
    posix_spawnattr_destroy(&attr);
    if (error != 0)
        return false;
    info = PROCESS_INFORMATION{};
    info.dwProcessId = DWORD(pid);
    info.dwThreadId = DWORD(pid);
    return true;
}

bool TPosixProcesses::QueryExitCode(DWORD processId, DWORD& exitCode)
{
    if (processId == 0)
        return false;
    int status = 0;
    const pid_t r = ::waitpid(pid_t(processId), &status, WNOHANG);
    if (r == 0) {
        exitCode = STILL_ACTIVE;
        return true;
    }
    if (r == pid_t(processId)) {
        exitCode = WIFEXITED(status) ? DWORD(WEXITSTATUS(status)) : DWORD(1);
        return true;
    }
    return false;
}

bool TPosixProcesses::Terminate(DWORD processId, UINT)
{
    if (processId == 0)
        return false;
    const pid_t pid = pid_t(processId);
    int status = 0;
    if (::waitpid(pid, &status, WNOHANG) != 0)
        return false; // gone or not ours
    if (::kill(pid, SIGTERM) != 0)
        return false;
    if (WaitForExit(pid, endWait_))
        return true;
    ::kill(pid, SIGKILL);
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return true;
}

namespace {

TPosixProcesses posixProcesses;
TProcesses* processes = &posixProcesses;

} // namespace

TProcesses& Processes() { return *processes; }
void SetProcesses(TProcesses* p) { processes = p ? p : &posixProcesses; }

bool CreateProcessA(const std::string& program, const std::vector<std::string>& arguments,
                    PROCESS_INFORMATION& info)
{
    return Processes().Start(program, arguments, info);
}
