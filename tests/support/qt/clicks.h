#pragma once
// A left click the way a user makes it: press and release in the middle of the widget, sent
// straight to it so that no window needs to be shown or hit-tested.
#include <QCoreApplication>
#include <QMouseEvent>
#include <QWidget>

inline void ClickMiddle(QWidget* w)
{
    const QPointF at(w->width() / 2.0, w->height() / 2.0);
    QMouseEvent press(QEvent::MouseButtonPress, at, w->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, at, w->mapToGlobal(at), Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QCoreApplication::sendEvent(w, &press);
    QCoreApplication::sendEvent(w, &release);
}
