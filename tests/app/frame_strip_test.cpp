// The steps the commands repeat on the strip and the selection.
#include <gtest/gtest.h>

#include <QAction>
#include <QScrollArea>
#include <QScrollBar>
#include <QToolButton>

#include "form_fixture.h"
#include "platform/qt/controls.h"

namespace {

class FrameStrip : public TFormTest {
protected:
    // Frames with just the cell parts the selection looks at.
    TAVIForm& FormWithFrames(int count)
    {
        TAVIForm& f = MakeForm();
        for (int i = 0; i < count; ++i) {
            TFrameCell cell;
            cell.Panel = new TPanel(f.ScrollBox2->widget());
            cell.Marker = new TShape(cell.Panel);
            cell.Marker->hide();
            TFrameData frame;
            frame.Time = WORD(100 * (i + 1));
            f.AppendFrame(std::move(frame), cell);
        }
        return f;
    }
    static bool Marked(TAVIForm& f, int frame) { return !f.CellMarkers[std::size_t(frame)]->isHidden(); }
};

TEST_F(FrameStrip, RangeCoversTheCellsAndScrollingStopsAtItsEnds)
{
    TAVIForm& f = FormWithFrames(10);
    f.SetStripRange();
    QScrollBar* bar = f.ScrollBox2->verticalScrollBar();
    const int viewport = f.ScrollBox2->viewport()->height();
    EXPECT_EQ(f.ScrollBox2->widget()->height(), 10 * 154 + 4);
    EXPECT_EQ(bar->maximum(), 10 * 154 + 4 - viewport);
    EXPECT_EQ(bar->singleStep(), 154);

    f.ScrollStripToFrame(3);
    EXPECT_EQ(bar->value(), 466) << "the top of the fourth cell";
    f.ScrollStripToFrame(-1);
    EXPECT_EQ(bar->value(), 0) << "above the first cell is the top";
    f.ScrollStripTo(1 << 20);
    EXPECT_EQ(bar->value(), bar->maximum());
    f.ScrollStripTo(0);
    f.ScrollStripToEnd();
    EXPECT_EQ(bar->value(), bar->maximum());

    // Fewer frames: the range shrinks and the position with it.
    f.ClearAllFrames();
    f.SetStripRange();
    EXPECT_EQ(f.ScrollBox2->widget()->height(), 4);
    EXPECT_EQ(bar->maximum(), 0);
    EXPECT_EQ(bar->value(), 0);
}

TEST_F(FrameStrip, SelectingShowsTheMarkerKeepsTheOrderAndNeverRepeats)
{
    TAVIForm& f = FormWithFrames(4);
    f.SelectFrame(2);
    f.SelectFrame(0);
    f.SelectFrame(2);
    EXPECT_EQ(f.SelectedFrames, (std::deque<int>{2, 0}));
    EXPECT_TRUE(Marked(f, 2));
    EXPECT_TRUE(Marked(f, 0));
    EXPECT_FALSE(Marked(f, 1));

    EXPECT_THROW(f.SelectFrame(4), std::out_of_range);
    EXPECT_THROW(f.SelectFrame(-1), std::out_of_range);
    EXPECT_EQ(f.SelectedFrames, (std::deque<int>{2, 0})) << "a bad index changes nothing";

    f.ActionDelete->setEnabled(true);
    f.EmptySelection();
    EXPECT_TRUE(f.SelectedFrames.empty());
    for (int i = 0; i < 4; ++i)
        EXPECT_FALSE(Marked(f, i)) << i;
    EXPECT_TRUE(f.ActionDelete->isEnabled()) << "the commands keep their state";
}

TEST_F(FrameStrip, UpAndDownFollowTheSelection)
{
    TAVIForm& f = FormWithFrames(3);
    f.SelectFrame(0);
    f.UpdateUpDownActions();
    EXPECT_FALSE(f.ActionUp->isEnabled());
    EXPECT_TRUE(f.ActionDown->isEnabled());
    EXPECT_TRUE(f.ToolButDown->isEnabled()) << "the button shows its action";

    f.SelectFrame(2);
    f.UpdateUpDownActions();
    EXPECT_FALSE(f.ActionUp->isEnabled());
    EXPECT_FALSE(f.ActionDown->isEnabled()) << "two frames cannot move";
}

TEST_F(FrameStrip, ModifiedIsTheStateOfTheSaveCommand)
{
    TAVIForm& f = MakeForm();
    EXPECT_FALSE(f.ProjectModified());
    f.SetProjectModified(true);
    EXPECT_TRUE(f.ActionSaveProject->isEnabled());
    EXPECT_TRUE(f.ToolButSaveProject->isEnabled());
    EXPECT_TRUE(f.ProjectModified());
    f.SetProjectModified(false);
    EXPECT_FALSE(f.ToolButSaveProject->isEnabled());
}

} // namespace
