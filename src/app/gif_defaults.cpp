#include "app/gif_defaults.h"

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
