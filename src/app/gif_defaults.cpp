#include "app/gif_defaults.h"

#include <atomic>

#include "gif/gifimage.h"
#include "platform/bitmap.h"
#include "platform/memory_guard.h"

TGifAnimationOff::TGifAnimationOff() : wasOn_(GIFImageDefaultDrawOptions.Contains(goAnimate))
{
    GIFImageDefaultDrawOptions.Exclude(goAnimate);
}

TGifAnimationOff::~TGifAnimationOff()
{
    if (wasOn_)
        GIFImageDefaultDrawOptions.Include(goAnimate);
}

void SetGifConversionDefaults(const GIFOPTIONS& options)
{
    GIFImageDefaultDitherMode = TDitherMode(options.ColorDither);
    GIFImageDefaultColorReduction = TColorReduction(options.ColorReduction);
    GIFImageDefaultColorReductionBits = options.ReductionBit;
    GIFImageDefaultCompression = TGIFCompression(options.GIFCompression);
}

namespace {

std::atomic<std::size_t> gifSourceLoads{0};

} // namespace

std::unique_ptr<TGIFImage> LoadGifSource(const std::string& fileName)
{
    ++gifSourceLoads;
    // An image takes its draw options when it is made.
    TGifAnimationOff animationOff;
    auto image = std::make_unique<TGIFImage>();
    image->LoadFromFile(fileName);
    return image;
}

std::size_t GifSourceLoads() { return gifSourceLoads; }

TGifSources::TGifSources() = default;
TGifSources::~TGifSources() = default;

TGIFImage& TGifSources::Load(const std::string& fileName)
{
    if (!image_ || fileName != fileName_) {
        Forget();
        image_ = LoadGifSource(fileName);
        fileName_ = fileName;
    }
    return *image_;
}

void TGifSources::Forget()
{
    image_.reset();
    fileName_.clear();
}

void TakeGifPicture(TGIFSubImage& image, TBitmap& picture)
{
    struct TRelease {
        TGIFSubImage& Image;
        ~TRelease() { Image.ReleasePixels(); }
    } release{image};
    // The picture is the whole image at 24 bits: one image of a large GIF can want more than
    // the system has left.
    ReserveBitmapMemory(image.Width(), image.Height(), 24);
    picture.Assign(image);
    image.ReleasePixels();
    picture.SetPixelFormat(pf24bit);
}
