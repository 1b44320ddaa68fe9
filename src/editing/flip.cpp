#include "editing/flip.h"

#include "platform/blit.h"

TRect GetFlipRect(int mode, int width, int height)
{
    switch (mode) {
    case 1: return TRect{width - 1, 0, -1, height};
    case 2: return TRect{0, height - 1, width, -1};
    case 3: return TRect{width - 1, height - 1, -1, -1};
    default: return TRect{0, 0, width, height};
    }
}

void FlipBitmapInPlace(TBitmap& bitmap, int mode)
{
    if (mode == 0 || !IsFlipMode(mode) || bitmap.Empty())
        return;
    const int w = bitmap.Width(), h = bitmap.Height();
    const TRect r = GetFlipRect(mode, w, h);
    StretchBlt(bitmap, r.Left, r.Top, r.Width(), r.Height(), bitmap, 0, 0, w, h, SRCCOPY);
}

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
