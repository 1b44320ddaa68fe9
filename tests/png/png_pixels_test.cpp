// Pixel formats in memory, single-pixel access, transparency and bitmap conversion.
#include <gtest/gtest.h>

#include <cstring>
#include <zlib.h>

#include "platform/bitmap.h"
#include "png_test_util.h"

using namespace pngtest;

namespace {

// The image data of a file, inflated (filter bytes included).
std::vector<std::uint8_t> InflatedImageData(const std::vector<std::uint8_t>& bytes)
{
    std::vector<std::uint8_t> packed;
    std::size_t pos = 8;
    for (const auto& c : ListChunks(bytes)) {
        if (c.Name == "IDAT")
            packed.insert(packed.end(), bytes.begin() + std::ptrdiff_t(pos + 8),
                          bytes.begin() + std::ptrdiff_t(pos + 8 + c.Length));
        pos += 12 + c.Length;
    }
    std::vector<std::uint8_t> out(1 << 20);
    uLongf size = uLongf(out.size());
    if (uncompress(out.data(), &size, packed.data(), uLong(packed.size())) != Z_OK)
        return {};
    out.resize(size);
    return out;
}

std::vector<std::uint8_t> Header(std::vector<std::uint8_t> bytes)
{
    std::vector<std::uint8_t> d(bytes.begin() + 16, bytes.begin() + 29);
    return d;
}

std::unique_ptr<TPNGObject> FromChunks(std::uint32_t w, std::uint32_t h, int depth, int type,
                                       const std::vector<std::uint8_t>& rows,
                                       const std::vector<std::vector<std::uint8_t>>& extra = {})
{
    std::vector<std::vector<std::uint8_t>> chunks = {MakeChunk("IHDR", IhdrData(w, h, depth, type))};
    chunks.insert(chunks.end(), extra.begin(), extra.end());
    chunks.push_back(MakeChunk("IDAT", Zlib(rows)));
    chunks.push_back(MakeChunk("IEND", {}));
    return LoadPng(MakePng(chunks));
}

std::vector<std::uint8_t> Plte(int n)
{
    std::vector<std::uint8_t> p;
    for (int i = 0; i < n; ++i) {
        p.push_back(std::uint8_t(i * 40));
        p.push_back(std::uint8_t(255 - i * 30));
        p.push_back(std::uint8_t(i * 5 + 1));
    }
    return p;
}

} // namespace

TEST(PngPixels, SixteenBitKeepsHighBytesAndWritesZeroLowBytes)
{
    auto png = FromChunks(2, 1, 16, 2, {0, 0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC, 0xFE, 0xDC, 0xBA, 0x98, 0x76, 0x54});
    const BYTE* row = png->GetScanline(0);
    EXPECT_EQ(row[0], 0x9A); // blue first
    EXPECT_EQ(row[1], 0x56);
    EXPECT_EQ(row[2], 0x12);
    EXPECT_EQ(row[5], 0xFE);
    png->Filters = TFilters{pfNone};
    auto data = InflatedImageData(SavePng(*png));
    ASSERT_EQ(data.size(), 13u);
    EXPECT_EQ(data[1], 0x12);
    for (int i = 2; i < 13; i += 2)
        EXPECT_EQ(data[std::size_t(i)], 0) << i;
}

TEST(PngPixels, TwoBitGreyShowsFourLevelsAndSavesAsFourBit)
{
    // Levels 0, 1, 2, 3 in one byte; key level 2.
    auto png = FromChunks(4, 1, 2, 0, {0, 0x1B}, {MakeChunk("tRNS", {0, 2})});
    const TColor shown[] = {RGB(0, 0, 0), RGB(85, 85, 85), RGB(170, 170, 170), RGB(255, 255, 255)};
    for (int x = 0; x < 4; ++x)
        EXPECT_EQ(png->GetPixels(x, 0), shown[x]) << x;
    EXPECT_EQ(png->GetTransparentColor(), RGB(170, 170, 170));
    png->Filters = TFilters{pfNone};
    auto bytes = SavePng(*png);
    EXPECT_EQ(Header(bytes)[8], 4);
    auto data = InflatedImageData(bytes);
    ASSERT_EQ(data.size(), 3u);
    EXPECT_EQ(data[1], 0x05);
    EXPECT_EQ(data[2], 0xAF);
    auto again = LoadPng(bytes);
    EXPECT_EQ(again->Chunks.ItemFromClass<TChunktRNS>()->Data[1], 10);
    EXPECT_EQ(again->GetTransparentColor(), RGB(170, 170, 170));
    for (int x = 0; x < 4; ++x)
        EXPECT_EQ(again->GetPixels(x, 0), shown[x]) << x;

    // 2-bit palette images are written as 4-bit ones with the same indices.
    auto pal = FromChunks(4, 1, 2, 3, {0, 0x1B}, {MakeChunk("PLTE", Plte(4))});
    auto palBytes = SavePng(*pal);
    EXPECT_EQ(Header(palBytes)[8], 4);
    EXPECT_TRUE(PictureRgba(*LoadPng(palBytes)).Pixels == PictureRgba(*pal).Pixels);
}

TEST(PngPixels, TransparencyModes)
{
    auto plte = MakeChunk("PLTE", Plte(4));
    const struct {
        std::vector<std::uint8_t> Trns;
        TPNGTransparencyMode Mode;
    } cases[] = {
        {{255, 0, 255}, ptmBit},
        {{0, 0}, ptmPartial},
        {{255, 128}, ptmPartial}, // one half-transparent entry cannot be a colour key
        {{255, 255}, ptmPartial},
    };
    for (const auto& c : cases) {
        auto png = FromChunks(4, 1, 8, 3, {0, 0, 1, 2, 3}, {plte, MakeChunk("tRNS", c.Trns)});
        EXPECT_EQ(png->GetTransparencyMode(), c.Mode);
    }
    EXPECT_EQ(FromChunks(1, 1, 8, 3, {0, 0}, {plte})->GetTransparencyMode(), ptmNone);
    EXPECT_EQ(FromChunks(1, 1, 8, 2, {0, 1, 2, 3})->GetTransparencyMode(), ptmNone);
    EXPECT_EQ(FromChunks(1, 1, 8, 2, {0, 1, 2, 3}, {MakeChunk("tRNS", {0, 1, 0, 2, 0, 3})})->GetTransparencyMode(), ptmBit);
    EXPECT_EQ(FromChunks(1, 1, 8, 4, {0, 1, 2})->GetTransparencyMode(), ptmPartial);
    auto bit = FromChunks(4, 1, 8, 3, {0, 0, 1, 2, 3}, {plte, MakeChunk("tRNS", {255, 0})});
    EXPECT_EQ(bit->GetTransparentColor(), RGB(40, 225, 6));
    EXPECT_TRUE(bit->Transparent());
}

TEST(PngPixels, TransparentColourRoundTrips)
{
    const struct {
        int Type, Depth;
        TColor Colour;
    } cases[] = {
        {0, 8, RGB(77, 77, 77)}, {0, 16, RGB(200, 200, 200)}, {0, 4, RGB(34, 34, 34)},
        {0, 1, RGB(255, 255, 255)}, {2, 8, RGB(1, 2, 3)}, {2, 16, RGB(250, 128, 7)},
        {3, 8, RGB(80, 195, 11)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.Type) + "/" + std::to_string(c.Depth));
        std::vector<std::vector<std::uint8_t>> extra;
        if (c.Type == 3)
            extra.push_back(MakeChunk("PLTE", Plte(4)));
        std::size_t rowBytes = RowBytesForPixels(1, BYTE(c.Type), BYTE(c.Depth));
        auto png = FromChunks(1, 1, c.Depth, c.Type, std::vector<std::uint8_t>(rowBytes + 1, 0), extra);
        png->SetTransparentColor(c.Colour);
        EXPECT_EQ(png->GetTransparentColor(), c.Colour);
        EXPECT_EQ(png->GetTransparencyMode(), ptmBit);
        auto again = LoadPng(SavePng(*png));
        EXPECT_EQ(again->GetTransparentColor(), c.Colour);
    }
    // The palette's own entries only: a colour it lacks makes nothing transparent, even when
    // the unused table entries (black) would match.
    auto pal = FromChunks(2, 1, 8, 3, {0, 0, 1}, {MakeChunk("PLTE", Plte(2))});
    pal->SetTransparentColor(RGB(0, 0, 0));
    EXPECT_EQ(pal->GetTransparencyMode(), ptmPartial);
    EXPECT_EQ(PictureRgba(*pal).Pixels[3], 255);
    EXPECT_EQ(PictureRgba(*pal).Pixels[7], 255);

    auto rgba = FromChunks(1, 1, 8, 6, {0, 1, 2, 3, 4});
    EXPECT_THROW(rgba->SetTransparentColor(0), EPNGCannotChangeTransparent);
}

TEST(PngPixels, ScanlinesAndPixelAccess)
{
    std::vector<std::uint8_t> rows;
    for (int y = 0; y < 3; ++y) {
        rows.push_back(0);
        for (int x = 0; x < 300; ++x)
            for (int c = 0; c < 3; ++c)
                rows.push_back(std::uint8_t(x + y * 10 + c));
    }
    auto png = FromChunks(300, 3, 8, 2, rows);
    TChunkIHDR* h = png->Header();
    EXPECT_EQ(png->GetScanline(0), h->ImageData.data() + 2 * h->BytesPerRow);
    EXPECT_EQ(png->GetPixels(299, 1), RGB(BYTE(309), BYTE(310), BYTE(311)));
    EXPECT_EQ(png->GetPixels(300, 1), 0);
    EXPECT_EQ(png->GetPixels(-1, 0), 0);
    png->SetPixels(5, 2, RGB(9, 8, 7));
    EXPECT_EQ(png->GetPixels(5, 2), RGB(9, 8, 7));
    png->SetPixels(300, 0, RGB(1, 1, 1)); // ignored

    // Palette: the colour-table colour, no second gamma mapping; setting searches the
    // palette's own entries.
    auto pal = LoadPng(PatternPng(32, 32, 4, 3, TPatternOptions().With(GamaChunk(40000))));
    const BYTE* row = pal->GetScanline(3);
    int index = row[0] >> 4;
    TRGBQuad q = pal->Header()->BitmapInfo.bmiColors[index];
    EXPECT_EQ(pal->GetPixels(0, 3), RGB(q.rgbRed, q.rgbGreen, q.rgbBlue));
    auto small = FromChunks(4, 1, 4, 3, {0, 0x01, 0x10}, {MakeChunk("PLTE", {200, 200, 200, 100, 100, 100})});
    small->SetPixels(2, 0, RGB(0, 0, 0)); // nearest own entry is 1, not an empty black one
    EXPECT_EQ(small->GetScanline(0)[1] >> 4, 1);
    EXPECT_EQ(small->GetPixels(2, 0), RGB(100, 100, 100));

    // Grey with alpha is read and written as grey.
    auto ga = FromChunks(2, 1, 8, 4, {0, 10, 255, 20, 128});
    EXPECT_EQ(ga->GetPixels(1, 0), RGB(20, 20, 20));
    ga->SetPixels(0, 0, RGB(90, 90, 90));
    EXPECT_EQ(ga->GetPixels(0, 0), RGB(90, 90, 90));
    EXPECT_EQ(ga->GetAlphaScanline(0)[1], 128);

    // 4-bit grey: levels through the ramp.
    auto g4 = FromChunks(2, 1, 4, 0, {0, 0x3F});
    EXPECT_EQ(g4->GetPixels(0, 0), RGB(51, 51, 51));
    g4->SetPixels(0, 0, RGB(240, 240, 240));
    EXPECT_EQ(g4->GetPixels(0, 0), RGB(238, 238, 238));
}

TEST(PngPixels, CreateAlpha)
{
    auto rgb = FromChunks(2, 1, 8, 2, {0, 1, 2, 3, 4, 5, 6}, {MakeChunk("tRNS", {0, 1, 0, 2, 0, 3})});
    rgb->CreateAlpha();
    EXPECT_EQ(rgb->Header()->ColorType, COLOR_RGBALPHA);
    EXPECT_EQ(rgb->GetAlphaScanline(0)[0], 255);
    EXPECT_EQ(rgb->GetAlphaScanline(0)[1], 255);
    EXPECT_FALSE(rgb->Chunks.ItemFromClass<TChunktRNS>());
    EXPECT_EQ(rgb->GetPixels(1, 0), RGB(4, 5, 6));

    auto g4 = FromChunks(3, 1, 4, 0, {0, 0x0F, 0x80});
    auto before = PictureRgba(*g4);
    g4->CreateAlpha();
    EXPECT_EQ(g4->Header()->ColorType, COLOR_GRAYSCALEALPHA);
    EXPECT_EQ(g4->Header()->BitDepth, 8);
    EXPECT_TRUE(PictureRgba(*g4).Pixels == before.Pixels);
    auto saved = LoadPng(SavePng(*g4));
    EXPECT_TRUE(PictureRgba(*saved).Pixels == before.Pixels);

    auto pal = FromChunks(2, 1, 4, 3, {0, 0x01}, {MakeChunk("PLTE", Plte(2))});
    pal->CreateAlpha();
    auto trns = pal->Chunks.ItemFromClass<TChunktRNS>();
    ASSERT_TRUE(trns);
    EXPECT_EQ(trns->DataSize, 16u);
    EXPECT_EQ(pal->GetTransparencyMode(), ptmPartial);
}

TEST(PngPixels, BitmapConversions)
{
    // To a bitmap: format by DIB depth, same pixels, colour key carried over.
    auto pal = LoadPng(PatternPng(32, 32, 8, 3, TPatternOptions().With(MakeChunk("tRNS", {255, 0}))));
    TBitmap bmp;
    bmp.Assign(*pal);
    EXPECT_EQ(bmp.PixelFormat(), pf8bit);
    EXPECT_TRUE(bmp.Transparent());
    EXPECT_EQ(bmp.TransparentColor(), pal->GetTransparentColor());
    for (int y = 0; y < 32; y += 5)
        for (int x = 0; x < 32; x += 3)
            EXPECT_EQ(bmp.GetPixel(x, y), pal->GetPixels(x, y));
    auto grey = LoadPng(PatternPng(32, 32, 1, 0));
    TBitmap mono;
    mono.Assign(*grey);
    EXPECT_EQ(mono.PixelFormat(), pf1bit);

    // From a bitmap: 24 and 32 bits give truecolour, palettes a palette image.
    TBitmap rgb(5, 3, pf32bit);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x)
            rgb.SetPixel(x, y, RGB(x * 50, y * 80, 7));
    rgb.SetTransparentColor(RGB(50, 80, 7));
    rgb.SetTransparent(true);
    TPNGObject fromRgb;
    fromRgb.Assign(rgb);
    EXPECT_EQ(fromRgb.Header()->ColorType, COLOR_RGB);
    EXPECT_EQ(fromRgb.GetPixels(4, 2), RGB(200, 160, 7));
    EXPECT_EQ(fromRgb.GetTransparentColor(), RGB(50, 80, 7));
    std::vector<std::string> names;
    for (std::size_t i = 0; i < fromRgb.Chunks.Count(); ++i)
        names.push_back(fromRgb.Chunks.GetItem(i)->ChunkName);
    EXPECT_EQ(names, (std::vector<std::string>{"IHDR", "tRNS", "IDAT", "IEND"}));

    TBitmap indexed(4, 2, pf4bit);
    indexed.SetPixel(1, 1, RGB(255, 0, 0));
    TPNGObject fromIndexed;
    fromIndexed.Assign(indexed);
    EXPECT_EQ(fromIndexed.Header()->ColorType, COLOR_PALETTE);
    EXPECT_EQ(fromIndexed.Header()->BitDepth, 4);
    EXPECT_EQ(fromIndexed.Chunks.ItemFromClass<TChunkPLTE>()->Count(), 16);
    EXPECT_EQ(fromIndexed.GetPixels(1, 1), indexed.GetPixel(1, 1));
#ifdef KELVO_HAVE_LIBPNG
    for (TPNGObject* png : {&fromRgb, &fromIndexed}) {
        std::string error;
        auto decoded = LibpngRgba(SavePng(*png), &error);
        EXPECT_EQ(error, "");
        EXPECT_TRUE(decoded.Pixels == PictureRgba(*png).Pixels);
    }
#endif
    EXPECT_EQ((fromRgb.SetCompressionLevel(12), fromRgb.CompressionLevel()), 9);
    EXPECT_EQ((fromRgb.SetCompressionLevel(-3), fromRgb.CompressionLevel()), 0);
}
