// Selection, the shown frame, the enabling of the commands and the status bar.
#include "app/createavi.h"

#include <QAction>
#include <QLabel>
#include <QLocale>
#include <QScrollArea>
#include <QScrollBar>
#include <QToolButton>

#include <algorithm>
#include <stdexcept>

#include "app/status_text.h"
#include "platform/blit.h"
#include "platform/qt/controls.h"

namespace {

bool IsCellControl(const QObject* sender)
{
    return qobject_cast<const TPanel*>(sender) || qobject_cast<const TShape*>(sender) ||
           qobject_cast<const QLabel*>(sender);
}

} // namespace

void TAVIForm::FrameStripMouseDown(QObject* sender, Qt::MouseButton button, Qt::KeyboardModifiers shift, int,
                                   int)
{
    // The frame list must hold still while the preview runs through it.
    if (PreviewRunning || PreviewResumable)
        return;
    if (!sender || !IsCellControl(sender))
        return;
    const int frame = CellTag(sender);
    TShape* marker = CellMarkers.at(std::size_t(frame));
    const bool adding = (shift & (Qt::ShiftModifier | Qt::ControlModifier)) != 0;
    const bool right = button == Qt::RightButton;

    if (!adding && !right)
        ClearSelection();
    if (marker->isHidden()) {
        if (right)
            ClearSelection();
        if (SelectedFrames.empty())
            ShowFrame(frame);
        marker->show();
        SelectedFrames.push_back(frame);
        UpdateUpDownActions();
        UpdateFrameActions(true);
        return;
    }
    if (!right) {
        marker->hide();
        SelectedFrames.erase(std::remove(SelectedFrames.begin(), SelectedFrames.end(), frame),
                             SelectedFrames.end());
    }
    if (SelectedFrames.empty()) {
        UpdateFrameActions(false);
        ActionUp->setEnabled(false);
        ActionDown->setEnabled(false);
    } else {
        ShowFrame(SelectedFrames.front());
        UpdateUpDownActions();
        PaintBox1->update();
    }
}

void TAVIForm::ScrollBox2MouseUp(QObject*, Qt::MouseButton button, Qt::KeyboardModifiers, int, int)
{
    // Clearing would enable the run and create commands again in the middle of a run, as
    // the cells' clicks would; both wait until the preview has stopped.
    if (PreviewRunning || PreviewResumable)
        return;
    if (button == Qt::LeftButton)
        ClearSelection();
}

void TAVIForm::ClearSelection()
{
    EmptySelection();
    UpdateFrameActions(false);
    ActionUp->setEnabled(false);
    ActionDown->setEnabled(false);
}

void TAVIForm::ActionSelAllExecute()
{
    // Nothing to select and nothing to show: the preview and the commands stay as they are.
    if (FrameCount() == 0)
        return;
    EmptySelection();
    for (std::size_t i = 0; i < FrameCount(); ++i)
        SelectFrame(int(i));
    ShowFrame(0);
    UpdateFrameActions(true);
    ActionUp->setEnabled(false);
    ActionDown->setEnabled(false);
}

void TAVIForm::ShowFrame(int n)
{
    // Checked before anything changes, so that a bad index leaves the preview as it was.
    if (n < 0 || std::size_t(n) >= FrameBitmaps.size() || std::size_t(n) >= FramePlacements.size())
        throw std::out_of_range("deque:: at(size_t)");
    const MYRECT placement = FramePlacements.at(std::size_t(n));
    const TBitmap* source = FrameBitmaps.at(std::size_t(n)).get();

    // The preview's scrollable area is the image panel and its border, seen from the top.
    if (QWidget* area = ScrollBox1->widget())
        area->setMinimumSize(PanelImage->width() + 2, PanelImage->height() + 2);
    ScrollBox1->horizontalScrollBar()->setValue(0);
    ScrollBox1->verticalScrollBar()->setValue(0);

    auto preview = std::make_unique<TBitmap>(std::max(0, placement.Width), std::max(0, placement.Height));
    if (source)
        BitBlt(*preview, 0, 0, preview->Width(), preview->Height(), *source, 0, 0, SRCCOPY);
    PreviewBitmap = std::move(preview);
    PreviewLeft = placement.Left;
    PreviewTop = placement.Top;
}

void TAVIForm::CenterPreview()
{
    const int w = FrameWidth + 4;
    const int h = FrameHeight + 4;
    const int left = ScrollBox1->width() > w ? (ScrollBox1->width() - w) / 2 : 0;
    const int top = ScrollBox1->height() > h ? (ScrollBox1->height() - h) / 2 : 0;
    PanelImage->setGeometry(left, top, w, h);
}

void TAVIForm::UpdateFrameActions(bool selected)
{
    const bool haveFrames = FrameCount() > 0;
    ToolButRun->setEnabled(haveFrames);
    for (QAction* item : {ItemRunAVI, ItemTestAVI, ItemRunGIF, ItemTestGIF})
        item->setEnabled(haveFrames);
    ActionCreate->setEnabled(haveFrames);
    for (QAction* action : {ActionDelete, ActionInsert, ActionCopy, ActionSaveFrame, ActionClone, ActionFlip,
                            ActionAddText, ActionDelay, ActionProperties})
        action->setEnabled(selected);
    ActionColor->setEnabled(selected && ProjectType == 1);
    ActionSelAll->setEnabled(haveFrames);

    if (selected) {
        SetPopupMenu(PaintBox1, PopupMenu4);
    } else {
        PreviewBitmap = std::make_unique<TBitmap>();
        SetPopupMenu(PaintBox1, nullptr);
    }
    PaintBox1->update();
}

void TAVIForm::UpdateStatusTotals()
{
    const std::vector<WORD> times(FrameTimes.begin(), FrameTimes.end());
    const std::int64_t total = TotalTime(ProjectType, AviFrameTime, times);
    StatusBar1->SetPanelText(3, TotalTimeText(total, QLocale().decimalPoint().toStdString()));
    StatusBar1->SetPanelText(4, FrameCountText(FrameCount()));
}
