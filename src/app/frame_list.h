#pragma once
// The project's frames as parallel sequences, one element per frame, indexed by frame number
// from 0. Nine sequences carry the frame's data and move with the frame; five hold the
// controls of the strip cells, which never move: cell i always shows frame i, so inserting or
// erasing a frame adds or removes the last cell and the caller redraws the cells.
//
// Only TFrameList changes the lengths, always of all fourteen sequences at once, so that no
// command can leave them different. Every element access is range-checked.
#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <stdexcept>
#include <string>

#include "app/frame_records.h"
#include "platform/bitmap.h"
#include "platform/types.h"

class QLabel;
class TPanel;
class TShape;

class TFrameSequenceBase {
public:
    virtual ~TFrameSequenceBase() = default;
    virtual std::size_t size() const noexcept = 0;

protected:
    friend class TFrameList;
    virtual void EraseAt(std::size_t index) noexcept = 0;
};

// One of the per-frame sequences: elements can be read and replaced, never added or removed
// except through TFrameList. Indexing past the end raises std::out_of_range.
template <class T>
class TFrameSequence final : public TFrameSequenceBase {
public:
    using value_type = T;

    std::size_t size() const noexcept override { return items_.size(); }
    bool empty() const noexcept { return items_.empty(); }

    T& at(std::size_t index) { return items_.at(index); }
    const T& at(std::size_t index) const { return items_.at(index); }
    T& operator[](std::size_t index) { return items_.at(index); }
    const T& operator[](std::size_t index) const { return items_.at(index); }
    T& back() { return items_.at(items_.size() - 1); }
    const T& back() const { return items_.at(items_.size() - 1); }

    auto begin() { return items_.begin(); }
    auto end() { return items_.end(); }
    auto begin() const { return items_.begin(); }
    auto end() const { return items_.end(); }

private:
    friend class TFrameList;
    void EraseAt(std::size_t index) noexcept override
    {
        items_.erase(items_.begin() + std::ptrdiff_t(index));
    }
    std::deque<T> items_;
};

// Everything one frame carries, built completely before it goes into the list.
struct TFrameData {
    std::unique_ptr<TBitmap> Bitmap;
    std::string File;
    WORD Time = 0;
    int SubImage = 0;
    int Flip = 0;
    GIFOPTIONS GifOptions;
    MYRECT Placement;
    bool Stretch = false;
    std::unique_ptr<TBitmap> Thumbnail;
};

// The controls of one strip cell. Panel owns the others (they are its children).
struct TFrameCell {
    TPanel* Panel = nullptr;
    TPanel* HeaderPanel = nullptr;
    TPanel* TimePanel = nullptr;
    QLabel* Image = nullptr;
    TShape* Marker = nullptr;
};

class TFrameList {
public:
    TFrameList() = default;
    TFrameList(const TFrameList&) = delete;
    TFrameList& operator=(const TFrameList&) = delete;
    virtual ~TFrameList();

    // The frame's data; each frame owns its two bitmaps.
    TFrameSequence<std::unique_ptr<TBitmap>> FrameBitmaps;
    TFrameSequence<std::string> FrameFiles;
    TFrameSequence<WORD> FrameTimes;
    TFrameSequence<int> FrameSubImages;
    TFrameSequence<int> FrameFlips;
    TFrameSequence<GIFOPTIONS> FrameGifOptions;
    TFrameSequence<MYRECT> FramePlacements;
    TFrameSequence<bool> FrameStretch;
    TFrameSequence<std::unique_ptr<TBitmap>> FrameThumbnails;

    // The strip cells, in cell order.
    TFrameSequence<TPanel*> CellPanels;
    TFrameSequence<TPanel*> CellHeaderPanels;
    TFrameSequence<TPanel*> CellTimePanels;
    TFrameSequence<QLabel*> CellImages;
    TFrameSequence<TShape*> CellMarkers;

    std::size_t FrameCount() const noexcept { return CellPanels.size(); }

    // Appends the frame and its cell. The list takes the cell: should the append fail, the
    // list is as before and the cell is destroyed.
    void AppendFrame(TFrameData frame, TFrameCell cell);
    // Puts the frame's data at index (0 .. FrameCount()) and its cell at the end of the strip.
    // An index past the end raises std::out_of_range before anything changes.
    void InsertFrame(std::size_t index, TFrameData frame, TFrameCell cell);
    // Removes the data of frame index and the last cell, freeing the frame's bitmaps and the
    // cell's controls. An index not below the count raises std::out_of_range, changing nothing.
    void EraseFrame(std::size_t index);
    // Exchanges the data of two frames; the times only when withTimes (an AVI project keeps
    // them with their positions). Cells stay where they are.
    void SwapFrames(std::size_t first, std::size_t second, bool withTimes);
    // Removes every frame, last cell first.
    void ClearFrames() noexcept;

private:
    std::array<TFrameSequenceBase*, 9> DataSequences();
    std::array<TFrameSequenceBase*, 5> CellSequences();
    void CheckLengths() const;
};
