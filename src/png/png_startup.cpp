#include "png/png_startup.h"

#include <memory>
#include <mutex>

#include "png/pngimage.h"

namespace {

std::mutex startMutex;
int startCount = 0;

} // namespace

void PNGLibraryStartup()
{
    std::lock_guard<std::mutex> lock(startMutex);
    if (startCount++ > 0)
        return;
    ChunkClasses();
    TPicture::RegisterFileFormat("png", "Portable Network Graphics", "TPNGObject",
                                 [] { return std::make_unique<TPNGObject>(); });
}

void PNGLibraryShutdown()
{
    std::lock_guard<std::mutex> lock(startMutex);
    if (startCount == 0 || --startCount > 0)
        return;
    TPicture::UnregisterGraphicClass("TPNGObject");
}
