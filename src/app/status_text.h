#pragma once
// The totals of the status bar as text, from the project alone.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/types.h"

// Milliseconds the whole animation lasts: an AVI project shows every frame for its frame
// time, any other project each frame for its own time. 64 bits, so that no project overflows.
std::int64_t TotalTime(int projectType, int aviFrameTime, const std::vector<WORD>& frameTimes);

// "Общее время: 900 мсек" below a second, else the seconds in the shortest form with the
// given decimal separator: "Общее время: 1,5 сек".
std::string TotalTimeText(std::int64_t totalMs, const std::string& decimalSeparator);

// "Всего кадров: 3"
std::string FrameCountText(std::size_t frames);
