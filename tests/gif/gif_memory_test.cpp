// What reading and drawing GIF files costs in memory. Every allocation of this test program
// goes through the counting operators of allocation_count.h, so a test can read the most
// that was held at once while it ran a step.
#include <gtest/gtest.h>

#include <utility>

#include "gif_test_util.h"
#include "platform/canvas.h"
#include "support/allocation_count.h"
#include "support/flat_gif.h"
#include "support/lzw_codes.h"

namespace {

using kelvo::test::PeakGrowth;
using giftest::FrameBlock;
using giftest::PackCodes;
using Bytes = std::vector<BYTE>;

// GIF89a, 9 x 2 screen with a black and white table.
const Bytes kHeader = {'G', 'I', 'F', '8', '9', 'a', 9, 0, 2, 0, 0x80, 0, 0, 0, 0, 0, 255, 255, 255};

Bytes Cat(std::initializer_list<Bytes> parts)
{
    Bytes out;
    for (const Bytes& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

// The codes of a frame of pixel 0 that LZW describes with its longest strings: each code
// the previous string plus one pixel until the table is full, then the longest string again.
std::vector<int> LongestStringCodes(std::int64_t pixels)
{
    std::vector<int> codes = {4, 0};
    std::int64_t described = 1;
    for (int code = 6; code < 4096 && described < pixels; ++code) {
        codes.push_back(code);
        described += code - 4;
    }
    for (; described < pixels; described += 4091)
        codes.push_back(4095);
    codes.push_back(5);
    return codes;
}

} // namespace

// Eighty thousand frames of 16384 x 16384 without image data: a file just under a megabyte
// that used to ask for 2^28 bytes a frame.
TEST(GifMemory, FramesWithoutDataCostNextToNothing)
{
    Bytes bytes = kHeader;
    const Bytes frame = FrameBlock(16384, 16384, PackCodes(2, {}));
    for (int i = 0; i < 80000; ++i)
        bytes.insert(bytes.end(), frame.begin(), frame.end());
    bytes.push_back(0x3B);
    TGIFImage image;
    const std::int64_t cost = PeakGrowth([&] { giftest::LoadFromBytes(image, bytes); });
    ASSERT_LT(bytes.size(), 1u << 20);
    EXPECT_EQ(image.Images().GetCount(), 80000);
    EXPECT_LT(cost, std::int64_t(64) << 20) << cost;
}

// A frame whose data describe it whole is as valid as the file is small: 144 million pixels
// in about 50 KB. It is given room to be drawn beside what its image keeps, however small
// its file; with the bound that grows with the file alone, its bitmap was refused.
TEST(GifMemory, AFrameItsDataDescribeWholeHasRoomToBeDrawnInASmallFile)
{
    constexpr int side = 12000;
    const Bytes big = FrameBlock(side, side, PackCodes(2, LongestStringCodes(std::int64_t(side) * side)));
    const Bytes small = FrameBlock(2, 1, PackCodes(2, {4, 1, 0, 5}));
    const Bytes bytes = Cat({kHeader, big, small, {0x3B}});
    ASSERT_LT(bytes.size(), 64u << 10);

    TGIFImage image;
    giftest::LoadFromBytes(image, bytes);
    ASSERT_EQ(image.Images().GetCount(), 2);
    EXPECT_EQ(image.Images().GetImage(1)->GetPixel(1, 0), 0);
    EXPECT_GE(image.MemoryBudget().Limit(), TGIFMemoryBudget::ForWholeFrame(side, side));
    TGIFSubImage& frame = *image.Images().GetImage(0);
    EXPECT_FALSE(frame.HoldsPixels()) << "more than an image keeps";
    const TBitmap& bitmap = frame.GetBitmap();
    EXPECT_EQ(bitmap.Width(), side);
    EXPECT_EQ(frame.GetPixel(side - 1, side - 1), 0);
    EXPECT_EQ(bitmap.GetPixel(side - 1, side - 1), RGB(0, 0, 0));
}

// An image keeps the decoded pixels of its first frames and only the data of the others, so
// that reading a long animation costs about what it keeps and one frame; a frame's pixels
// are decoded again when they are needed after being let go of, and are the same each time,
// interlaced or cut short; what the data have to say is said once, when the file is read;
// and the image is written as it was read.
TEST(GifMemory, FramesPastWhatTheImageKeepsAreDecodedWhenUsed)
{
    constexpr int images = 20, side = 2048;
    const Bytes flat = kelvo::test::FlatGif(images, side, side);
    // An interlaced frame whose data stop early, and one cut by the end of the file.
    const Bytes early = FrameBlock(3, 9000, PackCodes(2, {4, 1, 1, 0, 1, 5}), true);
    Bytes cutData = PackCodes(2, {4, 1, 0, 1, 0, 1, 0, 1});
    cutData.pop_back();
    cutData[1] = BYTE(cutData[1] + 5);
    const Bytes cut = FrameBlock(40, 1, cutData);
    Bytes bytes(flat.begin(), flat.end() - 1);
    bytes.insert(bytes.end(), early.begin(), early.end());
    bytes.insert(bytes.end(), cut.begin(), cut.end());

    TGIFImage image;
    giftest::TWarningLog log;
    log.Attach(image);
    const std::int64_t cost = PeakGrowth([&] { giftest::LoadFromBytes(image, bytes); });
    ASSERT_EQ(image.Images().GetCount(), images + 2);
    const std::vector<std::string> warnings = log.Messages;
    EXPECT_EQ(warnings, (std::vector<std::string>{"Premature end of data", "Decoder bit buffer under-run"}));
    const std::int64_t frameBytes = std::int64_t(side) * side;
    EXPECT_LT(cost, std::int64_t(GIFKeptPixelBytes) + 3 * frameBytes) << cost;
    EXPECT_LE(image.MemoryBudget().Held(), std::int64_t(GIFKeptPixelBytes));
    int held = 0;
    for (int i = 0; i < images; ++i)
        held += image.Images().GetImage(i)->HoldsPixels();
    EXPECT_EQ(held, int(GIFKeptPixelBytes / std::uint64_t(frameBytes)));

    TGIFImage original;
    giftest::LoadFromBytes(original, bytes);
    for (int pass = 0; pass < 2; ++pass) {
        for (int i = 0; i < images; ++i) {
            TGIFSubImage& frame = *image.Images().GetImage(i);
            const BYTE* pixels = std::as_const(frame).Data();
            for (int y : {0, side / 2, side / 2 + 3, side - 1})
                for (int x = 0; x < side; x += 7)
                    ASSERT_EQ(pixels[std::size_t(y) * side + std::size_t(x)], kelvo::test::FlatGifPixel(i, x, y, side))
                        << i << " " << x << "," << y;
            frame.ReleasePixels();
            EXPECT_FALSE(frame.GetEmpty());
        }
        const TGIFSubImage& early = std::as_const(*image.Images().GetImage(images));
        EXPECT_EQ(Bytes(early.Data(), early.Data() + 3), (Bytes{1, 1, 0}));
        EXPECT_EQ(Bytes(early.Data() + 8 * 3, early.Data() + 9 * 3), (Bytes{1, 0, 0})) << "the data's second row";
        EXPECT_EQ(early.Data()[3], 0) << "row 1 keeps the fill";
        const TGIFSubImage& cutShort = *image.Images().GetImage(images + 1);
        EXPECT_EQ(Bytes(cutShort.Data(), cutShort.Data() + 3), (Bytes{1, 0, 1}));
        EXPECT_EQ(cutShort.Data()[39], 0) << "past the data: the fill";
        image.Images().GetImage(images)->ReleasePixels();
        image.Images().GetImage(images + 1)->ReleasePixels();
    }
    EXPECT_EQ(log.Messages, warnings);
    EXPECT_EQ(image.MemoryBudget().Held(), held * frameBytes) << "what the image keeps stays";
    EXPECT_EQ(giftest::SaveToBytes(image), giftest::SaveToBytes(original));
}

// A copy of a frame read from a file takes its data, not a buffer of its size: the copy of a
// 16384 x 16384 frame whose data stop early once cost 256 MiB. Its pixels are its source's.
TEST(GifMemory, ACopyOfAFrameCostsWhatItsDataCost)
{
    TGIFImage image;
    giftest::LoadFromBytes(image, kelvo::test::EarlyEndingGif(1, 16384, 64));
    TGIFImage copy;
    const std::int64_t cost = PeakGrowth([&] { copy.Assign(image); });
    ASSERT_EQ(copy.Images().GetCount(), 1);
    EXPECT_LT(cost, std::int64_t(1) << 20) << cost;

    giftest::LoadFromBytes(image, kelvo::test::EarlyEndingGif(1, 64, 60));
    TGIFSubImage frame(nullptr);
    frame.Assign(*image.Images().GetImage(0));
    const TGIFSubImage& source = *image.Images().GetImage(0);
    ASSERT_EQ(frame.Width(), 64);
    EXPECT_EQ(Bytes(frame.Data(), frame.Data() + frame.DataSize()),
              Bytes(source.Data(), source.Data() + source.DataSize()));
}

// A large transparent frame shown on a 9 x 2 screen: the frame's own bitmap and mask are
// made, but only the 18 pixels shown are converted.
TEST(GifMemory, DrawingThroughASmallScreenConvertsOnlyWhatIsShown)
{
    // Index 1 transparent; the data gives one black pixel and the rest keeps the fill.
    const Bytes gce = {0x21, 0xF9, 4, 1, 0, 0, 1, 0};
    const Bytes bytes = Cat({kHeader, gce, FrameBlock(8192, 8192, PackCodes(2, {4, 0, 5})), {0x3B}});
    TGIFImage image;
    image.SetDrawOptions(image.DrawOptions() - TGIFDrawOptions{goDither});
    giftest::LoadFromBytes(image, bytes);
    TGIFSubImage* frame = image.Images().GetImage(0);
    frame->Data(); // the frame's pixels are not what is measured
    TBitmap* shown = nullptr;
    const std::int64_t cost = PeakGrowth([&] { shown = image.GetBitmap(); });
    ASSERT_NE(shown, nullptr);
    EXPECT_EQ(shown->Width(), 9);
    EXPECT_EQ(shown->GetPixel(0, 0), RGB(0, 0, 0));
    EXPECT_EQ(shown->GetPixel(1, 0), RGB(255, 255, 255)) << "transparent: the white fill shows";
    // The 8-bit bitmap and the mask of 2^26 pixels, and nothing of the frame's size beyond.
    EXPECT_LT(cost, std::int64_t(8192) * 8192 * 5 / 4 + (std::int64_t(4) << 20));
}

// The shape of a file that once cost gigabytes (40 images of 16384 x 16384 whose data stop
// early, in under a megabyte), scaled down with the same proportion of pixels to bytes:
// loading it and taking every image's bitmap stays within its budget, the first image that
// does not fit is refused with the library's message, and the image stays usable.
TEST(GifMemory, TakingEveryBitmapOfAFileOfLargeImagesStaysWithinItsBudget)
{
    constexpr int images = 40, side = 4096;
    const Bytes bytes = kelvo::test::EarlyEndingGif(images, side, kelvo::test::EarlyEndingDataBytes(side));
    TGIFImage image;
    std::string error;
    int rendered = 0;
    const std::int64_t cost = PeakGrowth([&] {
        giftest::LoadFromBytes(image, bytes);
        try {
            for (; rendered < images; ++rendered)
                image.Images().GetImage(rendered)->GetBitmap();
        } catch (const GIFException& e) {
            error = e.Message;
        }
    });
    const std::uint64_t limit = image.MemoryBudget().Limit();
    EXPECT_EQ(limit, TGIFMemoryBudget::ForStreamSize(std::int64_t(bytes.size())));
    EXPECT_EQ(error, "Failed to allocate memory for GIF DIB");
    ASSERT_GT(rendered, 0);
    ASSERT_LT(rendered, images);
    // The budget, and the frames' own objects beside it.
    EXPECT_LE(cost, std::int64_t(limit) + (std::int64_t(4) << 20)) << cost;
    EXPECT_LE(image.MemoryBudget().Held(), std::int64_t(limit));
    // At full size the same file is allowed under a GiB.
    EXPECT_LE(TGIFMemoryBudget::ForStreamSize(981140), std::uint64_t(1) << 30);

    // What is let go of is room again: the refused image renders once the others are gone.
    for (int i = 0; i < rendered; ++i) {
        image.Images().GetImage(i)->FreeBitmap();
        image.Images().GetImage(i)->FreeImage();
    }
    const TBitmap& refused = image.Images().GetImage(rendered)->GetBitmap();
    ASSERT_EQ(refused.Width(), side);
    EXPECT_EQ(refused.GetPixel(0, 0), RGB(0, 0, 0));
    EXPECT_EQ(refused.GetPixel(1, 0), RGB(255, 255, 255));
    EXPECT_EQ(refused.GetPixel(side - 1, side - 1), RGB(0, 0, 0)) << "past the data: the fill";
    image.Clear();
    EXPECT_EQ(image.MemoryBudget().Held(), 0);
}
