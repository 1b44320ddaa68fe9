// The text-frame command of the main window: the dialog, then its GIF brought in as frames
// after the first selected frame.
#include "app/createavi.h"

#include <QAction>
#include <QScrollArea>

#include "editing/addtext.h"
#include "platform/qt/controls.h"

void TAVIForm::ActionAddTextExecute()
{
    if (SelectedFrames.empty())
        return;
    const int s = SelectedFrames.front();
    TTextFrameContext context;
    context.FrameWidth = FrameWidth;
    context.FrameHeight = FrameHeight;
    context.Picture = FrameBitmaps.at(std::size_t(s)).get();
    context.Placement = FramePlacements.at(std::size_t(s));
    context.ProgramFolder = ProgramFolder;

    TFormText form(*this, *this, context);
    if (ShowModal(form) != mrOk)
        return;
    // Only a GIF this Add wrote: after a failure there is nothing to bring in, and an older
    // file of another run is not this one's.
    const std::string gif = form.WrittenGif();
    if (gif.empty())
        return;

    ArrangeToolbars();
    update();
    TWaitCursor wait;
    TWindowUpdateLock lock(ScrollBox2);

    if (std::size_t(s) + 1 == FrameCount()) {
        const int added = AddGifFrames(gif);
        ClearSelection();
        // The text frames stand where the text area was, fitted as the insert path fits them,
        // with bitmaps of that size.
        MYRECT placement = TextFramePlacement;
        FitFrameRect(placement, ProjectStretch);
        for (std::size_t i = std::size_t(s) + 1; i < std::size_t(s) + 1 + std::size_t(std::max(0, added)); ++i) {
            FramePlacements.at(i) = placement;
            FrameGifOptions.at(i).ReductionBit = 3;
            FrameGifOptions.at(i).GIFTransparent = false;
            if (TBitmap* bitmap = FrameBitmaps.at(i).get()) {
                const TBitmap picture(*bitmap);
                CopyPictureToFrameBitmap(*bitmap, picture, placement.Width, placement.Height, ProjectStretch);
            }
        }
        SetStripRange();
        ScrollStripTo(ScrollRange(FrameCount()));
        const int last = int(FrameCount()) - 1;
        ShowFrame(last);
        SelectFrame(last);
        ActionUp->setEnabled(FrameCount() > 1);
        ActionDown->setEnabled(false);
    } else {
        InsertGifFrames(s + 1, gif);
        for (std::size_t i = 0; i < FrameCount(); ++i)
            RedrawCell(i);
        SetStripRange();
        ScrollStripTo(CellTop(s));
        SelectFrame(s + 1);
        ActionUp->setEnabled(true);
        ActionDown->setEnabled(std::size_t(s) + 1 < FrameCount() - 1);
    }

    SetProjectModified(true);
    UpdateStatusTotals();
    UpdateFrameActions(true);
}
