#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "avi_test_util.h"
#include "gif/gifimage.h"
#include "gif_test_util.h"
#include "output/gif_animation.h"
#include "support/paths.h"

#ifdef KELVO_HAVE_GIFLIB
#include <gif_lib.h>
#endif

using namespace kelvo::test;

namespace {

GIFOPTIONS Plain() { return GIFOPTIONS{0, 7, 8, 0, 0, clWhite, 0, false}; }

// Three frames that test placement, the delay's rounding at both ends and transparency: a red
// one in the corner, a blue one whose Left passes 16 bits, and a green one with a white hole
// that is its transparent colour.
struct TThreeFrames {
    TBitmap Red = SolidBitmap(4, 3, clRed);
    TBitmap Blue = SolidBitmap(2, 2, clBlue);
    TBitmap Holed = SolidBitmap(3, 2, clLime);
    std::vector<TGifAnimationFrame> Frames;

    TThreeFrames()
    {
        Holed.Canvas().SetPixels(1, 1, clWhite);
        GIFOPTIONS disposed = Plain();
        disposed.DisposalMethod = 2;
        GIFOPTIONS transparent = Plain();
        transparent.GIFTransparent = true;
        transparent.TransparentColor = clWhite;
        Frames = {
            {&Red, 5, Plain(), MYRECT{0, 0, 4, 3}},
            {&Blue, 1005, disposed, MYRECT{65536 + 3, 1, 2, 2}},
            {&Holed, 65535, transparent, MYRECT{1, 2, 3, 2}},
        };
    }
};

std::vector<std::uint8_t> Build(const std::vector<TGifAnimationFrame>& frames, const TGifAnimationOptions& options)
{
    TGIFImage gif;
    BuildGifAnimation(gif, frames, options);
    TMemoryStream stream;
    gif.SaveToStream(stream);
    return stream.Bytes();
}

std::vector<std::uint8_t> LoopBlock(int loops)
{
    const std::string id = "NETSCAPE2.0";
    std::vector<std::uint8_t> data(id.begin(), id.end());
    // One sub-block of three bytes: 1, then the count, little-endian; no buffer-size block.
    data.insert(data.end(), {1, std::uint8_t(loops), std::uint8_t(loops >> 8)});
    return data;
}

} // namespace

TEST(GifAnimation, EveryImageHasItsPlaceDelayAndOneControlExtension)
{
    TThreeFrames three;
    for (const bool interlaced : {false, true}) {
        SCOPED_TRACE(interlaced ? "interlaced" : "progressive");
        const auto images = WalkGif(Build(three.Frames, {false, false, false, interlaced, 3}));
        ASSERT_EQ(images.size(), 3u);

        struct TExpected {
            int Left, Top, Width, Height;
            int Delay;       // hundredths
            int PackedFlags; // disposal << 2 | transparent
        };
        const TExpected expected[] = {{0, 0, 4, 3, 0, 0}, {3, 1, 2, 2, 100, 2 << 2}, {1, 2, 3, 2, 6553, 1}};
        for (std::size_t i = 0; i < 3; ++i) {
            SCOPED_TRACE("image " + std::to_string(i));
            const TGifBlockImage& image = images[i];
            EXPECT_EQ(image.Left, expected[i].Left);
            EXPECT_EQ(image.Top, expected[i].Top);
            EXPECT_EQ(image.Width, expected[i].Width);
            EXPECT_EQ(image.Height, expected[i].Height);
            EXPECT_EQ(image.Interlaced, interlaced);

            // The loop extension only on the first image, in front of its control extension.
            const std::size_t controlAt = i == 0 ? 1 : 0;
            ASSERT_EQ(image.Extensions.size(), controlAt + 1);
            if (i == 0) {
                EXPECT_EQ(image.Extensions[0].Label, 0xFF);
                EXPECT_EQ(image.Extensions[0].Data, LoopBlock(3));
            }
            const auto& gce = image.Extensions[controlAt];
            EXPECT_EQ(gce.Label, 0xF9);
            ASSERT_EQ(gce.Data.size(), 4u);
            EXPECT_EQ(gce.Data[0], expected[i].PackedFlags);
            EXPECT_EQ(gce.Data[1] | gce.Data[2] << 8, expected[i].Delay);
        }
    }
}

TEST(GifAnimation, TransparentIndexNamesTheFramesTransparentColour)
{
    TThreeFrames three;
    TGIFImage gif;
    BuildGifAnimation(gif, three.Frames, {});
    TGIFSubImage& holed = *gif.Images().GetImage(2);
    ASSERT_NE(holed.GraphicControlExtension(), nullptr);
    EXPECT_TRUE(holed.GraphicControlExtension()->GetTransparent());
    EXPECT_EQ(holed.GraphicControlExtension()->GetTransparentColor(), clWhite);
    EXPECT_EQ(holed.GetPixel(1, 1), holed.GraphicControlExtension()->GetTransparentColorIndex());
    EXPECT_NE(holed.GetPixel(0, 0), holed.GraphicControlExtension()->GetTransparentColorIndex());
    // Opaque frames say nothing of transparency.
    EXPECT_FALSE(gif.Images().GetImage(0)->GraphicControlExtension()->GetTransparent());
}

TEST(GifAnimation, ColourBitsOutsideOneToEightStopTheBuildWithWhatWasBuilt)
{
    TThreeFrames three;
    three.Frames[1].Options.ReductionBit = 9;
    TGIFImage gif;
    try {
        BuildGifAnimation(gif, three.Frames, {});
        FAIL() << "no error";
    } catch (const GIFException& e) {
        EXPECT_STREQ(e.what(), "Invalid Bits Per Pixel value");
    }
    EXPECT_EQ(gif.Images().GetCount(), 1);
}

TEST(GifAnimation, ConversionDefaultsKeepTheLastFramesOptions)
{
    TThreeFrames three;
    three.Frames[2].Options.ColorDither = 1;
    three.Frames[2].Options.ReductionBit = 6;
    TGIFImage gif;
    BuildGifAnimation(gif, three.Frames, {});
    EXPECT_EQ(GIFImageDefaultDitherMode, TDitherMode(1));
    EXPECT_EQ(GIFImageDefaultColorReductionBits, 6);
    EXPECT_EQ(gif.ReductionBits(), 6);
    GIFImageDefaultDitherMode = dmNearest;
    GIFImageDefaultColorReductionBits = 8;
}

// What other decoders make of the file, for each way of optimising it.
TEST(GifAnimation, DecodersReadFramesDelaysAndLoopCount)
{
    TThreeFrames three;
    struct TCase {
        const char* Name;
        TGifAnimationOptions Options;
    };
    const TCase cases[] = {
        {"plain", {false, false, false, false, 0}},
        {"global colour map", {true, false, false, false, 0}},
        {"crop and merge", {false, true, true, false, 0}},
        {"everything", {true, true, true, true, 7}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TTempDir dir;
        const std::string file = (dir / "anim.gif").string();
        {
            TGIFImage gif;
            BuildGifAnimation(gif, three.Frames, c.Options);
            gif.SaveToFile(file);
        }
#ifdef KELVO_HAVE_GIFLIB
        int error = 0;
        GifFileType* decoded = DGifOpenFileName(file.c_str(), &error);
        ASSERT_NE(decoded, nullptr);
        ASSERT_EQ(DGifSlurp(decoded), GIF_OK) << GifErrorString(decoded->Error);
        ASSERT_EQ(decoded->ImageCount, 3);
        const int delays[] = {0, 100, 6553};
        for (int i = 0; i < 3; ++i) {
            GraphicsControlBlock gcb;
            ASSERT_EQ(DGifSavedExtensionToGCB(decoded, i, &gcb), GIF_OK);
            EXPECT_EQ(gcb.DelayTime, delays[i]);
        }
        // The first image is red wherever the crop left it.
        const SavedImage& first = decoded->SavedImages[0];
        const ColorMapObject* map = first.ImageDesc.ColorMap ? first.ImageDesc.ColorMap : decoded->SColorMap;
        ASSERT_NE(map, nullptr);
        const GifColorType red = map->Colors[first.RasterBits[0]];
        EXPECT_EQ(red.Red, 255);
        EXPECT_EQ(red.Green, 0);
        EXPECT_EQ(red.Blue, 0);
        DGifCloseFile(decoded, &error);
#endif
        if (!HaveTool("ffprobe"))
            continue;
        int status = 0;
        const std::string durations = RunCommand(
            "ffprobe -v error -min_delay 0 -show_entries packet=duration -of csv=p=0 '" + file + "'", &status);
        EXPECT_EQ(status, 0);
        // ffmpeg gives a packet no shorter than one tick of its time base, so the zero delay
        // (which giflib reads above) comes out as one hundredth.
        EXPECT_EQ(durations, "1\n100\n6553\n");
    }
}

// A transparent colour that no pixel has, in a frame whose colour table is already full.
TEST(GifAnimation, TransparentColourMissingFromAFullTableLeavesTheFrameOpaque)
{
    TBitmap photo(32, 32, pf24bit);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x)
            photo.Canvas().SetPixels(x, y, TColor((x * 8) | ((y * 8) << 8) | (((x + y) * 4) << 16)));
    GIFOPTIONS options = Plain();
    options.GIFTransparent = true;
    options.TransparentColor = clWhite;
    // The default octree reduction fills all 256 entries for this picture.
    const std::vector<TGifAnimationFrame> frames = {{&photo, 100, options, MYRECT{0, 0, 32, 32}}};
    TGIFImage gif;
    ASSERT_NO_THROW(BuildGifAnimation(gif, frames, {}));
    ASSERT_EQ(gif.Images().GetCount(), 1);
    TGIFSubImage& image = *gif.Images().GetImage(0);
    ASSERT_EQ(image.GetActiveColorMap().Count(), 256);
    ASSERT_NE(image.GraphicControlExtension(), nullptr);
    EXPECT_FALSE(image.GraphicControlExtension()->GetTransparent());
}
