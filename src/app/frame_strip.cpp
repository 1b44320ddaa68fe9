// The frame strip: its cells, and the steps every command that changes the frames or the
// selection repeats on it.
#include "app/createavi.h"

#include <QAction>
#include <QScrollArea>
#include <QScrollBar>

#include <algorithm>

#include "platform/qt/controls.h"

void TAVIForm::SetStripRange()
{
    // The strip's content is as tall as the range; the scroll bar is set at once as well,
    // since the scroll area learns of the new size only when the strip is next laid out.
    const int range = ScrollRange(FrameCount());
    QWidget* strip = ScrollBox2->widget();
    strip->resize(strip->width(), range);
    QScrollBar* bar = ScrollBox2->verticalScrollBar();
    bar->setRange(0, std::max(0, range - ScrollBox2->viewport()->height()));
    bar->setPageStep(ScrollBox2->viewport()->height());
    bar->setSingleStep(CellPitch());
}

void TAVIForm::ScrollStripTo(int position)
{
    // The scroll bar keeps its value within its range.
    ScrollBox2->verticalScrollBar()->setValue(position);
}

void TAVIForm::ScrollStripToFrame(int frame) { ScrollStripTo(CellTop(frame)); }

void TAVIForm::ScrollStripToEnd() { ScrollStripTo(ScrollBox2->verticalScrollBar()->maximum()); }

void TAVIForm::SelectFrame(int frame)
{
    TShape* marker = CellMarkers.at(std::size_t(frame));
    if (std::find(SelectedFrames.begin(), SelectedFrames.end(), frame) == SelectedFrames.end())
        SelectedFrames.push_back(frame);
    marker->show();
}

void TAVIForm::EmptySelection()
{
    while (!SelectedFrames.empty()) {
        const int frame = SelectedFrames.back();
        SelectedFrames.pop_back();
        if (frame >= 0 && std::size_t(frame) < CellMarkers.size())
            CellMarkers[std::size_t(frame)]->hide();
    }
}

void TAVIForm::UpdateUpDownActions()
{
    const TUpDownState state = UpDownForSelection(SelectedFrames, FrameCount());
    ActionUp->setEnabled(state.Up);
    ActionDown->setEnabled(state.Down);
}

void TAVIForm::SetProjectModified(bool modified) { ActionSaveProject->setEnabled(modified); }

bool TAVIForm::ProjectModified() const { return ActionSaveProject->isEnabled(); }
