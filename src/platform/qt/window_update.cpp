#include "platform/qt/window_update.h"

#include <QPointer>
#include <QWidget>

namespace {

QPointer<QWidget> lockedWindow;
bool updatesWereEnabled = true;

} // namespace

bool LockWindowUpdate(QWidget* window)
{
    if (!window) {
        if (!lockedWindow)
            return false;
        lockedWindow->setUpdatesEnabled(updatesWereEnabled);
        lockedWindow = nullptr;
        return true;
    }
    if (lockedWindow)
        return false;
    updatesWereEnabled = window->updatesEnabled();
    window->setUpdatesEnabled(false);
    lockedWindow = window;
    return true;
}

QWidget* LockedWindow() { return lockedWindow.data(); }

TWindowUpdateLock::TWindowUpdateLock(QWidget* window) : locked_(window && LockWindowUpdate(window)) {}

TWindowUpdateLock::~TWindowUpdateLock()
{
    if (locked_)
        LockWindowUpdate(nullptr);
}
