// GIF files: load, decode every frame again, draw every frame and the whole image onto
// bitmaps, save, and load what was saved, which must succeed with the same frames.
// fuzz-seeds: gif
#include <algorithm>
#include <vector>

#include "fuzz_util.h"
#include "gif/gifimage.h"
#include "platform/canvas.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    TMemoryStream input;
    fuzz::LoadInput(input, data, size);
    TGIFImage image;
    // No painter threads: drawing is done frame by frame below. Odd sizes also dither.
    TGIFDrawOptions options = image.DrawOptions() - TGIFDrawOptions{goAsync, goAnimate, goAutoDither};
    image.SetDrawOptions((size & 1) ? options + TGIFDrawOptions{goDither} : options - TGIFDrawOptions{goDither});
    try {
        image.LoadFromStream(input);
    } catch (const Exception&) {
        return 0;
    }

    std::uint64_t pixels = std::uint64_t(image.GetWidth()) * std::uint64_t(image.GetHeight());
    for (int i = 0; i < image.Images().GetCount(); ++i)
        pixels += std::uint64_t(image.Images().GetImage(i)->Width()) * image.Images().GetImage(i)->Height();
    if (pixels > fuzz::MaxPixelsToRender)
        return 0;

    // A frame let go of decodes its data again to the same pixels.
    for (int i = 0; i < image.Images().GetCount(); ++i) {
        TGIFSubImage* frame = image.Images().GetImage(i);
        if (frame->GetEmpty())
            continue;
        const TGIFSubImage& read = *frame;
        const std::vector<BYTE> first(read.Data(), read.Data() + read.DataSize());
        frame->ReleasePixels();
        if (frame->GetEmpty() || !std::equal(first.begin(), first.end(), read.Data(), read.Data() + read.DataSize()))
            fuzz::Fault("a frame decodes its data again to other pixels");
    }

    try {
        TBitmap whole;
        whole.Assign(image);
        TBitmap screen(std::max(1, image.GetWidth()), std::max(1, image.GetHeight()), pf24bit);
        for (int i = 0; i < image.Images().GetCount(); ++i) {
            TGIFSubImage* frame = image.Images().GetImage(i);
            frame->Draw(screen.Canvas(), frame->GetBoundsRect(), true, false);
            frame->StretchDraw(screen.Canvas(), Rect(0, 0, 5, 3), frame->Transparent(), (i & 1) != 0);
        }
    } catch (const Exception&) {
        // Frames without any colour table cannot be drawn; that is reported, not a fault.
    }

    TMemoryStream saved;
    try {
        image.SaveToStream(saved);
    } catch (const Exception&) {
        // Pixels past their table, or no frame at all, are refused by the writer.
        return 0;
    }
    saved.SetPosition(0);
    TGIFImage again;
    try {
        again.LoadFromStream(saved);
    } catch (const Exception&) {
        fuzz::Fault("a saved GIF does not load");
    }
    int kept = 0;
    for (int i = 0; i < image.Images().GetCount(); ++i)
        kept += image.Images().GetImage(i)->GetEmpty() ? 0 : 1;
    int read = 0;
    for (int i = 0; i < again.Images().GetCount(); ++i)
        read += again.Images().GetImage(i)->GetEmpty() ? 0 : 1;
    if (kept != read)
        fuzz::Fault("a saved GIF comes back with other frames");
    return 0;
}
