#pragma once
// Where a frame's picture goes inside the project frame, the frame bitmap made from it, and
// its mirroring.
#include "app/frame_list.h"
#include "platform/bitmap.h"

// With fit, the placement becomes defaultPlacement. Without, a Left or Top at or beyond the
// frame becomes 0 and a Width or Height beyond it is cut to the frame, each on its own, so
// Left + Width may still pass the frame's edge.
void FitFrameRect(MYRECT& rect, bool fit, int frameWidth, int frameHeight, const MYRECT& defaultPlacement);

// Sizes frameBitmap to width x height (its pixel format stays) and puts the picture in it:
// stretched whole onto the bitmap's own rectangle, or else its top-left width x height block
// unscaled. frameBitmap must not be picture.
void CopyPictureToFrameBitmap(TBitmap& frameBitmap, const TBitmap& picture, int width, int height, bool stretch);

// A frame's flip mode is absolute, relative to its source picture: 0 as the picture is, 1 left
// and right exchanged, 2 top and bottom exchanged, 3 both.
constexpr bool IsFlipMode(int mode) { return mode >= 0 && mode <= 3; }

// The destination of a copy of width x height pixels that produces the mode; a negative
// extent mirrors that axis. A mode outside 0..3 gives the unmirrored rectangle.
TRect GetFlipRect(int mode, int width, int height);

// Mirrors the bitmap onto itself.
void FlipBitmapInPlace(TBitmap& bitmap, int mode);
