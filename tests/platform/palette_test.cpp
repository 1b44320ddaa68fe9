#include "platform/graphics.h"

#include <gtest/gtest.h>

namespace {

TEST(Palette, EntriesNearestSearchAndOwnership)
{
    const TPaletteEntry e[4] = {{0, 0, 0, 0}, {200, 0, 0, 0}, {0, 0, 200, 0}, {200, 0, 0, 0}};
    HPALETTE p = CreatePalette(e, 4);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(GetPaletteEntries(p, 0, 0, nullptr), 4);
    TPaletteEntry out[4] = {};
    EXPECT_EQ(GetPaletteEntries(p, 2, 10, out), 2);
    EXPECT_EQ(out[0], e[2]);
    EXPECT_EQ(GetPaletteEntries(p, 4, 1, out), 0);
    EXPECT_EQ(GetNearestPaletteIndex(p, RGB(255, 10, 10)), 1); // first of two equals
    EXPECT_EQ(GetNearestPaletteIndex(p, clBlack), 0);
    HPALETTE q = CopyPalette(p);
    DeleteObject(p);
    EXPECT_EQ(GetPaletteEntries(q, 0, 0, nullptr), 4);
    DeleteObject(q);
    EXPECT_EQ(CreatePalette(e, 257), nullptr);
    HPALETTE none = CreatePalette(nullptr, 0);
    EXPECT_EQ(GetNearestPaletteIndex(none, clRed), -1);
    // Squared distance, not the sum of differences: (70,70,0) away beats (100,0,0) away.
    const TPaletteEntry xy[2] = {{0, 70, 0, 0}, {30, 0, 0, 0}};
    HPALETTE two = CreatePalette(xy, 2);
    EXPECT_EQ(GetNearestPaletteIndex(two, RGB(100, 70, 0)), 1);
    DeleteObject(two);
    DeleteObject(none);
    DeleteObject(nullptr);
}

TEST(Palette, StockAndHalftonePalettes)
{
    HPALETTE stock = GetStockDefaultPalette();
    EXPECT_EQ(stock, GetStockDefaultPalette());
    DeleteObject(stock); // never freed
    TPaletteEntry s[20];
    ASSERT_EQ(GetPaletteEntries(stock, 0, 20, s), 20);
    EXPECT_EQ(s[0], (TPaletteEntry{0, 0, 0, 0}));
    EXPECT_EQ(s[7], (TPaletteEntry{192, 192, 192, 0}));
    EXPECT_EQ(s[8], (TPaletteEntry{192, 220, 192, 0}));
    EXPECT_EQ(s[19], (TPaletteEntry{255, 255, 255, 0}));

    HPALETTE h = CreateHalftonePalette();
    TPaletteEntry t[256];
    ASSERT_EQ(GetPaletteEntries(h, 0, 256, t), 256);
    DeleteObject(h);
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(t[i], s[i]);
        EXPECT_EQ(t[246 + i], s[10 + i]);
    }
    // Every colour of the 6-level cube is in it.
    HPALETTE again = CreateHalftonePalette();
    for (int r = 0; r < 6; ++r)
        for (int g = 0; g < 6; ++g)
            for (int b = 0; b < 6; ++b) {
                const int i = GetNearestPaletteIndex(again, RGB(r * 51, g * 51, b * 51));
                ASSERT_EQ(RGB(t[i].peRed, t[i].peGreen, t[i].peBlue), RGB(r * 51, g * 51, b * 51));
            }
    DeleteObject(again);
}

TEST(Palette, SystemColoursMapToFixedValues)
{
    EXPECT_EQ(ColorToRGB(clWindow), clWhite);
    EXPECT_EQ(ColorToRGB(clWindowText), clBlack);
    EXPECT_EQ(ColorToRGB(clBtnFace), RGB(240, 240, 240));
    EXPECT_EQ(ColorToRGB(clRed), clRed);
    EXPECT_EQ(ColorToRGB(clNone), clNone);
    EXPECT_EQ(clWindow, TColor(0x80000005));
}

} // namespace
