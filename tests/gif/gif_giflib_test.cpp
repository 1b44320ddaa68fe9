// Cross-check with the reference GIF library: what we write it reads back exactly, and what
// it writes we read back exactly, over depths, both encoders, interlacing and awkward sizes.
#include <gtest/gtest.h>

#include "gif_test_util.h"

#ifdef KELVO_HAVE_GIFLIB
#include <gif_lib.h>
#endif

using namespace giftest;
using Bytes = std::vector<BYTE>;

namespace {

enum TPattern { ptNoise, ptRuns, ptGradient };

Bytes MakePixels(TPattern pattern, int w, int h, int colors, unsigned seed)
{
    Bytes pixels(std::size_t(w) * std::size_t(h));
    unsigned state = seed * 2654435761u + 1;
    int run = 0;
    BYTE value = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            state = state * 1103515245u + 12345u;
            BYTE& p = pixels[std::size_t(y) * std::size_t(w) + std::size_t(x)];
            switch (pattern) {
            case ptNoise:
                p = BYTE((state >> 16) % unsigned(colors));
                break;
            case ptRuns:
                if (run-- <= 0) {
                    run = int((state >> 12) % 400);
                    value = BYTE((state >> 20) % unsigned(colors));
                }
                p = value;
                break;
            case ptGradient:
                p = BYTE((std::int64_t(x) + y) * colors / (std::int64_t(w) + h));
                break;
            }
        }
    return pixels;
}

struct TCase {
    int bits;
    TGIFCompression compression;
    bool interlaced;
    int width, height;
    TPattern pattern;
    std::string Name() const
    {
        return "bits " + std::to_string(bits) + (compression == gcRLE ? " RLE" : " LZW") +
               (interlaced ? " interlaced " : " ") + std::to_string(width) + "x" + std::to_string(height) +
               " pattern " + std::to_string(int(pattern));
    }
};

std::vector<TCase> AllCases()
{
    std::vector<TCase> cases;
    const std::pair<int, int> sizes[] = {{1, 1}, {1, 300}, {300, 1}, {257, 203}};
    for (int bits = 1; bits <= 8; ++bits)
        for (TGIFCompression c : {gcLZW, gcRLE})
            for (bool interlaced : {false, true})
                for (auto [w, h] : sizes)
                    for (TPattern p : {ptNoise, ptRuns, ptGradient})
                        cases.push_back(TCase{bits, c, interlaced, w, h, p});
    return cases;
}

#ifdef KELVO_HAVE_GIFLIB

std::vector<int> RowOrder(int height, bool interlaced)
{
    std::vector<int> rows;
    if (!interlaced) {
        for (int r = 0; r < height; ++r)
            rows.push_back(r);
        return rows;
    }
    const int start[4] = {0, 4, 2, 1}, step[4] = {8, 8, 4, 2};
    for (int pass = 0; pass < 4; ++pass)
        for (int r = start[pass]; r < height; r += step[pass])
            rows.push_back(r);
    return rows;
}

struct TMemoryReader {
    const Bytes* data;
    std::size_t pos = 0;
};

int ReadFromMemory(GifFileType* gif, GifByteType* buffer, int count)
{
    auto* r = static_cast<TMemoryReader*>(gif->UserData);
    const std::size_t n = std::min<std::size_t>(std::size_t(count), r->data->size() - r->pos);
    std::memcpy(buffer, r->data->data() + r->pos, n);
    r->pos += n;
    return int(n);
}

int WriteToMemory(GifFileType* gif, const GifByteType* buffer, int count)
{
    auto* out = static_cast<Bytes*>(gif->UserData);
    out->insert(out->end(), buffer, buffer + count);
    return count;
}

TEST(GifGiflib, WhatWeWriteTheReferenceReads)
{
    for (const TCase& c : AllCases()) {
        SCOPED_TRACE(c.Name());
        const int colors = 1 << c.bits;
        const bool local = c.pattern == ptGradient;
        TGIFImage image;
        image.Compression = c.compression;
        FillColorMap(image.GetColorMap(), colors);
        const Bytes pixels = MakePixels(c.pattern, c.width, c.height, colors, unsigned(c.bits * 31 + c.width));
        TGIFSubImage* frame = AddFrame(image, c.width, c.height, pixels, 3, 1);
        if (local)
            FillColorMap(frame->ColorMap(), colors);
        frame->SetInterlaced(c.interlaced);
        auto* loop = new TGIFAppExtNSLoop(frame);
        loop->Loops = WORD(c.bits);
        frame->Extensions().Add(loop);
        auto* gce = new TGIFGraphicControlExtension(frame);
        frame->Extensions().Add(gce);
        gce->SetDelay(WORD(10 + c.bits));
        gce->SetDisposal(dmBackground);
        gce->SetTransparentColorIndex(BYTE(colors - 1));
        gce->SetTransparent(true);

        const Bytes bytes = SaveToBytes(image);
        TMemoryReader reader{&bytes};
        int error = 0;
        GifFileType* gif = DGifOpen(&reader, ReadFromMemory, &error);
        ASSERT_NE(gif, nullptr);
        ASSERT_EQ(DGifSlurp(gif), GIF_OK) << GifErrorString(gif->Error);
        ASSERT_EQ(gif->ImageCount, 1);
        EXPECT_EQ(gif->SWidth, c.width + 3);
        EXPECT_EQ(gif->SHeight, c.height + 1);
        ASSERT_NE(gif->SColorMap, nullptr);
        EXPECT_EQ(gif->SColorMap->ColorCount, std::max(2, colors));
        for (int i = 0; i < colors; ++i) {
            const TGIFColor& e = image.GetColorMap().Entry(i);
            EXPECT_EQ(gif->SColorMap->Colors[i].Red, e.Red);
            EXPECT_EQ(gif->SColorMap->Colors[i].Green, e.Green);
            EXPECT_EQ(gif->SColorMap->Colors[i].Blue, e.Blue);
        }
        const SavedImage& saved = gif->SavedImages[0];
        EXPECT_EQ(saved.ImageDesc.Left, 3);
        EXPECT_EQ(saved.ImageDesc.Top, 1);
        EXPECT_EQ(saved.ImageDesc.Width, c.width);
        EXPECT_EQ(saved.ImageDesc.Height, c.height);
        EXPECT_EQ(bool(saved.ImageDesc.Interlace), c.interlaced);
        EXPECT_EQ(saved.ImageDesc.ColorMap != nullptr, local);
        ASSERT_EQ(std::memcmp(saved.RasterBits, pixels.data(), pixels.size()), 0);

        GraphicsControlBlock gcb;
        ASSERT_EQ(DGifSavedExtensionToGCB(gif, 0, &gcb), GIF_OK);
        EXPECT_EQ(gcb.DelayTime, 10 + c.bits);
        EXPECT_EQ(gcb.DisposalMode, DISPOSE_BACKGROUND);
        EXPECT_EQ(gcb.TransparentColor, colors - 1);
        int loops = -1;
        for (int i = 0; i + 1 < saved.ExtensionBlockCount; ++i) {
            const ExtensionBlock& b = saved.ExtensionBlocks[i];
            if (b.Function == APPLICATION_EXT_FUNC_CODE && b.ByteCount == 11 &&
                std::memcmp(b.Bytes, "NETSCAPE2.0", 11) == 0) {
                const ExtensionBlock& d = saved.ExtensionBlocks[i + 1];
                if (d.ByteCount >= 3 && d.Bytes[0] == 1)
                    loops = d.Bytes[1] | (d.Bytes[2] << 8);
            }
        }
        EXPECT_EQ(loops, c.bits);
        DGifCloseFile(gif, &error);
    }
}

TEST(GifGiflib, WhatTheReferenceWritesWeRead)
{
    for (const TCase& c : AllCases()) {
        if (c.compression == gcRLE)
            continue; // the reference has one encoder
        SCOPED_TRACE(c.Name());
        const int colors = 1 << c.bits;
        const Bytes pixels = MakePixels(c.pattern, c.width, c.height, colors, unsigned(c.bits * 17 + c.height));
        Bytes out;
        int error = 0;
        GifFileType* gif = EGifOpen(&out, WriteToMemory, &error);
        ASSERT_NE(gif, nullptr);
        std::vector<GifColorType> palette(static_cast<std::size_t>(colors));
        for (int i = 0; i < colors; ++i)
            palette[std::size_t(i)] = GifColorType{BYTE(i), BYTE(255 - i), BYTE(i * 3)};
        ColorMapObject* map = GifMakeMapObject(colors, palette.data());
        ASSERT_EQ(EGifPutScreenDesc(gif, c.width, c.height, c.bits, 0, map), GIF_OK);
        ASSERT_EQ(EGifPutImageDesc(gif, 0, 0, c.width, c.height, c.interlaced, nullptr), GIF_OK);
        for (int row : RowOrder(c.height, c.interlaced))
            ASSERT_EQ(EGifPutLine(gif, const_cast<GifPixelType*>(pixels.data()) + std::size_t(row) * std::size_t(c.width),
                                  c.width),
                      GIF_OK);
        ASSERT_EQ(EGifCloseFile(gif, &error), GIF_OK);
        GifFreeMapObject(map);

        TGIFImage image;
        LoadFromBytes(image, out);
        ASSERT_EQ(image.Images().GetCount(), 1);
        const TGIFSubImage* frame = image.Images().GetImage(0);
        EXPECT_EQ(frame->Width(), c.width);
        EXPECT_EQ(frame->Height(), c.height);
        EXPECT_EQ(frame->GetInterlaced(), c.interlaced);
        ASSERT_EQ(image.GetColorMap().Count(), std::max(2, colors));
        EXPECT_EQ(image.GetColorMap().Entry(colors - 1).Green, BYTE(255 - (colors - 1)));
        ASSERT_EQ(frame->DataSize(), pixels.size());
        ASSERT_EQ(std::memcmp(frame->Data(), pixels.data(), pixels.size()), 0);
    }
}

// Runs long enough that the run-length coder has to clear its table again and again.
TEST(GifGiflib, LongRunsUnderRunLengthCoding)
{
    for (int bits : {2, 3, 4, 8}) {
        SCOPED_TRACE(bits);
        const int w = 1500, h = 1000;
        Bytes pixels(std::size_t(w) * h, BYTE((1 << bits) - 1));
        // A few interruptions of different lengths, so that runs restart with other pixels.
        for (std::size_t i = 0; i < pixels.size(); i += 97001)
            std::fill_n(pixels.begin() + std::ptrdiff_t(i), std::min<std::size_t>(1 + i % 700, pixels.size() - i),
                        BYTE(i % (1u << bits)));
        TGIFImage image;
        image.Compression = gcRLE;
        FillColorMap(image.GetColorMap(), 1 << bits);
        AddFrame(image, w, h, pixels);
        const Bytes bytes = SaveToBytes(image);
        TMemoryReader reader{&bytes};
        int error = 0;
        GifFileType* gif = DGifOpen(&reader, ReadFromMemory, &error);
        ASSERT_NE(gif, nullptr);
        ASSERT_EQ(DGifSlurp(gif), GIF_OK) << GifErrorString(gif->Error);
        ASSERT_EQ(std::memcmp(gif->SavedImages[0].RasterBits, pixels.data(), pixels.size()), 0);
        DGifCloseFile(gif, &error);
    }
}

#else

TEST(GifGiflib, WhatWeWriteTheReferenceReads)
{
    GTEST_SKIP() << "giflib is not installed";
}

#endif

// Whatever the reference library says, our own reader must give back what we wrote.
TEST(GifGiflib, OurOwnRoundTrip)
{
    for (const TCase& c : AllCases()) {
        if (c.width * c.height > 1000 && c.pattern != ptNoise)
            continue;
        SCOPED_TRACE(c.Name());
        const int colors = 1 << c.bits;
        TGIFImage image;
        image.Compression = c.compression;
        FillColorMap(image.GetColorMap(), colors);
        const Bytes pixels = MakePixels(c.pattern, c.width, c.height, colors, 7);
        TGIFSubImage* frame = AddFrame(image, c.width, c.height, pixels);
        frame->SetInterlaced(c.interlaced);
        TGIFImage back;
        TWarningLog log;
        log.Attach(back);
        LoadFromBytes(back, SaveToBytes(image));
        EXPECT_TRUE(log.Messages.empty());
        ASSERT_EQ(back.Images().GetCount(), 1);
        ASSERT_EQ(std::memcmp(back.Images().GetImage(0)->Data(), pixels.data(), pixels.size()), 0);
    }
}

} // namespace
