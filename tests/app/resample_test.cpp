// Thumbnails: their size, place and white margins, and the B-spline scaler underneath.
#include "app/resample.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

#include "platform/canvas.h"

namespace {

constexpr int ThumbWidth = 168, ThumbHeight = 108;
const TColor Paint = RGB(10, 120, 230); // no two channels alike, so a swap shows

TBitmap Filled(int w, int h, TColor colour, TPixelFormat format = pf24bit)
{
    TBitmap b(w, h, format);
    b.Canvas().Brush().Color = colour;
    b.Canvas().FillRect(TRect{0, 0, w, h});
    return b;
}

// Where the picture landed: the bounding box of the pixels that are not white; every pixel
// inside it must be the paint, every one outside white.
::testing::AssertionResult LandsAt(const TBitmap& thumb, int x, int y, int w, int h)
{
    if (thumb.Width() != ThumbWidth || thumb.Height() != ThumbHeight || thumb.PixelFormat() != pf24bit)
        return ::testing::AssertionFailure() << "thumbnail is " << thumb.Width() << "x" << thumb.Height();
    for (int j = 0; j < ThumbHeight; ++j)
        for (int i = 0; i < ThumbWidth; ++i) {
            const bool inside = i >= x && i < x + w && j >= y && j < y + h;
            const TColor c = thumb.GetPixel(i, j);
            if (c != (inside ? Paint : clWhite))
                return ::testing::AssertionFailure() << "pixel (" << i << "," << j << ") is " << std::hex << c;
        }
    return ::testing::AssertionSuccess();
}

} // namespace

TEST(Thumbnail, SizeAndPlaceFollowTheRoundedScaleWithWhiteMargins)
{
    struct TCase {
        int w, h;       // picture
        int x, y, nw, nh; // where it lands
    } cases[] = {
        {640, 480, 12, 0, 143, 107},  // the single-precision scale leaves both sides one short
        {1000, 500, 0, 12, 167, 83},
        {100, 200, 57, 0, 54, 108},
        {800, 600, 12, 0, 144, 108},
        {336, 216, 0, 0, 168, 108},
        {100, 50, 34, 29, 100, 50},   // smaller in both directions: drawn unscaled
        {167, 107, 0, 0, 167, 107},
        {168, 50, 0, 29, 168, 50},    // as wide as the thumbnail: through the scaler at factor 1
        {170, 110, 1, 0, 166, 107},
        {200, 3, 0, 53, 168, 2},      // lower than the scaler's four taps
        {1, 400, 84, 0, 0, 108},      // one column scales to none: nothing but white
        {2000, 10, 0, 0, 0, 0},       // 167 x 0: white
        {0, 0, 0, 0, 0, 0},
    };
    for (const auto& c : cases) {
        const TBitmap picture = Filled(c.w, c.h, Paint);
        const auto thumb = MakeThumbnailBitmap(picture, ThumbWidth, ThumbHeight);
        EXPECT_TRUE(LandsAt(*thumb, c.x, c.y, c.nw, c.nh)) << c.w << "x" << c.h;
    }
}

TEST(Resample, UniformPicturesStayExactlyTheirColourAtAnySize)
{
    struct TCase {
        int sw, sh, dw, dh;
    } cases[] = {
        {640, 480, 143, 107}, {168, 50, 168, 50}, {1, 1, 5, 4}, {2, 3, 7, 2}, {3, 200, 2, 54}, {200, 3, 168, 2},
        {9, 9, 30, 30},
    };
    for (const TColor colour : {Paint, clBlack, clWhite}) {
        for (const auto& c : cases) {
            // A 32-bit source is read as the 24-bit picture it shows.
            const TBitmap source = Filled(c.sw, c.sh, colour, c.sw == 9 ? pf32bit : pf24bit);
            TBitmap dest(c.dw, c.dh, pf24bit);
            ResampleBicubic(dest, source);
            for (int y = 0; y < c.dh; ++y)
                for (int x = 0; x < c.dw; ++x)
                    ASSERT_EQ(dest.GetPixel(x, y), colour) << c.sw << "x" << c.sh << " -> " << c.dw << "x" << c.dh
                                                           << " at (" << x << "," << y << ")";
        }
    }
}

// At factor 1 the B-spline weighs 1/6, 4/6, 1/6: a one-pixel line softens symmetrically, and
// destination column 0 samples around source column 1, like column 1 does.
TEST(Resample, AOnePixelColumnAtFactorOneIsSoftenedSymmetrically)
{
    for (const int line : {4, 1}) {
        TBitmap source = Filled(9, 9, clWhite);
        for (int y = 0; y < 9; ++y)
            source.SetPixel(line, y, RGB(0, 0, 0));
        TBitmap dest(9, 9, pf24bit);
        ResampleBicubic(dest, source);
        for (int y = 0; y < 9; ++y) {
            auto red = [&](int x) { return int(GetRValue(dest.GetPixel(x, y))); };
            if (line == 4) {
                EXPECT_NEAR(red(4), 85, 1) << y;  // 255 * 2/6
                EXPECT_NEAR(red(3), 213, 1) << y; // 255 * 5/6
                EXPECT_EQ(red(3), red(5)) << y;
                for (int x : {0, 1, 7, 8})
                    EXPECT_EQ(red(x), 255) << x << "," << y;
            } else {
                EXPECT_NEAR(red(1), 85, 1) << y;
                EXPECT_EQ(red(0), red(1)) << y;
                EXPECT_NEAR(red(2), 213, 1) << y;
            }
            EXPECT_EQ(dest.GetPixel(2, y), dest.GetPixel(2, 0)) << "rows differ at " << y;
        }
    }
}

// A picture whose halves differ in every channel comes out with each channel in its own byte.
TEST(Resample, ChannelsKeepTheirBytes)
{
    TBitmap source = Filled(40, 40, RGB(250, 10, 0));
    source.Canvas().Brush().Color = RGB(0, 128, 255);
    source.Canvas().FillRect(TRect{20, 0, 40, 40});
    TBitmap dest(10, 10, pf24bit);
    ResampleBicubic(dest, source);
    EXPECT_EQ(dest.GetPixel(1, 5), RGB(250, 10, 0));
    EXPECT_EQ(dest.GetPixel(8, 5), RGB(0, 128, 255));
    const BYTE* row = dest.ScanLine(5);
    EXPECT_EQ(row[3 * 1 + 0], 0);   // blue byte first
    EXPECT_EQ(row[3 * 1 + 2], 250); // red byte last
}

namespace {

// The scaler written the slow, plain way: every value of the arithmetic in extended precision,
// rounded to single exactly where the scaler rounds. The real one takes shortcuts that must
// not change a byte.
using Ext = long double;
float Single(Ext v) { return float(v); }

float PlainKernel(float t)
{
    auto term = [](float u, int factor) { return u > 0 ? Single(Ext(u) * u * u * factor) : 0.0f; };
    const float a = Single(Ext(t) + 2), b = Single(Ext(t) + 1), d = Single(Ext(t) - 1);
    return Single(Ext(term(a, 1)) - term(b, 4) + term(t, 6) - term(d, 4));
}

void PlainResample(TBitmap& dest, const TBitmap& src)
{
    const int dw = dest.Width(), dh = dest.Height(), sw = src.Width(), sh = src.Height();
    const float xs = Single(Ext(sw) / dw), ys = Single(Ext(sh) / dh);
    for (int y = 0; y < dh; ++y) {
        const float sy = Single(Ext(y) * ys);
        int iy = int(sy);
        const float fy = Single(Ext(sy) - iy);
        iy = iy < 1 ? 1 : iy;
        iy = iy >= sh - 2 ? sh - 3 : iy;
        float wy[4];
        for (int m = -1; m <= 2; ++m)
            wy[m + 1] = Single(Ext(PlainKernel(Single(Ext(fy) - m))) * (Ext(1) / 36));
        for (int x = 0; x < dw; ++x) {
            const float sx = Single(Ext(x) * xs);
            int ix = int(sx);
            const float fx = Single(Ext(sx) - ix);
            ix = ix < 1 ? 1 : ix;
            ix = ix >= sw - 2 ? sw - 3 : ix;
            float wx[4];
            for (int n = -1; n <= 2; ++n)
                wx[n + 1] = PlainKernel(Single(Ext(n) - fx));
            float sums[3] = {0, 0, 0};
            for (int m = -1; m <= 2; ++m)
                for (int n = -1; n <= 2; ++n) {
                    const float w = Single(Ext(wx[n + 1]) * wy[m + 1]);
                    const BYTE* p = src.ScanLine(std::clamp(iy + m, 0, sh - 1)) + std::clamp(ix + n, 0, sw - 1) * 3;
                    for (int c = 2; c >= 0; --c)
                        sums[c] = Single(Ext(sums[c]) + Ext(p[c]) * w);
                }
            for (int c = 0; c < 3; ++c) {
                const Ext v = std::trunc(Ext(sums[c]) + 0.5L);
                dest.ScanLine(y)[x * 3 + c] = BYTE(v < 0 ? 0 : v > 255 ? 255 : v);
            }
        }
    }
}

TBitmap Noise(int w, int h, unsigned seed)
{
    TBitmap b(w, h, pf24bit);
    unsigned state = seed;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w * 3; ++x) {
            state = state * 1103515245u + 12345u;
            // Smooth areas and hard edges, dark and light: sums of every size.
            b.ScanLine(y)[x] = BYTE(((x / 3 + y) % 50 < 25 ? 0 : 200) + ((state >> 16) % 56));
        }
    return b;
}

} // namespace

TEST(Resample, EveryByteIsWhatThePlainArithmeticGives)
{
    struct TCase {
        int sw, sh, dw, dh;
    } cases[] = {{1920, 1080, 168, 94}, {640, 480, 143, 107}, {170, 110, 166, 107}, {37, 23, 11, 7},
                 {50, 50, 50, 50},      {5, 5, 13, 9},        {3, 2, 8, 8}};
    unsigned seed = 1;
    for (const auto& c : cases) {
        const TBitmap source = Noise(c.sw, c.sh, seed++);
        TBitmap ours(c.dw, c.dh, pf24bit), plain(c.dw, c.dh, pf24bit);
        ResampleBicubic(ours, source);
        PlainResample(plain, source);
        int differences = 0;
        for (int y = 0; y < c.dh; ++y)
            differences += std::memcmp(ours.ScanLine(y), plain.ScanLine(y), std::size_t(c.dw) * 3) != 0;
        EXPECT_EQ(differences, 0) << c.sw << "x" << c.sh << " -> " << c.dw << "x" << c.dh;
    }
}
