// The colour tables' optimisation: one global table for the whole image, and each table
// ordered by use.
#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "gif/gifimage.h"
#include "gif_test_util.h"
#include "optimize_test_util.h"

using namespace optimizetest;

TEST(OptimizeColorMap, CompositionIsUnchanged)
{
    for (const TAnimationSpec spec : {TAnimationSpec{1, true, false}, TAnimationSpec{2, true, true},
                                      TAnimationSpec{3, true, true}, TAnimationSpec{4, true, false}}) {
        SCOPED_TRACE(spec.Seed);
        TGIFImage image;
        BuildAnimation(image, spec);
        const auto before = Compose(image);
        image.OptimizeColorMap();
        EXPECT_EQ(Compose(image), before);
        EXPECT_TRUE(image.GetColorMap().Optimized());
        EXPECT_LE(image.GetColorMap().Count(), 256);
        for (int i = 0; i < image.Images().GetCount(); ++i)
            EXPECT_EQ(image.Images().GetImage(i)->ColorMap().Count(), 0);
    }
}

TEST(OptimizeColorMap, SharedColoursOfTwoTablesAreStoredOnce)
{
    TGIFImage image;
    std::vector<TColor> a, b;
    for (int i = 0; i < 200; ++i)
        a.push_back(Filler(i));
    for (int i = 50; i < 250; ++i)
        b.push_back(Filler(i));
    LocalFrame(image, 20, 10, a, Iota(200));
    LocalFrame(image, 20, 10, b, Iota(200));
    const auto before = Compose(image);
    image.OptimizeColorMap();
    EXPECT_EQ(image.GetColorMap().Count(), 250);
    EXPECT_EQ(image.Images().GetImage(0)->ColorMap().Count(), 0);
    EXPECT_EQ(image.Images().GetImage(1)->ColorMap().Count(), 0);
    EXPECT_EQ(Compose(image), before);
    // The shared colours were used twice, so they lead the table.
    std::set<std::uint32_t> leading;
    for (int i = 0; i < 150; ++i)
        leading.insert(Rgb(image.GetColorMap().Entry(i)));
    for (int i = 50; i < 200; ++i)
        EXPECT_TRUE(leading.count(std::uint32_t(Filler(i)))) << i;
}

TEST(OptimizeColorMap, OverflowKeeps255ColoursAndATransparentBlack)
{
    TGIFImage image;
    std::vector<TColor> a, b;
    for (int i = 0; i < 200; ++i)
        a.push_back(Filler(i));
    for (int i = 200; i < 300; ++i)
        b.push_back(Filler(i));
    b.push_back(RGB(1, 2, 3)); // the transparent entry
    LocalFrame(image, 20, 20, a, Iota(200, 2));
    std::vector<int> pixels = Iota(100);
    pixels.push_back(100);
    TGIFSubImage* second = LocalFrame(image, 101, 1, b, pixels);
    AddGce(second, 10, dmNone, 100);
    TGIFSubImage* third = LocalFrame(image, 2, 1, {RGB(9, 9, 9), RGB(8, 8, 8)}, {0, 1});
    AddGce(third, 10, dmNone, 1);
    image.OptimizeColorMap();
    TGIFGlobalColorMap& global = image.GetColorMap();
    ASSERT_EQ(global.Count(), 256);
    EXPECT_EQ(global.Entry(255), (TGIFColor{0, 0, 0}));
    for (TGIFSubImage* frame : {second, third}) {
        ASSERT_TRUE(frame->Transparent());
        EXPECT_EQ(frame->GraphicControlExtension()->GetTransparentColorIndex(), 255);
    }
    EXPECT_EQ(second->Data()[100], 255);
    EXPECT_EQ(third->Data()[1], 255);
    // The colours used twice all survive.
    for (int i = 0; i < 200; ++i)
        EXPECT_EQ(Rgb(global.Entry(image.Images().GetImage(0)->Data()[2 * i])), std::uint32_t(Filler(i)));
}

TEST(OptimizeColorMap, DroppedColourGoesToTheSmallestSignedComponentSum)
{
    TGIFImage image;
    std::vector<TColor> a{RGB(250, 5, 5), RGB(0, 255, 0)};
    for (int i = 0; i < 200; ++i)
        a.push_back(Filler(i));
    std::vector<TColor> b;
    for (int i = 200; i < 254; ++i)
        b.push_back(Filler(i));
    b.push_back(RGB(255, 0, 0));
    LocalFrame(image, 202, 2, a, Iota(202, 2));
    std::vector<int> pixels = Iota(54, 2);
    pixels.push_back(54);
    TGIFSubImage* second = LocalFrame(image, 109, 1, b, pixels);
    image.OptimizeColorMap();
    ASSERT_EQ(image.GetColorMap().Count(), 256);
    EXPECT_EQ(Rgb(image.GetColorMap().Entry(second->Data()[108])), std::uint32_t(RGB(0, 255, 0)));
}

TEST(OptimizeColorMap, UnusedTransparentIndexLosesTransparency)
{
    // Index 2 is transparent but no pixel holds it; after the remap it would name green.
    TGIFImage image;
    TGIFSubImage* frame = LocalFrame(image, 6, 1, {clRed, clLime, clBlue, clWhite}, {3, 3, 3, 0, 1, 1});
    AddGce(frame, 10, dmNone, 2);
    const auto before = Compose(image);
    image.OptimizeColorMap();
    EXPECT_FALSE(frame->Transparent());
    EXPECT_FALSE(frame->GraphicControlExtension()->GetTransparent());
    EXPECT_EQ(Compose(image), before);
    EXPECT_EQ(image.GetColorMap().Count(), 3);
}

TEST(OptimizeColorMap, OnlyFrameMovesItsColoursMostUsedFirst)
{
    TGIFImage image;
    TGIFSubImage* frame = LocalFrame(image, 6, 1, {clRed, clLime, clBlue, clWhite}, {1, 2, 1, 0, 1, 2});
    image.OptimizeColorMap();
    ASSERT_EQ(image.GetColorMap().Count(), 3);
    EXPECT_EQ(Rgb(image.GetColorMap().Entry(0)), std::uint32_t(clLime));
    EXPECT_EQ(Rgb(image.GetColorMap().Entry(1)), std::uint32_t(clBlue));
    EXPECT_EQ(Rgb(image.GetColorMap().Entry(2)), std::uint32_t(clRed));
    EXPECT_EQ(std::vector<BYTE>(frame->Data(), frame->Data() + 6), (std::vector<BYTE>{0, 1, 0, 2, 0, 1}));
    EXPECT_EQ(frame->ColorMap().Count(), 0);
}

TEST(ColorMapOptimize, OrdersByUseAndCutsUnusedColours)
{
    TGIFImage image;
    // Counts: red 1, lime 3, blue 1, white 0, black 3; ties keep their order.
    TGIFSubImage* frame =
        LocalFrame(image, 8, 1, {clRed, clLime, clBlue, clWhite, clBlack}, {0, 1, 1, 1, 2, 4, 4, 4});
    AddGce(frame, 0, dmNone, 2);
    EXPECT_TRUE(frame->ColorMap().Optimize());
    TGIFColorMap& map = frame->ColorMap();
    ASSERT_EQ(map.Count(), 4);
    EXPECT_TRUE(map.Optimized());
    const TColor order[] = {clLime, clBlack, clRed, clBlue};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(Rgb(map.Entry(i)), std::uint32_t(order[i])) << i;
    EXPECT_EQ(std::vector<BYTE>(frame->Data(), frame->Data() + 8), (std::vector<BYTE>{2, 0, 0, 0, 3, 1, 1, 1}));
    EXPECT_EQ(frame->GraphicControlExtension()->GetTransparentColorIndex(), 3);

    TGIFSubImage* single = LocalFrame(image, 2, 1, {clRed}, {0, 0});
    EXPECT_FALSE(single->ColorMap().Optimize());
    EXPECT_FALSE(single->ColorMap().Optimized());
}

TEST(ColorMapOptimize, GlobalTableKeepsTheBackgroundColour)
{
    TGIFImage image;
    for (const TColor c : {clRed, clLime, clBlue})
        image.GetColorMap().Add(c);
    image.SetBackgroundColorIndex(2); // blue, used by no pixel
    giftest::AddFrame(image, 3, 1, {1, 1, 0});
    EXPECT_TRUE(image.GetColorMap().Optimize());
    ASSERT_EQ(image.GetColorMap().Count(), 3);
    EXPECT_EQ(image.GetBackgroundColor(), clBlue);
    EXPECT_EQ(Rgb(image.GetColorMap().Entry(0)), std::uint32_t(clLime));
    TGIFImage empty;
    empty.GetColorMap().Add(clRed);
    empty.GetColorMap().Add(clLime);
    EXPECT_FALSE(empty.GetColorMap().Optimize());
}
