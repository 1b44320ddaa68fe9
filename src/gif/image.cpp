// The GIF picture: frames, settings, reading and writing as a whole.
#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <limits>
#include <new>
#include <thread>
#include <unistd.h>

#include "gif/gif_image.h"
#include "gif/gif_stream_util.h"
#include "gif/painter.h"
#include "platform/colors.h"

TGIFImage::TGIFImage()
    : images_(std::make_unique<TGIFImageList>(this)),
      header_(std::make_unique<TGIFHeader>(this))
{
    DrawBackgroundColor = clNone;
    drawOptions_ = GIFImageDefaultDrawOptions;
    ColorReduction = GIFImageDefaultColorReduction;
    reductionBits_ = GIFImageDefaultColorReductionBits;
    DitherMode = GIFImageDefaultDitherMode;
    Compression = GIFImageDefaultCompression;
    ThreadPriority = GIFImageDefaultThreadPriority;
    animationSpeed_ = GIFImageDefaultAnimationSpeed;
    NewImage();
}

TGIFImage::~TGIFImage()
{
    PaintStop();
    images_->Clear();
    SetCachedPalette(nullptr);
}

void TGIFImage::Warning(TPersistent* sender, TGIFSeverity severity, const std::string& message)
{
    if (OnWarning)
        OnWarning(sender, severity, message);
}

int TGIFImage::Add(TPersistent* source)
{
    int index = -1;
    if (auto* frame = dynamic_cast<TGIFSubImage*>(source)) {
        if (images_->IndexOf(frame) >= 0)
            return images_->IndexOf(frame);
        if (frame->Image() != this)
            frame->SetImage(this);
        index = images_->Add(frame);
    } else if (auto* graphic = dynamic_cast<TGraphic*>(source)) {
        auto frame2 = std::make_unique<TGIFSubImage>(this);
        frame2->Assign(*graphic);
        index = images_->Add(frame2.release());
    } else {
        RaiseGIFError(sUnsupportedClass);
    }
    Changed();
    return index;
}

void TGIFImage::Clear()
{
    PaintStop();
    FreeBitmap();
    images_->Clear();
    header_->Clear();
    budget_.RemoveLimit();
    Changed();
}

bool TGIFImage::GetIsTransparent() const
{
    for (int i = 0; i < images_->GetCount(); ++i) {
        const TGIFSubImage* frame = images_->GetImage(i);
        for (int e = 0; e < frame->Extensions().GetCount(); ++e) {
            const auto* gce = dynamic_cast<const TGIFGraphicControlExtension*>(frame->Extensions().GetExtension(e));
            if (gce && gce->GetTransparent())
                return true;
        }
    }
    return false;
}

TGIFVersion TGIFImage::GetVersion() const
{
    if (images_->GetCount() == 0)
        return gvUnknown;
    TGIFVersion version = header_->GetVersion();
    for (int i = 0; i < images_->GetCount() && version != gv89a; ++i)
        version = std::max(version, images_->GetImage(i)->GetVersion());
    return version;
}

int TGIFImage::GetBitsPerPixel() const
{
    int bits = header_->GetBitsPerPixel();
    for (int i = 0; i < images_->GetCount(); ++i)
        bits = std::max(bits, images_->GetImage(i)->GetBitsPerPixel());
    return bits;
}

int TGIFImage::GetColorResolution() const
{
    int resolution = header_->GetColorResolution();
    for (int i = 0; i < images_->GetCount(); ++i)
        resolution = std::max(resolution, images_->GetImage(i)->GetColorResolution());
    return resolution;
}

void TGIFImage::SetReductionBits(int value)
{
    if (value < 1 || value > 8)
        RaiseGIFError(sInvalidBitSize);
    reductionBits_ = value;
}

void TGIFImage::SetWidth(int value)
{
    for (int i = 0; i < images_->GetCount(); ++i) {
        const TGIFSubImage* frame = images_->GetImage(i);
        if (frame->Left() + frame->Width() > value)
            RaiseGIFError(sBadWidth);
    }
    value = std::clamp(value, 0, 0xFFFF);
    if (value != header_->Width()) {
        header_->SetWidth(WORD(value));
        Changed();
    }
}

void TGIFImage::SetHeight(int value)
{
    for (int i = 0; i < images_->GetCount(); ++i) {
        const TGIFSubImage* frame = images_->GetImage(i);
        if (frame->Top() + frame->Height() > value)
            RaiseGIFError(sBadHeight);
    }
    value = std::clamp(value, 0, 0xFFFF);
    if (value != header_->Height()) {
        header_->SetHeight(WORD(value));
        Changed();
    }
}

void TGIFImage::SetDrawOptions(TGIFDrawOptions value)
{
    if (value == drawOptions_)
        return;
    const bool dithered = GetDoDither();
    drawOptions_ = value;
    if (dithered != GetDoDither()) {
        // Rendered bitmaps and palettes were made for the other choice.
        FreeBitmap();
        FreePalette();
        for (int i = 0; i < images_->GetCount(); ++i) {
            images_->GetImage(i)->FreeBitmap();
            images_->GetImage(i)->FreePalette();
        }
    }
    {
        TGIFPainterLock lock(painters_);
        if (drawPainter_)
            drawPainter_->SetDrawOptions(value);
    }
    Changed();
}

void TGIFImage::SetAnimationSpeed(int value)
{
    animationSpeed_ = std::clamp(value, 0, 1000);
    TGIFPainterLock lock(painters_);
    if (drawPainter_)
        drawPainter_->SetAnimationSpeed(animationSpeed_);
}

void TGIFImage::SetCachedPalette(HPALETTE palette)
{
    if (palette_ != palette)
        DeleteObject(palette_);
    palette_ = palette;
}

// ---- reading and writing -----------------------------------------------------------------

void TGIFImage::DoLoad(TStream& stream)
{
    header_->LoadFromStream(stream);
    images_->LoadFromStream(stream, this);
    TGIFTrailer trailer(this);
    trailer.LoadFromStream(stream);
}

void TGIFImage::LoadFromStream(TStream& stream)
{
    const std::string& text = LoadGIFString(sProgressLoading);
    Progress(psStarting, 0, false, TRect{}, text);
    Clear();
    budget_.SetLimit(TGIFMemoryBudget::ForStreamSize(stream.Size()));
    const std::int64_t start = stream.Position();
    try {
        try {
            DoLoad(stream);
        } catch (const std::bad_alloc&) {
            // Whatever a file asks for that memory cannot give is the library's error too.
            RaiseGIFError(sOutOfMemDIB);
        }
    } catch (...) {
        stream.SetPosition(start);
        Progress(psEnding, 0, false, TRect{}, text);
        throw;
    }
    Progress(psEnding, 100, false, TRect{}, text);
    Changed();
}

// Encodes the frames of an image being saved on a few threads, in frame order and at most a
// window ahead of the writing, so that memory stays bounded by a few frames' data. The
// writing stays on the saving thread, frame by frame, so progress events, the bytes and
// where an error leaves the stream are those of encoding each frame as it is written.
class TGIFImage::TFrameCompressor {
public:
    struct TJob {
        const TGIFSubImage* Frame = nullptr;
        std::function<void(TStream&)> Encode;
    };

    TFrameCompressor(std::vector<TJob> jobs, unsigned threads)
        : jobs_(std::move(jobs)), results_(jobs_.size()), window_(std::size_t(threads) * 4)
    {
        try {
            for (unsigned t = 0; t < threads; ++t)
                workers_.emplace_back([this] { Work(); });
        } catch (...) {
            Stop();
            throw;
        }
    }
    ~TFrameCompressor() { Stop(); }
    TFrameCompressor(const TFrameCompressor&) = delete;
    TFrameCompressor& operator=(const TFrameCompressor&) = delete;

    bool Write(const TGIFSubImage* frame, TStream& stream)
    {
        if (written_ >= jobs_.size() || jobs_[written_].Frame != frame)
            return false;
        TResult result;
        {
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [&] { return results_[written_].Done; });
            result = std::move(results_[written_]);
            ++written_;
        }
        changed_.notify_all();
        // What the encoder wrote before it failed is written too, as the sequential path does.
        if (result.Data->Size() > 0)
            stream.WriteBuffer(result.Data->Memory(), result.Data->Size());
        if (result.Error)
            std::rethrow_exception(result.Error);
        return true;
    }

private:
    struct TResult {
        std::unique_ptr<TMemoryStream> Data;
        std::exception_ptr Error;
        bool Done = false;
    };

    void Work()
    {
        for (;;) {
            std::size_t index = 0;
            {
                std::unique_lock lock(mutex_);
                changed_.wait(lock, [&] {
                    return stop_ || next_ >= jobs_.size() || next_ < written_ + window_;
                });
                if (stop_ || next_ >= jobs_.size())
                    return;
                index = next_++;
            }
            TResult result;
            try {
                result.Data = std::make_unique<TMemoryStream>();
                jobs_[index].Encode(*result.Data);
            } catch (...) {
                result.Error = std::current_exception();
                if (!result.Data)
                    result.Data = std::make_unique<TMemoryStream>();
            }
            result.Done = true;
            {
                std::lock_guard lock(mutex_);
                results_[index] = std::move(result);
            }
            changed_.notify_all();
        }
    }

    void Stop()
    {
        {
            std::lock_guard lock(mutex_);
            stop_ = true;
        }
        changed_.notify_all();
        for (std::thread& worker : workers_)
            worker.join();
        workers_.clear();
    }

    std::vector<TJob> jobs_;
    std::vector<TResult> results_;
    const std::size_t window_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::size_t next_ = 0;    // the next frame a worker takes
    std::size_t written_ = 0; // the next frame the saving thread writes
    bool stop_ = false;
    std::vector<std::thread> workers_;
};

std::unique_ptr<TGIFImage::TFrameCompressor> TGIFImage::StartFrameCompressor() const
{
    unsigned threads = SaveThreads != 0 ? SaveThreads : std::thread::hardware_concurrency();
    if (threads <= 1)
        return nullptr;
    // A frame that must be decoded to be written needs a buffer of its size while it is
    // encoded; many at once could pass what an image read from a file may hold, so such an
    // image is written one frame at a time, each buffer let go of before the next is made.
    const bool bounded = budget_.Limit() != std::numeric_limits<std::uint64_t>::max();
    std::vector<TFrameCompressor::TJob> jobs;
    for (int i = 0; i < images_->GetCount(); ++i) {
        const TGIFSubImage* frame = images_->GetImage(i);
        if (frame->GetEmpty())
            continue;
        if (bounded && !frame->HoldsPixels())
            return nullptr;
        jobs.push_back({frame, frame->CompressJob()});
    }
    if (jobs.size() < 2)
        return nullptr;
    threads = unsigned(std::min<std::size_t>(threads, jobs.size()));
    return std::make_unique<TFrameCompressor>(std::move(jobs), threads);
}

bool TGIFImage::WritePrecompressed(const TGIFSubImage* frame, TStream& stream)
{
    return saveCompressor_ && saveCompressor_->Write(frame, stream);
}

void TGIFImage::DoSave(TStream& stream)
{
    header_->SaveToStream(stream);
    {
        // The jobs take what they need from the image after the header is written, when the
        // sequential path would too.
        std::unique_ptr<TFrameCompressor> compressor = StartFrameCompressor();
        saveCompressor_ = compressor.get();
        struct TDetach {
            TFrameCompressor*& Slot;
            ~TDetach() { Slot = nullptr; }
        } detach{saveCompressor_};
        images_->SaveToStream(stream);
    }
    TGIFTrailer trailer(this);
    trailer.SaveToStream(stream);
}

void TGIFImage::SaveToStream(TStream& stream) const
{
    // Saving rebuilds packed bytes, which belong to the image's own bookkeeping.
    auto* self = const_cast<TGIFImage*>(this);
    const std::string& text = LoadGIFString(sProgressSaving);
    self->Progress(psStarting, 0, false, TRect{}, text);
    try {
        self->DoSave(stream);
    } catch (...) {
        self->Progress(psEnding, 0, false, TRect{}, text);
        throw;
    }
    self->Progress(psEnding, 100, false, TRect{}, text);
}

void TGIFImage::SaveToFile(const std::string& fileName) const
{
    static std::atomic<unsigned> counter{0};
    namespace fs = std::filesystem;
    const fs::path target(fileName);
    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
    std::string tempName = ".";
    tempName.append(target.filename().string());
    tempName.append(".").append(std::to_string(::getpid()));
    tempName.append(".").append(std::to_string(counter++)).append(".tmp");
    const fs::path temp = folder / tempName;
    try {
        {
            TFileStream stream(temp.string(), fmCreate);
            SaveToStream(stream);
        }
        std::error_code ec;
        fs::rename(temp, target, ec);
        if (ec)
            throw EFCreateError("Cannot create file \"" + fileName + "\". " + ec.message());
    } catch (...) {
        std::error_code ec;
        fs::remove(temp, ec);
        throw;
    }
}
