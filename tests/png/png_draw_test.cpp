// Drawing in the three transparency modes, clipping, and the clipboard.
#include <gtest/gtest.h>

#include "platform/canvas.h"
#include "platform/clipboard.h"
#include "png_test_util.h"

using namespace pngtest;

namespace {

TBitmap Background(int w, int h, TColor colour)
{
    TBitmap b(w, h, pf24bit);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            b.SetPixel(x, y, colour);
    return b;
}

// A w x 1 RGBA picture with the given colours and opacities.
std::unique_ptr<TPNGObject> RgbaRow(const std::vector<TColor>& colours, const std::vector<BYTE>& alpha)
{
    TBitmap b(int(colours.size()), 1, pf24bit);
    for (std::size_t x = 0; x < colours.size(); ++x)
        b.SetPixel(int(x), 0, colours[x]);
    auto png = std::make_unique<TPNGObject>();
    png->Assign(b);
    png->CreateAlpha();
    for (std::size_t x = 0; x < alpha.size(); ++x)
        png->GetAlphaScanline(0)[x] = alpha[x];
    return png;
}

} // namespace

TEST(PngDraw, PartialTransparencyBlendFormula)
{
    const struct {
        BYTE S, D, A, Expected;
    } cases[] = {
        {200, 17, 255, 200}, {255, 0, 255, 255}, {200, 17, 0, 17}, {0, 255, 0, 255},
        {255, 0, 128, 128},  {0, 255, 128, 127}, {100, 50, 64, 63},
    };
    for (const auto& c : cases) {
        auto png = RgbaRow({RGB(c.S, c.S, c.S)}, {c.A});
        TBitmap target = Background(1, 1, RGB(c.D, c.D, c.D));
        png->Draw(target.Canvas(), Rect(0, 0, 1, 1));
        EXPECT_EQ(target.GetPixel(0, 0), RGB(c.Expected, c.Expected, c.Expected))
            << int(c.S) << " over " << int(c.D) << " at " << int(c.A);
    }
}

TEST(PngDraw, PartialDrawsAtOwnSizeAndOpaqueStretches)
{
    auto rgba = RgbaRow({RGB(255, 0, 0), RGB(0, 255, 0)}, {255, 255});
    TBitmap target = Background(6, 4, RGB(1, 2, 3));
    rgba->Draw(target.Canvas(), Rect(1, 1, 5, 3));
    EXPECT_EQ(target.GetPixel(1, 1), RGB(255, 0, 0));
    EXPECT_EQ(target.GetPixel(2, 1), RGB(0, 255, 0));
    EXPECT_EQ(target.GetPixel(3, 1), RGB(1, 2, 3));
    EXPECT_EQ(target.GetPixel(1, 2), RGB(1, 2, 3));

    // The same image without transparency fills the rectangle.
    TBitmap b(2, 1, pf24bit);
    b.SetPixel(0, 0, RGB(255, 0, 0));
    b.SetPixel(1, 0, RGB(0, 255, 0));
    TPNGObject plain;
    plain.Assign(b);
    TBitmap stretched = Background(6, 4, RGB(1, 2, 3));
    plain.Draw(stretched.Canvas(), Rect(1, 1, 5, 3));
    EXPECT_EQ(stretched.GetPixel(2, 2), RGB(255, 0, 0));
    EXPECT_EQ(stretched.GetPixel(3, 1), RGB(0, 255, 0));
    EXPECT_EQ(stretched.GetPixel(4, 2), RGB(0, 255, 0));
    EXPECT_EQ(stretched.GetPixel(5, 1), RGB(1, 2, 3));

    // CreateAlpha on an opaque image draws it unchanged.
    TBitmap before = Background(2, 1, 0), after = Background(2, 1, 0);
    plain.Draw(before.Canvas(), Rect(0, 0, 2, 1));
    plain.CreateAlpha();
    plain.Draw(after.Canvas(), Rect(0, 0, 2, 1));
    EXPECT_EQ(before.GetPixel(0, 0), after.GetPixel(0, 0));
    EXPECT_EQ(before.GetPixel(1, 0), after.GetPixel(1, 0));
}

TEST(PngDraw, PaletteOpacitiesAndColourKey)
{
    // tp1n3p08-like: a palette picture whose tRNS is shorter than its palette.
    auto bytes = MakePng({MakeChunk("IHDR", IhdrData(3, 1, 8, 3)),
                          MakeChunk("PLTE", {10, 20, 30, 40, 50, 60, 70, 80, 90}), MakeChunk("tRNS", {0, 128}),
                          MakeChunk("IDAT", Zlib({0, 0, 1, 2})), MakeChunk("IEND", {})});
    auto png = LoadPng(bytes);
    ASSERT_EQ(png->GetTransparencyMode(), ptmPartial);
    TBitmap target = Background(3, 1, RGB(0, 0, 0));
    png->Draw(target.Canvas(), Rect(0, 0, 3, 1));
    EXPECT_EQ(target.GetPixel(0, 0), RGB(0, 0, 0));
    EXPECT_EQ(target.GetPixel(1, 0), RGB(20, 25, 30));
    EXPECT_EQ(target.GetPixel(2, 0), RGB(70, 80, 90));

    // One fully transparent entry: a colour key, stretched with the image.
    auto keyed = LoadPng(MakePng({MakeChunk("IHDR", IhdrData(2, 1, 8, 3)),
                                  MakeChunk("PLTE", {10, 20, 30, 40, 50, 60}), MakeChunk("tRNS", {255, 0}),
                                  MakeChunk("IDAT", Zlib({0, 0, 1})), MakeChunk("IEND", {})}));
    ASSERT_EQ(keyed->GetTransparencyMode(), ptmBit);
    TBitmap wide = Background(4, 2, RGB(9, 9, 9));
    keyed->Draw(wide.Canvas(), Rect(0, 0, 4, 2));
    EXPECT_EQ(wide.GetPixel(0, 1), RGB(10, 20, 30));
    EXPECT_EQ(wide.GetPixel(1, 0), RGB(10, 20, 30));
    EXPECT_EQ(wide.GetPixel(2, 0), RGB(9, 9, 9));
    EXPECT_EQ(wide.GetPixel(3, 1), RGB(9, 9, 9));
}

TEST(PngDraw, NothingToDrawAndClipping)
{
    TBitmap target = Background(4, 4, RGB(5, 5, 5));
    TPNGObject empty;
    EXPECT_NO_THROW(empty.Draw(target.Canvas(), Rect(0, 0, 4, 4)));
    auto rgba = RgbaRow({RGB(255, 255, 255), RGB(255, 255, 255), RGB(255, 255, 255)}, {255, 255, 255});
    rgba->Draw(target.Canvas(), Rect(2, 2, 2, 5));  // empty
    rgba->Draw(target.Canvas(), Rect(3, 1, 0, 2));  // inverted
    EXPECT_EQ(target.GetPixel(2, 2), RGB(5, 5, 5));
    EXPECT_EQ(target.GetPixel(2, 1), RGB(5, 5, 5));

    // Partly and wholly outside the target, in every mode.
    rgba->Draw(target.Canvas(), Rect(-2, 3, 1, 4));
    EXPECT_EQ(target.GetPixel(0, 3), RGB(255, 255, 255));
    EXPECT_EQ(target.GetPixel(1, 3), RGB(5, 5, 5));
    rgba->Draw(target.Canvas(), Rect(100, 100, 103, 101));
    auto keyed = LoadPng(PatternPng(32, 32, 8, 3, TPatternOptions().With(MakeChunk("tRNS", {255, 0}))));
    EXPECT_NO_THROW(keyed->Draw(target.Canvas(), Rect(-30, -30, 2, 2)));
    EXPECT_NO_THROW(keyed->Draw(target.Canvas(), Rect(3, 3, 100000, 100000)));
    auto plain = LoadPng(PatternPng(32, 32, 8, 2, TPatternOptions().With(GamaChunk(45455))));
    EXPECT_NO_THROW(plain->Draw(target.Canvas(), Rect(-10, 2, 3, 30)));
}

TEST(PngDraw, ClipboardGoesThroughABitmap)
{
    auto png = LoadPng(PatternPng(32, 32, 8, 3));
    UINT format = 0;
    std::vector<uint8_t> data;
    png->SaveToClipboardFormat(format, data);
    EXPECT_EQ(format, CF_DIB);
    TPNGObject back;
    back.LoadFromClipboardFormat(format, data);
    ASSERT_EQ(back.Width(), 32);
    for (int y = 0; y < 32; y += 7)
        for (int x = 0; x < 32; x += 5)
            EXPECT_EQ(back.GetPixels(x, y), png->GetPixels(x, y));

    // An RGBA picture is composed over the new bitmap's white.
    auto rgba = RgbaRow({RGB(0, 0, 0)}, {0});
    TMemoryClipboard clipboard;
    rgba->CopyToClipboard(clipboard);
    TPNGObject pasted;
    ASSERT_TRUE(pasted.PasteFromClipboard(clipboard));
    EXPECT_EQ(pasted.GetPixels(0, 0), RGB(255, 255, 255));
    clipboard.Clear();
    EXPECT_FALSE(pasted.PasteFromClipboard(clipboard));
    EXPECT_EQ(pasted.Width(), 1);
}
