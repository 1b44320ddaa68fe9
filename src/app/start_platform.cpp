#include "app/start_platform.h"

#include <QCoreApplication>
#include <QGuiApplication>

#include <stdexcept>

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
