// Help, the about box and the banner; and the fixed places of the control bar's toolbars.
#include "app/createavi.h"

#include <QStatusBar>
#include <QToolBar>

#include "app/dialogs/about.h"
#include "platform/qt/controls.h"

const char* const HelpViewerProgram = "kelvo-help";

std::vector<std::string> HelpViewerArguments(const std::string& helpCommandLine)
{
    // The command line is kept as it always was, a blank and then the help file; the viewer
    // takes the file as one argument, so a program folder with blanks in it is no problem.
    std::string file = helpCommandLine;
    if (!file.empty() && file.front() == ' ')
        file.erase(0, 1);
    if (file.empty())
        return {};
    return {file};
}

void TAVIForm::ItemContentClick()
{
    // A viewer started before stays open on its own; only the newest is ended at close.
    PROCESS_INFORMATION started;
    if (CreateProcessA(ProgramFolder + HelpViewerProgram, HelpViewerArguments(HelpCommandLine), started)) {
        HelpProcess = started;
        HelpExitCode = STILL_ACTIVE;
    } else {
        MessageBox("Справка доступна для ОС, начиная с Win98", "Информация", MB_OK | MB_ICONINFORMATION);
    }
}

void TAVIForm::ItemAboutClick()
{
    TAboutForm about(this);
    ShowModal(about);
}

void TAVIForm::Image1Click(QObject*)
{
    ShellExecuteA(nullptr, "open", (std::string(ProductWebAddress) + "?banner").c_str(), nullptr, nullptr,
                  SW_SHOWDEFAULT);
}

void TAVIForm::ArrangeToolbars()
{
    Panel1->setGeometry(225, 2, 150, 22);
    ToolBar3->setGeometry(11, 2, 134, 22);
    ToolBar4->setGeometry(160, 2, 54, 22);
    ToolBar2->setGeometry(11, 28, 274, 22);
    ToolBarEffect->setGeometry(298, 28, 87, 22);
    ToolBar5->setGeometry(398, 28, 54, 22);
    ToolBar1->setGeometry(465, 28, 86, 22);
    ControlBar1->update();
    StatusBar1->update();
}
