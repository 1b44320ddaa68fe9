// The file commands on a whole window: a new project, save and save as, the question about
// unsaved changes, and the recent projects.
#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>
#include <QScrollArea>
#include <QToolBar>
#include <QToolButton>

#include "app/dialogs/mainoptions.h"
#include "platform/qt/controls.h"
#include "project_fixture.h"

namespace {

using ProjectCommands = TProjectTest;

std::string Text(const QString& s) { return s.toStdString(); }

TEST_F(ProjectCommands, ANewProjectSetsUpTheWindowForItsType)
{
    TAVIForm& f = Form();
    EXPECT_TRUE(f.ToolBar1->isHidden());
    NewProject(320, 240, 1);
    EXPECT_FALSE(f.ToolBar1->isHidden());
    EXPECT_FALSE(f.ToolBar2->isHidden());
    EXPECT_FALSE(f.Panel1->isHidden());
    EXPECT_EQ(f.PopupMenuOf(f.ScrollBox2), f.PopupMenu5);
    for (QAction* a : {f.ActionAdd, f.ActionSaveAs, f.ActionInsertWav, f.ItemProjectOptions})
        EXPECT_TRUE(a->isEnabled()) << Text(a->objectName());
    EXPECT_TRUE(f.ToolButProjectOptions->isEnabled());
    EXPECT_TRUE(f.ActionSaveProject->isEnabled()) << "a new project counts as modified";
    EXPECT_EQ(f.FrameWidth, 320);
    EXPECT_EQ(f.ProjectType, 1);
    EXPECT_EQ(f.DefaultPlacement, (MYRECT{0, 0, 320, 240}));
    EXPECT_EQ(f.TextFrameWidth, 320);
    EXPECT_EQ(f.TextString, "Kelvo");
    EXPECT_TRUE(f.acceptDrops());
    EXPECT_EQ(Text(f.ActionCreate->text()), "Создать анимированный GIF");
    EXPECT_EQ(Text(f.ToolButRun->toolTip()), "Запустить как GIF");
    EXPECT_TRUE(f.ItemRunGIF->isChecked());
    EXPECT_FALSE(f.ItemTestAVI->isChecked());
    EXPECT_EQ(f.StatusBar1->PanelText(0), "Новый проект");
    EXPECT_EQ(f.StatusBar1->PanelText(1), "GIF");
    EXPECT_EQ(f.StatusBar1->PanelText(2), "Размер: 320 x 240");
    EXPECT_EQ(f.StatusBar1->PanelText(4), "Всего кадров: 0");
    EXPECT_FALSE(f.NewProjectOptions);
    // "Создать анимированный GIF" offers the GIF filter first, as it does after an open.
    EXPECT_EQ(f.SaveDialog1->FilterIndex, 2);
    EXPECT_EQ(f.SaveDialog1->DefaultExt, "gif");
    f.SetProjectModified(false); // no question about the first
    NewProject(320, 240, 0);
    EXPECT_EQ(f.SaveDialog1->FilterIndex, 1);
    EXPECT_EQ(f.SaveDialog1->DefaultExt, "avi");
}

TEST_F(ProjectCommands, CancellingTheOptionsOfANewProjectChangesNothing)
{
    TAVIForm& f = Form();
    desktop_.ModalDialogs.AnswerCancel();
    f.ToolButNewClick();
    EXPECT_TRUE(f.ToolBar1->isHidden());
    EXPECT_FALSE(f.ActionSaveProject->isEnabled());
    EXPECT_FALSE(f.NewProjectOptions);
}

TEST_F(ProjectCommands, SavingANewProjectAsksForANameAndAddsItToTheRecentList)
{
    TAVIForm& f = Form();
    NewProject(200, 100);
    const std::string path = PathOf("first.mcp");
    desktop_.FileDialogs.Choose({path});
    f.ActionSaveProject->trigger();
    ASSERT_EQ(desktop_.FileDialogs.Shown.size(), 1u) << "no save target yet: Save As";
    EXPECT_EQ(desktop_.FileDialogs.Shown[0].Filter, "Project files (*.mcp)|*.mcp");
    EXPECT_NE(ReadText("first.mcp").find("Width=200"), std::string::npos);
    EXPECT_FALSE(f.ActionSaveProject->isEnabled());
    EXPECT_EQ(f.StatusBar1->PanelText(0), "first.mcp");
    EXPECT_EQ(f.RecentFiles.front(), path);
    EXPECT_TRUE(f.ListItem0->isEnabled());

    // Now it has a name: saving writes there without asking.
    f.SetProjectModified(true);
    f.ActionSaveProject->trigger();
    EXPECT_EQ(desktop_.FileDialogs.Shown.size(), 1u);
    EXPECT_FALSE(f.ActionSaveProject->isEnabled());
}

TEST_F(ProjectCommands, TheUnsavedChangesQuestionNeverLosesTheProject)
{
    struct TCase {
        const char* What;
        int Answer;
        bool SaveChosen; // for Yes: the Save As dialog is answered
        bool GoesOn;
    };
    const TCase cases[] = {
        {"Yes, saved", IDYES, true, true},
        {"Yes, Save As cancelled", IDYES, false, false},
        {"No", IDNO, false, true},
        {"Cancel", IDCANCEL, false, false},
        {"Yes, the save fails", IDYES, true, false},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.What);
        form_ = std::make_unique<TAVIForm>();
        TAVIForm& f = Form();
        NewProject(100, 100);
        Add({WriteBmp("a.bmp", 4, 4)});
        ASSERT_EQ(f.FrameCount(), 1u);
        desktop_.MessageBoxes.Answers.push_back(c.Answer);
        const bool fails = std::string(c.What) == "Yes, the save fails";
        if (c.Answer == IDYES) {
            if (fails) {
                desktop_.FileDialogs.Choose({PathOf("no-such-folder/kept.mcp")});
                desktop_.MessageBoxes.Answers.push_back(IDOK); // the error shown
            } else if (c.SaveChosen)
                desktop_.FileDialogs.Choose({PathOf("kept.mcp")});
            else
                desktop_.FileDialogs.Cancel();
        }
        if (c.GoesOn)
            desktop_.ModalDialogs.AnswerOk();
        const std::size_t dialogsBefore = desktop_.ModalDialogs.Shown.size();
        f.ToolButNewClick();
        ASSERT_EQ(desktop_.MessageBoxes.Asked.size(), fails ? 2u : 1u);
        EXPECT_EQ(desktop_.MessageBoxes.Asked[0].Text, "Сохранить изменения в проекте?");
        EXPECT_EQ(desktop_.MessageBoxes.Asked[0].Caption, "Информация");
        EXPECT_EQ(desktop_.ModalDialogs.Shown.size() - dialogsBefore, c.GoesOn ? 1u : 0u);
        EXPECT_EQ(f.FrameCount(), c.GoesOn ? 0u : 1u);
        EXPECT_EQ(f.SelectedFrames.size(), c.GoesOn ? 0u : 1u);
        if (c.SaveChosen && !fails) {
            EXPECT_NE(ReadText("kept.mcp").find("File_1="), std::string::npos);
        }
        desktop_.MessageBoxes.Asked.clear();
    }
}

TEST_F(ProjectCommands, TheRecentMenuShowsOneItemPerStoredEntry)
{
    TAVIForm& f = Form();
    f.RecentFiles = {"/p/a.mcp", "/p/b&c.mcp", "/p/d.mcp", "", ""};
    emit f.ReopenItem->aboutToShow();
    QAction* items[] = {f.ListItem0, f.ListItem1, f.ListItem2, f.ListItem3, f.ListItem4};
    EXPECT_EQ(Text(items[0]->text()), "&1 /p/a.mcp");
    EXPECT_EQ(Text(items[1]->text()), "&2 /p/b&&c.mcp");
    EXPECT_EQ(Text(items[2]->text()), "&3 /p/d.mcp");
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(items[i]->isVisible(), i < 3) << i;
}

TEST_F(ProjectCommands, ARecentItemOpensItsProjectOrSaysItIsGone)
{
    TAVIForm& f = Form();
    NewProject(50, 40);
    const std::string kept = PathOf("kept.mcp");
    desktop_.FileDialogs.Choose({kept});
    f.ActionSaveAsExecute();
    const std::string gone = PathOf("gone.mcp");
    f.RecentFiles = {gone, kept, "", "", ""};
    emit f.ReopenItem->aboutToShow();

    desktop_.MessageBoxes.Answers.push_back(IDOK);
    f.ListItem0->trigger();
    ASSERT_EQ(desktop_.MessageBoxes.Asked.size(), 1u);
    EXPECT_EQ(desktop_.MessageBoxes.Asked[0].Text, "Не найден файл: " + gone);
    EXPECT_EQ(desktop_.MessageBoxes.Asked[0].Caption, "Ошибка");
    EXPECT_EQ(desktop_.MessageBoxes.Asked[0].Flags & MB_ICONMASK, MB_ICONERROR);
    EXPECT_EQ(f.RecentFiles[0], gone) << "the list stays as it was";

    f.FrameWidth = 1;
    f.ListItem1->trigger();
    EXPECT_EQ(f.FrameWidth, 50) << "the project was read";
    EXPECT_EQ(f.RecentFiles[0], kept);
    // It holds no frame: a later save must ask for a name rather than write over it.
    EXPECT_EQ(f.SaveDialog3->FileName, "");
}

TEST_F(ProjectCommands, OpenReadsTheChosenProjectAndCancelChangesNothing)
{
    TAVIForm& f = Form();
    NewProject(60, 30, 1);
    const std::string path = PathOf("p.mcp");
    desktop_.FileDialogs.Choose({path});
    f.ActionSaveAsExecute();
    NewProject(99, 99);
    f.SetProjectModified(false);

    desktop_.FileDialogs.Cancel();
    f.ToolButOpenClick();
    EXPECT_EQ(f.FrameWidth, 99);

    desktop_.FileDialogs.Choose({path});
    f.ToolButOpenClick();
    EXPECT_EQ(f.FrameWidth, 60);
    EXPECT_EQ(f.ProjectType, 1);
    EXPECT_EQ(desktop_.FileDialogs.Shown.back().Filter, "Project files (*.mcp)|*.mcp");
}

} // namespace
