#pragma once
// The project as an animated GIF, built into an image of the GIF library. It takes the frames
// as plain data, so it is built and tested without a window; the main window hands over its
// frame list.
#include <vector>

#include "app/frame_records.h"
#include "platform/bitmap.h"
#include "platform/types.h"

class TGIFImage;

struct TGifAnimationFrame {
    const TBitmap* Bitmap = nullptr; // sized to Placement's Width x Height
    WORD Time = 0;                   // ms
    GIFOPTIONS Options;
    MYRECT Placement;
};

struct TGifAnimationOptions {
    bool Optimize = false;   // one optimised global colour map
    bool Crop = false;       // drop what does not change from frame to frame
    bool Merge = false;      // merge transparent areas with the frame before
    bool Interlaced = false;
    int LoopCount = 0;       // 0 loops endlessly
    unsigned Threads = 0;    // frames converted at once; 0 is one per core
};

// Appends one image per frame to gif, each converted with its frame's own colour options
// (which also become the library's conversion defaults and stay so), placed, with the loop
// extension on the first image and one graphic control extension on every image, then
// optimises as asked. Errors of the library pass through; gif then holds what was built so far.
// The frames are reduced and dithered on several threads, but the image is the same byte for
// byte whatever the number of threads.
void BuildGifAnimation(TGIFImage& gif, const std::vector<TGifAnimationFrame>& frames,
                       const TGifAnimationOptions& options);

// Milliseconds to the hundredths of a second a GIF delay counts in, the remainder dropped.
constexpr WORD GifDelayOf(WORD milliseconds) { return WORD(milliseconds / 10); }
