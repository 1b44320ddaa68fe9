// Export to and import from device-independent bitmaps (header, colour table or masks, bits).
#include "platform/dib.h"

#include <cstring>
#include <limits>

#include "platform/bitmap.h"

namespace {

[[noreturn]] void Bad(const char* why) { throw EInvalidGraphic(std::string("Invalid bitmap: ") + why); }

template <typename T> T ReadAt(const BYTE* p)
{
    T v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

struct TMaskField {
    int shift = 0;
    int bits = 0;
};

// A mask must be one run of bits; masks must not overlap.
bool MaskField(DWORD mask, TMaskField& f)
{
    if (mask == 0)
        return false;
    f.shift = 0;
    while (!((mask >> f.shift) & 1))
        ++f.shift;
    const DWORD run = mask >> f.shift;
    if (run & (run + 1))
        return false;
    f.bits = 0;
    for (DWORD r = run; r; r >>= 1)
        ++f.bits;
    return true;
}

inline DWORD Scale(DWORD v, const TMaskField& f)
{
    v = (v >> f.shift) & ((f.bits >= 32 ? 0xFFFFFFFFu : (1u << f.bits) - 1));
    if (f.bits >= 8)
        return v >> (f.bits - 8);
    // Repeat the field's bits so that its maximum becomes 255.
    DWORD out = 0;
    int have = 0;
    while (have < 8) {
        out = (out << f.bits) | v;
        have += f.bits;
    }
    return out >> (have - 8);
}

} // namespace

std::vector<BYTE> TBitmap::SaveToDIB() const
{
    TBitmapInfoHeader h;
    h.biWidth = width_;
    h.biHeight = height_;
    h.biBitCount = WORD(bpp_);
    h.biCompression = kind_ == pk565 ? BI_BITFIELDS : BI_RGB;
    h.biSizeImage = DWORD(bits_.size());
    h.biClrUsed = bpp_ <= 8 ? DWORD(table_.size()) : 0;
    const std::size_t extra = kind_ == pk565 ? 12 : table_.size() * 4;
    std::vector<BYTE> out(sizeof h + extra + bits_.size());
    std::memcpy(out.data(), &h, sizeof h);
    BYTE* p = out.data() + sizeof h;
    if (kind_ == pk565) {
        const DWORD masks[3] = {0xF800, 0x07E0, 0x001F};
        std::memcpy(p, masks, 12);
    } else if (!table_.empty()) {
        std::memcpy(p, table_.data(), table_.size() * 4);
    }
    if (!bits_.empty())
        std::memcpy(p + extra, bits_.data(), bits_.size());
    return out;
}

void TBitmap::LoadFromDIB(const void* dib, std::size_t size)
{
    const BYTE* p = static_cast<const BYTE*>(dib);
    if (!p || size < 4)
        Bad("header missing");
    const DWORD headerSize = ReadAt<DWORD>(p);
    TBitmapInfoHeader h;
    int entrySize = 4;
    std::size_t offset = 0;
    DWORD masks[3] = {0, 0, 0};
    bool masksInHeader = false;
    if (headerSize == 12) {
        // The old core header: 16-bit sizes, three-byte colour entries.
        if (size < 12)
            Bad("header truncated");
        h.biWidth = ReadAt<WORD>(p + 4);
        h.biHeight = ReadAt<WORD>(p + 6);
        h.biPlanes = ReadAt<WORD>(p + 8);
        h.biBitCount = ReadAt<WORD>(p + 10);
        entrySize = 3;
        offset = 12;
    } else if (headerSize == 40 || headerSize == 52 || headerSize == 56 || headerSize == 108 ||
               headerSize == 124) {
        if (size < headerSize)
            Bad("header truncated");
        std::memcpy(&h, p, sizeof h);
        offset = headerSize;
        if (headerSize >= 52) {
            std::memcpy(masks, p + 40, 12);
            masksInHeader = true;
        }
    } else {
        Bad("unknown header size");
    }
    h.biSize = 40;
    std::vector<BYTE> extras;
    if (h.biCompression == BI_BITFIELDS) {
        if (masksInHeader) {
            extras.resize(12);
            std::memcpy(extras.data(), masks, 12);
        } else {
            if (size - offset < 12)
                Bad("masks truncated");
            extras.assign(p + offset, p + offset + 12);
            offset += 12;
        }
    }
    // Colour entries (widened to four bytes for the core header).
    std::int64_t colours = 0;
    if (h.biBitCount <= 8 && h.biBitCount > 0)
        colours = h.biClrUsed ? std::int64_t(h.biClrUsed) : (std::int64_t(1) << h.biBitCount);
    else if (h.biBitCount > 8)
        colours = h.biClrUsed;
    if (colours > 256)
        Bad("colour table too large");
    if (std::int64_t(size - offset) < colours * entrySize)
        Bad("colour table truncated");
    for (std::int64_t i = 0; i < colours; ++i) {
        const BYTE* e = p + offset + i * entrySize;
        extras.insert(extras.end(), {e[0], e[1], e[2], 0});
    }
    offset += std::size_t(colours * entrySize);
    LoadFromDIBParts(h, extras.data(), extras.size(), p + offset, size - offset);
}

void TBitmap::LoadFromDIBParts(const TBitmapInfoHeader& info, const void* masksAndColors,
                               std::size_t masksAndColorsSize, const void* bits, std::size_t bitsSize)
{
    const TBitmapInfoHeader& h = info;
    const int bpp = h.biBitCount;
    if (h.biPlanes != 1)
        Bad("plane count is not 1");
    if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32)
        Bad("unsupported bit count");
    if (h.biCompression != BI_RGB && !(h.biCompression == BI_BITFIELDS && (bpp == 16 || bpp == 32)))
        Bad("unsupported compression");
    if (h.biWidth < 0 || h.biHeight == std::numeric_limits<LONG>::min())
        Bad("invalid size");
    const int width = h.biWidth;
    const bool topDown = h.biHeight < 0;
    const int height = topDown ? -h.biHeight : h.biHeight;
    const std::int64_t srcStride = DIBBytesPerRow(width, bpp);
    // Divide rather than multiply: width and height together can overflow 64 bits.
    if ((height > 0 && std::int64_t(bitsSize) / height < srcStride) || (height > 0 && width > 0 && !bits))
        Bad("pixel data truncated");

    const BYTE* extra = static_cast<const BYTE*>(masksAndColors);
    std::size_t extraLeft = extra ? masksAndColorsSize : 0;
    TMaskField fields[3];
    TPixelFormat format;
    bool generic = false;
    if (h.biCompression == BI_BITFIELDS) {
        if (extraLeft < 12)
            Bad("masks missing");
        DWORD m[3];
        std::memcpy(m, extra, 12);
        extra += 12;
        extraLeft -= 12;
        for (int i = 0; i < 3; ++i)
            if (!MaskField(m[i], fields[i]) || (bpp == 16 && m[i] > 0xFFFF))
                Bad("invalid colour masks");
        if ((m[0] & m[1]) || (m[0] & m[2]) || (m[1] & m[2]))
            Bad("overlapping colour masks");
        if (bpp == 16 && m[0] == 0x7C00 && m[1] == 0x03E0 && m[2] == 0x001F)
            format = pf15bit;
        else if (bpp == 16 && m[0] == 0xF800 && m[1] == 0x07E0 && m[2] == 0x001F)
            format = pf16bit;
        else if (bpp == 32 && m[0] == 0xFF0000 && m[1] == 0xFF00 && m[2] == 0xFF)
            format = pf32bit;
        else {
            format = bpp == 16 ? pf24bit : pf32bit;
            generic = true;
        }
    } else {
        switch (bpp) {
        case 1: format = pf1bit; break;
        case 4: format = pf4bit; break;
        case 8: format = pf8bit; break;
        case 16: format = pf15bit; break;
        case 24: format = pf24bit; break;
        default: format = pf32bit; break;
        }
    }

    TBitmap result;
    result.SetPixelFormat(format);
    if (bpp <= 8) {
        const std::size_t count = std::min<std::size_t>(extraLeft / 4, std::size_t(1) << bpp);
        std::vector<TRGBQuad> table(count);
        if (count)
            std::memcpy(table.data(), extra, count * 4);
        for (auto& q : table)
            q.rgbReserved = 0;
        result.table_ = std::move(table);
        result.TableChanged();
    }
    result.SetSize(width, height);
    const BYTE* src = static_cast<const BYTE*>(bits);
    for (int y = 0; y < height && !result.bits_.empty(); ++y) {
        // Storage row r (bottom-up) comes from file row r, or from the mirrored one when top-down.
        const BYTE* from = src + std::size_t(topDown ? height - 1 - y : y) * std::size_t(srcStride);
        BYTE* to = result.bits_.data() + std::size_t(y) * result.stride_;
        if (!generic) {
            std::memcpy(to, from, std::size_t(std::min<std::int64_t>(srcStride, result.stride_)));
            continue;
        }
        for (int x = 0; x < width; ++x) {
            const DWORD v = bpp == 16 ? DWORD(ReadAt<WORD>(from + x * 2)) : ReadAt<DWORD>(from + x * 4);
            const DWORD r = Scale(v, fields[0]), g = Scale(v, fields[1]), b = Scale(v, fields[2]);
            BYTE* d = to + std::size_t(x) * (bpp == 16 ? 3 : 4);
            d[0] = BYTE(b);
            d[1] = BYTE(g);
            d[2] = BYTE(r);
            if (bpp == 32)
                d[3] = 0;
        }
    }
    result.transparent_ = transparent_;
    result.transparentMode_ = transparentMode_;
    result.transparentColor_ = transparentColor_;
    CopyFrom(result);
    Changed();
}
