#pragma once
// Every service of the desktop replaced by its double for the life of one object: the
// constructor installs them all, the destructor puts back what was installed before (the
// real services, unless desktops nest). A test (or a fixture) holds one and scripts or reads
// the doubles through its members.
#include <memory>

#include "platform/clipboard.h"
#include "support/qt/fake_dialogs.h"
#include "support/qt/fake_system.h"

class TFakeDesktop {
public:
    TFakeDesktop();
    ~TFakeDesktop();
    TFakeDesktop(const TFakeDesktop&) = delete;
    TFakeDesktop& operator=(const TFakeDesktop&) = delete;

    // Strict: a message box, dialog, file dialog or chooser that the test did not script
    // fails the test.
    void SetStrict(bool strict);

    TFakeMessageBoxes MessageBoxes;
    TFakeModalDialogs ModalDialogs;
    TFakeFileDialogs FileDialogs;
    TFakeChooseDialogs ChooseDialogs;
    TFixedScreen Screen{1024, 768, 24};
    TFakeTimers Timers;
    TFakeSound Sound;
    TFakeShell Shell;
    TFakeProcesses Processes;
    TMemoryClipboard Clipboard;

private:
    struct TInstalled;
    std::unique_ptr<TInstalled> before_;
};
