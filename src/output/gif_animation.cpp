#include "output/gif_animation.h"

#include "app/gif_defaults.h"
#include "gif/gifimage.h"

namespace {

// The image's own control extension: the one the conversion made for a transparent bitmap
// (its transparent index points at the colour it gave the masked pixels, so it is kept), else
// a new one. Either way the image ends with exactly one.
TGIFGraphicControlExtension& ControlExtensionOf(TGIFSubImage& image, const GIFOPTIONS& options)
{
    if (TGIFGraphicControlExtension* made = image.GraphicControlExtension();
        made && image.Extensions().IndexOf(made) >= 0) {
        if (options.GIFTransparent && !made->GetTransparent()) {
            made->SetTransparent(true);
            made->SetTransparentColor(options.TransparentColor);
        }
        return *made;
    }
    auto* gce = new TGIFGraphicControlExtension(&image);
    image.Extensions().Add(gce);
    if (options.GIFTransparent) {
        gce->SetTransparent(true);
        gce->SetTransparentColor(options.TransparentColor);
    }
    return *gce;
}

} // namespace

void BuildGifAnimation(TGIFImage& gif, const std::vector<TGifAnimationFrame>& frames,
                       const TGifAnimationOptions& options)
{
    for (const TGifAnimationFrame& frame : frames) {
        const GIFOPTIONS& o = frame.Options;
        // Each frame is reduced and compressed by its own settings; the library takes them from
        // the defaults when it converts, and the image checks the colour bits.
        SetGifConversionDefaults(o);
        gif.DitherMode = TDitherMode(o.ColorDither);
        gif.ColorReduction = TColorReduction(o.ColorReduction);
        gif.SetReductionBits(o.ReductionBit);
        gif.Compression = TGIFCompression(o.GIFCompression);

        TBitmap source;
        if (frame.Bitmap)
            source.Assign(*frame.Bitmap);
        source.SetPixelFormat(pf24bit);
        source.SetTransparent(o.GIFTransparent);
        source.SetTransparentColor(o.TransparentColor);

        const int index = gif.Add(&source);
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
