#pragma once
// Processes the program starts (the help viewer) and ends again.
//
// A process is ours from its start until we have seen it end: its id stays reserved for us
// until we reap it, so we never signal a stranger that happened to get a recycled id.
// Ending a process asks it first (SIGTERM), waits a bounded time and then kills it, so a
// process that ignores the request cannot hang the caller. Nothing in this header needs Qt.
#include <chrono>
#include <string>
#include <vector>

#include "platform/types.h"

struct PROCESS_INFORMATION {
    void* hProcess = nullptr;
    void* hThread = nullptr;
    DWORD dwProcessId = 0;
    DWORD dwThreadId = 0;
};

constexpr DWORD STILL_ACTIVE = 259;

class TProcesses {
public:
    virtual ~TProcesses();
    // Starts program (looked up on PATH when it has no slash) with these arguments, no shell
    // between; the standard streams and folder are the caller's. False when it cannot be
    // started; info then stays untouched.
    virtual bool Start(const std::string& program, const std::vector<std::string>& arguments,
                       PROCESS_INFORMATION& info) = 0;
    // False when the process cannot be opened (never started, not ours, already reaped);
    // else its exit code, STILL_ACTIVE while it runs. Seeing it ended reaps it.
    virtual bool QueryExitCode(DWORD processId, DWORD& exitCode) = 0;
    // Ends a running process of ours and reaps it; false when there was none to end.
    virtual bool Terminate(DWORD processId, UINT exitCode) = 0;
};

TProcesses& Processes();
void SetProcesses(TProcesses* processes); // nullptr restores the real one

// What the program calls to start a process: Processes().Start.
bool CreateProcessA(const std::string& program, const std::vector<std::string>& arguments,
                    PROCESS_INFORMATION& info);

// The real processes of this machine. Terminate waits at most endWait for the process to
// leave after SIGTERM before it sends SIGKILL.
class TPosixProcesses : public TProcesses {
public:
    static constexpr std::chrono::milliseconds DefaultEndWait{1000};
    explicit TPosixProcesses(std::chrono::milliseconds endWait = DefaultEndWait) : endWait_(endWait) {}

    bool Start(const std::string& program, const std::vector<std::string>& arguments,
               PROCESS_INFORMATION& info) override;
    bool QueryExitCode(DWORD processId, DWORD& exitCode) override;
    bool Terminate(DWORD processId, UINT exitCode) override;

private:
    std::chrono::milliseconds endWait_;
};
