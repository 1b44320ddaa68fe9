#include "app/gif_defaults.h"

#include "gif/gifimage.h"
#include "platform/bitmap.h"

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

std::unique_ptr<TGIFImage> LoadGifSource(const std::string& fileName)
{
    // An image takes its draw options when it is made.
    TGifAnimationOff animationOff;
    auto image = std::make_unique<TGIFImage>();
    image->LoadFromFile(fileName);
    return image;
}

void TakeGifPicture(TGIFSubImage& image, TBitmap& picture)
{
    struct TRelease {
        TGIFSubImage& Image;
        ~TRelease() { Image.ReleasePixels(); }
    } release{image};
    picture.Assign(image);
    image.ReleasePixels();
    picture.SetPixelFormat(pf24bit);
}
