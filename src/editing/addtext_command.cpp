// The text-frame command of the main window: the dialog, then its GIF brought in as frames
// after the first selected frame.
#include "app/createavi.h"

#include <QAction>
#include <QScrollArea>

#include <algorithm>
#include <exception>
#include <new>

#include "editing/addtext.h"
#include "platform/exceptions.h"
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
    // with bitmaps of that size. Memory that ran out while they were brought in must not
    // leave them elsewhere: the options and the place are set whatever memory is left, and
    // only a bitmap whose size changes asks for room. One that memory cannot hold keeps its
    // frame as it came, bitmap and placement together.
    MYRECT placement = TextFramePlacement;
    FitFrameRect(placement, ProjectStretch);
    const int width = std::max(0, placement.Width), height = std::max(0, placement.Height);
    std::exception_ptr failure;
    for (std::size_t i = first; i < end; ++i) {
        FrameGifOptions.at(i).ReductionBit = 3;
        FrameGifOptions.at(i).GIFTransparent = false;
        TBitmap* bitmap = FrameBitmaps.at(i).get();
        if (bitmap && (bitmap->Width() != width || bitmap->Height() != height)) {
            try {
                const int bits = bitmap->BitsPerPixel();
                ReserveMemory(BitmapMemoryBytes(width, height, bits) +
                              BitmapMemoryBytes(bitmap->Width(), bitmap->Height(), bits));
                const TBitmap picture(*bitmap);
                CopyPictureToFrameBitmap(*bitmap, picture, placement.Width, placement.Height, ProjectStretch);
            } catch (const EOutOfMemory&) {
                if (!failure)
                    failure = std::current_exception();
            } catch (const std::bad_alloc&) {
                if (!failure)
                    failure = std::make_exception_ptr(EOutOfMemory(SOutOfMemory));
            }
            // A copy that failed once the bitmap had its new size left it white at that size.
            if (bitmap->Width() != width || bitmap->Height() != height)
                continue;
        }
        FramePlacements.at(i) = placement;
    }
    if (failure)
        std::rethrow_exception(failure);
}
