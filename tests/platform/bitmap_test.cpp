#include "platform/graphics.h"

#include <gtest/gtest.h>

namespace {

TEST(Bitmap, NewAreaIsWhiteAndResizeKeepsTheOverlap)
{
    for (TPixelFormat f : {pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit}) {
        SCOPED_TRACE(int(f));
        TBitmap b;
        b.SetPixelFormat(f);
        b.SetSize(3, 2);
        EXPECT_EQ(b.GetPixel(2, 1), clWhite);
        b.SetPixel(0, 0, clBlack);
        b.SetPixel(2, 1, clBlack);
        b.SetSize(5, 4);
        EXPECT_EQ(b.GetPixel(0, 0), clBlack);
        EXPECT_EQ(b.GetPixel(2, 1), clBlack);
        EXPECT_EQ(b.GetPixel(1, 0), clWhite);
        EXPECT_EQ(b.GetPixel(4, 3), clWhite);
        EXPECT_EQ(b.GetPixel(3, 1), clWhite);
        b.SetSize(1, 1);
        EXPECT_EQ(b.GetPixel(0, 0), clBlack);
        b.SetSize(0, 0);
        EXPECT_TRUE(b.Empty());
        EXPECT_EQ(b.GetPixel(0, 0), CLR_INVALID);
    }
}

} // namespace
