// Frames rebuilt from their source picture in a flip mode.
#include "editing/flip.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using TRows = std::vector<std::vector<TColor>>;

TBitmap Make(const TRows& rows)
{
    TBitmap b(int(rows[0].size()), int(rows.size()), pf24bit);
    for (int y = 0; y < b.Height(); ++y)
        for (int x = 0; x < b.Width(); ++x)
            b.SetPixel(x, y, rows[y][x]);
    return b;
}

TRows Pixels(const TBitmap& b)
{
    TRows rows(b.Height(), std::vector<TColor>(b.Width()));
    for (int y = 0; y < b.Height(); ++y)
        for (int x = 0; x < b.Width(); ++x)
            rows[y][x] = b.GetPixel(x, y);
    return rows;
}

constexpr TColor W = 0xFFFFFF;
const TRows Picture3x2{{1, 2, 3}, {4, 5, 6}};
const TRows Flipped3x2[4] = {
    {{1, 2, 3}, {4, 5, 6}},
    {{3, 2, 1}, {6, 5, 4}},
    {{4, 5, 6}, {1, 2, 3}},
    {{6, 5, 4}, {3, 2, 1}},
};

TEST(RenderFlippedFrame, ModeIsAbsoluteSoNormalRestoresThePicture)
{
    const TBitmap picture = Make(Picture3x2);
    TBitmap frame(3, 2);
    for (int mode : {1, 3, 2, 2, 0}) {
        RenderFlippedFrame(frame, picture, mode, false);
        EXPECT_EQ(Pixels(frame), Flipped3x2[mode]) << mode;
    }
}

TEST(RenderFlippedFrame, OnlyPicturePixelsAreCopiedAndTheRestIsWhite)
{
    const TBitmap picture = Make({{1, 2}});
    TBitmap frame = Make({{9, 9, 9}, {9, 9, 9}});
    RenderFlippedFrame(frame, picture, 3, false);
    EXPECT_EQ(Pixels(frame), (TRows{{W, W, W}, {W, 2, 1}}));

    // A picture larger than the frame gives its top-left part.
    TBitmap small(2, 1);
    RenderFlippedFrame(small, Make(Picture3x2), 1, false);
    EXPECT_EQ(Pixels(small), (TRows{{2, 1}}));
}

TEST(RenderFlippedFrame, AStretchedFrameIsScaledThenMirrored)
{
    const TBitmap picture = Make({{1, 2}, {3, 4}});
    TBitmap frame(4, 2);
    RenderFlippedFrame(frame, picture, 1, true);
    EXPECT_EQ(Pixels(frame), (TRows{{2, 2, 1, 1}, {4, 4, 3, 3}}));
    RenderFlippedFrame(frame, picture, 2, true);
    EXPECT_EQ(Pixels(frame), (TRows{{3, 3, 4, 4}, {1, 1, 2, 2}}));
}

} // namespace
