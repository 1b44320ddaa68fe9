// Placing a picture in the project frame, the frame bitmap made from it, and its mirroring.
#include "app/frame_geometry.h"

#include <gtest/gtest.h>

#include <cstring>
#include <utility>

#include "platform/blit.h"
#include "platform/canvas.h"

namespace {

constexpr int FrameWidth = 320, FrameHeight = 240;
const MYRECT DefaultPlacement{0, 0, FrameWidth, FrameHeight};
const TColor TopLeft = RGB(200, 0, 0), TopRight = RGB(0, 200, 0), BottomLeft = RGB(0, 0, 200),
             BottomRight = RGB(200, 200, 0);

TBitmap Quadrants(int w, int h)
{
    TBitmap b(w, h, pf24bit);
    TCanvas& c = b.Canvas();
    const TColor colours[4] = {TopLeft, TopRight, BottomLeft, BottomRight};
    for (int q = 0; q < 4; ++q) {
        c.Brush().Color = colours[q];
        c.FillRect(TRect{q % 2 ? w / 2 : 0, q / 2 ? h / 2 : 0, q % 2 ? w : w / 2, q / 2 ? h : h / 2});
    }
    return b;
}

// What an imported picture becomes: its placement fitted, then its frame bitmap.
struct TImported {
    MYRECT placement;
    TBitmap bitmap;
};

TImported Import(const TBitmap& picture, bool stretch)
{
    TImported frame;
    frame.placement = MYRECT{0, 0, picture.Width(), picture.Height()};
    FitFrameRect(frame.placement, stretch, FrameWidth, FrameHeight, DefaultPlacement);
    CopyPictureToFrameBitmap(frame.bitmap, picture, frame.placement.Width, frame.placement.Height, stretch);
    return frame;
}

} // namespace

TEST(FitFrameRect, FitsEachSideOnItsOwnOrTakesTheDefaultPlacement)
{
    struct TCase {
        MYRECT in;
        bool fit;
        MYRECT out;
    } cases[] = {
        {{400, 10, 50, 300}, false, {0, 10, 50, 240}},
        {{10, 240, 320, 241}, false, {10, 0, 320, 240}},
        {{319, 239, 100, 50}, false, {319, 239, 100, 50}}, // may still pass the frame's edge
        {{0, 0, 640, 480}, false, {0, 0, 320, 240}},
        {{5, 6, 7, 8}, true, DefaultPlacement},
        {{400, 500, 1, 1}, true, DefaultPlacement},
    };
    for (const auto& c : cases) {
        MYRECT r = c.in;
        FitFrameRect(r, c.fit, FrameWidth, FrameHeight, DefaultPlacement);
        EXPECT_EQ(r, c.out) << c.in.Left << "," << c.in.Top << "," << c.in.Width << "," << c.in.Height << " fit "
                            << c.fit;
    }
}

TEST(FrameBitmap, WithoutStretchingTheTopLeftPartIsKeptUnscaled)
{
    const TImported frame = Import(Quadrants(640, 480), false);
    EXPECT_EQ(frame.placement, (MYRECT{0, 0, 320, 240}));
    ASSERT_EQ(frame.bitmap.Width(), 320);
    ASSERT_EQ(frame.bitmap.Height(), 240);
    // The picture's top-left quarter fills it all.
    for (const auto& [x, y] : {std::pair{0, 0}, {319, 0}, {0, 239}, {319, 239}, {160, 120}})
        EXPECT_EQ(frame.bitmap.GetPixel(x, y), TopLeft) << x << "," << y;
    // No pixel format is chosen for the frame bitmap.
    EXPECT_EQ(frame.bitmap.PixelFormat(), pfDevice);

    const TImported small = Import(Quadrants(100, 50), false);
    EXPECT_EQ(small.placement, (MYRECT{0, 0, 100, 50}));
    EXPECT_EQ(small.bitmap.Width(), 100);
    EXPECT_EQ(small.bitmap.GetPixel(99, 49), BottomRight);
    EXPECT_EQ(small.bitmap.GetPixel(49, 24), TopLeft);
}

TEST(FrameBitmap, WithStretchingTheWholePictureIsScaledIntoTheBitmap)
{
    const TImported frame = Import(Quadrants(640, 480), true);
    EXPECT_EQ(frame.placement, DefaultPlacement);
    ASSERT_EQ(frame.bitmap.Width(), 320);
    ASSERT_EQ(frame.bitmap.Height(), 240);
    struct TProbe {
        int x, y;
        TColor colour;
    } probes[] = {{0, 0, TopLeft},       {159, 119, TopLeft},     {160, 0, TopRight},    {319, 119, TopRight},
                  {0, 120, BottomLeft},  {159, 239, BottomLeft},  {160, 120, BottomRight}, {319, 239, BottomRight}};
    for (const auto& p : probes)
        EXPECT_EQ(frame.bitmap.GetPixel(p.x, p.y), p.colour) << p.x << "," << p.y;

    // A placement smaller than the project frame still holds the whole picture.
    TBitmap bitmap;
    CopyPictureToFrameBitmap(bitmap, Quadrants(640, 480), 64, 48, true);
    EXPECT_EQ(bitmap.GetPixel(0, 0), TopLeft);
    EXPECT_EQ(bitmap.GetPixel(63, 0), TopRight);
    EXPECT_EQ(bitmap.GetPixel(0, 47), BottomLeft);
    EXPECT_EQ(bitmap.GetPixel(63, 47), BottomRight);
}

// The frame bitmap is what copying the picture onto a white bitmap of its size gives, whether
// the copy covers it (and the white is skipped) or not, fresh or made again at the same size.
TEST(FrameBitmap, IsThePictureCopiedOntoWhite)
{
    struct TCase {
        int pictureWidth, pictureHeight, width, height;
        bool stretch;
    } cases[] = {{640, 480, 320, 240, false}, {321, 240, 320, 240, false}, {320, 240, 320, 240, false},
                 {100, 50, 320, 240, false},  {400, 50, 320, 240, false},  {33, 17, 64, 48, true},
                 {640, 480, 320, 240, true},  {1, 1, 5, 3, true},          {0, 0, 7, 5, true},
                 {0, 0, 7, 5, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.pictureWidth << "x" << c.pictureHeight << " into " << c.width << "x"
                                        << c.height << (c.stretch ? " stretched" : ""));
        const TBitmap picture = c.pictureWidth ? Quadrants(c.pictureWidth, c.pictureHeight) : TBitmap();
        TBitmap expected;
        expected.SetSize(c.width, c.height);
        if (c.stretch)
            StretchBlt(expected, 0, 0, c.width, c.height, picture, 0, 0, picture.Width(), picture.Height(), SRCCOPY);
        else
            BitBlt(expected, 0, 0, c.width, c.height, picture, 0, 0, SRCCOPY);
        TBitmap fresh;
        CopyPictureToFrameBitmap(fresh, picture, c.width, c.height, c.stretch);
        // Made again over a bitmap of that size that held another picture.
        TBitmap again;
        CopyPictureToFrameBitmap(again, Quadrants(c.width, c.height), c.width, c.height, false);
        again.Canvas().Brush().Color = clBlack;
        again.Canvas().FillRect(TRect{0, 0, c.width, c.height});
        TBitmap expectedAgain = again;
        if (c.stretch)
            StretchBlt(expectedAgain, 0, 0, c.width, c.height, picture, 0, 0, picture.Width(), picture.Height(),
                       SRCCOPY);
        else
            BitBlt(expectedAgain, 0, 0, c.width, c.height, picture, 0, 0, SRCCOPY);
        CopyPictureToFrameBitmap(again, picture, c.width, c.height, c.stretch);
        for (const auto& [made, wanted] : {std::pair{&fresh, &expected}, {&again, &expectedAgain}}) {
            ASSERT_EQ(made->BitsSize(), wanted->BitsSize());
            EXPECT_EQ(made->PixelFormat(), wanted->PixelFormat());
            EXPECT_EQ(std::memcmp(made->Bits(), wanted->Bits(), made->BitsSize()), 0);
        }
    }
}

TEST(GetFlipRect, MirrorsTheAxesOfTheMode)
{
    EXPECT_EQ(GetFlipRect(0, 5, 3), (TRect{0, 0, 5, 3}));
    EXPECT_EQ(GetFlipRect(1, 5, 3), (TRect{4, 0, -1, 3}));
    EXPECT_EQ(GetFlipRect(2, 5, 3), (TRect{0, 2, 5, -1}));
    EXPECT_EQ(GetFlipRect(3, 5, 3), (TRect{4, 2, -1, -1}));
    for (int mode : {-1, 4, 1000})
        EXPECT_EQ(GetFlipRect(mode, 5, 3), (TRect{0, 0, 5, 3})) << mode;
}

TEST(FlipBitmapInPlace, MovesEveryPixelToItsMirrorPlace)
{
    // Each pixel's colour names its place; odd and even sizes both have a middle to keep.
    const auto named = [](int w, int h) {
        TBitmap b(w, h, pf24bit);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                b.SetPixel(x, y, RGB(x, y, 7));
        return b;
    };
    for (const auto& [w, h] : {std::pair{3, 2}, std::pair{4, 5}})
        for (int mode = 0; mode < 4; ++mode) {
            TBitmap b = named(w, h);
            FlipBitmapInPlace(b, mode);
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x)
                    ASSERT_EQ(b.GetPixel(x, y), RGB(mode & 1 ? w - 1 - x : x, mode & 2 ? h - 1 - y : y, 7))
                        << w << "x" << h << " mode " << mode << " at " << x << "," << y;
        }
    TBitmap b = named(3, 2);
    FlipBitmapInPlace(b, 7);
    EXPECT_EQ(b.GetPixel(2, 1), RGB(2, 1, 7)) << "a mode outside 0..3 leaves it as it is";
}
