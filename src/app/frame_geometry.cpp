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

void CopyPictureToFrameBitmap(TBitmap& frameBitmap, const TBitmap& picture, int width, int height, bool stretch)
{
    frameBitmap.SetSize(width, height);
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
