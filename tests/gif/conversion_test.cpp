// Bitmaps becoming frames and frames becoming bitmaps.
#include <gtest/gtest.h>

#include <cstring>
#include <set>

#include "gif/gifimage.h"
#include "gif_test_util.h"
#include "platform/canvas.h"
#include "support/error_of.h"

namespace {

// Images whose colours come out exactly: no dithering onto the web palette.
void Undithered(TGIFImage& image) { image.SetDrawOptions(image.DrawOptions() - TGIFDrawOptions{goDither}); }

TBitmap PaletteBitmap(TPixelFormat format, int width, const std::vector<std::vector<BYTE>>& rows,
                      const std::vector<TRGBQuad>& table)
{
    TBitmap bitmap;
    bitmap.SetPixelFormat(format);
    bitmap.SetSize(width, int(rows.size()));
    bitmap.SetColorTable(table);
    for (std::size_t y = 0; y < rows.size(); ++y)
        std::memcpy(bitmap.ScanLine(int(y)), rows[y].data(), rows[y].size());
    return bitmap;
}

std::vector<TRGBQuad> Table(int n)
{
    std::vector<TRGBQuad> table;
    for (int i = 0; i < n; ++i)
        table.push_back(TRGBQuad{BYTE(i * 3), BYTE(255 - i), BYTE(i * 7), 0});
    return table;
}

// A 24-bit bitmap with a different colour in every pixel.
TBitmap Distinct24(int width, int height)
{
    TBitmap bitmap(width, height, pf24bit);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            bitmap.SetPixel(x, y, RGB(x * 10, y * 10, (x * 7 + y) & 0xFF));
    return bitmap;
}

} // namespace

TEST(GifConversion, PaletteBitmapsUnpackInReadingOrder)
{
    struct TCase {
        const char* Name;
        TPixelFormat Format;
        int Width;
        std::vector<std::vector<BYTE>> Rows;
        int TableSize;
        std::vector<BYTE> Pixels;
    };
    const TCase cases[] = {
        // bit 7 is the leftmost pixel; 11 pixels leave 5 bits of the second byte unused
        {"1 bit", pf1bit, 11, {{0xB2, 0x7F, 0, 0}, {0x01, 0x80, 0, 0}}, 2,
         {1, 0, 1, 1, 0, 0, 1, 0, 0, 1, 1, 0, 0, 0, 0, 0, 0, 0, 1, 1, 0, 0}},
        // the high nibble is the left pixel; an odd width uses half of the last byte
        {"4 bit", pf4bit, 5, {{0x12, 0x34, 0x5F, 0}, {0xED, 0xCB, 0xA0, 0}}, 16, {1, 2, 3, 4, 5, 14, 13, 12, 11, 10}},
        {"8 bit", pf8bit, 3, {{7, 8, 9, 0}, {255, 0, 128, 0}}, 256, {7, 8, 9, 255, 0, 128}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TGIFImage image;
        const TBitmap bitmap = PaletteBitmap(c.Format, c.Width, c.Rows, Table(c.TableSize));
        TGIFSubImage* frame = image.Images().GetImage(image.Add(const_cast<TBitmap*>(&bitmap)));
        ASSERT_EQ(frame->Width(), c.Width);
        ASSERT_EQ(frame->Height(), 2);
        EXPECT_EQ(std::vector<BYTE>(frame->Data(), frame->Data() + frame->DataSize()), c.Pixels);
        ASSERT_EQ(frame->ColorMap().Count(), c.TableSize);
        const TRGBQuad expected = Table(c.TableSize).back();
        const TGIFColor& last = frame->ColorMap().Entry(c.TableSize - 1);
        EXPECT_EQ(last, (TGIFColor{expected.rgbRed, expected.rgbGreen, expected.rgbBlue}));
    }
}

TEST(GifConversion, ShortColourTableGrowsToCoverThePixels)
{
    TGIFImage image;
    TBitmap bitmap = PaletteBitmap(pf8bit, 2, {{0, 5, 0, 0}}, Table(2));
    TGIFSubImage* frame = image.Images().GetImage(image.Add(&bitmap));
    EXPECT_EQ(frame->ColorMap().Count(), 6);
    EXPECT_EQ(frame->ColorMap().GetColor(5), RGB(0, 0, 0));
}

TEST(GifConversion, TrueColourBitmapsByReduction)
{
    {
        SCOPED_TRACE("rmNone collects the colours once each");
        TGIFImage image;
        image.ColorReduction = rmNone;
        TBitmap bitmap(5, 3, pf24bit);
        const TColor colours[] = {RGB(1, 2, 3), RGB(200, 100, 50), RGB(1, 2, 3), RGB(9, 9, 9)};
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 5; ++x)
                bitmap.SetPixel(x, y, colours[(x + y) % 4]);
        TGIFSubImage* frame = image.Images().GetImage(image.Add(&bitmap));
        ASSERT_EQ(frame->ColorMap().Count(), 3);
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 5; ++x)
                EXPECT_EQ(frame->ColorMap().GetColor(frame->GetPixel(x, y)), colours[(x + y) % 4]);
    }
    {
        SCOPED_TRACE("rmNone with more than 256 colours");
        TGIFImage image;
        image.ColorReduction = rmNone;
        TBitmap bitmap = Distinct24(20, 13);
        EXPECT_EQ(ErrorOf([&] { image.Add(&bitmap); }), "Color table overflow");
    }
    {
        SCOPED_TRACE("rmNetscape gives the web palette");
        TGIFImage image;
        image.ColorReduction = rmNetscape;
        TBitmap bitmap = Distinct24(20, 13);
        bitmap.SetPixelFormat(pf32bit);
        TGIFSubImage* frame = image.Images().GetImage(image.Add(&bitmap));
        ASSERT_EQ(frame->ColorMap().Count(), 216);
        EXPECT_EQ(frame->ColorMap().GetColor(215), RGB(255, 255, 255));
        for (std::size_t i = 0; i < frame->DataSize(); ++i)
            ASSERT_LT(frame->Data()[i], 216);
    }
}

TEST(GifConversion, MaskOnlyWhenSomePixelIsTransparent)
{
    TGIFImage image;
    Undithered(image);
    TGIFSubImage* frame = giftest::AddFrame(image, 3, 2, {0, 1, 2, 2, 1, 0});
    giftest::FillColorMap(frame->ColorMap(), 4);
    EXPECT_EQ(frame->GetMask(), nullptr) << "no transparency";

    auto* gce = new TGIFGraphicControlExtension(frame);
    frame->Extensions().Add(gce);
    gce->SetTransparentColorIndex(3);
    gce->SetTransparent(true);
    frame->FreeBitmap();
    EXPECT_EQ(frame->GetMask(), nullptr) << "index 3 is never used";

    gce->SetTransparentColorIndex(2);
    frame->FreeBitmap();
    frame->GetBitmap();
    TBitmap* mask = frame->GetMask();
    ASSERT_NE(mask, nullptr);
    EXPECT_EQ(mask->BitsPerPixel(), 1);
    const TColor white = RGB(255, 255, 255), black = RGB(0, 0, 0);
    EXPECT_EQ(mask->GetPixel(0, 0), black);
    EXPECT_EQ(mask->GetPixel(2, 0), white);
    EXPECT_EQ(mask->GetPixel(0, 1), white);
    EXPECT_EQ(mask->GetPixel(2, 1), black);
}

TEST(GifConversion, FrameBitmapUsesTheTablesInOrder)
{
    {
        SCOPED_TRACE("local table");
        TGIFImage image;
        Undithered(image);
        TGIFSubImage* frame = giftest::AddFrame(image, 2, 1, {0, 1});
        frame->ColorMap().Add(RGB(10, 20, 30));
        frame->ColorMap().Add(RGB(40, 50, 60));
        image.GetColorMap().Add(RGB(1, 1, 1));
        image.GetColorMap().Add(RGB(2, 2, 2));
        TBitmap bitmap;
        bitmap.Assign(*frame);
        EXPECT_EQ(bitmap.BitsPerPixel(), 8);
        EXPECT_EQ(bitmap.GetPixel(1, 0), RGB(40, 50, 60));
    }
    {
        SCOPED_TRACE("global table");
        TGIFImage image;
        Undithered(image);
        TGIFSubImage* frame = giftest::AddFrame(image, 2, 1, {0, 1});
        image.GetColorMap().Add(RGB(1, 1, 1));
        image.GetColorMap().Add(RGB(2, 2, 2));
        EXPECT_EQ(frame->GetBitmap().GetPixel(1, 0), RGB(2, 2, 2));
    }
    {
        SCOPED_TRACE("dithered onto the web palette");
        TGIFImage image;
        image.SetDrawOptions(image.DrawOptions() + TGIFDrawOptions{goDither} - TGIFDrawOptions{goAutoDither});
        TGIFSubImage* frame = giftest::AddFrame(image, 2, 1, {0, 1});
        frame->ColorMap().Add(RGB(0, 51, 102));
        frame->ColorMap().Add(RGB(255, 255, 255));
        EXPECT_EQ(GetPaletteEntries(frame->GetPalette(), 0, 0, nullptr), 216);
        EXPECT_EQ(frame->GetBitmap().GetPixel(0, 0), RGB(0, 51, 102));
    }
    {
        SCOPED_TRACE("no table at all");
        TGIFImage image;
        Undithered(image);
        TGIFSubImage* frame = giftest::AddFrame(image, 2, 1, {0, 1});
        EXPECT_EQ(ErrorOf([&] { frame->GetBitmap(); }), "No global or local color table defined");
        EXPECT_EQ(ErrorOf([&] { image.GetPalette(); }), "No global or local color table defined");
        // The failed look-up leaves the image usable once it has colours.
        image.GetColorMap().Add(RGB(7, 7, 7));
        EXPECT_EQ(frame->GetBitmap().GetPixel(0, 0), RGB(7, 7, 7));
    }
}

// The bitmap carries the frame's own table: a 4-colour frame turned into a bitmap and added
// back is a 4-colour frame again. Indices past the table get black entries.
TEST(GifConversion, FrameBitmapKeepsTheFramesTableSize)
{
    TGIFImage image;
    Undithered(image);
    TGIFSubImage* frame = giftest::AddFrame(image, 4, 1, {0, 1, 2, 3});
    giftest::FillColorMap(frame->ColorMap(), 4);
    TBitmap bitmap;
    bitmap.Assign(*frame);
    EXPECT_EQ(bitmap.BitsPerPixel(), 8);
    EXPECT_EQ(bitmap.ColorTable().size(), 4u);
    TGIFImage copy;
    copy.Add(&bitmap);
    EXPECT_EQ(copy.Images().GetImage(0)->ColorMap().Count(), 4);
    EXPECT_EQ(copy.GetBitsPerPixel(), 2);

    TGIFSubImage* past = giftest::AddFrame(image, 3, 1, {0, 1, 5});
    past->ColorMap().Add(RGB(10, 20, 30));
    past->ColorMap().Add(RGB(40, 50, 60));
    const std::vector<TRGBQuad> table = past->GetBitmap().ColorTable();
    ASSERT_EQ(table.size(), 6u);
    EXPECT_EQ(table[1].rgbRed, 40);
    EXPECT_EQ(past->GetBitmap().GetPixel(2, 0), RGB(0, 0, 0));
}

// With rendering on load every frame that has colours gets its bitmap as it is read.
TEST(GifConversion, RenderOnLoadMakesTheFrameBitmapsAtOnce)
{
    TGIFImage source;
    giftest::FillColorMap(source.GetColorMap(), 4);
    giftest::AddFrame(source, 2, 2, {0, 1, 2, 3});
    giftest::AddFrame(source, 3, 1, {3, 2, 1}, 1, 1);
    const std::vector<BYTE> bytes = giftest::SaveToBytes(source);
    for (bool render : {false, true}) {
        GIFImageRenderOnLoad = render;
        TGIFImage image;
        Undithered(image);
        try {
            giftest::LoadFromBytes(image, bytes);
        } catch (...) {
            GIFImageRenderOnLoad = false;
            throw;
        }
        GIFImageRenderOnLoad = false;
        ASSERT_EQ(image.Images().GetCount(), 2);
        for (int i = 0; i < 2; ++i) {
            TGIFSubImage* frame = image.Images().GetImage(i);
            ASSERT_EQ(frame->CachedBitmap() != nullptr, render) << i;
            EXPECT_EQ(frame->GetBitmap().GetPixel(0, 0), source.GetColorMap().GetColor(i == 0 ? 0 : 3)) << i;
        }
    }
}

TEST(GifConversion, TransparentGraphicBecomesTransparentPixels)
{
    // Covers the left half of its area only; the rest shows what is under it.
    class THalfGraphic : public TGraphic {
    public:
        THalfGraphic() { transparent_ = true; }
        int Width() const override { return 4; }
        int Height() const override { return 2; }
        bool Empty() const override { return false; }
        void Draw(TCanvas& canvas, const TRect& rect) const override
        {
            for (int y = rect.Top; y < rect.Bottom; ++y)
                for (int x = rect.Left; x < rect.Left + rect.Width() / 2; ++x)
                    canvas.SetPixels(x, y, RGB(255, 0, 0));
        }
        void LoadFromStream(TStream&) override {}
        void SaveToStream(TStream&) const override {}
    } graphic;

    TGIFImage image;
    Undithered(image);
    image.ColorReduction = rmNone;
    TGIFSubImage* frame = image.Images().GetImage(image.Add(&graphic));
    ASSERT_TRUE(frame->Transparent());
    const BYTE transparent = frame->GraphicControlExtension()->GetTransparentColorIndex();
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 4; ++x) {
            if (x < 2)
                EXPECT_EQ(frame->ColorMap().GetColor(frame->GetPixel(x, y)), RGB(255, 0, 0));
            else
                EXPECT_EQ(frame->GetPixel(x, y), transparent);
        }
    ASSERT_NE(frame->GetMask(), nullptr);
}

// Frames read from a file, on the global table of all 256 colours or on a table of their own.
TEST(GifConversion, LoadedFramesBecomeTrueColourBitmaps)
{
    TGIFImage source;
    giftest::FillColorMap(source.GetColorMap(), 256);
    std::vector<BYTE> every(256);
    for (std::size_t i = 0; i < every.size(); ++i)
        every[i] = BYTE(i * 7);
    giftest::AddFrame(source, 16, 16, every);
    TGIFSubImage* local = giftest::AddFrame(source, 5, 3, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14}, 3, 2);
    for (int i = 0; i < 16; ++i)
        local->ColorMap().Add(RGB(200 - i * 9, i * 13, 77));
    TGIFImage image;
    Undithered(image);
    giftest::LoadFromBytes(image, giftest::SaveToBytes(source));
    ASSERT_EQ(image.Images().GetCount(), 2);
    for (int f = 0; f < 2; ++f) {
        SCOPED_TRACE(f);
        TGIFSubImage* frame = image.Images().GetImage(f);
        TBitmap bitmap;
        bitmap.Assign(*frame);
        bitmap.SetPixelFormat(pf24bit);
        ASSERT_EQ(bitmap.Width(), frame->Width());
        ASSERT_EQ(bitmap.Height(), frame->Height());
        TGIFColorMap& map = frame->GetActiveColorMap();
        EXPECT_EQ(map.Count(), f == 0 ? 256 : 16);
        for (int y = 0; y < frame->Height(); ++y)
            for (int x = 0; x < frame->Width(); ++x)
                ASSERT_EQ(bitmap.GetPixel(x, y), map.GetColor(frame->GetPixel(x, y))) << x << "," << y;
    }
    EXPECT_EQ(image.Images().GetImage(1)->GetActiveColorMap().GetColor(14), RGB(200 - 14 * 9, 14 * 13, 77));
}

TEST(GifConversion, TrueColourBitmapSurvivesSaveAndLoad)
{
    TBitmap source(7, 5, pf24bit);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x)
            source.SetPixel(x, y, RGB(x * 30, y * 50, 255 - x * y * 5));
    TGIFImage image;
    image.ColorReduction = rmNone;
    image.Add(&source);
    TGIFImage reloaded;
    Undithered(reloaded);
    giftest::LoadFromBytes(reloaded, giftest::SaveToBytes(image));
    ASSERT_EQ(reloaded.Images().GetCount(), 1);
    TBitmap back;
    back.Assign(reloaded);
    back.SetPixelFormat(pf24bit);
    ASSERT_EQ(back.Width(), 7);
    ASSERT_EQ(back.Height(), 5);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x)
            ASSERT_EQ(back.GetPixel(x, y), source.GetPixel(x, y)) << x << "," << y;
}

TEST(GifConversion, ImageCopiesFramesAndExtensions)
{
    TGIFImage image;
    TGIFSubImage* frame = giftest::AddFrame(image, 3, 2, {0, 1, 2, 2, 1, 0}, 1, 1);
    giftest::FillColorMap(frame->ColorMap(), 3);
    auto* gce = new TGIFGraphicControlExtension(frame);
    frame->Extensions().Add(gce);
    gce->SetDelay(25);
    gce->SetTransparentColorIndex(1);
    gce->SetTransparent(true);
    auto* loop = new TGIFAppExtNSLoop(frame);
    loop->Loops = 3;
    frame->Extensions().Add(loop);

    TGIFImage copy;
    copy.Assign(image);
    ASSERT_EQ(copy.Images().GetCount(), 1);
    TGIFSubImage* copied = copy.Images().GetImage(0);
    EXPECT_EQ(copied->Image(), &copy);
    EXPECT_EQ(copied->GetBoundsRect(), frame->GetBoundsRect());
    ASSERT_NE(copied->GraphicControlExtension(), nullptr);
    EXPECT_NE(copied->GraphicControlExtension(), gce);
    EXPECT_TRUE(copied->Transparent());
    EXPECT_EQ(giftest::SaveToBytes(copy), giftest::SaveToBytes(image));
}
