// BMP files: load, save, and load what was saved, which must give the same pixels.
// fuzz-seeds: bmpsuite
#include "fuzz_util.h"
#include "platform/bitmap.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    TMemoryStream input;
    fuzz::LoadInput(input, data, size);
    TBitmap bitmap;
    try {
        bitmap.LoadFromStream(input);
    } catch (const Exception&) {
        return 0;
    }
    if (std::uint64_t(bitmap.Width()) * std::uint64_t(bitmap.Height()) > fuzz::MaxPixelsToRender)
        return 0;
    TMemoryStream saved;
    bitmap.SaveToStream(saved);
    saved.SetPosition(0);
    TBitmap again;
    try {
        again.LoadFromStream(saved);
    } catch (const Exception&) {
        fuzz::Fault("a saved BMP does not load");
    }
    if (again.Width() != bitmap.Width() || again.Height() != bitmap.Height() ||
        again.PixelFormat() != bitmap.PixelFormat())
        fuzz::Fault("a saved BMP comes back with another size or format");
    for (int y = 0; y < bitmap.Height(); ++y)
        for (int x = 0; x < bitmap.Width(); ++x)
            if (again.GetPixel(x, y) != bitmap.GetPixel(x, y))
                fuzz::Fault("a saved BMP comes back with other pixels");
    return 0;
}
