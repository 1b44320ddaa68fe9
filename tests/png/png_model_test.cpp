// The chunk list, reading and writing rules and the library's errors.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <random>

#include "png/png_startup.h"
#include "png_test_util.h"
#include "support/paths.h"

using namespace pngtest;

namespace {

std::vector<std::string> ChunkNames(const TPNGObject& png)
{
    std::vector<std::string> names;
    for (std::size_t i = 0; i < png.Chunks.Count(); ++i)
        names.push_back(png.Chunks.GetItem(i)->ChunkName);
    return names;
}

// A w x h 8-bit grey image whose rows are the given raw bytes (filter byte first).
std::vector<std::uint8_t> GreyRows(std::uint32_t w, std::uint32_t h, const std::vector<std::uint8_t>& rows,
                                   int interlace = 0)
{
    return MakePng({MakeChunk("IHDR", IhdrData(w, h, 8, 0, interlace)), MakeChunk("IDAT", Zlib(rows)),
                    MakeChunk("IEND", {})});
}

template <class E>
std::string ErrorText(const std::vector<std::uint8_t>& bytes)
{
    try {
        LoadPng(bytes);
    } catch (const E& e) {
        return e.Message;
    } catch (const std::exception& e) {
        return std::string("wrong class: ") + e.what();
    }
    return "no error";
}

} // namespace

TEST(PngChunkList, AddPlacesAncillaryChunksAndRefusesCriticalOnes)
{
    auto png = LoadPng(PatternPng(32, 32, 8, 2, TPatternOptions().With(GamaChunk(45455)))); // IHDR gAMA IDAT IEND
    png->Chunks.RemoveChunk(png->Chunks.ItemFromClass<TChunkgAMA>());
    png->Chunks.Add<TChunktRNS>();
    png->Chunks.Add<TChunkgAMA>();
    png->AddtEXt("Title", "one");
    png->AddtEXt("Title", "two");
    EXPECT_EQ(ChunkNames(*png), (std::vector<std::string>{"IHDR", "gAMA", "tRNS", "IDAT", "tEXt", "tEXt", "IEND"}));
    EXPECT_EQ(static_cast<TChunktEXt*>(png->Chunks.GetItem(4))->Text, "one");

    for (TChunkClass c : {TChunkIHDR::Class(), TChunkIDAT::Class(), TChunkPLTE::Class(), TChunkIEND::Class(),
                          TChunkgAMA::Class(), TChunktRNS::Class()}) {
        SCOPED_TRACE(c->ClassName);
        try {
            png->Chunks.Add(c);
            ADD_FAILURE() << "added";
        } catch (const EPngError& e) {
            EXPECT_EQ(e.Message, LoadPngText(EPNGCannotAddChunkText));
        }
    }
    TPNGObject empty;
    EXPECT_THROW(
        try { empty.AddtEXt("a", "b"); } catch (const EPngError& e) {
            EXPECT_EQ(e.Message, LoadPngText(EPNGCannotAddInvalidImageText));
            throw;
        },
        EPngError);

    auto palette = LoadPng(PatternPng(32, 32, 8, 3));
    palette->Chunks.Add<TChunktRNS>();
    auto names = ChunkNames(*palette);
    auto plte = std::find(names.begin(), names.end(), "PLTE");
    ASSERT_NE(plte, names.end());
    EXPECT_EQ(*(plte + 1), "tRNS");
}

TEST(PngChunkList, TextChunksAndCopiesSurviveSaving)
{
    auto png = LoadPng(PatternPng(32, 32, 4, 3));
    std::string longText;
    for (int i = 0; i < 3000; ++i)
        longText += char('a' + i % 26);
    png->AddzTXt("Comment", longText);
    png->AddtEXt("Author", "Kelvo");
    auto bytes = SavePng(*png);
    auto again = LoadPng(bytes);
    auto z = again->Chunks.ItemFromClass<TChunkzTXt>();
    ASSERT_TRUE(z);
    EXPECT_EQ(z->Keyword, "Comment");
    EXPECT_EQ(z->Text, longText);
    EXPECT_EQ(ChunkNames(*again).end()[-2], "tEXt");
    EXPECT_EQ(ChunkNames(*again).end()[-3], "zTXt");

    // A copy writes the same file as its source.
    TPNGObject copy;
    copy.Assign(*again);
    EXPECT_EQ(ChunkNames(copy), ChunkNames(*again));
    EXPECT_TRUE(SavePng(copy) == SavePng(*again));

    // A text that inflates to far more than the work buffer reads whole.
    std::vector<std::uint8_t> zdata = {'K', 0, 0};
    std::vector<std::uint8_t> raw(longText.begin(), longText.end());
    auto packed = Zlib(raw);
    zdata.insert(zdata.end(), packed.begin(), packed.end());
    auto file = MakePng({MakeChunk("IHDR", IhdrData(1, 1, 8, 0)), MakeChunk("zTXt", zdata),
                         MakeChunk("IDAT", Zlib({0, 0})), MakeChunk("IEND", {})});
    auto read = LoadPng(file);
    ASSERT_TRUE(read->Chunks.ItemFromClass<TChunkzTXt>());
    EXPECT_EQ(read->Chunks.ItemFromClass<TChunkzTXt>()->Keyword, "K");
    EXPECT_EQ(read->Chunks.ItemFromClass<TChunkzTXt>()->Text, longText);
}

TEST(PngChunkList, SizeCannotBeSetAndResourcesLoad)
{
    auto png = LoadPng(PatternPng(32, 32, 8, 0));
    try {
        png->SetWidth(10);
        ADD_FAILURE();
    } catch (const EPngError& e) {
        EXPECT_EQ(e.Message, LoadPngText(EPNGCannotChangeSizeText));
    }
    EXPECT_EQ(png->Width(), 32);

    TPngResourceModule module;
    module.RawData["#5"] = PatternPng(32, 32, 1, 0);
    TPNGObject fromResource;
    fromResource.LoadFromResourceID(&module, 5);
    EXPECT_EQ(fromResource.Width(), 32);
    EXPECT_THROW(fromResource.LoadFromResourceName(&module, "MISSING"), EPNGCouldNotLoadResource);

    PNGLibraryStartup();
    const TFileFormatEntry* format = TPicture::FindFileFormat("png");
    ASSERT_TRUE(format);
    EXPECT_EQ(format->Description, "Portable Network Graphics");
    EXPECT_EQ(format->Factory()->ClassName(), "TPNGObject");
}

TEST(PngReading, ChunkHandling)
{
    std::vector<std::uint8_t> rows = {0, 10, 20, 0, 30, 40};
    auto idat = Zlib(rows);
    std::vector<std::uint8_t> a(idat.begin(), idat.begin() + 3), b(idat.begin() + 3, idat.begin() + 5),
        c(idat.begin() + 5, idat.end());
    auto ihdr = MakeChunk("IHDR", IhdrData(2, 2, 8, 0));
    // Split image data, a private chunk, cHRM and a stray IDAT after the image data.
    auto bytes = MakePng({ihdr, MakeChunk("cHRM", std::vector<std::uint8_t>(32, 1)), MakeChunk("IDAT", a),
                          MakeChunk("IDAT", b), MakeChunk("IDAT", {}), MakeChunk("IDAT", c),
                          MakeChunk("prVt", {1, 2, 3}), MakeChunk("IDAT", {9, 9, 9}), MakeChunk("IEND", {})});
    auto png = LoadPng(bytes);
    EXPECT_EQ(ChunkNames(*png), (std::vector<std::string>{"IHDR", "IDAT", "prVt", "IEND"}));
    EXPECT_EQ(png->GetScanline(0)[1], 20);
    EXPECT_EQ(png->GetScanline(1)[0], 30);
    auto saved = SavePng(*png);
    auto prvt = MakeChunk("prVt", {1, 2, 3});
    EXPECT_NE(std::search(saved.begin(), saved.end(), prvt.begin(), prvt.end()), saved.end());

    auto critical = MakePng({ihdr, MakeChunk("PRVT", {1}), MakeChunk("IDAT", idat), MakeChunk("IEND", {})});
    EXPECT_THROW(LoadPng(critical), EPNGUnknownCriticalChunk);
}

// Only the first header describes the image; a repeated one must not come back out, since
// a file with two headers is no PNG for any other reader.
TEST(PngReading, ChunksThatMakeAnInvalidFileAreNotWrittenBack)
{
    auto idat = MakeChunk("IDAT", Zlib({0, 10, 20, 0, 30, 40}));
    auto bytes = MakePng({MakeChunk("IHDR", IhdrData(2, 2, 8, 0)), MakeChunk("IHDR", IhdrData(5, 5, 8, 2)), idat,
                          MakeChunk("IEND", {})});
    auto png = LoadPng(bytes);
    EXPECT_EQ(ChunkNames(*png), (std::vector<std::string>{"IHDR", "IDAT", "IEND"}));
    EXPECT_EQ(png->Width(), 2);
    auto again = LoadPng(SavePng(*png));
    EXPECT_EQ(ChunkNames(*again), (std::vector<std::string>{"IHDR", "IDAT", "IEND"}));
    EXPECT_EQ(again->GetScanline(1)[1], 40);

    // The same for every chunk that would make the written file invalid: a repeated
    // palette, gamma or key, a palette in a grey image, pixel data chunks after the pixels or
    // out of their order, a name that is not four letters.
    auto ihdr3 = MakeChunk("IHDR", IhdrData(2, 2, 8, 3));
    auto ihdr0 = MakeChunk("IHDR", IhdrData(2, 2, 8, 0));
    auto plte = MakeChunk("PLTE", {0, 0, 0, 255, 255, 255});
    auto gama = MakeChunk("gAMA", {0, 0, 0xB1, 0x8F});
    auto trns = MakeChunk("tRNS", {0});
    auto end = MakeChunk("IEND", {});
    const std::vector<std::string> palette = {"IHDR", "PLTE", "IDAT", "IEND"};
    struct TCase {
        const char* what;
        std::vector<std::vector<std::uint8_t>> chunks;
        std::vector<std::string> kept;
    };
    const TCase cases[] = {
        {"second palette", {ihdr3, plte, plte, idat, end}, palette},
        {"key after the pixels", {ihdr3, plte, idat, trns, end}, palette},
        {"key before the palette", {ihdr3, trns, plte, idat, end}, palette},
        {"second key", {ihdr3, plte, trns, trns, idat, end}, {"IHDR", "PLTE", "tRNS", "IDAT", "IEND"}},
        {"gamma after the palette", {ihdr3, plte, gama, idat, end}, palette},
        {"second gamma", {ihdr3, gama, gama, plte, idat, end}, {"IHDR", "gAMA", "PLTE", "IDAT", "IEND"}},
        {"palette of a grey image", {ihdr0, plte, idat, end}, {"IHDR", "IDAT", "IEND"}},
        {"name that is no name", {ihdr3, plte, MakeChunk(std::string("a\x01\x02b", 4), {1}), idat, end}, palette},
    };
    kelvo::test::TTempDir dir;
    for (const auto& c : cases) {
        auto png = LoadPng(MakePng(c.chunks));
        EXPECT_EQ(ChunkNames(*png), c.kept) << c.what;
        const auto saved = SavePng(*png);
        EXPECT_EQ(ChunkNames(*LoadPng(saved)), c.kept) << c.what;
        TMemoryStream file;
        file.Write(saved.data(), std::int64_t(saved.size()));
        file.SaveToFile((dir / (std::string(c.what) + ".png")).string());
    }
    if (kelvo::test::HaveTool("pngcheck")) {
        int code = -1;
        const std::string report = kelvo::test::RunCommand("pngcheck -q '" + dir.Path().string() + "'/*.png 2>&1", &code);
        EXPECT_EQ(code, 0) << report;
    }

    // The repeated header's checksum is still checked like any chunk's.
    auto badRepeat = MakeChunk("IHDR", IhdrData(5, 5, 8, 2));
    badRepeat.back() ^= 1;
    EXPECT_THROW(LoadPng(MakePng({MakeChunk("IHDR", IhdrData(2, 2, 8, 0)), badRepeat, idat, MakeChunk("IEND", {})})),
                 EPngInvalidCRC);
}

TEST(PngReading, ErrorsRaiseTheirClassAndText)
{
    auto ihdr = MakeChunk("IHDR", IhdrData(2, 2, 8, 0));
    auto idat = MakeChunk("IDAT", Zlib({0, 1, 2, 0, 3, 4}));
    auto iend = MakeChunk("IEND", {});
    auto good = MakePng({ihdr, idat, iend});
    ASSERT_NO_THROW(LoadPng(good));

    auto text = MakeChunk("tEXt", {'a', 0, 'b'});
    auto badSecond = MakePng({ihdr, text, idat, iend});
    badSecond[8 + ihdr.size() + 11] ^= 1; // data byte of the second chunk
    EXPECT_EQ(ErrorText<EPngInvalidCRC>(badSecond), LoadPngText(EPngInvalidCRCText));
    auto badIdatCrc = good;
    badIdatCrc[8 + ihdr.size() + idat.size() - 1] ^= 1;
    EXPECT_EQ(ErrorText<EPngInvalidCRC>(badIdatCrc), LoadPngText(EPngInvalidCRCText));
    std::vector<std::uint8_t> betweenChunks(good.begin(), good.begin() + std::ptrdiff_t(8 + ihdr.size()));
    EXPECT_EQ(ErrorText<EPngUnexpectedEnd>(betweenChunks), LoadPngText(EPNGUnexpectedEndText));
    std::vector<std::uint8_t> insideData(good.begin(), good.begin() + std::ptrdiff_t(8 + ihdr.size() + 10));
    EXPECT_EQ(ErrorText<EPngUnexpectedEnd>(insideData), LoadPngText(EPNGUnexpectedEndText));
    auto badSignature = good;
    badSignature[1] = 'Q';
    EXPECT_EQ(ErrorText<EPNGInvalidFileHeader>(badSignature), LoadPngText(EPNGInvalidFileHeaderText));

    auto withHeader = [&](std::vector<std::uint8_t> header) {
        return MakePng({MakeChunk("IHDR", header), idat, iend});
    };
    EXPECT_EQ(ErrorText<EPngInvalidIHDR>(withHeader(IhdrData(0, 2, 8, 0))), LoadPngText(EPNGInvalidIHDRText));
    EXPECT_EQ(ErrorText<EPngInvalidIHDR>(withHeader(IhdrData(2, 2, 4, 2))), LoadPngText(EPNGInvalidIHDRText));
    auto shortHeader = IhdrData(2, 2, 8, 0);
    shortHeader.pop_back();
    EXPECT_EQ(ErrorText<EPngInvalidIHDR>(withHeader(shortHeader)), LoadPngText(EPNGInvalidIHDRText));
    EXPECT_EQ(ErrorText<EPNGSizeExceeds>(withHeader(IhdrData(65536, 2, 8, 0))), LoadPngText(EPNGSizeExceedsText));
    // Within the size limit but far more pixels than an image may have: refused before allocating.
    EXPECT_EQ(ErrorText<EPNGOutMemory>(withHeader(IhdrData(65535, 65535, 8, 6))), LoadPngText(EPNGOutMemoryText));
    auto compression = IhdrData(2, 2, 8, 0);
    compression[10] = 1;
    EXPECT_EQ(ErrorText<EPNGUnknownCompression>(withHeader(compression)), LoadPngText(EPNGUnknownCompressionText));
    auto interlace = IhdrData(2, 2, 8, 0);
    interlace[12] = 2;
    EXPECT_EQ(ErrorText<EPNGUnknownInterlace>(withHeader(interlace)), LoadPngText(EPNGUnknownInterlaceText));

    EXPECT_EQ(ErrorText<EPNGIHDRNotFirst>(MakePng({idat, ihdr, iend})), LoadPngText(EPNGIHDRNotFirstText));
    EXPECT_EQ(ErrorText<EPNGNoImageData>(MakePng({ihdr, iend})), LoadPngText(EPNGNoImageDataText));
    auto palHeader = MakeChunk("IHDR", IhdrData(2, 2, 8, 3));
    EXPECT_EQ(ErrorText<EPNGMissingPalette>(MakePng({palHeader, idat, iend})), LoadPngText(EPNGMissingPaletteText));
    EXPECT_EQ(ErrorText<EPNGInvalidPalette>(MakePng({palHeader, MakeChunk("PLTE", std::vector<std::uint8_t>(10)), idat, iend})),
              LoadPngText(EPNGInvalidPaletteText));
    EXPECT_EQ(ErrorText<EPNGInvalidPalette>(MakePng({palHeader, MakeChunk("PLTE", std::vector<std::uint8_t>(6)),
                                                      MakeChunk("tRNS", std::vector<std::uint8_t>(257)), idat, iend})),
              LoadPngText(EPNGInvalidPaletteText));

    // Image data that goes on past its chunk into something else.
    auto data = Zlib({0, 1, 2, 0, 3, 4});
    std::vector<std::uint8_t> half(data.begin(), data.begin() + 4);
    EXPECT_EQ(ErrorText<EPNGMissingMultipleIDAT>(MakePng({ihdr, MakeChunk("IDAT", half), MakeChunk("tEXt", {'a', 0, 'b'}), iend})),
              LoadPngText(EPNGMissingMultipleIDATText));

    // A length of 2^31 or more, and one longer than the file.
    auto huge = good;
    huge[8 + ihdr.size()] = 0x80;
    EXPECT_EQ(ErrorText<EPngUnexpectedEnd>(huge), LoadPngText(EPNGUnexpectedEndText));
    auto longer = good;
    longer[8 + ihdr.size()] = 0x10;
    EXPECT_EQ(ErrorText<EPngUnexpectedEnd>(longer), LoadPngText(EPNGUnexpectedEndText));
}

TEST(PngReading, ZlibFailuresCarryZlibsMessage)
{
    auto ihdr = MakeChunk("IHDR", IhdrData(2, 2, 8, 0));
    auto iend = MakeChunk("IEND", {});
    const std::string prefix = LoadPngText(EPNGZLIBErrorText);
    EXPECT_EQ(prefix, "Could not decompress the image because it contains invalid compressed data.\r\n Description: ");
    // Not a zlib header at all.
    std::string text = ErrorText<EPNGZLIBError>(MakePng({ihdr, MakeChunk("IDAT", {0x12, 0x34, 0x56, 0x78}), iend}));
    EXPECT_EQ(text.substr(0, prefix.size()), prefix);
    EXPECT_GT(text.size(), prefix.size());
    // A stream that asks for a preset dictionary.
    text = ErrorText<EPNGZLIBError>(MakePng({ihdr, MakeChunk("IDAT", {0x78, 0xBB, 0, 0, 0, 1, 0x63, 0}), iend}));
    EXPECT_EQ(text.substr(0, prefix.size()), prefix);
    EXPECT_GT(text.size(), prefix.size());
}

TEST(PngReading, GammaTables)
{
    auto gama = [](std::uint32_t g) {
        return MakeChunk("gAMA", {std::uint8_t(g >> 24), std::uint8_t(g >> 16), std::uint8_t(g >> 8), std::uint8_t(g)});
    };
    auto ihdr = MakeChunk("IHDR", IhdrData(1, 1, 8, 0));
    auto idat = MakeChunk("IDAT", Zlib({0, 7}));
    auto iend = MakeChunk("IEND", {});
    auto png = LoadPng(MakePng({ihdr, gama(45455), idat, iend}));
    for (int i = 0; i < 256; ++i)
        EXPECT_LE(std::abs(int(png->GammaTable[i]) - i), 1) << i;
    png = LoadPng(MakePng({ihdr, gama(100000), idat, iend}));
    EXPECT_EQ(png->GammaTable[128], int(std::lround(std::pow(128 / 255.0, 1 / 2.2) * 255)));
    EXPECT_EQ(png->GammaTable[0], 0);
    EXPECT_EQ(png->GammaTable[255], 255);
    // Loading again starts from identity tables; a gAMA of the wrong size changes nothing.
    png->LoadFromStream(*[&] {
        static TMemoryStream s;
        s.Clear();
        auto bytes = MakePng({ihdr, MakeChunk("gAMA", {0, 1, 0}), idat, iend});
        s.Write(bytes.data(), std::int64_t(bytes.size()));
        s.SetPosition(0);
        return &s;
    }());
    for (int i = 0; i < 256; ++i) {
        ASSERT_EQ(png->GammaTable[i], i);
        ASSERT_EQ(png->InverseGamma[i], i);
    }
}

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

TEST(PngMessages, TextsAndIdentifiers)
{
    const int ids[] = {65456, 65457, 65458, 65472, 65473, 65474, 65475, 65476, 65477, 65478, 65479, 65480,
                       65481, 65482, 65483, 65484, 65485, 65486, 65487, 65499, 65500, 65501, 65502, 65503};
    for (int id : ids)
        EXPECT_FALSE(LoadPngText(id).empty()) << id;
    EXPECT_EQ(LoadPngText(65499), "This \"Portable Network Graphics\" image is not valid because it contains "
                                  "invalid pieces of data (crc error)");
    EXPECT_EQ(LoadPngText(EPNGIHDRNotFirstText),
              "This \"Portable Network Graphics\" image is not supported or it might be invalid.\r\n(IHDR chunk is not the first)");
    EXPECT_EQ(LoadPngText(1), "");
}
