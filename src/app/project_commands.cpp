// The file commands: a new project, open, save, save as and the recent projects; and the
// window updates a new and an opened project share.
#include "app/createavi.h"

#include <QAction>
#include <QMenu>
#include <QPalette>
#include <QPlainTextEdit>
#include <QScrollArea>
#include <QToolBar>
#include <QToolButton>

#include <exception>

#include "app/dialogs/mainoptions.h"
#include "app/project_format.h"
#include "app/recent_list.h"
#include "platform/qt/controls.h"

bool TAVIForm::QuerySaveChanges()
{
    if (!ActionSaveProject->isEnabled())
        return true;
    switch (MessageBox("Сохранить изменения в проекте?", "Информация", MB_YESNOCANCEL)) {
    case IDYES:
        try {
            ActionSaveProjectExecute();
        } catch (const std::exception& error) {
            ShowException(error);
            return false;
        }
        // A save that was cancelled or failed leaves the project modified; going on would
        // lose it.
        return !ActionSaveProject->isEnabled();
    case IDNO:
        return true;
    default:
        return false;
    }
}

void TAVIForm::FirstProjectSetup()
{
    ArrangeToolbars();
    for (QWidget* w : std::initializer_list<QWidget*>{ToolBar2, ToolBar4, ToolBar5, ToolBarEffect, Panel1, ToolBar1})
        w->show();
    SetPopupMenu(ScrollBox2, PopupMenu5);
    for (QAction* action : {ActionAdd, ActionAddText, ActionSaveAs, ActionInsertWav})
        action->setEnabled(true);
    ToolButProjectOptions->setEnabled(true);
    ItemProjectOptions->setEnabled(ToolButProjectOptions->isEnabled());
}

void TAVIForm::ShowProjectType(bool withOutputDialog)
{
    const auto display = ProjectTypeDisplay(ProjectType);
    if (!display)
        return;
    ToolButRun->setToolTip(QString::fromUtf8(display->RunHint));
    ActionCreate->setText(QString::fromUtf8(display->CreateCaption));
    ActionCreate->setToolTip(QString::fromUtf8(display->CreateCaption));
    ShowRunItemMarks();
    StatusBar1->SetPanelText(1, display->StatusText);
    if (withOutputDialog) {
        SaveDialog1->FilterIndex = display->OutputFilterIndex;
        SaveDialog1->DefaultExt = display->OutputDefaultExt;
    }
}

void TAVIForm::ShowRunItemMarks()
{
    const auto display = ProjectTypeDisplay(ProjectType);
    if (!display)
        return;
    ItemTestAVI->setChecked(display->AviItemsChecked);
    ItemRunAVI->setChecked(display->AviItemsChecked);
    ItemTestGIF->setChecked(!display->AviItemsChecked);
    ItemRunGIF->setChecked(!display->AviItemsChecked);
}

void TAVIForm::LogLine(const std::string& line) { Memo1->appendPlainText(QString::fromStdString(line)); }

void TAVIForm::ShowFrameSize()
{
    StatusBar1->SetPanelText(2, "Размер: " + std::to_string(FrameWidth) + " x " + std::to_string(FrameHeight));
}

void TAVIForm::AddRecentFile(const std::string& fileName)
{
    ListItem0->setEnabled(true);
    InsertRecentFile(RecentFiles, fileName);
}

void TAVIForm::PrepareProjectStrip()
{
    ScrollBox2->setEnabled(true);
    QWidget* content = ScrollBox2->widget();
    QPalette palette = content->palette();
    palette.setColor(QPalette::Window, Qt::white);
    content->setPalette(palette);
    content->setAutoFillBackground(true);
}

void TAVIForm::ToolButNewClick()
{
    if (!QuerySaveChanges())
        return;
    NewProjectOptions = true;
    struct TResetFlag {
        bool& Flag;
        ~TResetFlag() { Flag = false; }
    } resetFlag{NewProjectOptions};
    TOptionsForm dialog(*this, *this, *this, this);
    if (ShowModal(dialog) != mrOk)
        return;

    if (ToolBar1->isHidden())
        FirstProjectSetup();
    ClearAllFrames();
    CenterPreview();
    PanelImage->show();
    DefaultPlacement.Width = FrameWidth;
    DefaultPlacement.Height = FrameHeight;
    setAcceptDrops(true);
    Memo1->clear();
    ShowLogPanel();
    OptionsChanged = false;
    TWindowUpdateLock lock(ScrollBox2);
    SaveDialog3->FileName.clear();
    PrepareProjectStrip();
    SetStripRange();
    ScrollStripTo(0);
    ResetTextDefaults(FrameWidth, FrameHeight, "Kelvo");
    UpdateFrameActions(false);
    ActionUp->setEnabled(false);
    ActionDown->setEnabled(false);
    SetProjectModified(true);
    // The output dialog follows the type here too, as after an open or an options change: a new
    // GIF project's "Создать анимированный GIF" would otherwise come up on the AVI filter.
    ShowProjectType(true);
    UpdateStatusTotals();
    StatusBar1->SetPanelText(0, "Новый проект");
    ShowFrameSize();
}

void TAVIForm::ToolButOpenClick()
{
    if (!QuerySaveChanges())
        return;
    if (OpenDialog1->Execute())
        ReadProjectFile(OpenDialog1->FileName);
}

void TAVIForm::ActionSaveProjectExecute()
{
    if (!SaveDialog3->FileName.empty())
        WriteProjectFile(SaveDialog3->FileName);
    else
        ActionSaveAsExecute();
}

void TAVIForm::ActionSaveAsExecute()
{
    if (!SaveDialog3->Execute())
        return;
    WriteProjectFile(SaveDialog3->FileName);
    AddRecentFile(SaveDialog3->FileName);
}

void TAVIForm::ReopenItemClick()
{
    const std::vector<std::string> captions = RecentMenuCaptions(RecentFiles);
    QAction* const items[] = {ListItem0, ListItem1, ListItem2, ListItem3, ListItem4};
    for (std::size_t i = 0; i < captions.size(); ++i) {
        items[i]->setVisible(true);
        items[i]->setText(QString::fromStdString(captions[i]));
    }
}

void TAVIForm::ListItem0Click(QObject* sender)
{
    QAction* const items[] = {ListItem0, ListItem1, ListItem2, ListItem3, ListItem4};
    std::size_t entry = 0;
    while (entry < std::size(items) && items[entry] != sender)
        ++entry;
    if (entry >= std::size(items) || entry >= RecentFiles.size() || RecentFiles[entry].empty())
        return;
    // A copy: reading the project changes the list.
    const std::string path = RecentFiles[entry];
    if (ProjectFileExists(path)) {
        if (QuerySaveChanges())
            ReadProjectFile(path);
    } else {
        MessageBox("Не найден файл: " + path, "Ошибка", MB_OK | MB_ICONERROR);
    }
}
