#include "platform/qt/mm_timer.h"

#include <QCoreApplication>
#include <QPointer>
#include <QTimer>

#include <algorithm>
#include <map>

TTimers::~TTimers() = default;

namespace {

class TQtTimers : public TTimers {
public:
    UINT Arm(UINT delay, bool periodic, TTick tick) override
    {
        QCoreApplication* app = QCoreApplication::instance();
        if (!app || !tick)
            return 0;
        const UINT id = nextId_++;
        // Parented to the application, so no timer outlives the event loop it needs.
        auto* timer = new QTimer(app);
        timer->setTimerType(Qt::PreciseTimer);
        timer->setSingleShot(!periodic);
        timer->setInterval(int(delay));
        QObject::connect(timer, &QTimer::timeout, timer, [this, id, periodic, tick] {
            if (!periodic)
                Forget(id);
            tick(id);
        });
        timers_[id] = timer;
        timer->start();
        return id;
    }

    bool Kill(UINT timerId) override
    {
        const auto it = timers_.find(timerId);
        if (it == timers_.end())
            return false;
        Forget(timerId);
        return true;
    }

private:
    // A timer may be killed from its own tick: it is stopped now and deleted later.
    void Forget(UINT id)
    {
        const auto it = timers_.find(id);
        if (it == timers_.end())
            return;
        if (QTimer* timer = it->second) {
            timer->stop();
            timer->deleteLater();
        }
        timers_.erase(it);
    }

    UINT nextId_ = 1;
    std::map<UINT, QPointer<QTimer>> timers_;
};

TQtTimers qtTimers;
TTimers* timers = &qtTimers;

} // namespace

TTimers& Timers() { return *timers; }
void SetTimers(TTimers* t) { timers = t ? t : &qtTimers; }

UINT timeGetDevCaps(TIMECAPS* caps, UINT size)
{
    if (!caps || size < sizeof(TIMECAPS))
        return TIMERR_NOCANDO;
    caps->wPeriodMin = TimerPeriodMin;
    caps->wPeriodMax = TimerPeriodMax;
    return TIMERR_NOERROR;
}

UINT timeSetEvent(UINT delay, UINT, LPTIMECALLBACK callback, DWORD_PTR user, UINT flags)
{
    if (!callback || delay > TimerPeriodMax)
        return 0;
    return Timers().Arm(std::max(delay, TimerPeriodMin), (flags & TIME_PERIODIC) != 0,
                        [callback, user](UINT id) { callback(id, 0, user, 0, 0); });
}

UINT timeKillEvent(UINT timerId) { return Timers().Kill(timerId) ? TIMERR_NOERROR : MMSYSERR_INVALPARAM; }

TTimer::~TTimer()
{
    if (id_ != 0)
        Timers().Kill(id_);
}

void TTimer::SetInterval(UINT interval)
{
    interval_ = interval;
    Rearm();
}

void TTimer::SetEnabled(bool enabled)
{
    enabled_ = enabled;
    Rearm();
}

void TTimer::SetOnTimer(std::function<void()> handler)
{
    onTimer_ = std::move(handler);
    Rearm();
}

void TTimer::Rearm()
{
    if (id_ != 0) {
        Timers().Kill(id_);
        id_ = 0;
    }
    if (!enabled_ || interval_ == 0 || !onTimer_ || interval_ > TimerPeriodMax)
        return;
    // The handler is looked up at each tick, so it may change or disable the timer itself.
    id_ = Timers().Arm(interval_, true, [this](UINT) {
        // A copy: the handler may replace itself or close the dialog that owns this timer.
        const std::function<void()> handler = onTimer_;
        if (handler)
            handler();
    });
}
