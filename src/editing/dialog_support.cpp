#include "editing/dialog_support.h"

#include <QPalette>
#include <QVariant>
#include <QWidget>

#include <algorithm>

#include "platform/colors.h"
#include "platform/qt/qt_bridge.h"
#include "platform/qt/services.h"

namespace {
constexpr char ColorProperty[] = "kelvoControlColor";
}

void SetControlColor(QWidget& control, TColor color)
{
    control.setProperty(ColorProperty, QVariant::fromValue(quint32(color)));
    const QColor shown = ColorToQColor(color);
    QPalette pal = control.palette();
    // Fields paint their inside with Base, drop-down lists and buttons with Button, group
    // boxes and check boxes their background with Window.
    for (auto role : {QPalette::Base, QPalette::Button, QPalette::Window})
        pal.setColor(role, shown);
    control.setPalette(pal);
    control.setAutoFillBackground(true);
}

TColor ControlColor(const QWidget& control)
{
    const QVariant v = control.property(ColorProperty);
    return v.isValid() ? TColor(v.value<quint32>()) : clWindow;
}

void CentreOnScreen(QWidget& dialog)
{
    const QSize size = dialog.frameGeometry().size().expandedTo(dialog.size());
    dialog.move(std::max(0, (Screen().Width() - size.width()) / 2),
                std::max(0, (Screen().Height() - size.height()) / 2));
}
