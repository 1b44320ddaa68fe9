#include "editing/flip.h"

#include "platform/blit.h"

void RenderFlippedFrame(TBitmap& frame, const TBitmap& picture, int mode, bool stretched)
{
    const int w = frame.Width(), h = frame.Height();
    if (frame.Empty())
        return;
    if (stretched && !picture.Empty()) {
        StretchBlt(frame, 0, 0, w, h, picture, 0, 0, picture.Width(), picture.Height(), SRCCOPY);
    } else {
        BitBlt(frame, 0, 0, w, h, frame, 0, 0, WHITENESS);
        BitBlt(frame, 0, 0, w, h, picture, 0, 0, SRCCOPY);
    }
    FlipBitmapInPlace(frame, mode);
}
