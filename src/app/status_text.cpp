#include "app/status_text.h"

#include <cstdio>
#include <cstdlib>
#include <numeric>

namespace {

// A number the way the user reads it: up to 15 significant digits, no trailing zeros, and
// for huge values an exponent without plus sign or leading zeros ("1E16").
std::string GeneralFloat(double value, const std::string& decimalSeparator)
{
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.15g", value);
    std::string text = buffer;
    const std::size_t e = text.find('e');
    if (e != std::string::npos) {
        const int exponent = std::atoi(text.c_str() + e + 1);
        text = text.substr(0, e) + "E" + std::to_string(exponent);
    }
    const std::size_t point = text.find('.');
    if (point != std::string::npos)
        text.replace(point, 1, decimalSeparator);
    return text;
}

} // namespace

std::int64_t TotalTime(int projectType, int aviFrameTime, const std::vector<WORD>& frameTimes)
{
    if (projectType == 0)
        return std::int64_t(aviFrameTime) * std::int64_t(frameTimes.size());
    return std::accumulate(frameTimes.begin(), frameTimes.end(), std::int64_t(0));
}

std::string TotalTimeText(std::int64_t totalMs, const std::string& decimalSeparator)
{
    if (totalMs < 1000)
        return "Общее время: " + std::to_string(totalMs) + " мсек";
    return "Общее время: " + GeneralFloat(double(totalMs) * 0.001, decimalSeparator) + " сек";
}

std::string FrameCountText(std::size_t frames) { return "Всего кадров: " + std::to_string(frames); }
