// The animation painter: timing, loops, disposal buffers, and the GUI-thread hand-off.
#include "gif/painter.h"

#include <algorithm>
#include <chrono>
#include <climits>

#include "platform/blit.h"
#include "platform/canvas.h"
#include "platform/dib.h"

// ---- events, clocks, schedulers --------------------------------------------------------------

void TGIFEvent::Set()
{
    {
        std::lock_guard<std::mutex> guard(mutex_);
        set_ = true;
    }
    cv_.notify_all();
}

void TGIFEvent::Reset()
{
    std::lock_guard<std::mutex> guard(mutex_);
    set_ = false;
}

bool TGIFEvent::WaitFor(std::int64_t ms)
{
    std::unique_lock<std::mutex> lock(mutex_);
    if (ms < 0)
        cv_.wait(lock, [this] { return set_; });
    else
        cv_.wait_for(lock, std::chrono::milliseconds(ms), [this] { return set_; });
    const bool was = set_;
    set_ = false;
    return was;
}

bool TGIFEvent::TryConsume()
{
    std::lock_guard<std::mutex> guard(mutex_);
    const bool was = set_;
    set_ = false;
    return was;
}

TGIFClock::~TGIFClock() = default;

std::int64_t TGIFSteadyClock::NowMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

bool TGIFSteadyClock::Wait(TGIFEvent& event, std::int64_t ms) { return event.WaitFor(ms); }

namespace {

std::mutex gClockLock;
TGIFClock* gClock = nullptr;

// The painter whose drawing step this thread is running, if any.
thread_local TGIFPainter* tStepPainter = nullptr;

// How many passes a loop count without end stands for.
constexpr int Unlimited = INT_MAX;

} // namespace

TGIFClock& GIFClock()
{
    static TGIFSteadyClock steady;
    std::lock_guard<std::mutex> guard(gClockLock);
    return gClock ? *gClock : steady;
}

void SetGIFClock(TGIFClock* clock)
{
    std::lock_guard<std::mutex> guard(gClockLock);
    gClock = clock;
}

TGIFPainter* TGIFPainter::CurrentStepPainter() { return tStepPainter; }

// ---- construction ----------------------------------------------------------------------------

TGIFPainter::TGIFPainter(TGIFImage* image, TCanvas& canvas, const TRect& rect, TGIFDrawOptions options)
    : TGIFPainter(image, canvas, rect, options, nullptr)
{
}

TGIFPainter::TGIFPainter(TGIFImage* image, TCanvas& canvas, const TRect& rect, TGIFDrawOptions options,
                         TGIFPainter** painterVar)
    : image_(image), canvas_(canvas), rect_(rect), drawOptions_(options.Bits()), clock_(GIFClock()),
      scheduler_(GIFScheduler())
{
    Init(painterVar);
}

TGIFPainter::~TGIFPainter()
{
    image_->MemoryBudget().Hold(-bufferBytes_);
    if (thread_.joinable()) {
        if (thread_.get_id() == std::this_thread::get_id())
            thread_.detach();
        else
            thread_.join();
    }
}

void TGIFPainter::Init(TGIFPainter** painterVar)
{
    painterVar_ = painterVar;
    const TGIFDrawOptions options = DrawOptions();
    async_ = options.Contains(goAsync);
    suspended_ = async_;
    animationSpeed_ = image_->AnimationSpeed();
    hasEvent_ = async_ && options.Contains(goAnimate) && image_->Images().GetCount() > 1;

    if (image_->DrawBackgroundColor != clNone)
        backgroundColor_ = image_->DrawBackgroundColor;
    else if (image_->GetColorMap().Count() == 0)
        backgroundColor_ = clWindow;
    else
        backgroundColor_ = image_->GetBackgroundColor();
    backgroundColor_ = ColorToRGB(backgroundColor_);

    bool useBackground = options.Contains(goClearOnLoop);
    bool usePrevious = false;
    for (int i = 0; i < image_->Images().GetCount(); ++i)
        if (const TGIFGraphicControlExtension* gce = image_->Images().GetImage(i)->GraphicControlExtension()) {
            useBackground = useBackground || gce->GetDisposal() == dmBackground;
            usePrevious = usePrevious || gce->GetDisposal() == dmPrevious;
        }
    const int width = image_->GetWidth();
    const int height = image_->GetHeight();
    if (width <= 0 || height <= 0 || !(useBackground || usePrevious))
        return;
    // The buffers are of the image's logical screen, which the file sets.
    const bool saveBackground = useBackground && options.Contains(goTransparent);
    const std::int64_t bytes = std::int64_t(DIBBytesPerRow(width, 24) * height) * (saveBackground ? 3 : 2);
    image_->MemoryBudget().Check(std::uint64_t(bytes));
    TBitmap& target = canvas_.Target();
    if (saveBackground) {
        background_ = std::make_unique<TBitmap>(width, height, pf24bit);
        StretchBlt(*background_, 0, 0, width, height, target, rect_.Left, rect_.Top, rect_.Width(), rect_.Height(),
                   SRCCOPY);
    }
    buffer_ = std::make_unique<TBitmap>(width, height, pf24bit);
    buffer_->Canvas().Brush().Color = backgroundColor_;
    buffer_->Canvas().FillRect(::Rect(0, 0, width, height));
    StretchBlt(*buffer_, 0, 0, width, height, target, rect_.Left, rect_.Top, rect_.Width(), rect_.Height(), SRCCOPY);
    secondBuffer_ = std::make_unique<TBitmap>(width, height, pf24bit);
    secondBuffer_->Canvas().Brush().Color = backgroundColor_;
    secondBuffer_->Canvas().FillRect(::Rect(0, 0, width, height));
    image_->MemoryBudget().Hold(bytes);
    bufferBytes_ = bytes;
}

// ---- control ---------------------------------------------------------------------------------

void TGIFPainter::Start() { Resume(); }

void TGIFPainter::Stop()
{
    terminated_ = true;
    if (async_) {
        event_.Set();
        Resume();
    }
}

void TGIFPainter::Restart()
{
    restart_ = true;
    if (async_) {
        event_.Set();
        Resume();
    }
}

void TGIFPainter::Suspend()
{
    if (!async_)
        return;
    std::lock_guard<std::mutex> guard(stateMutex_);
    suspended_ = true;
}

void TGIFPainter::Resume()
{
    {
        std::lock_guard<std::mutex> guard(stateMutex_);
        suspended_ = false;
    }
    stateCv_.notify_all();
}

void TGIFPainter::SetAnimationSpeed(int value)
{
    value = std::clamp(value, 0, 1000);
    if (animationSpeed_.exchange(value) == value)
        return;
    if (hasEvent_)
        event_.Set();
    else
        restart_ = true;
}

void TGIFPainter::SetActiveImage(int value)
{
    if (value < 0 || value >= image_->Images().GetCount())
        return;
    activeImage_ = value;
    activeChanged_ = true;
}

bool TGIFPainter::WaitWhileSuspended()
{
    std::unique_lock<std::mutex> lock(stateMutex_);
    stateCv_.wait(lock, [this] { return !suspended_ || terminated_; });
    return !terminated_;
}

// ---- the loop --------------------------------------------------------------------------------

void TGIFPainter::ThreadMain()
{
    try {
        if (WaitWhileSuspended())
            Execute();
    } catch (...) {
        // A failing frame ends this animation; the image and the program go on.
        terminated_ = true;
    }
    DoOnTerminate();
}

void TGIFPainter::DoOnTerminate()
{
    TGIFPainterLock lock(image_->Painters());
    if (painterVar_ && *painterVar_ == this)
        *painterVar_ = nullptr;
    auto& items = image_->Painters().Items();
    items.erase(std::remove(items.begin(), items.end(), this), items.end());
    if (async_)
        image_->Painters().Finished().push_back(this);
    terminated_ = true;
}

void TGIFPainter::Fire(const TGIFPaintEvent& event)
{
    if (event)
        DoSynchronize([this, &event] { event(*this); });
}

void TGIFPainter::DoSynchronize(const std::function<void()>& call)
{
    if (terminated_)
        return;
    if (async_)
        scheduler_.RunOnGUIThread([this, &call] {
            if (terminated_)
                return;
            TGIFPainter* const outer = tStepPainter;
            tStepPainter = this;
            try {
                call();
            } catch (...) {
                tStepPainter = outer;
                throw;
            }
            tStepPainter = outer;
        });
    else
        call();
}

void TGIFPainter::WaitDelay(int delay)
{
    const std::int64_t now = clock_.NowMs();
    // Half of the time the last frame took beyond its wait is taken off this one.
    const std::int64_t correction = haveLast_ ? (now - lastStart_ - lastWait_) / 2 : 0;
    const int speed = animationSpeed_;
    bool endless = false;
    std::int64_t wait = 0;
    if (speed < 1) {
        if (async_)
            endless = true;
        else
            wait = std::int64_t(GIFMaximumDelay) * GIFDelayExp;
    } else {
        wait = (std::int64_t(delay) * GIFDelayExp - correction) * 100 / speed;
    }
    wait = std::max<std::int64_t>(wait, 0);
    lastStart_ = now;
    lastWait_ = wait;
    haveLast_ = true;
    if (async_) {
        if (clock_.Wait(event_, endless ? -1 : wait))
            haveLast_ = false;
        return;
    }
    std::int64_t remaining = wait;
    while (remaining > 0 && !terminated_ && !restart_) {
        const std::int64_t slice = std::min<std::int64_t>(remaining, 100);
        if (clock_.Wait(event_, slice)) {
            haveLast_ = false;
            break;
        }
        remaining -= slice;
        scheduler_.ProcessPending();
    }
}

void TGIFPainter::Execute()
{
    // Our canvases always draw into a live bitmap, so goValidateCanvas has nothing to check.
    do {
        restart_ = false;
        activeImage_ = 0;
        int loopCount = 1;
        int loopStart = 0;
        bool loopSeen = false;
        haveLast_ = false;
        oldDisposal_ = dmNone;
        Fire(OnStartPaint);
        int delay = async_ ? 0 : 1;
        bool more = true;
        while (more && !terminated_ && !restart_) {
            activeImage_ = loopStart;
            while (!terminated_ && !restart_) {
                if (!WaitWhileSuspended())
                    break;
                const int index = activeImage_;
                if (index < 0 || index >= image_->Images().GetCount())
                    break;
                TGIFSubImage* frame = image_->Images().GetImage(index);
                if (frame->Empty())
                    break;
                WaitDelay(delay);
                if (terminated_ || restart_)
                    break;
                const TGIFDrawOptions options = DrawOptions();
                disposal_ = dmNoDisposal;
                for (int e = 0; e < frame->Extensions().GetCount(); ++e) {
                    const auto* loop = dynamic_cast<const TGIFAppExtNSLoop*>(frame->Extensions().GetExtension(e));
                    // Honoured once per start: coming back to this frame must not wind the
                    // count up again, or a finite loop would never run out.
                    if (!loop || loopSeen)
                        continue;
                    loopSeen = true;
                    loopStart = index;
                    if (loop->Loops == 0)
                        loopCount = async_ ? Unlimited : 0;
                    else if (async_ && options.Contains(goLoopContinously))
                        loopCount = Unlimited;
                    else
                        loopCount = loop->Loops;
                }
                const TGIFGraphicControlExtension* gce = frame->GraphicControlExtension();
                if (gce)
                    disposal_ = gce->GetDisposal();
                activeChanged_ = false;
                DoSynchronize([this] { DoPaint(); });
                oldDisposal_ = disposal_;
                delay = (gce && gce->GetDelay() != 0) ? gce->GetDelay() : GIFDefaultDelay;
                delay = std::max(delay, GIFMinimumDelay);
                if (!async_)
                    delay = std::min(delay, GIFMaximumDelay);
                Fire(OnAfterPaint);
                if (!DrawOptions().Contains(goAnimate))
                    break;
                if (!activeChanged_.exchange(false))
                    ++activeImage_;
            }
            if (terminated_ || restart_)
                break;
            if (loopCount > 0 && loopCount != Unlimited)
                --loopCount;
            Fire(OnLoop);
            const TGIFDrawOptions options = DrawOptions();
            more = options.Contains(goAnimate) && options.Contains(goLoop) &&
                   (loopCount > 0 || options.Contains(goLoopContinously));
        }
    } while (restart_ && !terminated_);
    activeImage_ = -1;
    Fire(OnEndPaint);
}

// ---- painting (GUI thread) -------------------------------------------------------------------

TRect TGIFPainter::MapToTarget(const TRect& frame) const
{
    const int width = image_->GetWidth();
    const int height = image_->GetHeight();
    if (width <= 0 || height <= 0)
        return rect_;
    const auto mapX = [&](int x) { return rect_.Left + int(std::int64_t(x) * rect_.Width() / width); };
    const auto mapY = [&](int y) { return rect_.Top + int(std::int64_t(y) * rect_.Height() / height); };
    return TRect{mapX(frame.Left), mapY(frame.Top), mapX(frame.Right), mapY(frame.Bottom)};
}

void TGIFPainter::DoPaint()
{
    const int index = activeImage_;
    if (index < 0 || index >= image_->Images().GetCount())
        return;
    if (buffer_)
        DoPaintFrame();
    else
        DoDirectPaint();
    painted_ = true;
    if (notifyImage_)
        image_->Changed();
    if (OnPaint)
        OnPaint(*this);
}

void TGIFPainter::DoDirectPaint()
{
    TGIFSubImage* frame = image_->Images().GetImage(activeImage_);
    const TGIFDrawOptions options = DrawOptions();
    frame->Draw(canvas_, MapToTarget(frame->GetBoundsRect()), options.Contains(goTransparent),
                options.Contains(goTile));
}

void TGIFPainter::RestoreBackground(const TRect& area)
{
    const int x0 = std::max(area.Left, 0), y0 = std::max(area.Top, 0);
    const int x1 = std::min(area.Right, buffer_->Width()), y1 = std::min(area.Bottom, buffer_->Height());
    if (x0 >= x1 || y0 >= y1)
        return;
    if (background_) {
        BitBlt(*buffer_, x0, y0, x1 - x0, y1 - y0, *background_, x0, y0, SRCCOPY);
        return;
    }
    buffer_->Canvas().Brush().Color = backgroundColor_;
    buffer_->Canvas().FillRect(TRect{x0, y0, x1, y1});
}

void TGIFPainter::DoPaintFrame()
{
    TGIFSubImage* frame = image_->Images().GetImage(activeImage_);
    const TGIFDrawOptions options = DrawOptions();
    const bool transparent = options.Contains(goTransparent);
    const bool tile = options.Contains(goTile);
    const int width = buffer_->Width();
    const int height = buffer_->Height();
    if (options.Contains(goClearOnLoop) && activeImage_ == 0)
        RestoreBackground(::Rect(0, 0, width, height));

    TBitmap* surface = buffer_.get();
    if (disposal_ == dmPrevious) {
        if (oldDisposal_ == dmNone || oldDisposal_ == dmNoDisposal) {
            // The target shows the composite already; this frame goes on top of it and the
            // composite keeps the picture from before it.
            frame->Draw(canvas_, MapToTarget(frame->GetBoundsRect()), transparent, tile);
            return;
        }
        BitBlt(*secondBuffer_, 0, 0, width, height, *buffer_, 0, 0, SRCCOPY);
        surface = secondBuffer_.get();
    }
    frame->Draw(surface->Canvas(), frame->GetBoundsRect(), transparent, tile);
    canvas_.Lock();
    StretchBlt(canvas_.Target(), rect_.Left, rect_.Top, rect_.Width(), rect_.Height(), *surface, 0, 0, width, height,
               SRCCOPY);
    canvas_.Unlock();
    if (disposal_ == dmBackground)
        RestoreBackground(frame->GetBoundsRect());
}
