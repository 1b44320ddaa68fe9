// Damaged files: truncated and bit-flipped variants of suite files either load or raise one
// of the library's exceptions. Run under the sanitizers this also finds reads out of bounds.
#include <gtest/gtest.h>

#include <random>

#include "png_test_util.h"

using namespace pngtest;

namespace {

bool IsLibraryException(const std::exception& e)
{
    return dynamic_cast<const EPNGOutMemory*>(&e) || dynamic_cast<const EPngError*>(&e) ||
           dynamic_cast<const EPngUnexpectedEnd*>(&e) || dynamic_cast<const EPngInvalidCRC*>(&e) ||
           dynamic_cast<const EPngInvalidIHDR*>(&e) || dynamic_cast<const EPNGMissingMultipleIDAT*>(&e) ||
           dynamic_cast<const EPNGZLIBError*>(&e) || dynamic_cast<const EPNGInvalidPalette*>(&e) ||
           dynamic_cast<const EPNGInvalidFileHeader*>(&e) || dynamic_cast<const EPNGIHDRNotFirst*>(&e) ||
           dynamic_cast<const EPNGSizeExceeds*>(&e) || dynamic_cast<const EPNGMissingPalette*>(&e) ||
           dynamic_cast<const EPNGUnknownCriticalChunk*>(&e) ||
           dynamic_cast<const EPNGUnknownCompression*>(&e) || dynamic_cast<const EPNGUnknownInterlace*>(&e) ||
           dynamic_cast<const EPNGNoImageData*>(&e) || dynamic_cast<const EPNGHeaderNotPresent*>(&e);
}

// Loads the bytes; a loaded picture is also drawn and saved, the paths that read its buffers.
void Exercise(const std::vector<std::uint8_t>& bytes, int& loaded, int& refused)
{
    try {
        auto png = LoadPng(bytes);
        ++loaded;
        SavePng(*png);
        png->GetPixels(0, 0);
    } catch (const std::exception& e) {
        ++refused;
        EXPECT_TRUE(IsLibraryException(e)) << e.what();
    }
}

} // namespace

TEST(PngRobustness, DamagedSuiteFilesLoadOrRaiseLibraryErrors)
{
    const char* const files[] = {"basn0g01.png", "basi0g02.png", "basn2c16.png", "basi3p04.png",
                                 "basn3p08.png", "basi4a16.png", "basn6a08.png", "oi9n2c16.png",
                                 "ctzn0g04.png", "tbbn3p08.png", "s02i3p01.png", "f99n0g04.png"};
    std::mt19937 random(20261210);
    int loaded = 0, refused = 0;
    for (const char* name : files) {
        auto original = ReadFile(PngSuiteDir() / name);
        if (original.empty())
            GTEST_SKIP() << "PngSuite not found";
        SCOPED_TRACE(name);
        // Every truncation length near the framing, then a spread of others.
        for (std::size_t len = 0; len < original.size(); len += len < 64 ? 1 : 7)
            Exercise(std::vector<std::uint8_t>(original.begin(), original.begin() + std::ptrdiff_t(len)),
                     loaded, refused);
        for (int i = 0; i < 200; ++i) {
            auto bytes = original;
            int flips = 1 + int(random() % 3);
            for (int k = 0; k < flips; ++k)
                bytes[random() % bytes.size()] ^= std::uint8_t(1u << (random() % 8));
            Exercise(bytes, loaded, refused);
        }
        // Damage that keeps the CRCs right, so that the decoder itself meets it.
        for (int i = 0; i < 60; ++i) {
            auto chunks = ListChunks(original);
            std::vector<std::vector<std::uint8_t>> rebuilt;
            std::size_t pos = 8;
            for (const auto& c : chunks) {
                std::vector<std::uint8_t> data(original.begin() + std::ptrdiff_t(pos + 8),
                                               original.begin() + std::ptrdiff_t(pos + 8 + c.Length));
                if (!data.empty() && (random() % 3 == 0))
                    data[random() % data.size()] ^= std::uint8_t(1u << (random() % 8));
                rebuilt.push_back(MakeChunk(c.Name, data));
                pos += 12 + c.Length;
            }
            Exercise(MakePng(rebuilt), loaded, refused);
        }
    }
    EXPECT_GT(loaded, 0);
    EXPECT_GT(refused, 1000);
}

// A header may ask for up to 65535 x 65535 pixels; the buffers are only made when the image
// data that follows could fill them, whatever else pads the file.
TEST(PngRobustness, HeadersAskingForMoreThanTheImageDataCanFillAreRefused)
{
    auto end = MakeChunk("IEND", {});
    auto tinyData = MakeChunk("IDAT", Zlib({0, 0, 0, 0, 0}));
    struct TCase {
        const char* what;
        std::vector<std::uint8_t> bytes;
    };
    const TCase refused[] = {
        {"16384 x 16384 RGBA with a few bytes of data",
         MakePng({MakeChunk("IHDR", IhdrData(16384, 16384, 8, 6)), tinyData, end})},
        {"the same, padded with a large private chunk",
         MakePng({MakeChunk("IHDR", IhdrData(16384, 16384, 8, 6)),
                  MakeChunk("prVt", std::vector<std::uint8_t>(2'000'000, 0)), tinyData, end})},
        {"image data after another chunk is not part of the image",
         MakePng({MakeChunk("IHDR", IhdrData(20000, 20000, 16, 2)), tinyData, MakeChunk("prVt", {1}),
                  MakeChunk("IDAT", std::vector<std::uint8_t>(100'000, 0)), end})},
    };
    for (const auto& c : refused)
        EXPECT_THROW(LoadPng(c.bytes), EPNGOutMemory) << c.what;

    // Data that really is this compressible still loads: 3000 x 3000 grey zeros.
    std::vector<std::uint8_t> rows(std::size_t(3001) * 3000, 0);
    auto png = LoadPng(MakePng({MakeChunk("IHDR", IhdrData(3000, 3000, 8, 0)), MakeChunk("IDAT", Zlib(rows)), end}));
    EXPECT_EQ(png->Width(), 3000);
    EXPECT_EQ(png->GetScanline(2999)[2999], 0);
}
