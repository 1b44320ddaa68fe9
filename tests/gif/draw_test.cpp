// Drawing frames and whole images onto canvases.
#include <gtest/gtest.h>

#include "gif/gifimage.h"
#include "gif_test_util.h"
#include "platform/canvas.h"

namespace {

constexpr TColor Red = RGB(255, 0, 0);
constexpr TColor Green = RGB(0, 255, 0);
constexpr TColor Blue = RGB(0, 0, 255);
constexpr TColor Grey = RGB(90, 90, 90);
constexpr TColor White = RGB(255, 255, 255);

// Red, green, blue; index 2 transparent when asked.
TGIFSubImage* AddRgbFrame(TGIFImage& image, int w, int h, const std::vector<BYTE>& pixels, int left, int top,
                          bool transparent)
{
    TGIFSubImage* frame = giftest::AddFrame(image, w, h, pixels, left, top);
    frame->ColorMap().Add(Red);
    frame->ColorMap().Add(Green);
    frame->ColorMap().Add(Blue);
    if (transparent) {
        auto* gce = new TGIFGraphicControlExtension(frame);
        frame->Extensions().Add(gce);
        gce->SetTransparentColorIndex(2);
        gce->SetTransparent(true);
    }
    return frame;
}

TBitmap GreyCanvas(int w, int h)
{
    TBitmap bitmap(w, h, pf24bit);
    bitmap.Canvas().Brush().Color = Grey;
    bitmap.Canvas().FillRect(Rect(0, 0, w, h));
    return bitmap;
}

std::vector<TColor> Row(const TBitmap& bitmap, int y)
{
    std::vector<TColor> row;
    for (int x = 0; x < bitmap.Width(); ++x)
        row.push_back(bitmap.GetPixel(x, y));
    return row;
}

} // namespace

TEST(GifDraw, SmallFirstFrameSitsOnWhiteAtItsPosition)
{
    TGIFImage image;
    image.SetDrawOptions(image.DrawOptions() - TGIFDrawOptions{goDither});
    image.SetWidth(5);
    image.SetHeight(3);
    AddRgbFrame(image, 2, 2, {0, 1, 1, 0}, 2, 1, false);
    TBitmap* bitmap = image.GetBitmap();
    ASSERT_NE(bitmap, nullptr);
    ASSERT_EQ(bitmap->Width(), 5);
    ASSERT_EQ(bitmap->Height(), 3);
    EXPECT_EQ(Row(*bitmap, 0), (std::vector<TColor>{White, White, White, White, White}));
    EXPECT_EQ(Row(*bitmap, 1), (std::vector<TColor>{White, White, Red, Green, White}));
    EXPECT_EQ(Row(*bitmap, 2), (std::vector<TColor>{White, White, Green, Red, White}));

    TGIFImage empty;
    EXPECT_EQ(empty.GetBitmap(), nullptr);
}

TEST(GifDraw, FrameDrawKeepsTheCanvasUnderTransparentPixels)
{
    TGIFImage image;
    image.SetDrawOptions(image.DrawOptions() - TGIFDrawOptions{goDither});
    TGIFSubImage* frame = AddRgbFrame(image, 2, 1, {0, 2}, 0, 0, true);
    struct TCase {
        const char* Name;
        bool Transparent;
        bool Tile;
        std::vector<TColor> Expected;
    };
    const TCase cases[] = {
        {"stretched through the mask", true, false, {Grey, Red, Red, Grey, Grey, Grey}},
        {"stretched, opaque", false, false, {Grey, Red, Red, Blue, Blue, Grey}},
        {"tiled and cut at the edge", true, true, {Grey, Red, Grey, Red, Grey, Grey}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TBitmap target = GreyCanvas(6, 1);
        frame->StretchDraw(target.Canvas(), Rect(1, 0, 5, 1), c.Transparent, c.Tile);
        EXPECT_EQ(Row(target, 0), c.Expected);
    }
}

TEST(GifDraw, StillImageDrawsItsFirstFrameOnly)
{
    TGIFImage image;
    image.SetDrawOptions(TGIFDrawOptions{goTransparent});
    AddRgbFrame(image, 2, 1, {1, 2}, 0, 0, true);
    AddRgbFrame(image, 2, 1, {0, 0}, 0, 0, false);
    TBitmap target = GreyCanvas(4, 2);
    image.Draw(target.Canvas(), Rect(0, 0, 4, 2));
    EXPECT_EQ(Row(target, 0), (std::vector<TColor>{Green, Green, Grey, Grey}));
    EXPECT_EQ(Row(target, 1), (std::vector<TColor>{Green, Green, Grey, Grey}));
    EXPECT_EQ(image.Painters().Count(), 0);

    TGIFImage empty;
    empty.Draw(target.Canvas(), Rect(0, 0, 4, 2));
}
