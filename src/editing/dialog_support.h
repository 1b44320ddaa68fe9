#pragma once
// What the frame dialogs share: they remember which controls the user has touched in the
// controls' own colours (a control's colour is its edited mark), and they open in the middle
// of the screen.
#include "platform/types.h"

class QWidget;

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
