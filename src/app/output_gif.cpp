// The animated GIF built last is owned by the window. Freeing it needs the GIF library's
// classes; until the writer that creates it exists, OutputGif is never set, so there is
// nothing to free yet.
#include "app/createavi.h"

void TAVIForm::ClearOutputGifImages()
{
    // The GIF writer's images are cleared and freed here once it creates OutputGif.
}

void TAVIForm::ReleaseOutputGif()
{
    // Deleting needs TGIFImage complete; nothing creates it yet.
    OutputGif = nullptr;
}
