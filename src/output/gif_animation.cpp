#include "output/gif_animation.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>

#include "app/gif_defaults.h"
#include "gif/color_reduction.h"
#include "gif/gifimage.h"
#include "platform/memory_guard.h"

namespace {

// A colour missing from the frame's colour table can only be named transparent while the
// table has room for it. A full table would overflow and end the whole output, so such a
// frame stays opaque.
bool TransparentColourFits(TGIFSubImage& image, TColor color)
{
    TGIFColorMap& map = image.GetActiveColorMap();
    return map.IndexOf(color) >= 0 || map.Count() < 256;
}

// The image's own control extension: the one the conversion made for a transparent bitmap
// (its transparent index points at the colour it gave the masked pixels, so it is kept), else
// a new one. Either way the image ends with exactly one.
TGIFGraphicControlExtension& ControlExtensionOf(TGIFSubImage& image, const GIFOPTIONS& options)
{
    if (TGIFGraphicControlExtension* made = image.GraphicControlExtension();
        made && image.Extensions().IndexOf(made) >= 0) {
        if (options.GIFTransparent && !made->GetTransparent() && TransparentColourFits(image, options.TransparentColor)) {
            made->SetTransparent(true);
            made->SetTransparentColor(options.TransparentColor);
        }
        return *made;
    }
    auto* gce = new TGIFGraphicControlExtension(&image);
    image.Extensions().Add(gce);
    if (options.GIFTransparent && TransparentColourFits(image, options.TransparentColor)) {
        gce->SetTransparent(true);
        gce->SetTransparentColor(options.TransparentColor);
    }
    return *gce;
}

// The frame's bitmap reduced by the frame's own options, as a frame of no image: it reads
// neither the library's defaults nor the image, which other threads are using meanwhile.
std::unique_ptr<TGIFSubImage> ConvertFrame(const TGifAnimationFrame& frame)
{
    const GIFOPTIONS& o = frame.Options;
    TBitmap source;
    if (frame.Bitmap) {
        // The 24-bit copy the colours are reduced from and the bitmap they are reduced into
        // (24-bit when no reduction was asked for), and the pixels every frame of the image
        // keeps until the file is written: a long animation grows with its frames.
        const int width = frame.Bitmap->Width(), height = frame.Bitmap->Height();
        const int reduced = TColorReduction(o.ColorReduction) == rmNone ? 24 : 8;
        ReserveMemory(BitmapMemoryBytes(width, height, 24) + BitmapMemoryBytes(width, height, reduced) +
                      BitmapMemoryBytes(width, height, 8));
        source.Assign(*frame.Bitmap);
    }
    source.SetPixelFormat(pf24bit);
    source.SetTransparent(o.GIFTransparent);
    source.SetTransparentColor(o.TransparentColor);
    auto image = std::make_unique<TGIFSubImage>(nullptr);
    image->AssignBitmap(source, TGIFConversionSettings{TColorReduction(o.ColorReduction),
                                                       TDitherMode(o.ColorDither), o.ReductionBit});
    // The bitmap the pixels were reduced into is kept by the conversion for drawing; the file
    // is written from the pixels alone, and a preview draws each frame again from them when
    // it shows it. Held for every frame until the file is written, it would double what the
    // animation holds (or, unreduced at 24 bits, make it four times as much).
    image->FreeBitmap();
    return image;
}

// Converts the frames on a pool of threads, handing them out in frame order, and gives each
// back when the builder asks for it, in frame order too. With one thread nothing is started
// and each frame is converted when it is asked for, so the builder runs the same steps either
// way.
class TFrameConverter {
public:
    TFrameConverter(const std::vector<TGifAnimationFrame>& frames, unsigned threads)
        : frames_(frames), results_(frames.size()), end_(frames.size())
    {
        const std::size_t count = std::min<std::size_t>(threads, frames.size());
        if (count <= 1)
            return;
        try {
            workers_.reserve(count);
            for (std::size_t i = 0; i < count; ++i)
                workers_.emplace_back([this] { Work(); });
        } catch (const std::exception&) {
            // Fewer threads than asked for still convert every frame, and none at all leaves
            // the conversion to Take.
        }
    }

    ~TFrameConverter()
    {
        end_.store(0);
        for (std::thread& worker : workers_)
            worker.join();
    }

    TFrameConverter(const TFrameConverter&) = delete;
    TFrameConverter& operator=(const TFrameConverter&) = delete;

    // Frame index converted; raises what its conversion raised. Indices come in order.
    std::unique_ptr<TGIFSubImage> Take(std::size_t index)
    {
        if (workers_.empty())
            return ConvertFrame(frames_[index]);
        std::unique_lock<std::mutex> lock(mutex_);
        TResult& result = results_[index];
        ready_.wait(lock, [&] { return result.Done; });
        if (result.Error)
            std::rethrow_exception(result.Error);
        return std::move(result.Image);
    }

private:
    struct TResult {
        std::unique_ptr<TGIFSubImage> Image;
        std::exception_ptr Error;
        bool Done = false;
    };

    void Work()
    {
        for (;;) {
            const std::size_t index = next_.fetch_add(1);
            if (index >= end_.load())
                return;
            TResult result;
            try {
                result.Image = ConvertFrame(frames_[index]);
            } catch (...) {
                result.Error = std::current_exception();
                // The build stops at this frame; the ones after it are not wanted.
                std::size_t end = end_.load();
                while (index + 1 < end && !end_.compare_exchange_weak(end, index + 1)) {
                }
            }
            result.Done = true;
            {
                std::lock_guard<std::mutex> lock(mutex_);
                results_[index] = std::move(result);
            }
            ready_.notify_one();
        }
    }

    const std::vector<TGifAnimationFrame>& frames_;
    std::vector<TResult> results_;
    std::atomic<std::size_t> next_{0};
    std::atomic<std::size_t> end_; // frames from here on are not handed out
    std::mutex mutex_;
    std::condition_variable ready_;
    std::vector<std::thread> workers_;
};

unsigned ThreadCount(unsigned asked)
{
    if (asked > 0)
        return asked;
    return std::max(1u, std::thread::hardware_concurrency());
}

} // namespace

void BuildGifAnimation(TGIFImage& gif, const std::vector<TGifAnimationFrame>& frames,
                       const TGifAnimationOptions& options)
{
    {
        TFrameConverter converter(frames, ThreadCount(options.Threads));
        for (std::size_t f = 0; f < frames.size(); ++f) {
            const TGifAnimationFrame& frame = frames[f];
            const GIFOPTIONS& o = frame.Options;
            // The defaults and the image's settings end as the frames set them one after the
            // other; the image checks the colour bits before the frame's conversion counts.
            SetGifConversionDefaults(o);
            gif.DitherMode = TDitherMode(o.ColorDither);
            gif.ColorReduction = TColorReduction(o.ColorReduction);
            gif.SetReductionBits(o.ReductionBit);
            gif.Compression = TGIFCompression(o.GIFCompression);

            std::unique_ptr<TGIFSubImage> converted;
            try {
                converted = converter.Take(f);
            } catch (...) {
                // A frame that failed once it had its size has already widened the screen
                // when it is converted inside the image; a stand-in of that size does so here.
                const int width = frame.Bitmap ? frame.Bitmap->Width() : 0;
                const int height = frame.Bitmap ? frame.Bitmap->Height() : 0;
                if (width > 0 && height > 0 && width <= 0xFFFF && height <= 0xFFFF) {
                    TGIFSubImage standIn(&gif);
                    standIn.DoSetBounds(0, 0, width, height);
                }
                throw;
            }
            // Joining the image widens its screen to the frame, as converting inside it does.
            converted->SetImage(&gif);
            converted->DoSetBounds(0, 0, converted->Width(), converted->Height());
            const int index = gif.Add(converted.release());
            TGIFSubImage& image = *gif.Images().GetImage(index);
            // The descriptor holds 16-bit values; larger placements keep their low bits.
            image.SetBounds(1, WORD(frame.Placement.Left));
            image.SetBounds(2, WORD(frame.Placement.Top));
            image.SetBounds(3, WORD(frame.Placement.Width));
            image.SetBounds(4, WORD(frame.Placement.Height));
            image.SetInterlaced(options.Interlaced);

            TGIFGraphicControlExtension& gce = ControlExtensionOf(image, o);
            gce.SetDelay(GifDelayOf(frame.Time));
            gce.SetDisposal(TDisposalMethod(o.DisposalMethod & 7));
            if (index == 0) {
                // Players read the loop count before the first image's timing.
                auto* loop = new TGIFAppExtNSLoop(&image);
                loop->Loops = WORD(options.LoopCount);
                image.Extensions().Insert(image.Extensions().IndexOf(&gce), loop);
            }
        }
    }

    if (options.Optimize)
        gif.OptimizeColorMap();
    TGIFOptimizeOptions passes;
    if (options.Crop)
        passes.Include(ooCrop);
    if (options.Merge)
        passes.Include(ooMerge);
    if (!passes.IsEmpty())
        gif.Optimize(passes, rmNone, dmNearest, 8);
}
