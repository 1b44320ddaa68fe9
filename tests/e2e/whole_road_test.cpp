// The program driven through its real windows, once, from an empty start to the two output
// files: the real dialogs (Qt's own file dialogs, our option dialogs, message boxes) are
// answered with the mouse and keyboard as a person would, and the files are checked with
// outside readers. Nothing here replaces a desktop service with a double.
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#ifdef KELVO_HAVE_GIFLIB
#include <gif_lib.h>
#endif

#include "app/createavi.h"
#include "app/dialogs/mainoptions.h"
#include "app/start_platform.h"
#include "gif/gifimage.h"
#include "output/anigifoptions.h"
#include "output/avioptions.h"
#include "output/codec_dialog.h"
#include "platform/bitmap.h"
#include "platform/jpeg_image.h"
#include "platform/registry.h"
#include "png/pngimage.h"
#include "support/paths.h"
#include "support/qt/application.h"

namespace {

using kelvo::test::HaveTool;
using kelvo::test::RunCommand;
using kelvo::test::TTempDir;

constexpr int kDialogTimeoutMs = 10000;

// Answers the modal windows a command brings up, in the order expected. The command's own
// exec() never hands control back to the test while a window is up, so the answers come from
// a timer polling the event loop the window runs. A window that does not come within the
// timeout, or one nobody expected, fails the test and is closed so that the command ends.
class TPerson : public QObject {
public:
    struct TStep {
        std::string What;
        std::function<bool(QWidget*)> Matches;
        std::function<void(QWidget*)> Act;
    };

    template <typename T>
    void Expect(const std::string& what, std::function<void(T&)> act)
    {
        steps_.push_back({what, [](QWidget* w) { return dynamic_cast<T*>(w) != nullptr; },
                          [act](QWidget* w) { act(*dynamic_cast<T*>(w)); }});
    }

    // Runs the command; every expected window must have come and been answered when it ends.
    void Do(const std::function<void()>& command)
    {
        QTimer timer;
        timer.setInterval(5);
        QObject::connect(&timer, &QTimer::timeout, [this] { Poll(); });
        since_.start();
        timer.start();
        command();
        timer.stop();
        for (const TStep& step : steps_)
            ADD_FAILURE() << "never came: " << step.What;
        steps_.clear();
    }

private:
    void Poll()
    {
        if (busy_)
            return;
        QWidget* modal = QApplication::activeModalWidget();
        if (modal && !modal->isVisible())
            modal = nullptr;
        if (modal && !steps_.empty() && steps_.front().Matches(modal)) {
            TStep step = std::move(steps_.front());
            steps_.pop_front();
            busy_ = true;
            // What the window manager does for a new dialog; keyboard focus follows it.
            modal->activateWindow();
            if (!QTest::qWaitForWindowActive(modal, kDialogTimeoutMs))
                ADD_FAILURE() << step.What << " never became the active window";
            step.Act(modal);
            busy_ = false;
            since_.restart();
            return;
        }
        if (modal) {
            std::string text;
            if (auto* box = qobject_cast<QMessageBox*>(modal))
                text = box->text().toStdString();
            ADD_FAILURE() << "unexpected window " << modal->metaObject()->className() << " \""
                          << modal->windowTitle().toStdString() << "\" " << text
                          << (steps_.empty() ? std::string() : " while waiting for " + steps_.front().What);
            modal->close();
            since_.restart();
            return;
        }
        if (!steps_.empty() && since_.elapsed() > kDialogTimeoutMs) {
            ADD_FAILURE() << "timed out waiting for " << steps_.front().What;
            steps_.pop_front();
            since_.restart();
        }
    }

    std::deque<TStep> steps_;
    QElapsedTimer since_;
    bool busy_ = false;
};

void CloseAnyPopup()
{
    while (QWidget* popup = QApplication::activePopupWidget())
        popup->close();
}

// Types into the dialog's name field and presses its Open or Save button.
void TypeAndAccept(QFileDialog& dialog, const QString& text)
{
    auto* edit = dialog.findChild<QLineEdit*>("fileNameEdit");
    ASSERT_NE(edit, nullptr);
    edit->setFocus();
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Backspace);
    QTest::keyClicks(edit, text);
    CloseAnyPopup();
    auto* buttons = dialog.findChild<QDialogButtonBox*>("buttonBox");
    ASSERT_NE(buttons, nullptr);
    QPushButton* accept = buttons->button(dialog.acceptMode() == QFileDialog::AcceptSave ? QDialogButtonBox::Save
                                                                                           : QDialogButtonBox::Open);
    ASSERT_NE(accept, nullptr);
    ASSERT_TRUE(accept->isEnabled()) << "the accept button is off for " << text.toStdString();
    QTest::mouseClick(accept, Qt::LeftButton);
}

// Selects the whole number in a spin box and types another one over it.
void TypeNumber(QSpinBox* box, int value)
{
    box->setFocus();
    box->selectAll();
    QTest::keyClicks(box, QString::number(value));
}

void ClickItem(QAbstractItemView* view, const QModelIndex& index)
{
    view->scrollTo(index);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(index).center());
}

// A picture that shows where its pixels came from, so a lost or swapped frame is visible.
TBitmap Gradient(int width, int height, int seed)
{
    TBitmap picture(width, height, pf24bit);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            picture.SetPixel(x, y, RGB(BYTE(x * 3 + seed), BYTE(y * 5), BYTE(seed)));
    return picture;
}

class WholeRoad : public ::testing::Test {
protected:
    void SetUp() override
    {
        // The settings store, and Qt's own settings, go to a folder of the test's: as on a
        // machine where `make register` created the key and nothing else was ever written.
        config_ = std::make_unique<TTempDir>();
        setenv("XDG_CONFIG_HOME", config_->Path().c_str(), 1);
        std::filesystem::create_directories(config_->Path() / "kelvo");
        std::ofstream(config_->Path() / "kelvo" / "registry.ini") << "[HKEY_CURRENT_USER\\Software\\Kelvo v.1.9]\n\n";
        SetRegistryStorePath({});
        EnsureApplication();
        StartPlatform();
    }

    void TearDown() override
    {
        window_.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    std::string Path(const std::string& name) const { return (files_ / name).string(); }

    void MakePictures()
    {
        Gradient(200, 150, 10).SaveToFile(Path("one.bmp"));

        TPNGObject png;
        TBitmap second = Gradient(100, 80, 90);
        png.Assign(second);
        png.SaveToFile(Path("two.png"));

        TJPEGImage jpeg;
        TBitmap third = Gradient(160, 120, 170);
        jpeg.Assign(third);
        jpeg.SaveToFile(Path("three.jpg"));

        TGIFImage gif;
        TBitmap a = Gradient(64, 48, 30);
        TBitmap b = Gradient(64, 48, 220);
        gif.Add(&a);
        gif.Add(&b);
        gif.SaveToFile(Path("four.gif"));
    }

    std::unique_ptr<TTempDir> config_;
    TTempDir folder_;
    std::filesystem::path files_ = folder_.Path();
    std::unique_ptr<TAVIForm> window_;
    TPerson person_;
};

TEST_F(WholeRoad, NewProjectPicturesSaveReopenAndBothOutputs)
{
    MakePictures();
    constexpr int kWidth = 160, kHeight = 120, kFrameTime = 200;

    window_ = std::make_unique<TAVIForm>(std::vector<std::string>{});
    TAVIForm& w = *window_;
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    EXPECT_TRUE(w.ToolBar1->isHidden()) << "a project's toolbars are up before any project";

    // New project: an AVI of 160 x 120 at 200 ms a frame.
    person_.Expect<TOptionsForm>("the project options", [&](TOptionsForm& d) {
        TypeNumber(d.CSpinEdit2, kWidth);
        TypeNumber(d.CSpinEdit3, kHeight);
        QTest::mouseClick(d.RadioItemAvi, Qt::LeftButton);
        TypeNumber(d.CSpinEdit1, kFrameTime);
        QTest::mouseClick(d.Button1, Qt::LeftButton);
    });
    person_.Do([&] { QTest::mouseClick(w.ToolButNew, Qt::LeftButton); });
    ASSERT_FALSE(w.ToolBar1->isHidden()) << "no project was made";
    EXPECT_EQ(w.FrameWidth, kWidth);
    EXPECT_EQ(w.FrameHeight, kHeight);
    EXPECT_EQ(w.ProjectType, 0);
    EXPECT_EQ(w.AviFrameTime, kFrameTime);

    // Four picture files, chosen together in one open dialog: the folder first, then the names.
    const std::vector<std::string> pictures = {Path("one.bmp"), Path("two.png"), Path("three.jpg"),
                                               Path("four.gif")};
    person_.Expect<QFileDialog>("the picture open dialog", [&](QFileDialog& d) {
        ASSERT_EQ(d.fileMode(), QFileDialog::ExistingFiles);
        TypeAndAccept(d, QString::fromStdString(files_.string()));
        ASSERT_TRUE(d.isVisible()) << "opening a folder ended the dialog";
        ASSERT_EQ(QFileInfo(d.directory().absolutePath()).canonicalFilePath(),
                  QFileInfo(QString::fromStdString(files_.string())).canonicalFilePath());
        TypeAndAccept(d, R"("one.bmp" "two.png" "three.jpg" "four.gif")");
    });
    person_.Do([&] { QTest::mouseClick(w.ToolButAdd, Qt::LeftButton); });
    ASSERT_EQ(w.FrameCount(), 5u);
    const std::vector<std::string> expectedFiles = {pictures[0], pictures[1], pictures[2], pictures[3], pictures[3]};
    for (std::size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(std::filesystem::path(w.FrameFiles[i]).filename(), std::filesystem::path(expectedFiles[i]).filename())
            << "frame " << i;
        EXPECT_EQ(w.FrameTimes[i], kFrameTime) << "frame " << i;
    }
    EXPECT_EQ(w.FrameSubImages[3], 0);
    EXPECT_EQ(w.FrameSubImages[4], 1);

    // Save As, typed without the extension: the dialog adds it.
    const std::string project = Path("road.mcp");
    person_.Expect<QFileDialog>("the project save dialog", [&](QFileDialog& d) {
        ASSERT_EQ(d.acceptMode(), QFileDialog::AcceptSave);
        TypeAndAccept(d, QString::fromStdString(Path("road")));
    });
    person_.Do([&] { QTest::mouseClick(w.ToolButSaveAs, Qt::LeftButton); });
    ASSERT_TRUE(std::filesystem::exists(project));
    EXPECT_FALSE(w.ActionSaveProject->isEnabled()) << "the saved project still reads as modified";

    // Reopen it from File > recent projects.
    w.File1->popup(w.mapToGlobal(QPoint(10, 10)));
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.File1->isVisible(); }, kDialogTimeoutMs));
    QTest::mouseClick(w.File1, Qt::LeftButton, {}, w.File1->actionGeometry(w.ReopenItem->menuAction()).center());
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.ReopenItem->isVisible(); }, kDialogTimeoutMs));
    ASSERT_TRUE(w.ListItem0->isEnabled());
    const QRect item = w.ReopenItem->actionGeometry(w.ListItem0);
    ASSERT_TRUE(item.isValid());
    person_.Do([&] { QTest::mouseClick(w.ReopenItem, Qt::LeftButton, {}, item.center()); });
    CloseAnyPopup();
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.FrameCount() == 5; }, kDialogTimeoutMs))
        << "frames after reopening: " << w.FrameCount();
    for (std::size_t i = 0; i < 5; ++i)
        EXPECT_EQ(std::filesystem::path(w.FrameFiles[i]).filename(), std::filesystem::path(expectedFiles[i]).filename())
            << "frame " << i << " after reopening";
    EXPECT_EQ(w.AviFrameTime, kFrameTime);
    EXPECT_FALSE(w.ActionSaveProject->isEnabled()) << "a project just opened reads as modified";

    // The animated GIF: the save dialog, where the switch to the GIF filter gives the typed name
    // its extension (Qt's dialog only swaps an extension that is there); then the options, OK.
    const std::string gifPath = Path("out.gif");
    person_.Expect<QFileDialog>("the output save dialog (GIF)", [&](QFileDialog& d) {
        auto* edit = d.findChild<QLineEdit*>("fileNameEdit");
        auto* types = d.findChild<QComboBox*>("fileTypeCombo");
        ASSERT_NE(edit, nullptr);
        ASSERT_NE(types, nullptr);
        ASSERT_EQ(types->currentIndex(), 0);
        edit->setFocus();
        QTest::keyClicks(edit, QString::fromStdString(Path("out")));
        CloseAnyPopup();
        QTest::keyClick(types, Qt::Key_Down);
        ASSERT_EQ(types->currentIndex(), 1);
        EXPECT_EQ(edit->text().toStdString(), gifPath);
        TypeAndAccept(d, QString::fromStdString(gifPath));
    });
    person_.Expect<TAniGIFForm>("the animated GIF options", [](TAniGIFForm& d) {
        QTest::mouseClick(d.Button2, Qt::LeftButton);
    });
    person_.Do([&] { QTest::mouseClick(w.ToolButCreateAvi, Qt::LeftButton); });
    ASSERT_TRUE(std::filesystem::exists(gifPath));

    // The AVI: the save dialog, its options, then the compressor: full frames.
    const std::string aviPath = Path("out.avi");
    person_.Expect<QFileDialog>("the output save dialog (AVI)", [&](QFileDialog& d) {
        TypeAndAccept(d, QString::fromStdString(aviPath));
    });
    person_.Expect<TAviOptionsForm>("the AVI options", [](TAviOptionsForm& d) {
        QTest::mouseClick(d.Button1, Qt::LeftButton);
    });
    person_.Expect<TCodecDialog>("the compressor chooser", [](TCodecDialog& d) {
        const auto found = d.CompressorList->findItems("Full frames (uncompressed)", Qt::MatchExactly);
        ASSERT_EQ(found.size(), 1);
        ClickItem(d.CompressorList, d.CompressorList->indexFromItem(found.front()));
        ASSERT_EQ(d.CompressorList->currentItem(), found.front());
        QTest::mouseClick(d.Buttons->button(QDialogButtonBox::Ok), Qt::LeftButton);
    });
    person_.Do([&] { QTest::mouseClick(w.ToolButCreateAvi, Qt::LeftButton); });
    ASSERT_TRUE(std::filesystem::exists(aviPath));

    // Closing: a project the outputs left modified asks first (No: leave it as saved). The next
    // start finds the project in its recent list.
    if (w.ActionSaveProject->isEnabled())
        person_.Expect<QMessageBox>("the save-changes question", [](QMessageBox& box) {
            QTest::mouseClick(box.button(QMessageBox::No), Qt::LeftButton);
        });
    bool closed = false;
    person_.Do([&] { closed = w.close(); });
    ASSERT_TRUE(closed);
    window_.reset();
    window_ = std::make_unique<TAVIForm>(std::vector<std::string>{});
    ASSERT_FALSE(window_->RecentFiles.empty());
    EXPECT_EQ(window_->RecentFiles.front(), project);

#ifdef KELVO_HAVE_GIFLIB
    {
        int error = 0;
        GifFileType* gif = DGifOpenFileName(gifPath.c_str(), &error);
        ASSERT_NE(gif, nullptr) << GifErrorString(error);
        ASSERT_EQ(DGifSlurp(gif), GIF_OK) << GifErrorString(gif->Error);
        EXPECT_EQ(gif->ImageCount, 5);
        EXPECT_LE(gif->SWidth, kWidth);
        EXPECT_LE(gif->SHeight, kHeight);
        for (int i = 0; i < gif->ImageCount; ++i) {
            GraphicsControlBlock control{};
            ASSERT_EQ(DGifSavedExtensionToGCB(gif, i, &control), GIF_OK) << "image " << i;
            EXPECT_EQ(control.DelayTime, kFrameTime / 10) << "image " << i;
        }
        DGifCloseFile(gif, &error);
    }
#else
    std::printf("giflib is missing: the animated GIF was written but not read back\n");
#endif

    if (!HaveTool("ffprobe") || !HaveTool("ffmpeg")) {
        std::printf("ffprobe/ffmpeg missing: the AVI was written but not checked\n");
        return;
    }
    int status = 0;
    const std::string probe = RunCommand("ffprobe -v error -select_streams v:0 -count_frames -show_entries "
                                         "stream=codec_name,width,height,pix_fmt,r_frame_rate,nb_read_frames "
                                         "-of default=noprint_wrappers=1 '" + aviPath + "'",
                                         &status);
    ASSERT_EQ(status, 0) << probe;
    EXPECT_NE(probe.find("width=160\n"), std::string::npos) << probe;
    EXPECT_NE(probe.find("height=120\n"), std::string::npos) << probe;
    EXPECT_NE(probe.find("r_frame_rate=5/1\n"), std::string::npos) << probe;
    EXPECT_NE(probe.find("nb_read_frames=5\n"), std::string::npos) << probe;
    EXPECT_TRUE(probe.find("pix_fmt=bgr24\n") != std::string::npos || probe.find("pix_fmt=bgra\n") != std::string::npos)
        << probe;
    const std::string decoded = RunCommand("ffmpeg -nostdin -v error -i '" + aviPath + "' -f null - 2>&1", &status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(decoded, "");

    // The JPEG's frame fills the frame exactly: the picture must come out upright and in its
    // own colours (JPEG loss aside), not mirrored or with red and blue swapped.
    const std::string third = RunCommand("ffmpeg -nostdin -v error -i '" + aviPath +
                                         "' -vf 'select=eq(n\\,2)' -frames:v 1 -f rawvideo -pix_fmt rgb24 -");
    ASSERT_EQ(third.size(), std::size_t(kWidth * kHeight * 3));
    for (const auto& [x, y] : {std::pair{5, 5}, std::pair{70, 10}, std::pair{20, 40}}) {
        const auto* rgb = reinterpret_cast<const unsigned char*>(third.data()) + (y * kWidth + x) * 3;
        const int expected[3] = {BYTE(x * 3 + 170), BYTE(y * 5), 170};
        for (int c = 0; c < 3; ++c)
            EXPECT_NEAR(rgb[c], expected[c], 24) << "pixel " << x << "," << y << " channel " << c;
    }
}

} // namespace
