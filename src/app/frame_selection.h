#pragma once
// The selection of the frame strip and the rules that follow from it alone.
#include <cstddef>
#include <deque>
#include <string>

struct TFrameSelection {
    // Frame indices in the order they were selected, without repetitions. The first is the
    // frame the preview falls back to when the selection shrinks.
    std::deque<int> SelectedFrames;
};

// A frame can move up or down only while it is the one selected frame and has a neighbour
// on that side.
struct TUpDownState {
    bool Up = false;
    bool Down = false;
    friend bool operator==(const TUpDownState&, const TUpDownState&) = default;
};
TUpDownState UpDownForSelection(const std::deque<int>& selected, std::size_t frameCount);

// The caption of a dialog that edits the selected frames: "Кадр 3" for one frame, else
// "Кадры: 2, 5, 7" with the frame numbers (from 1) in ascending order.
std::string SelectedFramesCaption(const std::deque<int>& selected);
