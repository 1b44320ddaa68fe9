#include "platform/blit.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

enum TRop { rCopy, rPaint, rAnd, rInvert, rErase, rNotCopy, rNotErase, rMergePaint, rDstInvert, rBlack, rWhite, rBad };

TRop Classify(DWORD rop)
{
    switch (rop) {
    case SRCCOPY: return rCopy;
    case SRCPAINT: return rPaint;
    case SRCAND: return rAnd;
    case SRCINVERT: return rInvert;
    case SRCERASE: return rErase;
    case NOTSRCCOPY: return rNotCopy;
    case NOTSRCERASE: return rNotErase;
    case MERGEPAINT: return rMergePaint;
    case DSTINVERT: return rDstInvert;
    case BLACKNESS: return rBlack;
    case WHITENESS: return rWhite;
    default: return rBad;
    }
}

bool UsesSource(TRop r) { return r != rDstInvert && r != rBlack && r != rWhite; }
bool UsesDest(TRop r) { return r != rCopy && r != rNotCopy && r != rBlack && r != rWhite; }

// One row of a raster operation over B,G,R,0 words; d is read for the operations that use it.
void ApplyRop(TRop rop, const DWORD* s, DWORD* d, int n)
{
    constexpr DWORD M = 0x00FFFFFF;
    switch (rop) {
    case rCopy: std::memcpy(d, s, std::size_t(n) * 4); break;
    case rPaint: for (int i = 0; i < n; ++i) d[i] = s[i] | d[i]; break;
    case rAnd: for (int i = 0; i < n; ++i) d[i] = s[i] & d[i]; break;
    case rInvert: for (int i = 0; i < n; ++i) d[i] = s[i] ^ d[i]; break;
    case rErase: for (int i = 0; i < n; ++i) d[i] = s[i] & ~d[i] & M; break;
    case rNotCopy: for (int i = 0; i < n; ++i) d[i] = ~s[i] & M; break;
    case rNotErase: for (int i = 0; i < n; ++i) d[i] = ~(s[i] | d[i]) & M; break;
    case rMergePaint: for (int i = 0; i < n; ++i) d[i] = (~s[i] & M) | d[i]; break;
    case rDstInvert: for (int i = 0; i < n; ++i) d[i] = ~d[i] & M; break;
    case rBlack: std::fill(d, d + n, 0u); break;
    case rWhite: std::fill(d, d + n, M); break;
    case rBad: break;
    }
}

// The pixels one axis of a blit touches: destination positions lo..lo+n-1 in ascending order,
// and for each the source position it takes. A negative extent counts from the origin
// backwards (origin, origin-1, ...); the origin of the destination takes the origin of the
// source, and every destination pixel takes the nearest source pixel.
struct TAxis {
    int lo = 0;
    std::vector<int> src;
    bool Empty() const { return src.empty(); }
};

TAxis MapAxis(int d0, int dExt, int dSize, int s0, int sExt, int sSize, bool useSource)
{
    TAxis axis;
    const std::int64_t dn = dExt < 0 ? -std::int64_t(dExt) : dExt;
    const std::int64_t sn = sExt < 0 ? -std::int64_t(sExt) : sExt;
    if (dn == 0 || (useSource && sn == 0))
        return axis;
    const int dStep = dExt < 0 ? -1 : 1;
    const int sStep = sExt < 0 ? -1 : 1;
    // Steps t whose destination position lies inside the bitmap.
    std::int64_t tFirst, tEnd;
    if (dStep > 0) {
        tFirst = std::max<std::int64_t>(0, -std::int64_t(d0));
        tEnd = std::min<std::int64_t>(dn, std::int64_t(dSize) - d0);
    } else {
        tFirst = std::max<std::int64_t>(0, std::int64_t(d0) - dSize + 1);
        tEnd = std::min<std::int64_t>(dn, std::int64_t(d0) + 1);
    }
    std::vector<std::pair<int, int>> pairs;
    if (tEnd > tFirst)
        pairs.reserve(std::size_t(tEnd - tFirst));
    for (std::int64_t t = tFirst; t < tEnd; ++t) {
        const int d = int(d0 + t * dStep);
        int s = 0;
        if (useSource) {
            const std::int64_t u = dn == sn ? t : ((2 * t + 1) * sn) / (2 * dn);
            const std::int64_t sp = s0 + u * sStep;
            if (sp < 0 || sp >= sSize)
                continue; // no source pixel: the destination pixel stays as it is
            s = int(sp);
        }
        pairs.emplace_back(d, s);
    }
    if (pairs.empty())
        return axis;
    if (dStep < 0)
        std::reverse(pairs.begin(), pairs.end());
    // Skipped source positions can only sit at the ends, so the destination run is contiguous.
    axis.lo = pairs.front().first;
    axis.src.reserve(pairs.size());
    for (const auto& p : pairs)
        axis.src.push_back(p.second);
    return axis;
}

bool SameTables(const TBitmap& a, const TBitmap& b)
{
    if (a.BitsPerPixel() > 8)
        return true;
    return a.TableSize() == b.TableSize() &&
           (a.TableSize() == 0 || std::memcmp(a.TableBGRX(), b.TableBGRX(), std::size_t(a.TableSize()) * 4) == 0);
}

bool Blit(TBitmap& dst, int x, int y, int w, int h, const TBitmap& srcIn, int sx, int sy, int sw, int sh,
          DWORD ropCode, bool transparent, DWORD transparentBGRX)
{
    const TRop rop = Classify(ropCode);
    if (rop == rBad)
        return false;
    const bool useSource = UsesSource(rop);
    const TAxis cols = MapAxis(x, w, dst.Width(), sx, sw, srcIn.Width(), useSource);
    const TAxis rows = MapAxis(y, h, dst.Height(), sy, sh, srcIn.Height(), useSource);
    if (cols.Empty() || rows.Empty())
        return true;

    // In place: read from a copy of the source so that no pixel is read after it was written.
    std::unique_ptr<TBitmap> copy;
    if (useSource && &srcIn == &dst)
        copy = std::make_unique<TBitmap>(srcIn);
    const TBitmap& src = copy ? *copy : srcIn;

    const int n = int(cols.src.size());
    const TPixelKind dk = dst.Kind();
    const TPixelKind sk = src.Kind();
    const int sMin = *std::min_element(cols.src.begin(), cols.src.end());
    const int sMax = *std::max_element(cols.src.begin(), cols.src.end());
    bool contiguous = true;
    for (int i = 1; i < n && contiguous; ++i)
        contiguous = cols.src[std::size_t(i)] == cols.src[0] + i;

    // Same layout and colours, plain copy: move the stored pixels themselves.
    if (useSource && rop == rCopy && !transparent && dk == sk && SameTables(dst, src)) {
        const int bytes = KindBits(dk) / 8;
        for (std::size_t r = 0; r < rows.src.size(); ++r) {
            const BYTE* from = src.ScanLine(rows.src[r]);
            BYTE* to = dst.ScanLine(rows.lo + int(r));
            if (contiguous) {
                CopyPixels(dk, from, cols.src[0], to, cols.lo, n);
            } else if (bytes > 0) {
                BYTE* t = to + std::ptrdiff_t(cols.lo) * bytes;
                const int* sc = cols.src.data();
                switch (bytes) {
                case 1: for (int i = 0; i < n; ++i) t[i] = from[sc[i]]; break;
                case 2: for (int i = 0; i < n; ++i, t += 2) std::memcpy(t, from + std::ptrdiff_t(sc[i]) * 2, 2); break;
                case 3: for (int i = 0; i < n; ++i, t += 3) std::memcpy(t, from + std::ptrdiff_t(sc[i]) * 3, 3); break;
                default: for (int i = 0; i < n; ++i, t += 4) std::memcpy(t, from + std::ptrdiff_t(sc[i]) * 4, 4); break;
                }
            } else {
                for (int i = 0; i < n; ++i)
                    PutIndex(dk, to, cols.lo + i, GetIndex(dk, from, cols.src[std::size_t(i)]));
            }
        }
        return true;
    }

    // A plain copy between the true-colour layouts, straight from row to row.
    if (useSource && rop == rCopy && !transparent && contiguous && IsTrueColourPair(sk, dk)) {
        for (std::size_t r = 0; r < rows.src.size(); ++r)
            ConvertTrueColourPixels(sk, src.ScanLine(rows.src[r]), cols.src[0], dst.ScanLine(rows.lo + int(r)),
                                    cols.lo, n);
        return true;
    }

    TNearestIndex nearest(dst.TableBGRX(), dst.TableSize());
    TNearestIndex* finder = dst.BitsPerPixel() <= 8 ? &nearest : nullptr;
    std::vector<DWORD> srcSpan(useSource ? std::size_t(sMax - sMin + 1) : 0);
    std::vector<DWORD> s(static_cast<std::size_t>(n)), d(static_cast<std::size_t>(n));
    const bool readDest = UsesDest(rop) || transparent;
    int decodedRow = -1;
    for (std::size_t r = 0; r < rows.src.size(); ++r) {
        BYTE* to = dst.ScanLine(rows.lo + int(r));
        if (useSource) {
            if (rows.src[r] != decodedRow) {
                decodedRow = rows.src[r];
                DecodeRow(sk, src.ScanLine(decodedRow), sMin, sMax - sMin + 1, src.TableBGRX(), src.TableSize(),
                          srcSpan.data());
            }
            for (int i = 0; i < n; ++i)
                s[std::size_t(i)] = srcSpan[std::size_t(cols.src[std::size_t(i)] - sMin)];
        }
        if (readDest)
            DecodeRow(dk, to, cols.lo, n, dst.TableBGRX(), dst.TableSize(), d.data());
        if (transparent) {
            for (int i = 0; i < n; ++i)
                if (s[std::size_t(i)] != transparentBGRX)
                    d[std::size_t(i)] = s[std::size_t(i)];
        } else {
            ApplyRop(rop, s.data(), d.data(), n);
        }
        EncodeRow(dk, to, cols.lo, n, d.data(), finder);
    }
    return true;
}

} // namespace

bool BitBlt(TBitmap& dst, int x, int y, int w, int h, const TBitmap& src, int sx, int sy, DWORD rop)
{
    return Blit(dst, x, y, w, h, src, sx, sy, w, h, rop, false, 0);
}

bool StretchBlt(TBitmap& dst, int x, int y, int w, int h, const TBitmap& src, int sx, int sy, int sw, int sh,
                DWORD rop)
{
    return Blit(dst, x, y, w, h, src, sx, sy, sw, sh, rop, false, 0);
}

bool TransparentStretchBlt(TBitmap& dst, int x, int y, int w, int h, const TBitmap& src, int sx, int sy,
                           int sw, int sh, TColor transparent)
{
    DWORD key = ColorToBGRX(ColorToRGB(transparent));
    if (src.Kind() == pk555 || src.Kind() == pk565) {
        // A 15/16-bit bitmap cannot hold every colour; its pixels match the key as stored.
        BYTE stored[2];
        EncodeRow(src.Kind(), stored, 0, 1, &key, nullptr);
        DecodeRow(src.Kind(), stored, 0, 1, nullptr, 0, &key);
    }
    return Blit(dst, x, y, w, h, src, sx, sy, sw, sh, SRCCOPY, true, key);
}

bool StretchDIBits(TBitmap& dst, int x, int y, int w, int h, int sx, int sy, int sw, int sh, const void* bits,
                   const TBitmapInfoHeader* info, const TRGBQuad* colors, DWORD rop)
{
    if (!info)
        return false;
    if (!UsesSource(Classify(rop))) {
        TBitmap none;
        return Blit(dst, x, y, w, h, none, sx, sy, sw, sh, rop, false, 0);
    }
    if (!bits || info->biWidth < 0 || info->biBitCount == 0 || info->biBitCount > 32)
        return false;
    const std::int64_t height = info->biHeight < 0 ? -std::int64_t(info->biHeight) : info->biHeight;
    const std::int64_t stride = DIBBytesPerRow(info->biWidth, info->biBitCount);
    if (height > 0 && stride > (std::int64_t(1) << 30) / height)
        return false;
    const std::int64_t bitsSize = stride * height;
    // The masks or the colour table follow the header unless given apart.
    const BYTE* extra = colors ? reinterpret_cast<const BYTE*>(colors)
                               : reinterpret_cast<const BYTE*>(info) + (info->biSize ? info->biSize : 40);
    std::size_t extraSize = 0;
    std::vector<BYTE> masks;
    if (info->biCompression == BI_BITFIELDS) {
        if (!colors && info->biSize >= 52) {
            masks.assign(reinterpret_cast<const BYTE*>(info) + 40, reinterpret_cast<const BYTE*>(info) + 52);
            extra = masks.data();
        }
        extraSize = 12;
    } else if (info->biBitCount <= 8) {
        extraSize = std::size_t(info->biClrUsed && info->biClrUsed <= 256 ? info->biClrUsed : 1u << info->biBitCount) * 4;
    }
    try {
        TBitmap source;
        TBitmapInfoHeader h0 = *info;
        h0.biSize = 40;
        source.LoadFromDIBParts(h0, extra, extraSize, bits, std::size_t(bitsSize));
        return Blit(dst, x, y, w, h, source, sx, sy, sw, sh, rop, false, 0);
    } catch (const Exception&) {
        return false;
    }
}
