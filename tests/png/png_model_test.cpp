// The chunk list, reading and writing rules and the library's errors; the row filters are
// in png_filter_test.cpp.
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
