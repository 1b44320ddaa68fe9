#pragma once
// Animated painting of a GIF image: timing, loops and the disposal buffers. Drawing steps go
// through the scheduler of gif_scheduler.h, so the library never draws from a thread the
// widgets do not own.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "gif/gif_image.h"
#include "gif/gif_scheduler.h"

// An auto-reset event: Set wakes one wait, which clears it.
class TGIFEvent {
public:
    void Set();
    void Reset();
    // Waits up to ms of real time (without end when negative); true when the event was set.
    bool WaitFor(std::int64_t ms);
    // Clears the event; true when it was set.
    bool TryConsume();

private:
    std::mutex mutex_;
    std::condition_variable cv_;
    bool set_ = false;
};

// The painters' time: a monotonic clock and the waits between frames.
class TGIFClock {
public:
    virtual ~TGIFClock();
    virtual std::int64_t NowMs() = 0;
    // Waits ms (without end when negative) or until event is set; true when it was set.
    virtual bool Wait(TGIFEvent& event, std::int64_t ms) = 0;
};

class TGIFSteadyClock : public TGIFClock {
public:
    std::int64_t NowMs() override;
    bool Wait(TGIFEvent& event, std::int64_t ms) override;
};

// The clock new painters take (not owned); nullptr returns to the steady clock.
TGIFClock& GIFClock();
void SetGIFClock(TGIFClock* clock);

class TGIFPainter {
public:
    TGIFPainter(TGIFImage* image, TCanvas& canvas, const TRect& rect, TGIFDrawOptions options);
    // Also remembers painterVar, which is cleared when the painter ends while it still holds it.
    TGIFPainter(TGIFImage* image, TCanvas& canvas, const TRect& rect, TGIFDrawOptions options,
                TGIFPainter** painterVar);
    ~TGIFPainter();
    TGIFPainter(const TGIFPainter&) = delete;
    TGIFPainter& operator=(const TGIFPainter&) = delete;

    // An asynchronous painter starts suspended: Start lets it run.
    void Start();
    // Asks the painter to end; it does so at its next step.
    void Stop();
    void Restart();
    void Suspend();
    void Resume();
    void SetAnimationSpeed(int value);
    int AnimationSpeed() const { return animationSpeed_; }
    // Only an existing frame index is taken.
    void SetActiveImage(int value);
    int ActiveImage() const { return activeImage_; }
    TGIFDrawOptions DrawOptions() const { return TGIFDrawOptions::FromBits(drawOptions_.load()); }
    void SetDrawOptions(TGIFDrawOptions options) { drawOptions_ = options.Bits(); }
    bool Terminated() const { return terminated_; }
    bool Painted() const { return painted_; }
    TGIFImage* Image() const { return image_; }
    TCanvas& Canvas() const { return canvas_; }
    const TRect& Rect() const { return rect_; }
    TColor BackgroundColor() const { return backgroundColor_; }

    // The buffers (null when the frames' disposals need none).
    TBitmap* Buffer() const { return buffer_.get(); }
    TBitmap* SecondBuffer() const { return secondBuffer_.get(); }
    TBitmap* Background() const { return background_.get(); }

    TGIFPaintEvent OnStartPaint;
    TGIFPaintEvent OnPaint;
    TGIFPaintEvent OnAfterPaint;
    TGIFPaintEvent OnLoop;
    TGIFPaintEvent OnEndPaint;

private:
    friend class TGIFImage;
    // The asynchronous painter whose drawing step runs on this thread (null outside one).
    static TGIFPainter* CurrentStepPainter();
    void Init(TGIFPainter** painterVar);
    // The painter's loop: on its own thread under goAsync, else in the caller's.
    void Execute();
    void ThreadMain();
    void DoOnTerminate();
    // Waits while suspended; false once terminated.
    bool WaitWhileSuspended();
    void WaitDelay(int delay);
    void DoSynchronize(const std::function<void()>& call);
    void DoPaint();
    void DoPaintFrame();
    void DoDirectPaint();
    void RestoreBackground(const TRect& area);
    void Fire(const TGIFPaintEvent& event);
    // The frame rectangle inside the target rectangle.
    TRect MapToTarget(const TRect& frame) const;

    TGIFImage* image_;
    TCanvas& canvas_;
    TRect rect_;
    std::atomic<std::uint16_t> drawOptions_;
    std::atomic<int> activeImage_{-1};
    std::atomic<int> animationSpeed_{100};
    TDisposalMethod disposal_ = dmNone;
    TDisposalMethod oldDisposal_ = dmNone;
    std::unique_ptr<TBitmap> buffer_;
    std::unique_ptr<TBitmap> secondBuffer_;
    std::unique_ptr<TBitmap> background_;
    // What the buffers hold of the image's budget.
    std::int64_t bufferBytes_ = 0;
    TColor backgroundColor_ = clWhite;
    std::atomic<bool> restart_{false};
    std::atomic<bool> painted_{false};
    std::atomic<bool> terminated_{false};
    TGIFPainter** painterVar_ = nullptr;
    TGIFEvent event_;
    TGIFClock& clock_;
    TGIFScheduler& scheduler_;
    bool async_ = false;
    bool hasEvent_ = false;
    // Set for the painter of the image's own Draw: it paints the whole-image bitmap, and the
    // canvas's owner learns of every frame as a change of the image.
    bool notifyImage_ = false;
    std::atomic<bool> activeChanged_{false};

    // Suspension and the asynchronous thread.
    std::mutex stateMutex_;
    std::condition_variable stateCv_;
    bool suspended_ = true;
    std::thread thread_;

    // Timing of the previous wait.
    std::int64_t lastStart_ = 0;
    std::int64_t lastWait_ = 0;
    bool haveLast_ = false;
};
