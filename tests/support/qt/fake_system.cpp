#include "support/qt/fake_system.h"

#include <algorithm>

UINT TFakeTimers::Arm(UINT delay, bool periodic, TTick tick)
{
    if (!tick)
        return 0;
    const UINT id = nextId_++;
    timers_[id] = TTimerEntry{TArmed{id, delay, periodic, now_ + delay}, nextOrder_++, std::move(tick)};
    History.push_back(delay);
    return id;
}

bool TFakeTimers::Kill(UINT timerId) { return timers_.erase(timerId) != 0; }

std::vector<TFakeTimers::TArmed> TFakeTimers::Armed() const
{
    std::vector<const TTimerEntry*> entries;
    for (const auto& [id, entry] : timers_)
        entries.push_back(&entry);
    std::sort(entries.begin(), entries.end(), [](auto* a, auto* b) { return a->Order < b->Order; });
    std::vector<TArmed> armed;
    for (const TTimerEntry* e : entries)
        armed.push_back(e->Armed);
    return armed;
}

std::vector<UINT> TFakeTimers::ArmedDelays() const
{
    std::vector<UINT> delays;
    for (const TArmed& a : Armed())
        delays.push_back(a.Delay);
    return delays;
}

bool TFakeTimers::FireNext()
{
    auto next = timers_.end();
    for (auto it = timers_.begin(); it != timers_.end(); ++it)
        if (next == timers_.end() || it->second.Armed.Due < next->second.Armed.Due ||
            (it->second.Armed.Due == next->second.Armed.Due && it->second.Order < next->second.Order))
            next = it;
    if (next == timers_.end())
        return false;
    const UINT id = next->first;
    now_ = next->second.Armed.Due;
    // The tick may arm, kill or destroy anything, this timer included: hold a copy.
    const TTick tick = next->second.Tick;
    if (next->second.Armed.Periodic) {
        next->second.Armed.Due += std::max<UINT>(next->second.Armed.Delay, 1);
        next->second.Order = nextOrder_++;
    } else {
        timers_.erase(next);
    }
    tick(id);
    return true;
}

bool TFakeSound::Play(const std::string& file, bool async)
{
    Played.push_back({file, async});
    return Result;
}

bool TFakeShell::Open(const std::string& verb, const std::string& target)
{
    Opened.push_back({verb, target});
    return Result;
}

void TFakeProcesses::Exit(DWORD processId, DWORD exitCode)
{
    const auto it = codes_.find(processId);
    if (it != codes_.end())
        it->second = exitCode;
}

bool TFakeProcesses::Running(DWORD processId) const
{
    const auto it = codes_.find(processId);
    return it != codes_.end() && it->second == STILL_ACTIVE;
}

bool TFakeProcesses::Start(const std::string& program, const std::vector<std::string>& arguments,
                           PROCESS_INFORMATION& info)
{
    if (FailStarts)
        return false;
    const DWORD id = nextId_++;
    codes_[id] = STILL_ACTIVE;
    Started.push_back({program, arguments, id});
    info = PROCESS_INFORMATION{};
    info.dwProcessId = id;
    info.dwThreadId = id;
    return true;
}

bool TFakeProcesses::QueryExitCode(DWORD processId, DWORD& exitCode)
{
    const auto it = codes_.find(processId);
    if (it == codes_.end())
        return false;
    exitCode = it->second;
    return true;
}

bool TFakeProcesses::Terminate(DWORD processId, UINT exitCode)
{
    if (!Running(processId))
        return false;
    codes_[processId] = exitCode;
    Terminated.push_back(processId);
    return true;
}
