#include "platform/qt/cursors.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPixmap>

#include <map>

namespace {

std::map<int, QCursor>& CursorTable()
{
    static std::map<int, QCursor> table;
    return table;
}

// A cross hair with an open centre, black on a white outline so that it shows on any frame.
QCursor DrawCrossHair()
{
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    const auto stroke = [&p](const QColor& color, int width) {
        p.setPen(QPen(color, width, Qt::SolidLine, Qt::FlatCap));
        p.drawLine(16, 3, 16, 12);
        p.drawLine(16, 20, 16, 29);
        p.drawLine(3, 16, 12, 16);
        p.drawLine(20, 16, 29, 16);
        p.drawRect(14, 14, 4, 4);
    };
    stroke(Qt::white, 3);
    stroke(Qt::black, 1);
    p.end();
    return QCursor(pixmap, 16, 16);
}

} // namespace

QCursor LoadCursorResource(int id)
{
    if (id == 1009)
        return DrawCrossHair();
    return QCursor(Qt::ArrowCursor);
}

void SetScreenCursor(int slot, const QCursor& cursor) { CursorTable()[slot] = cursor; }

QCursor ScreenCursor(int slot)
{
    const auto it = CursorTable().find(slot);
    return it == CursorTable().end() ? QCursor(Qt::ArrowCursor) : it->second;
}

bool HasScreenCursor(int slot) { return CursorTable().count(slot) != 0; }

TWaitCursor::TWaitCursor() : shown_(qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr)
{
    if (shown_)
        QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
}

TWaitCursor::~TWaitCursor()
{
    if (shown_ && QCoreApplication::instance())
        QGuiApplication::restoreOverrideCursor();
}
