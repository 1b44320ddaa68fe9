#include "support/qt/fake_desktop.h"

TFakeDesktop::TFakeDesktop()
{
    SetMessageBoxes(&MessageBoxes);
    SetModalDialogs(&ModalDialogs);
    SetFileDialogs(&FileDialogs);
    SetChooseDialogs(&ChooseDialogs);
    SetScreen(&Screen);
    SetTimers(&Timers);
    SetSound(&Sound);
    SetShell(&Shell);
    SetProcesses(&Processes);
}

TFakeDesktop::~TFakeDesktop()
{
    SetMessageBoxes(nullptr);
    SetModalDialogs(nullptr);
    SetFileDialogs(nullptr);
    SetChooseDialogs(nullptr);
    SetScreen(nullptr);
    SetTimers(nullptr);
    SetSound(nullptr);
    SetShell(nullptr);
    SetProcesses(nullptr);
}

void TFakeDesktop::SetStrict(bool strict)
{
    MessageBoxes.Strict = strict;
    ModalDialogs.Strict = strict;
    FileDialogs.Strict = strict;
    ChooseDialogs.Strict = strict;
}
