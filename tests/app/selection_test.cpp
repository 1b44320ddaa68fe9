// Selecting frames with the mouse, the shown frame and which commands a selection enables.
#include <gtest/gtest.h>

#include <QAction>
#include <QCoreApplication>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QScrollArea>
#include <QToolButton>

#include <algorithm>

#include "form_fixture.h"
#include "platform/qt/controls.h"

namespace {

// Frame i: a (10 + i) x 5 bitmap whose top-left pixel is RGB(i, 0, 0), placed at (i, 2i).
void AddFrames(TAVIForm& f, int count)
{
    for (int i = 0; i < count; ++i) {
        TFrameData frame;
        frame.Bitmap = std::make_unique<TBitmap>(10 + i, 5, pf24bit);
        frame.Bitmap->SetPixel(0, 0, RGB(i, 0, 0));
        frame.Placement = MYRECT{i, 2 * i, 10 + i, 5};
        frame.Time = WORD(100 * (i + 1));
        f.AppendFrameWithCell(std::move(frame));
    }
}

// The frame the preview shows: its index, -1 when blank.
int Shown(const TAVIForm& f)
{
    if (f.PreviewBitmap->Empty())
        return -1;
    return f.PreviewBitmap->Width() - 10;
}

std::deque<int> Marked(const TAVIForm& f)
{
    std::deque<int> marked;
    for (std::size_t i = 0; i < f.FrameCount(); ++i)
        if (!f.CellMarkers[i]->isHidden())
            marked.push_back(int(i));
    return marked;
}

void Click(TAVIForm& f, int frame, Qt::MouseButton button = Qt::LeftButton,
           Qt::KeyboardModifiers keys = Qt::NoModifier)
{
    f.FrameStripMouseDown(f.CellImages[std::size_t(frame)], button, keys, 5, 5);
}

constexpr auto Ctrl = Qt::ControlModifier;
constexpr auto Shift = Qt::ShiftModifier;
constexpr auto None = Qt::NoModifier;
constexpr int Unchanged = -2;

class Selection : public TFormTest {
protected:
    TAVIForm& FormWithFrames(int count, int projectType = 1)
    {
        TAVIForm& f = MakeForm();
        f.ProjectType = projectType;
        AddFrames(f, count);
        return f;
    }
};

TEST_F(Selection, ClickTable)
{
    struct TRow {
        const char* what;
        std::deque<int> before; // Ctrl-clicked in this order first
        int frame;
        Qt::MouseButton button;
        Qt::KeyboardModifiers keys;
        std::deque<int> after;
        int shown; // Unchanged: ShowFrame was not called
        bool up, down;
    };
    const TRow rows[] = {
        {"plain on the first", {}, 0, Qt::LeftButton, None, {0}, 0, false, true},
        {"plain on the last", {}, 5, Qt::LeftButton, None, {5}, 5, true, false},
        {"plain in the middle", {}, 2, Qt::LeftButton, None, {2}, 2, true, true},
        {"plain on one of many", {0, 2}, 2, Qt::LeftButton, None, {2}, 2, true, true},
        {"plain outside many", {0, 2}, 4, Qt::LeftButton, None, {4}, 4, true, true},
        {"plain on the only one", {1}, 1, Qt::LeftButton, None, {1}, 1, true, true},
        {"ctrl adds, not shown", {3, 1}, 5, Qt::LeftButton, Ctrl, {3, 1, 5}, Unchanged, false, false},
        {"ctrl on nothing shows", {}, 2, Qt::LeftButton, Ctrl, {2}, 2, true, true},
        {"shift adds like ctrl", {4}, 2, Qt::LeftButton, Shift, {4, 2}, Unchanged, false, false},
        {"ctrl removes the anchor", {3, 1, 5}, 3, Qt::LeftButton, Ctrl, {1, 5}, 1, false, false},
        {"ctrl back to one", {3, 1}, 3, Qt::LeftButton, Ctrl, {1}, 1, true, true},
        {"shift removes the last", {2}, 2, Qt::LeftButton, Shift, {}, -1, false, false},
        {"right inside keeps", {3, 1}, 1, Qt::RightButton, None, {3, 1}, 3, false, false},
        {"right with ctrl inside keeps", {3, 1}, 1, Qt::RightButton, Ctrl, {3, 1}, 3, false, false},
        {"right outside selects it", {3, 1}, 4, Qt::RightButton, None, {4}, 4, true, true},
        {"right with ctrl outside", {3, 1}, 0, Qt::RightButton, Ctrl, {0}, 0, false, true},
        {"right on the only one", {5}, 5, Qt::RightButton, None, {5}, 5, true, false},
        {"middle acts as left", {0, 2}, 4, Qt::MiddleButton, None, {4}, 4, true, true},
        {"alt is ignored", {5}, 1, Qt::LeftButton, Qt::AltModifier, {1}, 1, true, true},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.what);
        TAVIForm& f = FormWithFrames(6);
        for (int frame : row.before)
            Click(f, frame, Qt::LeftButton, Ctrl);
        // A marker bitmap, so that a frame shown again is told from one left in place.
        *f.PreviewBitmap = TBitmap(1, 1);
        Click(f, row.frame, row.button, row.keys);

        EXPECT_EQ(f.SelectedFrames, row.after);
        std::deque<int> marked = row.after;
        std::sort(marked.begin(), marked.end());
        EXPECT_EQ(Marked(f), marked);
        if (row.shown == Unchanged) {
            EXPECT_EQ(f.PreviewBitmap->Width(), 1) << "the preview is left as it was";
        } else {
            EXPECT_EQ(Shown(f), row.shown);
        }
        EXPECT_EQ(f.ActionUp->isEnabled(), row.up);
        EXPECT_EQ(f.ActionDown->isEnabled(), row.down);
        EXPECT_EQ(f.ActionDelete->isEnabled(), !row.after.empty());
    }
}

TEST_F(Selection, OnlyFrameCanMoveNeitherWay)
{
    TAVIForm& f = FormWithFrames(1);
    Click(f, 0);
    EXPECT_EQ(f.SelectedFrames, std::deque<int>{0});
    EXPECT_FALSE(f.ActionUp->isEnabled());
    EXPECT_FALSE(f.ActionDown->isEnabled());
}

TEST_F(Selection, ClicksAreIgnoredWhileThePreviewRunsOrIsPaused)
{
    for (bool paused : {false, true}) {
        TAVIForm& f = FormWithFrames(3);
        Click(f, 1);
        f.PreviewRunning = !paused;
        f.PreviewResumable = paused;
        Click(f, 2);
        Click(f, 0, Qt::LeftButton, Ctrl);
        Click(f, 1, Qt::RightButton);
        f.ActionCreate->setEnabled(false);
        f.ScrollBox2MouseUp(f.ScrollBox2->widget(), Qt::LeftButton, None, 0, 0);
        EXPECT_FALSE(f.ActionCreate->isEnabled()) << "the strip's empty area waits as well";
        EXPECT_EQ(f.SelectedFrames, std::deque<int>{1});
        EXPECT_EQ(Marked(f), std::deque<int>{1});
        EXPECT_EQ(Shown(f), 1);
    }
}

TEST_F(Selection, OnlyCellControlsSelect)
{
    TAVIForm& f = FormWithFrames(3);
    for (QObject* sender : {static_cast<QObject*>(f.CellHeaderPanels[2]), static_cast<QObject*>(f.CellMarkers[1]),
                            static_cast<QObject*>(f.CellTimePanels[0])}) {
        f.FrameStripMouseDown(sender, Qt::LeftButton, None, 0, 0);
        EXPECT_EQ(f.SelectedFrames, std::deque<int>{CellTag(sender)});
    }
    f.FrameStripMouseDown(f.ActionDelete, Qt::LeftButton, None, 0, 0);
    f.FrameStripMouseDown(f.ScrollBox2, Qt::LeftButton, None, 0, 0);
    EXPECT_EQ(f.SelectedFrames, std::deque<int>{0}) << "other senders are ignored";
}

TEST_F(Selection, MouseOnTheStrip)
{
    TAVIForm& f = FormWithFrames(3);
    auto send = [](QWidget* w, QEvent::Type type, Qt::MouseButton button, Qt::KeyboardModifiers keys = None) {
        QMouseEvent event(type, QPointF(3, 3), w->mapToGlobal(QPointF(3, 3)), button,
                          type == QEvent::MouseButtonRelease ? Qt::NoButton : button, keys);
        QCoreApplication::sendEvent(w, &event);
    };
    // A press on a cell's picture selects; its release stays with the cell.
    send(f.CellImages[1], QEvent::MouseButtonPress, Qt::LeftButton);
    send(f.CellImages[1], QEvent::MouseButtonRelease, Qt::LeftButton);
    send(f.CellImages[2], QEvent::MouseButtonPress, Qt::LeftButton, Ctrl);
    send(f.CellImages[2], QEvent::MouseButtonRelease, Qt::LeftButton, Ctrl);
    EXPECT_EQ(f.SelectedFrames, (std::deque<int>{1, 2}));
    // The cell's frame and the panel around its picture do nothing, nor pass it on.
    send(f.CellPanels[0], QEvent::MouseButtonRelease, Qt::LeftButton);
    send(f.CellImages[0]->parentWidget(), QEvent::MouseButtonRelease, Qt::LeftButton);
    EXPECT_EQ(f.SelectedFrames, (std::deque<int>{1, 2}));
    // The strip's empty area: the right button keeps the selection, the left one clears it.
    send(f.ScrollBox2->widget(), QEvent::MouseButtonRelease, Qt::RightButton);
    EXPECT_EQ(f.SelectedFrames, (std::deque<int>{1, 2}));
    send(f.ScrollBox2->widget(), QEvent::MouseButtonRelease, Qt::LeftButton);
    EXPECT_TRUE(f.SelectedFrames.empty());
    EXPECT_TRUE(Marked(f).empty());
    EXPECT_FALSE(f.ActionDelete->isEnabled());
    EXPECT_EQ(Shown(f), -1);
}

TEST_F(Selection, SelectAll)
{
    TAVIForm& f = FormWithFrames(3);
    Click(f, 2);
    f.UpdateFrameActions(true);
    f.ActionSelAll->trigger();
    EXPECT_EQ(f.SelectedFrames, (std::deque<int>{0, 1, 2}));
    EXPECT_EQ(Marked(f), (std::deque<int>{0, 1, 2}));
    EXPECT_EQ(Shown(f), 0);
    EXPECT_TRUE(f.ActionDelete->isEnabled());
    EXPECT_FALSE(f.ActionUp->isEnabled());
    EXPECT_FALSE(f.ActionDown->isEnabled());

    TAVIForm& one = FormWithFrames(1);
    one.ActionSelAllExecute();
    EXPECT_EQ(one.SelectedFrames, std::deque<int>{0});
    EXPECT_FALSE(one.ActionDown->isEnabled()) << "also for a single frame";

    TAVIForm& none = FormWithFrames(0);
    *none.PreviewBitmap = TBitmap(1, 1);
    none.ActionSelAllExecute();
    EXPECT_TRUE(none.SelectedFrames.empty());
    EXPECT_EQ(none.PreviewBitmap->Width(), 1) << "nothing to show: the preview stays";
    EXPECT_FALSE(none.ActionDelete->isEnabled());
}

TEST_F(Selection, ShowFrameCopiesTheFrameAndItsPlace)
{
    TAVIForm& f = FormWithFrames(3);
    f.ShowFrame(2);
    EXPECT_EQ(f.PreviewBitmap->Width(), 12);
    EXPECT_EQ(f.PreviewBitmap->Height(), 5);
    EXPECT_EQ(f.PreviewBitmap->GetPixel(0, 0), RGB(2, 0, 0));
    EXPECT_EQ(f.PreviewLeft, 2);
    EXPECT_EQ(f.PreviewTop, 4);

    const TBitmap* before = f.PreviewBitmap.get();
    for (int bad : {3, -1}) {
        EXPECT_THROW(f.ShowFrame(bad), std::out_of_range) << bad;
        EXPECT_EQ(f.PreviewBitmap.get(), before);
        EXPECT_EQ(f.PreviewBitmap->Width(), 12);
        EXPECT_EQ(f.PreviewLeft, 2);
        EXPECT_EQ(f.PreviewTop, 4);
    }
}

TEST_F(Selection, CommandsFollowTheFramesTheSelectionAndTheProjectType)
{
    const char* const selectionCommands[] = {"ActionDelete", "ActionInsert",  "ActionCopy",  "ActionSaveFrame",
                                             "ActionClone",  "ActionFlip",    "ActionAddText", "ActionDelay",
                                             "ActionProperties"};
    struct TRow {
        int type;
        int frames;
        bool selected;
        bool color;
    } const rows[] = {
        {1, 2, true, true}, {0, 2, true, false}, {1, 2, false, false}, {1, 0, false, false}, {2, 2, true, false},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(testing::Message() << row.type << " " << row.frames << " " << row.selected);
        TAVIForm& f = FormWithFrames(row.frames, row.type);
        f.UpdateFrameActions(row.selected);
        for (const char* name : selectionCommands)
            EXPECT_EQ(f.FindAction(name)->isEnabled(), row.selected) << name;
        EXPECT_EQ(f.ActionColor->isEnabled(), row.color);
        EXPECT_EQ(f.ToolButColor->isEnabled(), row.color);
        const bool frames = row.frames > 0;
        EXPECT_EQ(f.ActionSelAll->isEnabled(), frames);
        EXPECT_EQ(f.ActionCreate->isEnabled(), frames);
        EXPECT_EQ(f.ToolButRun->isEnabled(), frames);
        for (QAction* item : {f.ItemRunAVI, f.ItemTestAVI, f.ItemRunGIF, f.ItemTestGIF})
            EXPECT_EQ(item->isEnabled(), frames);
        EXPECT_EQ(f.PopupMenuOf(f.PaintBox1), row.selected ? f.PopupMenu4 : nullptr);
    }
}

TEST_F(Selection, NoSelectionBlanksThePreview)
{
    TAVIForm& f = FormWithFrames(2);
    Click(f, 1);
    ASSERT_EQ(Shown(f), 1);
    f.ActionUp->setEnabled(true);
    f.UpdateFrameActions(false);
    EXPECT_TRUE(f.PreviewBitmap->Empty());
    EXPECT_EQ(f.PopupMenuOf(f.PaintBox1), nullptr);
    EXPECT_TRUE(f.ActionUp->isEnabled()) << "Up and Down are the caller's";
    EXPECT_EQ(f.SelectedFrames, std::deque<int>{1}) << "nor does it touch the selection";
}

} // namespace
