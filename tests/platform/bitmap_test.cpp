#include "platform/graphics.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

const TPixelFormat kFormats[] = {pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit};

// What a colour becomes when a bitmap of this format stores it, worked out independently of
// the bitmap code: truncated and bit-replicated 5/6-bit channels, or the nearest table entry.
TColor Quantize(TColor c, TPixelFormat f, const std::vector<TRGBQuad>& table)
{
    const int r = GetRValue(c), g = GetGValue(c), b = GetBValue(c);
    auto five = [](int v) { v >>= 3; return (v << 3) | (v >> 2); };
    auto six = [](int v) { v >>= 2; return (v << 2) | (v >> 4); };
    switch (f) {
    case pf15bit: return RGB(five(r), five(g), five(b));
    case pf16bit: return RGB(five(r), six(g), five(b));
    case pf24bit:
    case pf32bit: return c;
    default: break;
    }
    int best = 0, bestDist = 1 << 30;
    for (std::size_t i = 0; i < table.size(); ++i) {
        const int dr = table[i].rgbRed - r, dg = table[i].rgbGreen - g, db = table[i].rgbBlue - b;
        const int d = dr * dr + dg * dg + db * db;
        if (d < bestDist) {
            bestDist = d;
            best = int(i);
        }
    }
    return RGB(table[best].rgbRed, table[best].rgbGreen, table[best].rgbBlue);
}

std::vector<TRGBQuad> DefaultTable(TPixelFormat f)
{
    TBitmap b;
    b.SetPixelFormat(f);
    return b.ColorTable();
}

const TColor kColours[] = {clBlack, clWhite, clRed, RGB(0, 128, 128), RGB(200, 100, 50), clYellow, RGB(7, 250, 131)};

// 9 x 3: crosses byte boundaries of the 1-bit rows and nibble boundaries of the 4-bit rows;
// no two rows or columns alike, so flips and row-order mistakes show.
TColor Pattern(int x, int y) { return kColours[(x * 5 + y * 3 + x * y) % 7]; }

TBitmap MakePattern(TPixelFormat f)
{
    TBitmap b;
    b.SetPixelFormat(f);
    b.SetSize(9, 3);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 9; ++x)
            b.SetPixel(x, y, Pattern(x, y));
    return b;
}

TEST(Bitmap, ConvertsBetweenEveryPairOfPixelFormats)
{
    for (TPixelFormat from : kFormats)
        for (TPixelFormat to : kFormats) {
            SCOPED_TRACE(testing::Message() << "from " << int(from) << " to " << int(to));
            TBitmap b = MakePattern(from);
            const std::vector<TRGBQuad> fromTable = b.ColorTable();
            b.SetPixelFormat(to);
            EXPECT_EQ(b.PixelFormat(), to);
            ASSERT_EQ(b.Width(), 9);
            ASSERT_EQ(b.Height(), 3);
            // A palette format keeps the bitmap's own colours when they fit the depth.
            std::vector<TRGBQuad> toTable = DefaultTable(to);
            if (PixelFormatBits(from) <= 8 && PixelFormatBits(to) <= 8 &&
                fromTable.size() <= (std::size_t(1) << PixelFormatBits(to)))
                toTable = fromTable;
            EXPECT_EQ(b.ColorTable(), PixelFormatBits(to) <= 8 ? toTable : std::vector<TRGBQuad>{});
            for (int y = 0; y < 3; ++y)
                for (int x = 0; x < 9; ++x)
                    ASSERT_EQ(b.GetPixel(x, y), Quantize(Quantize(Pattern(x, y), from, fromTable), to, toTable))
                        << x << "," << y;
        }
}

TEST(Bitmap, DefaultPalettesPerDepthAndDeviceFormatFollowsTheScreen)
{
    EXPECT_EQ(DefaultTable(pf1bit), (std::vector<TRGBQuad>{{0, 0, 0, 0}, {255, 255, 255, 0}}));
    const auto t4 = DefaultTable(pf4bit);
    ASSERT_EQ(t4.size(), 16u);
    EXPECT_EQ(t4[1], (TRGBQuad{0, 0, 128, 0}));   // maroon
    EXPECT_EQ(t4[7], (TRGBQuad{192, 192, 192, 0})); // silver
    EXPECT_EQ(t4[15], (TRGBQuad{255, 255, 255, 0}));
    const auto t8 = DefaultTable(pf8bit);
    ASSERT_EQ(t8.size(), 256u);
    TPaletteEntry halftone[256];
    HPALETTE h = CreateHalftonePalette();
    ASSERT_EQ(GetPaletteEntries(h, 0, 256, halftone), 256);
    DeleteObject(h);
    for (int i = 0; i < 256; ++i)
        ASSERT_EQ(t8[std::size_t(i)], (TRGBQuad{halftone[i].peBlue, halftone[i].peGreen, halftone[i].peRed, 0}));

    const int saved = ScreenBitsPerPixel();
    for (auto [screen, bits] : {std::pair{24, 24}, {32, 32}, {16, 32}, {8, 32}}) {
        SetScreenBitsPerPixel(screen);
        TBitmap b;
        EXPECT_EQ(b.PixelFormat(), pfDevice);
        EXPECT_EQ(b.BitsPerPixel(), bits);
        b.SetSize(2, 1);
        EXPECT_EQ(b.BytesPerScanLine(), bits == 24 ? 8 : 8);
    }
    SetScreenBitsPerPixel(saved);
}

TEST(Bitmap, ScanLinesAreStoredBottomUpInTheDibLayout)
{
    struct Case {
        TPixelFormat format;
        int stride; // for width 9
    } cases[] = {{pf1bit, 4}, {pf4bit, 8}, {pf8bit, 12}, {pf15bit, 20}, {pf16bit, 20}, {pf24bit, 28}, {pf32bit, 36}};
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.format));
        TBitmap b = MakePattern(c.format);
        ASSERT_EQ(b.BytesPerScanLine(), c.stride);
        EXPECT_EQ(b.ScanLine(0), b.Bits() + 2 * c.stride);
        EXPECT_EQ(b.ScanLine(2), b.Bits());
        const auto table = b.ColorTable();
        for (int y = 0; y < 3; ++y) {
            const BYTE* row = b.ScanLine(y);
            for (int x = 0; x < 9; ++x) {
                TColor fromRow = 0;
                switch (c.format) {
                case pf1bit:
                case pf4bit:
                case pf8bit: {
                    const int bits = PixelFormatBits(c.format);
                    const int perByte = 8 / bits;
                    const int index = (row[x / perByte] >> ((perByte - 1 - x % perByte) * bits)) & ((1 << bits) - 1);
                    fromRow = RGB(table[std::size_t(index)].rgbRed, table[std::size_t(index)].rgbGreen,
                                  table[std::size_t(index)].rgbBlue);
                    break;
                }
                case pf15bit: {
                    const int v = row[2 * x] | (row[2 * x + 1] << 8);
                    fromRow = RGB(((v >> 10) & 31) * 255 / 31, ((v >> 5) & 31) * 255 / 31, (v & 31) * 255 / 31);
                    break;
                }
                case pf16bit: {
                    const int v = row[2 * x] | (row[2 * x + 1] << 8);
                    fromRow = RGB(((v >> 11) & 31) * 255 / 31, ((v >> 5) & 63) * 255 / 63, (v & 31) * 255 / 31);
                    break;
                }
                case pf24bit: fromRow = RGB(row[3 * x + 2], row[3 * x + 1], row[3 * x]); break;
                default: fromRow = RGB(row[4 * x + 2], row[4 * x + 1], row[4 * x]); break;
                }
                const TColor px = b.GetPixel(x, y);
                // 5- and 6-bit channels are expanded by bit replication, within 1 of v*255/max.
                for (int shift : {0, 8, 16})
                    ASSERT_LE(std::abs(((px >> shift) & 255) - ((fromRow >> shift) & 255)), 1) << x << "," << y;
            }
        }
    }
    TBitmap b(2, 2, pf24bit);
    EXPECT_THROW(b.ScanLine(2), EInvalidGraphicOperation);
    EXPECT_THROW(b.ScanLine(-1), EInvalidGraphicOperation);
    // Writing through a scan line is what the pixel reads see.
    b.ScanLine(1)[0] = 0x11;
    b.ScanLine(1)[1] = 0x22;
    b.ScanLine(1)[2] = 0x33;
    EXPECT_EQ(b.GetPixel(0, 1), RGB(0x33, 0x22, 0x11));
}

TEST(Bitmap, NewAreaIsWhiteAndResizeKeepsTheOverlap)
{
    for (TPixelFormat f : kFormats) {
        SCOPED_TRACE(int(f));
        TBitmap b;
        b.SetPixelFormat(f);
        b.SetSize(3, 2);
        EXPECT_EQ(b.GetPixel(2, 1), clWhite);
        b.SetPixel(0, 0, clBlack);
        b.SetPixel(2, 1, clBlack);
        b.SetWidth(11);
        b.SetHeight(4);
        EXPECT_EQ(b.GetPixel(0, 0), clBlack);
        EXPECT_EQ(b.GetPixel(2, 1), clBlack);
        EXPECT_EQ(b.GetPixel(1, 0), clWhite);
        EXPECT_EQ(b.GetPixel(10, 3), clWhite);
        EXPECT_EQ(b.GetPixel(3, 1), clWhite);
        b.SetSize(1, 1);
        EXPECT_EQ(b.GetPixel(0, 0), clBlack);
        b.SetSize(0, 0);
        EXPECT_TRUE(b.Empty());
        EXPECT_EQ(b.GetPixel(0, 0), CLR_INVALID);
        EXPECT_EQ(b.Bits(), nullptr);
    }
}

TEST(Bitmap, ZeroSizedBitmapsAreLegalEverywhere)
{
    TBitmap b;
    EXPECT_TRUE(b.Empty());
    b.SetSize(0, 5);
    EXPECT_TRUE(b.Empty());
    b.SetPixelFormat(pf8bit);
    b.SetPixelFormat(pf24bit);
    TBitmap copy(b);
    EXPECT_EQ(copy.Height(), 5);
    const auto dib = b.SaveToDIB();
    TBitmap back;
    back.LoadFromDIB(dib.data(), dib.size());
    EXPECT_EQ(back.Width(), 0);
    EXPECT_EQ(back.Height(), 5);
    TBitmap target(3, 3, pf24bit);
    target.Canvas().Draw(0, 0, b);
    EXPECT_TRUE(BitBlt(target, 0, 0, 3, 3, b, 0, 0, SRCCOPY));
    EXPECT_EQ(target.GetPixel(1, 1), clWhite);
    EXPECT_EQ(b.TransparentColor(), clNone);
    EXPECT_THROW(b.SetSize(-1, 2), EInvalidGraphicOperation);
    EXPECT_THROW(b.SetSize(1 << 20, 1 << 20), EOutOfResources);
}

TEST(Bitmap, AssignAndCopiesAreDeep)
{
    TBitmap a = MakePattern(pf8bit);
    a.SetTransparent(true);
    a.SetTransparentColor(clRed);
    TBitmap b;
    b.Assign(a);
    TBitmap c(a);
    a.SetPixel(0, 0, clLime);
    a.SetColorTable({{1, 2, 3, 0}});
    for (const TBitmap* x : {&b, &c}) {
        EXPECT_EQ(x->PixelFormat(), pf8bit);
        EXPECT_EQ(x->GetPixel(0, 0), Pattern(0, 0));
        EXPECT_EQ(x->ColorTable().size(), 256u);
        EXPECT_TRUE(x->Transparent());
        EXPECT_EQ(x->TransparentColor(), clRed);
        EXPECT_EQ(x->TransparentMode(), tmFixed);
    }
    EXPECT_NE(b.Bits(), c.Bits());
}

TEST(Bitmap, TransparentColourIsBottomLeftInAutoMode)
{
    TBitmap b(3, 2, pf24bit);
    b.SetPixel(0, 1, clBlue);
    b.SetPixel(0, 0, clRed);
    EXPECT_EQ(b.TransparentMode(), tmAuto);
    EXPECT_EQ(b.TransparentColor(), clBlue);
    b.SetTransparentColor(clLime);
    EXPECT_EQ(b.TransparentMode(), tmFixed);
    EXPECT_EQ(b.TransparentColor(), clLime);
    b.SetTransparentMode(tmAuto);
    EXPECT_EQ(b.TransparentColor(), clBlue);
    b.SetTransparentMode(tmFixed); // fixes the colour the bitmap shows now
    b.SetPixel(0, 1, clYellow);
    EXPECT_EQ(b.TransparentColor(), clBlue);
}

TEST(Bitmap, PaletteFollowsTheColourTableAndSetPaletteRecolours)
{
    TBitmap b(4, 1, pf4bit);
    b.SetPixel(1, 0, clRed);
    HPALETTE p = b.Palette();
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(GetPaletteEntries(p, 0, 0, nullptr), 16);
    EXPECT_EQ(GetNearestPaletteIndex(p, clRed), 9);
    EXPECT_EQ(b.ScanLine(0)[0], 0xF9); // white, red: high nibble first

    const TPaletteEntry entries[3] = {{10, 20, 30, 0}, {40, 50, 60, 0}, {70, 80, 90, 0}};
    b.SetPalette(CreatePalette(entries, 3));
    EXPECT_EQ(b.ColorTable().size(), 3u);
    // Indices stay; index 9 now lies beyond the table.
    EXPECT_EQ(b.GetPixel(1, 0), clBlack);
    b.SetPixel(2, 0, RGB(41, 50, 61));
    EXPECT_EQ(b.GetPixel(2, 0), RGB(40, 50, 60));
    HPALETTE mine = b.ReleasePalette();
    EXPECT_EQ(GetPaletteEntries(mine, 0, 0, nullptr), 3);
    DeleteObject(mine);
    EXPECT_NE(b.Palette(), nullptr); // made again from the table

    // A truecolour bitmap with a palette converts onto that palette.
    TBitmap t(2, 1, pf24bit);
    EXPECT_EQ(t.Palette(), nullptr);
    t.SetPixel(0, 0, RGB(69, 80, 91));
    t.SetPalette(CreatePalette(entries, 3));
    t.SetPixelFormat(pf8bit);
    EXPECT_EQ(t.ColorTable().size(), 3u);
    EXPECT_EQ(t.GetPixel(0, 0), RGB(70, 80, 90));
    EXPECT_EQ(t.GetPixel(1, 0), RGB(70, 80, 90)); // white has no better match
    t.SetPixelFormat(pf24bit);
    t.SetPixel(1, 0, RGB(200, 200, 200));
    t.SetMonochrome(true);
    EXPECT_TRUE(t.Monochrome());
    EXPECT_EQ(t.GetPixel(0, 0), clBlack);
    EXPECT_EQ(t.GetPixel(1, 0), clWhite);
}

std::vector<BYTE> Dib(LONG w, LONG h, WORD bpp, DWORD compression, const std::vector<DWORD>& extra,
                      const std::vector<BYTE>& bits, DWORD clrUsed = 0)
{
    TBitmapInfoHeader hd;
    hd.biWidth = w;
    hd.biHeight = h;
    hd.biBitCount = bpp;
    hd.biCompression = compression;
    hd.biClrUsed = clrUsed;
    std::vector<BYTE> out(sizeof hd + extra.size() * 4 + bits.size());
    std::memcpy(out.data(), &hd, sizeof hd);
    if (!extra.empty())
        std::memcpy(out.data() + sizeof hd, extra.data(), extra.size() * 4);
    if (!bits.empty())
        std::memcpy(out.data() + sizeof hd + extra.size() * 4, bits.data(), bits.size());
    return out;
}

TEST(Bitmap, DibRoundTripsInEveryFormat)
{
    for (TPixelFormat f : kFormats) {
        SCOPED_TRACE(int(f));
        const TBitmap a = MakePattern(f);
        const std::vector<BYTE> dib = a.SaveToDIB();
        TBitmapInfoHeader h;
        std::memcpy(&h, dib.data(), sizeof h);
        EXPECT_EQ(h.biSize, 40u);
        EXPECT_EQ(h.biHeight, 3);
        EXPECT_EQ(h.biBitCount, a.BitsPerPixel());
        EXPECT_EQ(h.biCompression, f == pf16bit ? BI_BITFIELDS : BI_RGB);
        TBitmap b;
        b.LoadFromDIB(dib.data(), dib.size());
        EXPECT_EQ(b.PixelFormat(), f);
        EXPECT_EQ(b.ColorTable(), a.ColorTable());
        ASSERT_EQ(b.BitsSize(), a.BitsSize());
        EXPECT_EQ(std::memcmp(b.Bits(), a.Bits(), a.BitsSize()), 0);
    }
}

TEST(Bitmap, DibReaderTakesTopDownRowsShortTablesAndOddMasks)
{
    // 2 x 2, 8 bits, two colours, top-down: the first stored row is the top one.
    const std::vector<BYTE> bits = {0, 1, 0, 0, 1, 1, 0, 0};
    const auto topDown = Dib(2, -2, 8, BI_RGB, {0x0000FF, 0x00FF00}, bits, 2);
    TBitmap b;
    b.LoadFromDIB(topDown.data(), topDown.size());
    EXPECT_EQ(b.ColorTable().size(), 2u);
    EXPECT_EQ(b.GetPixel(0, 0), clBlue);
    EXPECT_EQ(b.GetPixel(1, 0), clLime);
    EXPECT_EQ(b.GetPixel(0, 1), clLime);

    // 16 bits with 4-4-4 masks: read into a 24-bit bitmap, channels scaled to 0..255.
    const auto odd = Dib(1, 1, 16, BI_BITFIELDS, {0x0F00, 0x00F0, 0x000F}, {0x5F, 0x0A, 0, 0});
    b.LoadFromDIB(odd.data(), odd.size());
    EXPECT_EQ(b.PixelFormat(), pf24bit);
    EXPECT_EQ(b.GetPixel(0, 0), RGB(0xAA, 0x55, 0xFF));
}

TEST(Bitmap, DibReaderRejectsMalformedInput)
{
    const std::vector<BYTE> px(16, 0);
    struct Case {
        const char* what;
        std::vector<BYTE> dib;
    } cases[] = {
        {"truncated bits", Dib(4, 4, 24, BI_RGB, {}, std::vector<BYTE>(47, 0))},
        {"huge size, no data", Dib(0x7FFFFFFF, 0x7FFFFFFF, 32, BI_RGB, {}, px)},
        {"bad bit count", Dib(1, 1, 7, BI_RGB, {}, px)},
        {"RLE", Dib(1, 1, 8, BI_RLE8, std::vector<DWORD>(256), px)},
        {"too many colours", Dib(1, 1, 8, BI_RGB, std::vector<DWORD>(300), px, 300)},
        {"table truncated", Dib(1, 1, 8, BI_RGB, std::vector<DWORD>(2), {}, 0)},
        {"overlapping masks", Dib(1, 1, 16, BI_BITFIELDS, {0xF800, 0x0FE0, 0x1F}, px)},
        {"split mask", Dib(1, 1, 32, BI_BITFIELDS, {0xFF00FF, 0xFF00, 0}, px)},
        {"negative width", Dib(-1, 1, 24, BI_RGB, {}, px)},
        {"header only", std::vector<BYTE>(20, 0)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TBitmap b(2, 2, pf24bit);
        b.SetPixel(1, 1, clRed);
        EXPECT_THROW(b.LoadFromDIB(c.dib.data(), c.dib.size()), EInvalidGraphic);
        // A rejected DIB leaves the bitmap as it was.
        EXPECT_EQ(b.Width(), 2);
        EXPECT_EQ(b.GetPixel(1, 1), clRed);
    }
    TBitmap b;
    EXPECT_THROW(b.LoadFromDIB(nullptr, 0), EInvalidGraphic);
}

} // namespace

// For a writer that fills every pixel itself: no white first, at the same size the pixels
// stay, and the padding at each row's end always comes out zero.
TEST(Bitmap, SizingForOverwriteLeavesThePixelsToTheWriterAndZeroesThePadding)
{
    struct TCase {
        TPixelFormat format;
        int width;
        int usedBytes; // bytes of a row that hold pixel bits
    } cases[] = {{pf24bit, 5, 15}, {pf8bit, 6, 6}, {pf4bit, 3, 1}, {pf1bit, 9, 1}, {pf32bit, 2, 8}};
    for (const auto& c : cases) {
        SCOPED_TRACE(int(c.format));
        TBitmap b;
        b.SetPixelFormat(c.format);
        b.SetSize(c.width, 2);
        for (int y = 0; y < 2; ++y)
            std::memset(b.ScanLine(y), 0xA5, std::size_t(b.BytesPerScanLine()));
        const BYTE* before = b.Bits();
        b.SetSizeForOverwrite(c.width, 2);
        EXPECT_EQ(b.Bits(), before) << "the same size keeps its block";
        for (int y = 0; y < 2; ++y) {
            const BYTE* row = b.ScanLine(y);
            for (int i = 0; i < b.BytesPerScanLine(); ++i)
                EXPECT_EQ(row[i], i < c.usedBytes ? 0xA5 : 0) << "row " << y << " byte " << i;
        }
        b.SetSizeForOverwrite(c.width + 8, 3);
        EXPECT_EQ(b.Width(), c.width + 8);
        EXPECT_EQ(b.Height(), 3);
        EXPECT_EQ(b.PixelFormat(), c.format);
        const int used = (c.width + 8) * b.BitsPerPixel() / 8;
        for (int y = 0; y < 3; ++y)
            for (int i = used; i < b.BytesPerScanLine(); ++i)
                EXPECT_EQ(b.ScanLine(y)[i], 0) << "row " << y << " byte " << i;
    }
    TBitmap b;
    EXPECT_THROW(b.SetSizeForOverwrite(-1, 2), EInvalidGraphicOperation);
    b.SetSizeForOverwrite(0, 0);
    EXPECT_TRUE(b.Empty());
}
