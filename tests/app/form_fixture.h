#pragma once
// A main window built headless: a temporary registry store and the desktop's doubles (a fixed
// 1024 x 768 x 24 screen, which Qt's offscreen screen is sized to as well, scripted boxes and
// dialogs, timers the test fires), on the platform the program starts, so that nothing
// reaches the desktop.
#include <gtest/gtest.h>

#include <QSize>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/createavi.h"
#include "platform/qt/services.h"
#include "support/paths.h"
#include "support/qt/application.h"
#include "support/qt/fake_desktop.h"

// Records the commands whose work lives in other units.
class TTestForm : public TAVIForm {
public:
    using TAVIForm::TAVIForm;
    using TAVIForm::dropEvent;
    std::vector<std::string> ProjectsRead;
    int Saves = 0;
    std::vector<std::vector<std::string>> Drops;
    void WMDropFiles(const std::vector<std::string>& files) override { Drops.push_back(files); }
    void ReadProjectFile(const std::string& fileName) override { ProjectsRead.push_back(fileName); }
    // A save that succeeds: the project is no longer modified.
    void ActionSaveProjectExecute() override
    {
        ++Saves;
        SetProjectModified(false);
    }
};

class TFormTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Use before MakeForm: the screen the window starts on, and the one Qt shows it on.
    void UseScreen(int width, int height, int bits);
    // The settings key as an installer leaves it, with these value lines below it.
    void WriteKey(const std::vector<std::string>& valueLines = {});
    std::string StoreText() const;
    std::filesystem::path StorePath() const { return temp_ / "kelvo" / "registry.ini"; }

    TTestForm& MakeForm(std::vector<std::string> arguments = {});
    // Closes the window the way the close box does; true when it closed.
    bool CloseForm();
    // What a first project leaves behind: the toolbars up, the settings written at the end.
    void PretendProjectOpened();

    // First made, last gone: the window never outlives the doubles it was made with.
    TFakeDesktop desktop_;
    TFakeMessageBoxes& boxes_ = desktop_.MessageBoxes;
    TFakeFileDialogs& dialogs_ = desktop_.FileDialogs;
    kelvo::test::TTempDir temp_;
    std::unique_ptr<TTestForm> form_;
    QSize qtScreenBefore_;
};
