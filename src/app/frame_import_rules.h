#pragma once
// How a frame made from one image of a GIF file is timed and how many colour bits it aims
// at: pure rules, apart from the window.
#include "platform/types.h"

// The time of a frame from a GIF image. An AVI project gives every frame its own frame time;
// a GIF project the image's delay (hundredths of a second; hasDelay false when the image
// carries none), which a frame time cannot hold above 65535 ms. Zero becomes gifFrameTime.
WORD GifImageFrameTime(int projectType, int aviFrameTime, WORD gifFrameTime, bool hasDelay, int delay);

// The colour bits a frame aims at: the image's own depth from 3 bits up, else the whole
// file's depth brought into 3..8.
int GifImageReductionBits(int imageBits, int fileBits);
