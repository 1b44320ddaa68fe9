#include <gtest/gtest.h>

#include <set>
#include <string>

#include "color_test_util.h"
#include "gif/color_reduction.h"
#include "gif/gif_types.h"
#include "platform/bitmap.h"
#include "support/error_of.h"

using namespace kelvo::test;

namespace {

std::vector<TPaletteEntry> Entries(HPALETTE palette)
{
    std::vector<TPaletteEntry> entries(std::size_t(GetPaletteEntries(palette, 0, 0, nullptr)));
    GetPaletteEntries(palette, 0, int(entries.size()), entries.data());
    return entries;
}

struct TLookupCase {
    const char* Name;
    int Kind; // 0 monochrome, 1 grey, 2 web
    TRGB In;
    int Index;
    TRGB Out;
};

} // namespace

TEST(ColorLookup, ArithmeticLookupsAnswerIndexAndColour)
{
    const TLookupCase cases[] = {
        {"web pure red", 2, {255, 0, 0}, 180, {255, 0, 0}},
        {"web dark grey rounds down", 2, {24, 24, 24}, 0, {0, 0, 0}},
        {"web grey level one", 2, {48, 48, 48}, 43, {51, 51, 51}},
        {"web mixed", 2, {100, 200, 255}, 2 * 36 + 3 * 6 + 5, {102, 153, 255}},
        {"web rounds up three below a level", 2, {48, 99, 201}, 1 * 36 + 2 * 6 + 4, {51, 102, 204}},
        {"mono mid grey is white", 0, {128, 128, 128}, 1, {255, 255, 255}},
        {"mono just below is black", 0, {127, 127, 127}, 0, {0, 0, 0}},
        {"mono green weighs most", 0, {0, 255, 0}, 1, {255, 255, 255}},
        {"grey weighted", 1, {10, 20, 30}, 18, {18, 18, 18}},
        {"grey white", 1, {255, 255, 255}, 255, {255, 255, 255}},
    };
    TPaletteHolder web(WebPalette()), mono(CreateMonochromePalette()), grey(CreateGrayScalePalette());
    TNetscapeColorLookup webLookup(web.Get());
    TMonochromeLookup monoLookup(mono.Get());
    TGrayScaleLookup greyLookup(grey.Get());
    const auto webEntries = Entries(web.Get());
    const auto greyEntries = Entries(grey.Get());
    for (const TLookupCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TColorLookup& lookup = c.Kind == 0 ? static_cast<TColorLookup&>(monoLookup)
                               : c.Kind == 1 ? static_cast<TColorLookup&>(greyLookup)
                                             : static_cast<TColorLookup&>(webLookup);
        BYTE r = c.In.R, g = c.In.G, b = c.In.B;
        EXPECT_EQ(lookup.Lookup(r, g, b), c.Index);
        EXPECT_EQ(r, c.Out.R);
        EXPECT_EQ(g, c.Out.G);
        EXPECT_EQ(b, c.Out.B);
        // The written colour is the palette's own entry.
        const auto& entries = c.Kind == 1 ? greyEntries : webEntries;
        if (c.Kind != 0) {
            EXPECT_EQ(entries[std::size_t(c.Index)].peRed, c.Out.R);
            EXPECT_EQ(entries[std::size_t(c.Index)].peBlue, c.Out.B);
        }
    }
}

TEST(ColorLookup, FixedPalettes)
{
    TPaletteHolder web(WebPalette());
    const auto webEntries = Entries(web.Get());
    ASSERT_EQ(webEntries.size(), 216u);
    EXPECT_EQ(webEntries[180], (TPaletteEntry{255, 0, 0, 0}));
    EXPECT_EQ(webEntries[2 * 36 + 3 * 6 + 4], (TPaletteEntry{102, 153, 204, 0}));

    TPaletteHolder gray(CreateWindowsGrayPalette());
    const auto grayEntries = Entries(gray.Get());
    ASSERT_EQ(grayEntries.size(), 4u);
    EXPECT_EQ(grayEntries[1], (TPaletteEntry{0x80, 0x80, 0x80, 0x04}));
    EXPECT_EQ(grayEntries[2], (TPaletteEntry{0xC0, 0xC0, 0xC0, 0x04}));

    TPaletteHolder grey(CreateGrayScalePalette());
    EXPECT_EQ(Entries(grey.Get())[77], (TPaletteEntry{77, 77, 77, 0x04}));
    TPaletteHolder halftone(CreateWindowsHalftonePalette()), stock(CreateWindowsDefaultPalette());
    EXPECT_EQ(Entries(halftone.Get()).size(), 256u);
    EXPECT_EQ(Entries(stock.Get()).size(), 20u);
}

TEST(ColorLookup, FastLookupNearestByAbsoluteSumFirstWins)
{
    const TPaletteEntry entries[] = {
        {200, 0, 0, 0}, {0, 0, 100, 0}, {0, 100, 0, 0}, {100, 100, 100, 0}, {140, 140, 140, 0}};
    TPaletteHolder palette(CreatePalette(entries, 5));
    TFastColorLookup lookup(palette.Get());
    struct {
        TRGB In;
        int Index;
    } cases[] = {
        {{0, 50, 50}, 1},     // 1 and 2 both at distance 100: the first wins
        {{90, 90, 90}, 3},    // |10|*3 = 30 against 150 for entry 4
        {{190, 30, 30}, 0},
        {{140, 140, 140}, 4}, // exact
    };
    for (const auto& c : cases) {
        BYTE r = c.In.R, g = c.In.G, b = c.In.B;
        EXPECT_EQ(lookup.Lookup(r, g, b), c.Index) << int(c.In.R) << "," << int(c.In.G) << "," << int(c.In.B);
        EXPECT_EQ(r, entries[c.Index].peRed);
        EXPECT_EQ(g, entries[c.Index].peGreen);
        EXPECT_EQ(b, entries[c.Index].peBlue);
    }
}

TEST(ColorLookup, FastLookupSharesOneAnswerPerKey)
{
    // Entries 0 and 1 share a key; every colour of that key answers the first of them, even one
    // closer to the second.
    const TPaletteEntry entries[] = {{0, 0, 0, 0}, {7, 7, 7, 0}, {255, 255, 255, 0}};
    TPaletteHolder palette(CreatePalette(entries, 3));
    TFastColorLookup lookup(palette.Get());
    BYTE r = 7, g = 7, b = 7;
    EXPECT_EQ(lookup.Lookup(r, g, b), 0);
    // Colours differing only in the low three bits of each component always agree, whichever
    // of them is asked first.
    std::mt19937 random(5);
    const TPaletteEntry webish[] = {{10, 20, 30, 0}, {13, 22, 37, 0}, {200, 100, 50, 0}, {99, 99, 99, 0}};
    TPaletteHolder p2(CreatePalette(webish, 4));
    TFastColorLookup fast(p2.Get());
    for (int i = 0; i < 500; ++i) {
        const int base = int(random() & 0x7FFF);
        const BYTE r1 = BYTE((base & 31) << 3), g1 = BYTE(((base >> 5) & 31) << 3), b1 = BYTE(((base >> 10) & 31) << 3);
        BYTE ra = BYTE(r1 | (random() & 7)), ga = BYTE(g1 | (random() & 7)), ba = BYTE(b1 | (random() & 7));
        BYTE rb = BYTE(r1 | (random() & 7)), gb = BYTE(g1 | (random() & 7)), bb = BYTE(b1 | (random() & 7));
        ASSERT_EQ(fast.Lookup(ra, ga, ba), fast.Lookup(rb, gb, bb));
    }
}

TEST(ReduceColors, QuantizeKeepsFewColoursExactly)
{
    const TRGB colours[] = {{250, 10, 10}, {3, 140, 77}, {20, 20, 240}};
    const TBitmap source = MakeBitmap24(13, 7, [&](int x, int y) { return colours[(x + 2 * y) % 3]; });
    const auto result = ReduceColors(source, rmQuantize, dmFloydSteinberg, 8);
    ASSERT_EQ(result->PixelFormat(), pf8bit);
    ASSERT_EQ(result->Width(), 13);
    ASSERT_EQ(result->Height(), 7);
    const auto table = result->ColorTable();
    ASSERT_EQ(table.size(), 256u);
    std::set<int> seen;
    for (int y = 0; y < 7; ++y)
        for (int x = 0; x < 13; ++x) {
            const int index = result->ScanLine(y)[x];
            const TRGB want = colours[(x + 2 * y) % 3];
            ASSERT_LT(index, 3);
            EXPECT_EQ(table[std::size_t(index)].rgbRed, want.R);
            EXPECT_EQ(table[std::size_t(index)].rgbGreen, want.G);
            EXPECT_EQ(table[std::size_t(index)].rgbBlue, want.B);
            seen.insert(index);
        }
    EXPECT_EQ(seen.size(), 3u);
    for (std::size_t i = 3; i < 256; ++i)
        EXPECT_EQ(table[i], (TRGBQuad{0, 0, 0, 0})) << i;
}

TEST(ReduceColors, QuantizeNeverExceedsTheRequestedColours)
{
    const TBitmap source = RandomBitmap24(64, 48, 11);
    for (const int bits : {1, 4, 8}) {
        TPaletteHolder palette(CreateOptimizedPaletteFromBitmap(source, 1 << bits, 8, false));
        EXPECT_EQ(Entries(palette.Get()).size(), std::size_t(1) << bits);
        TColorQuantizer quantizer(1 << bits, 8);
        quantizer.ProcessImage(source);
        EXPECT_LE(quantizer.ColorCount(), 1 << bits);
        EXPECT_GE(quantizer.ColorCount(), 1);
        const auto result = ReduceColors(source, rmQuantize, dmNearest, bits);
        EXPECT_EQ(result->ColorTable().size(), std::size_t(1) << bits);
    }
    // One octree over several bitmaps sees the colours of all of them.
    const TBitmap red = MakeBitmap24(4, 4, [](int, int) { return TRGB{255, 0, 0}; });
    const TBitmap blue = MakeBitmap24(2, 9, [](int, int) { return TRGB{0, 0, 255}; });
    std::vector<TBitmap*> list{const_cast<TBitmap*>(&red), const_cast<TBitmap*>(&blue)};
    TPaletteHolder both(CreateOptimizedPaletteFromManyBitmaps(&list, 4, 8, false));
    const auto entries = Entries(both.Get());
    ASSERT_EQ(entries.size(), 4u);
    // Tree order: blue (child 1) before red (child 4).
    EXPECT_EQ(entries[0], (TPaletteEntry{0, 0, 255, 0}));
    EXPECT_EQ(entries[1], (TPaletteEntry{255, 0, 0, 0}));
    EXPECT_EQ(entries[2], (TPaletteEntry{0, 0, 0, 0}));
}

TEST(ReduceColors, QuantizeWindowsKeepsSystemColoursAtBothEnds)
{
    const TBitmap source = RandomBitmap24(40, 30, 3);
    const auto result = ReduceColors(source, rmQuantizeWindows, dmNearest, 8);
    const auto table = result->ColorTable();
    ASSERT_EQ(table.size(), 256u);
    const auto& system = DefaultPalette20();
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(table[std::size_t(i)].rgbRed, system[std::size_t(i)].peRed) << i;
        EXPECT_EQ(table[std::size_t(i)].rgbBlue, system[std::size_t(i)].peBlue) << i;
        EXPECT_EQ(table[std::size_t(246 + i)].rgbGreen, system[std::size_t(10 + i)].peGreen) << i;
        EXPECT_EQ(table[std::size_t(246 + i)].rgbRed, system[std::size_t(10 + i)].peRed) << i;
    }
}

TEST(ReduceColors, FixedPalettesGiveTheirTables)
{
    const TBitmap source = RandomBitmap24(9, 5, 8);
    struct {
        TColorReduction Reduction;
        std::size_t Entries;
    } cases[] = {{rmWindows20, 20}, {rmWindows256, 256}, {rmWindowsGray, 4}, {rmMonochrome, 2},
                 {rmGrayScale, 256}, {rmNetscape, 216}};
    for (const auto& c : cases) {
        const auto result = ReduceColors(source, c.Reduction, dmNearest, 8);
        EXPECT_EQ(result->PixelFormat(), pf8bit);
        EXPECT_EQ(result->ColorTable().size(), c.Entries) << c.Reduction;
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 9; ++x)
                ASSERT_LT(result->ScanLine(y)[x], c.Entries);
    }
    // rmNetscape maps exactly by the arithmetic rule.
    const auto web = ReduceColors(source, rmNetscape, dmNearest, 8);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 9; ++x) {
            const TRGB p = Pixel24(source, x, y);
            EXPECT_EQ(web->ScanLine(y)[x], (p.R + 3) / 51 * 36 + (p.G + 3) / 51 * 6 + (p.B + 3) / 51);
        }
    // A caller's palette is used as given.
    const TPaletteEntry two[] = {{0, 0, 0, 0}, {255, 255, 255, 0}};
    TPaletteHolder custom(CreatePalette(two, 2));
    const auto result = ReduceColors(source, rmPalette, dmNearest, 8, custom.Get());
    EXPECT_EQ(result->ColorTable().size(), 2u);
}

TEST(ReduceColors, NoneGivesA24BitCopy)
{
    const TBitmap source = RandomBitmap24(10, 3, 1);
    TBitmap source32(source);
    source32.SetPixelFormat(pf32bit);
    const auto copy = ReduceColors(source32, rmNone, dmNearest, 8);
    ASSERT_EQ(copy->PixelFormat(), pf24bit);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 10; ++x) {
            ASSERT_EQ(Pixel24(*copy, x, y).R, Pixel24(source, x, y).R);
            ASSERT_EQ(Pixel24(*copy, x, y).B, Pixel24(source, x, y).B);
        }
}

TEST(ReduceColors, RejectsBadArguments)
{
    const TBitmap source = RandomBitmap24(4, 4, 2);
    EXPECT_EQ(ErrorOf([&] { ReduceColors(source, rmPalette, dmNearest, 8); }), "Invalid reduction method");
    EXPECT_EQ(ErrorOf([&] { ReduceColors(source, TColorReduction(10), dmNearest, 8); }), "Invalid reduction method");
    EXPECT_EQ(ErrorOf([&] { ReduceColors(source, TColorReduction(-1), dmNearest, 8); }), "Invalid reduction method");
    EXPECT_EQ(ErrorOf([&] { ReduceColors(source, rmNetscape, TDitherMode(7), 8); }), "Invalid reduction method");
    for (const int bits : {0, 9, -3, 1000})
        EXPECT_EQ(ErrorOf([&] { ReduceColors(source, rmQuantize, dmNearest, bits); }), "Invalid Bits Per Pixel value")
            << bits;
    EXPECT_EQ(ErrorOf([&] { TColorQuantizer q(0, 8); }), "Invalid Bits Per Pixel value");
    EXPECT_EQ(ErrorOf([&] { TColorQuantizer q(256, 9); }), "Invalid Bits Per Pixel value");
    const TBitmap empty(0, 5, pf24bit);
    EXPECT_EQ(ErrorOf([&] { ReduceColors(empty, rmNetscape, dmNearest, 8); }), "Invalid image dimensions");
    EXPECT_EQ(ErrorOf([&] { CreateOptimizedPaletteFromManyBitmaps(nullptr, 256, 8, false); }), "Invalid bitmap list");
    std::vector<TBitmap*> none;
    EXPECT_EQ(ErrorOf([&] { CreateOptimizedPaletteFromManyBitmaps(&none, 256, 8, true); }), "Invalid bitmap list");
}
