#include "support/qt/fake_desktop.h"

struct TFakeDesktop::TInstalled {
    TMessageBoxes* MessageBoxes = &::MessageBoxes();
    TModalDialogs* ModalDialogs = &::ModalDialogs();
    TFileDialogs* FileDialogs = &::FileDialogs();
    TChooseDialogs* ChooseDialogs = &::ChooseDialogs();
    TScreenInfo* Screen = &::Screen();
    TTimers* Timers = &::Timers();
    TSound* Sound = &::Sound();
    TShell* Shell = &::Shell();
    TProcesses* Processes = &::Processes();
    TClipboard* Clipboard = &::Clipboard();
};

TFakeDesktop::TFakeDesktop() : before_(std::make_unique<TInstalled>())
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
    SetClipboard(&Clipboard);
}

TFakeDesktop::~TFakeDesktop()
{
    SetMessageBoxes(before_->MessageBoxes);
    SetModalDialogs(before_->ModalDialogs);
    SetFileDialogs(before_->FileDialogs);
    SetChooseDialogs(before_->ChooseDialogs);
    SetScreen(before_->Screen);
    SetTimers(before_->Timers);
    SetSound(before_->Sound);
    SetShell(before_->Shell);
    SetProcesses(before_->Processes);
    SetClipboard(before_->Clipboard);
}

void TFakeDesktop::SetStrict(bool strict)
{
    MessageBoxes.Strict = strict;
    ModalDialogs.Strict = strict;
    FileDialogs.Strict = strict;
    ChooseDialogs.Strict = strict;
}
