// Writing GIF streams and reading them back: exact bytes, LZW and RLE coding through whole
// files, extensions, progress, and a save that fails. The reader alone: gif_reader_test.cpp.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "gif_bytes.h"
#include "gif_test_util.h"
#include "support/paths.h"
#include "support/error_of.h"

using namespace giftest;

namespace {

TEST(GifFormat, OnePixelImageHasTheExpectedBytes)
{
    TGIFImage image;
    image.GetColorMap().Add(clBlack);
    image.GetColorMap().Add(clWhite);
    AddFrame(image, 1, 1, {0});
    const Bytes expected = {'G', 'I', 'F', '8', '7', 'a', 1, 0, 1, 0, 0x80, 0, 0,
                            0, 0, 0, 255, 255, 255,
                            0x2C, 0, 0, 0, 0, 1, 0, 1, 0, 0,
                            // code size 2 (not 1), then clear 4, pixel 0, end 5 in 3-bit codes
                            2, 2, 0x44, 0x01, 0,
                            0x3B};
    EXPECT_EQ(SaveToBytes(image), expected);
}

TEST(GifFormat, VersionAndPaddedTables)
{
    TGIFImage image;
    EXPECT_EQ(ErrorOf([&] { SaveToBytes(image); }), "Unsupported GIF version");
    MakeImage(image, 2, 1, {0, 4}, 5);
    Bytes bytes = SaveToBytes(image);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 6), "GIF87a");
    EXPECT_EQ(bytes[10] & 0x87, 0x82); // table present, size field 2
    // 5 colours written as 8, the last 3 black; then the image descriptor.
    EXPECT_EQ(bytes[13 + 5 * 3], 0);
    EXPECT_EQ(bytes[13 + 8 * 3], 0x2C);
    for (int i = 5 * 3; i < 8 * 3; ++i)
        EXPECT_EQ(bytes[13 + i], 0);

    auto* gce = new TGIFGraphicControlExtension(image.Images().GetImage(0));
    image.Images().GetImage(0)->Extensions().Add(gce);
    bytes = SaveToBytes(image);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 6), "GIF89a");
}

TEST(GifFormat, ScreenTableBitsComeFromTheGlobalTable)
{
    // A 2-colour global table next to a 256-colour local one.
    TGIFImage image;
    FillColorMap(image.GetColorMap(), 2);
    TGIFSubImage* frame = AddFrame(image, 2, 1, {0, 200});
    FillColorMap(frame->ColorMap(), 256);
    const Bytes bytes = SaveToBytes(image);
    EXPECT_EQ(bytes[10] & 0x07, 0);
    EXPECT_EQ(bytes[13 + 6], 0x2C);
    TGIFImage back;
    LoadFromBytes(back, bytes);
    EXPECT_EQ(back.GetColorMap().Count(), 2);
    EXPECT_EQ(back.Images().GetImage(0)->ColorMap().Count(), 256);
    EXPECT_EQ(back.Images().GetImage(0)->GetPixel(1, 0), 200);
}

TEST(GifFormat, InterlacedRowsAreStoredPassByPass)
{
    const std::pair<int, std::vector<int>> cases[] = {
        {3, {0, 2, 1}}, {5, {0, 4, 2, 1, 3}}, {1, {0}}, {9, {0, 8, 4, 2, 6, 1, 3, 5, 7}}};
    for (const auto& [height, order] : cases) {
        for (TGIFCompression compression : {gcLZW, gcRLE}) {
            TGIFImage image;
            image.Compression = compression;
            Bytes pixels;
            for (int r = 0; r < height; ++r)
                pixels.insert(pixels.end(), 2, BYTE(r));
            MakeImage(image, 2, height, pixels, 16);
            image.Images().GetImage(0)->SetInterlaced(true);
            Bytes bytes = SaveToBytes(image);
            TGIFImage back;
            LoadFromBytes(back, bytes);
            EXPECT_EQ(Bytes(back.Images().GetImage(0)->Data(), back.Images().GetImage(0)->Data() + pixels.size()),
                      pixels);
            // Read without the interlace bit the rows come in stored order.
            const std::size_t packed = 13 + 16 * 3 + 9;
            ASSERT_EQ(bytes[packed] & 0x40, 0x40);
            bytes[packed] &= ~0x40;
            LoadFromBytes(back, bytes);
            for (int i = 0; i < height; ++i)
                EXPECT_EQ(back.Images().GetImage(0)->GetPixel(0, i), order[std::size_t(i)]) << height;
        }
    }
}

TEST(GifFormat, RunLengthCodingOfOneColourUsesGrowingStrings)
{
    TGIFImage image;
    image.Compression = gcRLE;
    MakeImage(image, 100, 100, Bytes(10000, 3), 4);
    const Bytes rle = SaveToBytes(image);
    image.Compression = gcLZW;
    const Bytes lzw = SaveToBytes(image);
    EXPECT_NE(rle, lzw);
    // 10000 pixels in strings of 1, 2, 3 ... take a few hundred codes, not thousands.
    EXPECT_LT(rle.size(), 600u);
    TGIFImage back;
    LoadFromBytes(back, rle);
    const TGIFSubImage* frame = back.Images().GetImage(0);
    EXPECT_EQ(Bytes(frame->Data(), frame->Data() + 10000), Bytes(10000, 3));
}

TEST(GifFormat, PixelOutsideTheTableIsRefusedByBothEncoders)
{
    for (TGIFCompression compression : {gcLZW, gcRLE}) {
        TGIFImage image;
        image.Compression = compression;
        TGIFSubImage* frame = AddFrame(image, 2, 1, {0, 3});
        FillColorMap(frame->ColorMap(), 3);
        EXPECT_EQ(ErrorOf([&] { SaveToBytes(image); }), "Color not in color table");
    }
}

TEST(GifFormat, ExtensionsRoundTrip)
{
    TGIFImage image;
    MakeImage(image, 1, 1, {1});
    TGIFSubImage* frame = image.Images().GetImage(0);
    auto* loop = new TGIFAppExtNSLoop(frame);
    loop->Loops = 3;
    loop->BufferSize = 70000;
    frame->Extensions().Add(loop);
    auto* comment = new TGIFCommentExtension(frame);
    comment->Text = {"hello", std::string(300, 'c')};
    frame->Extensions().Add(comment);
    auto* text = new TGIFTextExtension(frame);
    text->Rec().Width = 40;
    text->Text = {"plain"};
    frame->Extensions().Add(text);
    auto* unknown = new TGIFUnknownAppExtension(frame);
    unknown->SetIdentifier("KELVOTST");
    unknown->SetAuthentication("1.0");
    unknown->Blocks = {TGIFBlock{{1, 2, 3}}, TGIFBlock{{9}}};
    frame->Extensions().Add(unknown);
    auto* gce = new TGIFGraphicControlExtension(frame);
    gce->SetDelay(25);
    gce->SetDisposal(dmBackground);
    gce->SetUserInput(true);
    frame->Extensions().Add(gce);

    const Bytes bytes = SaveToBytes(image);
    TGIFImage back;
    LoadFromBytes(back, bytes);
    ASSERT_EQ(back.Images().GetCount(), 1);
    const TGIFExtensionList& list = back.Images().GetImage(0)->Extensions();
    ASSERT_EQ(list.GetCount(), 5);
    auto* loop2 = dynamic_cast<TGIFAppExtNSLoop*>(list.GetExtension(0));
    ASSERT_NE(loop2, nullptr);
    EXPECT_EQ(loop2->Loops, 3);
    EXPECT_EQ(loop2->BufferSize, 70000u);
    auto* comment2 = dynamic_cast<TGIFCommentExtension*>(list.GetExtension(1));
    ASSERT_NE(comment2, nullptr);
    // The long string comes back as the sub-blocks it was cut into.
    EXPECT_EQ(comment2->Text, (std::vector<std::string>{"hello", std::string(255, 'c'), std::string(45, 'c')}));
    auto* text2 = dynamic_cast<TGIFTextExtension*>(list.GetExtension(2));
    ASSERT_NE(text2, nullptr);
    const int gridWidth = text2->Rec().Width; // a packed field binds to no reference
    EXPECT_EQ(gridWidth, 40);
    EXPECT_EQ(text2->Text, std::vector<std::string>{"plain"});
    auto* unknown2 = dynamic_cast<TGIFUnknownAppExtension*>(list.GetExtension(3));
    ASSERT_NE(unknown2, nullptr);
    EXPECT_EQ(unknown2->GetIdentifier(), "KELVOTST");
    ASSERT_EQ(unknown2->Blocks.size(), 2u);
    EXPECT_EQ(unknown2->Blocks[0].Data, (Bytes{1, 2, 3}));
    auto* gce2 = dynamic_cast<TGIFGraphicControlExtension*>(list.GetExtension(4));
    ASSERT_NE(gce2, nullptr);
    EXPECT_EQ(gce2->GetDelay(), 25);
    EXPECT_EQ(gce2->GetDisposal(), dmBackground);
    EXPECT_TRUE(gce2->GetUserInput());
    EXPECT_EQ(SaveToBytes(back), bytes);
}

TEST(GifFormat, LaterRegistrationWins)
{
    static const TGIFExtensionClass special = [] {
        TGIFExtensionClass c;
        c.Name = "special";
        c.Create = [](TGIFSubImage* f) {
            auto e = std::make_unique<TGIFUnknownAppExtension>(f);
            e->SetAuthentication("zzz");
            return std::unique_ptr<TGIFExtension>(e.release());
        };
        return c;
    }();
    TGIFApplicationExtension::RegisterExtension("NETSCAPE2.0", &special);
    TGIFImage image;
    LoadFromBytes(image, Cat({kHeader, {0x21, 0xFF, 11, 'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0', 3, 1, 0, 0, 0},
                              kImage, kTrailer}));
    FreeExtensionRegistries();
    const TGIFExtension* e = image.Images().GetImage(0)->Extensions().GetExtension(0);
    EXPECT_NE(dynamic_cast<const TGIFUnknownAppExtension*>(e), nullptr);
    TGIFImage again;
    LoadFromBytes(again, Cat({kHeader, {0x21, 0xFF, 11, 'A', 'N', 'I', 'M', 'E', 'X', 'T', 'S', '1', '.', '0', 3, 1, 2, 0, 0},
                              kImage, kTrailer}));
    auto* loop = dynamic_cast<const TGIFAppExtNSLoop*>(again.Images().GetImage(0)->Extensions().GetExtension(0));
    ASSERT_NE(loop, nullptr);
    EXPECT_EQ(loop->Loops, 2);
}

TEST(GifFormat, ProgressIsReported)
{
    TGIFImage image;
    std::vector<std::pair<TProgressStage, std::string>> seen;
    image.OnProgress = [&](TGraphic&, TProgressStage stage, BYTE, bool, const TRect&, const std::string& msg) {
        seen.emplace_back(stage, msg);
    };
    LoadFromBytes(image, Cat({kHeader, kImage, kImage, kTrailer}));
    ASSERT_GE(seen.size(), 3u);
    EXPECT_EQ(seen.front(), std::make_pair(psStarting, std::string("Loading...")));
    EXPECT_EQ(seen.back(), std::make_pair(psEnding, std::string("Loading...")));
    seen.clear();
    SaveToBytes(image);
    ASSERT_EQ(seen.size(), 4u);
    EXPECT_EQ(seen[1], std::make_pair(psRunning, std::string("Saving...")));
}

TEST(GifFormat, FailedSaveToFileKeepsTheOldFile)
{
    kelvo::test::TTempDir dir;
    const std::string path = (dir / "keep.gif").string();
    TGIFImage image;
    MakeImage(image, 3, 1, {0, 1, 1});
    image.SaveToFile(path);
    const Bytes good = ReadFileBytes(path);
    EXPECT_EQ(good, SaveToBytes(image));

    TGIFSubImage* frame = AddFrame(image, 2, 1, {0, 5});
    FillColorMap(frame->ColorMap(), 2);
    EXPECT_EQ(ErrorOf([&] { image.SaveToFile(path); }), "Color not in color table");
    EXPECT_EQ(ReadFileBytes(path), good);
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path())) {
        (void)entry;
        ++files;
    }
    EXPECT_EQ(files, 1);

    TGIFImage back;
    back.LoadFromFile(path);
    EXPECT_EQ(back.Images().GetImage(0)->GetPixel(2, 0), 1);
}

} // namespace
