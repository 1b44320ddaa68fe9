#include "platform/graphics.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Rows of a small bitmap as characters: '#' for black, '.' for white, 'o' for anything else.
std::vector<std::string> Picture(const TBitmap& b)
{
    std::vector<std::string> rows;
    for (int y = 0; y < b.Height(); ++y) {
        std::string row;
        for (int x = 0; x < b.Width(); ++x) {
            const TColor c = b.GetPixel(x, y);
            row += c == clBlack ? '#' : c == clWhite ? '.' : 'o';
        }
        rows.push_back(row);
    }
    return rows;
}

TEST(Canvas, PixelsOutsideTheBitmapAreInvalid)
{
    TBitmap b(2, 2, pf24bit);
    TCanvas& c = b.Canvas();
    c.SetPixels(1, 0, clRed);
    EXPECT_EQ(c.Pixels(1, 0), clRed);
    EXPECT_EQ(c.Pixels(0, 0), clWhite);
    for (auto [x, y] : {std::pair{-1, 0}, {2, 0}, {0, 2}, {0, -1}})
        EXPECT_EQ(c.Pixels(x, y), CLR_INVALID);
    c.SetPixels(5, 5, clRed); // ignored
    c.SetPixels(0, 1, clBtnFace);
    EXPECT_EQ(c.Pixels(0, 1), RGB(240, 240, 240));
    EXPECT_EQ(&c.Target(), &b);
}

TEST(Canvas, FillsFramesRectanglesAndLines)
{
    TBitmap b(6, 5, pf24bit);
    TCanvas& c = b.Canvas();
    c.Brush().Color = clBlack;
    c.FillRect(Rect(-2, 3, 2, 9)); // clipped
    c.FrameRect(Rect(2, 0, 6, 3));
    EXPECT_EQ(Picture(b), (std::vector<std::string>{"..####", "..#..#", "..####", "##....", "##...."}));

    TBitmap r(5, 4, pf8bit);
    r.Canvas().Brush().Color = clRed;
    r.Canvas().Rectangle(0, 0, 5, 4);
    EXPECT_EQ(Picture(r), (std::vector<std::string>{"#####", "#ooo#", "#ooo#", "#####"}));
    r.Canvas().Brush().Style = bsClear;
    r.Canvas().Pen().Color = clWhite;
    r.Canvas().Rectangle(1, 1, 4, 4);
    EXPECT_EQ(Picture(r), (std::vector<std::string>{"#####", "#...#", "#.o.#", "#...#"}));

    TBitmap l(5, 3, pf1bit);
    l.Canvas().MoveTo(0, 0);
    l.Canvas().LineTo(4, 2); // end point not drawn
    l.Canvas().LineTo(4, 0);
    EXPECT_EQ(l.Canvas().PenPos, Point(4, 0));
    EXPECT_EQ(Picture(l), (std::vector<std::string>{"#....", ".##.#", "...##"}));
    l.Canvas().Pen().Mode = pmNot;
    l.Canvas().MoveTo(0, 0);
    l.Canvas().LineTo(3, 0);
    EXPECT_EQ(Picture(l), (std::vector<std::string>{".##..", ".##.#", "...##"}));
}

TEST(Canvas, TransparentDrawSkipsExactlyTheTransparentColour)
{
    TBitmap sprite(3, 2, pf24bit);
    sprite.Canvas().Brush().Color = clLime;
    sprite.Canvas().FillRect(Rect(0, 0, 3, 2));
    sprite.SetPixel(1, 0, clRed);
    sprite.SetPixel(2, 1, RGB(0, 254, 0)); // close to the key, but not it
    TBitmap target(4, 3, pf24bit);
    target.Canvas().Brush().Color = clNavy;
    target.Canvas().FillRect(Rect(0, 0, 4, 3));

    target.Canvas().Draw(1, 1, sprite); // opaque: every pixel arrives
    EXPECT_EQ(target.GetPixel(1, 1), clLime);

    target.Canvas().FillRect(Rect(0, 0, 4, 3));
    sprite.SetTransparent(true); // auto: the bottom-left pixel, lime
    target.Canvas().Draw(1, 1, sprite);
    EXPECT_EQ(target.GetPixel(1, 1), clNavy);
    EXPECT_EQ(target.GetPixel(2, 1), clRed);
    EXPECT_EQ(target.GetPixel(3, 2), RGB(0, 254, 0));
    EXPECT_EQ(target.GetPixel(2, 2), clNavy);

    // A fixed colour, drawn stretched: key pixels stay background at every scale.
    sprite.SetTransparentColor(clRed);
    TBitmap big(6, 4, pf32bit);
    big.Canvas().Brush().Color = clNavy;
    big.Canvas().FillRect(Rect(0, 0, 6, 4));
    big.Canvas().StretchDraw(Rect(0, 0, 6, 4), sprite);
    EXPECT_EQ(big.GetPixel(2, 0), clNavy);
    EXPECT_EQ(big.GetPixel(3, 1), clNavy);
    EXPECT_EQ(big.GetPixel(0, 0), clLime);
    EXPECT_EQ(big.GetPixel(5, 3), RGB(0, 254, 0));

    // A 16-bit sprite matches the key as it stores it.
    TBitmap s16(2, 1, pf16bit);
    s16.SetPixel(0, 0, RGB(100, 100, 100));
    s16.SetTransparent(true);
    s16.SetTransparentColor(RGB(100, 100, 100));
    target.Canvas().FillRect(Rect(0, 0, 4, 3));
    target.Canvas().Draw(0, 0, s16);
    EXPECT_EQ(target.GetPixel(0, 0), clNavy);
    EXPECT_EQ(target.GetPixel(1, 0), clWhite);

    // A palette sprite is keyed by colour too.
    TBitmap p(sprite);
    p.SetPixelFormat(pf8bit);
    p.SetTransparentColor(clLime);
    target.Canvas().FillRect(Rect(0, 0, 4, 3));
    target.Canvas().Draw(0, 0, p);
    EXPECT_EQ(target.GetPixel(0, 0), clNavy);
    EXPECT_EQ(target.GetPixel(1, 0), clRed);
}

TEST(Canvas, CopyRectMirrorsWithTheFlipRectanglesAndUsesTheCopyMode)
{
    TBitmap src(3, 2, pf24bit);
    src.SetPixel(0, 0, clBlack);
    TBitmap dst(3, 2, pf24bit);
    dst.Canvas().CopyRect(Rect(2, 1, -1, -1), src.Canvas(), Rect(0, 0, 3, 2));
    EXPECT_EQ(Picture(dst), (std::vector<std::string>{"...", "..#"}));
    dst.Canvas().CopyMode = cmNotSrcCopy;
    dst.Canvas().CopyRect(Rect(0, 0, 3, 2), src.Canvas(), Rect(0, 0, 3, 2));
    EXPECT_EQ(Picture(dst), (std::vector<std::string>{".##", "###"}));
}

class TFakeRenderer : public TTextRenderer {
public:
    void DrawText(TBitmap& target, int x, int y, const std::string& text, const TFont& font, const TBrush& brush,
                  const TRect* clip) override
    {
        calls.push_back(text + (clip ? " clipped" : "") + (brush.Style == bsClear ? " clear" : ""));
        target.SetPixel(x, y, font.Color);
    }
    TSize Measure(const std::string& text, const TFont&) override { return TSize{int(text.size()) * 5, 13}; }
    std::vector<std::string> calls;
};

TEST(Canvas, TextGoesThroughTheInstalledRendererOnly)
{
    TBitmap b(20, 20, pf24bit);
    TCanvas& c = b.Canvas();
    EXPECT_EQ(c.TextWidth("abc"), 0);
    EXPECT_EQ(c.TextHeight("abc"), 0);
    c.TextOut(1, 1, "abc");
    EXPECT_EQ(c.Pixels(1, 1), clWhite);

    TFakeRenderer fake;
    SetTextRenderer(&fake);
    c.Font().Color = clRed;
    EXPECT_EQ(c.TextWidth("abc"), 15);
    EXPECT_EQ(c.TextHeight("abc"), 13);
    c.TextOut(2, 3, "abc");
    EXPECT_EQ(c.Pixels(2, 3), clRed);
    EXPECT_EQ(c.PenPos, Point(17, 3));
    c.Brush().Color = clBlue;
    c.TextRect(Rect(10, 10, 12, 12), 10, 10, "x");
    EXPECT_EQ(c.Pixels(11, 11), clBlue);
    EXPECT_EQ(fake.calls, (std::vector<std::string>{"abc", "x clipped clear"}));
    SetTextRenderer(nullptr);

    TFont f;
    EXPECT_EQ(f.Size, 8);
    EXPECT_EQ(f.Height(), -11);
    f.SetHeight(-16);
    EXPECT_EQ(f.Size, 12);
    f.Style.Include(fsBold);
    EXPECT_TRUE(f.Style.Contains(fsBold));
    EXPECT_FALSE(f.Style.Contains(fsItalic));
}

} // namespace
