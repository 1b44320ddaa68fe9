#include "app/resample.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/blit.h"
#include "platform/canvas.h"

// A thumbnail must come out byte for byte the same whatever the compiler or machine, so every
// intermediate behaves as if held in extended precision and is rounded to single precision
// exactly where the scaler always rounded: arguments, weighted cubes, kernel values, weights
// and each step of the three sums. The fast paths for the sums give the same singles (see
// OffTheFastPath); nothing here may be rewritten in "equivalent" float arithmetic.

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

// trunc(sum + 0.5): a single plus one half is exact in double precision.
inline BYTE ToByte(float sum)
{
    const double v = std::trunc(double(sum) + 0.5);
    return BYTE(v < 0 ? 0 : v > 255 ? 255 : v);
}

// Rounding an exact value to double and then to single gives the single that rounding it to
// extended and then to single gives, unless the double lies exactly on the midpoint between
// two singles while the exact value does not (the extended value may then lie off it, to
// either side), or it is too small for singles to keep their precision. Those rare sums are
// done again in extended precision. Exact midpoints are common (two singles of one binade
// often add up to one), so the rounding error is looked at for midpoints only.
constexpr std::uint64_t kMidpointMask = 0x1FFFFFFFull, kMidpoint = 0x10000000ull;
constexpr std::uint64_t kAbsMask = 0x7FFFFFFFFFFFFFFFull;
constexpr std::uint64_t kTinyLess1 = (std::uint64_t(1023 - 100) << 52) - 1; // below 2^-100, but 0 is fine

inline double SumError(double s, double t, double d)
{
    const double back = d - s;
    return (s - (d - back)) + (t - back);
}

inline bool OffTheFastPath(double s, double t, double d)
{
    std::uint64_t bits;
    std::memcpy(&bits, &d, sizeof bits);
    if ((bits & kAbsMask) - 1 < kTinyLess1)
        return true;
    return (bits & kMidpointMask) == kMidpoint && SumError(s, t, d) != 0;
}

// The three sums of destination pixels x .. x + K - 1 of one row, in the fixed order of taps.
// Products of two singles, and of a byte and a single, are exact in double precision as they
// were in extended. With Extended false each sum is rounded through double, and the result is
// false when some sum left the fast path; with Extended true every sum goes through extended.
template <int K, bool Extended>
bool Sums(float (&sums)[K][3], const double (&weights)[16][K], const int* const (&index)[K],
          const BYTE* const lines[4])
{
    bool fast = true;
    for (int k = 0; k < K; ++k)
        sums[k][0] = sums[k][1] = sums[k][2] = 0;
    for (int m = 0; m < 4; ++m) {
        const BYTE* line = lines[m];
        for (int n = 0; n < 4; ++n) {
            // Several pixels at once: each sum is a chain of dependent roundings, and the
            // chains of different pixels can overlap.
            for (int k = 0; k < K; ++k) {
                const double w = weights[m * 4 + n][k];
                const BYTE* p = line + index[k][n] * 3;
                for (int c = 2; c >= 0; --c) {
                    const double t = p[c] * w;
                    if constexpr (Extended) {
                        sums[k][c] = Single(Ext(sums[k][c]) + t);
                    } else {
                        const double d = double(sums[k][c]) + t;
                        fast &= !OffTheFastPath(sums[k][c], t, d);
                        sums[k][c] = float(d);
                    }
                }
            }
        }
    }
    return fast;
}

// The fast sums of four pixels at once, one pixel a lane, in the same order of taps. On
// processors that have them, the wider vector instructions are chosen at run time. Not under
// ThreadSanitizer: the clones' resolver runs while the loader relocates the program, before
// the sanitizer's runtime is set up, and its instrumented code crashes there. That build
// takes the default clone, the same arithmetic.
#if defined(__GNUC__) && defined(__x86_64__) && !defined(__SANITIZE_THREAD__)
#define KELVO_VECTOR_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define KELVO_VECTOR_CLONES
#endif

typedef double TLanes __attribute__((vector_size(32)));
typedef float TSingleLanes __attribute__((vector_size(16)));
typedef std::uint64_t TBitLanes __attribute__((vector_size(32)));

// Byte values as doubles, looked up: cheaper than converting each byte.
constexpr std::array<double, 256> kByteValues = [] {
    std::array<double, 256> values{};
    for (int i = 0; i < 256; ++i)
        values[std::size_t(i)] = i;
    return values;
}();

KELVO_VECTOR_CLONES
bool FastSums4(float (&sums)[4][3], const double (&weights)[16][4], const int* const (&index)[4],
               const BYTE* const lines[4])
{
    TSingleLanes acc[3] = {};
    TBitLanes off = {};
    const TBitLanes midMask = {kMidpointMask, kMidpointMask, kMidpointMask, kMidpointMask};
    const TBitLanes mid = {kMidpoint, kMidpoint, kMidpoint, kMidpoint};
    const TBitLanes absMask = {kAbsMask, kAbsMask, kAbsMask, kAbsMask};
    const TBitLanes tiny = {kTinyLess1, kTinyLess1, kTinyLess1, kTinyLess1};
    for (int m = 0; m < 4; ++m) {
        const BYTE* line = lines[m];
        for (int n = 0; n < 4; ++n) {
            const int j = m * 4 + n;
            TLanes w;
            std::memcpy(&w, weights[j], sizeof w);
            const BYTE* p0 = line + index[0][n] * 3;
            const BYTE* p1 = line + index[1][n] * 3;
            const BYTE* p2 = line + index[2][n] * 3;
            const BYTE* p3 = line + index[3][n] * 3;
            for (int c = 2; c >= 0; --c) {
                const TLanes v = {kByteValues[p0[c]], kByteValues[p1[c]], kByteValues[p2[c]], kByteValues[p3[c]]};
                const TLanes s = __builtin_convertvector(acc[c], TLanes);
                const TLanes t = v * w;
                const TLanes d = s + t;
                TBitLanes bits;
                std::memcpy(&bits, &d, sizeof bits);
                off |= (TBitLanes)(((bits & absMask) - 1) < tiny);
                // The rounding error matters on midpoints only; worked out for every lane, it
                // costs less than finding out whether a lane needs it.
                const TLanes back = d - s;
                const TLanes error = (s - (d - back)) + (t - back);
                off |= (TBitLanes)((bits & midMask) == mid) & (TBitLanes)(error != 0);
                acc[c] = __builtin_convertvector(d, TSingleLanes);
            }
        }
    }
    for (int k = 0; k < 4; ++k)
        for (int c = 0; c < 3; ++c)
            sums[k][c] = acc[c][k];
    return (off[0] | off[1] | off[2] | off[3]) == 0;
}

template <int K>
void Pixels(BYTE* out, int x, const TTaps* columns, const TTaps& row, const BYTE* const lines[4])
{
    // Tap-major, so that the weights of one tap for all K pixels lie side by side.
    double weights[16][K];
    const int* index[K];
    for (int k = 0; k < K; ++k) {
        index[k] = columns[x + k].index;
        for (int m = 0; m < 4; ++m)
            for (int n = 0; n < 4; ++n)
                weights[m * 4 + n][k] = Single(double(columns[x + k].weight[n]) * double(row.weight[m]));
    }
    float sums[K][3];
    bool fast;
    if constexpr (K == 4)
        fast = FastSums4(sums, weights, index, lines);
    else
        fast = Sums<K, false>(sums, weights, index, lines);
    if (!fast)
        Sums<K, true>(sums, weights, index, lines);
    for (int k = 0; k < K; ++k) {
        BYTE* d = out + (x + k) * 3;
        d[2] = ToByte(sums[k][2]);
        d[1] = ToByte(sums[k][1]);
        d[0] = ToByte(sums[k][0]);
    }
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

    std::vector<const BYTE*> sourceRows(static_cast<std::size_t>(sh));
    for (int y = 0; y < sh; ++y)
        sourceRows[std::size_t(y)] = src->ScanLine(y);
    std::vector<BYTE*> destRows(static_cast<std::size_t>(dh));
    for (int y = 0; y < dh; ++y)
        destRows[std::size_t(y)] = dest.ScanLine(y);

    auto rows = [&](int from, int to) {
        for (int y = from; y < to; ++y) {
            const TTaps row = Taps(y, ys, sh, true);
            const BYTE* lines[4];
            for (int m = 0; m < 4; ++m)
                lines[m] = sourceRows[std::size_t(row.index[m])];
            BYTE* out = destRows[std::size_t(y)];
            int x = 0;
            for (; x + 4 <= dw; x += 4)
                Pixels<4>(out, x, columns.data(), row, lines);
            for (; x < dw; ++x)
                Pixels<1>(out, x, columns.data(), row, lines);
        }
    };

    rows(0, dh);
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
