#include "support/qt/offscreen_screen.h"

#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonObject>
#include <QScreen>
#include <qpa/qplatformnativeinterface.h>
#include <qpa/qwindowsysteminterface.h>

namespace {

// The offscreen platform takes its screens from a configuration (a JSON object, as in its
// configfile= option) that its native interface also reads and replaces while it runs; a
// screen of the same name is resized in place, with the events a real screen change gives.
using TGetConfiguration = QJsonObject (*)(QPlatformNativeInterface*);
using TSetConfiguration = void (*)(const QJsonObject&, QPlatformNativeInterface*);

bool IsOffscreen()
{
    return QGuiApplication::platformName().compare(QStringLiteral("offscreen"), Qt::CaseInsensitive) == 0;
}

} // namespace

bool SetOffscreenScreenSize(QSize size)
{
    if (!IsOffscreen())
        return false;
    QPlatformNativeInterface* native = QGuiApplication::platformNativeInterface();
    const auto get = reinterpret_cast<TGetConfiguration>(native->nativeResourceForIntegration("configuration"));
    const auto set = reinterpret_cast<TSetConfiguration>(native->nativeResourceForIntegration("setConfiguration"));
    if (!get || !set)
        return false;
    QJsonObject configuration = get(native);
    QJsonArray screens = configuration.value(QStringLiteral("screens")).toArray();
    if (screens.isEmpty())
        return false;
    QJsonObject first = screens.at(0).toObject();
    first.insert(QStringLiteral("width"), size.width());
    first.insert(QStringLiteral("height"), size.height());
    screens.replace(0, first);
    configuration.insert(QStringLiteral("screens"), screens);
    set(configuration, native);
    // The platform reports the change as a window-system event, handled in its turn.
    QWindowSystemInterface::flushWindowSystemEvents();
    return QGuiApplication::primaryScreen()->geometry().size() == size;
}

QSize OffscreenScreenSize()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->geometry().size() : QSize();
}
