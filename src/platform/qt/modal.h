#pragma once
// Showing a dialog form modally.
//
// ShowModal runs the dialog until it ends and returns its modal result: what the dialog passed
// to done() (accept() is mrOk), and mrCancel when it was rejected (Esc, Cancel, its close box).
// A dialog lives for one command: the caller owns it (a std::unique_ptr, or on the stack) and
// it is never deleted on close, so it is never deleted twice; ShowModal clears
// Qt::WA_DeleteOnClose to keep that promise. The dialog goes through the installed
// TModalDialogs, so a test can set its controls and press its buttons instead of a user.
// Whichever runs it, Enter on a focused button of the dialog presses that button, as the
// platform the forms were drawn for does; elsewhere it presses the default button.
class QDialog;

constexpr int mrNone = 0;
constexpr int mrOk = 1;
constexpr int mrCancel = 2;
constexpr int mrAbort = 3;
constexpr int mrRetry = 4;
constexpr int mrIgnore = 5;
constexpr int mrYes = 6;
constexpr int mrNo = 7;

class TModalDialogs {
public:
    virtual ~TModalDialogs();
    virtual int Run(QDialog& dialog) = 0;
};

TModalDialogs& ModalDialogs();
void SetModalDialogs(TModalDialogs* service); // nullptr restores the Qt event loop's

int ShowModal(QDialog& dialog);

// The rule ShowModal applies, for a dialog that runs some other way (Qt's own file dialog):
// Enter on a focused push or tool button presses that button.
void EnterPressesTheFocusedButton(QDialog& dialog);
