// Reading GIF streams: the tolerant reader, the refusals of damaged files, damaged codes and
// data, and what frames cost before they are drawn.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "gif_bytes.h"
#include "gif_test_util.h"
#include "support/paths.h"
#include "support/error_of.h"

using namespace giftest;

namespace {

TEST(GifFormat, TolerantReader)
{
    struct Case {
        const char* name;
        Bytes bytes;
    };
    Bytes lower = kHeader;
    lower[0] = 'g', lower[1] = 'i', lower[2] = 'f';
    Bytes oddVersion = kHeader;
    oddVersion[3] = '9', oddVersion[4] = '0', oddVersion[5] = 'z';
    const Bytes appSize10 = {0x21, 0xFF, 10, 'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', 3, 1, 5, 0, 0};
    const Case cases[] = {
        {"four prefix bytes", Cat({{1, 2, 3, 4}, kHeader, kImage, kTrailer})},
        {"lower-case signature", Cat({lower, kImage, kTrailer})},
        {"other version bytes", Cat({oddVersion, kImage, kTrailer})},
        {"zero bytes between blocks", Cat({kHeader, {0, 0}, kImage, {0}, kTrailer})},
        {"no trailer", Cat({kHeader, kImage})},
        {"application block of size 10", Cat({kHeader, appSize10, kImage, kTrailer})},
    };
    for (const Case& c : cases) {
        TGIFImage image;
        TWarningLog log;
        log.Attach(image);
        LoadFromBytes(image, c.bytes);
        ASSERT_EQ(image.Images().GetCount(), 1) << c.name;
        ASSERT_FALSE(image.Images().GetImage(0)->GetEmpty()) << c.name;
        EXPECT_EQ(image.Images().GetImage(0)->GetPixel(0, 0), 1) << c.name;
        EXPECT_TRUE(log.Messages.empty()) << c.name << ": " << log.Messages.front();
    }

    TGIFImage five;
    EXPECT_EQ(ErrorOf([&] { LoadFromBytes(five, Cat({{1, 2, 3, 4, 5}, kHeader, kImage, kTrailer})); }),
              "Invalid GIF signature");
}

TEST(GifFormat, ShortGraphicControlBlockWarnsAndLoads)
{
    TGIFImage image;
    TWarningLog log;
    log.Attach(image);
    LoadFromBytes(image, Cat({kHeader, kImage, {0x21, 0xF9, 4, 1, 10, 0, 0}}));
    EXPECT_TRUE(log.Has("Premature end of data"));
    ASSERT_GE(image.Images().GetCount(), 1);
    EXPECT_EQ(image.Images().GetImage(0)->GetPixel(0, 0), 1);
}

TEST(GifFormat, RefusalsOfDamagedFiles)
{
    struct Case {
        const char* name;
        Bytes bytes;
        const char* error;
    };
    Bytes codeSize12 = kImage;
    codeSize12[10] = 12;
    Bytes hugeFrame = kImage;
    hugeFrame[5] = hugeFrame[6] = hugeFrame[7] = hugeFrame[8] = 0xFF;
    Bytes hugeScreen = kHeader;
    hugeScreen[6] = hugeScreen[7] = hugeScreen[8] = hugeScreen[9] = 0xFF;
    Bytes zeroScreen = kHeader;
    zeroScreen[6] = zeroScreen[8] = 0;
    Bytes zeroFrame = kImage;
    zeroFrame[5] = 0;
    const Case cases[] = {
        {"code size 12", Cat({kHeader, codeSize12, kTrailer}), "Invalid GIF data"},
        {"frame of 2^32 pixels", Cat({kHeader, hugeFrame, kTrailer}), "Invalid image dimensions"},
        {"screen of 2^32 pixels", Cat({hugeScreen, kImage, kTrailer}), "Invalid image dimensions"},
        {"zero frame on zero screen", Cat({zeroScreen, zeroFrame, kTrailer}), "Invalid image dimensions"},
        {"unknown label", Cat({kHeader, {0x21, 0x02, 0}, kImage, kTrailer}), "Unknown extension type"},
        {"application block of size 9", Cat({kHeader, {0x21, 0xFF, 9, 0}, kImage, kTrailer}),
         "Unsupported Application Extension block size"},
        {"short loop block", Cat({kHeader, {0x21, 0xFF, 11, 'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0', 2, 1, 5, 0}, kImage}),
         "Invalid GIF data"},
        {"short colour table", Bytes(kHeader.begin(), kHeader.begin() + 16), "Premature end of data"},
    };
    for (const Case& c : cases) {
        TGIFImage image;
        TMemoryStream stream;
        stream.WriteBuffer(c.bytes.data(), std::int64_t(c.bytes.size()));
        stream.SetPosition(0);
        EXPECT_EQ(ErrorOf([&] { image.LoadFromStream(stream); }), c.error) << c.name;
        EXPECT_EQ(stream.Position(), 0) << c.name;
    }
}

// Codes a well-formed stream never holds: one beyond the next free code is read as the
// not-yet-defined case, a first code after a clear that is no single pixel is a pixel of its
// own, and entries no string was ever written for read as prefix 0, suffix 0. Only a table
// chain that really loops is refused.
TEST(GifFormat, DamagedCodesDecodeLikeTheClassicTableDecoder)
{
    struct Case {
        const char* name;
        int width;
        std::vector<int> codes; // code size 2: clear 4, end 5, first free code 6
        Bytes pixels;
        const char* error;
    };
    const Case cases[] = {
        {"code past the next free one", 3, {4, 1, 7, 5}, {1, 1, 1}, ""},
        {"code far past the next free one", 11, {4, 2, 6, 1, 15, 8, 9, 5}, {2, 2, 2, 1, 1, 1, 1, 1, 0, 0, 1}, ""},
        {"first code after a clear is no pixel", 2, {4, 6, 0, 5}, {6, 0}, ""},
        {"an empty entry reads as two zero pixels", 6, {4, 1, 7, 7, 5}, {1, 1, 1, 0, 0, 1}, ""},
        {"a clear brings the fast path back", 6, {4, 1, 7, 4, 2, 6, 5}, {1, 1, 1, 2, 2, 2}, ""},
        {"an entry that is its own prefix", 8, {4, 1, 7, 6, 7, 5}, {}, "Circular decoder table entry"},
    };
    for (const Case& c : cases) {
        for (bool stream : {false, true}) {
            // The same data once on its own and once as the second frame behind a good one.
            Bytes bytes = stream ? Cat({kHeader, kImage, FrameBlock(c.width, 1, PackCodes(2, c.codes)), kTrailer})
                                 : Cat({kHeader, FrameBlock(c.width, 1, PackCodes(2, c.codes)), kTrailer});
            TGIFImage image;
            const std::string error = ErrorOf([&] { LoadFromBytes(image, bytes); });
            EXPECT_EQ(error, *c.error ? c.error : "(no error)") << c.name;
            if (*c.error)
                continue;
            ASSERT_EQ(image.Images().GetCount(), stream ? 2 : 1) << c.name;
            const TGIFSubImage* frame = image.Images().GetImage(stream ? 1 : 0);
            EXPECT_EQ(Bytes(frame->Data(), frame->Data() + frame->DataSize()), c.pixels) << c.name;
        }
    }
}

// Frames may claim up to 2^28 pixels each; a file only gets buffers for what its data can
// describe, so forty such frames with one pixel of data each cost next to nothing until a
// frame is drawn, and then only that frame.
TEST(GifFormat, FramesWithLittleDataHoldOnlyWhatTheirDataDescribes)
{
    Bytes bytes = kHeader;
    for (int i = 0; i < 40; ++i) {
        const Bytes frame = FrameBlock(16384, 16384, PackCodes(2, {4, BYTE(i % 2), 5}));
        bytes.insert(bytes.end(), frame.begin(), frame.end());
    }
    bytes.push_back(0x3B);
    TGIFImage image;
    LoadFromBytes(image, bytes);
    ASSERT_EQ(image.Images().GetCount(), 40);
    for (int i = 0; i < 40; ++i) {
        EXPECT_FALSE(image.Images().GetImage(i)->GetEmpty());
        EXPECT_TRUE(image.Images().GetImage(i)->PixelsPending());
    }

    // The rest of a frame whose data stopped early keeps the fill value, also when the rows
    // come pass by pass; a saved copy keeps the pixels and the frame stays as it was.
    for (bool interlaced : {false, true}) {
        TGIFImage small;
        LoadFromBytes(small, Cat({kHeader, FrameBlock(3, 9000, PackCodes(2, {4, 1, 1, 0, 1, 5}), interlaced), kTrailer}));
        TGIFSubImage* frame = small.Images().GetImage(0);
        ASSERT_TRUE(frame->PixelsPending());
        TGIFImage copy;
        LoadFromBytes(copy, SaveToBytes(small));
        EXPECT_TRUE(frame->PixelsPending());
        const int secondRow = interlaced ? 8 : 1;
        for (TGIFSubImage* f : {frame, copy.Images().GetImage(0)}) {
            EXPECT_EQ(f->GetPixel(0, 0), 1);
            EXPECT_EQ(f->GetPixel(1, 0), 1);
            EXPECT_EQ(f->GetPixel(2, 0), 0);
            EXPECT_EQ(f->GetPixel(0, secondRow), 1);
            EXPECT_EQ(f->GetPixel(1, secondRow), 0);
            EXPECT_EQ(f->GetPixel(2, 4), 0);
        }
        EXPECT_FALSE(frame->PixelsPending());
    }
}

// A graphic control block is read by its own size and any sub-blocks after it are skipped,
// so that the frame behind it is still found.
TEST(GifFormat, GraphicControlBlocksOfOtherSizesKeepTheReaderInStep)
{
    struct Case {
        const char* name;
        Bytes block;
        WORD delay;
        bool transparent;
    };
    const Case cases[] = {
        {"size 4", {0x21, 0xF9, 4, 1, 7, 0, 1, 0}, 7, true},
        {"size 3", {0x21, 0xF9, 3, 0, 9, 0, 0}, 9, false},
        {"size 5", {0x21, 0xF9, 5, 1, 2, 0, 0, 0xAA, 0}, 2, true},
        {"extra sub-block", {0x21, 0xF9, 4, 0, 3, 0, 0, 2, 0xAA, 0xBB, 0}, 3, false},
        {"size 0", {0x21, 0xF9, 0, 0}, 0, false},
    };
    for (const Case& c : cases) {
        TGIFImage image;
        TWarningLog log;
        log.Attach(image);
        LoadFromBytes(image, Cat({kHeader, c.block, kImage, kImage, kTrailer}));
        ASSERT_EQ(image.Images().GetCount(), 2) << c.name;
        EXPECT_TRUE(log.Messages.empty()) << c.name << ": " << log.Messages.front();
        const TGIFSubImage* frame = image.Images().GetImage(0);
        ASSERT_NE(frame->GraphicControlExtension(), nullptr) << c.name;
        EXPECT_EQ(frame->GraphicControlExtension()->GetDelay(), c.delay) << c.name;
        EXPECT_EQ(frame->Transparent(), c.transparent) << c.name;
        EXPECT_EQ(image.Images().GetImage(0)->GetPixel(0, 0), 1) << c.name;
        // Written back as the ordinary block.
        const Bytes saved = SaveToBytes(image);
        const Bytes standard = {0x21, 0xF9, 4, BYTE(c.transparent ? 1 : 0), BYTE(c.delay), 0};
        EXPECT_NE(std::search(saved.begin(), saved.end(), standard.begin(), standard.end()), saved.end()) << c.name;
    }
}

TEST(GifFormat, MissingImageSeparatorEndsTheFrames)
{
    Bytes noSeparator = kImage;
    noSeparator[0] = 0x2D;
    TGIFImage image;
    TWarningLog log;
    log.Attach(image);
    LoadFromBytes(image, Cat({kHeader, kImage, {0x21, 0xFE, 1, 'x', 0}, noSeparator, kTrailer}));
    EXPECT_TRUE(log.Has("Unknown GIF block type"));
    ASSERT_GE(image.Images().GetCount(), 1);
    for (int i = 1; i < image.Images().GetCount(); ++i)
        EXPECT_TRUE(image.Images().GetImage(i)->GetEmpty());
}

TEST(GifFormat, DataThatStopsEarlyKeepsTheFillValue)
{
    TGIFImage source;
    Bytes pixels(64);
    for (int i = 0; i < 64; ++i)
        pixels[std::size_t(i)] = BYTE(i % 3 == 0 ? 1 : 2);
    MakeImage(source, 8, 8, pixels, 4);
    auto* gce = new TGIFGraphicControlExtension(source.Images().GetImage(0));
    source.Images().GetImage(0)->Extensions().Add(gce);
    gce->SetTransparentColorIndex(3);
    gce->SetTransparent(true);
    Bytes bytes = SaveToBytes(source);
    // Cut the data after its first few bytes and end the file there.
    const std::size_t descriptor = 13 + 12 + 8;
    ASSERT_EQ(bytes[descriptor], 0x2C);
    const std::size_t data = descriptor + 10 + 1;
    bytes.resize(data + 1 + 3);
    TGIFImage image;
    TWarningLog log;
    log.Attach(image);
    LoadFromBytes(image, bytes);
    ASSERT_EQ(image.Images().GetCount(), 1);
    TGIFSubImage* frame = image.Images().GetImage(0);
    EXPECT_TRUE(log.Has("Premature end of data"));
    EXPECT_EQ(frame->GetPixel(0, 0), 1);
    EXPECT_EQ(frame->GetPixel(1, 0), 2);
    EXPECT_EQ(frame->GetPixel(7, 7), 3);
}

} // namespace
