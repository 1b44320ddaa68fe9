#pragma once
// The services of the desktop that block or reach outside the process, each behind a small
// interface: the real one talks to Qt or the system, the test doubles below let headless
// tests answer a message box, pick the screen the window starts on, or watch a process end.
// Nothing in this header needs Qt.
#include <deque>
#include <string>
#include <vector>

#include "platform/types.h"

// ---- Message boxes -------------------------------------------------------------------------

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
    // Modal; returns the button pressed (IDOK, IDCANCEL, IDYES, IDNO).
    virtual int Show(const std::string& text, const std::string& caption, UINT flags) = 0;
};

// The installed service; the Qt one unless a test put its own in (nullptr restores it).
TMessageBoxes& MessageBoxes();
void SetMessageBoxes(TMessageBoxes* service);

// What the program calls: the application's message box.
int MessageBox(const std::string& text, const std::string& caption, UINT flags);

// Answers from a script and remembers every question. With the script used up it answers
// the first button of the box (OK or Yes), as Enter would.
class TScriptedMessageBoxes : public TMessageBoxes {
public:
    struct TQuestion {
        std::string Text;
        std::string Caption;
        UINT Flags = 0;
    };
    std::deque<int> Answers;
    std::vector<TQuestion> Asked;

    int Show(const std::string& text, const std::string& caption, UINT flags) override;
};

// ---- The screen ----------------------------------------------------------------------------

class TScreenInfo {
public:
    virtual ~TScreenInfo();
    // The primary screen, in pixels.
    virtual int Width() = 0;
    virtual int Height() = 0;
    virtual int BitsPerPixel() = 0;
    virtual int Planes() = 0;
};

TScreenInfo& Screen();
void SetScreen(TScreenInfo* screen); // nullptr restores the real screen

class TFixedScreen : public TScreenInfo {
public:
    TFixedScreen(int width, int height, int bitsPerPixel, int planes = 1)
        : width_(width), height_(height), bits_(bitsPerPixel), planes_(planes) {}
    int Width() override { return width_; }
    int Height() override { return height_; }
    int BitsPerPixel() override { return bits_; }
    int Planes() override { return planes_; }

private:
    int width_, height_, bits_, planes_;
};

// ---- Processes -----------------------------------------------------------------------------

struct PROCESS_INFORMATION {
    void* hProcess = nullptr;
    void* hThread = nullptr;
    DWORD dwProcessId = 0;
    DWORD dwThreadId = 0;
};

constexpr DWORD STILL_ACTIVE = 259;

class TProcesses {
public:
    virtual ~TProcesses();
    // False when the process cannot be opened (never started, not ours, already gone);
    // else its exit code, STILL_ACTIVE while it runs.
    virtual bool QueryExitCode(DWORD processId, DWORD& exitCode) = 0;
    virtual bool Terminate(DWORD processId, UINT exitCode) = 0;
};

TProcesses& Processes();
void SetProcesses(TProcesses* processes); // nullptr restores the real one

// ---- Multimedia timer ----------------------------------------------------------------------

struct TIMECAPS {
    UINT wPeriodMin = 0;
    UINT wPeriodMax = 0;
};
constexpr UINT TIMERR_NOERROR = 0;
constexpr UINT TIMERR_NOCANDO = 97;
constexpr UINT MMSYSERR_INVALPARAM = 11;

// Our timers are precise Qt timers: millisecond resolution.
UINT timeGetDevCaps(TIMECAPS* caps, UINT size);
// No timer can be armed yet (the preview will arm them); killing an unknown id fails.
UINT timeKillEvent(UINT timerId);

// ---- The application -----------------------------------------------------------------------

// The application title: the caption of the exception display.
const std::string& ApplicationTitle();
void SetApplicationTitle(const std::string& title);

// The application's exception display: the message in an error box titled with the
// application title.
void ShowException(const std::exception& error);
