#include <QAction>
#include <QScrollArea>
#include <QScrollBar>

#include <filesystem>

#include "app/status_text.h"
#include "frame_command_fixture.h"

namespace {

class FrameOrder : public TFrameCommandTest {
protected:
    // Frames whose files are named by their number from 0, with times 100, 200, ...
    void AddNumberedFrames(int count)
    {
        for (int i = 0; i < count; ++i) {
            AddPictureFrame(WORD(100 * (i + 1)), {i, 0, 40, 30}, std::to_string(i) + ".bmp");
            Form().FrameThumbnails[std::size_t(i)]->SetPixel(0, 0, RGB(i, i, i));
        }
    }
    // Which frame of the list before the command each position now holds.
    std::vector<int> Order()
    {
        std::vector<int> order;
        for (const std::string& file : Form().FrameFiles)
            order.push_back(std::stoi(std::filesystem::path(file).stem().string()));
        return order;
    }
    // Every sequence of frame data and of cells has one element per frame.
    void ExpectConsistent()
    {
        TTestForm& f = Form();
        const std::size_t n = f.FrameCount();
        for (std::size_t size : {f.FrameBitmaps.size(), f.FrameFiles.size(), f.FrameTimes.size(),
                                 f.FrameSubImages.size(), f.FrameFlips.size(), f.FrameGifOptions.size(),
                                 f.FramePlacements.size(), f.FrameStretch.size(), f.FrameThumbnails.size(),
                                 f.CellHeaderPanels.size(), f.CellTimePanels.size(), f.CellImages.size(),
                                 f.CellMarkers.size()})
            EXPECT_EQ(size, n);
        for (std::size_t i = 0; i < n; ++i) {
            EXPECT_EQ(f.CellHeaderPanels[i]->Caption(), "Кадр #" + std::to_string(i + 1));
            EXPECT_EQ(f.CellTimePanels[i]->Caption(), std::to_string(f.FrameTimes[i]) + " мсек");
        }
    }
    int ScrollPosition() { return Form().ScrollBox2->verticalScrollBar()->value(); }
};

TEST_F(FrameOrder, DeletingTheSecondAndFourthOfSixKeepsTheRestInOrder)
{
    AddNumberedFrames(6);
    Select({3, 1});
    Form().FindAction("ActionDelete")->trigger();
    EXPECT_EQ(Order(), (std::vector<int>{0, 2, 4, 5}));
    EXPECT_EQ(Form().FrameTimes[1], 300);
    EXPECT_EQ(Form().FrameThumbnails[3]->GetPixel(0, 0), RGB(5, 5, 5));
    ExpectConsistent();
    EXPECT_TRUE(Form().SelectedFrames.empty());
    for (TShape* marker : Form().CellMarkers)
        EXPECT_TRUE(marker->isHidden());
    EXPECT_TRUE(Form().ProjectModified());
    EXPECT_FALSE(Form().ActionDelete->isEnabled());
    EXPECT_FALSE(Form().ActionUp->isEnabled());
    EXPECT_EQ(Form().StatusBar1->PanelText(4), FrameCountText(4));
}

TEST_F(FrameOrder, DeletingEveryFrameLeavesAnEmptyModifiedProject)
{
    AddNumberedFrames(3);
    Form().ActionSelAllExecute();
    Form().ActionDeleteExecute();
    EXPECT_EQ(Form().FrameCount(), 0u);
    ExpectConsistent();
    EXPECT_TRUE(Form().ProjectModified());
    EXPECT_EQ(Form().StatusBar1->PanelText(4), FrameCountText(0));
}

TEST_F(FrameOrder, DeletingPastTheEndChangesNothing)
{
    AddNumberedFrames(2);
    EXPECT_THROW(Form().DeleteFrameAt(2), std::out_of_range);
    EXPECT_EQ(Order(), (std::vector<int>{0, 1}));
    ExpectConsistent();
}

TEST_F(FrameOrder, MovingTakesTheTimesAlongOnlyInAGifProject)
{
    for (int type : {1, 0}) {
        Form().ClearAllFrames();
        Form().ProjectType = type;
        AddNumberedFrames(4);
        Select({2});
        Form().FindAction("ActionUp")->trigger();
        EXPECT_EQ(Order(), (std::vector<int>{0, 2, 1, 3})) << type;
        EXPECT_EQ(Form().FrameTimes[1], type == 1 ? 300 : 200) << type;
        EXPECT_EQ(Form().FramePlacements[1].Left, 2) << type;
        EXPECT_EQ(Form().SelectedFrames, std::deque<int>{1});
        EXPECT_FALSE(Form().CellMarkers[1]->isHidden());
        EXPECT_TRUE(Form().CellMarkers[2]->isHidden());
        EXPECT_TRUE(Form().ProjectModified());
        ExpectConsistent();
    }
}

TEST_F(FrameOrder, UpThenDownRestoresEverythingAndTheEndsStopIt)
{
    AddNumberedFrames(3);
    Form().FrameFlips[1] = 3;
    Form().FrameStretch[1] = true;
    Form().FrameSubImages[1] = 4;
    Select({1});
    Form().ActionUpExecute();
    EXPECT_EQ(Order(), (std::vector<int>{1, 0, 2}));
    EXPECT_FALSE(Form().ActionUp->isEnabled());
    EXPECT_TRUE(Form().ActionDown->isEnabled());
    EXPECT_EQ(ScrollPosition(), 0);
    Form().ActionUpExecute(); // at the top: nothing to move to
    EXPECT_EQ(Order(), (std::vector<int>{1, 0, 2}));

    Form().ActionDownExecute();
    EXPECT_EQ(Order(), (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(Form().FrameTimes[1], 200);
    EXPECT_EQ(Form().FrameFlips[1], 3);
    EXPECT_TRUE(Form().FrameStretch[1]);
    EXPECT_EQ(Form().FrameSubImages[1], 4);
    Form().ActionDownExecute();
    EXPECT_EQ(Order(), (std::vector<int>{0, 2, 1}));
    EXPECT_FALSE(Form().ActionDown->isEnabled());
    EXPECT_TRUE(Form().ActionUp->isEnabled());
    Form().ActionDownExecute(); // at the end
    EXPECT_EQ(Order(), (std::vector<int>{0, 2, 1}));
}

TEST_F(FrameOrder, CloningInEitherClickOrderDoublesEachSelectedFrame)
{
    for (auto selection : {std::vector<int>{2, 5}, std::vector<int>{5, 2}}) {
        Form().ClearAllFrames();
        AddNumberedFrames(7);
        Form().EmptySelection();
        for (int f : selection)
            Form().SelectFrame(f);
        Form().UpdateFrameActions(true);
        Form().FindAction("ActionClone")->trigger();
        EXPECT_EQ(Order(), (std::vector<int>{0, 1, 2, 2, 3, 4, 5, 5, 6}));
        EXPECT_EQ(Form().SelectedFrames, std::deque<int>{3});
        EXPECT_FALSE(Form().CellMarkers[3]->isHidden());
        EXPECT_TRUE(Form().CellMarkers[2]->isHidden());
        EXPECT_TRUE(Form().CellMarkers[6]->isHidden());
        EXPECT_TRUE(Form().ActionUp->isEnabled());
        EXPECT_TRUE(Form().ActionDown->isEnabled());
        EXPECT_EQ(Form().FrameThumbnails[7]->GetPixel(0, 0), RGB(5, 5, 5));
        EXPECT_EQ(Form().StatusBar1->PanelText(4), FrameCountText(9));
        ExpectConsistent();
    }
}

TEST_F(FrameOrder, ClonesAreFramesOfTheirOwn)
{
    AddNumberedFrames(2);
    Select({1});
    Form().ActionCloneExecute();
    ASSERT_EQ(Form().FrameCount(), 3u);
    EXPECT_FALSE(Form().ActionDown->isEnabled());
    EXPECT_NE(Form().FrameBitmaps[1].get(), Form().FrameBitmaps[2].get());
    EXPECT_NE(Form().FrameThumbnails[1].get(), Form().FrameThumbnails[2].get());
    Form().FrameBitmaps[2]->SetPixel(0, 0, RGB(1, 2, 3));
    Form().FrameTimes[2] = 999;
    EXPECT_NE(Form().FrameBitmaps[1]->GetPixel(0, 0), RGB(1, 2, 3));
    EXPECT_EQ(Form().FrameTimes[1], 200);
}

TEST_F(FrameOrder, TheStripShowsTheCellAboveTheMovedOrClonedFrame)
{
    AddNumberedFrames(12);
    Form().SetStripRange(); // as the command that added them does
    QScrollBar* bar = Form().ScrollBox2->verticalScrollBar();
    auto expected = [&](int frame) { return std::clamp(Form().CellTop(frame - 1), 0, bar->maximum()); };
    Select({9});
    Form().ActionUpExecute();
    ASSERT_GT(bar->maximum(), Form().CellTop(7));
    EXPECT_EQ(ScrollPosition(), expected(8));
    Form().ActionDownExecute();
    EXPECT_EQ(ScrollPosition(), expected(9));
    Select({4});
    Form().ActionCloneExecute();
    EXPECT_EQ(ScrollPosition(), expected(5));
}

TEST_F(FrameOrder, NothingMovesWhileThePreviewRunsOrIsPaused)
{
    AddNumberedFrames(3);
    Select({1});
    for (bool* state : {&Form().PreviewRunning, &Form().PreviewResumable}) {
        *state = true;
        Form().ActionDeleteExecute();
        Form().ActionUpExecute();
        Form().ActionDownExecute();
        Form().ActionCloneExecute();
        *state = false;
    }
    EXPECT_EQ(Order(), (std::vector<int>{0, 1, 2}));
    EXPECT_FALSE(Form().ProjectModified());
}

} // namespace
