#pragma once
// The error exits of the colour code, kept together so that they follow the library's message
// table in one place.
#include "platform/exceptions.h"

namespace kelvo_gif_color {

inline constexpr const char* sInvalidReductionText = "Invalid reduction method";
inline constexpr const char* sInvalidBitSizeText = "Invalid Bits Per Pixel value";
inline constexpr const char* sInvalidBitmapListText = "Invalid bitmap list";
inline constexpr const char* sBadDimensionText = "Invalid image dimensions";
inline constexpr const char* sOutOfMemDIBText = "Failed to allocate memory for GIF DIB";
inline constexpr const char* sInvalidColorText = "Color not in color table";
inline constexpr const char* sProgressOptimizingText = "Optimizing...";

[[noreturn]] void ColorError(const char* message);

} // namespace kelvo_gif_color
