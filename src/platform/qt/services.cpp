#include "platform/qt/services.h"

#include <QApplication>
#include <QMessageBox>
#include <QScreen>

#include <cerrno>
#include <csignal>
#include <sys/types.h>
#include <sys/wait.h>

TMessageBoxes::~TMessageBoxes() = default;
TScreenInfo::~TScreenInfo() = default;
TProcesses::~TProcesses() = default;

namespace {

class TQtMessageBoxes : public TMessageBoxes {
public:
    int Show(const std::string& text, const std::string& caption, UINT flags) override
    {
        QMessageBox box(QApplication::activeWindow());
        box.setWindowTitle(QString::fromStdString(caption));
        box.setText(QString::fromStdString(text));
        switch (flags & MB_ICONMASK) {
        case MB_ICONERROR: box.setIcon(QMessageBox::Critical); break;
        case MB_ICONQUESTION: box.setIcon(QMessageBox::Question); break;
        case MB_ICONWARNING: box.setIcon(QMessageBox::Warning); break;
        case MB_ICONINFORMATION: box.setIcon(QMessageBox::Information); break;
        default: box.setIcon(QMessageBox::NoIcon); break;
        }
        switch (flags & MB_TYPEMASK) {
        case MB_OKCANCEL:
            box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
            box.setEscapeButton(QMessageBox::Cancel);
            break;
        case MB_YESNOCANCEL:
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
            box.setDefaultButton(QMessageBox::Yes);
            box.setEscapeButton(QMessageBox::Cancel);
            break;
        case MB_YESNO:
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
            box.setDefaultButton(QMessageBox::Yes);
            break;
        default:
            box.setStandardButtons(QMessageBox::Ok);
            break;
        }
        switch (box.exec()) {
        case QMessageBox::Yes: return IDYES;
        case QMessageBox::No: return IDNO;
        case QMessageBox::Cancel: return IDCANCEL;
        case QMessageBox::Ok: return IDOK;
        default:
            // Closed through the title bar: whatever Esc would have meant.
            return (flags & MB_TYPEMASK) == MB_YESNO ? IDNO
                 : (flags & MB_TYPEMASK) == MB_OK    ? IDOK
                                                     : IDCANCEL;
        }
    }
};

class TQtScreen : public TScreenInfo {
public:
    int Width() override
    {
        const QScreen* s = QGuiApplication::primaryScreen();
        return s ? s->geometry().width() : 0;
    }
    int Height() override
    {
        const QScreen* s = QGuiApplication::primaryScreen();
        return s ? s->geometry().height() : 0;
    }
    int BitsPerPixel() override
    {
        const QScreen* s = QGuiApplication::primaryScreen();
        return s ? s->depth() : 0;
    }
    int Planes() override { return 1; }
};

// Only our own children can be "opened": their process id stays reserved for us until we
// reap them, so we never signal a stranger who happened to get a recycled id.
class TPosixProcesses : public TProcesses {
public:
    bool QueryExitCode(DWORD processId, DWORD& exitCode) override
    {
        if (processId == 0)
            return false;
        int status = 0;
        const pid_t r = ::waitpid(pid_t(processId), &status, WNOHANG);
        if (r == 0) {
            exitCode = STILL_ACTIVE;
            return true;
        }
        if (r == pid_t(processId)) {
            exitCode = WIFEXITED(status) ? DWORD(WEXITSTATUS(status)) : DWORD(1);
            return true;
        }
        return false;
    }
    bool Terminate(DWORD processId, UINT) override
    {
        if (processId == 0)
            return false;
        int status = 0;
        if (::waitpid(pid_t(processId), &status, WNOHANG) != 0)
            return false; // gone or not ours
        if (::kill(pid_t(processId), SIGTERM) != 0)
            return false;
        ::waitpid(pid_t(processId), &status, 0);
        return true;
    }
};

TQtMessageBoxes qtMessageBoxes;
TMessageBoxes* messageBoxes = &qtMessageBoxes;
TQtScreen qtScreen;
TScreenInfo* screen = &qtScreen;
TPosixProcesses posixProcesses;
TProcesses* processes = &posixProcesses;
std::string applicationTitle;

} // namespace

TMessageBoxes& MessageBoxes() { return *messageBoxes; }
void SetMessageBoxes(TMessageBoxes* service) { messageBoxes = service ? service : &qtMessageBoxes; }

int MessageBox(const std::string& text, const std::string& caption, UINT flags)
{
    return MessageBoxes().Show(text, caption, flags);
}

int TScriptedMessageBoxes::Show(const std::string& text, const std::string& caption, UINT flags)
{
    Asked.push_back({text, caption, flags});
    if (!Answers.empty()) {
        const int answer = Answers.front();
        Answers.pop_front();
        return answer;
    }
    switch (flags & MB_TYPEMASK) {
    case MB_YESNO:
    case MB_YESNOCANCEL: return IDYES;
    default: return IDOK;
    }
}

TScreenInfo& Screen() { return *screen; }
void SetScreen(TScreenInfo* s) { screen = s ? s : &qtScreen; }

TProcesses& Processes() { return *processes; }
void SetProcesses(TProcesses* p) { processes = p ? p : &posixProcesses; }

UINT timeGetDevCaps(TIMECAPS* caps, UINT size)
{
    if (!caps || size < sizeof(TIMECAPS))
        return TIMERR_NOCANDO;
    caps->wPeriodMin = 1;
    caps->wPeriodMax = 1000000;
    return TIMERR_NOERROR;
}

UINT timeKillEvent(UINT) { return MMSYSERR_INVALPARAM; }

const std::string& ApplicationTitle() { return applicationTitle; }
void SetApplicationTitle(const std::string& title) { applicationTitle = title; }

void ShowException(const std::exception& error)
{
    MessageBox(error.what(), ApplicationTitle(), MB_OK | MB_ICONERROR);
}
