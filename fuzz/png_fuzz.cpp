// PNG files: load, read pixels, assign to a bitmap, save, and load what was saved, which must
// succeed with the same size; libpng must read the saved file too.
// fuzz-seeds: pngsuite
// fuzz-libs: kelvo_platform kelvo_png png
#include <png.h>

#include <vector>

#include "fuzz_util.h"
#include "platform/bitmap.h"
#include "png/pngimage.h"

namespace {

// Whether libpng decodes the whole file.
bool LibpngReads(const std::vector<BYTE>& bytes)
{
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, bytes.data(), bytes.size()))
        return false;
    image.format = PNG_FORMAT_RGBA;
    std::vector<png_byte> pixels(PNG_IMAGE_SIZE(image));
    const bool read = png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr) != 0;
    png_image_free(&image);
    return read;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    TMemoryStream input;
    fuzz::LoadInput(input, data, size);
    TPNGObject png;
    try {
        png.LoadFromStream(input);
    } catch (const Exception&) {
        return 0;
    }
    const int width = png.Width(), height = png.Height();
    if (std::uint64_t(width) * std::uint64_t(height) > fuzz::MaxPixelsToRender)
        return 0;

    // Every pixel of small pictures, a grid of larger ones, and the edges just outside.
    const int step = width * height > 65536 ? 17 : 1;
    std::uint64_t sum = 0;
    try {
        for (int y = -1; y <= height; y += (y < 0 || y + step > height) ? 1 : step)
            for (int x = -1; x <= width; x += (x < 0 || x + step > width) ? 1 : step)
                sum += png.GetPixels(x, y);
        TBitmap bitmap;
        bitmap.Assign(png);
        if (bitmap.Width() != width || bitmap.Height() != height)
            fuzz::Fault("the bitmap of a PNG has another size");
    } catch (const Exception&) {
        // A palette index past the palette is reported, not a fault.
    }
    (void)sum;

    TMemoryStream saved;
    try {
        png.SaveToStream(saved);
    } catch (const Exception&) {
        return 0;
    }
    saved.SetPosition(0);
    TPNGObject again;
    try {
        again.LoadFromStream(saved);
    } catch (const Exception&) {
        fuzz::Fault("a saved PNG does not load");
    }
    if (again.Width() != width || again.Height() != height)
        fuzz::Fault("a saved PNG comes back with another size");
    if (!LibpngReads(saved.Bytes()))
        fuzz::Fault("libpng refuses a saved PNG");
    return 0;
}
