#include "app/dialogs/dialog_support.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QCheckBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>
#include <QVariant>
#include <QWidget>

#include <algorithm>
#include <utility>

#include "platform/colors.h"
#include "platform/qt/qt_bridge.h"
#include "platform/qt/services.h"

const char* const ShowAlwaysText = "Показывать всегда";
const char* const DefaultsHint = "Вернуть установки по умолчанию";
const char* const SaveText = "Сохранить";
const char* const CancelText = "Отменить";

TNumberFieldKeys::TNumberFieldKeys(QAbstractSpinBox* field, QPushButton* defaultButton,
                                   QPushButton* cancelButton, std::function<void(char& key)> keyPress)
    : QObject(field), field_(field), default_(defaultButton), cancel_(cancelButton), keyPress_(std::move(keyPress))
{
    // The key goes to the field or to the line edit inside it, depending on who holds focus.
    field->installEventFilter(this);
    if (auto* edit = field->findChild<QLineEdit*>())
        edit->installEventFilter(this);
}

bool TNumberFieldKeys::eventFilter(QObject*, QEvent* event)
{
    if (event->type() != QEvent::KeyPress)
        return false;
    const int qtKey = static_cast<QKeyEvent*>(event)->key();
    char key = 0;
    if (qtKey == Qt::Key_Return || qtKey == Qt::Key_Enter)
        key = KeyEnter;
    else if (qtKey == Qt::Key_Escape)
        key = KeyEscape;
    else
        return false;
    const char pressed = key;
    if (keyPress_)
        keyPress_(key);
    if (pressed == KeyEnter) {
        field_->interpretText();
        if (default_ && default_->isEnabled())
            default_->click();
    } else if (cancel_ && cancel_->isEnabled()) {
        cancel_->click();
    }
    // Neither key ever reaches the field.
    return true;
}

void ShowingErrors(const std::function<void()>& handler)
{
    try {
        handler();
    } catch (const std::exception& error) {
        ShowException(error);
    }
}

QPushButton* MakeDialogButton(QWidget* parent, const char* name, const QString& text)
{
    auto* button = new QPushButton(text, parent);
    button->setObjectName(name);
    return button;
}

QCheckBox* MakeCheckBox(QWidget* parent, const char* name, const QString& text)
{
    auto* box = new QCheckBox(text, parent);
    box->setObjectName(name);
    return box;
}

QToolButton* MakeSpeedButton(QWidget* parent, const char* name, const QString& hint, int glyph)
{
    auto* button = new QToolButton(parent);
    button->setObjectName(name);
    button->setToolTip(hint);
    button->setIcon(parent->style()->standardIcon(QStyle::StandardPixmap(glyph)));
    button->setAutoRaise(true);
    button->setFixedSize(26, 26);
    return button;
}

QRect PlacePreview(int clientWidth, int clientHeight, int width, int height)
{
    const auto place = [](int client, int size, int& at, int& length) {
        if (client - size >= 2) {
            at = (client - size) / 2;
            length = size;
        } else {
            at = 2;
            length = std::max(0, client - 4);
        }
    };
    int left = 0, top = 0, w = 0, h = 0;
    place(clientWidth, width, left, w);
    place(clientHeight, height, top, h);
    return QRect(left, top, w, h);
}

void FocusOnEnterOrEscape(char& key, QWidget* onEnter, QWidget* onEscape)
{
    if (key == KeyEnter) {
        key = 0;
        onEnter->setFocus();
    } else if (key == KeyEscape) {
        key = 0;
        onEscape->setFocus();
    }
}

void OnClickShowingErrors(QAbstractButton* button, QObject* form, std::function<void()> handler)
{
    QObject::connect(button, &QAbstractButton::clicked, form,
                     [handler = std::move(handler)] { ShowingErrors(handler); });
}

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
