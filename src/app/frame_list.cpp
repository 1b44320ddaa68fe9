#include "app/frame_list.h"

#include <utility>

#include <QWidget>

#include "platform/qt/controls.h"

namespace {

// Where removed cells wait for their deletion: a hidden control of the strip's own window.
QWidget* RemovedCellsHolder(QWidget* window)
{
    static const QString name = QStringLiteral("RemovedStripCells");
    auto* holder = window->findChild<QWidget*>(name, Qt::FindDirectChildrenOnly);
    if (!holder) {
        holder = new QWidget(window);
        holder->setObjectName(name);
        holder->hide();
    }
    return holder;
}

// A cell may go while one of its own controls is still inside an event handler (a context
// menu opened from a click on the cell can delete that frame), so it leaves the strip at once
// and is destroyed when control is back in the event loop. Inside a window it moves to a
// holder of that window: moved out of the window, each cell would walk the window's whole
// focus chain, which made clearing a strip of hundreds of cells take time growing with its
// square.
void DestroyCell(TPanel* panel) noexcept
{
    if (!panel)
        return;
    panel->hide();
    if (QWidget* strip = panel->parentWidget()) {
        QWidget* window = strip->window();
        panel->setParent(window != strip ? RemovedCellsHolder(window) : nullptr);
    }
    panel->deleteLater();
}

} // namespace

TFrameList::~TFrameList() = default;

std::array<TFrameSequenceBase*, 9> TFrameList::DataSequences()
{
    return {&FrameBitmaps, &FrameFiles,      &FrameTimes,      &FrameSubImages, &FrameFlips,
            &FrameGifOptions, &FramePlacements, &FrameStretch, &FrameThumbnails};
}

std::array<TFrameSequenceBase*, 5> TFrameList::CellSequences()
{
    return {&CellPanels, &CellHeaderPanels, &CellTimePanels, &CellImages, &CellMarkers};
}

void TFrameList::AppendFrame(TFrameData frame, TFrameCell cell)
{
    InsertFrame(FrameCount(), std::move(frame), cell);
}

void TFrameList::InsertFrame(std::size_t index, TFrameData frame, TFrameCell cell)
{
    if (index > FrameCount()) {
        DestroyCell(cell.Panel);
        throw std::out_of_range("frame index out of range");
    }
    // Each step either inserts one element or throws leaving its sequence untouched; on a
    // throw the sequences already grown give their new element back.
    int dataDone = 0, cellsDone = 0;
    try {
        auto at = [index](auto& items) { return items.begin() + std::ptrdiff_t(index); };
        FrameBitmaps.items_.insert(at(FrameBitmaps.items_), std::move(frame.Bitmap)), ++dataDone;
        FrameFiles.items_.insert(at(FrameFiles.items_), std::move(frame.File)), ++dataDone;
        FrameTimes.items_.insert(at(FrameTimes.items_), frame.Time), ++dataDone;
        FrameSubImages.items_.insert(at(FrameSubImages.items_), frame.SubImage), ++dataDone;
        FrameFlips.items_.insert(at(FrameFlips.items_), frame.Flip), ++dataDone;
        FrameGifOptions.items_.insert(at(FrameGifOptions.items_), frame.GifOptions), ++dataDone;
        FramePlacements.items_.insert(at(FramePlacements.items_), frame.Placement), ++dataDone;
        FrameStretch.items_.insert(at(FrameStretch.items_), frame.Stretch), ++dataDone;
        FrameThumbnails.items_.insert(at(FrameThumbnails.items_), std::move(frame.Thumbnail)), ++dataDone;

        CellPanels.items_.push_back(cell.Panel), ++cellsDone;
        CellHeaderPanels.items_.push_back(cell.HeaderPanel), ++cellsDone;
        CellTimePanels.items_.push_back(cell.TimePanel), ++cellsDone;
        CellImages.items_.push_back(cell.Image), ++cellsDone;
        CellMarkers.items_.push_back(cell.Marker), ++cellsDone;
    } catch (...) {
        const auto data = DataSequences();
        for (int i = 0; i < dataDone; ++i)
            data[std::size_t(i)]->EraseAt(index);
        const auto cells = CellSequences();
        for (int i = 0; i < cellsDone; ++i)
            cells[std::size_t(i)]->EraseAt(cells[std::size_t(i)]->size() - 1);
        DestroyCell(cell.Panel);
        throw;
    }
    CheckLengths();
}

void TFrameList::EraseFrame(std::size_t index)
{
    if (index >= FrameCount())
        throw std::out_of_range("frame index out of range");
    TPanel* lastPanel = CellPanels.items_.back();
    for (TFrameSequenceBase* seq : DataSequences())
        seq->EraseAt(index);
    for (TFrameSequenceBase* seq : CellSequences())
        seq->EraseAt(seq->size() - 1);
    DestroyCell(lastPanel);
}

void TFrameList::SwapFrames(std::size_t first, std::size_t second, bool withTimes)
{
    if (first >= FrameCount() || second >= FrameCount())
        throw std::out_of_range("frame index out of range");
    using std::swap;
    swap(FrameBitmaps.items_[first], FrameBitmaps.items_[second]);
    swap(FrameFiles.items_[first], FrameFiles.items_[second]);
    swap(FrameSubImages.items_[first], FrameSubImages.items_[second]);
    swap(FrameFlips.items_[first], FrameFlips.items_[second]);
    swap(FrameGifOptions.items_[first], FrameGifOptions.items_[second]);
    swap(FramePlacements.items_[first], FramePlacements.items_[second]);
    swap(FrameStretch.items_[first], FrameStretch.items_[second]);
    swap(FrameThumbnails.items_[first], FrameThumbnails.items_[second]);
    if (withTimes)
        swap(FrameTimes.items_[first], FrameTimes.items_[second]);
}

void TFrameList::ClearFrames() noexcept
{
    while (!CellPanels.items_.empty()) {
        DestroyCell(CellPanels.items_.back());
        CellPanels.items_.pop_back();
        FrameBitmaps.items_.pop_back();
        FrameThumbnails.items_.pop_back();
    }
    FrameGifOptions.items_.clear();
    CellImages.items_.clear();
    CellTimePanels.items_.clear();
    CellMarkers.items_.clear();
    CellHeaderPanels.items_.clear();
    FrameFiles.items_.clear();
    FrameTimes.items_.clear();
    FrameFlips.items_.clear();
    FrameSubImages.items_.clear();
    FramePlacements.items_.clear();
    FrameStretch.items_.clear();
}

void TFrameList::CheckLengths() const
{
    const std::size_t n = CellPanels.size();
    const bool same = FrameBitmaps.size() == n && FrameFiles.size() == n && FrameTimes.size() == n &&
                      FrameSubImages.size() == n && FrameFlips.size() == n &&
                      FrameGifOptions.size() == n && FramePlacements.size() == n &&
                      FrameStretch.size() == n && FrameThumbnails.size() == n &&
                      CellHeaderPanels.size() == n && CellTimePanels.size() == n &&
                      CellImages.size() == n && CellMarkers.size() == n;
    if (!same)
        throw std::logic_error("frame sequences differ in length");
}
