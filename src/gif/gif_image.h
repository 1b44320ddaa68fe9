#pragma once
// The GIF picture: a header with the logical screen and global colour table and a list of
// frames, plus the settings used when bitmaps become frames and when the image is drawn.
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "gif/gif_budget.h"
#include "gif/gif_items.h"
#include "gif/gif_subimage.h"
#include "platform/bitmap.h"
#include "platform/graphic.h"

class TGIFPainter;

// The painters drawing an image; every change of the list happens under its lock.
class TGIFPainterList {
public:
    void Lock() { mutex_.lock(); }
    void Unlock() { mutex_.unlock(); }
    std::vector<TGIFPainter*>& Items() { return items_; }
    int Count() const { return int(items_.size()); }
    // Painter threads that have ended and wait to be joined and freed by the GUI side.
    std::vector<TGIFPainter*>& Finished() { return finished_; }

private:
    std::recursive_mutex mutex_;
    std::vector<TGIFPainter*> items_;
    std::vector<TGIFPainter*> finished_;
};

// Holds the painter-list lock for a scope.
class TGIFPainterLock {
public:
    explicit TGIFPainterLock(TGIFPainterList& list) : list_(list) { list_.Lock(); }
    ~TGIFPainterLock() { list_.Unlock(); }
    TGIFPainterLock(const TGIFPainterLock&) = delete;
    TGIFPainterLock& operator=(const TGIFPainterLock&) = delete;

private:
    TGIFPainterList& list_;
};

class TClipboard;
class TPicture;

using TGIFPaintEvent = std::function<void(TGIFPainter& sender)>;

using TGIFWarning = std::function<void(TPersistent* sender, TGIFSeverity severity, const std::string& message)>;

class TGIFImage : public TGraphic {
public:
    TGIFImage();
    ~TGIFImage() override;
    TGIFImage(const TGIFImage&) = delete;
    TGIFImage& operator=(const TGIFImage&) = delete;

    std::string ClassName() const override { return "TGIFImage"; }

    // ---- picture slots
    int Width() const override { return GetWidth(); }
    int Height() const override { return GetHeight(); }
    void SetWidth(int value) override;
    void SetHeight(int value) override;
    bool Empty() const override { return GetEmpty(); }
    bool Transparent() const override { return GetIsTransparent(); }
    void Draw(TCanvas& canvas, const TRect& rect) const override;
    void LoadFromStream(TStream& stream) override;
    void SaveToStream(TStream& stream) const override;
    // Writes a temporary file next to the target and renames it over the target only when
    // the whole image was written.
    void SaveToFile(const std::string& fileName) const override;
    void LoadFromClipboardFormat(UINT format, const std::vector<uint8_t>& data) override;
    void SaveToClipboardFormat(UINT& format, std::vector<uint8_t>& data) const override;
    // From an image a copy of header and frames; from another graphic one frame made of it.
    void Assign(const TPersistent& source) override;
    void Assign(const TPicture& picture);
    // Puts the whole-image bitmap and the GIF stream ("GIF Image") on the clipboard.
    void CopyToClipboard(TClipboard& clipboard) const;
    // Takes "GIF Image" data when there is some, else the bitmap; false when neither is there.
    bool PasteFromClipboard(TClipboard& clipboard);

    virtual void Warning(TPersistent* sender, TGIFSeverity severity, const std::string& message);

    // ---- document
    // A TGIFSubImage is appended as it is and the image takes ownership of it; another
    // graphic becomes a new frame through TGIFSubImage::Assign (the source stays the
    // caller's); anything else raises "Object type not supported for operation".
    int Add(TPersistent* source);
    int Add(std::unique_ptr<TGIFSubImage> frame) { return Add(frame.release()); }
    int Add(const TPicture& picture);
    void Clear();
    void NewImage() { Clear(); }

    bool GetEmpty() const { return images_->GetCount() == 0; }
    int GetWidth() const { return header_->Width(); }
    int GetHeight() const { return header_->Height(); }
    bool GetIsTransparent() const;
    TGIFVersion GetVersion() const;
    int GetBitsPerPixel() const;
    int GetColorResolution() const;
    TGIFGlobalColorMap& GetColorMap() { return header_->ColorMap(); }
    BYTE GetBackgroundColorIndex() const { return header_->BackgroundColorIndex(); }
    void SetBackgroundColorIndex(BYTE index) { header_->SetBackgroundColorIndex(index); }
    TColor GetBackgroundColor() { return header_->GetBackgroundColor(); }
    void SetBackgroundColor(TColor color) { header_->SetBackgroundColor(color); }
    BYTE GetAspectRatio() const { return header_->AspectRatio(); }
    void SetAspectRatio(BYTE value) { header_->SetAspectRatio(value); }

    // What the image's buffers hold and, for an image read from a file, may hold: past it
    // the library raises "Failed to allocate memory for GIF DIB". Reading sets the bound
    // from the file's size; Clear removes it.
    TGIFMemoryBudget& MemoryBudget() { return budget_; }
    const TGIFMemoryBudget& MemoryBudget() const { return budget_; }

    TGIFImageList& Images() { return *images_; }
    const TGIFImageList& Images() const { return *images_; }
    TGIFHeader& Header() { return *header_; }
    const TGIFHeader& Header() const { return *header_; }

    // ---- settings (a new image takes the library-wide defaults)
    TGIFWarning OnWarning;
    TGIFDrawOptions DrawOptions() const { return drawOptions_; }
    void SetDrawOptions(TGIFDrawOptions value);
    TColorReduction ColorReduction = rmNetscape;
    int ReductionBits() const { return reductionBits_; }
    void SetReductionBits(int value);
    TDitherMode DitherMode = dmNearest;
    TGIFCompression Compression = gcLZW;
    // Threads that encode the frames of a saved image: 0 for one per core, 1 for none but
    // the saving one. The bytes written are the same either way. Frames must not change while
    // the image is being saved (from a progress handler, say).
    unsigned SaveThreads = 0;
    TGIFThreadPriority ThreadPriority = tpNormal;
    int AnimationSpeed() const { return animationSpeed_; }
    void SetAnimationSpeed(int value);
    TColor DrawBackgroundColor;

    // Writes the frame's data encoded ahead by the save in progress; false when there is
    // none, and the frame encodes itself.
    bool WritePrecompressed(const TGIFSubImage* frame, TStream& stream);

    // ---- painters and caches
    TGIFPainterList& Painters() const { return painters_; }
    TGIFPaintEvent OnStartPaint;
    TGIFPaintEvent OnPaint;
    TGIFPaintEvent OnAfterPaint;
    TGIFPaintEvent OnLoop;
    TGIFPaintEvent OnEndPaint;
    // A new painter of the image onto canvas and rect; null for an empty image or rect, and
    // for a painter without goAsync, which has run its whole animation before this returns.
    TGIFPainter* Paint(TCanvas& canvas, const TRect& rect, TGIFDrawOptions options);
    // Stops every painter, waits until the asynchronous ones have gone and drops the
    // whole-image bitmap.
    void PaintStop();
    void PaintStart();
    void PaintPause();
    void PaintResume();
    void PaintRestart();
    // Stops the painter that Draw started and waits until it has gone.
    void StopDraw();
    TGIFPainter* DrawPainter() const
    {
        TGIFPainterLock lock(painters_);
        return drawPainter_;
    }
    bool GetDoDither() const;
    // The whole-image bitmap, cached; null for an image without frames.
    TBitmap* GetBitmap();
    // Raises "No global or local color table defined" when no table gives colours.
    HPALETTE GetPalette();
    TBitmap* CachedBitmap() const { return bitmap_.get(); }
    void SetCachedBitmap(std::unique_ptr<TBitmap> bitmap);
    void FreeBitmap() { SetCachedBitmap(nullptr); }
    HPALETTE CachedPalette() const { return palette_; }
    void SetCachedPalette(HPALETTE palette);
    void FreePalette() { SetCachedPalette(nullptr); }

    // ---- optimisation (defined with the optimiser)
    void Optimize(TGIFOptimizeOptions options, TColorReduction reduction, TDitherMode ditherMode,
                  int reductionBits);
    void OptimizeColorMap();
    void Pack();

protected:
    void AssignTo(TPersistent& dest) const override;

private:
    friend class TGIFPainter;
    TGIFPainter* InternalPaint(TGIFPainter** painterVar, TCanvas& canvas, const TRect& rect,
                               TGIFDrawOptions options);
    // Joins and frees painter threads that have ended.
    void ReapPainters();
    // Processes the painters' pending GUI calls until none of the given kind is left.
    void WaitForPainters(bool onlyDrawPainter);
    void DoLoad(TStream& stream);
    void DoSave(TStream& stream);
    class TFrameCompressor;
    std::unique_ptr<TFrameCompressor> StartFrameCompressor() const;

    // First, so that it outlives every buffer counted in it.
    TGIFMemoryBudget budget_;
    std::unique_ptr<TGIFImageList> images_;
    std::unique_ptr<TGIFHeader> header_;
    std::unique_ptr<TBitmap> bitmap_;
    std::int64_t bitmapCharged_ = 0;
    mutable TGIFPainterList painters_;
    TGIFDrawOptions drawOptions_;
    int reductionBits_ = 8;
    int animationSpeed_ = 100;
    HPALETTE palette_ = nullptr;
    bool paletteGuard_ = false;
    bool drawing_ = false;
    TGIFPainter* drawPainter_ = nullptr;
    TFrameCompressor* saveCompressor_ = nullptr;
};
