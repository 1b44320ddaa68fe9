// Drawing the picture. Rendering frames to bitmaps and the animation painters live with the
// bitmap conversion code; until an image has been rendered there is nothing to put on a
// canvas.
#include "gif/gif_image.h"

void TGIFImage::Draw(TCanvas&, const TRect&) const
{
}
