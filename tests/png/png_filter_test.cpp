// The row filters and the image data: the decoding rules, unfiltering, large images against
// libpng, the zlib check value, and the encoder's choice of filter.
#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "png_test_util.h"

using namespace pngtest;

namespace {

// A w x h 8-bit grey image whose rows are the given raw bytes (filter byte first).
std::vector<std::uint8_t> GreyRows(std::uint32_t w, std::uint32_t h, const std::vector<std::uint8_t>& rows,
                                   int interlace = 0)
{
    return MakePng({MakeChunk("IHDR", IhdrData(w, h, 8, 0, interlace)), MakeChunk("IDAT", Zlib(rows)),
                    MakeChunk("IEND", {})});
}

} // namespace

TEST(PngFilters, DecodingRules)
{
    // Filter byte 7 is taken as None; Sub leaves the first pixel; Up on the first row sees zeros.
    auto png = LoadPng(GreyRows(3, 3, {7, 5, 6, 7, 1, 5, 1, 1, 2, 1, 1, 1}));
    const BYTE expected[3][3] = {{5, 6, 7}, {5, 6, 7}, {6, 7, 8}};
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 3; ++x)
            EXPECT_EQ(png->GetScanline(y)[x], expected[y][x]) << x << "," << y;
    png = LoadPng(GreyRows(2, 1, {2, 9, 8}));
    EXPECT_EQ(png->GetScanline(0)[0], 9);

    // Paeth's ties go to left, then above.
    EXPECT_EQ(PaethPredictor(10, 10, 10), 10);
    EXPECT_EQ(PaethPredictor(3, 0, 1), 3);
    EXPECT_EQ(PaethPredictor(0, 3, 1), 3);
    EXPECT_EQ(PaethPredictor(5, 9, 5), 9);
    EXPECT_EQ(PaethPredictor(9, 1, 9), 1);

    // A 1x1 interlaced image has data in the first pass only.
    png = LoadPng(GreyRows(1, 1, {0, 200}, 1));
    EXPECT_EQ(png->GetScanline(0)[0], 200);

    // Data that ends early leaves the remaining rows zero.
    png = LoadPng(GreyRows(2, 3, {0, 1, 2}));
    EXPECT_EQ(png->GetScanline(0)[1], 2);
    EXPECT_EQ(png->GetScanline(2)[1], 0);
}

// The byte rule every unfiltering must agree with, whatever width it works in.
void ReferenceUnfilter(BYTE type, BYTE* r, const BYTE* p, std::size_t n, std::size_t bpp)
{
    for (std::size_t i = 0; i < n; ++i) {
        const BYTE a = i >= bpp ? r[i - bpp] : 0, b = p[i], c = i >= bpp ? p[i - bpp] : 0;
        const BYTE pred[5] = {0, a, b, BYTE((a + b) / 2), PaethPredictor(a, b, c)};
        r[i] = BYTE(r[i] + (type < 5 ? pred[type] : 0));
    }
}

TEST(PngFilters, UnfilteringAgreesWithTheByteRuleForEveryPixelSize)
{
    std::mt19937 random(18);
    for (std::size_t bpp : {1, 2, 3, 4, 6, 8})
        for (BYTE type = 0; type <= 5; ++type)
            for (std::size_t pixels : {1, 2, 3, 5, 6, 7, 16, 17, 33, 100}) {
                SCOPED_TRACE(testing::Message() << "bpp " << bpp << " filter " << int(type) << " pixels " << pixels);
                const std::size_t n = pixels * bpp;
                // Guard bytes after each row must survive: the wide stores may not spill.
                std::vector<BYTE> row(n + 1 + 16), prev(n + 1 + 16);
                for (auto& v : row)
                    v = BYTE(random());
                for (auto& v : prev)
                    v = BYTE(random());
                row[0] = type;
                std::vector<BYTE> expected = row;
                ReferenceUnfilter(type, expected.data() + 1, prev.data() + 1, n, bpp);
                UnfilterRow(row.data(), prev.data(), n, bpp);
                ASSERT_EQ(row, expected);
            }
}

// Rows of random filtered bytes under every filter, in an image big enough that its data
// is inflated in several batches, decode as libpng decodes them.
TEST(PngFilters, LargeImagesMatchLibpngAcrossEveryFilter)
{
#ifndef KELVO_HAVE_LIBPNG
    GTEST_SKIP() << "libpng not available";
#endif
    struct TCase {
        int colorType, depth, bpp;
    } cases[] = {{2, 8, 3}, {0, 8, 1}, {6, 8, 4}, {4, 16, 4}, {2, 16, 6}};
    std::mt19937 random(2026);
    const std::uint32_t width = 301, height = 420;
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "colour type " << c.colorType << " depth " << c.depth);
        const std::size_t stride = std::size_t(width) * c.bpp + 1;
        std::vector<std::uint8_t> raw(stride * height);
        for (std::size_t y = 0; y < height; ++y) {
            raw[y * stride] = std::uint8_t(y % 5);
            // Small values keep the data compressible and every filter's arithmetic busy.
            for (std::size_t i = 1; i < stride; ++i)
                raw[y * stride + i] = std::uint8_t(random() % 9);
        }
        auto z = Zlib(raw);
        std::vector<std::vector<std::uint8_t>> chunks = {MakeChunk("IHDR", IhdrData(width, height, c.depth, c.colorType))};
        for (std::size_t at = 0; at < z.size(); at += 40000)
            chunks.push_back(MakeChunk("IDAT", {z.begin() + std::ptrdiff_t(at),
                                                z.begin() + std::ptrdiff_t(std::min(z.size(), at + 40000))}));
        chunks.push_back(MakeChunk("IEND", {}));
        auto bytes = MakePng(chunks);
        TRgbaImage ours = PictureRgba(*LoadPng(bytes));
        std::string error;
        TRgbaImage ref = LibpngRgba(bytes, &error);
        ASSERT_EQ(error, "");
        EXPECT_TRUE(ours.Pixels == ref.Pixels);
    }
}

// The zlib check value is compared when the data ends before the image does, also when it
// reaches the reader one byte per chunk.
TEST(PngFilters, ImageDataCheckValue)
{
    std::vector<std::uint8_t> raw;
    for (int y = 0; y < 6; ++y) {
        raw.push_back(std::uint8_t(y % 5));
        for (int x = 0; x < 7; ++x)
            raw.push_back(std::uint8_t(x * 31 + y * 7));
    }
    auto z = Zlib(raw);
    // Eight rows high: the data runs out two rows early, so the stream's end is read.
    auto file = [](const std::vector<std::uint8_t>& data, std::size_t chunkSize) {
        std::vector<std::vector<std::uint8_t>> chunks = {MakeChunk("IHDR", IhdrData(7, 8, 8, 0))};
        for (std::size_t at = 0; at < data.size(); at += chunkSize)
            chunks.push_back(MakeChunk("IDAT", {data.begin() + std::ptrdiff_t(at),
                                                data.begin() + std::ptrdiff_t(std::min(data.size(), at + chunkSize))}));
        chunks.push_back(MakeChunk("IEND", {}));
        return MakePng(chunks);
    };
    auto whole = LoadPng(GreyRows(7, 6, raw));
    for (std::size_t chunkSize : {std::size_t(1), std::size_t(3), z.size()}) {
        SCOPED_TRACE(chunkSize);
        auto png = LoadPng(file(z, chunkSize));
        for (int y = 0; y < 6; ++y)
            EXPECT_EQ(std::memcmp(whole->GetScanline(y), png->GetScanline(y), 7), 0) << y;
        EXPECT_EQ(png->GetScanline(7)[6], 0);
        for (std::size_t back : {1, 4}) {
            auto damaged = z;
            damaged[damaged.size() - back] ^= 0x10;
            const std::string text = ErrorText<EPNGZLIBError>(file(damaged, chunkSize));
            EXPECT_NE(text.find("incorrect data check"), std::string::npos) << back << ": " << text;
        }
    }
}

TEST(PngFilters, EncoderChoosesByScore)
{
    // Row 0 rises evenly (Sub gives a run); the rows below repeat an uneven row plus one
    // (Up gives a run, Sub nothing).
    TBitmap bitmap(64, 4, pf8bit);
    for (int x = 0; x < 64; ++x)
        bitmap.ScanLine(0)[x] = BYTE(x * 3);
    for (int y = 1; y < 4; ++y)
        for (int x = 0; x < 64; ++x)
            bitmap.ScanLine(y)[x] = BYTE(x * x * 7 + y);
    TPNGObject png;
    png.Assign(bitmap);
    png.Filters = TFilters{pfSub, pfUp};
    png.SetCompressionLevel(0);
    auto bytes = SavePng(png);
    // Level 0 stores the rows; find them after the zlib and stored-block headers.
    std::size_t pos = 0;
    auto chunks = ListChunks(bytes);
    for (std::size_t off = 8; const auto& c : chunks) {
        if (c.Name == "IDAT") {
            pos = off + 8;
            break;
        }
        off += 12 + c.Length;
    }
    ASSERT_GT(pos, 0u);
    const std::uint8_t* rows = bytes.data() + pos + 2 + 5;
    EXPECT_EQ(rows[0], pfSub);
    for (int y = 2; y < 4; ++y)
        EXPECT_EQ(rows[y * 65], pfUp) << y;
    EXPECT_TRUE(PictureRgba(*LoadPng(bytes)).Pixels == PictureRgba(png).Pixels);
}
