// The multimedia timer and TTimer over the timer service: what they arm, in what order they
// fire, and what killing does. Ticks come from the double; the real timers are only armed
// and killed, never waited for.
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "platform/qt/mm_timer.h"
#include "support/qt/application.h"
#include "support/qt/fake_desktop.h"

namespace {

struct TTick {
    UINT Id;
    DWORD_PTR User;
    std::uint64_t At;
};
std::vector<TTick> ticks;
TFakeTimers* clock = nullptr;

void Record(UINT id, UINT, DWORD_PTR user, DWORD_PTR, DWORD_PTR)
{
    ticks.push_back({id, user, clock ? clock->Now() : 0});
}

class MultimediaTimer : public ::testing::Test {
protected:
    void SetUp() override
    {
        ticks.clear();
        clock = &desktop_.Timers;
    }
    void TearDown() override { clock = nullptr; }
    TFakeDesktop desktop_;
};

TEST_F(MultimediaTimer, ArmedDelaysFireByTheirDueTimeWithTheirUserValue)
{
    const UINT slow = timeSetEvent(200, 1, Record, 1, TIME_ONESHOT);
    const UINT fast = timeSetEvent(100, 1, Record, 0, TIME_ONESHOT);
    ASSERT_NE(slow, 0u);
    ASSERT_NE(fast, 0u);
    EXPECT_EQ(desktop_.Timers.ArmedDelays(), (std::vector<UINT>{200, 100}));

    EXPECT_TRUE(desktop_.Timers.FireNext());
    EXPECT_TRUE(desktop_.Timers.FireNext());
    EXPECT_FALSE(desktop_.Timers.FireNext()) << "one-shots are gone once fired";
    ASSERT_EQ(ticks.size(), 2u);
    EXPECT_EQ(ticks[0].Id, fast);
    EXPECT_EQ(ticks[0].At, 100u);
    EXPECT_EQ(ticks[1].Id, slow);
    EXPECT_EQ(ticks[1].User, 1u);
    EXPECT_EQ(ticks[1].At, 200u);
    EXPECT_EQ(timeKillEvent(fast), MMSYSERR_INVALPARAM) << "a fired one-shot cannot be killed";
}

TEST_F(MultimediaTimer, ACallbackThatRearmsChainsFramesAndAKillStopsTheChain)
{
    // What the preview does: each tick shows a frame and arms the next frame's time.
    const UINT frameTimes[] = {100, 200, 300};
    std::vector<std::uint64_t> shownAt;
    std::size_t current = 0;
    std::function<void(UINT)> next = [&](UINT) {
        shownAt.push_back(desktop_.Timers.Now());
        if (++current < 3)
            Timers().Arm(frameTimes[current], false, next);
    };
    Timers().Arm(frameTimes[0], false, next);
    while (desktop_.Timers.FireNext()) {
    }
    EXPECT_EQ(shownAt, (std::vector<std::uint64_t>{100, 300, 600}));
    EXPECT_EQ(desktop_.Timers.History, (std::vector<UINT>{100, 200, 300}));

    const UINT id = timeSetEvent(500, 1, Record, 0, TIME_ONESHOT);
    EXPECT_EQ(timeKillEvent(id), TIMERR_NOERROR);
    EXPECT_EQ(timeKillEvent(id), MMSYSERR_INVALPARAM);
    EXPECT_FALSE(desktop_.Timers.FireNext());
    EXPECT_TRUE(ticks.empty());
}

TEST_F(MultimediaTimer, DelaysOutsideThePeriodRange)
{
    TIMECAPS caps;
    ASSERT_EQ(timeGetDevCaps(&caps, sizeof caps), TIMERR_NOERROR);
    EXPECT_EQ(caps.wPeriodMin, 1u);
    EXPECT_EQ(timeGetDevCaps(&caps, 1), TIMERR_NOCANDO);
    EXPECT_EQ(timeGetDevCaps(nullptr, sizeof caps), TIMERR_NOCANDO);

    EXPECT_NE(timeSetEvent(0, 1, Record, 0, TIME_ONESHOT), 0u) << "a 0 ms frame must not stall a run";
    EXPECT_EQ(desktop_.Timers.ArmedDelays(), std::vector<UINT>{1});
    EXPECT_EQ(timeSetEvent(caps.wPeriodMax + 1, 1, Record, 0, TIME_ONESHOT), 0u);
    EXPECT_EQ(timeSetEvent(100, 1, nullptr, 0, TIME_ONESHOT), 0u);
}

TEST_F(MultimediaTimer, TTimerTicksWhileEnabledAndStopsWhenDisabledOrGone)
{
    int ticked = 0;
    {
        TTimer timer;
        timer.SetEnabled(false);
        timer.SetInterval(300);
        timer.SetOnTimer([&] { ++ticked; });
        EXPECT_FALSE(timer.Running());
        EXPECT_TRUE(desktop_.Timers.ArmedDelays().empty());

        timer.SetEnabled(true);
        EXPECT_EQ(desktop_.Timers.ArmedDelays(), std::vector<UINT>{300});
        desktop_.Timers.FireNext();
        desktop_.Timers.FireNext();
        EXPECT_EQ(ticked, 2);
        EXPECT_EQ(desktop_.Timers.Now(), 600u);

        timer.SetInterval(50);
        EXPECT_EQ(desktop_.Timers.ArmedDelays(), std::vector<UINT>{50}) << "one timer, re-armed";
        desktop_.Timers.FireNext();
        EXPECT_EQ(desktop_.Timers.Now(), 650u);

        // A handler may stop its own timer.
        timer.SetOnTimer([&] {
            ++ticked;
            timer.SetEnabled(false);
        });
        desktop_.Timers.FireNext();
        EXPECT_EQ(ticked, 4);
        EXPECT_FALSE(timer.Running());
        timer.SetEnabled(true);
    }
    EXPECT_TRUE(desktop_.Timers.ArmedDelays().empty()) << "a destroyed TTimer leaves nothing armed";
}

TEST(QtTimers, ArmedTimersCanBeKilledOnceAndNeedAnEventLoop)
{
    EnsureApplication();
    const UINT id = timeSetEvent(100000, 1, Record, 0, TIME_ONESHOT);
    ASSERT_NE(id, 0u);
    const UINT periodic = timeSetEvent(100000, 1, Record, 0, TIME_PERIODIC);
    EXPECT_NE(periodic, id);
    EXPECT_EQ(timeKillEvent(periodic), TIMERR_NOERROR);
    EXPECT_EQ(timeKillEvent(id), TIMERR_NOERROR);
    EXPECT_EQ(timeKillEvent(id), MMSYSERR_INVALPARAM);
    EXPECT_EQ(timeKillEvent(0), MMSYSERR_INVALPARAM);
}

} // namespace
