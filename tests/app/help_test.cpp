// The help command, the banner, the about command and the toolbars' places.
#include <QAction>
#include <QCoreApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QToolBar>

#include <filesystem>
#include <fstream>
#include <regex>

#include "app/dialogs/about.h"
#include "form_fixture.h"
#include "platform/qt/controls.h"
#include "support/qt/clicks.h"

using Help = TFormTest;

TEST_F(Help, ViewerGetsTheHelpFileAsOneWord)
{
    TTestForm& f = MakeForm();
    f.ProgramFolder = "/opt/my kelvo/";
    f.HelpCommandLine = " " + f.ProgramFolder + "help.chm";
    f.ItemContent->trigger();
    ASSERT_EQ(desktop_.Processes.Started.size(), 1u);
    EXPECT_EQ(desktop_.Processes.Started[0].Program, "/opt/my kelvo/kelvo-help");
    EXPECT_EQ(desktop_.Processes.Started[0].Arguments, std::vector<std::string>{"/opt/my kelvo/help.chm"});
    EXPECT_EQ(f.HelpExitCode, STILL_ACTIVE);
    EXPECT_EQ(f.HelpProcess.dwProcessId, desktop_.Processes.Started[0].ProcessId);

    EXPECT_EQ(HelpViewerArguments(""), std::vector<std::string>{});
    EXPECT_EQ(HelpViewerArguments(" "), std::vector<std::string>{});
}

TEST_F(Help, CloseEndsOnlyTheNewestViewer)
{
    TTestForm& f = MakeForm();
    f.ItemContentClick();
    f.ItemContentClick();
    ASSERT_EQ(desktop_.Processes.Started.size(), 2u);
    const DWORD first = desktop_.Processes.Started[0].ProcessId;
    const DWORD second = desktop_.Processes.Started[1].ProcessId;
    EXPECT_TRUE(CloseForm());
    EXPECT_EQ(desktop_.Processes.Terminated, std::vector<DWORD>{second});
    EXPECT_TRUE(desktop_.Processes.Running(first));
}

TEST_F(Help, ViewerClosedByTheUserIsLeftAlone)
{
    TTestForm& f = MakeForm();
    f.ItemContentClick();
    desktop_.Processes.Exit(f.HelpProcess.dwProcessId, 0);
    EXPECT_TRUE(CloseForm());
    EXPECT_TRUE(desktop_.Processes.Terminated.empty());
    EXPECT_EQ(f.HelpExitCode, 0u);
}

TEST_F(Help, FailedStartSaysSoAndKeepsTheViewerItHad)
{
    TTestForm& f = MakeForm();
    f.ItemContentClick();
    const PROCESS_INFORMATION running = f.HelpProcess;
    desktop_.Processes.FailStarts = true;
    boxes_.Strict = true;
    boxes_.Answers = {IDOK};
    f.ItemContentClick();
    ASSERT_EQ(boxes_.Asked.size(), 1u);
    EXPECT_EQ(boxes_.Asked[0].Text, "Справка доступна для ОС, начиная с Win98");
    EXPECT_EQ(boxes_.Asked[0].Flags & MB_TYPEMASK, MB_OK);
    EXPECT_EQ(boxes_.Asked[0].Flags & MB_ICONMASK, MB_ICONINFORMATION);
    EXPECT_EQ(f.HelpProcess.dwProcessId, running.dwProcessId);
    EXPECT_EQ(f.HelpExitCode, STILL_ACTIVE);
}

TEST_F(Help, BannerClickOpensTheProductPage)
{
    TTestForm& f = MakeForm();
    f.show();
    PretendProjectOpened();
    f.Panel1->show();
    ClickMiddle(f.Image1);
    ASSERT_EQ(desktop_.Shell.Opened.size(), 1u);
    EXPECT_EQ(desktop_.Shell.Opened[0].Verb, "open");
    EXPECT_EQ(desktop_.Shell.Opened[0].Target, std::string(ProductWebAddress) + "?banner");
}

TEST_F(Help, AboutCommandShowsTheAboutBoxModally)
{
    TTestForm& f = MakeForm();
    const QWidget* owner = nullptr;
    desktop_.ModalDialogs.Answer<TAboutForm>([&owner](TAboutForm& about) {
        owner = about.parentWidget();
        about.Button1->click();
    });
    f.ItemAbout->trigger();
    EXPECT_EQ(owner, &f) << "owned by the main window, as every dialog is";
    ASSERT_EQ(desktop_.ModalDialogs.Shown.size(), 1u);
    EXPECT_EQ(desktop_.ModalDialogs.Shown[0].Title, "О программе");
    EXPECT_EQ(desktop_.ModalDialogs.Shown[0].Result, mrOk);
}

TEST_F(Help, ToolbarsGoBackToTheirPlacesOnResize)
{
    TTestForm& f = MakeForm();
    f.show();
    const std::pair<QWidget*, QRect> places[] = {
        {f.Panel1, {225, 2, 150, 22}},       {f.ToolBar3, {11, 2, 134, 22}}, {f.ToolBar4, {160, 2, 54, 22}},
        {f.ToolBar2, {11, 28, 274, 22}},     {f.ToolBarEffect, {298, 28, 87, 22}},
        {f.ToolBar5, {398, 28, 54, 22}},     {f.ToolBar1, {465, 28, 86, 22}},
    };
    for (const auto& [bar, place] : places)
        bar->setGeometry(300, 30, 10, 10);
    f.resize(f.width() + 40, f.height() + 30);
    QCoreApplication::processEvents();
    for (const auto& [bar, place] : places)
        EXPECT_EQ(bar->geometry(), place) << bar->objectName().toStdString();
}

TEST(HelpPages, EveryLinkReachesAPage)
{
    const std::filesystem::path folder = std::filesystem::path(KELVO_SOURCE_DIR) / "resources" / "help";
    ASSERT_TRUE(std::filesystem::is_regular_file(folder / "index.html"));
    const std::regex link("href=\"([^\"#:]+)\"");
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (entry.path().extension() != ".html")
            continue;
        std::ifstream in(entry.path());
        const std::string page((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        for (std::sregex_iterator it(page.begin(), page.end(), link), end; it != end; ++it)
            EXPECT_TRUE(std::filesystem::is_regular_file(folder / (*it)[1].str()))
                << entry.path().filename() << " links to " << (*it)[1];
    }
}

// The insert command puts the pictures before the selected frame (the selected frame moves
// down); its help row must not say otherwise.
TEST(HelpPages, InsertIsDescribedAsTheCommandWorks)
{
    std::ifstream in(std::filesystem::path(KELVO_SOURCE_DIR) / "resources" / "help" / "frames.html");
    const std::string page((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::size_t row = page.find("Вставить кадр");
    ASSERT_NE(row, std::string::npos);
    const std::string text = page.substr(row, page.find("</tr>", row) - row);
    EXPECT_NE(text.find("перед выбранным кадром"), std::string::npos) << text;
    EXPECT_EQ(text.find("после"), std::string::npos) << text;
}
