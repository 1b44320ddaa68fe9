#include <gtest/gtest.h>

#include <vector>

#include "color_test_util.h"
#include "gif/color_reduction.h"
#include "gif/dither.h"

using namespace kelvo::test;

namespace {

// A straightforward diffuser over whole-picture error arrays, written from the kernel tables
// independently of the engines' rotating rows.
struct TRefWeight {
    int Row, Offset, Weight;
};
struct TRefKernel {
    TDitherMode Mode;
    int Divisor;
    std::vector<TRefWeight> Weights;
};

const std::vector<TRefKernel>& RefKernels()
{
    static const std::vector<TRefKernel> kernels = {
        {dmFloydSteinberg, 16, {{0, 1, 7}, {1, -1, 3}, {1, 0, 5}, {1, 1, 1}}},
        {dmStucki, 42, {{0, 1, 8}, {0, 2, 4}, {1, -2, 2}, {1, -1, 4}, {1, 0, 8}, {1, 1, 4}, {1, 2, 2},
                        {2, -2, 1}, {2, -1, 2}, {2, 0, 4}, {2, 1, 2}, {2, 2, 1}}},
        {dmSierra, 32, {{0, 1, 5}, {0, 2, 3}, {1, -2, 2}, {1, -1, 4}, {1, 0, 5}, {1, 1, 4}, {1, 2, 2},
                        {2, -1, 2}, {2, 0, 3}, {2, 1, 2}}},
        {dmJaJuNI, 48, {{0, 1, 7}, {0, 2, 5}, {1, -2, 3}, {1, -1, 5}, {1, 0, 7}, {1, 1, 5}, {1, 2, 3},
                        {2, -2, 1}, {2, -1, 3}, {2, 0, 5}, {2, 1, 3}, {2, 2, 1}}},
        {dmSteveArche, 200, {{0, 2, 32}, {1, -3, 12}, {1, -1, 26}, {1, 1, 30}, {1, 3, 16},
                             {2, -2, 12}, {2, 0, 26}, {2, 2, 12},
                             {3, -3, 5}, {3, -1, 12}, {3, 1, 12}, {3, 3, 5}}},
        {dmBurkes, 32, {{0, 1, 8}, {0, 2, 4}, {1, -2, 2}, {1, -1, 4}, {1, 0, 8}, {1, 1, 4}, {1, 2, 2}}},
    };
    return kernels;
}

std::vector<int> ReferenceDither(const TBitmap& source, const TRefKernel& kernel, TColorLookup& lookup)
{
    const int w = source.Width(), h = source.Height();
    std::vector<int> error(std::size_t(w * h * 3), 0);
    std::vector<int> indices(std::size_t(w * h), -1);
    for (int y = 0; y < h; ++y) {
        const int d = y % 2 == 0 ? 1 : -1;
        for (int i = 0; i < w; ++i) {
            const int x = d == 1 ? i : w - 1 - i;
            const TRGB p = Pixel24(source, x, y);
            int value[3] = {p.R, p.G, p.B};
            for (int c = 0; c < 3; ++c) {
                value[c] += (error[std::size_t((y * w + x) * 3 + c)] + kernel.Divisor / 2) / kernel.Divisor;
                value[c] = value[c] < 0 ? 0 : value[c] > 255 ? 255 : value[c];
            }
            BYTE r = BYTE(value[0]), g = BYTE(value[1]), b = BYTE(value[2]);
            indices[std::size_t(y * w + x)] = lookup.Lookup(r, g, b);
            const int e[3] = {value[0] - r, value[1] - g, value[2] - b};
            for (const TRefWeight& wt : kernel.Weights) {
                const int tx = x + wt.Offset * d, ty = y + wt.Row;
                if (tx < 0 || tx >= w || ty >= h)
                    continue;
                for (int c = 0; c < 3; ++c)
                    error[std::size_t((ty * w + tx) * 3 + c)] += e[c] * wt.Weight;
            }
        }
    }
    return indices;
}

std::vector<int> Indices(const TBitmap& bitmap)
{
    std::vector<int> indices;
    for (int y = 0; y < bitmap.Height(); ++y)
        for (int x = 0; x < bitmap.Width(); ++x)
            indices.push_back(bitmap.ScanLine(y)[x]);
    return indices;
}

// Records the order in which pixels are asked for.
class TRecordingLookup final : public TColorLookup {
public:
    TRecordingLookup() : TColorLookup(nullptr) {}
    int Lookup(BYTE& red, BYTE&, BYTE&) override
    {
        Seen.push_back(red);
        return 0;
    }
    std::vector<int> Seen;
};

} // namespace

TEST(Dither, EveryEngineMatchesAPlainDiffuser)
{
    // Two palettes: the arithmetic web lookup and a searched four-grey palette.
    for (const auto& [width, height] : {std::pair{17, 9}, std::pair{1, 9}, std::pair{2, 5}}) {
        const TBitmap source = RandomBitmap24(width, height, unsigned(width * 100 + height));
        for (const TRefKernel& kernel : RefKernels()) {
            SCOPED_TRACE(testing::Message() << "mode " << kernel.Mode << " size " << width << "x" << height);
            TPaletteHolder web(WebPalette());
            TNetscapeColorLookup webLookup(web.Get());
            EXPECT_EQ(Indices(*ReduceColors(source, rmNetscape, kernel.Mode, 8)),
                      ReferenceDither(source, kernel, webLookup));
            TPaletteHolder gray(CreateWindowsGrayPalette());
            TFastColorLookup grayLookup(gray.Get());
            EXPECT_EQ(Indices(*ReduceColors(source, rmWindowsGray, kernel.Mode, 8)),
                      ReferenceDither(source, kernel, grayLookup));
        }
    }
}

TEST(Dither, NearestIsAPlainLookup)
{
    const TBitmap source = RandomBitmap24(17, 9, 4);
    TPaletteHolder gray(CreateWindowsGrayPalette());
    TFastColorLookup lookup(gray.Get());
    const auto result = ReduceColors(source, rmWindowsGray, dmNearest, 8);
    for (int y = 0; y < 9; ++y)
        for (int x = 0; x < 17; ++x) {
            TRGB p = Pixel24(source, x, y);
            EXPECT_EQ(result->ScanLine(y)[x], lookup.Lookup(p.R, p.G, p.B));
        }
}

TEST(Dither, WhiteStaysWhiteUnderEveryEngine)
{
    const TBitmap white = MakeBitmap24(23, 11, [](int, int) { return TRGB{255, 255, 255}; });
    for (int mode = dmNearest; mode <= dmBurkes; ++mode)
        for (const TColorReduction reduction : {rmNetscape, rmMonochrome, rmWindowsGray, rmGrayScale}) {
            const auto result = ReduceColors(white, reduction, TDitherMode(mode), 8);
            const auto table = result->ColorTable();
            for (const int index : Indices(*result))
                ASSERT_EQ(table[std::size_t(index)], (TRGBQuad{255, 255, 255, 0})) << mode << " " << reduction;
        }
}

TEST(Dither, MidGreyToMonochromeIsBalanced)
{
    const TBitmap grey = MakeBitmap24(40, 40, [](int, int) { return TRGB{128, 128, 128}; });
    for (int mode = dmFloydSteinberg; mode <= dmBurkes; ++mode) {
        int white = 0;
        for (const int index : Indices(*ReduceColors(grey, rmMonochrome, TDitherMode(mode), 8)))
            white += index;
        EXPECT_GT(white, 1600 * 45 / 100) << mode;
        EXPECT_LT(white, 1600 * 55 / 100) << mode;
    }
}

TEST(Dither, RowsAlternateDirection)
{
    for (int mode = dmNearest; mode <= dmBurkes; ++mode) {
        TRecordingLookup lookup;
        auto engine = CreateDitherEngine(TDitherMode(mode), 3, &lookup);
        std::vector<int> columns;
        for (int row = 0; row < 3; ++row) {
            for (int i = 0; i < 3; ++i) {
                columns.push_back(engine->Column);
                BYTE r = 0, g = 0, b = 0;
                engine->Dither(r, g, b);
            }
            engine->NextLine();
        }
        EXPECT_EQ(columns, (std::vector<int>{0, 1, 2, 2, 1, 0, 0, 1, 2})) << mode;
    }
}
