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

const char* const BasicFiles[] = {
    "basn0g01.png", "basn0g02.png", "basn0g04.png", "basn0g08.png", "basn0g16.png",
    "basn2c08.png", "basn2c16.png", "basn3p01.png", "basn3p02.png", "basn3p04.png",
    "basn3p08.png", "basn4a08.png", "basn4a16.png", "basn6a08.png", "basn6a16.png",
    "tbbn3p08.png", "tp1n3p08.png", "s09i3p02.png", "s01n3p01.png", "s35i3p04.png",
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
    if (!std::filesystem::exists(PngSuiteDir()))
        GTEST_SKIP() << "PngSuite not found";
    kelvo::test::TTempDir dir;
    int written = 0;
    // A sample of the level x filter-set square per file and interlace method, chosen so
    // that every level and every set occurs with every colour type.
    for (std::size_t f = 0; f < std::size(BasicFiles); ++f) {
        // The pixels as they are in memory, written without a gamma chunk, are what a
        // reader that applies no gamma has to see.
        auto source = LoadPng(PngSuiteDir() / BasicFiles[f]);
        if (TChunk* gama = source->Chunks.ItemFromClass<TChunkgAMA>())
            source->Chunks.RemoveChunk(gama);
        for (int i = 0; i < 256; ++i)
            source->GammaTable[i] = source->InverseGamma[i] = BYTE(i);
        if (source->Header()->ColorType == COLOR_GRAYSCALE || source->Header()->ColorType == COLOR_GRAYSCALEALPHA)
            source->Header()->PreparePalette();
        TRgbaImage expected = PictureRgba(*source);
        for (int interlace = 0; interlace < 2; ++interlace)
            for (int k = 0; k < 5; ++k) {
                int level = int((f + k * 2 + interlace) % 10);
                const TFilters filters = FilterSets[(f * 3 + k + interlace * 5) % std::size(FilterSets)];
                SCOPED_TRACE(std::string(BasicFiles[f]) + " interlace " + std::to_string(interlace) +
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
    for (const char* name : {"tbwn0g16.png", "tbbn2c16.png", "tbgn2c16.png"}) {
        const auto original = ReadFile(PngSuiteDir() / name);
        if (original.empty())
            GTEST_SKIP() << "PngSuite not found";
        const std::vector<std::uint8_t> shown = alphaOf(PictureRgba(*load(original)));
        ASSERT_GT(std::count(shown.begin(), shown.end(), 0), 0) << name;
        for (int interlace = 0; interlace < 2; ++interlace) {
            SCOPED_TRACE(std::string(name) + " interlace " + std::to_string(interlace));
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
