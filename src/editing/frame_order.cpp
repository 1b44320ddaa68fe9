// Deleting, moving and cloning frames. The strip's cells never move: deleting destroys the
// last cell, cloning appends cells, moving exchanges content; afterwards the cells are
// redrawn from the frame data, so that cell i always shows frame i.
#include "app/createavi.h"

#include <QAction>
#include <QScrollArea>

#include <algorithm>
#include <functional>
#include <vector>

#include "platform/qt/controls.h"
#include "platform/qt/cursors.h"
#include "platform/qt/window_update.h"

namespace {

std::unique_ptr<TBitmap> CopyOf(const std::unique_ptr<TBitmap>& bitmap)
{
    return bitmap ? std::make_unique<TBitmap>(*bitmap) : nullptr;
}

} // namespace

// ---- Deleting

void TAVIForm::ActionDeleteExecute()
{
    if (PreviewRunning || PreviewResumable || SelectedFrames.empty())
        return;
    DeleteSelectedFrames();
    SetStripRange();
    UpdateFrameActions(false);
    SetProjectModified(true);
    ActionUp->setEnabled(false);
    ActionDown->setEnabled(false);
    UpdateStatusTotals();
}

void TAVIForm::DeleteSelectedFrames()
{
    SelectedFrames.clear();
    // From the end, so that the frames still to be looked at keep their indices.
    for (std::size_t i = FrameCount(); i-- > 0;)
        if (!CellMarkers.at(i)->isHidden())
            DeleteFrameAt(i);
    for (std::size_t i = 0; i < FrameCount(); ++i) {
        CellMarkers.at(i)->hide();
        RedrawCell(i);
    }
}

void TAVIForm::DeleteFrameAt(std::size_t n) { EraseFrame(n); }

// ---- Moving

void TAVIForm::ActionUpExecute() { MoveSelectedFrame(-1); }

void TAVIForm::ActionDownExecute() { MoveSelectedFrame(+1); }

void TAVIForm::MoveSelectedFrame(int step)
{
    if (PreviewRunning || PreviewResumable || SelectedFrames.size() != 1)
        return;
    const int n = SelectedFrames.front();
    const int m = n + step;
    if (n < 0 || m < 0 || std::size_t(n) >= FrameCount() || std::size_t(m) >= FrameCount())
        return;
    EmptySelection();
    TWindowUpdateLock stripLock(ScrollBox2);
    // An AVI shows every frame for the project's time, so there the times stay in place.
    SwapFrames(std::size_t(n), std::size_t(m), ProjectType == 1);
    RedrawCell(std::size_t(m));
    RedrawCell(std::size_t(n));
    SetProjectModified(true);
    SelectFrame(m);
    ScrollStripToFrame(m - 1);
    UpdateUpDownActions();
}

// ---- Cloning

void TAVIForm::ActionCloneExecute()
{
    if (PreviewRunning || PreviewResumable || SelectedFrames.empty())
        return;
    std::vector<int> frames(SelectedFrames.begin(), SelectedFrames.end());
    std::sort(frames.begin(), frames.end(), std::greater<>());
    frames.erase(std::unique(frames.begin(), frames.end()), frames.end());
    const int s = frames.back() + 1;

    TWaitCursor hourglass;
    TWindowUpdateLock stripLock(ScrollBox2);
    // Also when memory ends the command part-way: the clones made so far are frames like
    // any other, and the strip, the selection and the status show them.
    const std::size_t before = FrameCount();
    auto finish = [this, s, before] {
        if (FrameCount() == before) {
            // Nothing was cloned: the selection stays as it was, marked.
            for (const int frame : SelectedFrames)
                CellMarkers.at(std::size_t(frame))->show();
            return;
        }
        for (std::size_t i = 0; i < FrameCount(); ++i)
            RedrawCell(i);
        SetStripRange();
        ScrollStripToFrame(s - 1);
        // The second of the pair made from the lowest selected frame.
        EmptySelection();
        SelectFrame(std::min(s, int(FrameCount()) - 1));
        UpdateFrameActions(true);
        UpdateUpDownActions();
        SetProjectModified(true);
        UpdateStatusTotals();
    };
    try {
        CloneFrames(frames);
    } catch (...) {
        finish();
        throw;
    }
    finish();
}

void TAVIForm::CloneFrames(const std::vector<int>& frames)
{
    // From the highest, so that an insertion never shifts a frame still to be cloned.
    for (int frame : frames) {
        const auto k = std::size_t(frame);
        CellMarkers.at(k)->hide();
        const TBitmap* bitmap = FrameBitmaps.at(k).get();
        ReserveFrameMemory(bitmap ? bitmap->Width() : 0, bitmap ? bitmap->Height() : 0);
        TFrameData copy;
        copy.File = FrameFiles.at(k);
        copy.Thumbnail = CopyOf(FrameThumbnails.at(k));
        copy.Placement = FramePlacements.at(k);
        copy.Time = FrameTimes.at(k);
        copy.SubImage = FrameSubImages.at(k);
        copy.GifOptions = FrameGifOptions.at(k);
        copy.Stretch = FrameStretch.at(k);
        copy.Flip = FrameFlips.at(k);
        copy.Bitmap = CopyOf(FrameBitmaps.at(k));
        const TBitmap blank(ThumbWidth, ThumbHeight, pf24bit);
        TFrameCell cell = CreateFrameThumbnail(int(FrameCount()) + 1, FrameTimes.back(),
                                               copy.Thumbnail ? *copy.Thumbnail : blank);
        InsertFrame(k, std::move(copy), cell);
        SelectedFrames.erase(std::remove(SelectedFrames.begin(), SelectedFrames.end(), frame),
                             SelectedFrames.end());
    }
}
