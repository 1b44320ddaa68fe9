#pragma once
// The GIF library takes its drawing and conversion settings from process-wide defaults when
// an image is made or a bitmap converted. These two helpers are the only way the program
// changes them.
#include "app/frame_records.h"
#include "gif/gif_types.h"

// Loading a GIF only to take its frames apart must not start the library's painters, so
// animation is off in the default draw options while the scope lives. The options are put
// back as they were when the scope ends, also when the load throws.
class TGifAnimationOff {
public:
    TGifAnimationOff();
    ~TGifAnimationOff();
    TGifAnimationOff(const TGifAnimationOff&) = delete;
    TGifAnimationOff& operator=(const TGifAnimationOff&) = delete;

private:
    bool wasOn_;
};

// A frame's colour options become the library's conversion defaults (dithering, reduction,
// colour bits, compression), so the next image made or bitmap converted uses them. The
// values go in as they are; the library refuses those it does not know when it converts.
void SetGifConversionDefaults(const GIFOPTIONS& options);
