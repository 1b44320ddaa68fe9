// The main window's components, all of them, created here and only here under the names
// the rest of the program knows them by, with their captions, shortcuts, hints and the
// state they start in. What they do when used is bound in avi_form_bindings.cpp.
#include "app/createavi.h"

#include <QAction>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <iterator>
#include <tuple>
#include <utility>

#include "app/dialogs/about.h"
#include "platform/qt/controls.h"

const char* const ProductWebAddress = "https://kelvo.example.org/";

namespace {

QToolBar* MakeToolBar(QWidget* parent, const char* name)
{
    auto* bar = new QToolBar(parent);
    bar->setObjectName(name);
    bar->setMovable(false);
    bar->setFloatable(false);
    bar->setIconSize(QSize(16, 16));
    bar->setContentsMargins(0, 0, 0, 0);
    // The bars have fixed places and widths; buttons of the class library's size, packed
    // without gaps, fill them without an overflow arrow.
    bar->setStyleSheet("QToolBar { spacing: 0px; padding: 0px; border: none; }");
    return bar;
}

// A menu item with a caption of its own that runs an action: it is usable exactly when the
// action is.
void Follow(QAction* follower, QAction* action)
{
    auto sync = [follower, action] {
        follower->setEnabled(action->isEnabled());
        follower->setVisible(action->isVisible());
    };
    QObject::connect(action, &QAction::changed, follower, sync);
    QObject::connect(follower, &QAction::triggered, action, [action] { action->trigger(); });
    sync();
}

} // namespace

void TAVIForm::CreateComponents()
{
    setObjectName("AVIForm");
    CreateActions();
    CreateMenus();
    CreateClientArea();
    CreateToolBars();
    BindHandlers();
    ArrangeToolbars();
    // The form layout's size; the settings may change it.
    SetOuterSize(686, 456);
}

QAction* TAVIForm::MakeAction(QAction* TAVIForm::*member, const char* name, const char* caption,
                              const char* shortcut, const char* hint)
{
    auto* action = new QAction(QString::fromUtf8(caption), this);
    action->setObjectName(name);
    if (*shortcut)
        action->setShortcut(QKeySequence(QString::fromUtf8(shortcut)));
    if (*hint)
        action->setToolTip(QString::fromUtf8(hint));
    // Every command starts disabled: they come alive with a project and with frames.
    action->setEnabled(false);
    // An action's shortcut works while the window is active, whether or not a menu or a
    // toolbar that shows it is visible.
    addAction(action);
    this->*member = action;
    actions_[name] = action;
    return action;
}

void TAVIForm::CreateActions()
{
    struct TRow {
        QAction* TAVIForm::*member;
        const char* name;
        const char* caption;
        const char* shortcut;
        const char* hint;
    };
    // ActionColor would share Ctrl+Alt+C with ActionClone; a shared key fires neither, so
    // clone keeps it and the colour options are reached by menu, button and cell icon.
    const TRow rows[] = {
        {&TAVIForm::ActionSaveProject, "ActionSaveProject", "Сохранить проект", "Ctrl+S", ""},
        {&TAVIForm::ActionSaveAs, "ActionSaveAs", "Сохранить как", "", ""},
        {&TAVIForm::ActionAdd, "ActionAdd", "Добавить кадр", "Ctrl+A", ""},
        {&TAVIForm::ActionInsert, "ActionInsert", "Вставить кадр", "Ctrl+I", ""},
        {&TAVIForm::ActionDelete, "ActionDelete", "Уничтожить кадр", "Ctrl+D", ""},
        {&TAVIForm::ActionUp, "ActionUp", "Переместить вверх", "Ctrl+U", ""},
        {&TAVIForm::ActionDown, "ActionDown", "Переместить вниз", "Ctrl+B", ""},
        {&TAVIForm::ActionDelay, "ActionDelay", "Параметры кадра", "Ctrl+T", "Frame options"},
        {&TAVIForm::ActionColor, "ActionColor", "Оптимизация цвета кадра", "", ""},
        {&TAVIForm::ActionInsertWav, "ActionInsertWav", "Добавить звук в AVI", "", "Add sound into AVI file"},
        {&TAVIForm::ActionSelAll, "ActionSelAll", "Выбрать все кадры", "", ""},
        {&TAVIForm::ActionProperties, "ActionProperties", "Информация о кадре", "", ""},
        {&TAVIForm::ActionClone, "ActionClone", "Клонировать кадр", "Ctrl+Alt+C", "Clone frame"},
        {&TAVIForm::ActionFlip, "ActionFlip", "Перевернуть кадр", "", "Flip frame"},
        {&TAVIForm::ActionAddText, "ActionAddText", "Добавить кадры с текстом", "", ""},
        {&TAVIForm::ActionCreate, "ActionCreate", "Создать анимированный файл", "Ctrl+G", ""},
        {&TAVIForm::ActionSaveFrame, "ActionSaveFrame", "Сохранить кадр", "Ctrl+F", ""},
        {&TAVIForm::ActionCopy, "ActionCopy", "Копировать кадр", "Ctrl+C", ""},
    };
    for (const TRow& row : rows)
        MakeAction(row.member, row.name, row.caption, row.shortcut, row.hint);
}

QAction* TAVIForm::MakeItem(QMenu* menu, QAction* TAVIForm::*member, const char* name, const char* caption,
                            const char* shortcut)
{
    QAction* item = menu->addAction(QString::fromUtf8(caption));
    item->setObjectName(name);
    if (*shortcut)
        item->setShortcut(QKeySequence(QString::fromUtf8(shortcut)));
    if (member)
        this->*member = item;
    menuItems_[name] = item;
    return item;
}

void TAVIForm::NameItem(QAction* TAVIForm::*member, const char* name, QAction* action)
{
    this->*member = action;
    menuItems_[name] = action;
}

void TAVIForm::CreateMenus()
{
    auto menu = [this](QWidget* parent, QMenu* TAVIForm::*member, const char* name, const char* title) {
        auto* m = new QMenu(QString::fromUtf8(title), parent);
        m->setObjectName(name);
        this->*member = m;
        menus_[name] = m;
        return m;
    };
    auto submenu = [this, &menu](QMenu* parent, QMenu* TAVIForm::*member, const char* name, const char* title) {
        QMenu* m = menu(parent, member, name, title);
        parent->addMenu(m);
        m->menuAction()->setObjectName(name);
        menuItems_[name] = m->menuAction();
        return m;
    };

    // ---- "Файл"
    menuBar()->addMenu(menu(this, &TAVIForm::File1, "File1", "Файл"));
    MakeItem(File1, &TAVIForm::ItemNew, "ItemNew", "Новый проект", "Ctrl+N");
    MakeItem(File1, &TAVIForm::ItemOpen, "ItemOpen", "Открыть проект", "Ctrl+O");
    File1->addAction(ActionSaveProject);
    NameItem(&TAVIForm::ItemSaveProject, "ItemSaveProject", ActionSaveProject);
    File1->addAction(ActionSaveAs);
    NameItem(&TAVIForm::ItemSaveAs, "ItemSaveAs", ActionSaveAs);
    File1->addSeparator();
    MakeItem(File1, &TAVIForm::ItemProjectOptions, "ItemProjectOptions", "Настройки проекта", "Ctrl+P")
        ->setEnabled(false);
    // The item has a caption of its own; the create command's key stays with the action.
    Follow(MakeItem(File1, &TAVIForm::ItemCreateSave, "ItemCreateSave", "Создать"), ActionCreate);
    File1->addSeparator();
    submenu(File1, &TAVIForm::ReopenItem, "ReopenItem", "Последние проекты");
    QAction* TAVIForm::*listItems[] = {&TAVIForm::ListItem0, &TAVIForm::ListItem1, &TAVIForm::ListItem2,
                                       &TAVIForm::ListItem3, &TAVIForm::ListItem4};
    for (int i = 0; i < 5; ++i) {
        const std::string name = "ListItem" + std::to_string(i);
        QAction* item = MakeItem(ReopenItem, listItems[i], name.c_str(), i == 0 ? "(пусто)" : "");
        // The first one says the list is empty until the list has an entry; the others
        // appear once they have one.
        item->setEnabled(i != 0);
        item->setVisible(i == 0);
    }
    File1->addSeparator();
    MakeItem(File1, &TAVIForm::ItemExit, "ItemExit", "Выход", "Ctrl+X");

    // ---- "Редактирование"
    menuBar()->addMenu(menu(this, &TAVIForm::Edit1, "Edit1", "Редактирование"));
    const std::pair<QAction* TAVIForm::*, const char*> editItems[] = {
        {&TAVIForm::ItemAdd, "ItemAdd"},         {&TAVIForm::ItemInsert, "ItemInsert"},
        {&TAVIForm::ItemDel, "ItemDel"},         {&TAVIForm::ItemUp, "ItemUp"},
        {&TAVIForm::ItemDown, "ItemDown"},       {nullptr, nullptr},
        {&TAVIForm::ItemDelay, "ItemDelay"},     {&TAVIForm::ItemColor, "ItemColor"},
        {&TAVIForm::ItemInsertSound, "ItemInsertSound"}, {nullptr, nullptr},
        {&TAVIForm::ItemSelectAll, "ItemSelectAll"},
    };
    QAction* const editActions[] = {ActionAdd,   ActionInsert, ActionDelete,    ActionUp, ActionDown, nullptr,
                                    ActionDelay, ActionColor,  ActionInsertWav, nullptr,  ActionSelAll};
    for (std::size_t i = 0; i < std::size(editItems); ++i) {
        if (!editActions[i]) {
            Edit1->addSeparator();
            continue;
        }
        Edit1->addAction(editActions[i]);
        NameItem(editItems[i].first, editItems[i].second, editActions[i]);
    }
    Edit1->addAction(ActionProperties);

    // ---- "Эффекты": clone, the flip modes (usable once the flip command has run), text
    menuBar()->addMenu(menu(this, &TAVIForm::Effects1, "Effects1", "Эффекты"));
    Effects1->addAction(ActionClone);
    NameItem(&TAVIForm::ItemClone, "ItemClone", ActionClone);
    submenu(Effects1, &TAVIForm::ItemFlip, "ItemFlip", "Перевернуть кадр");
    ItemFlip->menuAction()->setEnabled(false);
    connect(ActionFlip, &QAction::changed, ItemFlip,
            [this] { ItemFlip->menuAction()->setEnabled(ActionFlip->isEnabled()); });
    // Opening the submenu is running the flip command, as a click on the button's body is.
    connect(ItemFlip, &QMenu::aboutToShow, ActionFlip, &QAction::trigger);
    MakeItem(ItemFlip, &TAVIForm::ItemNormal, "ItemNormal", "Нормально")->setEnabled(false);
    MakeItem(ItemFlip, &TAVIForm::ItemHorizontal, "ItemHorizontal", "Горизонтально")->setEnabled(false);
    MakeItem(ItemFlip, &TAVIForm::ItemVertical, "ItemVertical", "Вертикально")->setEnabled(false);
    MakeItem(ItemFlip, &TAVIForm::ItemHorizVert, "ItemHorizVert", "Гориз/Верт")->setEnabled(false);
    Effects1->addAction(ActionAddText);
    NameItem(&TAVIForm::ItemAddText, "ItemAddText", ActionAddText);

    // ---- "Тестирование": the two run modes follow the run button.
    menuBar()->addMenu(menu(this, &TAVIForm::Test1, "Test1", "Тестирование"));
    MakeItem(Test1, &TAVIForm::ItemRunAVI, "ItemRunAVI", "Запустить как AVI файл", "Ctrl+R");
    MakeItem(Test1, &TAVIForm::ItemRunGIF, "ItemRunGIF", "Запустить как анимированный GIF файл", "Ctrl+M");
    Test1->addSeparator();
    MakeItem(Test1, &TAVIForm::ItemPause, "ItemPause", "Пауза", "Ctrl+W");
    MakeItem(Test1, &TAVIForm::ItemStop, "ItemStop", "Стоп", "Ctrl+H");

    // ---- "Помощь"
    menuBar()->addMenu(menu(this, &TAVIForm::Help1, "Help1", "Помощь"));
    MakeItem(Help1, &TAVIForm::ItemContent, "ItemContent", "Справка", "F1");
    MakeItem(Help1, &TAVIForm::ItemAbout, "ItemAbout", "О программе");

    // ---- Pop-up menus
    menu(this, &TAVIForm::PopupMenu1, "PopupMenu1", "");
    MakeItem(PopupMenu1, &TAVIForm::ItemNormal2, "ItemNormal2", "Нормально");
    MakeItem(PopupMenu1, &TAVIForm::ItemHorizontal2, "ItemHorizontal2", "Горизонтально");
    MakeItem(PopupMenu1, &TAVIForm::ItemVertical2, "ItemVertical2", "Вертикальный");
    MakeItem(PopupMenu1, &TAVIForm::ItemHorizVert2, "ItemHorizVert2", "Гориз/Верт");

    // The run button's drop-down repeats the run items with their keys; the keys act through
    // the menu bar's items, these only show them.
    menu(this, &TAVIForm::PopupMenu3, "PopupMenu3", "");
    MakeItem(PopupMenu3, &TAVIForm::ItemTestAVI, "ItemTestAVI", "Запустить как AVI файл", "Ctrl+R");
    MakeItem(PopupMenu3, &TAVIForm::ItemTestGIF, "ItemTestGIF", "Запустить как анимированный GIF файл", "Ctrl+M");
    for (QAction* item : {ItemTestAVI, ItemTestGIF})
        item->setShortcutContext(Qt::WidgetShortcut);
    for (QAction* item : {ItemRunAVI, ItemRunGIF, ItemTestAVI, ItemTestGIF}) {
        item->setCheckable(true);
        item->setEnabled(false);
    }
    ItemPause->setEnabled(false);
    ItemStop->setEnabled(false);

    menu(this, &TAVIForm::PopupMenu4, "PopupMenu4", "");
    PopupMenu4->addAction(ActionSaveFrame);
    PopupMenu4->addAction(ActionCopy);

    menu(this, &TAVIForm::PopupMenu5, "PopupMenu5", "");
    const std::tuple<QAction* TAVIForm::*, const char*, QAction*> stripItems[] = {
        {&TAVIForm::ItemAdd2, "ItemAdd2", ActionAdd},
        {&TAVIForm::ItemInsert2, "ItemInsert2", ActionInsert},
        {&TAVIForm::ItemDel2, "ItemDel2", ActionDelete},
        {&TAVIForm::ItemUp2, "ItemUp2", ActionUp},
        {&TAVIForm::ItemDown2, "ItemDown2", ActionDown},
        {&TAVIForm::ItemDelay2, "ItemDelay2", ActionDelay},
        {&TAVIForm::ItemSelectAll2, "ItemSelectAll2", ActionColor},
        {&TAVIForm::SelectAll1, "SelectAll1", ActionSelAll},
    };
    for (const auto& [member, name, action] : stripItems) {
        PopupMenu5->addAction(action);
        NameItem(member, name, action);
    }
}

QToolButton* TAVIForm::MakeToolButton(QToolBar* bar, QToolButton* TAVIForm::*member, const char* name,
                                      const QIcon& icon, QAction* action, const char* hint)
{
    auto* button = new QToolButton(bar);
    button->setObjectName(name);
    button->setIcon(icon);
    button->setAutoRaise(true);
    button->setFixedSize(23, 22);
    bar->addWidget(button);
    const bool ownHint = *hint != 0;
    if (ownHint)
        button->setToolTip(QString::fromUtf8(hint));
    if (action) {
        // The button is a view of its action: its state, and its hint unless it has one of
        // its own. (A default action would overwrite the button's own hint.)
        if (action->icon().isNull())
            action->setIcon(icon);
        auto sync = [button, action, ownHint] {
            button->setEnabled(action->isEnabled());
            if (!ownHint)
                button->setToolTip(action->toolTip());
        };
        connect(action, &QAction::changed, button, sync);
        connect(button, &QToolButton::clicked, action, [action] { action->trigger(); });
        sync();
    }
    this->*member = button;
    toolButtons_[name] = button;
    return button;
}

void TAVIForm::CreateToolBars()
{
    QStyle* s = style();
    auto icon = [s](QStyle::StandardPixmap p) { return s->standardIcon(p); };

    ToolBar3 = MakeToolBar(ControlBar1, "ToolBar3");
    MakeToolButton(ToolBar3, &TAVIForm::ToolButNew, "ToolButNew", icon(QStyle::SP_FileIcon), nullptr,
                   "Новый проект");
    MakeToolButton(ToolBar3, &TAVIForm::ToolButOpen, "ToolButOpen", icon(QStyle::SP_DialogOpenButton), nullptr,
                   "Открыть проект");
    MakeToolButton(ToolBar3, &TAVIForm::ToolButProjectOptions, "ToolButProjectOptions",
                   icon(QStyle::SP_FileDialogDetailedView), nullptr, "Настройки проекта")
        ->setEnabled(false);
    MakeToolButton(ToolBar3, &TAVIForm::ToolButSaveProject, "ToolButSaveProject",
                   icon(QStyle::SP_DialogSaveButton), ActionSaveProject);
    MakeToolButton(ToolBar3, &TAVIForm::ToolButSaveAs, "ToolButSaveAs", icon(QStyle::SP_DriveFDIcon),
                   ActionSaveAs);

    ToolBar4 = MakeToolBar(ControlBar1, "ToolBar4");
    MakeToolButton(ToolBar4, &TAVIForm::ToolButCreateAvi, "ToolButCreateAvi", icon(QStyle::SP_MediaSeekForward),
                   ActionCreate)
        ->setFixedWidth(50);

    // The editing pictures double as the strip cells' icons (settings 5, colours 6).
    ImageListEditTrue = {icon(QStyle::SP_FileDialogNewFolder), icon(QStyle::SP_ArrowRight),
                         icon(QStyle::SP_TrashIcon),           icon(QStyle::SP_ArrowUp),
                         icon(QStyle::SP_ArrowDown),           icon(QStyle::SP_FileDialogDetailedView),
                         icon(QStyle::SP_FileDialogContentsView), icon(QStyle::SP_MediaVolume),
                         icon(QStyle::SP_DialogApplyButton),   icon(QStyle::SP_MessageBoxInformation)};
    ToolBar2 = MakeToolBar(ControlBar1, "ToolBar2");
    const QList<QIcon>& e = ImageListEditTrue;
    MakeToolButton(ToolBar2, &TAVIForm::ToolButAdd, "ToolButAdd", e[0], ActionAdd);
    MakeToolButton(ToolBar2, &TAVIForm::ToolButInsert, "ToolButInsert", e[1], ActionInsert);
    MakeToolButton(ToolBar2, &TAVIForm::ToolButDel, "ToolButDel", e[2], ActionDelete, "Удалить кадр");
    MakeToolButton(ToolBar2, &TAVIForm::ToolButUp, "ToolButUp", e[3], ActionUp, "Переместить вверх");
    MakeToolButton(ToolBar2, &TAVIForm::ToolButDown, "ToolButDown", e[4], ActionDown, "Переместить вниз");
    MakeToolButton(ToolBar2, &TAVIForm::ToolButDelay, "ToolButDelay", e[5], ActionDelay, "Настройки кадра");
    MakeToolButton(ToolBar2, &TAVIForm::ToolButColor, "ToolButColor", e[6], ActionColor,
                   "Оптимизировать цвет кадра");
    MakeToolButton(ToolBar2, &TAVIForm::ToolButton8, "ToolButton8", e[7], ActionInsertWav);
    MakeToolButton(ToolBar2, &TAVIForm::ToolButton4, "ToolButton4", e[8], ActionSelAll);
    MakeToolButton(ToolBar2, &TAVIForm::ToolButProperties, "ToolButProperties", e[9], ActionProperties);

    ToolBarEffect = MakeToolBar(ControlBar1, "ToolBarEffect");
    MakeToolButton(ToolBarEffect, &TAVIForm::ToolButClone, "ToolButClone", icon(QStyle::SP_TitleBarNormalButton),
                   ActionClone, "Клонировать кадр");
    MakeToolButton(ToolBarEffect, &TAVIForm::ToolButFlip, "ToolButFlip", icon(QStyle::SP_BrowserReload),
                   ActionFlip, "Перевернуть кадр");
    // The body runs the flip command; the arrow opens the modes.
    ToolButFlip->setMenu(PopupMenu1);
    ToolButFlip->setPopupMode(QToolButton::MenuButtonPopup);
    ToolButFlip->setFixedWidth(36);
    MakeToolButton(ToolBarEffect, &TAVIForm::ToolButAddText, "ToolButAddText",
                   icon(QStyle::SP_FileDialogListView), ActionAddText);

    ToolBar5 = MakeToolBar(ControlBar1, "ToolBar5");
    MakeToolButton(ToolBar5, &TAVIForm::ToolButSave, "ToolButSave", icon(QStyle::SP_DialogSaveButton),
                   ActionSaveFrame);
    MakeToolButton(ToolBar5, &TAVIForm::ToolButCopy, "ToolButCopy", icon(QStyle::SP_FileLinkIcon), ActionCopy);

    ToolBar1 = MakeToolBar(ControlBar1, "ToolBar1");
    MakeToolButton(ToolBar1, &TAVIForm::ToolButRun, "ToolButRun", icon(QStyle::SP_MediaPlay), nullptr,
                   "Запустить как AVI");
    ToolButRun->setMenu(PopupMenu3);
    ToolButRun->setPopupMode(QToolButton::MenuButtonPopup);
    ToolButRun->setFixedWidth(36);
    MakeToolButton(ToolBar1, &TAVIForm::ToolButPause, "ToolButPause", icon(QStyle::SP_MediaPause), nullptr,
                   "Пауза");
    MakeToolButton(ToolBar1, &TAVIForm::ToolButStop, "ToolButStop", icon(QStyle::SP_MediaStop), nullptr, "Стоп");
    for (QToolButton* b : {ToolButRun, ToolButPause, ToolButStop})
        b->setEnabled(false);

    // The banner: a picture that links to the product's page.
    Panel1 = new TPanel(ControlBar1);
    Panel1->setObjectName("Panel1");
    Panel1->SetBevel(bvLowered);
    Panel1->setCursor(Qt::PointingHandCursor);
    Panel1->setToolTip(ProductWebAddress);
    Image1 = new QLabel(Panel1);
    Image1->setObjectName("Image1");
    Image1->setPixmap(BannerPicture(QSize(148, 20)));
    Image1->setScaledContents(true);
    Image1->setCursor(Qt::PointingHandCursor);
    Image1->setToolTip(ProductWebAddress);
    auto* bannerFill = new QHBoxLayout(Panel1);
    bannerFill->setContentsMargins(1, 1, 1, 1);
    bannerFill->addWidget(Image1);

    // Only the file toolbar is there before a project exists.
    for (QWidget* w : std::initializer_list<QWidget*>{ToolBar4, ToolBar2, ToolBarEffect, ToolBar5, ToolBar1, Panel1})
        w->hide();
}

void TAVIForm::CreateClientArea()
{
    // Toolbars on top, the strip at the left, the preview beside it, the message log below.
    auto* central = new QWidget(this);
    auto* column = new QVBoxLayout(central);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    ControlBar1 = new QWidget(central);
    ControlBar1->setObjectName("ControlBar1");
    ControlBar1->setFixedHeight(54);
    column->addWidget(ControlBar1);

    auto* body = new QWidget(central);
    auto* row = new QHBoxLayout(body);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(2);
    column->addWidget(body, 1);

    ScrollBox2 = new QScrollArea(body);
    ScrollBox2->setObjectName("ScrollBox2");
    ScrollBox2->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    ScrollBox2->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    ScrollBox2->setFixedWidth(170 + 8 + ScrollBox2->verticalScrollBar()->sizeHint().width() + 4);
    auto* strip = new QWidget;
    strip->setObjectName("ScrollBox2Content");
    strip->resize(170 + 8, 0);
    ScrollBox2->setWidget(strip);
    ScrollBox2->setWidgetResizable(false);
    row->addWidget(ScrollBox2);

    ScrollBox1 = new QScrollArea(body);
    ScrollBox1->setObjectName("ScrollBox1");
    auto* preview = new QWidget;
    preview->setObjectName("ScrollBox1Content");
    ScrollBox1->setWidget(preview);
    ScrollBox1->setWidgetResizable(true);
    PanelImage = new TPanel(preview);
    PanelImage->setObjectName("PanelImage");
    PanelImage->SetBevel(bvSpace, bvLowered);
    PanelImage->SetColor(clSilver);
    PaintBox1 = new QWidget(PanelImage);
    PaintBox1->setObjectName("PaintBox1");
    auto* fill = new QHBoxLayout(PanelImage);
    fill->setContentsMargins(2, 2, 2, 2);
    fill->addWidget(PaintBox1);
    row->addWidget(ScrollBox1, 1);

    PanelBottom = new TPanel(central);
    PanelBottom->setObjectName("PanelBottom");
    PanelBottom->SetBevel(bvNone);
    PanelBottom->setFixedHeight(90);
    Memo1 = new QPlainTextEdit(PanelBottom);
    Memo1->setObjectName("Memo1");
    Memo1->setReadOnly(true);
    auto* memoFill = new QHBoxLayout(PanelBottom);
    memoFill->setContentsMargins(0, 0, 0, 0);
    memoFill->addWidget(Memo1);
    Splitter1 = new TSplitter(PanelBottom, central);
    Splitter1->setObjectName("Splitter1");
    column->addWidget(Splitter1);
    column->addWidget(PanelBottom);
    PanelBottom->hide();
    Splitter1->hide();

    setCentralWidget(central);

    StatusBar1 = new TStatusBar(this);
    StatusBar1->setObjectName("StatusBar1");
    StatusBar1->AddPanel(200, taLeftJustify, pfElideMiddle); // the project's file name
    StatusBar1->AddPanel(45, taCenter);
    StatusBar1->AddPanel(120);
    StatusBar1->AddPanel(140);
    StatusBar1->AddPanel(120);
    setStatusBar(StatusBar1);

    OpenDialog1 = std::make_unique<TOpenDialog>();
    OpenDialog1->Filter = "Project files (*.mcp)|*.mcp";
    SaveDialog1 = std::make_unique<TSaveDialog>();
    SaveDialog2 = std::make_unique<TSaveDialog>();
    SaveDialog3 = std::make_unique<TSaveDialog>();
    SaveDialog3->DefaultExt = "mcp";
    SaveDialog3->Filter = "Project files (*.mcp)|*.mcp";
    OpenPictureDialog1 = std::make_unique<TOpenDialog>();
    OpenPictureDialog1->Options = {ofHideReadOnly, ofAllowMultiSelect, ofEnableSizing};
    OpenPictureDialog1->Filter =
        "All (*.png;*.gif;*.jpg;*.jpeg;*.bmp;*.ico)|*.png;*.gif;*.jpg;*.jpeg;*.bmp;*.ico|"
        "Portable Network Graphics (*.png)|*.png|GIF Image (*.gif)|*.gif|JPEG Image File (*.jpg)|*.jpg|"
        "JPEG Image File (*.jpeg)|*.jpeg|Bitmaps (*.bmp)|*.bmp|Icons (*.ico)|*.ico";
}
