#include "platform/pixel_convert.h"

#include <cstring>

namespace {

inline DWORD Expand5(DWORD v) { return (v << 3) | (v >> 2); }
inline DWORD Expand6(DWORD v) { return (v << 2) | (v >> 4); }

} // namespace

void DecodeRow(TPixelKind kind, const BYTE* row, int x, int count, const DWORD* table, int tableSize,
               DWORD* out)
{
    switch (kind) {
    case pk1:
    case pk4:
    case pk8:
        for (int i = 0; i < count; ++i) {
            const int index = GetIndex(kind, row, x + i);
            out[i] = index < tableSize ? table[index] : 0;
        }
        break;
    case pk555: {
        const BYTE* p = row + std::ptrdiff_t(x) * 2;
        for (int i = 0; i < count; ++i, p += 2) {
            const DWORD v = DWORD(p[0]) | (DWORD(p[1]) << 8);
            out[i] = Expand5(v & 0x1F) | (Expand5((v >> 5) & 0x1F) << 8) | (Expand5((v >> 10) & 0x1F) << 16);
        }
        break;
    }
    case pk565: {
        const BYTE* p = row + std::ptrdiff_t(x) * 2;
        for (int i = 0; i < count; ++i, p += 2) {
            const DWORD v = DWORD(p[0]) | (DWORD(p[1]) << 8);
            out[i] = Expand5(v & 0x1F) | (Expand6((v >> 5) & 0x3F) << 8) | (Expand5((v >> 11) & 0x1F) << 16);
        }
        break;
    }
    case pk24: {
        const BYTE* p = row + std::ptrdiff_t(x) * 3;
        for (int i = 0; i < count; ++i, p += 3)
            out[i] = DWORD(p[0]) | (DWORD(p[1]) << 8) | (DWORD(p[2]) << 16);
        break;
    }
    case pk32: {
        const BYTE* p = row + std::ptrdiff_t(x) * 4;
        for (int i = 0; i < count; ++i, p += 4)
            out[i] = DWORD(p[0]) | (DWORD(p[1]) << 8) | (DWORD(p[2]) << 16);
        break;
    }
    }
}

TNearestIndex::TNearestIndex(const DWORD* table, int size)
    : table_(table, table + size), keys_(4096, 0), values_(4096, 0)
{
}

int NearestBGRX(const DWORD* table, int size, DWORD c)
{
    const int b = int(c & 0xFF), g = int((c >> 8) & 0xFF), r = int((c >> 16) & 0xFF);
    int best = 0;
    int bestDist = 0x7FFFFFFF;
    for (int i = 0; i < size; ++i) {
        const DWORD t = table[i];
        const int db = int(t & 0xFF) - b, dg = int((t >> 8) & 0xFF) - g, dr = int((t >> 16) & 0xFF) - r;
        const int dist = dr * dr + dg * dg + db * db;
        if (dist < bestDist) {
            bestDist = dist;
            best = i;
            if (dist == 0)
                break;
        }
    }
    return best;
}

void EncodeRow(TPixelKind kind, BYTE* row, int x, int count, const DWORD* in, TNearestIndex* nearest)
{
    switch (kind) {
    case pk1:
    case pk4:
    case pk8:
        if (kind == pk8) {
            BYTE* p = row + x;
            for (int i = 0; i < count; ++i)
                p[i] = BYTE(nearest ? nearest->Find(in[i]) : 0);
        } else {
            for (int i = 0; i < count; ++i)
                PutIndex(kind, row, x + i, nearest ? nearest->Find(in[i]) : 0);
        }
        break;
    case pk555: {
        BYTE* p = row + std::ptrdiff_t(x) * 2;
        for (int i = 0; i < count; ++i, p += 2) {
            const DWORD c = in[i];
            const DWORD v = ((c >> 3) & 0x1F) | (((c >> 11) & 0x1F) << 5) | (((c >> 19) & 0x1F) << 10);
            p[0] = BYTE(v);
            p[1] = BYTE(v >> 8);
        }
        break;
    }
    case pk565: {
        BYTE* p = row + std::ptrdiff_t(x) * 2;
        for (int i = 0; i < count; ++i, p += 2) {
            const DWORD c = in[i];
            const DWORD v = ((c >> 3) & 0x1F) | (((c >> 10) & 0x3F) << 5) | (((c >> 19) & 0x1F) << 11);
            p[0] = BYTE(v);
            p[1] = BYTE(v >> 8);
        }
        break;
    }
    case pk24: {
        BYTE* p = row + std::ptrdiff_t(x) * 3;
        for (int i = 0; i < count; ++i, p += 3) {
            const DWORD c = in[i];
            p[0] = BYTE(c);
            p[1] = BYTE(c >> 8);
            p[2] = BYTE(c >> 16);
        }
        break;
    }
    case pk32: {
        BYTE* p = row + std::ptrdiff_t(x) * 4;
        for (int i = 0; i < count; ++i, p += 4) {
            const DWORD c = in[i] & 0x00FFFFFF;
            std::memcpy(p, &c, 4);
        }
        break;
    }
    }
}

void ConvertTrueColourPixels(TPixelKind from, const BYTE* src, int sx, BYTE* dst, int dx, int count)
{
    if (count <= 0)
        return;
    // A word at a time; the last pixel byte by byte, as its word would reach past the row.
    if (from == pk24) {
        const BYTE* s = src + std::ptrdiff_t(sx) * 3;
        BYTE* d = dst + std::ptrdiff_t(dx) * 4;
        for (int i = 0; i + 1 < count; ++i, s += 3, d += 4) {
            std::uint32_t v;
            std::memcpy(&v, s, 4);
            v &= 0x00FFFFFFu;
            std::memcpy(d, &v, 4);
        }
        const std::uint32_t last = std::uint32_t(s[0]) | (std::uint32_t(s[1]) << 8) | (std::uint32_t(s[2]) << 16);
        std::memcpy(d, &last, 4);
    } else {
        const BYTE* s = src + std::ptrdiff_t(sx) * 4;
        BYTE* d = dst + std::ptrdiff_t(dx) * 3;
        for (int i = 0; i + 1 < count; ++i, s += 4, d += 3)
            std::memcpy(d, s, 4); // the fourth byte is overwritten by the next pixel
        d[0] = s[0];
        d[1] = s[1];
        d[2] = s[2];
    }
}

void CopyPixels(TPixelKind kind, const BYTE* src, int sx, BYTE* dst, int dx, int count)
{
    if (count <= 0)
        return;
    const int bits = KindBits(kind);
    if (bits >= 8) {
        const int bytes = bits / 8;
        std::memmove(dst + std::ptrdiff_t(dx) * bytes, src + std::ptrdiff_t(sx) * bytes,
                     std::size_t(count) * bytes);
        return;
    }
    const int perByte = 8 / bits;
    if (sx % perByte == 0 && dx % perByte == 0) {
        const int whole = count / perByte;
        std::memmove(dst + dx / perByte, src + sx / perByte, std::size_t(whole));
        for (int i = whole * perByte; i < count; ++i)
            PutIndex(kind, dst, dx + i, GetIndex(kind, src, sx + i));
        return;
    }
    if (src == dst && dx > sx) {
        for (int i = count - 1; i >= 0; --i)
            PutIndex(kind, dst, dx + i, GetIndex(kind, src, sx + i));
    } else {
        for (int i = 0; i < count; ++i)
            PutIndex(kind, dst, dx + i, GetIndex(kind, src, sx + i));
    }
}
