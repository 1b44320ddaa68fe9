// TBitmap's own file format: reading every BMP variant that programs still write (Windows
// and OS/2 headers, V4/V5 headers, bit fields, RLE, top-down rows) and writing plain BMPs.
//
// A BMP header can claim anything, so nothing is allocated before the claim has been checked
// against the bytes the stream really holds, and every pixel written stays inside the image.
#include <algorithm>
#include <cstring>
#include <limits>
#include <memory>

#include "platform/bitmap.h"
#include "platform/graphic.h"

namespace {

constexpr std::int64_t kMaxPixels = std::int64_t(1) << 28;
// No device has ever had a density near this; a header that claims one is damaged.
constexpr std::int64_t kMaxPelsPerMeter = 10'000'000;
// Runs of an RLE bitmap produce at most 255 pixels from two bytes; an image far larger than
// its compressed data could ever describe is a header asking for memory it has no use for.
constexpr std::int64_t kMaxRlePixelsPerByte = 256;
constexpr DWORD BI_JPEG = 4;
constexpr DWORD BI_PNG = 5;
constexpr DWORD BI_ALPHABITFIELDS = 6;

[[noreturn]] void InvalidBitmap()
{
    throw EInvalidGraphic("Bitmap image is not valid");
}

WORD Get16(const BYTE* p) { return WORD(p[0] | (p[1] << 8)); }
DWORD Get32(const BYTE* p)
{
    return DWORD(p[0]) | (DWORD(p[1]) << 8) | (DWORD(p[2]) << 16) | (DWORD(p[3]) << 24);
}
std::int32_t GetInt32(const BYTE* p) { return std::int32_t(Get32(p)); }

// One colour channel of a bit-field pixel, scaled to 8 bits.
struct TChannel {
    DWORD Mask = 0;
    int Shift = 0;
    std::uint64_t Max = 0;

    explicit TChannel(DWORD mask) : Mask(mask)
    {
        if (mask == 0)
            return;
        while (((mask >> Shift) & 1u) == 0)
            ++Shift;
        Max = std::uint64_t(mask) >> Shift;
    }
    bool Contiguous() const { return Mask != 0 && (Max & (Max + 1)) == 0; }
    BYTE Get(DWORD pixel) const
    {
        const std::uint64_t v = (std::uint64_t(pixel) & Mask) >> Shift;
        return BYTE((v * 255 + Max / 2) / Max);
    }
};

struct TBmpInfo {
    DWORD HeaderSize = 0;
    bool Os2Core = false; // the 12-byte header: 16-bit sizes, 3-byte colour entries
    std::int64_t Width = 0;
    std::int64_t Height = 0; // always positive; TopDown tells the row order
    bool TopDown = false;
    int Planes = 1;
    int BitCount = 0;
    DWORD Compression = BI_RGB;
    DWORD SizeImage = 0;
    std::int64_t XPelsPerMeter = 0;
    std::int64_t YPelsPerMeter = 0;
    DWORD ClrUsed = 0;
    DWORD Masks[4] = {0, 0, 0, 0}; // red, green, blue, alpha
};

bool KnownHeaderSize(DWORD size)
{
    switch (size) {
    case 12:  // OS/2 1.x
    case 16:  // OS/2 2.x, shortest form
    case 40:  // Windows 3.x
    case 52:  // with the three colour masks in the header
    case 56:  // with the alpha mask too
    case 64:  // OS/2 2.x, full form
    case 108: // V4
    case 124: // V5
        return true;
    default:
        return false;
    }
}

TBmpInfo ParseInfo(const BYTE* h, DWORD headerSize)
{
    TBmpInfo info;
    info.HeaderSize = headerSize;
    std::int64_t height = 0;
    if (headerSize == 12) {
        info.Os2Core = true;
        info.Width = Get16(h + 4);
        height = Get16(h + 6);
        info.Planes = Get16(h + 8);
        info.BitCount = Get16(h + 10);
    } else {
        info.Width = GetInt32(h + 4);
        height = GetInt32(h + 8);
        info.Planes = Get16(h + 12);
        info.BitCount = Get16(h + 14);
        if (headerSize >= 40) {
            info.Compression = Get32(h + 16);
            info.SizeImage = Get32(h + 20);
            info.XPelsPerMeter = GetInt32(h + 24);
            info.YPelsPerMeter = GetInt32(h + 28);
            info.ClrUsed = Get32(h + 32);
        }
    }
    info.TopDown = height < 0;
    info.Height = height < 0 ? -height : height;
    return info;
}

// The pixel format a BMP of this kind is read into.
TPixelFormat FormatFor(const TBmpInfo& info, const TChannel& r, const TChannel& g, const TChannel& b)
{
    const bool fields = info.Compression == BI_BITFIELDS || info.Compression == BI_ALPHABITFIELDS;
    switch (info.BitCount) {
    case 1: return pf1bit;
    case 2:
    case 4: return pf4bit;
    case 8: return pf8bit;
    case 16:
        if (!fields || (r.Mask == 0x7C00 && g.Mask == 0x03E0 && b.Mask == 0x001F))
            return pf15bit;
        if (r.Mask == 0xF800 && g.Mask == 0x07E0 && b.Mask == 0x001F)
            return pf16bit;
        return pf24bit;
    case 24: return pf24bit;
    default: return pf32bit;
    }
}

// RLE8 and RLE4 into one index byte per pixel, bottom row first. Pixels the data never
// reaches (cut-off data, deltas) keep index 0.
void DecodeRle(const BYTE* p, std::size_t n, bool rle4, std::int64_t w, std::int64_t h,
               int colors, std::vector<BYTE>& out)
{
    std::size_t i = 0;
    std::int64_t x = 0, y = 0;
    // Runs that pass the end of the row are cut there: some writers encode the row padding
    // as part of the last run, and the platform's own reader simply drops it.
    auto put = [&](BYTE v) {
        if (x >= w)
            return;
        if (v >= colors)
            InvalidBitmap();
        out[std::size_t(y * w + x)] = v;
        ++x;
    };
    while (i + 1 < n) {
        const BYTE count = p[i];
        const BYTE value = p[i + 1];
        i += 2;
        if (count != 0) {
            if (y >= h)
                InvalidBitmap();
            for (int k = 0; k < count && x < w; ++k)
                put(rle4 ? BYTE((k & 1) ? value & 0x0F : value >> 4) : value);
        } else if (value == 0) { // end of line
            x = 0;
            ++y;
        } else if (value == 1) { // end of bitmap
            return;
        } else if (value == 2) { // delta
            if (i + 2 > n)
                return;
            x += p[i];
            y += p[i + 1];
            i += 2;
            if (x > w || y > h)
                InvalidBitmap();
        } else { // a literal run of `value` pixels, padded to a whole word
            const std::size_t bytes = rle4 ? (value + 1u) / 2u : value;
            if (i + bytes > n)
                return;
            if (y >= h)
                InvalidBitmap();
            for (int k = 0; k < value && x < w; ++k)
                put(rle4 ? BYTE((p[i + std::size_t(k) / 2] >> ((k & 1) ? 0 : 4)) & 0x0F)
                         : p[i + std::size_t(k)]);
            i += (bytes + 1) & ~std::size_t(1);
        }
    }
}

} // namespace

void TBitmap::LoadFromStream(TStream& stream)
{
    const std::int64_t start = stream.Position();
    const std::int64_t available = stream.Size() - start;

    BYTE head[14 + 124] = {};
    if (available < 18)
        InvalidBitmap();
    stream.ReadBuffer(head, 18);
    if (head[0] != 'B' || head[1] != 'M')
        InvalidBitmap();
    const DWORD fileSize = Get32(head + 2);
    const DWORD offBits = Get32(head + 10);
    const DWORD headerSize = Get32(head + 14);
    if (!KnownHeaderSize(headerSize) || 14 + std::int64_t(headerSize) > available)
        InvalidBitmap();
    // A file size smaller than the header is a common writer's slip; a larger one than
    // the data at hand means the file was cut short.
    if (std::int64_t(fileSize) > available)
        InvalidBitmap();
    stream.ReadBuffer(head + 18, headerSize - 4);

    TBmpInfo info = ParseInfo(head + 14, headerSize);
    const bool fields = info.Compression == BI_BITFIELDS || info.Compression == BI_ALPHABITFIELDS;
    const bool rle = info.Compression == BI_RLE8 || info.Compression == BI_RLE4;

    // An empty picture has no rows to read, and its size guards below would pass anything.
    if (info.Planes != 1 || info.Width <= 0 || info.Height <= 0)
        InvalidBitmap();
    if (info.Width * info.Height > kMaxPixels)
        InvalidBitmap();
    if (info.XPelsPerMeter > kMaxPelsPerMeter || info.XPelsPerMeter < -kMaxPelsPerMeter ||
        info.YPelsPerMeter > kMaxPelsPerMeter || info.YPelsPerMeter < -kMaxPelsPerMeter)
        InvalidBitmap();
    // OS/2 2.x uses compression 3 and 4 for its own Huffman and RLE24 codings; JPEG and PNG
    // payloads are for printers.
    if (headerSize == 64 && (info.Compression == 3 || info.Compression == 4))
        InvalidBitmap();
    switch (info.Compression) {
    case BI_RGB:
        if (info.BitCount != 1 && info.BitCount != 2 && info.BitCount != 4 && info.BitCount != 8 &&
            info.BitCount != 16 && info.BitCount != 24 && info.BitCount != 32)
            InvalidBitmap();
        if (info.Os2Core && (info.BitCount == 2 || info.BitCount == 16 || info.BitCount == 32))
            InvalidBitmap();
        break;
    case BI_RLE8:
        if (info.BitCount != 8 || info.TopDown)
            InvalidBitmap();
        break;
    case BI_RLE4:
        if (info.BitCount != 4 || info.TopDown)
            InvalidBitmap();
        break;
    case BI_BITFIELDS:
    case BI_ALPHABITFIELDS:
        if (info.BitCount != 16 && info.BitCount != 32)
            InvalidBitmap();
        break;
    case BI_JPEG:
    case BI_PNG:
    default:
        InvalidBitmap();
    }

    // Masks sit right after a 40-byte header, inside the longer ones: the same place.
    std::int64_t tableStart = 14 + headerSize;
    if (fields) {
        const int count = info.Compression == BI_ALPHABITFIELDS || headerSize >= 56 ? 4 : 3;
        if (headerSize == 40)
            tableStart += 4 * count;
        if (54 + 4 * count > available)
            InvalidBitmap();
        BYTE masks[16] = {};
        stream.SetPosition(start + 54);
        stream.ReadBuffer(masks, 4 * count);
        for (int k = 0; k < count; ++k)
            info.Masks[k] = Get32(masks + 4 * k);
    }
    const TChannel red(info.Masks[0]), green(info.Masks[1]), blue(info.Masks[2]),
        alpha(info.Masks[3]);
    if (fields) {
        const std::uint64_t limit = info.BitCount == 16 ? 0xFFFF : 0xFFFFFFFF;
        const DWORD all = info.Masks[0] | info.Masks[1] | info.Masks[2] | info.Masks[3];
        if (!red.Contiguous() || !green.Contiguous() || !blue.Contiguous() ||
            (info.Masks[3] != 0 && !alpha.Contiguous()) || all > limit)
            InvalidBitmap();
        if ((info.Masks[0] & info.Masks[1]) || (info.Masks[0] & info.Masks[2]) ||
            (info.Masks[1] & info.Masks[2]) ||
            (info.Masks[3] & (info.Masks[0] | info.Masks[1] | info.Masks[2])))
            InvalidBitmap();
    }

    // The colour table.
    std::vector<TRGBQuad> table;
    if (info.BitCount <= 8) {
        const std::int64_t entry = info.Os2Core ? 3 : 4;
        const std::int64_t depthColors = std::int64_t(1) << info.BitCount;
        std::int64_t colors = info.ClrUsed == 0 ? depthColors : std::int64_t(info.ClrUsed);
        if (colors > depthColors)
            InvalidBitmap();
        // Some writers store fewer entries than the depth and say so only by where the
        // pixels start.
        if (offBits > tableStart && tableStart + colors * entry > offBits)
            colors = (offBits - tableStart) / entry;
        if (colors <= 0 || tableStart + colors * entry > available)
            InvalidBitmap();
        std::vector<BYTE> raw(static_cast<std::size_t>(colors * entry));
        stream.SetPosition(start + tableStart);
        stream.ReadBuffer(raw.data(), std::int64_t(raw.size()));
        table.resize(std::size_t(colors));
        for (std::size_t k = 0; k < table.size(); ++k) {
            const BYTE* e = raw.data() + k * std::size_t(entry);
            table[k] = TRGBQuad{e[0], e[1], e[2], 0};
        }
        tableStart += colors * entry;
    }
    if (offBits < tableStart)
        InvalidBitmap();

    // The pixel data, checked against what is there before anything is allocated for it.
    const std::int64_t w = info.Width, h = info.Height;
    const std::int64_t fileStride = DIBBytesPerRow(w, info.BitCount);
    std::int64_t dataSize = 0;
    if (rle) {
        dataSize = info.SizeImage != 0 ? std::int64_t(info.SizeImage) : available - offBits;
        if (dataSize < 0 || w * h > std::max<std::int64_t>(dataSize, 1) * kMaxRlePixelsPerByte)
            InvalidBitmap();
    } else {
        dataSize = fileStride * h;
        if (info.SizeImage != 0 && std::int64_t(info.SizeImage) > available - std::int64_t(offBits))
            InvalidBitmap();
    }
    if (std::int64_t(offBits) + dataSize > available)
        InvalidBitmap();
    std::vector<BYTE> data(static_cast<std::size_t>(dataSize));
    stream.SetPosition(start + offBits);
    stream.ReadBuffer(data.data(), dataSize);

    TBitmap image;
    const TPixelFormat format = FormatFor(info, red, green, blue);
    image.SetPixelFormat(format);
    image.SetSize(int(w), int(h));
    if (!table.empty())
        image.SetColorTable(table);
    const int colors = int(table.size());
    auto checkIndex = [colors](unsigned index) {
        if (index >= unsigned(colors))
            InvalidBitmap();
    };
    // File row r is image row y counted from the top.
    auto rowOf = [&](std::int64_t r) { return int(info.TopDown ? r : h - 1 - r); };

    if (rle) {
        std::vector<BYTE> indices(std::size_t(w * h), 0);
        DecodeRle(data.data(), data.size(), info.Compression == BI_RLE4, w, h, colors, indices);
        for (std::int64_t r = 0; r < h; ++r) {
            const BYTE* src = indices.data() + r * w;
            BYTE* dst = image.ScanLine(rowOf(r));
            if (format == pf8bit) {
                std::memcpy(dst, src, std::size_t(w));
            } else {
                std::memset(dst, 0, std::size_t(image.BytesPerScanLine()));
                for (std::int64_t x = 0; x < w; ++x)
                    dst[x / 2] |= BYTE((x & 1) ? src[x] : src[x] << 4);
            }
        }
    } else if (info.BitCount == 2) {
        for (std::int64_t r = 0; r < h; ++r) {
            const BYTE* src = data.data() + r * fileStride;
            BYTE* dst = image.ScanLine(rowOf(r));
            std::memset(dst, 0, std::size_t(image.BytesPerScanLine()));
            for (std::int64_t x = 0; x < w; ++x) {
                const unsigned v = (src[x / 4] >> (6 - 2 * (x % 4))) & 3u;
                checkIndex(v);
                dst[x / 2] |= BYTE((x & 1) ? v : v << 4);
            }
        }
    } else if (format == pf24bit && info.BitCount == 16) {
        for (std::int64_t r = 0; r < h; ++r) {
            const BYTE* src = data.data() + r * fileStride;
            BYTE* dst = image.ScanLine(rowOf(r));
            for (std::int64_t x = 0; x < w; ++x, dst += 3) {
                const DWORD v = Get16(src + 2 * x);
                dst[0] = blue.Get(v);
                dst[1] = green.Get(v);
                dst[2] = red.Get(v);
            }
        }
    } else if (info.BitCount == 32 && fields &&
               !(info.Masks[0] == 0xFF0000 && info.Masks[1] == 0xFF00 && info.Masks[2] == 0xFF)) {
        for (std::int64_t r = 0; r < h; ++r) {
            const BYTE* src = data.data() + r * fileStride;
            BYTE* dst = image.ScanLine(rowOf(r));
            for (std::int64_t x = 0; x < w; ++x, dst += 4) {
                const DWORD v = Get32(src + 4 * x);
                dst[0] = blue.Get(v);
                dst[1] = green.Get(v);
                dst[2] = red.Get(v);
                dst[3] = 0;
            }
        }
    } else {
        // The file's rows are already this format's rows.
        const std::size_t rowBytes = std::size_t(std::min<std::int64_t>(fileStride, image.BytesPerScanLine()));
        for (std::int64_t r = 0; r < h; ++r) {
            const BYTE* src = data.data() + r * fileStride;
            std::memcpy(image.ScanLine(rowOf(r)), src, rowBytes);
            if (info.BitCount <= 8 && colors < (1 << info.BitCount)) {
                const int bits = info.BitCount;
                for (std::int64_t x = 0; x < w; ++x) {
                    const std::int64_t bit = x * bits;
                    checkIndex((src[bit / 8] >> (8 - bits - bit % 8)) & ((1u << bits) - 1));
                }
            }
        }
    }

    // The picture is replaced; how it is drawn transparently stays the caller's choice.
    const bool transparent = Transparent();
    const TTransparentMode mode = TransparentMode();
    const TColor fixedColor = mode == tmFixed ? TransparentColor() : clDefault;
    *this = image;
    SetTransparent(transparent);
    if (mode == tmFixed)
        SetTransparentColor(fixedColor);
    else
        SetTransparentMode(tmAuto);
    stream.SetPosition(start + std::max<std::int64_t>(offBits + dataSize, fileSize));
    Changed();
}

void TBitmap::SaveToStream(TStream& stream) const
{
    const std::vector<BYTE> dib = SaveToDIB();
    TBitmapInfoHeader info;
    if (dib.size() < sizeof info)
        throw EInvalidGraphic("Bitmap image is not valid");
    std::memcpy(&info, dib.data(), sizeof info);
    DWORD colors = info.biClrUsed;
    if (colors == 0 && info.biBitCount <= 8)
        colors = 1u << info.biBitCount;
    const DWORD masks = info.biCompression == BI_BITFIELDS ? 12 : 0;
    TBitmapFileHeader file;
    file.bfSize = DWORD(sizeof file + dib.size());
    file.bfOffBits = DWORD(sizeof file) + info.biSize + masks + colors * 4;
    stream.WriteBuffer(&file, sizeof file);
    stream.WriteBuffer(dib.data(), std::int64_t(dib.size()));
}
