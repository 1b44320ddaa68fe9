// The parts of the window's state that can be computed without a window.
#include "app/form_state.h"

#include <algorithm>
#include <vector>

#include "app/frame_selection.h"

void TTextFrameSettings::ResetTextDefaults(int width, int height, const std::string& text)
{
    TextString = text;
    TextBackColor = clWhite;
    TextFrameCount = 5;
    TextFrameTime = 300;
    TextDirection = 0;
    TextFrameTop = 0;
    TextFrameLeft = 0;
    TextTop = 0;
    TextLeft = 0;
    TextFrameWidth = width;
    TextFrameHeight = height;
    TextUseBackPicture = false;
    if (!TextFont)
        TextFont = std::make_unique<TFont>();
    TextFont->Size = 12;
    TextFont->Color = clRed;
    TextFont->Style = TFontStyles{fsBold};
}

TUpDownState UpDownForSelection(const std::deque<int>& selected, std::size_t frameCount)
{
    if (selected.size() != 1)
        return {};
    const long long frame = selected.front();
    return {frame > 0, frame + 1 < static_cast<long long>(frameCount)};
}

std::string SelectedFramesCaption(const std::deque<int>& selected)
{
    if (selected.size() == 1)
        return "Кадр " + std::to_string(selected.front() + 1);
    std::vector<int> sorted(selected.begin(), selected.end());
    std::sort(sorted.begin(), sorted.end());
    std::string caption = "Кадры:";
    for (int frame : sorted) {
        caption += ' ';
        caption += std::to_string(frame + 1);
        caption += ',';
    }
    if (caption.back() == ',')
        caption.pop_back();
    return caption;
}
