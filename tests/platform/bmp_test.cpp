// BMP reading against the BMP Suite and ImageMagick, BMP writing read back by ImageMagick,
// and the damage a header can claim.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/bitmap.h"
#include "platform/graphic.h"
#include "platform/streams.h"
#include "support/paths.h"

namespace fs = std::filesystem;
using kelvo::test::CorporaDir;
using kelvo::test::HaveTool;
using kelvo::test::RunCommand;
using kelvo::test::TTempDir;

namespace {

std::vector<fs::path> SuiteFiles(const std::string& folder)
{
    return kelvo::test::CorpusFiles(CorporaDir() / "bmpsuite" / folder, {".bmp"});
}

// ImageMagick's decode as R,G,B,A bytes, top row first; empty when it could not. It exits
// with a warning status on some odd headers but still decodes them.
std::string ReferenceRGBA(const fs::path& file)
{
    return RunCommand("convert '" + file.string() + "' -depth 8 rgba:- 2>/dev/null");
}

// Compares every pixel with the reference. 15- and 16-bit pixels keep 5 or 6 bits a channel,
// which any sane scaling to 8 bits carries in its top bits.
void ExpectSamePixels(const TBitmap& bmp, const std::string& rgba, const std::string& what)
{
    ASSERT_EQ(rgba.size(), std::size_t(bmp.Width()) * bmp.Height() * 4) << what;
    int shiftR = 0, shiftG = 0, shiftB = 0;
    if (bmp.PixelFormat() == pf15bit)
        shiftR = shiftG = shiftB = 3;
    if (bmp.PixelFormat() == pf16bit) {
        shiftR = shiftB = 3;
        shiftG = 2;
    }
    int failures = 0;
    for (int y = 0; y < bmp.Height() && failures < 5; ++y)
        for (int x = 0; x < bmp.Width() && failures < 5; ++x) {
            const auto* ref = reinterpret_cast<const unsigned char*>(rgba.data()) +
                              (std::size_t(y) * bmp.Width() + x) * 4;
            const TColor c = bmp.GetPixel(x, y);
            const bool same = (GetRValue(c) >> shiftR) == (ref[0] >> shiftR) &&
                              (GetGValue(c) >> shiftG) == (ref[1] >> shiftG) &&
                              (GetBValue(c) >> shiftB) == (ref[2] >> shiftB);
            if (!same) {
                ++failures;
                ADD_FAILURE() << what << " pixel (" << x << "," << y << "): ours " << std::hex
                              << c << " reference " << int(ref[0]) << "," << int(ref[1]) << ","
                              << int(ref[2]);
            }
        }
}

TBitmap LoadBmp(const fs::path& file)
{
    TBitmap bmp;
    TFileStream stream(file.string(), fmOpenRead);
    bmp.LoadFromStream(stream);
    return bmp;
}

TPixelFormat ExpectedFormat(const std::string& name)
{
    if (name.rfind("pal1", 0) == 0) return pf1bit;
    if (name.rfind("pal4", 0) == 0) return pf4bit;
    if (name.rfind("pal8", 0) == 0) return pf8bit;
    if (name.rfind("rgb16-565", 0) == 0) return pf16bit;
    if (name.rfind("rgb16", 0) == 0) return pf15bit;
    if (name.rfind("rgb24", 0) == 0) return pf24bit;
    return pf32bit;
}

// A BMP with a 40-byte header, a table of `colors` grey entries (index k is grey k) and the
// given pixel data.
std::vector<BYTE> MakeBmp(LONG width, LONG height, WORD bits, DWORD compression, std::size_t colors,
                          const std::vector<BYTE>& data)
{
    TBitmapInfoHeader info;
    info.biWidth = width;
    info.biHeight = height;
    info.biBitCount = bits;
    info.biCompression = compression;
    info.biClrUsed = DWORD(colors);
    TBitmapFileHeader file;
    file.bfOffBits = DWORD(14 + 40 + colors * 4);
    file.bfSize = DWORD(file.bfOffBits + data.size());
    std::vector<BYTE> bytes(file.bfOffBits, 0);
    std::memcpy(bytes.data(), &file, 14);
    std::memcpy(bytes.data() + 14, &info, 40);
    for (std::size_t k = 0; k < colors; ++k)
        std::fill_n(bytes.begin() + std::ptrdiff_t(54 + 4 * k), 3, BYTE(k));
    bytes.insert(bytes.end(), data.begin(), data.end());
    return bytes;
}

TBitmap LoadBytes(const std::vector<BYTE>& bytes)
{
    TMemoryStream m;
    m.Write(bytes.data(), std::int64_t(bytes.size()));
    m.SetPosition(0);
    TBitmap bmp;
    bmp.LoadFromStream(m);
    return bmp;
}

} // namespace

TEST(BmpRead, EveryGoodSuiteFileMatchesTheReferenceDecode)
{
    KELVO_REQUIRE_CORPUS(CorporaDir() / "bmpsuite" / "g");
    KELVO_REQUIRE_REFERENCE_TOOL("convert");
    const auto files = SuiteFiles("g");
    for (const auto& file : files) {
        const std::string name = file.filename().string();
        TBitmap bmp;
        ASSERT_NO_THROW(bmp = LoadBmp(file)) << name;
        EXPECT_EQ(bmp.PixelFormat(), ExpectedFormat(name)) << name;
        ExpectSamePixels(bmp, ReferenceRGBA(file), name);
    }
}

TEST(BmpRead, EveryBadSuiteFileIsRejected)
{
    KELVO_REQUIRE_CORPUS(CorporaDir() / "bmpsuite" / "b");
    const auto files = SuiteFiles("b");
    for (const auto& file : files) {
        // A failed load leaves the picture it was loading into as it was.
        TBitmap bmp(3, 2, pf24bit);
        bmp.SetPixel(2, 1, clRed);
        TFileStream stream(file.string(), fmOpenRead);
        EXPECT_THROW(bmp.LoadFromStream(stream), EInvalidGraphic) << file.filename();
        EXPECT_EQ(bmp.Width(), 3) << file.filename();
        EXPECT_EQ(bmp.PixelFormat(), pf24bit) << file.filename();
        EXPECT_EQ(bmp.GetPixel(2, 1), clRed) << file.filename();
    }
}

TEST(BmpRead, QuestionableSuiteFilesLoadOrAreRejectedCleanly)
{
    KELVO_REQUIRE_CORPUS(CorporaDir() / "bmpsuite" / "q");
    const auto files = SuiteFiles("q");
    for (const auto& file : files) {
        try {
            TBitmap bmp = LoadBmp(file);
            EXPECT_GT(bmp.Width(), 0) << file.filename();
        } catch (const EInvalidGraphic&) {
        }
    }
}

// The unusual files whose pixels have one right answer: OS/2 headers, palettes shorter than
// their depth, gaps before the pixels, cut-off and skipping RLE, masks in longer headers.
TEST(BmpRead, QuestionableFilesWithOneRightAnswerMatchTheReference)
{
    KELVO_REQUIRE_CORPUS(CorporaDir() / "bmpsuite" / "q");
    KELVO_REQUIRE_REFERENCE_TOOL("convert");
    for (const char* name : {"pal1p1.bmp", "pal4rlecut.bmp", "pal4rletrns.bmp", "pal8offs.bmp", "pal8os2-hs.bmp",
                             "pal8os2-sz.bmp", "pal8os2sp.bmp", "pal8os2v2-16.bmp", "pal8os2v2-40sz.bmp",
                             "pal8rlecut.bmp", "pal8rletrns.bmp", "rgb16faketrns.bmp", "rgb24prof.bmp",
                             "rgb32-xbgr.bmp", "rgb32h52.bmp", "rgba32-1.bmp", "rgba32-2.bmp", "rgba32h56.bmp"}) {
        const fs::path file = CorporaDir() / "bmpsuite" / "q" / name;
        TBitmap bmp;
        ASSERT_NO_THROW(bmp = LoadBmp(file)) << name;
        ExpectSamePixels(bmp, ReferenceRGBA(file), name);
    }
}

namespace {

// A 16 x 8 BMP whose info header is headerSize bytes long (12 is the OS/2 one, 124 the
// version 5 one), with the masks of a BI_BITFIELDS picture, a colour table of `colors`
// entries and the pixel data.
std::vector<BYTE> BmpWithHeader(DWORD headerSize, WORD bits, DWORD compression, std::size_t colors,
                                const std::vector<BYTE>& data)
{
    std::vector<BYTE> info;
    auto put = [&info](std::uint32_t v, int bytes) { // bytes: 2 or 4
        for (int i = 0; i < bytes; ++i)
            info.push_back(BYTE(v >> (8 * i)));
    };
    const std::uint32_t masks[] = {0xF800, 0x07E0, 0x001F};
    put(headerSize, 4);
    if (headerSize == 12) {
        put(16, 2), put(8, 2), put(1, 2), put(bits, 2);
    } else {
        put(16, 4), put(8, 4), put(1, 2), put(bits, 2), put(compression, 4), put(DWORD(data.size()), 4);
        put(2835, 4), put(2835, 4), put(DWORD(colors), 4), put(0, 4);
        for (std::uint32_t m : masks)
            if (compression == BI_BITFIELDS)
                put(m, 4);
        if (headerSize == 124) {
            if (compression != BI_BITFIELDS)
                info.resize(info.size() + 12, 0); // no colour masks
            put(0, 4);          // alpha mask
            put(0x73524742, 4); // "sRGB"
            info.resize(124, 0);
        }
    }
    for (std::size_t k = 0; k < colors; ++k) {
        info.insert(info.end(), {BYTE(k * 3), BYTE(255 - k), BYTE(k * 7)});
        if (headerSize != 12)
            info.push_back(0);
    }
    std::vector<BYTE> bytes = {'B', 'M'};
    const std::uint32_t offset = 14 + std::uint32_t(info.size()), size = offset + std::uint32_t(data.size());
    for (std::uint32_t v : {size, 0u, offset})
        for (int i = 0; i < 4; ++i)
            bytes.push_back(BYTE(v >> (8 * i)));
    bytes.insert(bytes.end(), info.begin(), info.end());
    bytes.insert(bytes.end(), data.begin(), data.end());
    return bytes;
}

// The rows of a 16 x 8 picture of bytesPerRow bytes each, a different value in every byte.
std::vector<BYTE> PlainRows(std::size_t bytesPerRow)
{
    std::vector<BYTE> rows;
    for (std::size_t i = 0; i < bytesPerRow * 8; ++i)
        rows.push_back(BYTE(i * 29 + i / bytesPerRow));
    return rows;
}

// Run-length rows of a 16 x 8 picture: an encoded run, a literal run and an end of line each,
// a jump over two rows, the end of the picture.
std::vector<BYTE> RleRows(bool fourBits)
{
    std::vector<BYTE> data;
    for (int y = 0; y < 5; ++y) {
        data.insert(data.end(), {6, BYTE(fourBits ? 0x12 + y : 3 + y)});
        if (fourBits)
            data.insert(data.end(), {0, 10, 0x12, 0x34, 0x56, 0x78, 0x9A, 0, 0, 0});
        else
            data.insert(data.end(), {0, 10, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 0, 0});
    }
    data.insert(data.end(), {0, 2, 3, 2, 4, BYTE(fourBits ? 0x55 : 5), 0, 1});
    return data;
}

} // namespace

// Every prefix of a file is either a whole picture or damage: never a crash or a read
// beyond the bytes given.
TEST(BmpRead, CutOffFilesNeverReadPastTheirEnd)
{
    const struct {
        const char* what;
        std::vector<BYTE> bytes;
    } files[] = {
        {"RLE4", BmpWithHeader(40, 4, BI_RLE4, 16, RleRows(true))},
        {"RLE8", BmpWithHeader(40, 8, BI_RLE8, 256, RleRows(false))},
        {"16-bit 565 masks", BmpWithHeader(40, 16, BI_BITFIELDS, 0, PlainRows(32))},
        {"8-bit, version 5 header", BmpWithHeader(124, 8, BI_RGB, 256, PlainRows(16))},
        {"8-bit, OS/2 header", BmpWithHeader(12, 8, BI_RGB, 256, PlainRows(16))},
    };
    for (const auto& file : files) {
        const std::vector<BYTE>& bytes = file.bytes;
        TBitmap whole;
        ASSERT_NO_THROW(whole = LoadBytes(bytes)) << file.what;
        ASSERT_EQ(whole.Width(), 16) << file.what;
        for (std::size_t len = 0; len < bytes.size(); len += (len < 200 ? 1 : 97)) {
            TMemoryStream m;
            m.Write(bytes.data(), std::int64_t(len));
            m.SetPosition(0);
            TBitmap bmp;
            try {
                bmp.LoadFromStream(m);
            } catch (const EInvalidGraphic&) {
            }
        }
    }
}

// Hand-made headers that ask for far more than the file holds.
TEST(BmpRead, HeadersAskingForMoreThanTheDataAreRejected)
{
    struct TCase {
        const char* what;
        LONG width, height;
        WORD bits;
        DWORD compression;
        std::size_t dataBytes;
    };
    const TCase cases[] = {
        {"huge RLE8 image with a few bytes of data", 20000, 13000, 8, BI_RLE8, 16},
        {"pixel count beyond 2^28", 65536, 8192, 1, BI_RGB, 16},
        {"rows missing at the end", 64, 64, 24, BI_RGB, 64 * 3 * 63},
        {"width at the 32-bit limit", 0x7FFFFFFF, 1, 32, BI_RGB, 16},
        {"height at the 32-bit limit, top-down", 1, LONG(0x80000000), 8, BI_RGB, 16},
    };
    for (const auto& c : cases) {
        const std::size_t colors = c.bits <= 8 ? std::size_t(1) << c.bits : 0;
        EXPECT_THROW(LoadBytes(MakeBmp(c.width, c.height, c.bits, c.compression, colors,
                                       std::vector<BYTE>(c.dataBytes, 0))),
                     EInvalidGraphic)
            << c.what;
    }
}

// A picture without rows or columns is damage; the tallest ones must be refused at once
// instead of walking two billion empty rows.
TEST(BmpRead, ZeroWidthOrHeightIsRejected)
{
    struct TCase {
        LONG width, height;
        WORD bits;
    };
    for (const TCase& c : {TCase{0, 0x7FFFFFFF, 2}, TCase{0, 0x7FFFFFFF, 24}, TCase{0, 2, 8},
                           TCase{0, -2, 8}, TCase{5, 0, 24}, TCase{0, 0, 1}}) {
        const std::size_t colors = c.bits <= 8 ? std::size_t(1) << c.bits : 0;
        EXPECT_THROW(LoadBytes(MakeBmp(c.width, c.height, c.bits, BI_RGB, colors, {})), EInvalidGraphic)
            << c.width << "x" << c.height << "x" << c.bits;
    }
}

// Runs that reach past the end of their row (some writers encode the row padding that way)
// are cut at the row's end and the rest of the picture still reads.
TEST(BmpRead, RleRunsPastTheRowEndAreClipped)
{
    struct TCase {
        const char* what;
        WORD bits;
        DWORD compression;
        std::vector<BYTE> data;
    };
    // 3 x 2 pixels, bottom row first: the bottom row is 1 2 3, the top row 4 4 4.
    const TCase cases[] = {
        {"RLE8 encoded run", 8, BI_RLE8, {1, 1, 1, 2, 2, 3, 0, 0, 4, 4, 0, 0, 0, 1}},
        {"RLE8 literal run", 8, BI_RLE8, {0, 4, 1, 2, 3, 9, 0, 0, 5, 4, 0, 1}},
        {"RLE4 encoded run", 4, BI_RLE4, {1, 0x10, 1, 0x20, 4, 0x33, 0, 0, 4, 0x44, 0, 1}},
        {"RLE4 literal run", 4, BI_RLE4, {0, 4, 0x12, 0x3F, 0, 0, 6, 0x44, 0, 1}},
    };
    for (const auto& c : cases) {
        TBitmap bmp;
        ASSERT_NO_THROW(bmp = LoadBytes(MakeBmp(3, 2, c.bits, c.compression, 16, c.data))) << c.what;
        const int expected[2][3] = {{4, 4, 4}, {1, 2, 3}};
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 3; ++x)
                EXPECT_EQ(bmp.GetPixel(x, y), RGB(expected[y][x], expected[y][x], expected[y][x]))
                    << c.what << " (" << x << "," << y << ")";
    }
}

TEST(BmpRead, ImageMagickRleFilesOfEveryWidthLoad)
{
    if (!HaveTool("convert"))
        GTEST_SKIP() << "ImageMagick convert is not installed";
    // ImageMagick's own reader gets some of these wrong, so the reference is the same picture
    // written without compression.
    TTempDir dir;
    for (int width = 1; width <= 9; ++width) {
        const std::string w = std::to_string(width);
        const fs::path rle = dir / ("w" + w + ".bmp"), plain = dir / ("p" + w + ".bmp");
        const std::string make = "convert -size " + w + "x5 gradient:red-blue -colors 16 -type Palette -compress ";
        RunCommand(make + "RLE 'bmp3:" + rle.string() + "' 2>/dev/null");
        RunCommand(make + "None 'bmp3:" + plain.string() + "' 2>/dev/null");
        if (!fs::exists(rle) || !fs::exists(plain))
            GTEST_SKIP() << "ImageMagick could not write the BMPs";
        TBitmap bmp;
        ASSERT_NO_THROW(bmp = LoadBmp(rle)) << "width " << width;
        ExpectSamePixels(bmp, ReferenceRGBA(plain), "width " + w);
    }
}

TEST(BmpRead, ConsecutiveBitmapsInOneStreamLoadInTurn)
{
    TBitmap a(3, 2, pf24bit), b(5, 1, pf8bit);
    a.SetPixel(0, 0, clRed);
    b.SetPixel(4, 0, clBlue);
    TMemoryStream m;
    a.SaveToStream(m);
    b.SaveToStream(m);
    m.SetPosition(0);
    TBitmap first, second;
    first.LoadFromStream(m);
    second.LoadFromStream(m);
    EXPECT_EQ(m.Position(), m.Size());
    EXPECT_EQ(first.Width(), 3);
    EXPECT_EQ(first.GetPixel(0, 0), clRed);
    EXPECT_EQ(second.Width(), 5);
    EXPECT_EQ(second.GetPixel(4, 0), clBlue);
}

TEST(BmpRead, BitmapsOpenThroughThePictureRegistry)
{
    const TFileFormatEntry* entry = TPicture::FindFileFormat(".BMP");
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->Description, "Bitmaps");
    TTempDir dir;
    const fs::path file = dir / "picture.bmp";
    TBitmap(127, 64, pf24bit).SaveToFile(file.string());
    TPicture picture;
    picture.LoadFromFile(file.string());
    EXPECT_EQ(picture.Width(), 127);
    EXPECT_EQ(picture.Height(), 64);
}

// An asymmetric picture with colours that every depth can hold, at every depth the
// program saves.
class BmpWrite : public ::testing::TestWithParam<TPixelFormat> {};

TEST_P(BmpWrite, ImageMagickAndWeReadBackTheSamePixels)
{
    const TPixelFormat format = GetParam();
    const TColor colours[] = {clBlack, clWhite, clRed, clLime, clBlue, clYellow, clAqua, clFuchsia};
    const int usable = format == pf1bit ? 2 : 8;
    TBitmap bmp(13, 7, pf24bit);
    for (int y = 0; y < bmp.Height(); ++y)
        for (int x = 0; x < bmp.Width(); ++x)
            bmp.SetPixel(x, y, colours[(x * 3 + y * 5 + x * y) % usable]);
    bmp.SetPixelFormat(format);
    TTempDir dir;
    const fs::path file = dir / "out.bmp";
    bmp.SaveToFile(file.string());

    TBitmap back = LoadBmp(file);
    EXPECT_EQ(back.PixelFormat(), format);
    ASSERT_EQ(back.Width(), 13);
    ASSERT_EQ(back.Height(), 7);
    for (int y = 0; y < 7; ++y)
        for (int x = 0; x < 13; ++x)
            ASSERT_EQ(back.GetPixel(x, y), bmp.GetPixel(x, y)) << x << "," << y;

    if (!HaveTool("convert"))
        GTEST_SKIP() << "ImageMagick convert is not installed";
    ExpectSamePixels(bmp, ReferenceRGBA(file), "written file");
}

std::string FormatName(const ::testing::TestParamInfo<TPixelFormat>& info)
{
    static const char* const names[] = {"Device", "Bits1",  "Bits4",  "Bits8", "Bits15",
                                        "Bits16", "Bits24", "Bits32", "Custom"};
    return names[int(info.param)];
}

INSTANTIATE_TEST_SUITE_P(EveryDepth, BmpWrite,
                         ::testing::Values(pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit), FormatName);

TEST(BmpWrite, ShortColourTableSurvivesTheRoundTrip)
{
    TBitmap bmp(5, 3, pf8bit);
    bmp.SetColorTable({TRGBQuad{0, 0, 255, 0}, TRGBQuad{0, 255, 0, 0}, TRGBQuad{255, 0, 0, 0}});
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x)
            bmp.ScanLine(y)[x] = BYTE((x + y) % 3);
    TMemoryStream m;
    bmp.SaveToStream(m);
    m.SetPosition(0);
    TBitmap back;
    back.LoadFromStream(m);
    EXPECT_EQ(back.ColorTable().size(), 3u);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x)
            EXPECT_EQ(back.GetPixel(x, y), bmp.GetPixel(x, y));
}

// An empty bitmap still writes a header, but a picture of no pixels is not one to read back:
// the load is refused and leaves the target as it was.
TEST(BmpWrite, EmptyBitmapIsWrittenButRefusedOnReading)
{
    TBitmap empty;
    TMemoryStream m;
    empty.SaveToStream(m);
    m.SetPosition(0);
    TBitmap back(4, 4);
    EXPECT_THROW(back.LoadFromStream(m), EInvalidGraphic);
    EXPECT_EQ(back.Width(), 4);
}
