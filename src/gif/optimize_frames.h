#pragma once
// What the optimisation steps ask of a frame; shared by the colour-table and the frame steps.
#include "gif/gif_subimage.h"

bool IsTransparentFrame(const TGIFSubImage& frame);
// Null unless the frame's buffer is whole.
BYTE* FramePixels(TGIFSubImage& frame);
bool FrameHolds(TGIFSubImage& frame, BYTE index);
