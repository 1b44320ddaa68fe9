#include "app/start_platform.h"

#include <QCoreApplication>
#include <QGuiApplication>

#include <stdexcept>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include "gif/gifimage.h"
#include "platform/bitmap.h"
#include "platform/qt/gif_scheduler.h"
#include "platform/qt/qt_bridge.h"
#include "platform/qt/screen.h"
#include "platform/qt/translation.h"
#include "png/png_startup.h"

void StartPlatform()
{
    static bool started = false;
    if (started)
        return;
    // Text, clipboard and screen all ask the GUI application; without one they would quietly
    // do nothing for the rest of the run.
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        throw std::logic_error("StartPlatform needs the GUI application object");
    started = true;
#if defined(__GLIBC__)
    // Frames are rebuilt one after another from pictures of megabytes each. The C library
    // gives the free memory at the top of its heap back to the system as soon as it passes
    // a few such pictures, and every page of the next one is then faulted in anew, which
    // costs more than the work on it (a thousand frames of 1920 x 1080 flipped in 46 s
    // instead of 6). Up to 64 MiB of freed memory stays for the next picture; blocks up to
    // 32 MiB come from the heap, as far as the library's own adjustment would take them.
    mallopt(M_MMAP_THRESHOLD, 32 << 20);
    mallopt(M_TRIM_THRESHOLD, 64 << 20);
#endif
    // The program speaks Russian only; without the translation installed Qt's own texts
    // stay English and the program runs all the same.
    InstallQtTranslation();
    InstallQtTextRenderer();
    InstallQtClipboard();
    InstallQtGIFScheduler();
    // The GIF library takes its palette and dithering defaults from the screen's depth when it
    // registers, so the depth must be known first.
    SetScreenBitsPerPixel(Screen().BitsPerPixel() * Screen().Planes());
    GIFLibraryStartup();
    PNGLibraryStartup();
}
