// The frame steps of the optimisation: cropping, merging, clean-up, and packing.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "gif/gifimage.h"
#include "gif_test_util.h"
#include "optimize_test_util.h"
#include "support/error_of.h"

using namespace optimizetest;

TEST(Optimize, CropAndMergeKeepWhatIsShownAndForHowLong)
{
    for (unsigned seed = 10; seed < 22; ++seed) {
        SCOPED_TRACE(seed);
        TGIFImage image;
        BuildAnimation(image, TAnimationSpec{seed, false, seed % 2 == 0});
        const auto before = Timeline(image);
        image.Optimize(TGIFOptimizeOptions{ooCrop, ooMerge}, rmNone, dmNearest, 8);
        const auto after = Timeline(image);
        ASSERT_EQ(after.back().first, before.back().first);
        for (int t = 0; t < before.back().first; ++t)
            ASSERT_EQ(At(after, t), At(before, t)) << "at " << t;
    }
}

TEST(OptimizeCrop, CutsTransparentBorders)
{
    TGIFImage image;
    image.Header().SetWidth(20);
    image.Header().SetHeight(20);
    std::vector<int> pixels(10 * 8, 2);
    pixels[2 * 10 + 3] = 0;
    pixels[4 * 10 + 5] = 1;
    TGIFSubImage* frame = LocalFrame(image, 10, 8, {clRed, clLime, clBlack}, pixels, 2, 3);
    AddGce(frame, 10, dmNone, 2);
    const auto before = Compose(image);
    image.Optimize(TGIFOptimizeOptions{ooCrop}, rmNone, dmNearest, 8);
    EXPECT_EQ(frame->GetBoundsRect(), Bounds(5, 5, 3, 3));
    EXPECT_EQ(std::vector<BYTE>(frame->Data(), frame->Data() + frame->DataSize()),
              (std::vector<BYTE>{0, 2, 2, 2, 2, 2, 2, 2, 1}));
    EXPECT_EQ(Compose(image), before);
}

TEST(OptimizeCrop, BlankFramesGoAndTheirTimeStays)
{
    struct TCase {
        const char* Name;
        bool FirstTransparent;
        int BlankAt;       // index of the blank frame among three
        WORD FirstDelay;
    } cases[] = {
        {"blank after an opaque frame", false, 1, 10},
        {"blank after a transparent frame", true, 1, 10},
        {"blank at the start", false, 0, 10},
        {"sum saturates", false, 1, 65000},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TGIFImage image;
        for (int i = 0; i < 3; ++i) {
            const bool blank = i == c.BlankAt;
            TGIFSubImage* frame = LocalFrame(image, 2, 2, {clRed, clBlack}, blank ? std::vector<int>{1, 1, 1, 1}
                                                                                : std::vector<int>{0, 0, 0, 0});
            if (i == 0)
                frame->Extensions().Add(new TGIFAppExtNSLoop(frame));
            AddGce(frame, i == 0 ? c.FirstDelay : WORD(1000), dmNone,
                   blank || (i == 0 && c.FirstTransparent) ? 1 : -1);
        }
        image.Optimize(TGIFOptimizeOptions{ooCrop}, rmNone, dmNearest, 8);
        ASSERT_EQ(image.Images().GetCount(), 2);
        const auto delays = Delays(image);
        // The blank frame's 1000 goes to the frame before it (or, at the start, to the new
        // first frame), saturating rather than wrapping.
        EXPECT_EQ(delays[0], std::min(65535, c.FirstDelay + 1000));
        EXPECT_EQ(delays[1], 1000);
        // The loop setting stays on the first frame.
        TGIFExtensionList& first = image.Images().GetImage(0)->Extensions();
        int loops = 0;
        for (int e = 0; e < first.GetCount(); ++e)
            loops += dynamic_cast<TGIFAppExtNSLoop*>(first.GetExtension(e)) != nullptr;
        EXPECT_EQ(loops, 1);
        EXPECT_EQ(first.GetExtension(0)->SubImage(), image.Images().GetImage(0));
    }

    // The only frame of an image is never deleted.
    TGIFImage single;
    AddGce(LocalFrame(single, 2, 1, {clRed, clBlack}, {1, 1}), 10, dmNone, 1);
    single.Optimize(TGIFOptimizeOptions{ooCrop}, rmNone, dmNearest, 8);
    ASSERT_EQ(single.Images().GetCount(), 1);
    EXPECT_FALSE(single.Images().GetImage(0)->GetEmpty());
}

TEST(OptimizeMerge, RepeatedPixelsBecomeTransparent)
{
    TGIFImage image;
    LocalFrame(image, 3, 2, {clRed, clLime, clBlue}, {0, 1, 2, 2, 1, 0});
    TGIFSubImage* second = LocalFrame(image, 3, 2, {clRed, clLime, clBlue}, {0, 1, 2, 2, 1, 0});
    const auto before = Compose(image);
    image.Optimize(TGIFOptimizeOptions{ooMerge}, rmNone, dmNearest, 8);
    ASSERT_EQ(second->ColorMap().Count(), 4);
    EXPECT_EQ(second->ColorMap().Entry(3), (TGIFColor{0, 0, 0}));
    ASSERT_TRUE(second->Transparent());
    EXPECT_EQ(second->GraphicControlExtension()->GetTransparentColorIndex(), 3);
    EXPECT_EQ(std::vector<BYTE>(second->Data(), second->Data() + 6), std::vector<BYTE>(6, 3));
    EXPECT_EQ(Compose(image), before);

    // Nothing to merge with a frame that is cleared after it is shown.
    TGIFImage cleared;
    AddGce(LocalFrame(cleared, 2, 1, {clRed, clLime}, {0, 1}), 10, dmBackground);
    TGIFSubImage* after = LocalFrame(cleared, 2, 1, {clRed, clLime}, {0, 1});
    cleared.Optimize(TGIFOptimizeOptions{ooMerge}, rmNone, dmNearest, 8);
    EXPECT_FALSE(after->Transparent());
    EXPECT_EQ(after->ColorMap().Count(), 2);
}

TEST(OptimizeMerge, GlobalTableBorrowsOnlyAnUnusedTransparentIndex)
{
    for (const bool indexInUse : {false, true}) {
        SCOPED_TRACE(indexInUse);
        TGIFImage image;
        for (const TColor c : {clRed, clLime, clBlue, clBlack})
            image.GetColorMap().Add(c);
        giftest::AddFrame(image, 3, 1, {0, 1, 2});
        // A transparent frame elsewhere whose transparent index is 3 (black).
        AddGce(giftest::AddFrame(image, 1, 1, {3}, 5, 5), 10, dmNone, 3);
        TGIFSubImage* frame = giftest::AddFrame(image, 3, 1, {0, BYTE(indexInUse ? 3 : 1), 2});
        // Merge this frame with the first one directly.
        const auto before = Compose(image);
        EXPECT_TRUE(frame->Merge(image.Images().GetImage(0)));
        ASSERT_TRUE(frame->Transparent());
        const int transparent = frame->GraphicControlExtension()->GetTransparentColorIndex();
        if (indexInUse) {
            // Black is appended again although the table has it: the existing entry is shown.
            EXPECT_EQ(image.GetColorMap().Count(), 5);
            EXPECT_EQ(transparent, 4);
            EXPECT_EQ(std::vector<BYTE>(frame->Data(), frame->Data() + 3), (std::vector<BYTE>{4, 3, 4}));
        } else {
            EXPECT_EQ(image.GetColorMap().Count(), 4);
            EXPECT_EQ(transparent, 3);
            EXPECT_EQ(std::vector<BYTE>(frame->Data(), frame->Data() + 3), (std::vector<BYTE>{3, 3, 3}));
        }
        (void)before;
    }
}

TEST(Optimize, ReductionOptionOnlyChecksTheMethod)
{
    TGIFImage image;
    LocalFrame(image, 2, 1, {clRed, clLime}, {0, 1});
    EXPECT_EQ(ErrorOf([&] { image.Optimize(TGIFOptimizeOptions{ooReduceColors}, rmPalette, dmNearest, 8); }),
              "Invalid reduction method");
    EXPECT_EQ(ErrorOf([&] { image.Optimize(TGIFOptimizeOptions{ooReduceColors}, TColorReduction(12), dmNearest, 8); }),
              "Invalid reduction method");
    const auto bytes = giftest::SaveToBytes(image);
    std::vector<std::pair<TProgressStage, int>> progress;
    image.OnProgress = [&](TGraphic&, TProgressStage stage, BYTE percent, bool, const TRect&, const std::string& text) {
        EXPECT_EQ(text, "Optimizing...");
        progress.emplace_back(stage, percent);
    };
    image.Optimize(TGIFOptimizeOptions{ooReduceColors}, rmNetscape, TDitherMode(99), 0);
    const auto handler = image.OnProgress;
    image.OnProgress = nullptr;
    EXPECT_EQ(giftest::SaveToBytes(image), bytes);
    ASSERT_GE(progress.size(), 2u);
    EXPECT_EQ(progress.front(), std::make_pair(psStarting, 0));
    EXPECT_EQ(progress.back(), std::make_pair(psEnding, 100));
    // An empty image is left alone and reports nothing.
    progress.clear();
    TGIFImage empty;
    empty.OnProgress = handler;
    empty.Optimize(TGIFOptimizeOptions{ooReduceColors}, rmPalette, dmNearest, 8);
    EXPECT_TRUE(progress.empty());
}

TEST(Optimize, CleanupDropsWhatShowsNothing)
{
    TGIFImage image;
    image.Header().SetWidth(4);
    image.Header().SetHeight(4);
    TGIFSubImage* first = LocalFrame(image, 2, 2, {clRed, clLime}, {0, 1, 1, 0});
    first->Extensions().Add(new TGIFAppExtNSLoop(first));
    first->Extensions().Add(new TGIFCommentExtension(first));
    AddGce(first, 10, dmBackground);
    TGIFSubImage* second = LocalFrame(image, 4, 4, {clRed, clLime}, std::vector<int>(16, 1));
    second->Extensions().Add(new TGIFAppExtNSLoop(second));
    AddGce(second, 0, dmNone);
    TGIFSubImage* third = LocalFrame(image, 2, 1, {clRed, clLime, clBlue}, {0, 1});
    AddGce(third, 5, dmNone, 2); // transparent, but no pixel is
    image.Optimize(TGIFOptimizeOptions{ooCleanup}, rmNone, dmNearest, 8);
    ASSERT_EQ(image.Images().GetCount(), 3);
    // First frame: loop and control kept, comment gone; fully covered by the opaque next
    // frame, so clearing it is pointless.
    ASSERT_EQ(first->Extensions().GetCount(), 2);
    EXPECT_NE(dynamic_cast<TGIFAppExtNSLoop*>(first->Extensions().GetExtension(0)), nullptr);
    EXPECT_EQ(first->GraphicControlExtension()->GetDisposal(), dmNone);
    // Second: a loop extension off the first frame and a control block that says nothing.
    EXPECT_EQ(second->Extensions().GetCount(), 0);
    EXPECT_EQ(second->GraphicControlExtension(), nullptr);
    ASSERT_NE(third->GraphicControlExtension(), nullptr);
    EXPECT_FALSE(third->Transparent());
    EXPECT_EQ(third->GraphicControlExtension()->GetDelay(), 5);
}

TEST(Pack, OnlyFrameTableBecomesGlobal)
{
    TGIFImage image;
    TGIFSubImage* frame = LocalFrame(image, 2, 1, {clRed, clLime}, {0, 1});
    const auto before = Compose(image);
    image.Pack();
    EXPECT_EQ(frame->ColorMap().Count(), 0);
    EXPECT_EQ(image.GetColorMap().Count(), 2);
    EXPECT_EQ(Compose(image), before);
    LocalFrame(image, 1, 1, {clBlue}, {0});
    image.Pack();
    EXPECT_EQ(image.Images().GetImage(1)->ColorMap().Count(), 1);
}
