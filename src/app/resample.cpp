#include "app/resample.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "platform/blit.h"
#include "platform/canvas.h"

// Thumbnails stored in projects made elsewhere must come out byte for byte the same, so every
// intermediate is kept in extended precision and rounded to single precision exactly where
// the scaler always rounded: arguments, weighted cubes, kernel values, weights and each step
// of the three sums. Nothing here may be rewritten in "equivalent" float arithmetic.

namespace {

using Ext = long double;

inline float Single(Ext v) { return static_cast<float>(v); }

// Cube of a positive part times factor, rounded once.
inline float Term(float u, int factor) { return u > 0 ? Single(Ext(u) * u * u * factor) : 0.0f; }

// Six times the cubic B-spline: R(0) = 4, R(+-1) = 1, R(+-2) = 0.
float Kernel(float t)
{
    const float a = Single(Ext(t) + 2), b = Single(Ext(t) + 1), d = Single(Ext(t) - 1);
    const float ta = Term(a, 1), tb = Term(b, 4), tc = Term(t, 6), td = Term(d, 4);
    return Single(Ext(ta) - tb + tc - td);
}

// The four taps of one destination row or column, limited to the picture.
struct TTaps {
    int index[4];
    float weight[4];
};

// Position i of the destination samples source position i * scale, no half-pixel shift. The
// integer part is kept one tap away from either edge, the fraction is not: the first row and
// column use weights 1/6, 4/6, 1/6 centred on source pixel 1.
TTaps Taps(int i, float scale, int sourceSize, bool rowWeights)
{
    const float s = Single(Ext(i) * scale);
    int base = int(s);
    const float f = Single(Ext(s) - base);
    if (base < 1)
        base = 1;
    if (base >= sourceSize - 2)
        base = sourceSize - 3;
    static const Ext oneThirtySixth = Ext(1) / 36;
    TTaps taps;
    for (int k = 0; k < 4; ++k) {
        const int n = k - 1;
        taps.index[k] = std::clamp(base + n, 0, sourceSize - 1);
        // Rows weigh R(f - n) / 36, columns R(n - f); R is symmetric, the roundings are not
        // quite, so each keeps its own form.
        taps.weight[k] = rowWeights ? Single(Ext(Kernel(Single(Ext(f) - n))) * oneThirtySixth)
                                    : Kernel(Single(Ext(n) - f));
    }
    return taps;
}

inline BYTE ToByte(float sum)
{
    const Ext v = std::trunc(Ext(sum) + 0.5L);
    return BYTE(v < 0 ? 0 : v > 255 ? 255 : v);
}

} // namespace

void ResampleBicubic(TBitmap& dest, const TBitmap& source)
{
    const int dw = dest.Width(), dh = dest.Height();
    const int sw = source.Width(), sh = source.Height();
    if (dw <= 0 || dh <= 0 || sw <= 0 || sh <= 0)
        return;
    if (dest.PixelFormat() != pf24bit)
        dest.SetPixelFormat(pf24bit);
    TBitmap converted;
    const TBitmap* src = &source;
    if (source.PixelFormat() != pf24bit) {
        converted = source;
        converted.SetPixelFormat(pf24bit);
        src = &converted;
    }

    const float xs = Single(Ext(sw) / dw), ys = Single(Ext(sh) / dh);
    // Column taps depend on x alone; working them out once per column gives the same values.
    std::vector<TTaps> columns(static_cast<std::size_t>(dw));
    for (int x = 0; x < dw; ++x)
        columns[std::size_t(x)] = Taps(x, xs, sw, false);

    for (int y = 0; y < dh; ++y) {
        const TTaps row = Taps(y, ys, sh, true);
        const BYTE* lines[4];
        for (int m = 0; m < 4; ++m)
            lines[m] = src->ScanLine(row.index[m]);
        BYTE* out = dest.ScanLine(y);
        for (int x = 0; x < dw; ++x) {
            const TTaps& col = columns[std::size_t(x)];
            float s2 = 0, s1 = 0, s0 = 0;
            for (int m = 0; m < 4; ++m) {
                const BYTE* line = lines[m];
                for (int n = 0; n < 4; ++n) {
                    const float w = Single(Ext(col.weight[n]) * row.weight[m]);
                    const BYTE* p = line + col.index[n] * 3;
                    s2 = Single(Ext(s2) + Ext(p[2]) * w);
                    s1 = Single(Ext(s1) + Ext(p[1]) * w);
                    s0 = Single(Ext(s0) + Ext(p[0]) * w);
                }
            }
            BYTE* d = out + x * 3;
            d[2] = ToByte(s2);
            d[1] = ToByte(s1);
            d[0] = ToByte(s0);
        }
    }
}

std::unique_ptr<TBitmap> MakeThumbnailBitmap(const TBitmap& picture, int thumbWidth, int thumbHeight)
{
    auto result = std::make_unique<TBitmap>(thumbWidth, thumbHeight, pf24bit);
    const int w = picture.Width(), h = picture.Height();
    if (w < thumbWidth && h < thumbHeight) {
        result->Canvas().Draw((thumbWidth - w) / 2, (thumbHeight - h) / 2, picture);
        return result;
    }
    const float rx = Single(Ext(w) / thumbWidth), ry = Single(Ext(h) / thumbHeight);
    const float s = rx > ry ? rx : ry;
    // The rounded s can make a side one pixel short of the thumbnail (640 x 480 gives 143 x 107).
    const int nw = std::min(int(double(w) / s), thumbWidth);
    const int nh = std::min(int(double(h) / s), thumbHeight);
    if (nw <= 0 || nh <= 0)
        return result;
    const int ox = thumbWidth > nw ? (thumbWidth - nw) / 2 : 0;
    const int oy = thumbHeight > nh ? (thumbHeight - nh) / 2 : 0;
    TBitmap scaled(nw, nh, pf24bit);
    ResampleBicubic(scaled, picture);
    BitBlt(*result, ox, oy, nw, nh, scaled, 0, 0, SRCCOPY);
    return result;
}
