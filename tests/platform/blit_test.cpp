#include "platform/graphics.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

namespace {

// Distinct, exactly storable colours in 24/32 bits; the value tells where a pixel came from.
TColor Id(int x, int y) { return RGB(10 + x, 20 + y, 30 + 7 * x + y); }

TBitmap Numbered(int w, int h, TPixelFormat f = pf24bit)
{
    TBitmap b(w, h, f);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            b.SetPixel(x, y, Id(x, y));
    return b;
}

struct Mirror {
    const char* name;
    bool flipX, flipY;
};
const Mirror kMirrors[] = {{"none", false, false}, {"horizontal", true, false}, {"vertical", false, true}, {"both", true, true}};

// The destination rectangle the flip commands hand to CopyRect for a width x height copy.
TRect FlipRect(const Mirror& m, int w, int h)
{
    return TRect{m.flipX ? w - 1 : 0, m.flipY ? h - 1 : 0, m.flipX ? -1 : w, m.flipY ? -1 : h};
}

TEST(Blit, MirrorsByNegativeExtentsIntoAnotherBitmapAndInPlace)
{
    for (auto [w, h] : {std::pair{3, 2}, {1, 1}, {4, 3}})
        for (const Mirror& m : kMirrors)
            for (bool inPlace : {false, true})
                for (TPixelFormat f : {pf24bit, pf32bit, pf8bit, pf4bit}) {
                    SCOPED_TRACE(testing::Message() << w << "x" << h << " " << m.name << (inPlace ? " in place" : "")
                                                    << " format " << int(f));
                    TBitmap src = Numbered(w, h, pf24bit);
                    src.SetPixelFormat(f);
                    const TBitmap original(src);
                    TBitmap other(w, h, f);
                    TBitmap& dst = inPlace ? src : other;
                    const TRect r = FlipRect(m, w, h);
                    ASSERT_TRUE(StretchBlt(dst, r.Left, r.Top, r.Width(), r.Height(), src, 0, 0, w, h, SRCCOPY));
                    for (int y = 0; y < h; ++y)
                        for (int x = 0; x < w; ++x)
                            ASSERT_EQ(dst.GetPixel(m.flipX ? w - 1 - x : x, m.flipY ? h - 1 - y : y),
                                      original.GetPixel(x, y))
                                << x << "," << y;
                }
}

TEST(Blit, NegativeSourceExtentMirrorsToo)
{
    // The source counted backwards from its last column gives the same mirror.
    TBitmap src = Numbered(3, 2);
    TBitmap dst(3, 2, pf24bit);
    ASSERT_TRUE(StretchBlt(dst, 0, 0, 3, 2, src, 2, 1, -3, -2, SRCCOPY));
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            EXPECT_EQ(dst.GetPixel(x, y), Id(2 - x, 1 - y));
    // Both negative: no mirror at all.
    ASSERT_TRUE(StretchBlt(dst, 2, 1, -3, -2, src, 2, 1, -3, -2, SRCCOPY));
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            EXPECT_EQ(dst.GetPixel(x, y), Id(x, y));
}

TEST(Blit, ClipsToBothBitmapsAndLeavesTheRestAlone)
{
    // A 2 x 2 source asked for a 4 x 3 block: only its own pixels arrive.
    TBitmap src = Numbered(2, 2);
    TBitmap dst(5, 4, pf24bit);
    dst.Canvas().Brush().Color = clNavy;
    dst.Canvas().FillRect(Rect(0, 0, 5, 4));
    ASSERT_TRUE(BitBlt(dst, 1, 1, 4, 3, src, 0, 0, SRCCOPY));
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 5; ++x) {
            const bool copied = x >= 1 && x < 3 && y >= 1 && y < 3;
            ASSERT_EQ(dst.GetPixel(x, y), copied ? Id(x - 1, y - 1) : clNavy) << x << "," << y;
        }
    // Off the destination's edges and from a negative source origin.
    TBitmap small(2, 2, pf24bit);
    ASSERT_TRUE(BitBlt(small, -1, 1, 3, 3, src, 0, -1, SRCCOPY));
    EXPECT_EQ(small.GetPixel(0, 0), clWhite);
    EXPECT_EQ(small.GetPixel(1, 0), clWhite);
    EXPECT_EQ(small.GetPixel(0, 1), clWhite); // its source row -1 does not exist
    EXPECT_EQ(small.GetPixel(1, 1), clWhite);
    ASSERT_TRUE(BitBlt(small, -1, 0, 3, 3, src, 0, 0, SRCCOPY));
    EXPECT_EQ(small.GetPixel(0, 0), Id(1, 0));
    EXPECT_EQ(small.GetPixel(0, 1), Id(1, 1));
    EXPECT_EQ(small.GetPixel(1, 0), clWhite);
    // Extents far beyond any bitmap cost nothing and change nothing outside.
    EXPECT_TRUE(StretchBlt(small, 0, 0, 0x7FFFFFFF, -0x7FFFFFFF, src, 0, 0, 0x7FFFFFFF, 0x7FFFFFFF, SRCCOPY));
    EXPECT_TRUE(BitBlt(small, 0x7FFFFFF0, 0, 100, 100, src, 0, 0, SRCCOPY));
}

TEST(Blit, OverlappingCopyWithinOneBitmap)
{
    for (TPixelFormat f : {pf24bit, pf1bit, pf4bit}) {
        SCOPED_TRACE(int(f));
        TBitmap b = Numbered(6, 1);
        if (f == pf1bit || f == pf4bit) {
            for (int x = 0; x < 6; ++x)
                b.SetPixel(x, 0, (x % 3) ? clWhite : clBlack);
            b.SetPixelFormat(f);
        }
        const TBitmap before(b);
        ASSERT_TRUE(BitBlt(b, 1, 0, 5, 1, b, 0, 0, SRCCOPY));
        EXPECT_EQ(b.GetPixel(0, 0), before.GetPixel(0, 0));
        for (int x = 1; x < 6; ++x)
            EXPECT_EQ(b.GetPixel(x, 0), before.GetPixel(x - 1, 0)) << x;
    }
}

TEST(Blit, StretchesByNearestNeighbour)
{
    TBitmap src = Numbered(2, 2);
    TBitmap dst(4, 6, pf24bit);
    ASSERT_TRUE(StretchBlt(dst, 0, 0, 4, 6, src, 0, 0, 2, 2, SRCCOPY));
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 4; ++x)
            ASSERT_EQ(dst.GetPixel(x, y), Id(x / 2, y / 3)) << x << "," << y;
    // Shrinking keeps one of every pair of source pixels; nothing is blended.
    TBitmap big = Numbered(6, 4);
    TBitmap half(3, 2, pf24bit);
    ASSERT_TRUE(StretchBlt(half, 0, 0, 3, 2, big, 0, 0, 6, 4, SRCCOPY));
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            ASSERT_EQ(half.GetPixel(x, y), Id(2 * x + 1, 2 * y + 1)) << x << "," << y;
}

TEST(Blit, RasterOperations)
{
    const TColor s = RGB(0xF0, 0x0F, 0x55), d = RGB(0xCC, 0x3C, 0xAA);
    struct Case {
        DWORD rop;
        TColor expected;
    } cases[] = {
        {SRCCOPY, s},
        {SRCPAINT, s | d},
        {SRCAND, s & d},
        {SRCINVERT, s ^ d},
        {SRCERASE, s & (~d & 0xFFFFFF)},
        {NOTSRCCOPY, ~s & 0xFFFFFF},
        {NOTSRCERASE, ~(s | d) & 0xFFFFFF},
        {MERGEPAINT, (~s & 0xFFFFFF) | d},
        {DSTINVERT, ~d & 0xFFFFFF},
        {BLACKNESS, clBlack},
        {WHITENESS, clWhite},
    };
    for (const Case& c : cases) {
        for (TPixelFormat df : {pf24bit, pf32bit}) {
            SCOPED_TRACE(testing::Message() << std::hex << c.rop << " format " << int(df));
            TBitmap src(1, 1, pf32bit), dst(2, 1, df);
            src.SetPixel(0, 0, s);
            dst.SetPixel(0, 0, d);
            dst.SetPixel(1, 0, d);
            ASSERT_TRUE(BitBlt(dst, 0, 0, 1, 1, src, 0, 0, c.rop));
            EXPECT_EQ(dst.GetPixel(0, 0), c.expected);
            EXPECT_EQ(dst.GetPixel(1, 0), d);
        }
    }
    TBitmap a(1, 1), b(1, 1);
    EXPECT_FALSE(BitBlt(a, 0, 0, 1, 1, b, 0, 0, 0x00F00021)); // pattern copy: no brush here
    // The mask idiom: AND with a white-where-transparent mask, then OR the blacked-out image.
    TBitmap mask(2, 1, pf1bit), image(2, 1, pf24bit), target(2, 1, pf24bit);
    mask.SetPixel(0, 0, clBlack);
    image.SetPixel(0, 0, clRed);
    image.SetPixel(1, 0, clBlack);
    target.Canvas().Brush().Color = clGreen;
    target.Canvas().FillRect(Rect(0, 0, 2, 1));
    BitBlt(target, 0, 0, 2, 1, mask, 0, 0, SRCAND);
    BitBlt(target, 0, 0, 2, 1, image, 0, 0, SRCPAINT);
    EXPECT_EQ(target.GetPixel(0, 0), clRed);
    EXPECT_EQ(target.GetPixel(1, 0), clGreen);
}

TEST(Blit, ConvertsBetweenFormatsOnTheWay)
{
    TBitmap src(3, 1, pf24bit);
    src.SetPixel(0, 0, clRed);
    src.SetPixel(1, 0, RGB(250, 250, 250));
    src.SetPixel(2, 0, RGB(20, 10, 0));
    TBitmap mono(3, 1, pf1bit);
    ASSERT_TRUE(BitBlt(mono, 0, 0, 3, 1, src, 0, 0, SRCCOPY));
    EXPECT_EQ(mono.GetPixel(0, 0), clBlack);
    EXPECT_EQ(mono.GetPixel(1, 0), clWhite);
    EXPECT_EQ(mono.GetPixel(2, 0), clBlack);
    TBitmap back(3, 1, pf16bit);
    ASSERT_TRUE(BitBlt(back, 0, 0, 3, 1, mono, 0, 0, SRCCOPY));
    EXPECT_EQ(back.GetPixel(1, 0), clWhite);
    // Two 8-bit bitmaps with different tables meet by colour, not by index.
    TBitmap p1(1, 1, pf8bit), p2(1, 1, pf8bit);
    p1.SetColorTable({{0, 0, 255, 0}, {0, 255, 0, 0}});
    p1.SetPixel(0, 0, clRed);
    ASSERT_TRUE(BitBlt(p2, 0, 0, 1, 1, p1, 0, 0, SRCCOPY));
    EXPECT_EQ(p2.GetPixel(0, 0), clRed);
}

TEST(Blit, StretchDIBitsReadsARawDib)
{
    const TBitmap src = Numbered(3, 2);
    const std::vector<BYTE> dib = src.SaveToDIB();
    TBitmapInfoHeader info;
    std::memcpy(&info, dib.data(), sizeof info);
    TBitmap dst(3, 2, pf32bit);
    ASSERT_TRUE(StretchDIBits(dst, 2, 0, -3, 2, 0, 0, 3, 2, dib.data() + 40, &info, nullptr, SRCCOPY));
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            EXPECT_EQ(dst.GetPixel(x, y), Id(2 - x, y));
    TBitmapInfoHeader bad = info;
    bad.biBitCount = 7;
    EXPECT_FALSE(StretchDIBits(dst, 0, 0, 3, 2, 0, 0, 3, 2, dib.data() + 40, &bad, nullptr, SRCCOPY));
}

} // namespace

// Copies between the 24- and 32-bit layouts go row to row: the colours arrive, the fourth
// byte of a 32-bit pixel is 0, and nothing beside the copied area is touched, row padding
// included.
TEST(Blit, CopiesBetweenTheTrueColourLayoutsTouchOnlyTheCopiedPixels)
{
    for (auto [from, to] : {std::pair{pf24bit, pf32bit}, {pf32bit, pf24bit}})
        for (auto [left, width] : {std::pair{2, 5}, {4, 6}}) { // the second is cut at the right edge
            SCOPED_TRACE(testing::Message() << int(from) << " to " << int(to) << " at " << left);
            TBitmap src = Numbered(7, 3, from);
            if (from == pf32bit)
                for (int y = 0; y < 3; ++y)
                    for (int x = 0; x < 7; ++x)
                        src.ScanLine(y)[x * 4 + 3] = 0xEE;
            TBitmap dst(9, 5, to);
            const int bytes = dst.BitsPerPixel() / 8;
            for (int y = 0; y < 5; ++y)
                std::memset(dst.ScanLine(y), 0x77, std::size_t(dst.BytesPerScanLine()));
            ASSERT_TRUE(BitBlt(dst, left, 1, width, 3, src, 1, 0, SRCCOPY));
            const int right = std::min(left + width, 9);
            for (int y = 0; y < 5; ++y) {
                const BYTE* row = dst.ScanLine(y);
                for (int x = 0; x < 9; ++x) {
                    if (x >= left && x < right && y >= 1 && y <= 3) {
                        EXPECT_EQ(dst.GetPixel(x, y), Id(x - left + 1, y - 1)) << x << "," << y;
                        EXPECT_TRUE(bytes == 3 || row[x * 4 + 3] == 0) << x << "," << y;
                    } else {
                        for (int k = 0; k < bytes; ++k)
                            EXPECT_EQ(row[x * bytes + k], 0x77) << x << "," << y;
                    }
                }
                for (int i = 9 * bytes; i < dst.BytesPerScanLine(); ++i)
                    EXPECT_EQ(row[i], 0x77) << "padding of row " << y;
            }
        }
}
