// Files this library writes: valid for pngcheck and decoded by libpng to the same pixels,
// for every colour type and depth, both interlace methods, every level and filter set.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>

#include "platform/bitmap.h"
#include "png_test_util.h"
#include "support/paths.h"

using namespace pngtest;

namespace {

// Every colour type and depth, colour keys and palette opacities, odd sizes and interlaced
// sources.
struct TSource {
    const char* Name;
    std::uint32_t Width, Height;
    int Depth, ColorType;
    TPatternOptions Options;
};
const TSource Sources[] = {
    {"grey 1", 32, 32, 1, 0, {}},
    {"grey 2", 32, 32, 2, 0, {}},
    {"grey 4", 32, 32, 4, 0, {}},
    {"grey 8", 32, 32, 8, 0, {}},
    {"grey 16", 32, 32, 16, 0, {}},
    {"rgb 8", 32, 32, 8, 2, {}},
    {"rgb 16", 32, 32, 16, 2, {}},
    {"palette 1", 32, 32, 1, 3, {}},
    {"palette 2", 32, 32, 2, 3, {}},
    {"palette 4", 32, 32, 4, 3, {}},
    {"palette 8", 32, 32, 8, 3, {}},
    {"grey alpha 8", 32, 32, 8, 4, {}},
    {"grey alpha 16", 32, 32, 16, 4, {}},
    {"rgba 8", 32, 32, 8, 6, {}},
    {"rgba 16", 32, 32, 16, 6, {}},
    {"palette 8 colour key", 32, 32, 8, 3, TPatternOptions().With(MakeChunk("tRNS", {255, 255, 0}))},
    {"palette 8 opacities", 32, 32, 8, 3, TPatternOptions().With(MakeChunk("tRNS", {0, 40, 128, 200, 255, 17}))},
    {"palette 2 9x9 interlaced", 9, 9, 2, 3, TPatternOptions().Adam7()},
    {"palette 1 1x1", 1, 1, 1, 3, {}},
    {"palette 4 35x35 interlaced", 35, 35, 4, 3, TPatternOptions().Adam7()},
};

const TFilters FilterSets[] = {
    TFilters{},       TFilters{pfNone},  TFilters{pfSub},   TFilters{pfUp},
    TFilters{pfAverage}, TFilters{pfPaeth}, TFilters{pfNone, pfSub, pfUp, pfAverage, pfPaeth},
    TFilters{pfSub, pfPaeth},
};

} // namespace

TEST(PngWriter, WrittenFilesPassPngcheckAndDecodeWithLibpng)
{
#ifndef KELVO_HAVE_LIBPNG
    GTEST_SKIP() << "libpng not available";
#endif
    kelvo::test::TTempDir dir;
    int written = 0;
    // A sample of the level x filter-set square per file and interlace method, chosen so
    // that every level and every set occurs with every colour type.
    for (std::size_t f = 0; f < std::size(Sources); ++f) {
        const TSource& from = Sources[f];
        const auto file = PatternPng(from.Width, from.Height, from.Depth, from.ColorType, from.Options);
        // The pixels as they are in memory, written without a gamma chunk, are what a
        // reader that applies no gamma has to see.
        auto source = LoadPng(file);
        if (TChunk* gama = source->Chunks.ItemFromClass<TChunkgAMA>())
            source->Chunks.RemoveChunk(gama);
        for (int i = 0; i < 256; ++i)
            source->GammaTable[i] = source->InverseGamma[i] = BYTE(i);
        if (source->Header()->ColorType == COLOR_GRAYSCALE || source->Header()->ColorType == COLOR_GRAYSCALEALPHA)
            source->Header()->PreparePalette();
        TRgbaImage expected = PictureRgba(*source);
        ASSERT_TRUE(LibpngRgba(file).Pixels == expected.Pixels) << from.Name;
        for (int interlace = 0; interlace < 2; ++interlace)
            for (int k = 0; k < 5; ++k) {
                int level = int((f + k * 2 + interlace) % 10);
                const TFilters filters = FilterSets[(f * 3 + k + interlace * 5) % std::size(FilterSets)];
                SCOPED_TRACE(std::string(from.Name) + " interlace " + std::to_string(interlace) +
                             " level " + std::to_string(level) + " filters " +
                             std::to_string(filters.Bits()));
                TPNGObject png;
                png.AssignPNG(*source);
                png.InterlaceMethod = interlace ? imAdam7 : imNone;
                png.SetCompressionLevel(level);
                png.Filters = filters;
                auto bytes = SavePng(png);
                std::string error;
                TRgbaImage decoded = LibpngRgba(bytes, &error);
                ASSERT_EQ(error, "");
                ASSERT_EQ(decoded.Width, expected.Width);
                ASSERT_EQ(decoded.Height, expected.Height);
                EXPECT_TRUE(decoded.Pixels == expected.Pixels);
                // And back through our own reader.
                EXPECT_TRUE(PictureRgba(*LoadPng(bytes)).Pixels == expected.Pixels);
                TMemoryStream out;
                out.Write(bytes.data(), std::int64_t(bytes.size()));
                // Prefixing a temporary string makes GCC 12 at -O3 see an overlapping copy
                // (-Wrestrict) that is not there; a named number keeps the build clean.
                const std::string number = std::to_string(written++);
                out.SaveToFile((dir / ("w" + number + ".png")).string());
            }
    }
    if (!kelvo::test::HaveTool("pngcheck"))
        GTEST_SKIP() << "pngcheck not available";
    int code = -1;
    std::string report = kelvo::test::RunCommand("pngcheck -q " + dir.Path().string() + "/*.png 2>&1", &code);
    EXPECT_EQ(code, 0) << report;
}

// Only the high byte of a 16-bit sample is kept, and that is what is written back; the colour
// key has to be written the same way, so that the saved file, read by us or by libpng, has
// the transparent pixels the loaded picture showed.
TEST(PngWriter, SixteenBitColourKeyKeepsItsTransparentPixels)
{
#ifndef KELVO_HAVE_LIBPNG
    GTEST_SKIP() << "libpng not available";
#endif
    auto alphaOf = [](const TRgbaImage& image) {
        std::vector<std::uint8_t> alpha;
        for (std::size_t i = 3; i < image.Pixels.size(); i += 4)
            alpha.push_back(image.Pixels[i]);
        return alpha;
    };
    // Without a gamma chunk, so that colours map one to one and the key compares samples.
    auto load = [](const std::vector<std::uint8_t>& bytes) {
        auto png = LoadPng(bytes);
        if (TChunk* gama = png->Chunks.ItemFromClass<TChunkgAMA>())
            png->Chunks.RemoveChunk(gama);
        for (int i = 0; i < 256; ++i)
            png->GammaTable[i] = png->InverseGamma[i] = BYTE(i);
        png->Header()->PreparePalette();
        return png;
    };
    // Beside pixels that are the key: pixels that share only its high bytes or only its low.
    const struct {
        const char* Name;
        std::uint32_t Width;
        int ColorType;
        std::vector<std::uint8_t> Key, Rows;
    } cases[] = {
        {"grey", 4, 0, {0x80, 0x40},
         {0, 0x80, 0x40, 0x80, 0xFF, 0x12, 0x34, 0x80, 0x40, 0, 0x00, 0x40, 0x80, 0x40, 0xFF, 0xFF, 0x00, 0x00}},
        {"rgb", 3, 2, {0x10, 0x20, 0x30, 0x40, 0x50, 0x60},
         {0, 0x10, 0x20, 0x30, 0x40, 0x50, 0x60, 0x10, 0xFF, 0x30, 0xFF, 0x50, 0xFF, 0x11, 0x20, 0x30, 0x40, 0x50, 0x60,
          0, 0x00, 0x20, 0x00, 0x40, 0x00, 0x60, 0x10, 0x20, 0x30, 0x40, 0x50, 0x60, 0xAB, 0xCD, 0xEF, 0x01, 0x23, 0x45}},
    };
    for (const auto& c : cases) {
        const auto original = MakePng({MakeChunk("IHDR", IhdrData(c.Width, 2, 16, c.ColorType)), MakeChunk("tRNS", c.Key),
                                       MakeChunk("IDAT", Zlib(c.Rows)), MakeChunk("IEND", {})});
        const std::vector<std::uint8_t> shown = alphaOf(PictureRgba(*load(original)));
        ASSERT_GT(std::count(shown.begin(), shown.end(), 0), 0) << c.Name;
        for (int interlace = 0; interlace < 2; ++interlace) {
            SCOPED_TRACE(std::string(c.Name) + " interlace " + std::to_string(interlace));
            auto png = load(original);
            png->InterlaceMethod = interlace ? imAdam7 : imNone;
            const auto saved = SavePng(*png);
            std::string error;
            const TRgbaImage reference = LibpngRgba(saved, &error);
            ASSERT_EQ(error, "");
            EXPECT_TRUE(alphaOf(reference) == shown);
            EXPECT_TRUE(alphaOf(PictureRgba(*LoadPng(saved))) == shown);
        }
    }
}

TEST(PngWriter, ImageDataIsSplitAtMaxIdatSize)
{
    // Noise does not compress, so level 0 gives well over three buffers of data.
    TBitmap bitmap(300, 300, pf24bit);
    std::mt19937 random(7);
    for (int y = 0; y < 300; ++y) {
        BYTE* row = bitmap.ScanLine(y);
        for (int x = 0; x < 900; ++x)
            row[x] = BYTE(random());
    }
    TPNGObject png;
    png.Assign(bitmap);
    png.SetCompressionLevel(0);
    png.SetMaxIdatSize(1000);
    EXPECT_EQ(png.MaxIdatSize(), 65535u);
    auto bytes = SavePng(png);
    auto chunks = ListChunks(bytes);
    std::vector<std::uint32_t> idat;
    for (const auto& c : chunks)
        if (c.Name == "IDAT")
            idat.push_back(c.Length);
    ASSERT_GE(idat.size(), 4u);
    for (std::size_t i = 0; i + 1 < idat.size(); ++i)
        EXPECT_EQ(idat[i], 65535u);
    EXPECT_GT(idat.back(), 0u);
    EXPECT_LE(idat.back(), 65535u);
    EXPECT_EQ(chunks.back().Name, "IEND");
    auto again = LoadPng(bytes);
    for (int y = 0; y < 300; y += 37)
        EXPECT_EQ(std::memcmp(again->GetScanline(y), bitmap.ScanLine(y), 900), 0);
#ifdef KELVO_HAVE_LIBPNG
    std::string error;
    TRgbaImage decoded = LibpngRgba(bytes, &error);
    EXPECT_EQ(error, "");
    EXPECT_TRUE(decoded.Pixels == PictureRgba(*again).Pixels);
#endif
    // A one-pixel image needs a single IDAT chunk.
    TBitmap one(1, 1, pf24bit);
    TPNGObject small;
    small.Assign(one);
    int count = 0;
    for (const auto& c : ListChunks(SavePng(small)))
        count += c.Name == "IDAT";
    EXPECT_EQ(count, 1);
}
