#include "platform/icon_image.h"

#include <algorithm>
#include <cstring>

#include "platform/bitmap.h"
#include "platform/canvas.h"
#include "platform/dib.h"

namespace {

// Larger images are refused before anything is allocated for them.
constexpr std::uint64_t kMaxIconPixels = std::uint64_t(1) << 28;

const BYTE kPngSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};

[[noreturn]] void Bad(const std::string& why) { throw EInvalidGraphic("Invalid icon: " + why); }

DWORD Le32(const BYTE* p) { return DWORD(p[0]) | DWORD(p[1]) << 8 | DWORD(p[2]) << 16 | DWORD(p[3]) << 24; }
WORD Le16(const BYTE* p) { return WORD(p[0] | p[1] << 8); }
DWORD Be32(const BYTE* p) { return DWORD(p[0]) << 24 | DWORD(p[1]) << 16 | DWORD(p[2]) << 8 | DWORD(p[3]); }

// One image of the directory, described by its own header rather than by the directory,
// whose size and depth fields are often wrong (0 for 256, or a depth nobody checks).
struct TEntry {
    int index = 0;
    const BYTE* bytes = nullptr;
    std::size_t size = 0;
    bool png = false;
    std::int64_t width = 0;
    std::int64_t height = 0;
    int depth = 0;
};

TEntry Describe(int index, const BYTE* p, std::size_t size)
{
    TEntry e;
    e.index = index;
    e.bytes = p;
    e.size = size;
    if (size >= 8 && std::memcmp(p, kPngSignature, 8) == 0) {
        e.png = true;
        // The header chunk must come first: length 13, "IHDR".
        if (size < 8 + 8 + 13 || Be32(p + 8) != 13 || std::memcmp(p + 12, "IHDR", 4) != 0)
            Bad("PNG image without header");
        e.width = Be32(p + 16);
        e.height = Be32(p + 20);
        const int bitDepth = p[24], colorType = p[25];
        const int channels = colorType == 2 ? 3 : colorType == 4 ? 2 : colorType == 6 ? 4 : 1;
        e.depth = bitDepth * channels;
        return e;
    }
    if (size < 40)
        Bad("image header truncated");
    const DWORD headerSize = Le32(p);
    if (headerSize < 40 || headerSize > size)
        Bad("unknown image header");
    const std::int32_t w = std::int32_t(Le32(p + 4)), h = std::int32_t(Le32(p + 8));
    // The height counts the colour rows and the mask rows.
    if (w <= 0 || h < 2)
        Bad("invalid image size");
    e.width = w;
    e.height = h / 2;
    e.depth = Le16(p + 14);
    return e;
}

// A BMP image into B,G,R,A pixels, top row first.
void DecodeBmp(const TEntry& e, std::vector<BYTE>& out)
{
    const BYTE* p = e.bytes;
    const DWORD headerSize = Le32(p);
    const int bpp = e.depth;
    const DWORD compression = Le32(p + 16);
    if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32)
        Bad("unsupported bit count " + std::to_string(bpp));
    if (compression != BI_RGB)
        Bad("compressed images are not supported");
    const std::size_t w = std::size_t(e.width), h = std::size_t(e.height);
    if (std::uint64_t(w) * h > kMaxIconPixels)
        Bad("image too large");

    std::size_t pos = headerSize;
    std::vector<BYTE> table; // B,G,R per entry
    if (bpp <= 8) {
        const DWORD used = Le32(p + 32);
        const std::size_t colours = used ? used : std::size_t(1) << bpp;
        if (colours > 256)
            Bad("colour table too large");
        if ((e.size - pos) / 4 < colours)
            Bad("colour table truncated");
        table.assign((std::size_t(1) << bpp) * 3, 0); // indices beyond a short table show black
        for (std::size_t i = 0; i < colours && i < (std::size_t(1) << bpp); ++i)
            std::memcpy(&table[i * 3], p + pos + i * 4, 3);
        pos += colours * 4;
    }

    const std::size_t stride = std::size_t(DIBBytesPerRow(std::int64_t(w), bpp));
    // Divide rather than multiply so that no claimed size can overflow.
    if ((e.size - pos) / stride < h)
        Bad("pixel data truncated");
    const BYTE* colour = p + pos;
    pos += stride * h;
    // Some writers cut the mask short; missing mask rows are opaque.
    const std::size_t maskStride = std::size_t(DIBBytesPerRow(std::int64_t(w), 1));
    const std::size_t maskRows = std::min(h, (e.size - pos) / maskStride);
    const BYTE* mask = p + pos;

    out.assign(w * h * 4, 0);
    bool anyAlpha = false;
    for (std::size_t row = 0; row < h; ++row) { // file rows run bottom-up
        const BYTE* src = colour + row * stride;
        BYTE* dst = out.data() + (h - 1 - row) * w * 4;
        for (std::size_t x = 0; x < w; ++x, dst += 4) {
            switch (bpp) {
            case 1:
            case 4:
            case 8: {
                const std::size_t bit = x * std::size_t(bpp);
                const unsigned index = (src[bit / 8] >> (8 - bpp - bit % 8)) & ((1u << bpp) - 1);
                std::memcpy(dst, &table[index * 3], 3);
                dst[3] = 255;
                break;
            }
            case 16: {
                const unsigned v = Le16(src + x * 2);
                const auto five = [](unsigned c) { return BYTE((c << 3) | (c >> 2)); };
                dst[0] = five(v & 31);
                dst[1] = five((v >> 5) & 31);
                dst[2] = five((v >> 10) & 31);
                dst[3] = 255;
                break;
            }
            case 24:
                std::memcpy(dst, src + x * 3, 3);
                dst[3] = 255;
                break;
            default:
                std::memcpy(dst, src + x * 4, 4);
                anyAlpha = anyAlpha || dst[3] != 0;
                break;
            }
        }
    }
    // A 32-bit image with any alpha is drawn by its alpha alone; one whose alpha is all zero
    // was written for the mask.
    const bool useMask = bpp != 32 || !anyAlpha;
    for (std::size_t row = 0; useMask && row < h; ++row) {
        BYTE* dst = out.data() + (h - 1 - row) * w * 4;
        const BYTE* m = row < maskRows ? mask + row * maskStride : nullptr;
        for (std::size_t x = 0; x < w; ++x)
            dst[x * 4 + 3] = m && ((m[x / 8] >> (7 - x % 8)) & 1) ? 0 : 255;
    }
}

inline BYTE Blend(unsigned src, unsigned dst, unsigned alpha)
{
    return BYTE((src * alpha + dst * (255 - alpha) + 127) / 255);
}

} // namespace

TIcon::TIcon() = default;

TIcon::~TIcon() = default;

void TIcon::LoadFromStream(TStream& stream)
{
    std::vector<BYTE> data;
    const std::int64_t left = stream.Size() - stream.Position();
    if (left > 0) {
        data.resize(std::size_t(left));
        data.resize(std::size_t(stream.Read(data.data(), left)));
    }
    const std::size_t size = data.size();
    const BYTE* p = data.data();
    if (size < 6 || Le16(p) != 0 || (Le16(p + 2) != 1 && Le16(p + 2) != 2))
        Bad("not an icon file");
    const std::size_t count = Le16(p + 4);
    if (count == 0)
        Bad("no images");
    if ((size - 6) / 16 < count)
        Bad("directory truncated");

    TEntry best;
    bool found = false;
    for (std::size_t i = 0; i < count; ++i) {
        const BYTE* d = p + 6 + i * 16;
        const std::uint64_t bytes = Le32(d + 8), offset = Le32(d + 12);
        if (offset >= size || bytes > size - offset || bytes == 0)
            Bad("image " + std::to_string(i) + " lies outside the file");
        const TEntry e = Describe(int(i), p + offset, std::size_t(bytes));
        const std::uint64_t area = std::uint64_t(e.width) * std::uint64_t(e.height);
        const std::uint64_t bestArea = std::uint64_t(best.width) * std::uint64_t(best.height);
        if (!found || area > bestArea || (area == bestArea && e.depth > best.depth)) {
            best = e;
            found = true;
        }
    }
    if (std::uint64_t(best.width) * std::uint64_t(best.height) > kMaxIconPixels)
        Bad("image too large");

    std::vector<BYTE> pixels;
    std::shared_ptr<TGraphic> png;
    int width = int(best.width), height = int(best.height);
    if (best.png) {
        const TFileFormatEntry* format = TPicture::FindFileFormat("png");
        TGraphicFactory factory = format ? format->Factory : nullptr;
        if (!factory)
            Bad("no PNG picture class is registered");
        png = factory();
        TMemoryStream entry;
        entry.WriteBuffer(best.bytes, std::int64_t(best.size));
        entry.SetPosition(0);
        try {
            png->LoadFromStream(entry);
        } catch (const EInvalidGraphic&) {
            throw;
        } catch (const Exception& error) {
            // The PNG library has its own errors; to the icon's callers a bad image is a bad icon.
            Bad(error.Message);
        }
        width = png->Width();
        height = png->Height();
        if (width <= 0 || height <= 0)
            Bad("empty PNG image");
    } else {
        DecodeBmp(best, pixels);
    }

    data_ = std::move(data);
    width_ = width;
    height_ = height;
    bitsPerPixel_ = best.depth;
    imageIndex_ = best.index;
    pixels_ = std::move(pixels);
    png_ = std::move(png);
    Changed();
}

void TIcon::SaveToStream(TStream& stream) const
{
    stream.WriteBuffer(data_.data(), std::int64_t(data_.size()));
}

void TIcon::Assign(const TPersistent& source)
{
    if (const auto* other = dynamic_cast<const TIcon*>(&source)) {
        *this = *other;
        Changed();
        return;
    }
    TGraphic::Assign(source);
}

void TIcon::Draw(TCanvas& canvas, const TRect& rect) const
{
    if (Empty() || rect.IsEmpty())
        return;
    if (png_) {
        png_->Draw(canvas, rect);
        return;
    }
    TBitmap& target = canvas.Target();
    const int left = std::max(rect.Left, 0), top = std::max(rect.Top, 0);
    const int right = std::min(rect.Right, target.Width()), bottom = std::min(rect.Bottom, target.Height());
    const std::int64_t rw = rect.Width(), rh = rect.Height();
    for (int y = top; y < bottom; ++y) {
        const std::size_t sy = std::size_t((y - rect.Top) * std::int64_t(height_) / rh);
        const BYTE* row = pixels_.data() + sy * std::size_t(width_) * 4;
        for (int x = left; x < right; ++x) {
            const BYTE* s = row + std::size_t((x - rect.Left) * std::int64_t(width_) / rw) * 4;
            const unsigned alpha = s[3];
            if (alpha == 0)
                continue;
            if (alpha == 255) {
                target.SetPixel(x, y, RGB(s[2], s[1], s[0]));
                continue;
            }
            const TColor under = target.GetPixel(x, y);
            target.SetPixel(x, y, RGB(Blend(s[2], GetRValue(under), alpha), Blend(s[1], GetGValue(under), alpha),
                                      Blend(s[0], GetBValue(under), alpha)));
        }
    }
}
