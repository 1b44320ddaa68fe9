#pragma once
// Mirroring frames. A frame is flipped by rebuilding its bitmap from the picture, never by
// mirroring what it shows now. The modes and the mirroring itself: app/frame_geometry.h.
#include "app/frame_geometry.h"
#include "platform/bitmap.h"

// Redraws a frame bitmap from its source picture in the mode, at the frame bitmap's own size.
// A stretched frame is the whole picture scaled to that size; otherwise the picture's pixels
// are copied 1:1 from its top-left corner and frame pixels that no picture pixel reaches
// become white. The result is then mirrored, as the project reader builds a frame.
void RenderFlippedFrame(TBitmap& frame, const TBitmap& picture, int mode, bool stretched);
