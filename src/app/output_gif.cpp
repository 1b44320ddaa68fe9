// The animated GIF built last belongs to the window until the window goes.
#include "app/createavi.h"

#include "gif/gifimage.h"

void TAVIForm::ClearOutputGifImages()
{
    // The image owns its frames; clearing it frees each of them once.
    if (OutputGif)
        OutputGif->Clear();
}

void TAVIForm::ReleaseOutputGif()
{
    delete OutputGif;
    OutputGif = nullptr;
}
