#include "app/frame_geometry.h"

#include "platform/blit.h"
#include "platform/canvas.h"

void FitFrameRect(MYRECT& rect, bool fit, int frameWidth, int frameHeight, const MYRECT& defaultPlacement)
{
    if (fit) {
        rect = defaultPlacement;
        return;
    }
    if (rect.Left >= frameWidth)
        rect.Left = 0;
    if (rect.Top >= frameHeight)
        rect.Top = 0;
    if (rect.Width > frameWidth)
        rect.Width = frameWidth;
    if (rect.Height > frameHeight)
        rect.Height = frameHeight;
}

namespace {

void CopyOnto(TBitmap& frameBitmap, const TBitmap& picture, int width, int height, bool stretch)
{
    if (stretch) {
        // The bitmap's own rectangle rather than the project frame's: a placement smaller than
        // the frame must still hold the whole picture.
        TCanvas& canvas = frameBitmap.Canvas();
        const TCopyMode mode = canvas.CopyMode;
        canvas.CopyMode = cmSrcCopy;
        canvas.CopyRect(TRect{0, 0, width, height}, picture.Canvas(),
                        TRect{0, 0, picture.Width(), picture.Height()});
        canvas.CopyMode = mode;
        return;
    }
    BitBlt(frameBitmap, 0, 0, width, height, picture, 0, 0, SRCCOPY);
}

} // namespace

void CopyPictureToFrameBitmap(TBitmap& frameBitmap, const TBitmap& picture, int width, int height, bool stretch)
{
    // A copy that covers the whole bitmap (the picture stretched over it, or at least as large)
    // writes every pixel, so the bitmap is not made white first.
    const bool covers = !picture.Empty() && (stretch || (picture.Width() >= width && picture.Height() >= height));
    if (!covers) {
        frameBitmap.SetSize(width, height);
        CopyOnto(frameBitmap, picture, width, height, stretch);
        return;
    }
    const bool resized = frameBitmap.Width() != width || frameBitmap.Height() != height;
    frameBitmap.SetSizeForOverwrite(width, height);
    try {
        CopyOnto(frameBitmap, picture, width, height, stretch);
    } catch (...) {
        // A copy fails before it writes; the bitmap is left as it would have been: new
        // area white.
        if (resized) {
            frameBitmap.Clear();
            frameBitmap.SetSize(width, height);
        }
        throw;
    }
}

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
