#pragma once
// Mirroring frames. A frame's flip mode is absolute, relative to its source picture: 0 as the
// picture is, 1 left and right exchanged, 2 top and bottom exchanged, 3 both. A frame is
// flipped by rebuilding its bitmap from the picture, never by mirroring what it shows now.
#include "platform/bitmap.h"
#include "platform/types.h"

constexpr bool IsFlipMode(int mode) { return mode >= 0 && mode <= 3; }

// The destination of a copy of width x height pixels that produces the mode; a negative
// extent mirrors that axis. A mode outside 0..3 gives the unmirrored rectangle.
TRect GetFlipRect(int mode, int width, int height);

// Mirrors the bitmap onto itself.
void FlipBitmapInPlace(TBitmap& bitmap, int mode);

// Redraws a frame bitmap from its source picture in the mode, at the frame bitmap's own size.
// A stretched frame is the whole picture scaled to that size; otherwise the picture's pixels
// are copied 1:1 from its top-left corner and frame pixels that no picture pixel reaches
// become white. The result is then mirrored, as the project reader builds a frame.
void RenderFlippedFrame(TBitmap& frame, const TBitmap& picture, int mode, bool stretched);
