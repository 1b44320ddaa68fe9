// The animation painter under a fake clock, with the test thread as the GUI thread.
#include <gtest/gtest.h>

#include <thread>

#include "gif/gifimage.h"
#include "gif/painter.h"
#include "gif_test_util.h"
#include "platform/canvas.h"

namespace {

constexpr TColor White = RGB(255, 255, 255);
constexpr TColor Red = RGB(255, 0, 0);
constexpr TColor Green = RGB(0, 255, 0);
constexpr TColor Blue = RGB(0, 0, 255);
constexpr TColor Grey = RGB(90, 90, 90);

// Time moves only when the painter waits, by exactly what it asked for; a wait without end
// really blocks until the painter's event is set.
class TFakeClock : public TGIFClock {
public:
    explicit TFakeClock(std::int64_t paintMs = 0) : paintMs_(paintMs) {}
    // Each look at the clock costs paintMs, as if drawing a frame took that long.
    std::int64_t NowMs() override
    {
        std::lock_guard<std::mutex> guard(mutex_);
        const std::int64_t now = now_;
        now_ += paintMs_;
        return now;
    }
    bool Wait(TGIFEvent& event, std::int64_t ms) override
    {
        {
            std::lock_guard<std::mutex> guard(mutex_);
            waits_.push_back(ms);
        }
        if (ms < 0)
            return event.WaitFor(-1);
        if (event.TryConsume())
            return true;
        std::lock_guard<std::mutex> guard(mutex_);
        now_ += ms;
        return false;
    }
    std::vector<std::int64_t> Waits()
    {
        std::lock_guard<std::mutex> guard(mutex_);
        return waits_;
    }

private:
    std::mutex mutex_;
    std::int64_t now_ = 1000;
    std::int64_t paintMs_;
    std::vector<std::int64_t> waits_;
};

int PainterCount(TGIFImage& image)
{
    TGIFPainterLock lock(image.Painters());
    return image.Painters().Count();
}

std::vector<TColor> Row(const TBitmap& bitmap)
{
    std::vector<TColor> row;
    for (int x = 0; x < bitmap.Width(); ++x)
        row.push_back(bitmap.GetPixel(x, 0));
    return row;
}

TGIFGraphicControlExtension* AddControl(TGIFSubImage* frame, WORD delay, TDisposalMethod disposal)
{
    auto* gce = new TGIFGraphicControlExtension(frame);
    frame->Extensions().Add(gce);
    gce->SetDelay(delay);
    gce->SetDisposal(disposal);
    return gce;
}

const TGIFDrawOptions AsyncOnce{goAsync, goAnimate};

class GifPainter : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetGIFClock(&clock);
        SetGIFScheduler(&scheduler);
        target.Canvas().Brush().Color = Grey;
        target.Canvas().FillRect(Rect(0, 0, 4, 1));
    }
    void TearDown() override
    {
        SetGIFScheduler(nullptr);
        SetGIFClock(nullptr);
    }

    // Three 1x1 frames on a 1x1 screen with the given delays.
    void MakeTimedImage(std::initializer_list<WORD> delays)
    {
        image.GetColorMap().Add(Red);
        image.GetColorMap().Add(Green);
        for (WORD delay : delays)
            AddControl(giftest::AddFrame(image, 1, 1, {1}), delay, dmNone);
    }

    // Plays the painters' drawing steps on this thread until every painter has ended.
    void RunToEnd()
    {
        while (PainterCount(image) > 0) {
            scheduler.ProcessPending();
            std::this_thread::yield();
        }
        image.PaintStop();
    }

    TFakeClock clock;
    TGIFQueuedScheduler scheduler;
    TBitmap target{4, 1, pf24bit};
    TGIFImage image;
};

} // namespace

TEST_F(GifPainter, WaitsFollowDelaysAndSpeed)
{
    struct TCase {
        const char* Name;
        TGIFDrawOptions Options;
        int Speed;
        std::int64_t PaintMs;
        std::vector<std::int64_t> Waits;
    };
    // Delay 0 stands for 10 units of 12 ms, delay 1 is raised to 3 units. Without goAsync the
    // first frame waits one unit and long waits are cut into slices of 100 ms.
    const TCase cases[] = {
        {"async", AsyncOnce, 100, 0, {0, 120, 36}},
        {"async at double speed", AsyncOnce, 200, 0, {0, 60, 18}},
        {"async at a tenth", AsyncOnce, 10, 0, {0, 1200, 360}},
        {"in the caller's thread", TGIFDrawOptions{goAnimate}, 100, 0, {12, 100, 20, 36}},
        // Half the overrun is taken off the next wait: 120 - 40 and 36 - 40, which is no wait.
        {"slow frames", AsyncOnce, 100, 80, {0, 80, 0}},
        {"frames slower than any delay", AsyncOnce, 100, 5000, {0, 0, 0}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TFakeClock fresh(c.PaintMs);
        SetGIFClock(&fresh);
        TGIFImage timed;
        timed.GetColorMap().Add(Red);
        for (WORD delay : {0, 1, 0})
            AddControl(giftest::AddFrame(timed, 1, 1, {0}), delay, dmNone);
        timed.SetAnimationSpeed(c.Speed);
        if (TGIFPainter* painter = timed.Paint(target.Canvas(), Rect(0, 0, 1, 1), c.Options))
            painter->Start();
        while (PainterCount(timed) > 0) {
            scheduler.ProcessPending();
            std::this_thread::yield();
        }
        timed.PaintStop();
        EXPECT_EQ(fresh.Waits(), c.Waits);
        EXPECT_EQ(target.GetPixel(0, 0), Red);
    }
    SetGIFClock(&clock);
}

TEST_F(GifPainter, SpeedZeroWaitsUntilTheSpeedChanges)
{
    MakeTimedImage({0, 1});
    image.SetAnimationSpeed(0);
    std::vector<int> painted;
    image.OnPaint = [&](TGIFPainter& p) { painted.push_back(p.ActiveImage()); };
    TGIFPainter* painter = image.Paint(target.Canvas(), Rect(0, 0, 1, 1), AsyncOnce);
    ASSERT_NE(painter, nullptr);
    painter->Start();
    while (clock.Waits().empty())
        std::this_thread::yield();
    scheduler.ProcessPending();
    EXPECT_EQ(clock.Waits(), (std::vector<std::int64_t>{-1}));
    EXPECT_TRUE(painted.empty());
    painter->SetAnimationSpeed(100);
    RunToEnd();
    EXPECT_EQ(clock.Waits(), (std::vector<std::int64_t>{-1, 120}));
    EXPECT_EQ(painted, (std::vector<int>{0, 1}));
}

TEST_F(GifPainter, LoopExtensionGivesItsNumberOfPasses)
{
    MakeTimedImage({5, 5, 5});
    auto* loop = new TGIFAppExtNSLoop(image.Images().GetImage(1));
    loop->Loops = 2;
    image.Images().GetImage(1)->Extensions().Add(loop);
    std::vector<int> painted;
    int starts = 0, loops = 0, ends = 0;
    image.OnStartPaint = [&](TGIFPainter&) { ++starts; };
    image.OnPaint = [&](TGIFPainter& p) { painted.push_back(p.ActiveImage()); };
    image.OnLoop = [&](TGIFPainter&) { ++loops; };
    image.OnEndPaint = [&](TGIFPainter& p) {
        ++ends;
        EXPECT_EQ(p.ActiveImage(), -1);
    };
    for (TGIFDrawOptions options : {TGIFDrawOptions{goAsync, goAnimate, goLoop}, TGIFDrawOptions{goAnimate, goLoop}}) {
        painted.clear();
        starts = loops = ends = 0;
        if (TGIFPainter* painter = image.Paint(target.Canvas(), Rect(0, 0, 1, 1), options))
            painter->Start();
        RunToEnd();
        // The second pass starts at the frame holding the extension.
        EXPECT_EQ(painted, (std::vector<int>{0, 1, 2, 1, 2}));
        EXPECT_EQ(starts, 1);
        EXPECT_EQ(loops, 2);
        EXPECT_EQ(ends, 1);
    }
}

TEST_F(GifPainter, BuffersFollowTheDisposals)
{
    image.GetColorMap().Add(White);
    image.GetColorMap().Add(Red);
    image.GetColorMap().Add(Green);
    image.GetColorMap().Add(Blue);
    image.SetBackgroundColorIndex(0);
    giftest::AddFrame(image, 4, 1, {1, 1, 1, 1});
    AddControl(giftest::AddFrame(image, 1, 1, {2}, 1, 0), 5, dmBackground);
    AddControl(giftest::AddFrame(image, 1, 1, {3}, 2, 0), 5, dmPrevious);
    AddControl(giftest::AddFrame(image, 1, 1, {2}, 3, 0), 5, dmNone);
    AddControl(giftest::AddFrame(image, 1, 1, {3}, 0, 0), 5, dmPrevious);

    struct TCase {
        const char* Name;
        TGIFDrawOptions Options;
        TColor Restored; // what dmBackground leaves
    };
    const TCase cases[] = {
        {"background colour", AsyncOnce, White},
        {"saved background", AsyncOnce + TGIFDrawOptions{goTransparent}, Grey},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        target.Canvas().FillRect(Rect(0, 0, 4, 1));
        std::vector<std::vector<TColor>> shown, composite;
        std::vector<TColor> second;
        image.OnAfterPaint = [&](TGIFPainter& p) {
            shown.push_back(Row(target));
            composite.push_back(Row(*p.Buffer()));
            if (p.ActiveImage() == 2)
                second = Row(*p.SecondBuffer());
        };
        TGIFPainter* painter = image.Paint(target.Canvas(), Rect(0, 0, 4, 1), c.Options);
        ASSERT_NE(painter, nullptr);
        painter->Start();
        RunToEnd();
        const TColor W = c.Restored, R = Red, G = Green, B = Blue;
        EXPECT_EQ(shown, (std::vector<std::vector<TColor>>{
                             {R, R, R, R}, {R, G, R, R}, {R, W, B, R}, {R, W, R, G}, {B, W, R, G}}));
        EXPECT_EQ(composite, (std::vector<std::vector<TColor>>{
                                 {R, R, R, R}, {R, W, R, R}, {R, W, R, R}, {R, W, R, G}, {R, W, R, G}}));
        EXPECT_EQ(second, (std::vector<TColor>{R, W, B, R}));
    }
}

TEST_F(GifPainter, StopDrawLeavesNoPainter)
{
    MakeTimedImage({5, 5});
    image.Images().GetImage(1)->Data()[0] = 0;
    image.SetDrawOptions(TGIFDrawOptions{goAsync, goAnimate, goLoop, goLoopContinously});
    int changes = 0;
    image.OnChange = [&](TGraphic&) { ++changes; };
    image.Draw(target.Canvas(), Rect(0, 0, 4, 1));
    // Draw returns once the first frame is there; the endless animation goes on meanwhile.
    EXPECT_EQ(Row(target), (std::vector<TColor>{Green, Green, Green, Green}));
    EXPECT_NE(image.DrawPainter(), nullptr);
    for (int i = 0; i < 20; ++i)
        scheduler.ProcessPending();
    image.StopDraw();
    EXPECT_EQ(image.DrawPainter(), nullptr);
    EXPECT_EQ(PainterCount(image), 0);
    EXPECT_GT(changes, 0);

    // A painter that was never started, and one still running when its image goes.
    ASSERT_NE(image.Paint(target.Canvas(), Rect(0, 0, 1, 1), image.DrawOptions()), nullptr);
    image.PaintStop();
    EXPECT_EQ(PainterCount(image), 0);
    {
        TGIFImage doomed;
        doomed.GetColorMap().Add(Red);
        giftest::AddFrame(doomed, 1, 1, {0});
        giftest::AddFrame(doomed, 1, 1, {0});
        doomed.Paint(target.Canvas(), Rect(0, 0, 1, 1), image.DrawOptions())->Start();
        scheduler.ProcessPending();
    }
}

TEST_F(GifPainter, StopFromInsideAPaintingStepReturns)
{
    MakeTimedImage({5, 5, 5});
    int painted = 0;
    image.OnPaint = [&](TGIFPainter&) {
        ++painted;
        image.PaintStop();
    };
    TGIFPainter* painter =
        image.Paint(target.Canvas(), Rect(0, 0, 1, 1), TGIFDrawOptions{goAsync, goAnimate, goLoop, goLoopContinously});
    ASSERT_NE(painter, nullptr);
    painter->Start();
    RunToEnd();
    EXPECT_EQ(painted, 1);
}
