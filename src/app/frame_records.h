#pragma once
// The two small records every part of the program passes around by value: a frame's GIF
// colour options and where its picture lies inside the project frame.
#include <cstdint>

#include "platform/types.h"

// The GIF colour options of one frame. The numeric fields hold values of the GIF library's
// dither, reduction, compression and disposal enumerations.
struct GIFOPTIONS {
    std::int8_t ColorDither = 0;
    std::int8_t ColorReduction = 0;
    std::int32_t ReductionBit = 0;
    std::int8_t GIFCompression = 0;
    std::int8_t DisposalMethod = 0;
    TColor TransparentColor = 0;
    std::uint8_t TransparentColorIndex = 0;
    bool GIFTransparent = false;
    friend bool operator==(const GIFOPTIONS&, const GIFOPTIONS&) = default;
};

// Where a frame's picture lies inside the project frame, in pixels.
struct MYRECT {
    std::int32_t Left = 0;
    std::int32_t Top = 0;
    std::int32_t Width = 0;
    std::int32_t Height = 0;
    friend bool operator==(const MYRECT&, const MYRECT&) = default;
};
