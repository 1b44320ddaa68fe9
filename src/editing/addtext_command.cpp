// The text-frame command of the main window: the dialog, then its GIF brought in as frames
// after the first selected frame.
#include "app/createavi.h"

#include <QAction>
#include <QScrollArea>

#include <exception>

#include "editing/addtext.h"
#include "platform/memory_guard.h"
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

    // What ends the import part-way (memory that runs out) ends the command only once the
    // frames brought in so far are shown, selected and counted, as the add command does.
    const std::size_t before = FrameCount();
    std::exception_ptr failure;
    if (std::size_t(s) + 1 == FrameCount()) {
        try {
            AddGifFrames(gif);
        } catch (...) {
            failure = std::current_exception();
        }
        ClearSelection();
        try {
            FitTextFrames(before, FrameCount());
        } catch (...) {
            if (!failure)
                failure = std::current_exception();
        }
        SetStripRange();
        ScrollStripTo(ScrollRange(FrameCount()));
        const int last = int(FrameCount()) - 1;
        ShowFrame(last);
        SelectFrame(last);
        ActionUp->setEnabled(FrameCount() > 1);
        ActionDown->setEnabled(false);
    } else {
        try {
            InsertGifFrames(s + 1, gif);
        } catch (...) {
            failure = std::current_exception();
        }
        for (std::size_t i = 0; i < FrameCount(); ++i)
            RedrawCell(i);
        SetStripRange();
        ScrollStripTo(CellTop(s));
        SelectFrame(s + 1);
        ActionUp->setEnabled(true);
        ActionDown->setEnabled(std::size_t(s) + 1 < FrameCount() - 1);
    }

    if (!failure || FrameCount() != before)
        SetProjectModified(true);
    UpdateStatusTotals();
    UpdateFrameActions(true);
    if (failure)
        std::rethrow_exception(failure);
}

void TAVIForm::FitTextFrames(std::size_t first, std::size_t end)
{
    // The text frames stand where the text area was, fitted as the insert path fits them,
    // with bitmaps of that size.
    MYRECT placement = TextFramePlacement;
    FitFrameRect(placement, ProjectStretch);
    for (std::size_t i = first; i < end; ++i) {
        FrameGifOptions.at(i).ReductionBit = 3;
        FrameGifOptions.at(i).GIFTransparent = false;
    }
    for (std::size_t i = first; i < end; ++i) {
        // The placement changes with the bitmap, so that a bitmap memory cannot hold leaves
        // the frame as it came.
        if (TBitmap* bitmap = FrameBitmaps.at(i).get()) {
            const int bits = bitmap->BitsPerPixel();
            ReserveMemory(BitmapMemoryBytes(placement.Width, placement.Height, bits) +
                          BitmapMemoryBytes(bitmap->Width(), bitmap->Height(), bits));
            const TBitmap picture(*bitmap);
            CopyPictureToFrameBitmap(*bitmap, picture, placement.Width, placement.Height, ProjectStretch);
        }
        FramePlacements.at(i) = placement;
    }
}
