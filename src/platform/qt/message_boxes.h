#pragma once
// Message boxes and the application's exception display.
//
// MessageBox shows a modal box with the caption exactly as given (the window title carries
// nothing else) and returns the button pressed. The box goes through the installed
// TMessageBoxes, so a test can answer it; SetMessageBoxes(nullptr) puts the Qt one back.
// Nothing in this header needs Qt.
#include <exception>
#include <string>

#include "platform/types.h"

constexpr UINT MB_OK = 0x00;
constexpr UINT MB_OKCANCEL = 0x01;
constexpr UINT MB_YESNOCANCEL = 0x03;
constexpr UINT MB_YESNO = 0x04;
constexpr UINT MB_ICONERROR = 0x10;
constexpr UINT MB_ICONQUESTION = 0x20;
constexpr UINT MB_ICONWARNING = 0x30;
constexpr UINT MB_ICONINFORMATION = 0x40;
constexpr UINT MB_TYPEMASK = 0x0F;
constexpr UINT MB_ICONMASK = 0xF0;

constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

class TMessageBoxes {
public:
    virtual ~TMessageBoxes();
    // Modal; returns the button pressed (IDOK, IDCANCEL, IDYES, IDNO). Closing the box
    // through its title bar answers what Esc would: Cancel, No for Yes/No, OK for OK.
    virtual int Show(const std::string& text, const std::string& caption, UINT flags) = 0;
};

TMessageBoxes& MessageBoxes();
void SetMessageBoxes(TMessageBoxes* service);

// What the program calls: the application's message box.
int MessageBox(const std::string& text, const std::string& caption, UINT flags);

// The class library's plain message dialog: the text, the application title as caption, OK.
void ShowMessage(const std::string& text);

// The application title: the caption of the exception display and of ShowMessage.
const std::string& ApplicationTitle();
void SetApplicationTitle(const std::string& title);

// The application's exception display: the message in an error box titled with the
// application title.
void ShowException(const std::exception& error);
