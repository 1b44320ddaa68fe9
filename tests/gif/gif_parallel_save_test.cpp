// Frames encoded on several threads at save time must give the bytes, progress events and
// errors of encoding each frame as it is written.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "gif_test_util.h"
#include "support/flat_gif.h"

using namespace giftest;

namespace {

struct TSaveResult {
    std::vector<BYTE> Bytes; // what reached the stream, also when the save failed
    std::string Error;
    std::vector<std::pair<TProgressStage, int>> Progress;
};

TSaveResult Save(TGIFImage& image, unsigned threads)
{
    TSaveResult result;
    image.SaveThreads = threads;
    image.OnProgress = [&](TGraphic&, TProgressStage stage, BYTE percent, bool, const TRect&, const std::string&) {
        result.Progress.emplace_back(stage, percent);
    };
    TMemoryStream stream;
    try {
        image.SaveToStream(stream);
    } catch (const Exception& e) {
        result.Error = e.what();
    }
    result.Bytes = stream.Bytes();
    image.OnProgress = nullptr;
    return result;
}

// Noise with runs, so that both encoders fill and clear their tables; every index is below
// colors.
std::vector<BYTE> Pixels(int w, int h, int colors, std::uint32_t seed)
{
    std::vector<BYTE> pixels(std::size_t(w) * std::size_t(h));
    std::uint32_t state = seed * 2654435761u + 1;
    for (std::size_t i = 0; i < pixels.size();) {
        state = state * 1664525u + 1013904223u;
        const std::size_t run = 1 + ((state >> 8) % 7 == 0 ? (state >> 12) % 40 : 0);
        const BYTE value = BYTE((state >> 20) % unsigned(colors));
        for (std::size_t k = 0; k < run && i < pixels.size(); ++k)
            pixels[i++] = value;
    }
    return pixels;
}

// Frames of 2 to 256 colours, interlaced and not, one on the global table; the frame at
// badFrame (if any) holds an index past its table.
void Build(TGIFImage& image, TGIFCompression compression, int badFrame = -1)
{
    image.Compression = compression;
    FillColorMap(image.GetColorMap(), 32);
    const int colorCounts[] = {2, 256, 4, 16, 0, 128, 3, 256, 8, 64, 2, 200};
    for (int i = 0; i < int(std::size(colorCounts)); ++i) {
        const int colors = colorCounts[i];
        const int w = 37 + 29 * (i % 4);
        const int h = 23 + 41 * (i % 3);
        std::vector<BYTE> pixels = Pixels(w, h, colors ? colors : 32, std::uint32_t(i));
        if (i == badFrame)
            pixels[pixels.size() / 2] = BYTE(colors ? colors : 32);
        TGIFSubImage* frame = AddFrame(image, w, h, pixels, i, 2 * i);
        if (colors)
            FillColorMap(frame->ColorMap(), colors);
        frame->SetInterlaced(i % 3 == 1);
    }
}

TEST(GifParallelSave, SameBytesAndProgressAsTheSequentialSave)
{
    for (TGIFCompression compression : {gcLZW, gcRLE}) {
        SCOPED_TRACE(compression == gcLZW ? "LZW" : "RLE");
        TGIFImage image;
        Build(image, compression);
        const TSaveResult sequential = Save(image, 1);
        ASSERT_EQ(sequential.Error, "");
        ASSERT_EQ(sequential.Progress.size(), image.Images().GetCount() + 2u);
        // More threads than frames, a few, and one per core.
        for (unsigned threads : {2u, 5u, 64u, 0u}) {
            SCOPED_TRACE(threads);
            const TSaveResult parallel = Save(image, threads);
            EXPECT_EQ(parallel.Error, "");
            EXPECT_TRUE(parallel.Bytes == sequential.Bytes);
            EXPECT_EQ(parallel.Progress, sequential.Progress);
        }
        // The saved image reads back with the pixels it was made of.
        TGIFImage copy;
        LoadFromBytes(copy, sequential.Bytes);
        ASSERT_EQ(copy.Images().GetCount(), image.Images().GetCount());
        for (int i = 0; i < image.Images().GetCount(); ++i) {
            const TGIFSubImage& a = *image.Images().GetImage(i);
            const TGIFSubImage& b = *copy.Images().GetImage(i);
            const std::size_t n = std::size_t(a.Width()) * std::size_t(a.Height());
            EXPECT_TRUE(std::equal(a.Data(), a.Data() + n, b.Data())) << "frame " << i;
        }
    }
}

TEST(GifParallelSave, BadIndexFailsWhereTheSequentialSaveFails)
{
    // The error surfaces when its frame is written: the frames before it, the bytes its
    // encoder got out and the progress events so far are those of the sequential save.
    for (TGIFCompression compression : {gcLZW, gcRLE}) {
        for (int bad : {0, 5, 11}) {
            SCOPED_TRACE(std::string(compression == gcLZW ? "LZW" : "RLE") + " frame " + std::to_string(bad));
            TGIFImage image;
            Build(image, compression, bad);
            const TSaveResult sequential = Save(image, 1);
            ASSERT_EQ(sequential.Error, "Color not in color table");
            const TSaveResult parallel = Save(image, 4);
            EXPECT_EQ(parallel.Error, sequential.Error);
            EXPECT_TRUE(parallel.Bytes == sequential.Bytes);
            EXPECT_EQ(parallel.Progress, sequential.Progress);
        }
    }
}

// Past what an image read from a file keeps decoded, its frames hold only their data. Copied
// into an image made in memory, which has no budget and so is saved on several threads, such
// frames are decoded by the threads that encode them, beside a frame that holds its pixels:
// the bytes are those of the sequential save, and the frames still hold only their data.
TEST(GifParallelSave, FramesHoldingOnlyTheirDataAreDecodedByTheSaveThreads)
{
    constexpr int side = 1024, coded = 6;
    constexpr int images = int(GIFKeptPixelBytes / (side * side)) + coded;
    TGIFImage file;
    LoadFromBytes(file, kelvo::test::FlatGif(images, side, side));
    ASSERT_EQ(file.Images().GetCount(), images);
    TGIFImage copy;
    copy.GetColorMap().Assign(file.GetColorMap());
    std::vector<int> sources = {0};
    for (int i = images - coded; i < images; ++i)
        sources.push_back(i);
    for (int i : sources) {
        const TGIFSubImage& frame = *file.Images().GetImage(i);
        ASSERT_EQ(frame.HoldsPixels(), i == 0) << "frame " << i;
        auto* copied = new TGIFSubImage(&copy);
        copy.Add(copied);
        copied->Assign(frame);
    }

    const TSaveResult sequential = Save(copy, 1);
    ASSERT_EQ(sequential.Error, "");
    for (unsigned threads : {3u, 0u}) {
        SCOPED_TRACE(threads);
        const TSaveResult parallel = Save(copy, threads);
        EXPECT_EQ(parallel.Error, "");
        EXPECT_TRUE(parallel.Bytes == sequential.Bytes);
        EXPECT_EQ(parallel.Progress, sequential.Progress);
    }
    for (std::size_t k = 1; k < sources.size(); ++k)
        EXPECT_FALSE(copy.Images().GetImage(int(k))->HoldsPixels()) << "frame " << k;
    EXPECT_EQ(copy.MemoryBudget().Held(), std::int64_t(side) * side) << "only the first frame's pixels";

    TGIFImage written;
    LoadFromBytes(written, sequential.Bytes);
    ASSERT_EQ(written.Images().GetCount(), int(sources.size()));
    for (std::size_t k = 0; k < sources.size(); ++k) {
        const BYTE* pixels = std::as_const(*written.Images().GetImage(int(k))).Data();
        for (int y : {0, side / 2, side / 2 + 1, side - 1})
            for (int x = 0; x < side; ++x)
                ASSERT_EQ(pixels[std::size_t(y) * side + std::size_t(x)],
                          kelvo::test::FlatGifPixel(sources[k], x, y, side))
                    << "frame " << k << " at " << x << "," << y;
    }
}

} // namespace
