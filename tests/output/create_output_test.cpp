#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QThread>
#include <QToolButton>
#include <QGuiApplication>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>

#include <filesystem>
#include <fstream>

#include "avi_test_util.h"
#include "gif/gifimage.h"
#include "gif_test_util.h"
#include "output/anigifoptions.h"
#include "output/codec_dialog.h"
#include "platform/qt/controls.h"
#include "output_fixture.h"

using namespace kelvo::test;

namespace {

std::string Head(const std::filesystem::path& file, std::size_t n)
{
    const auto bytes = ReadBytes(file);
    return std::string(bytes.begin(), bytes.begin() + std::ptrdiff_t(std::min(n, bytes.size())));
}

// The video chunks in the file's movi list; fails the test when there is no movi list.
std::vector<TChunk> VideoChunks(const std::vector<std::uint8_t>& bytes)
{
    ParseRiff(bytes);
    TChunk avi;
    if (bytes.size() >= 12)
        ParseChildren(bytes, avi, 12, bytes.size());
    std::vector<TChunk> chunks;
    const TChunk* movi = avi.Find("movi");
    EXPECT_NE(movi, nullptr);
    if (movi)
        for (const TChunk& c : movi->Children)
            if (c.Id.rfind("00d", 0) == 0)
                chunks.push_back(c);
    return chunks;
}

} // namespace

class CreateOutput : public TOutputTest {
protected:
    void SetUp() override
    {
        TOutputTest::SetUp();
        Form().ShowCodecDialog = false;
        AddFrame(clRed, 100);
        AddFrame(clBlue, 200, {2, 1, 4, 3});
        Form().UpdateFrameActions(false);
    }
    // Chooses file in the save dialog and runs the command.
    void Create(const std::string& file)
    {
        dialogs_.Choose({file});
        Form().FindAction("ActionCreate")->trigger();
    }
};

TEST_F(CreateOutput, TheExtensionPicksTheWriterInAnyCase)
{
    struct TCase {
        const char* Name;
        const char* Written; // the file's first bytes, nothing when empty
    };
    const TCase cases[] = {
        {"a.GIF", "GIF89a"}, {"b.Gif", "GIF89a"}, {"c.gif", "GIF89a"}, {".gif", "GIF89a"},
        {"d.avi", "RIFF"},   {"e.AVI", "RIFF"},   {"f.aVi", "RIFF"},
        {"g.png", ""},       {"noextension", ""}, {"h.gif.txt", ""},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        const auto file = temp_ / c.Name;
        Create(file.string());
        EXPECT_EQ(Form().OutputFileName, c.Name);
        if (*c.Written)
            EXPECT_EQ(Head(file, std::strlen(c.Written)), c.Written);
        else
            EXPECT_FALSE(std::filesystem::exists(file));
    }
    EXPECT_TRUE(boxes_.Asked.empty());
}

TEST_F(CreateOutput, CancelledSaveDialogChangesNothing)
{
    Form().SetProjectModified(true);
    dialogs_.Cancel();
    Form().CreateOutputFile();
    EXPECT_EQ(Form().OutputGif, nullptr);
    EXPECT_EQ(Form().OutputFileName, "");
    EXPECT_TRUE(Form().ProjectModified());
}

TEST_F(CreateOutput, BadColourBitsRaiseWithTheCursorBackAndTheTargetUntouched)
{
    GIFOPTIONS bad = Plain();
    bad.ReductionBit = 9;
    Form().FrameGifOptions[1] = bad;
    for (const bool existed : {false, true}) {
        for (const bool modified : {false, true}) {
            SCOPED_TRACE(std::string(existed ? "old file" : "no file") + (modified ? ", modified" : ""));
            const auto file = temp_ / "out.gif";
            std::filesystem::remove(file);
            if (existed)
                WriteBytes(file, {'o', 'l', 'd'});
            Form().SetProjectModified(modified);
            dialogs_.Choose({file.string()});
            try {
                Form().CreateOutputFile();
                ADD_FAILURE() << "no error";
            } catch (const GIFException& e) {
                EXPECT_STREQ(e.what(), "Invalid Bits Per Pixel value");
            }
            EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
            EXPECT_EQ(std::filesystem::exists(file), existed);
            if (existed) {
                EXPECT_EQ(Head(file, 10), "old");
            }
            EXPECT_EQ(Form().ProjectModified(), modified);
            // What was built before the error stays.
            ASSERT_NE(Form().OutputGif, nullptr);
            EXPECT_EQ(Form().OutputGif->Images().GetCount(), 1);
        }
    }
}

// An output never saves the project: it makes it modified only when the options dialog
// changed something this project's file holds, and never unmodified.
TEST_F(CreateOutput, SaveCommandFollowsWhatTheDialogChangedForThisProjectType)
{
    struct TCase {
        const char* Name;
        int ProjectType;
        const char* File;
        bool DialogChanged;
        bool Before, After;
    };
    const TCase cases[] = {
        {"GIF options in a GIF project", 1, "x.gif", true, false, true},
        {"GIF options in an AVI project", 0, "x.gif", true, false, false},
        {"AVI options in an AVI project", 0, "x.avi", true, false, true},
        {"AVI options in a GIF project", 1, "x.avi", true, false, false},
        {"nothing changed, was modified (GIF)", 1, "x.gif", false, true, true},
        {"nothing changed, was modified (AVI)", 0, "x.avi", false, true, true},
        {"nothing changed, was saved", 0, "x.gif", false, false, false},
        {"other extension", 1, "x.bmp", true, false, false},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TOutputForm& form = Form();
        form.ProjectType = c.ProjectType;
        form.SetProjectModified(c.Before);
        form.AviOptionsAnswer = [&c](TOutputForm& f) {
            f.OptionsChanged = c.DialogChanged;
            return true;
        };
        form.AniGifOptionsAnswer = [&c](TOutputForm& f) {
            f.WriteGifAnimation(false, false, false, false);
            f.OptionsChanged = c.DialogChanged;
            return true;
        };
        Create((temp_ / c.File).string());
        EXPECT_EQ(form.ProjectModified(), c.After);
        EXPECT_FALSE(form.OptionsChanged);
    }
}

TEST_F(CreateOutput, OptionsDialogsShowByTheirFlagsAndCancelWritesNothing)
{
    TOutputForm& form = Form();
    form.AviOptionsAnswer = [](TOutputForm& f) {
        f.OptionsChanged = true;
        return false;
    };
    form.AniGifOptionsAnswer = form.AviOptionsAnswer;
    for (const char* name : {"x.avi", "x.gif"}) {
        SCOPED_TRACE(name);
        Create((temp_ / name).string());
        EXPECT_FALSE(std::filesystem::exists(temp_ / name));
        EXPECT_FALSE(form.ProjectModified());
    }
    EXPECT_EQ(form.AviOptionsShown, 1);
    EXPECT_EQ(form.AniGifOptionsShown, 1);

    // Without the dialogs the stored options are written as they are.
    form.ShowAviOptions = false;
    form.ShowAniGifOptions = false;
    form.GifInterlaced = true;
    Create((temp_ / "y.avi").string());
    Create((temp_ / "y.gif").string());
    EXPECT_EQ(form.AviOptionsShown, 1);
    EXPECT_EQ(form.AniGifOptionsShown, 1);
    EXPECT_TRUE(std::filesystem::exists(temp_ / "y.avi"));
    const auto images = WalkGif(ReadBytes(temp_ / "y.gif"));
    ASSERT_EQ(images.size(), 2u);
    EXPECT_TRUE(images[1].Interlaced);
}

TEST_F(CreateOutput, TheGifSavedIsTheOneTheDialogBuilt)
{
    TOutputForm& form = Form();
    form.GifInterlaced = false;
    form.AniGifOptionsAnswer = [](TOutputForm& f) {
        f.WriteGifAnimation(false, false, false, true);
        return true;
    };
    Create((temp_ / "x.gif").string());
    const auto images = WalkGif(ReadBytes(temp_ / "x.gif"));
    ASSERT_EQ(images.size(), 2u);
    EXPECT_TRUE(images[0].Interlaced);
    EXPECT_EQ(images[1].Left, 2);
    EXPECT_EQ(images[1].Top, 1);
}

TEST_F(CreateOutput, CompressorChoiceCancelledOrPicked)
{
    Form().ShowCodecDialog = true;
    desktop_.ModalDialogs.AnswerCancel();
    Create((temp_ / "cancelled.avi").string());
    ASSERT_EQ(boxes_.Asked.size(), 1u);
    EXPECT_EQ(boxes_.Asked[0].Text, "AVIERR_USERABORT");
    EXPECT_EQ(boxes_.Asked[0].Caption, "Kelvo");
    EXPECT_TRUE(VideoChunks(ReadBytes(temp_ / "cancelled.avi")).empty());
    ASSERT_EQ(desktop_.ModalDialogs.Shown.size(), 1u);
    EXPECT_EQ(desktop_.ModalDialogs.Shown[0].Title, "Сжатие видео");

    // The choice opens on the first entry (the preselected handler is not on offer).
    desktop_.ModalDialogs.Answer<TCodecDialog>([](TCodecDialog& d) {
        EXPECT_EQ(d.CompressorList->currentRow(), 0);
        d.CompressorList->setCurrentRow(1);
        d.accept();
    });
    Create((temp_ / "mjpeg.avi").string());
    EXPECT_EQ(boxes_.Asked.size(), 1u);
    const auto bytes = ReadBytes(temp_ / "mjpeg.avi");
    const auto chunks = VideoChunks(bytes);
    ASSERT_EQ(chunks.size(), 2u);
    EXPECT_EQ(chunks[0].Id, "00dc");
    // The first two bytes of a JPEG image.
    EXPECT_EQ(chunks[0].Data[0], 0xFF);
    EXPECT_EQ(chunks[0].Data[1], 0xD8);
}

TEST_F(CreateOutput, TargetThatCannotBeDeletedIsReportedAndLeftAlone)
{
    // A folder by the target's name cannot be deleted as a file, whoever runs the test.
    const auto target = temp_ / "busy.avi";
    std::filesystem::create_directory(target);
    WriteBytes(target / "inside", {'x'});
    Create(target.string());
    ASSERT_EQ(boxes_.Asked.size(), 1u);
    EXPECT_EQ(boxes_.Asked[0].Text, "Выберите другое имя для сохраняемого файла.");
    EXPECT_EQ(boxes_.Asked[0].Caption, "Ошибка");
    EXPECT_TRUE(std::filesystem::is_directory(target));
    EXPECT_EQ(Head(target / "inside", 4), "x");
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

// The real options dialogs: the GIF saved is the one their OK built, with the count typed.
TEST_F(CreateOutput, RealGifOptionsDialogBuildsTheSavedLoopCount)
{
    Form().RealOptionsDialogs = true;
    Form().ShowAniGifOptions = true;
    Form().GifLoopCount = 1;
    desktop_.ModalDialogs.Answer<TAniGIFForm>([](TAniGIFForm& dialog) {
        dialog.CSpinEdit1->setValue(3);
        dialog.Button2->click();
    });
    const auto file = temp_ / "loops.gif";
    Create(file.string());
    EXPECT_EQ(Form().GifLoopCount, 3);
    const auto bytes = ReadBytes(file);
    const std::string text(bytes.begin(), bytes.end());
    const std::size_t app = text.find("NETSCAPE2.0");
    ASSERT_NE(app, std::string::npos);
    ASSERT_GE(text.size(), app + 16);
    EXPECT_EQ(std::uint8_t(text[app + 13]), 3); // the loop count's low byte
    EXPECT_EQ(std::uint8_t(text[app + 14]), 0);
    EXPECT_FALSE(Form().ProjectModified());
}

// The dialog's preview plays the built image itself on the painter's thread while the
// defaults build it again and OK builds the one to be saved: the file is the one written
// without the dialog, byte for byte, and nothing of it is kept once it is written.
TEST_F(CreateOutput, RealGifOptionsDialogPlaysWhileItRebuildsAndSavesTheSameFile)
{
    for (int i = 0; i < 6; ++i)
        AddFrame(i % 2 ? clLime : clYellow, 10, {i, 0, 8 - i, 6});
    TOutputForm& form = Form();
    form.ShowAniGifOptions = false;
    form.GifOptimize = form.GifMerge = form.GifCrop = form.GifInterlaced = false;
    form.GifLoopCount = 0;
    Create((temp_ / "plain.gif").string());

    const auto play = [](TAniGIFForm& dialog) {
        dialog.Image1->update();
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < 80) {
            QApplication::processEvents();
            QThread::msleep(2);
        }
        EXPECT_NE(AVIForm->OutputGif->DrawPainter(), nullptr) << "the preview plays";
    };
    form.RealOptionsDialogs = true;
    form.ShowAniGifOptions = true;
    form.GifOptimize = form.GifCrop = true;
    desktop_.ModalDialogs.Answer<TAniGIFForm>([&play](TAniGIFForm& dialog) {
        play(dialog);
        dialog.SpeedButton1->click(); // defaults: every option off
        play(dialog);
        dialog.Button2->click();
    });
    Create((temp_ / "dialog.gif").string());
    EXPECT_EQ(ReadBytes(temp_ / "dialog.gif"), ReadBytes(temp_ / "plain.gif"));
    EXPECT_EQ(form.OutputGif, nullptr);
}

TEST_F(CreateOutput, RealAviOptionsDialogCancelledWritesNothing)
{
    Form().RealOptionsDialogs = true;
    Form().ShowAviOptions = true;
    desktop_.ModalDialogs.AnswerCancel();
    const auto file = temp_ / "none.avi";
    Create(file.string());
    EXPECT_FALSE(std::filesystem::exists(file));
    ASSERT_EQ(desktop_.ModalDialogs.Shown.size(), 1u);
    EXPECT_EQ(desktop_.ModalDialogs.Shown[0].ClassName, "TAviOptionsForm");
}

// Without an owner the options dialogs came up wherever the desktop put them, apart from the
// window they belong to.
TEST_F(CreateOutput, RealOptionsDialogsAreOwnedByTheWindow)
{
    Form().RealOptionsDialogs = true;
    Form().ShowAviOptions = true;
    Form().ShowAniGifOptions = true;
    for (const char* name : {"owned.avi", "owned.gif"}) {
        QWidget* owner = nullptr;
        desktop_.ModalDialogs.Answers.push_back([&owner](QDialog& dialog) {
            owner = dialog.parentWidget();
            dialog.reject();
        });
        Create((temp_ / name).string());
        EXPECT_EQ(owner, static_cast<QWidget*>(&Form())) << name;
        EXPECT_FALSE(std::filesystem::exists(temp_ / name)) << name;
    }
}
