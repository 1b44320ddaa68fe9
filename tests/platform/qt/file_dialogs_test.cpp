// File dialogs: the double's scripts, and the real dialog's field and filter events.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QKeyEvent>
#include <QListView>
#include <QScreen>
#include <QSettings>
#include <QThread>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>
#include <QUrl>

#include <filesystem>
#include <fstream>

#include "platform/qt/file_dialogs.h"
#include "support/failures.h"
#include "support/paths.h"
#include "support/qt/application.h"
#include "support/qt/fake_desktop.h"

namespace {

const char* const kFrameFilter =
    "Bitmaps(*.bmp)|*.bmp|GIF Image(*.gif)|*.gif|JPEG Image(*.jpg)|*.jpg|Portable Network Graphics(*.png)|*.png";

// What a save dialog's filter handler does: the typed name takes the new filter's extension.
void FollowFilter(TFileDialog& dialog)
{
    std::string name = dialog.TypedName();
    if (name.empty())
        return;
    const auto dot = name.rfind('.');
    if (dot != std::string::npos && name.find('/', dot) == std::string::npos)
        name.erase(dot);
    const char* const ext[] = {".bmp", ".gif", ".jpg", ".png"};
    name += dialog.FilterIndex >= 1 && dialog.FilterIndex <= 4 ? ext[dialog.FilterIndex - 1] : ".bmp";
    dialog.SetTypedName(name);
}

TEST(DialogFilter, SplitsIntoDescriptionPatternPairs)
{
    const auto pairs = SplitDialogFilter("Audio/Video Interleaved file(*.avi)|*.avi|Animated GIF(*.gif)|*.gif");
    ASSERT_EQ(pairs.size(), 2u);
    EXPECT_EQ(pairs[1].first, "Animated GIF(*.gif)");
    EXPECT_EQ(pairs[1].second, "*.gif");
    EXPECT_TRUE(SplitDialogFilter("").empty());
    EXPECT_EQ(SplitDialogFilter("a|b|c").size(), 1u);
}

TEST(FakeFileDialogs, ScriptsTypingFilterSwitchesAndTheChoice)
{
    TFakeDesktop desktop;
    TSaveDialog save;
    save.Title = "Сохранить кадр";
    save.Filter = kFrameFilter;
    save.FileName = "/tmp/old.bmp";
    std::vector<std::string> seen;
    save.OnShow = [&](TFileDialog& d) { seen.push_back("show " + d.TypedName()); };
    save.OnTypeChange = [&](TFileDialog& d) {
        seen.push_back("type " + std::to_string(d.FilterIndex));
        FollowFilter(d);
    };
    desktop.FileDialogs.Next().Type("frame.jpeg").SwitchToFilter(1).SwitchToFilter(4).ChooseTyped();
    desktop.FileDialogs.Next().Type("other").SwitchToFilter(2).Cancel();

    ASSERT_TRUE(save.Execute());
    EXPECT_EQ(save.FileName, "frame.png");
    EXPECT_EQ(save.Files, std::vector<std::string>{"frame.png"});
    EXPECT_EQ(save.FilterIndex, 4);
    EXPECT_EQ(seen, (std::vector<std::string>{"show /tmp/old.bmp", "type 1", "type 4"}));
    EXPECT_FALSE(save.HasNameField()) << "no field once the dialog is gone";

    EXPECT_FALSE(save.Execute());
    EXPECT_EQ(save.FileName, "frame.png") << "a cancel keeps the name";
    EXPECT_EQ(save.FilterIndex, 2) << "but not the filter the user switched to";
    ASSERT_EQ(desktop.FileDialogs.Shown.size(), 2u);
    EXPECT_EQ(desktop.FileDialogs.Shown[1].FilterIndex, 4);
    EXPECT_EQ(desktop.FileDialogs.Shown[1].TypedName, "other.gif");
    EXPECT_EQ(desktop.FileDialogs.Shown[1].Title, "Сохранить кадр");

    // A bare name gets the extension of the filter chosen by the time Save is pressed; the
    // dialog came up with the GIF filter the last run switched to.
    save.DefaultExt = "bmp";
    save.OnTypeChange = nullptr;
    desktop.FileDialogs.Next().Type("/tmp/v1.2/shot").ChooseTyped();
    ASSERT_TRUE(save.Execute());
    EXPECT_EQ(save.FileName, "/tmp/v1.2/shot.gif");
    desktop.FileDialogs.Next().SwitchToFilter(4).Type("/tmp/shot").ChooseTyped();
    ASSERT_TRUE(save.Execute());
    EXPECT_EQ(save.FileName, "/tmp/shot.png");
}

TEST(DialogFilter, DefaultSuffixIsTheChosenFiltersExtension)
{
    struct TCase {
        const char* Filter;
        const char* DefaultExt;
        int FilterIndex;
        const char* Suffix;
    };
    const TCase cases[] = {
        {kFrameFilter, "bmp", 1, "bmp"},
        {kFrameFilter, "bmp", 4, "png"},
        {kFrameFilter, "bmp", 2, "gif"},
        {kFrameFilter, "bmp", 0, "bmp"}, // no such filter: the default extension
        {kFrameFilter, "bmp", 5, "bmp"},
        {kFrameFilter, "", 4, "png"},    // no default extension: still the filter's own
        {"All files|*.*", "", 1, ""},
        {"Project files (*.mcp)|*.mcp", ".mcp", 1, "mcp"},
        {"Pictures|*.png;*.gif", "bmp", 1, "png"},
        {"All files|*.*", "bmp", 1, "bmp"},
        {"All files|*", "bmp", 1, "bmp"},
        {"Some|*.p?g", "bmp", 1, "bmp"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(std::string(c.Filter) + " #" + std::to_string(c.FilterIndex));
        TSaveDialog dialog;
        dialog.Filter = c.Filter;
        dialog.DefaultExt = c.DefaultExt;
        dialog.FilterIndex = c.FilterIndex;
        EXPECT_EQ(dialog.DefaultSuffix(), c.Suffix);
    }
}

TEST(FakeFileDialogs, SeveralFilesOnlyWhereTheDialogAllowsThem)
{
    TFakeDesktop desktop;
    TOpenDialog open;
    open.Options = {ofHideReadOnly, ofAllowMultiSelect, ofEnableSizing};
    desktop.FileDialogs.Choose({"/p/b.png", "/p/a.gif"});
    ASSERT_TRUE(open.Execute());
    EXPECT_EQ(open.Files, (std::vector<std::string>{"/p/b.png", "/p/a.gif"})) << "in the order chosen";
    EXPECT_EQ(open.FileName, "/p/b.png");

    TOpenDialog single;
    desktop.FileDialogs.Choose({"/p/b.png", "/p/a.gif"});
    bool chosen = false;
    const auto failures = FailuresOf([&] { chosen = single.Execute(); });
    EXPECT_EQ(failures.size(), 1u);
    EXPECT_TRUE(chosen);
    EXPECT_EQ(single.Files, std::vector<std::string>{"/p/b.png"});
}

TEST(FakeFileDialogs, UnscriptedRunsCancelAndFailWhenStrict)
{
    TFakeDesktop desktop;
    TOpenDialog open;
    EXPECT_FALSE(open.Execute());
    desktop.SetStrict(true);
    const auto failures = FailuresOf([&] { EXPECT_FALSE(open.Execute()); });
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_NE(failures[0].find("unscripted file dialog"), std::string::npos);
    desktop.FileDialogs.Next().SwitchToFilter(3).Cancel();
    EXPECT_EQ(FailuresOf([&] { open.Execute(); }).size(), 1u) << "a dialog with no third filter";
}

// The real dialog, driven from inside its own event loop the way a user would drive it.
TEST(QtFileDialogs, QtsOwnDialogGivesTheTypedNameAndReportsFilterSwitches)
{
    EnsureApplication();
    TSaveDialog save;
    save.Title = "Сохранить кадр";
    save.Filter = kFrameFilter;
    std::vector<std::string> typed;
    bool native = true;
    save.OnShow = [&](TFileDialog& d) {
        auto* box = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_TRUE(box);
        native = !box->testOption(QFileDialog::DontUseNativeDialog);
        ASSERT_TRUE(d.HasNameField());
        d.SetTypedName("clip.bmp");
        // The user picks the PNG filter in the type box.
        auto* types = box->findChild<QComboBox*>("fileTypeCombo");
        ASSERT_TRUE(types);
        types->setCurrentIndex(3);
        QMetaObject::invokeMethod(types, "activated", Q_ARG(int, 3));
        QMetaObject::invokeMethod(types, "textActivated", Q_ARG(QString, types->itemText(3)));
        typed.push_back(d.TypedName());
        box->reject();
    };
    save.OnTypeChange = [&](TFileDialog& d) { FollowFilter(d); };
    EXPECT_FALSE(save.Execute());
    EXPECT_FALSE(native);
    EXPECT_EQ(typed, std::vector<std::string>{"clip.png"});
    EXPECT_EQ(save.FilterIndex, 4);
    EXPECT_FALSE(save.HasNameField());
}

// The user's road in the real dialog: it shows each filter's label once, reports the switch
// to PNG by its number, and a bare name typed after it is saved as a PNG.
TEST(QtFileDialogs, QtsOwnDialogShowsLabelsOnceAndSuffixesByTheFilterChosen)
{
    EnsureApplication();
    kelvo::test::TTempDir temp;
    TSaveDialog save;
    save.Title = "Сохранить кадр";
    save.Filter = kFrameFilter;
    save.DefaultExt = "bmp";
    save.InitialDir = temp.Path().string();
    QStringList shown;
    std::vector<int> switched;
    save.OnShow = [&](TFileDialog& d) {
        auto* box = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_TRUE(box);
        auto* types = box->findChild<QComboBox*>("fileTypeCombo");
        ASSERT_TRUE(types);
        for (int i = 0; i < types->count(); ++i)
            shown << types->itemText(i);
        types->setCurrentIndex(3);
        QMetaObject::invokeMethod(types, "activated", Q_ARG(int, 3));
        QMetaObject::invokeMethod(types, "textActivated", Q_ARG(QString, types->itemText(3)));
        d.SetTypedName("shot");
        QMetaObject::invokeMethod(box, "accept");
    };
    save.OnTypeChange = [&](TFileDialog& d) { switched.push_back(d.FilterIndex); };
    ASSERT_TRUE(save.Execute());
    EXPECT_EQ(shown, (QStringList{"Bitmaps(*.bmp)", "GIF Image(*.gif)", "JPEG Image(*.jpg)",
                                  "Portable Network Graphics(*.png)"}));
    EXPECT_EQ(switched, std::vector<int>{4});
    EXPECT_EQ(save.FilterIndex, 4);
    EXPECT_EQ(save.FileName, (temp.Path() / "shot.png").string());
}

// Tab from the typed name to one of Qt's tool buttons, then Enter: the button is pressed, and
// the dialog stays up; it used to save under the typed name instead.
TEST(QtFileDialogs, EnterOnAFocusedToolButtonPressesIt)
{
    EnsureApplication();
    kelvo::test::TTempDir temp;
    TSaveDialog save;
    save.Title = "Сохранить кадр";
    save.Filter = kFrameFilter;
    save.DefaultExt = "bmp";
    save.InitialDir = temp.Path().string();
    std::vector<std::string> pressed;
    bool stayedUp = false;
    save.OnShow = [&](TFileDialog& d) {
        auto* box = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_TRUE(box);
        d.SetTypedName("shot");
        for (const char* name : {"newFolderButton", "detailModeButton", "listModeButton", "toParentButton"}) {
            auto* button = box->findChild<QToolButton*>(name);
            ASSERT_TRUE(button) << name;
            ASSERT_TRUE(button->isEnabled()) << name;
            const auto counted =
                QObject::connect(button, &QToolButton::clicked, [&pressed, name] { pressed.push_back(name); });
            button->setFocus(Qt::TabFocusReason);
            QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
            QApplication::sendEvent(button, &enter);
            QObject::disconnect(counted);
        }
        stayedUp = box->isVisible() && box->result() == 0;
        QMetaObject::invokeMethod(box, "reject");
    };
    EXPECT_FALSE(save.Execute()) << "saved as " << save.FileName;
    EXPECT_TRUE(stayedUp);
    EXPECT_EQ(pressed, (std::vector<std::string>{"newFolderButton", "detailModeButton", "listModeButton",
                                                 "toParentButton"}));
    int folders = 0;
    for (const auto& entry : std::filesystem::directory_iterator(temp.Path()))
        folders += entry.is_directory();
    EXPECT_EQ(folders, 1) << "the new folder";
}

// In Russian, as the program runs Qt, the names of the places beside the file list are longer
// than the width Qt gives that list, or keeps from the dialog's last use (here a narrow one);
// and a place the user added may have a long name of its own.
TEST(QtFileDialogs, ThePlacesListShowsItsNamesWhole)
{
    const TQtInRussian russian;
    if (!russian.Loaded())
        GTEST_SKIP() << "Qt's Russian translation is not installed";
    kelvo::test::TTempDir temp;
    const std::filesystem::path place = temp.Path() / "Мультфильмы для бабушки и дедушки";
    std::filesystem::create_directory(place);
    // The dialog as Qt keeps it from its last use, in a folder of this test's own.
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, QString::fromStdString(temp.Path().string()));
    {
        QSettings qt(QSettings::UserScope, "QtProject");
        qt.setValue("FileDialog/sidebarWidth", 40);
        qt.setValue("FileDialog/shortcuts",
                    QStringList{"file:", QUrl::fromLocalFile(QDir::homePath()).toString(),
                                QUrl::fromLocalFile(QString::fromStdString(place.string())).toString()});
    }
    TOpenDialog open;
    open.Filter = kFrameFilter;
    open.InitialDir = temp.Path().string();
    int places = 0, widest = -1, room = 0;
    open.OnShow = [&](TFileDialog&) {
        auto* box = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_TRUE(box);
        auto* list = box->findChild<QListView*>("sidebar");
        ASSERT_TRUE(list);
        places = list->model()->rowCount();
        // What the widest place needs as the list lays it out: icon, text and the item's
        // margins, by its item delegate's own measure.
        widest = list->sizeHintForColumn(0);
        room = list->viewport()->width() - 2 * list->spacing();
        QMetaObject::invokeMethod(box, "reject");
    };
    EXPECT_FALSE(open.Execute());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, TestQtSettingsFolder());
    EXPECT_EQ(places, 3);
    EXPECT_GT(widest, 0);
    EXPECT_GE(room, widest);
}


// The detail list opens with columns of a width fixed in advance: its sizes, types and dates
// showed as "11....KiB", "PN...ge" and "11 Dec...:40:54". Each column is as wide as what it
// shows, and the names keep the room that is left, in a dialog no wider than the screen.
TEST(QtFileDialogs, TheDetailListShowsItsColumnsWhole)
{
    EnsureApplication();
    const TQtInRussian russian;
    kelvo::test::TTempDir temp;
    std::filesystem::create_directory(temp.Path() / "Мультфильмы");
    for (const char* name : {"a.png", "photo of the whole family.jpg", "c.bmp"}) {
        std::ofstream file(temp.Path() / name, std::ios::binary);
        file << std::string(12000, 'x');
    }
    TOpenDialog open;
    open.Filter = "All(*.*)|*.*";
    open.InitialDir = temp.Path().string();
    int rows = 0;
    std::vector<std::pair<int, int>> shownAndNeeded;
    int fullWidth = 0, room = 0, dialogWidth = 0, screenWidth = 0;
    open.OnShow = [&](TFileDialog&) {
        auto* box = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_TRUE(box);
        auto* tree = box->findChild<QTreeView*>("treeView");
        auto* files = box->findChild<QFileSystemModel*>();
        ASSERT_TRUE(tree && files);
        // The dialog opens in the view it was last left in; the user turns to the details.
        auto* details = box->findChild<QToolButton*>("detailModeButton");
        ASSERT_TRUE(details);
        details->click();
        // The folder is read on a thread of Qt's own; wait for its rows.
        const QModelIndex root = tree->rootIndex();
        for (int i = 0; i < 200 && files->rowCount(root) < 4; ++i) {
            QApplication::processEvents(QEventLoop::AllEvents, 10);
            QThread::msleep(5);
        }
        QApplication::processEvents();
        rows = files->rowCount(root);
        QHeaderView* header = tree->header();
        for (int column = 0; column < header->count(); ++column)
            if (!header->isSectionHidden(column))
                shownAndNeeded.emplace_back(header->sectionSize(column),
                                            static_cast<QAbstractItemView*>(tree)->sizeHintForColumn(column));
        fullWidth = header->length();
        room = tree->viewport()->width();
        dialogWidth = box->frameGeometry().width();
        screenWidth = box->screen()->availableGeometry().width();
        QMetaObject::invokeMethod(box, "reject");
    };
    EXPECT_FALSE(open.Execute());
    EXPECT_EQ(rows, 4);
    ASSERT_EQ(shownAndNeeded.size(), 4u);
    for (const auto& [shown, needed] : shownAndNeeded)
        EXPECT_GE(shown, needed);
    EXPECT_LE(fullWidth, room);
    EXPECT_LE(dialogWidth, screenWidth);
}

} // namespace
