// Damaged files: truncated and bit-flipped variants of valid files either load or raise one
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

TEST(PngRobustness, DamagedFilesLoadOrRaiseLibraryErrors)
{
    std::vector<std::uint8_t> ztxt = {'C', 'o', 'm', 'm', 'e', 'n', 't', 0, 0};
    const auto packed = Zlib(std::vector<std::uint8_t>(300, 'z'));
    ztxt.insert(ztxt.end(), packed.begin(), packed.end());
    const struct {
        const char* Name;
        std::uint32_t Width, Height;
        int Depth, ColorType;
        TPatternOptions Options;
    } files[] = {
        {"grey 1", 32, 32, 1, 0, {}},
        {"grey 2 interlaced", 32, 32, 2, 0, TPatternOptions().Adam7()},
        {"rgb 16", 32, 32, 16, 2, TPatternOptions().Filtered()},
        {"palette 4 interlaced", 32, 32, 4, 3, TPatternOptions().Adam7()},
        {"palette 8", 32, 32, 8, 3, {}},
        {"grey alpha 16 interlaced", 32, 32, 16, 4, TPatternOptions().Adam7().Filtered()},
        {"rgba 8", 32, 32, 8, 6, TPatternOptions().Filtered()},
        {"rgb 16 in 40 IDAT chunks", 32, 32, 16, 2, TPatternOptions().Split(40)},
        {"grey 4 with zTXt", 32, 32, 4, 0, TPatternOptions().With(MakeChunk("zTXt", ztxt))},
        {"palette 8 colour key and background", 32, 32, 8, 3,
         TPatternOptions().With(MakeChunk("tRNS", {255, 0})).With(MakeChunk("bKGD", {1}))},
        {"palette 1 2x2 interlaced", 2, 2, 1, 3, TPatternOptions().Adam7()},
        {"grey 4 mixed filters", 32, 32, 4, 0, TPatternOptions().Filtered()},
    };
    std::mt19937 random(20261210);
    int loaded = 0, refused = 0;
    for (const auto& file : files) {
        const auto original = PatternPng(file.Width, file.Height, file.Depth, file.ColorType, file.Options);
        SCOPED_TRACE(file.Name);
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

// A file that ends inside its image data is cut, and says so, also when the data present could
// never fill what its header asks for; a complete file with too little data is still refused
// for the memory it would cost.
TEST(PngRobustness, FilesCutInsideTheirImageDataEndEarly)
{
    auto end = MakeChunk("IEND", {});
    auto cut = [](std::vector<std::uint8_t> bytes, std::size_t length) {
        bytes.resize(length);
        return bytes;
    };
    // 320 x 240 RGB noise with a comment before its one IDAT, as a photograph might be saved.
    std::vector<std::uint8_t> rows;
    std::uint32_t state = 1;
    for (int y = 0; y < 240; ++y) {
        rows.push_back(0);
        for (int x = 0; x < 320 * 3; ++x) {
            state = state * 1103515245u + 12345u;
            rows.push_back(std::uint8_t(state >> 24));
        }
    }
    std::vector<std::uint8_t> comment = {'C', 'o', 'm', 'm', 'e', 'n', 't', 0};
    comment.resize(150, 'x');
    const auto photo = MakePng({MakeChunk("IHDR", IhdrData(320, 240, 8, 2)), MakeChunk("tEXt", comment),
                                MakeChunk("IDAT", Zlib(rows)), end});
    // 2000 x 2000 grey zeros, their data split over IDAT chunks of 1000 bytes.
    const auto zeros = Zlib(std::vector<std::uint8_t>(std::size_t(2001) * 2000, 0));
    std::vector<std::vector<std::uint8_t>> split = {MakeChunk("IHDR", IhdrData(2000, 2000, 8, 0))};
    for (std::size_t at = 0; at < zeros.size(); at += 1000)
        split.push_back(MakeChunk(
            "IDAT", std::vector<std::uint8_t>(zeros.begin() + std::ptrdiff_t(at),
                                              zeros.begin() + std::ptrdiff_t(std::min(at + 1000, zeros.size())))));
    split.push_back(end);
    const auto zerosFile = MakePng(split);
    ASSERT_GT(zeros.size(), 3000u);
    const std::size_t thirdIdat = 8 + 25 + 2 * 1012 + 8 + 500;

    struct TCase {
        const char* what;
        std::vector<std::uint8_t> bytes;
        bool cut;
    } cases[] = {
        {"the photograph cut at 100 bytes, inside the comment", cut(photo, 100), true},
        {"the photograph cut at 300 bytes, inside its image data", cut(photo, 300), true},
        {"the photograph cut in the middle of its image data", cut(photo, photo.size() / 2), true},
        {"the zeros cut inside their third IDAT", cut(zerosFile, thirdIdat), true},
        {"the zeros cut just before IEND", cut(zerosFile, zerosFile.size() - 12), true},
        {"a complete 16384 x 16384 RGBA file with a few bytes of data",
         MakePng({MakeChunk("IHDR", IhdrData(16384, 16384, 8, 6)), MakeChunk("IDAT", Zlib({0, 0, 0, 0, 0})), end}),
         false},
    };
    for (const auto& c : cases) {
        try {
            LoadPng(c.bytes);
            ADD_FAILURE() << c.what << ": loaded";
        } catch (const EPngUnexpectedEnd& e) {
            EXPECT_TRUE(c.cut) << c.what << ": refused as cut";
            EXPECT_EQ(e.Message, LoadPngText(EPNGUnexpectedEndText)) << c.what;
        } catch (const EPNGOutMemory&) {
            EXPECT_FALSE(c.cut) << c.what << ": refused for its memory";
        } catch (const std::exception& e) {
            ADD_FAILURE() << c.what << ": " << e.what();
        }
    }
    EXPECT_NO_THROW(LoadPng(photo));
    EXPECT_NO_THROW(LoadPng(zerosFile));
}
