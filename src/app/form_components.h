#pragma once
// The main window's components: its menus, actions, menu items, toolbars and their buttons,
// the banner, the client area's controls and the file dialogs, all made by the window's
// constructor (app/avi_form.cpp). TAVIForm inherits the struct, so the names stay the
// window's (AVIForm->ActionAdd).
#include <QIcon>
#include <QList>

#include <memory>

#include "platform/qt/file_dialogs.h"

class QAction;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QScrollArea;
class QToolBar;
class QToolButton;
class QWidget;
class TPanel;
class TSplitter;
class TStatusBar;

struct TFormComponents {
    // ---- Menus
    QMenu* File1 = nullptr;    // "Файл"
    QMenu* Edit1 = nullptr;    // "Редактирование"
    QMenu* Effects1 = nullptr; // "Эффекты"
    QMenu* Test1 = nullptr;    // "Тестирование"
    QMenu* Help1 = nullptr;    // "Помощь"
    QMenu* ReopenItem = nullptr; // the recent projects, in File1
    QMenu* ItemFlip = nullptr;   // the flip modes, in Effects1; follows ActionFlip
    QMenu* PopupMenu1 = nullptr; // flip modes, the drop-down of ToolButFlip
    QMenu* PopupMenu3 = nullptr; // run modes, the drop-down of ToolButRun
    QMenu* PopupMenu4 = nullptr; // the preview's: save and copy the frame
    QMenu* PopupMenu5 = nullptr; // the strip's

    // ---- Actions (items and buttons bound to them follow their state)
    QAction* ActionSaveProject = nullptr;
    QAction* ActionSaveAs = nullptr;
    QAction* ActionAdd = nullptr;
    QAction* ActionInsert = nullptr;
    QAction* ActionDelete = nullptr;
    QAction* ActionUp = nullptr;
    QAction* ActionDown = nullptr;
    QAction* ActionDelay = nullptr;
    QAction* ActionColor = nullptr;
    QAction* ActionInsertWav = nullptr;
    QAction* ActionSelAll = nullptr;
    QAction* ActionProperties = nullptr;
    QAction* ActionClone = nullptr;
    QAction* ActionFlip = nullptr;
    QAction* ActionAddText = nullptr;
    QAction* ActionCreate = nullptr;
    QAction* ActionSaveFrame = nullptr;
    QAction* ActionCopy = nullptr;

    // ---- Menu items. Those bound to an action are the action itself.
    QAction* ItemNew = nullptr;
    QAction* ItemOpen = nullptr;
    QAction* ItemSaveProject = nullptr; // ActionSaveProject
    QAction* ItemSaveAs = nullptr;      // ActionSaveAs
    QAction* ItemProjectOptions = nullptr;
    QAction* ItemCreateSave = nullptr; // runs ActionCreate under its own caption
    QAction* ListItem0 = nullptr;
    QAction* ListItem1 = nullptr;
    QAction* ListItem2 = nullptr;
    QAction* ListItem3 = nullptr;
    QAction* ListItem4 = nullptr;
    QAction* ItemExit = nullptr;
    QAction* ItemAdd = nullptr;         // ActionAdd
    QAction* ItemAdd2 = nullptr;        // ActionAdd, in PopupMenu5
    QAction* ItemInsert = nullptr;      // ActionInsert
    QAction* ItemInsert2 = nullptr;
    QAction* ItemDel = nullptr;         // ActionDelete
    QAction* ItemDel2 = nullptr;
    QAction* ItemUp = nullptr;          // ActionUp
    QAction* ItemUp2 = nullptr;
    QAction* ItemDown = nullptr;        // ActionDown
    QAction* ItemDown2 = nullptr;
    QAction* ItemDelay = nullptr;       // ActionDelay
    QAction* ItemDelay2 = nullptr;
    QAction* ItemColor = nullptr;       // ActionColor
    QAction* ItemSelectAll2 = nullptr;  // ActionColor, in PopupMenu5
    QAction* ItemInsertSound = nullptr; // ActionInsertWav
    QAction* ItemSelectAll = nullptr;   // ActionSelAll
    QAction* SelectAll1 = nullptr;      // ActionSelAll, in PopupMenu5
    QAction* ItemClone = nullptr;       // ActionClone
    QAction* ItemAddText = nullptr;     // ActionAddText
    QAction* ItemNormal = nullptr;
    QAction* ItemHorizontal = nullptr;
    QAction* ItemVertical = nullptr;
    QAction* ItemHorizVert = nullptr;
    QAction* ItemNormal2 = nullptr;
    QAction* ItemHorizontal2 = nullptr;
    QAction* ItemVertical2 = nullptr;
    QAction* ItemHorizVert2 = nullptr;
    QAction* ItemRunAVI = nullptr;
    QAction* ItemRunGIF = nullptr;
    QAction* ItemPause = nullptr;
    QAction* ItemStop = nullptr;
    QAction* ItemTestAVI = nullptr;
    QAction* ItemTestGIF = nullptr;
    QAction* ItemContent = nullptr;
    QAction* ItemAbout = nullptr;

    // ---- Toolbars of the control bar, their buttons and the banner
    QWidget* ControlBar1 = nullptr;
    QToolBar* ToolBar1 = nullptr;      // run, pause, stop
    QToolBar* ToolBar2 = nullptr;      // frame editing
    QToolBar* ToolBar3 = nullptr;      // new, open, project options, save, save as
    QToolBar* ToolBar4 = nullptr;      // create the animated file
    QToolBar* ToolBar5 = nullptr;      // save frame, copy frame
    QToolBar* ToolBarEffect = nullptr; // clone, flip, text frames
    QToolButton* ToolButNew = nullptr;
    QToolButton* ToolButOpen = nullptr;
    QToolButton* ToolButProjectOptions = nullptr;
    QToolButton* ToolButSaveProject = nullptr;
    QToolButton* ToolButSaveAs = nullptr;
    QToolButton* ToolButCreateAvi = nullptr;
    QToolButton* ToolButAdd = nullptr;
    QToolButton* ToolButInsert = nullptr;
    QToolButton* ToolButDel = nullptr;
    QToolButton* ToolButUp = nullptr;
    QToolButton* ToolButDown = nullptr;
    QToolButton* ToolButDelay = nullptr;
    QToolButton* ToolButColor = nullptr;
    QToolButton* ToolButton8 = nullptr; // sound
    QToolButton* ToolButton4 = nullptr; // select all
    QToolButton* ToolButProperties = nullptr;
    QToolButton* ToolButClone = nullptr;
    QToolButton* ToolButFlip = nullptr;
    QToolButton* ToolButAddText = nullptr;
    QToolButton* ToolButSave = nullptr;
    QToolButton* ToolButCopy = nullptr;
    QToolButton* ToolButRun = nullptr;
    QToolButton* ToolButPause = nullptr;
    QToolButton* ToolButStop = nullptr;
    TPanel* Panel1 = nullptr; // the banner
    QLabel* Image1 = nullptr; // its picture
    // The pictures of the editing commands, in the order of ToolBar2's buttons: 5 is the
    // frame settings', 6 the colour options'.
    QList<QIcon> ImageListEditTrue;

    // ---- The rest of the window
    QScrollArea* ScrollBox1 = nullptr; // the preview
    TPanel* PanelImage = nullptr;
    QWidget* PaintBox1 = nullptr;
    QScrollArea* ScrollBox2 = nullptr; // the frame strip
    TPanel* PanelBottom = nullptr;     // the message log
    QPlainTextEdit* Memo1 = nullptr;
    TSplitter* Splitter1 = nullptr;
    TStatusBar* StatusBar1 = nullptr;
    std::unique_ptr<TOpenDialog> OpenDialog1;
    std::unique_ptr<TSaveDialog> SaveDialog1; // the output file
    std::unique_ptr<TSaveDialog> SaveDialog2; // the shown frame
    std::unique_ptr<TSaveDialog> SaveDialog3; // the project file
    std::unique_ptr<TOpenDialog> OpenPictureDialog1;
};
