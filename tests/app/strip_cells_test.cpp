// The cells of the frame strip: where they lie, what they show and carry, and clearing them.
#include <gtest/gtest.h>

#include <QAction>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QMenu>
#include <QLabel>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPointer>
#include <QScrollArea>
#include <QScrollBar>
#include <QToolButton>

#include "form_fixture.h"
#include "platform/qt/controls.h"
#include "platform/qt/qt_bridge.h"

namespace {

class TIconForm : public TTestForm {
public:
    using TTestForm::TTestForm;
    std::vector<std::pair<std::string, int>> Clicks;
    void FrameSettingsIconClick(QObject* sender) override { Clicks.push_back({"settings", CellTag(sender)}); }
    void FrameColorIconClick(QObject* sender) override { Clicks.push_back({"colour", CellTag(sender)}); }
};

class StripCells : public TFormTest {
protected:
    TIconForm& Form()
    {
        form_ = std::make_unique<TIconForm>();
        return static_cast<TIconForm&>(*form_);
    }
    static void Add(TAVIForm& f, WORD time, TColor thumbnailColor = clWhite)
    {
        TFrameData frame;
        frame.Time = time;
        frame.Bitmap = std::make_unique<TBitmap>(4, 4);
        frame.Thumbnail = std::make_unique<TBitmap>(168, 108, pf24bit);
        frame.Thumbnail->Canvas().Brush().Color = thumbnailColor;
        frame.Thumbnail->Canvas().FillRect(TRect{0, 0, 168, 108});
        f.AppendFrameWithCell(std::move(frame));
    }
    static QLabel* Icon(TAVIForm& f, int frame, const char* name)
    {
        return f.CellTimePanels[std::size_t(frame)]->findChild<QLabel*>(name);
    }
    static void Click(QWidget* w)
    {
        for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
            QMouseEvent event(type, QPointF(4, 4), w->mapToGlobal(QPointF(4, 4)), Qt::LeftButton,
                              type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
            QCoreApplication::sendEvent(w, &event);
        }
    }
};

TEST_F(StripCells, CellsStackDownTheStripWithTheirPartsInside)
{
    TIconForm& f = Form();
    for (WORD time : {100, 200, 300})
        Add(f, time);
    // Scrolled down, a new cell still goes below the last one.
    f.SetStripRange();
    f.ScrollStripToEnd();
    Add(f, 400, clRed);

    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(f.CellPanels[std::size_t(i)]->geometry(), QRect(4, 4 + 154 * i, 170, 150)) << i;

    TPanel* header = f.CellHeaderPanels[3];
    TPanel* time = f.CellTimePanels[3];
    QLabel* image = f.CellImages[3];
    TShape* marker = f.CellMarkers[3];
    EXPECT_EQ(header->Caption(), "Кадр #4");
    EXPECT_EQ(time->Caption(), "400 мсек");
    EXPECT_EQ(header->geometry(), QRect(1, 1, 168, 20));
    EXPECT_EQ(time->geometry(), QRect(1, 129, 168, 20));
    EXPECT_EQ(header->BevelOuter(), bvNone);
    EXPECT_EQ(f.CellPanels[3]->BevelOuter(), bvRaised);
    EXPECT_EQ(image->parentWidget()->geometry(), QRect(1, 21, 168, 108));
    EXPECT_EQ(static_cast<TPanel*>(image->parentWidget())->BevelOuter(), bvLowered);

    // The marker lies over the picture: red dots, nothing filled, hidden until selected.
    EXPECT_EQ(marker->parentWidget(), image->parentWidget());
    EXPECT_EQ(marker->geometry(), QRect(1, 1, image->width(), image->height()));
    EXPECT_EQ(marker->PenColor, RGB(255, 0, 0));
    EXPECT_EQ(marker->PenStyle, spDot);
    EXPECT_TRUE(marker->ClearBrush);
    EXPECT_TRUE(marker->isHidden());

    // The picture is the thumbnail's top-left part.
    const QImage shown = image->pixmap().toImage();
    EXPECT_EQ(shown.size(), QSize(168, 108));
    EXPECT_EQ(QColor(shown.pixel(0, 0)), QColor(255, 0, 0));
    EXPECT_EQ(image->alignment(), Qt::AlignLeft | Qt::AlignTop);

    QLabel* settings = Icon(f, 3, "SettingsIcon");
    QLabel* colour = Icon(f, 3, "ColorIcon");
    ASSERT_TRUE(settings && colour);
    EXPECT_EQ(settings->geometry(), QRect(6, 2, 16, 16));
    EXPECT_EQ(colour->geometry(), QRect(146, 2, 16, 16));
    EXPECT_FALSE(settings->pixmap().isNull());

    // The bevels' bottom-right edges are the panels' own outermost pixels.
    const QImage cell = f.CellPanels[3]->grab().toImage();
    EXPECT_EQ(QColor(cell.pixel(169, 60)), QColor(160, 160, 160)) << "the cell's raised edge";
    EXPECT_EQ(QColor(cell.pixel(168, 60)), QColor(255, 255, 255)) << "the picture's lowered edge";

    for (QObject* part : {static_cast<QObject*>(header), static_cast<QObject*>(time), static_cast<QObject*>(image),
                          static_cast<QObject*>(marker), static_cast<QObject*>(settings),
                          static_cast<QObject*>(colour)})
        EXPECT_EQ(CellTag(part), 3) << part->metaObject()->className();
}

TEST_F(StripCells, IconsOpenTheirFramesSettingsAndSelectIt)
{
    TIconForm& f = Form();
    for (WORD time : {100, 200, 300})
        Add(f, time);
    Click(Icon(f, 1, "SettingsIcon"));
    Click(Icon(f, 2, "ColorIcon"));
    EXPECT_EQ(f.Clicks, (std::vector<std::pair<std::string, int>>{{"settings", 1}, {"colour", 2}}));
    EXPECT_EQ(f.SelectedFrames, std::deque<int>{2});
}

TEST_F(StripCells, RightClickOnACellOpensTheStripsMenu)
{
    TIconForm& f = Form();
    Add(f, 100);
    f.SetPopupMenu(f.ScrollBox2, f.PopupMenu5);
    f.show();
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5), f.CellImages[0]->mapToGlobal(QPoint(5, 5)));
    QCoreApplication::sendEvent(f.CellImages[0], &event);
    EXPECT_TRUE(f.PopupMenu5->isVisible());
    f.PopupMenu5->hide();
}

TEST_F(StripCells, RedrawShowsTheFramesCurrentTimeAndThumbnail)
{
    TIconForm& f = Form();
    Add(f, 100);
    Add(f, 200, clRed);
    f.FrameTimes[0] = 650;
    std::swap(f.FrameThumbnails[0], f.FrameThumbnails[1]);
    f.RedrawCell(0);
    EXPECT_EQ(f.CellTimePanels[0]->Caption(), "650 мсек");
    EXPECT_EQ(QColor(f.CellImages[0]->pixmap().toImage().pixel(5, 5)), QColor(255, 0, 0));
    EXPECT_EQ(f.CellHeaderPanels[0]->Caption(), "Кадр #1") << "a cell keeps its number";
    EXPECT_THROW(f.RedrawCell(2), std::out_of_range);
}

TEST_F(StripCells, ClearAllFramesLeavesNothing)
{
    TIconForm& f = Form();
    for (WORD time : {100, 200, 300})
        Add(f, time);
    f.ActionSelAllExecute();
    f.ActionUp->setEnabled(true);
    f.ActionDown->setEnabled(true);
    f.Memo1->setPlainText("a message");
    QPointer<TPanel> firstCell = f.CellPanels[0];

    f.ClearAllFrames();
    EXPECT_EQ(f.FrameCount(), 0u);
    EXPECT_TRUE(f.FrameBitmaps.empty());
    EXPECT_TRUE(f.FrameThumbnails.empty());
    EXPECT_TRUE(f.CellMarkers.empty());
    EXPECT_TRUE(f.SelectedFrames.empty());
    EXPECT_TRUE(f.Memo1->toPlainText().isEmpty());
    for (QAction* a : {f.ActionDelete, f.ActionDelay, f.ActionSelAll, f.ActionCreate, f.ActionUp, f.ActionDown})
        EXPECT_FALSE(a->isEnabled()) << a->objectName().toStdString();
    EXPECT_FALSE(f.ToolButRun->isEnabled());
    EXPECT_TRUE(f.PreviewBitmap->Empty());
    ASSERT_FALSE(firstCell.isNull());
    EXPECT_FALSE(f.ScrollBox2->widget()->isAncestorOf(firstCell)) << "the cells leave the strip at once";
    EXPECT_TRUE(firstCell->isHidden());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(firstCell.isNull()) << "the cell's controls are gone with it";

    // The strip fills again from the top.
    Add(f, 100);
    EXPECT_EQ(f.CellPanels[0]->geometry().topLeft(), QPoint(4, 4));
    EXPECT_EQ(f.CellHeaderPanels[0]->Caption(), "Кадр #1");
}

} // namespace
