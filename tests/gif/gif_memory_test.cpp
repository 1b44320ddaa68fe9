// What reading and drawing GIF files costs in memory. Every allocation of this test program
// goes through the counting operators below, so a test can read the most that was held at
// once while it ran a step.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "gif_test_util.h"
#include "platform/canvas.h"

namespace {

std::atomic<std::int64_t> heldBytes{0};
std::atomic<std::int64_t> peakBytes{0};
constexpr std::size_t HeaderBytes = 16;

void* CountedNew(std::size_t n)
{
    void* p = std::malloc(n + HeaderBytes);
    if (!p)
        throw std::bad_alloc();
    *static_cast<std::size_t*>(p) = n;
    const std::int64_t now = heldBytes += std::int64_t(n);
    std::int64_t peak = peakBytes.load();
    while (now > peak && !peakBytes.compare_exchange_weak(peak, now)) {
    }
    return static_cast<char*>(p) + HeaderBytes;
}

void CountedDelete(void* p) noexcept
{
    if (!p)
        return;
    char* base = static_cast<char*>(p) - HeaderBytes;
    heldBytes -= std::int64_t(*reinterpret_cast<std::size_t*>(base));
    std::free(base);
}

// The most bytes held at once while f ran, above what was held when it started.
template <typename F>
std::int64_t PeakGrowth(F&& f)
{
    const std::int64_t start = heldBytes.load();
    peakBytes = start;
    f();
    return peakBytes.load() - start;
}

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

void* operator new(std::size_t n) { return CountedNew(n); }
void* operator new[](std::size_t n) { return CountedNew(n); }
void operator delete(void* p) noexcept { CountedDelete(p); }
void operator delete[](void* p) noexcept { CountedDelete(p); }
void operator delete(void* p, std::size_t) noexcept { CountedDelete(p); }
void operator delete[](void* p, std::size_t) noexcept { CountedDelete(p); }
void* operator new(std::size_t n, const std::nothrow_t&) noexcept
{
    try {
        return CountedNew(n);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}
void* operator new[](std::size_t n, const std::nothrow_t& tag) noexcept { return operator new(n, tag); }
void operator delete(void* p, const std::nothrow_t&) noexcept { CountedDelete(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { CountedDelete(p); }

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
