// The window's state and the rules that need no window. These headers are included first
// and must not bring Qt with them: code without widgets is built on them.
#include "app/form_state.h"
#include "app/frame_selection.h"
#include "app/gif_defaults.h"

#if defined(QT_VERSION) || defined(QOBJECT_H) || defined(QWIDGET_H)
#error "the window's state headers must not include Qt"
#endif

#include <gtest/gtest.h>

#include <stdexcept>

#include "gif/gifimage.h"

namespace {

TEST(StripGeometry, CellsLieOneCellAndAGapApartBelowA4PixelMargin)
{
    const TStripGeometry g;
    EXPECT_EQ(g.CellPitch(), 154);
    EXPECT_EQ(g.CellTop(0), 4);
    EXPECT_EQ(g.CellTop(3), 466);
    EXPECT_EQ(g.CellTop(-1), -150) << "the cell above the first: the strip's top after clamping";
    EXPECT_EQ(g.ScrollRange(0), 4);
    EXPECT_EQ(g.ScrollRange(6), 6 * 154 + 4);
    EXPECT_EQ(g.ThumbWidth, g.CellWidth - 2);
    EXPECT_EQ(g.ThumbHeight, g.CellHeight - g.CellHeaderHeight - g.CellTimeHeight - 2);
}

TEST(FrameSelection, UpAndDownNeedOneSelectedFrameWithANeighbourOnThatSide)
{
    struct TCase {
        std::deque<int> selected;
        std::size_t frames;
        TUpDownState expected;
    };
    const TCase cases[] = {
        {{}, 3, {false, false}},     {{0}, 3, {false, true}},  {{1}, 3, {true, true}},
        {{2}, 3, {true, false}},     {{0}, 1, {false, false}}, {{1, 2}, 3, {false, false}},
        {{0, 1, 2}, 3, {false, false}},
    };
    for (const TCase& c : cases)
        EXPECT_EQ(UpDownForSelection(c.selected, c.frames), c.expected)
            << c.selected.size() << " selected of " << c.frames;
}

TEST(FrameSelection, CaptionNamesOneFrameOrListsTheFramesInAscendingOrder)
{
    EXPECT_EQ(SelectedFramesCaption({2}), "Кадр 3");
    EXPECT_EQ(SelectedFramesCaption({6, 1, 4}), "Кадры: 2, 5, 7");
    EXPECT_EQ(SelectedFramesCaption({9, 0}), "Кадры: 1, 10");
}

TEST(TextFrameSettings, ResetGivesTheWholeFrameAndABoldRedFont)
{
    TTextFrameSettings s;
    s.TextLeft = 7;
    s.TextUseBackPicture = true;
    s.ResetTextDefaults(320, 240, "Kelvo");
    EXPECT_EQ(s.TextLeft, 0);
    EXPECT_FALSE(s.TextUseBackPicture);
    EXPECT_EQ(s.TextFrameWidth, 320);
    EXPECT_EQ(s.TextFrameHeight, 240);
    EXPECT_EQ(s.TextFrameCount, 5);
    EXPECT_EQ(s.TextFrameTime, 300);
    EXPECT_EQ(s.TextString, "Kelvo");
    ASSERT_NE(s.TextFont, nullptr) << "made when there was none";
    EXPECT_EQ(s.TextFont->Size, 12);
    EXPECT_EQ(s.TextFont->Color, clRed);
    EXPECT_EQ(s.TextFont->Style, TFontStyles{fsBold});
}

// Puts the library's defaults back as the test found them.
class GifDefaults : public ::testing::Test {
protected:
    void TearDown() override
    {
        GIFImageDefaultDrawOptions = draw_;
        GIFImageDefaultColorReduction = reduction_;
        GIFImageDefaultColorReductionBits = bits_;
        GIFImageDefaultDitherMode = dither_;
        GIFImageDefaultCompression = compression_;
    }
    TGIFDrawOptions draw_ = GIFImageDefaultDrawOptions;
    TColorReduction reduction_ = GIFImageDefaultColorReduction;
    int bits_ = GIFImageDefaultColorReductionBits;
    TDitherMode dither_ = GIFImageDefaultDitherMode;
    TGIFCompression compression_ = GIFImageDefaultCompression;
};

TEST_F(GifDefaults, AnimationIsOffInsideTheScopeAndBackOnEveryWayOut)
{
    GIFImageDefaultDrawOptions.Include(goAnimate).Include(goLoop);
    const TGIFDrawOptions before = GIFImageDefaultDrawOptions;
    try {
        TGifAnimationOff outer;
        EXPECT_FALSE(GIFImageDefaultDrawOptions.Contains(goAnimate));
        EXPECT_TRUE(GIFImageDefaultDrawOptions.Contains(goLoop)) << "only animation is touched";
        {
            TGifAnimationOff inner;
        }
        EXPECT_FALSE(GIFImageDefaultDrawOptions.Contains(goAnimate)) << "an inner scope leaves it off";
        throw std::runtime_error("load failed");
    } catch (const std::runtime_error&) {
    }
    EXPECT_EQ(GIFImageDefaultDrawOptions, before);

    GIFImageDefaultDrawOptions.Exclude(goAnimate);
    { TGifAnimationOff scope; }
    EXPECT_FALSE(GIFImageDefaultDrawOptions.Contains(goAnimate)) << "off before, off after";
}

TEST_F(GifDefaults, FrameOptionsBecomeTheConversionDefaultsOfTheNextImage)
{
    GIFOPTIONS options;
    options.ColorDither = dmStucki;
    options.ColorReduction = rmNetscape;
    options.ReductionBit = 5;
    options.GIFCompression = gcRLE;
    options.DisposalMethod = dmPrevious; // not a conversion setting
    SetGifConversionDefaults(options);
    EXPECT_EQ(GIFImageDefaultDitherMode, dmStucki);
    EXPECT_EQ(GIFImageDefaultColorReduction, rmNetscape);
    EXPECT_EQ(GIFImageDefaultColorReductionBits, 5);
    EXPECT_EQ(GIFImageDefaultCompression, gcRLE);

    TGIFImage image;
    EXPECT_EQ(image.DitherMode, dmStucki);
    EXPECT_EQ(image.ColorReduction, rmNetscape);
    EXPECT_EQ(image.ReductionBits(), 5);
    EXPECT_EQ(image.Compression, gcRLE);
}

} // namespace
