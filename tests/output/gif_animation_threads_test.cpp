// The animated GIF is converted on several threads; what it writes, what it leaves in the
// library's defaults and how it fails must not depend on how many.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "app/gif_defaults.h"
#include "gif/gifimage.h"
#include "gif_test_util.h"
#include "output/gif_animation.h"

using namespace kelvo::test;

namespace {

// The conversion defaults are the process's; every test puts them back.
class TDefaultsKept {
public:
    TDefaultsKept()
        : reduction_(GIFImageDefaultColorReduction), bits_(GIFImageDefaultColorReductionBits),
          dither_(GIFImageDefaultDitherMode), compression_(GIFImageDefaultCompression)
    {
    }
    ~TDefaultsKept()
    {
        GIFImageDefaultColorReduction = reduction_;
        GIFImageDefaultColorReductionBits = bits_;
        GIFImageDefaultDitherMode = dither_;
        GIFImageDefaultCompression = compression_;
    }

private:
    TColorReduction reduction_;
    int bits_;
    TDitherMode dither_;
    TGIFCompression compression_;
};

// Shaded, textured pictures of different sizes, so that every reduction and ditherer has
// work to do and the frames finish in no fixed order; one of few colours for the reduction
// that keeps colours as they are; white corners as the transparent colour of some.
TBitmap Picture(int f)
{
    TBitmap b(36 + 5 * (f % 4), 28 + 3 * (f % 5), pf24bit);
    for (int y = 0; y < b.Height(); ++y) {
        BYTE* row = b.ScanLine(y);
        for (int x = 0; x < b.Width(); ++x) {
            const unsigned noise = (unsigned(x * 7919 + y * 104729 + f * 31) * 2654435761u) >> 28;
            BYTE* p = row + 3 * x;
            if (f == 3) {
                p[0] = BYTE(x < b.Width() / 2 ? 0 : 200);
                p[1] = BYTE(y < b.Height() / 2 ? 40 : 160);
                p[2] = 90;
            } else {
                p[0] = BYTE(x * 6 + f * 9 + noise);
                p[1] = BYTE(y * 7 + noise);
                p[2] = BYTE((x * y + f * 40) & 255);
            }
            if (x < 5 && y < 4)
                p[0] = p[1] = p[2] = 255;
        }
    }
    return b;
}

struct TProject {
    std::vector<TBitmap> Bitmaps;
    std::vector<TGifAnimationFrame> Frames;

    TProject()
    {
        struct TColourOptions {
            TColorReduction Reduction;
            TDitherMode Dither;
            int Bits;
            TGIFCompression Compression;
        };
        const TColourOptions kinds[] = {
            {rmNetscape, dmNearest, 8, gcLZW},         {rmQuantize, dmFloydSteinberg, 8, gcLZW},
            {rmQuantize, dmStucki, 4, gcRLE},          {rmNone, dmNearest, 8, gcLZW},
            {rmGrayScale, dmSierra, 8, gcLZW},         {rmMonochrome, dmJaJuNI, 8, gcLZW},
            {rmWindows20, dmSteveArche, 8, gcLZW},     {rmWindows256, dmBurkes, 8, gcRLE},
            {rmQuantizeWindows, dmFloydSteinberg, 8, gcLZW}, {rmWindowsGray, dmNearest, 8, gcLZW},
            {rmQuantize, dmBurkes, 2, gcLZW},          {rmNetscape, dmFloydSteinberg, 8, gcRLE},
            {rmQuantize, dmSierra, 6, gcLZW},          {rmQuantize, dmNearest, 3, gcRLE},
        };
        const int count = int(std::size(kinds));
        for (int f = 0; f < count; ++f)
            Bitmaps.push_back(Picture(f));
        for (int f = 0; f < count; ++f) {
            const TColourOptions& k = kinds[f];
            GIFOPTIONS o;
            o.ColorReduction = std::int8_t(k.Reduction);
            o.ColorDither = std::int8_t(k.Dither);
            o.ReductionBit = k.Bits;
            o.GIFCompression = std::int8_t(k.Compression);
            o.DisposalMethod = std::int8_t(f % 4);
            o.GIFTransparent = f % 3 == 1;
            o.TransparentColor = clWhite;
            const TBitmap& b = Bitmaps[std::size_t(f)];
            // Later frames lie further out, so the screen grows while the frames come in.
            Frames.push_back({&b, WORD(40 + 10 * f), o, MYRECT{(f * 13) % 50, (f * 7) % 30, b.Width(), b.Height()}});
        }
    }
};

struct TBuilt {
    std::vector<std::uint8_t> Bytes;
    std::string Error;
    int Images = 0;
    GIFOPTIONS Defaults; // reduction, dither, bits and compression as the build left them
};

TBuilt Build(const std::vector<TGifAnimationFrame>& frames, TGifAnimationOptions options, unsigned threads)
{
    options.Threads = threads;
    TBuilt built;
    TGIFImage gif;
    try {
        BuildGifAnimation(gif, frames, options);
    } catch (const GIFException& e) {
        built.Error = e.what();
    }
    built.Images = gif.Images().GetCount();
    if (built.Images > 0) {
        TMemoryStream stream;
        gif.SaveToStream(stream);
        built.Bytes = stream.Bytes();
    }
    built.Defaults.ColorReduction = std::int8_t(GIFImageDefaultColorReduction);
    built.Defaults.ColorDither = std::int8_t(GIFImageDefaultDitherMode);
    built.Defaults.ReductionBit = GIFImageDefaultColorReductionBits;
    built.Defaults.GIFCompression = std::int8_t(GIFImageDefaultCompression);
    return built;
}

GIFOPTIONS ColourPartOf(const GIFOPTIONS& o)
{
    GIFOPTIONS part;
    part.ColorReduction = o.ColorReduction;
    part.ColorDither = o.ColorDither;
    part.ReductionBit = o.ReductionBit;
    part.GIFCompression = o.GIFCompression;
    return part;
}

constexpr unsigned ThreadCounts[] = {2, 3, 8, 64};

} // namespace

TEST(GifAnimationThreads, WrittenBytesAndDefaultsDoNotDependOnTheThreadCount)
{
    TDefaultsKept kept;
    const TProject project;
    const struct {
        const char* Name;
        TGifAnimationOptions Options;
    } cases[] = {
        {"plain", {false, false, false, false, 0}},
        {"optimised colour map, interlaced", {true, false, false, true, 2}},
        {"cropped and merged", {false, true, true, false, 1}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        const TBuilt one = Build(project.Frames, c.Options, 1);
        ASSERT_EQ(one.Error, "");
        ASSERT_EQ(one.Images, int(project.Frames.size()));
        EXPECT_EQ(one.Defaults, ColourPartOf(project.Frames.back().Options));
        for (const unsigned threads : ThreadCounts) {
            SCOPED_TRACE(threads);
            // Defaults left by another build must not leak into this one.
            SetGifConversionDefaults(GIFOPTIONS{1, 9, 1, 1, 0, 0, 0, false});
            const TBuilt many = Build(project.Frames, c.Options, threads);
            EXPECT_EQ(many.Error, "");
            EXPECT_TRUE(many.Bytes == one.Bytes) << "the written file differs";
            EXPECT_EQ(many.Defaults, one.Defaults);
        }
    }
}

TEST(GifAnimationThreads, AFailingFrameEndsTheBuildAtTheSamePlace)
{
    TDefaultsKept kept;
    const struct {
        const char* Name;
        GIFOPTIONS Damage; // applied to frame 6
    } cases[] = {
        // Refused by the image before the frame is converted.
        {"colour bits out of range", GIFOPTIONS{0, 7, 0, 0, 0, 0, 0, false}},
        // Refused by the conversion itself, on whichever thread it ran.
        {"unknown reduction", GIFOPTIONS{0, 42, 8, 0, 0, 0, 0, false}},
        {"unknown dither", GIFOPTIONS{17, 7, 8, 0, 0, 0, 0, false}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        TProject project;
        project.Frames[6].Options = c.Damage;
        const TBuilt one = Build(project.Frames, {}, 1);
        ASSERT_NE(one.Error, "");
        EXPECT_EQ(one.Images, 6);
        EXPECT_EQ(one.Defaults, ColourPartOf(c.Damage));
        for (const unsigned threads : ThreadCounts) {
            SCOPED_TRACE(threads);
            const TBuilt many = Build(project.Frames, {}, threads);
            EXPECT_EQ(many.Error, one.Error);
            EXPECT_EQ(many.Images, one.Images);
            EXPECT_TRUE(many.Bytes == one.Bytes) << "what was built so far differs";
            EXPECT_EQ(many.Defaults, one.Defaults);
        }
    }
}
