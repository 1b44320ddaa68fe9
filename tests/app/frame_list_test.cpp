#include "app/frame_list.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QLabel>
#include <QPointer>

#include "form_fixture.h"
#include "platform/qt/controls.h"

namespace {

class FrameList : public ::testing::Test {
protected:
    void SetUp() override
    {
        EnsureApplication();
        strip_ = std::make_unique<QWidget>();
    }
    void TearDown() override { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

    TFrameCell MakeCell()
    {
        TFrameCell cell;
        cell.Panel = new TPanel(strip_.get());
        cell.HeaderPanel = new TPanel(cell.Panel);
        cell.TimePanel = new TPanel(cell.Panel);
        cell.Image = new QLabel(cell.Panel);
        cell.Marker = new TShape(cell.Panel);
        return cell;
    }
    static TFrameData MakeFrame(const std::string& file, WORD time)
    {
        TFrameData frame;
        frame.Bitmap = std::make_unique<TBitmap>();
        frame.Thumbnail = std::make_unique<TBitmap>();
        frame.File = file;
        frame.Time = time;
        frame.Placement = MYRECT{1, 2, 3, 4};
        return frame;
    }
    std::vector<std::string> Files() const
    {
        return {list_.FrameFiles.begin(), list_.FrameFiles.end()};
    }
    void ExpectSameLengths() const
    {
        const std::size_t n = list_.FrameCount();
        for (std::size_t len : {list_.FrameBitmaps.size(), list_.FrameFiles.size(), list_.FrameTimes.size(),
                                list_.FrameSubImages.size(), list_.FrameFlips.size(),
                                list_.FrameGifOptions.size(), list_.FramePlacements.size(),
                                list_.FrameStretch.size(), list_.FrameThumbnails.size(),
                                list_.CellHeaderPanels.size(), list_.CellTimePanels.size(),
                                list_.CellImages.size(), list_.CellMarkers.size()})
            EXPECT_EQ(len, n);
    }

    TFrameList list_;
    std::unique_ptr<QWidget> strip_;
};

TEST_F(FrameList, InsertAndEraseMoveDataAtTheIndexButCellsOnlyAtTheEnd)
{
    list_.AppendFrame(MakeFrame("a", 10), MakeCell());
    list_.AppendFrame(MakeFrame("c", 30), MakeCell());
    TPanel* secondCell = list_.CellPanels.at(1);
    list_.InsertFrame(1, MakeFrame("b", 20), MakeCell());
    ExpectSameLengths();
    EXPECT_EQ(Files(), (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(list_.FrameTimes.at(1), 20);
    EXPECT_EQ(list_.CellPanels.at(1), secondCell) << "cells never move";

    QPointer<TPanel> lastCell = list_.CellPanels.at(2);
    TBitmap* keptBitmap = list_.FrameBitmaps.at(2).get();
    list_.EraseFrame(0);
    ExpectSameLengths();
    EXPECT_EQ(Files(), (std::vector<std::string>{"b", "c"}));
    EXPECT_EQ(list_.FrameBitmaps.at(1).get(), keptBitmap);
    EXPECT_EQ(list_.CellPanels.at(1), secondCell);
    ASSERT_FALSE(lastCell.isNull());
    EXPECT_EQ(lastCell->parent(), nullptr) << "the last cell leaves the strip at once";
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(lastCell.isNull());
}

TEST_F(FrameList, IndicesPastTheEndFailWithOutOfRangeAndChangeNothing)
{
    list_.AppendFrame(MakeFrame("a", 10), MakeCell());
    EXPECT_THROW(list_.FrameFiles.at(1), std::out_of_range);
    EXPECT_THROW(list_.FrameBitmaps[1], std::out_of_range);
    EXPECT_THROW(list_.CellMarkers.at(1), std::out_of_range);
    EXPECT_THROW(list_.EraseFrame(1), std::out_of_range);
    EXPECT_THROW(list_.SwapFrames(0, 1, true), std::out_of_range);

    QPointer<TPanel> refused = nullptr;
    TFrameCell cell = MakeCell();
    refused = cell.Panel;
    EXPECT_THROW(list_.InsertFrame(2, MakeFrame("x", 1), cell), std::out_of_range);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(refused.isNull()) << "a refused cell is not left in the strip";

    ExpectSameLengths();
    EXPECT_EQ(list_.FrameCount(), 1u);
    EXPECT_EQ(Files(), (std::vector<std::string>{"a"}));

    TFrameList empty;
    EXPECT_THROW(empty.FrameTimes.back(), std::out_of_range);
    EXPECT_THROW(empty.EraseFrame(0), std::out_of_range);
}

TEST_F(FrameList, SwapKeepsTimesInPlaceUnlessAsked)
{
    list_.AppendFrame(MakeFrame("a", 10), MakeCell());
    list_.AppendFrame(MakeFrame("b", 20), MakeCell());
    TPanel* first = list_.CellPanels.at(0);
    list_.SwapFrames(0, 1, false);
    EXPECT_EQ(Files(), (std::vector<std::string>{"b", "a"}));
    EXPECT_EQ(list_.FrameTimes.at(0), 10);
    EXPECT_EQ(list_.CellPanels.at(0), first);
    list_.SwapFrames(0, 1, true);
    EXPECT_EQ(Files(), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(list_.FrameTimes.at(0), 20);
}

TEST_F(FrameList, ClearRemovesEveryFrameAndCell)
{
    QPointer<TPanel> cell;
    for (int i = 0; i < 3; ++i) {
        auto c = MakeCell();
        cell = c.Panel;
        list_.AppendFrame(MakeFrame("f", WORD(i)), c);
    }
    list_.ClearFrames();
    ExpectSameLengths();
    EXPECT_EQ(list_.FrameCount(), 0u);
    EXPECT_TRUE(strip_->findChildren<TPanel*>(Qt::FindDirectChildrenOnly).isEmpty());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(cell.isNull());
}

} // namespace
