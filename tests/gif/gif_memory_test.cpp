// What reading and drawing GIF files costs in memory. Every allocation of this test program
// goes through the counting operators of allocation_count.h, so a test can read the most
// that was held at once while it ran a step.
#include <gtest/gtest.h>

#include "gif_test_util.h"
#include "platform/canvas.h"
#include "support/allocation_count.h"
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

// A frame whose data really describes 2^28 pixels (about 100 KB of the longest strings LZW
// has) uses up what a file of that size may make the library allocate; the next frame is
// refused with the library's out-of-memory message instead of allocating on.
TEST(GifMemory, DataDescribingMoreThanTheBudgetIsRefused)
{
    std::vector<int> codes = {4, 0};
    for (int code = 6; code < 4096; ++code)
        codes.push_back(code); // each the previous string plus one pixel
    std::int64_t pixels = 0;
    for (int code = 6; code < 4096; ++code)
        pixels += code - 4;
    for (pixels += 1; pixels < (std::int64_t(1) << 28); pixels += 4092)
        codes.push_back(4095);
    codes.push_back(5);
    const Bytes big = FrameBlock(16384, 16384, PackCodes(2, codes));
    const Bytes small = FrameBlock(2, 1, PackCodes(2, {4, 1, 0, 5}));

    TGIFImage image;
    std::string error;
    try {
        giftest::LoadFromBytes(image, Cat({kHeader, big, small, {0x3B}}));
    } catch (const GIFException& e) {
        error = e.Message;
    }
    EXPECT_EQ(error, "Failed to allocate memory for GIF DIB");

    // Either frame on its own is fine.
    giftest::LoadFromBytes(image, Cat({kHeader, big, {0x3B}}));
    EXPECT_EQ(image.Images().GetImage(0)->GetPixel(16383, 16383), 0);
    giftest::LoadFromBytes(image, Cat({kHeader, small, {0x3B}}));
    EXPECT_EQ(image.Images().GetImage(0)->GetPixel(0, 0), 1);
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
