#pragma once
// Thumbnails of frame pictures, with a bicubic B-spline down-scaler whose single-precision
// rounding points are fixed, so a thumbnail's bytes do not depend on the compiler.
#include <memory>

#include "platform/bitmap.h"

// Fills every pixel of dest from source, scaled by dest's size over source's size with a
// separable cubic B-spline of 4 x 4 taps. Both are 24 bits per pixel (others are converted
// first). Taps are limited to the picture, so sources narrower or lower than 4 pixels work;
// an empty source or destination leaves dest as it is.
void ResampleBicubic(TBitmap& dest, const TBitmap& source);

// A new 24-bit thumbWidth x thumbHeight bitmap, white, holding the picture centred: unscaled
// when it is smaller than the thumbnail in both directions, else scaled down (or through the
// resampler at factor 1) keeping its aspect ratio. A side that scales to 0 leaves it white.
std::unique_ptr<TBitmap> MakeThumbnailBitmap(const TBitmap& picture, int thumbWidth, int thumbHeight);
