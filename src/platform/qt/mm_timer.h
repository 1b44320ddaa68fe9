#pragma once
// The multimedia timer and the TTimer component, both over one timer service.
//
// timeSetEvent arms a timer whose callback runs on the GUI thread (a precise Qt timer there),
// never on a thread of its own, so a callback may touch widgets. Call these functions on the
// GUI thread. A one-shot timer is gone once its callback starts: killing it afterwards fails,
// and the callback may arm the next one. The delay is clamped up to the minimum period, so a
// 0 ms frame is shown as briefly as the timer can and never stalls a run.
//
// TTimer is the repeating timer of a dialog: it ticks every Interval ms while it is Enabled
// and has an OnTimer handler, and stops when it is destroyed.
//
// Everything goes through the installed TTimers, so a test can list what is armed and fire
// the next tick itself. Nothing in this header needs Qt.
#include <cstdint>
#include <functional>

#include "platform/types.h"

struct TIMECAPS {
    UINT wPeriodMin = 0;
    UINT wPeriodMax = 0;
};
constexpr UINT TIMERR_NOERROR = 0;
constexpr UINT TIMERR_NOCANDO = 97;
constexpr UINT MMSYSERR_INVALPARAM = 11;
constexpr UINT TIME_ONESHOT = 0x0000;
constexpr UINT TIME_PERIODIC = 0x0001;
// Our timers tick with millisecond resolution and take delays up to this.
constexpr UINT TimerPeriodMin = 1;
constexpr UINT TimerPeriodMax = 1000000;

using DWORD_PTR = std::uintptr_t;
using LPTIMECALLBACK = void (*)(UINT timerId, UINT message, DWORD_PTR user, DWORD_PTR reserved1,
                                DWORD_PTR reserved2);

class TTimers {
public:
    using TTick = std::function<void(UINT timerId)>;
    virtual ~TTimers();
    // Arms a timer of delay ms (already clamped to the period range); 0 when none could be
    // armed. A periodic one ticks until it is killed.
    virtual UINT Arm(UINT delay, bool periodic, TTick tick) = 0;
    // False for an id that is not armed (never was, killed, or a one-shot that has fired).
    virtual bool Kill(UINT timerId) = 0;
};

TTimers& Timers();
void SetTimers(TTimers* timers); // nullptr restores the Qt timers

UINT timeGetDevCaps(TIMECAPS* caps, UINT size);
// Returns the timer id, 0 on failure (no callback, a delay above the maximum, no event loop).
// The resolution is accepted and ignored: every timer is as precise as the event loop allows.
UINT timeSetEvent(UINT delay, UINT resolution, LPTIMECALLBACK callback, DWORD_PTR user, UINT flags);
UINT timeKillEvent(UINT timerId);

class TTimer {
public:
    TTimer() = default;
    ~TTimer();
    TTimer(const TTimer&) = delete;
    TTimer& operator=(const TTimer&) = delete;

    UINT Interval() const { return interval_; }
    bool Enabled() const { return enabled_; }
    // Each change starts the count of the interval afresh.
    void SetInterval(UINT interval);
    void SetEnabled(bool enabled);
    void SetOnTimer(std::function<void()> handler);
    // True while a tick is armed.
    bool Running() const { return id_ != 0; }

private:
    void Rearm();

    UINT interval_ = 1000;
    bool enabled_ = true;
    std::function<void()> onTimer_;
    UINT id_ = 0;
};
