// Drawing the picture and managing its painters.
#include <chrono>
#include <set>
#include <thread>

#include "gif/gif_image.h"
#include "gif/painter.h"
#include "platform/blit.h"
#include "platform/canvas.h"
#include "platform/dib.h"

namespace {

void DrawWholeBitmap(TCanvas& canvas, const TRect& rect, const TBitmap& bitmap, bool tile)
{
    TBitmap& target = canvas.Target();
    const int w = bitmap.Width(), h = bitmap.Height();
    if (w <= 0 || h <= 0 || rect.IsEmpty())
        return;
    canvas.Lock();
    if (tile) {
        for (int y = rect.Top; y < rect.Bottom; y += h)
            for (int x = rect.Left; x < rect.Right; x += w)
                BitBlt(target, x, y, std::min(w, rect.Right - x), std::min(h, rect.Bottom - y), bitmap, 0, 0, SRCCOPY);
    } else {
        StretchBlt(target, rect.Left, rect.Top, rect.Width(), rect.Height(), bitmap, 0, 0, w, h, SRCCOPY);
    }
    canvas.Unlock();
}

} // namespace

void TGIFImage::Draw(TCanvas& canvas, const TRect& rect) const
{
    // The picture slot is const; drawing keeps the image's caches and painter up to date.
    auto* self = const_cast<TGIFImage*>(this);
    if (self->drawing_ || GetEmpty())
        return;
    struct TDrawingFlag {
        bool& Flag;
        explicit TDrawingFlag(bool& flag) : Flag(flag) { Flag = true; }
        ~TDrawingFlag() { Flag = false; }
    } flag(self->drawing_);

    const TGIFDrawOptions options = drawOptions_;
    const bool transparent = options.Contains(goTransparent);
    const bool tile = options.Contains(goTile);
    if (images_->GetCount() == 1 || !options.Contains(goAnimate)) {
        images_->GetImage(0)->Draw(canvas, rect, transparent, tile);
        return;
    }
    const bool direct = options.Contains(goDirectDraw);
    if (!direct && bitmap_) {
        DrawWholeBitmap(canvas, rect, *bitmap_, tile);
        return;
    }
    {
        TGIFPainterLock lock(painters_);
        if (drawPainter_ && &drawPainter_->Canvas() == &canvas && drawPainter_->Rect() == rect)
            return;
    }
    self->StopDraw();

    TCanvas* target = &canvas;
    TRect area = rect;
    if (!direct) {
        self->budget_.Check(std::uint64_t(DIBBytesPerRow(GetWidth(), 24)) * std::uint64_t(GetHeight()));
        auto bitmap = std::make_unique<TBitmap>(GetWidth(), GetHeight(), pf24bit);
        bitmap->SetPalette(CopyPalette(self->GetPalette()));
        bitmap->Canvas().FillRect(Rect(0, 0, GetWidth(), GetHeight()));
        StretchBlt(*bitmap, 0, 0, GetWidth(), GetHeight(), canvas.Target(), rect.Left, rect.Top, rect.Width(),
                   rect.Height(), SRCCOPY);
        self->SetCachedBitmap(std::move(bitmap));
        target = &self->bitmap_->Canvas();
        area = Rect(0, 0, GetWidth(), GetHeight());
    }
    TGIFPainter* painter = self->InternalPaint(&self->drawPainter_, *target, area, options);
    if (painter) {
        painter->Start();
        if (!direct) {
            // The canvas gets the first frame now; later frames arrive as changes of the image.
            for (;;) {
                TGIFScheduler* scheduler = nullptr;
                {
                    TGIFPainterLock lock(painters_);
                    if (drawPainter_ != painter || painter->Painted())
                        break;
                    scheduler = &painter->scheduler_;
                }
                scheduler->ProcessPending();
                std::this_thread::sleep_for(std::chrono::microseconds(200));
            }
        }
    }
    if (!direct && bitmap_)
        DrawWholeBitmap(canvas, rect, *bitmap_, tile);
}

TGIFPainter* TGIFImage::InternalPaint(TGIFPainter** painterVar, TCanvas& canvas, const TRect& rect,
                                      TGIFDrawOptions options)
{
    if (GetEmpty() || rect.IsEmpty())
        return nullptr;
    ReapPainters();
    auto* painter = new TGIFPainter(this, canvas, rect, options, painterVar);
    painter->notifyImage_ = bitmap_ && &canvas == &bitmap_->Canvas();
    painter->OnStartPaint = OnStartPaint;
    painter->OnPaint = OnPaint;
    painter->OnAfterPaint = OnAfterPaint;
    painter->OnLoop = OnLoop;
    painter->OnEndPaint = OnEndPaint;
    {
        TGIFPainterLock lock(painters_);
        painters_.Items().push_back(painter);
        if (painterVar)
            *painterVar = painter;
    }
    if (!options.Contains(goAsync)) {
        try {
            painter->Execute();
        } catch (...) {
            painter->DoOnTerminate();
            delete painter;
            throw;
        }
        painter->DoOnTerminate();
        delete painter;
        return nullptr;
    }
    painter->thread_ = std::thread(&TGIFPainter::ThreadMain, painter);
    return painter;
}

TGIFPainter* TGIFImage::Paint(TCanvas& canvas, const TRect& rect, TGIFDrawOptions options)
{
    return InternalPaint(nullptr, canvas, rect, options);
}

void TGIFImage::ReapPainters()
{
    std::vector<TGIFPainter*> finished;
    {
        TGIFPainterLock lock(painters_);
        finished.swap(painters_.Finished());
    }
    for (TGIFPainter* painter : finished)
        delete painter; // joins its thread, which has nothing left to do
}

void TGIFImage::WaitForPainters(bool onlyDrawPainter)
{
    // Stopping from inside a painter's own drawing step (an event handler, say) cannot wait
    // for that painter: it is blocked until the step returns, and ends right after.
    TGIFPainter* const inStep = TGIFPainter::CurrentStepPainter();
    for (;;) {
        std::set<TGIFScheduler*> schedulers;
        {
            TGIFPainterLock lock(painters_);
            // A painter without goAsync runs in this very thread, further up the stack: it
            // ends by itself once it sees it was stopped.
            if (onlyDrawPainter) {
                if (drawPainter_ && drawPainter_->async_ && drawPainter_ != inStep)
                    schedulers.insert(&drawPainter_->scheduler_);
            } else {
                for (TGIFPainter* painter : painters_.Items())
                    if (painter->async_ && painter != inStep)
                        schedulers.insert(&painter->scheduler_);
            }
        }
        if (schedulers.empty())
            break;
        // A painter may be blocked handing us a drawing step; it must get through to end.
        for (TGIFScheduler* scheduler : schedulers)
            scheduler->ProcessPending();
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    ReapPainters();
}

void TGIFImage::PaintStop()
{
    {
        TGIFPainterLock lock(painters_);
        for (TGIFPainter* painter : painters_.Items())
            painter->Stop();
    }
    WaitForPainters(false);
    FreeBitmap();
}

void TGIFImage::StopDraw()
{
    {
        TGIFPainterLock lock(painters_);
        if (drawPainter_)
            drawPainter_->Stop();
    }
    WaitForPainters(true);
}

void TGIFImage::PaintStart()
{
    TGIFPainterLock lock(painters_);
    for (TGIFPainter* painter : painters_.Items())
        painter->Start();
}

void TGIFImage::PaintPause()
{
    TGIFPainterLock lock(painters_);
    for (TGIFPainter* painter : painters_.Items())
        painter->Suspend();
}

void TGIFImage::PaintResume()
{
    TGIFPainterLock lock(painters_);
    for (TGIFPainter* painter : painters_.Items())
        painter->Resume();
}

void TGIFImage::PaintRestart()
{
    TGIFPainterLock lock(painters_);
    for (TGIFPainter* painter : painters_.Items())
        painter->Restart();
}
