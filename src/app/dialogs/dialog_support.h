#pragma once
// What every dialog shares: the way its number fields treat Enter and Esc, the display of what
// its handlers throw, the buttons and texts the dialogs have in common, the placement of a
// before/after preview, and for the frame dialogs the touched controls' colours (a control's
// colour is its edited mark) and opening in the middle of the screen.
#include <QObject>
#include <QRect>
#include <QString>

#include <functional>

#include "platform/types.h"

class QAbstractButton;
class QAbstractSpinBox;
class QCheckBox;
class QPushButton;
class QToolButton;
class QWidget;

// Enter and Esc in a number field. The form's key handler sees the key first and may swallow
// it (set it to 0) and move the focus; what the dialog then does is what a dialog does with
// those keys anywhere: Enter presses the default button, Esc the cancel button. The typed
// text is taken into the field's value before that, so that OK stores what is shown.
class TNumberFieldKeys : public QObject {
    Q_OBJECT
public:
    // keyPress gets '\r' for Enter and 0x1B for Esc.
    TNumberFieldKeys(QAbstractSpinBox* field, QPushButton* defaultButton, QPushButton* cancelButton,
                     std::function<void(char& key)> keyPress);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QAbstractSpinBox* field_;
    QPushButton* default_;
    QPushButton* cancel_;
    std::function<void(char& key)> keyPress_;
};

constexpr char KeyEnter = '\r';
constexpr char KeyEscape = 0x1B;

// The usual key handler of a number field: the field never sees Enter or Esc, which move the
// focus to onEnter or onEscape (the dialog then presses its default or cancel button).
void FocusOnEnterOrEscape(char& key, QWidget* onEnter, QWidget* onEscape);

// Runs an event handler of a dialog; what it throws goes to the application's exception
// display and the dialog stays as it is.
void ShowingErrors(const std::function<void()>& handler);
// Runs handler the way ShowingErrors does whenever button is clicked while form lives.
void OnClickShowingErrors(QAbstractButton* button, QObject* form, std::function<void()> handler);

QPushButton* MakeDialogButton(QWidget* parent, const char* name, const QString& text);
QCheckBox* MakeCheckBox(QWidget* parent, const char* name, const QString& text);
// A flat glyph button with a hint; glyph is a QStyle::StandardPixmap.
QToolButton* MakeSpeedButton(QWidget* parent, const char* name, const QString& hint, int glyph);

// "Показывать всегда", the defaults button's hint, the OK and cancel buttons' texts.
extern const char* const ShowAlwaysText;
extern const char* const DefaultsHint;
extern const char* const SaveText;
extern const char* const CancelText;

// Where a before/after picture of width x height goes in a panel whose client area is
// clientWidth x clientHeight: centred in each direction where the area is at least 2 pixels
// larger, else from 2 and cut to the area less 4.
QRect PlacePreview(int clientWidth, int clientHeight, int width, int height);

// Number fields and combo boxes: white once touched, light grey while not.
constexpr TColor TouchedFieldColor = RGB(255, 255, 255);
constexpr TColor UntouchedFieldColor = RGB(230, 230, 230);

// Paints the control in the colour and keeps the colour with it, so that reading it back
// gives exactly what was set (system colours included).
void SetControlColor(QWidget& control, TColor color);
// The colour last set; a control never given one answers its layout colour, clWindow.
TColor ControlColor(const QWidget& control);

// Places the dialog in the middle of the screen the program runs on.
void CentreOnScreen(QWidget& dialog);
