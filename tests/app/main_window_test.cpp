// The main window's components as the rest of the program finds them: by name, with their
// captions, keys, hints and starting state, and tied to the actions they stand for.
#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>
#include <QLabel>
#include <QMenuBar>
#include <QScrollArea>
#include <QToolBar>
#include <QToolButton>

#include <map>
#include <set>

#include "form_fixture.h"
#include "platform/qt/controls.h"

namespace {

std::string Text(const QString& s) { return s.toStdString(); }

// How often an action ran.
struct TRuns {
    explicit TRuns(QAction* action)
        : connection(QObject::connect(action, &QAction::triggered, [this] { ++count; })) {}
    ~TRuns() { QObject::disconnect(connection); }
    QMetaObject::Connection connection;
    int count = 0;
};

using MainWindow = TFormTest;

TEST_F(MainWindow, EveryActionIsFoundByNameWithItsCaptionKeyAndHintAndStartsDisabled)
{
    TAVIForm& f = MakeForm();
    struct TRow {
        const char* name;
        const char* caption;
        const char* shortcut;
        const char* hint; // "" when the action has none: its tool tip is then the caption
    };
    const TRow rows[] = {
        {"ActionSaveProject", "Сохранить проект", "Ctrl+S", ""},
        {"ActionSaveAs", "Сохранить как", "", ""},
        {"ActionAdd", "Добавить кадр", "Ctrl+A", ""},
        {"ActionInsert", "Вставить кадр", "Ctrl+I", ""},
        {"ActionDelete", "Уничтожить кадр", "Ctrl+D", ""},
        {"ActionUp", "Переместить вверх", "Ctrl+U", ""},
        {"ActionDown", "Переместить вниз", "Ctrl+B", ""},
        {"ActionDelay", "Параметры кадра", "Ctrl+T", "Frame options"},
        // Ctrl+Alt+C stays with ActionClone.
        {"ActionColor", "Оптимизация цвета кадра", "", ""},
        {"ActionInsertWav", "Добавить звук в AVI", "", "Add sound into AVI file"},
        {"ActionSelAll", "Выбрать все кадры", "", ""},
        {"ActionProperties", "Информация о кадре", "", ""},
        {"ActionClone", "Клонировать кадр", "Ctrl+Alt+C", "Clone frame"},
        {"ActionFlip", "Перевернуть кадр", "", "Flip frame"},
        {"ActionAddText", "Добавить кадры с текстом", "", ""},
        {"ActionCreate", "Создать анимированный файл", "Ctrl+G", ""},
        {"ActionSaveFrame", "Сохранить кадр", "Ctrl+F", ""},
        {"ActionCopy", "Копировать кадр", "Ctrl+C", ""},
    };
    std::set<std::string> named;
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.name);
        QAction* action = f.FindAction(row.name);
        ASSERT_NE(action, nullptr);
        named.insert(row.name);
        EXPECT_EQ(Text(action->objectName()), row.name);
        EXPECT_EQ(Text(action->text()), row.caption);
        EXPECT_EQ(action->shortcut(), QKeySequence(QString::fromUtf8(row.shortcut)));
        EXPECT_EQ(Text(action->toolTip()), *row.hint ? row.hint : row.caption);
        EXPECT_FALSE(action->isEnabled());
    }
    const std::vector<std::string> all = f.ActionNames();
    EXPECT_EQ(std::set<std::string>(all.begin(), all.end()), named) << "no action beyond the table";
    EXPECT_EQ(f.FindAction("ActionNothing"), nullptr);
    EXPECT_EQ(f.FindAction("ItemNew"), nullptr) << "menu items are not actions";
    EXPECT_EQ(f.FindAction("ActionClone"), f.ActionClone);
}

TEST_F(MainWindow, MenusHoldTheirItemsWithCaptionsKeysAndStartingState)
{
    TAVIForm& f = MakeForm();
    // The menu bar, in order.
    std::vector<std::string> bar;
    for (QAction* a : f.menuBar()->actions())
        bar.push_back(Text(a->text()));
    EXPECT_EQ(bar, (std::vector<std::string>{"Файл", "Редактирование", "Эффекты", "Тестирование", "Помощь"}));
    EXPECT_EQ(f.FindMenu("File1"), f.File1);
    EXPECT_EQ(f.FindMenu("Edit1"), f.Edit1);
    EXPECT_EQ(f.FindMenu("Effects1"), f.Effects1);
    EXPECT_EQ(f.FindMenu("Help1"), f.Help1);

    struct TRow {
        const char* name;
        QMenu* menu;
        const char* caption; // of an item of its own; "" for an item that is an action
        const char* shortcut;
        const char* action; // the action the item is, or ""
        bool enabled;
        bool visible;
    };
    const TRow rows[] = {
        {"ItemNew", f.File1, "Новый проект", "Ctrl+N", "", true, true},
        {"ItemOpen", f.File1, "Открыть проект", "Ctrl+O", "", true, true},
        {"ItemSaveProject", f.File1, "", "", "ActionSaveProject", false, true},
        {"ItemSaveAs", f.File1, "", "", "ActionSaveAs", false, true},
        {"ItemProjectOptions", f.File1, "Настройки проекта", "Ctrl+P", "", false, true},
        {"ItemCreateSave", f.File1, "Создать", "", "", false, true},
        {"ReopenItem", f.File1, "Последние проекты", "", "", true, true},
        {"ListItem0", f.ReopenItem, "(пусто)", "", "", false, true},
        {"ListItem1", f.ReopenItem, "", "", "", false, false},
        {"ListItem4", f.ReopenItem, "", "", "", false, false},
        {"ItemExit", f.File1, "Выход", "Ctrl+X", "", true, true},
        {"ItemAdd", f.Edit1, "", "", "ActionAdd", false, true},
        {"ItemInsert", f.Edit1, "", "", "ActionInsert", false, true},
        {"ItemDel", f.Edit1, "", "", "ActionDelete", false, true},
        {"ItemUp", f.Edit1, "", "", "ActionUp", false, true},
        {"ItemDown", f.Edit1, "", "", "ActionDown", false, true},
        {"ItemDelay", f.Edit1, "", "", "ActionDelay", false, true},
        {"ItemColor", f.Edit1, "", "", "ActionColor", false, true},
        {"ItemInsertSound", f.Edit1, "", "", "ActionInsertWav", false, true},
        {"ItemSelectAll", f.Edit1, "", "", "ActionSelAll", false, true},
        {"ItemClone", f.Effects1, "", "", "ActionClone", false, true},
        {"ItemFlip", f.Effects1, "Перевернуть кадр", "", "", false, true},
        {"ItemNormal", f.ItemFlip, "Нормально", "", "", false, true},
        {"ItemHorizontal", f.ItemFlip, "Горизонтально", "", "", false, true},
        {"ItemVertical", f.ItemFlip, "Вертикально", "", "", false, true},
        {"ItemHorizVert", f.ItemFlip, "Гориз/Верт", "", "", false, true},
        {"ItemAddText", f.Effects1, "", "", "ActionAddText", false, true},
        {"ItemRunAVI", f.Test1, "Запустить как AVI файл", "Ctrl+R", "", false, true},
        {"ItemRunGIF", f.Test1, "Запустить как анимированный GIF файл", "Ctrl+M", "", false, true},
        {"ItemPause", f.Test1, "Пауза", "Ctrl+W", "", false, true},
        {"ItemStop", f.Test1, "Стоп", "Ctrl+H", "", false, true},
        {"ItemContent", f.Help1, "Справка", "F1", "", true, true},
        {"ItemAbout", f.Help1, "О программе", "", "", true, true},
        {"ItemNormal2", f.PopupMenu1, "Нормально", "", "", true, true},
        {"ItemHorizontal2", f.PopupMenu1, "Горизонтально", "", "", true, true},
        {"ItemVertical2", f.PopupMenu1, "Вертикальный", "", "", true, true},
        {"ItemHorizVert2", f.PopupMenu1, "Гориз/Верт", "", "", true, true},
        {"ItemTestAVI", f.PopupMenu3, "Запустить как AVI файл", "Ctrl+R", "", false, true},
        {"ItemTestGIF", f.PopupMenu3, "Запустить как анимированный GIF файл", "Ctrl+M", "", false, true},
        {"ItemAdd2", f.PopupMenu5, "", "", "ActionAdd", false, true},
        {"ItemInsert2", f.PopupMenu5, "", "", "ActionInsert", false, true},
        {"ItemDel2", f.PopupMenu5, "", "", "ActionDelete", false, true},
        {"ItemUp2", f.PopupMenu5, "", "", "ActionUp", false, true},
        {"ItemDown2", f.PopupMenu5, "", "", "ActionDown", false, true},
        {"ItemDelay2", f.PopupMenu5, "", "", "ActionDelay", false, true},
        {"ItemSelectAll2", f.PopupMenu5, "", "", "ActionColor", false, true},
        {"SelectAll1", f.PopupMenu5, "", "", "ActionSelAll", false, true},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.name);
        QAction* item = f.FindMenuItem(row.name);
        ASSERT_NE(item, nullptr);
        ASSERT_NE(row.menu, nullptr);
        EXPECT_TRUE(row.menu->actions().contains(item)) << "in its menu";
        if (*row.action) {
            EXPECT_EQ(item, f.FindAction(row.action));
        } else {
            EXPECT_EQ(Text(item->text()), row.caption);
            EXPECT_EQ(item->shortcut(), QKeySequence(QString::fromUtf8(row.shortcut)));
        }
        EXPECT_EQ(item->isVisible(), row.visible);
        if (row.visible) { // a hidden item cannot be chosen, whatever it will be when shown
            EXPECT_EQ(item->isEnabled(), row.enabled);
        }
    }
    for (QAction* run : {f.ItemRunAVI, f.ItemRunGIF, f.ItemTestAVI, f.ItemTestGIF})
        EXPECT_TRUE(run->isCheckable()) << Text(run->objectName());
    // The preview's menu saves and copies the frame.
    EXPECT_EQ(f.PopupMenu4->actions(), (QList<QAction*>{f.ActionSaveFrame, f.ActionCopy}));
}

TEST_F(MainWindow, ToolButtonsSitOnTheirToolbarsWithTheirHintsAndState)
{
    TAVIForm& f = MakeForm();
    struct TRow {
        const char* name;
        QToolBar* bar;
        const char* hint; // "" when the button shows its action's
        QAction* action;
    };
    const TRow rows[] = {
        {"ToolButNew", f.ToolBar3, "Новый проект", nullptr},
        {"ToolButOpen", f.ToolBar3, "Открыть проект", nullptr},
        {"ToolButProjectOptions", f.ToolBar3, "Настройки проекта", nullptr},
        {"ToolButSaveProject", f.ToolBar3, "", f.ActionSaveProject},
        {"ToolButSaveAs", f.ToolBar3, "", f.ActionSaveAs},
        {"ToolButCreateAvi", f.ToolBar4, "", f.ActionCreate},
        {"ToolButAdd", f.ToolBar2, "", f.ActionAdd},
        {"ToolButInsert", f.ToolBar2, "", f.ActionInsert},
        {"ToolButDel", f.ToolBar2, "Удалить кадр", f.ActionDelete},
        {"ToolButUp", f.ToolBar2, "Переместить вверх", f.ActionUp},
        {"ToolButDown", f.ToolBar2, "Переместить вниз", f.ActionDown},
        {"ToolButDelay", f.ToolBar2, "Настройки кадра", f.ActionDelay},
        {"ToolButColor", f.ToolBar2, "Оптимизировать цвет кадра", f.ActionColor},
        {"ToolButton8", f.ToolBar2, "", f.ActionInsertWav},
        {"ToolButton4", f.ToolBar2, "", f.ActionSelAll},
        {"ToolButProperties", f.ToolBar2, "", f.ActionProperties},
        {"ToolButClone", f.ToolBarEffect, "Клонировать кадр", f.ActionClone},
        {"ToolButFlip", f.ToolBarEffect, "Перевернуть кадр", f.ActionFlip},
        {"ToolButAddText", f.ToolBarEffect, "", f.ActionAddText},
        {"ToolButSave", f.ToolBar5, "", f.ActionSaveFrame},
        {"ToolButCopy", f.ToolBar5, "", f.ActionCopy},
        {"ToolButRun", f.ToolBar1, "Запустить как AVI", nullptr},
        {"ToolButPause", f.ToolBar1, "Пауза", nullptr},
        {"ToolButStop", f.ToolBar1, "Стоп", nullptr},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.name);
        QToolButton* button = f.FindToolButton(row.name);
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(button->parentWidget(), row.bar);
        EXPECT_EQ(Text(button->toolTip()), *row.hint ? std::string(row.hint) : Text(row.action->toolTip()));
        // Before a project only the new and open buttons can be used.
        EXPECT_EQ(button->isEnabled(), row.name == std::string("ToolButNew") || row.name == std::string("ToolButOpen"));
    }
    EXPECT_EQ(f.ToolButFlip->menu(), f.PopupMenu1);
    EXPECT_EQ(f.ToolButRun->menu(), f.PopupMenu3);
    EXPECT_EQ(f.ImageListEditTrue.size(), 10);
    EXPECT_EQ(Text(f.Panel1->toolTip()), ProductWebAddress);
    EXPECT_FALSE(f.Image1->toolTip().isEmpty());
}

TEST_F(MainWindow, ButtonsAndItemsFollowTheirActionAndRunIt)
{
    TAVIForm& f = MakeForm();
    TRuns deletes(f.ActionDelete);
    f.ToolButDel->click();
    EXPECT_EQ(deletes.count, 0) << "a disabled command does not run";

    f.ActionDelete->setEnabled(true);
    EXPECT_TRUE(f.ToolButDel->isEnabled());
    EXPECT_EQ(Text(f.ToolButDel->toolTip()), "Удалить кадр") << "its own hint survives the change";
    f.ToolButDel->click();
    EXPECT_EQ(deletes.count, 1);

    // A hint that follows the action follows its changes (the project type renames it).
    f.ActionCreate->setEnabled(true);
    f.ActionCreate->setToolTip("Создать AVI");
    EXPECT_EQ(Text(f.ToolButCreateAvi->toolTip()), "Создать AVI");
    EXPECT_TRUE(f.ItemCreateSave->isEnabled());
    EXPECT_EQ(Text(f.ItemCreateSave->text()), "Создать");
    TRuns creates(f.ActionCreate);
    f.ItemCreateSave->trigger();
    EXPECT_EQ(creates.count, 1);

    // The flip submenu can be opened while the flip command can run; opening it runs it.
    EXPECT_FALSE(f.ItemFlip->menuAction()->isEnabled());
    f.ActionFlip->setEnabled(true);
    EXPECT_TRUE(f.ItemFlip->menuAction()->isEnabled());
    TRuns flips(f.ActionFlip);
    emit f.ItemFlip->aboutToShow();
    EXPECT_EQ(flips.count, 1);
}

TEST_F(MainWindow, BoundHandlersRunFromTheirComponents)
{
    TTestForm& f = MakeForm();
    // The save command reaches the handler a derived window gives it.
    f.ActionSaveProject->trigger();
    EXPECT_EQ(f.Saves, 0) << "disabled";
    f.SetProjectModified(true);
    f.ToolButSaveProject->click();
    f.SetProjectModified(true); // the save made it unmodified
    f.ItemSaveProject->trigger();
    EXPECT_EQ(f.Saves, 2);

    f.SetProjectModified(false);
    f.show();
    f.ItemExit->trigger();
    EXPECT_TRUE(f.Closing);
    EXPECT_TRUE(f.isHidden()) << "the exit item closed the window";
}

TEST_F(MainWindow, NoTwoCommandsShareAKey)
{
    TAVIForm& f = MakeForm();
    // A key that two commands of the window share would run neither.
    std::map<std::string, std::string> owners;
    for (QAction* action : f.findChildren<QAction*>()) {
        if (action->shortcut().isEmpty() || action->shortcutContext() == Qt::WidgetShortcut)
            continue;
        const std::string key = Text(action->shortcut().toString());
        const auto [at, fresh] = owners.emplace(key, Text(action->objectName()));
        EXPECT_TRUE(fresh) << key << " on " << at->second << " and " << Text(action->objectName());
    }
    EXPECT_EQ(owners["Ctrl+Alt+C"], "ActionClone");
    EXPECT_EQ(owners["Ctrl+A"], "ActionAdd");
}

TEST_F(MainWindow, PopupMenusAreGivenAndTakenAway)
{
    TAVIForm& f = MakeForm();
    EXPECT_EQ(f.PopupMenuOf(f.ScrollBox2), nullptr);
    f.SetPopupMenu(f.ScrollBox2, f.PopupMenu5);
    EXPECT_EQ(f.PopupMenuOf(f.ScrollBox2), f.PopupMenu5);
    EXPECT_EQ(f.ScrollBox2->contextMenuPolicy(), Qt::CustomContextMenu);
    f.SetPopupMenu(f.ScrollBox2, nullptr);
    EXPECT_EQ(f.PopupMenuOf(f.ScrollBox2), nullptr);
    EXPECT_EQ(f.ScrollBox2->contextMenuPolicy(), Qt::DefaultContextMenu);
}

} // namespace
