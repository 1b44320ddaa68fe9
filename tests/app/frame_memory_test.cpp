// Frames that memory cannot hold: every command that makes frame or output bitmaps asks the
// memory guard first, and one that runs out ends as memory running out always ends, with
// "Out of memory", the frames before it kept and shown, and the program able to go on and
// save. The figure of what is left comes from the test.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QMenu>
#include <QPushButton>
#include <QSpinBox>
#include <QToolButton>

#include <filesystem>
#include <fstream>

#include "app/dialogs/mainoptions.h"
#include "editing/delay.h"
#include "output/anigifoptions.h"
#include "output/avioptions.h"
#include "gif/gifimage.h"
#include "platform/qt/controls.h"
#include "platform/qt/window_update.h"
#include "project_fixture.h"
#include "support/held_bytes.h"
#include "support/error_of.h"
#include "support/flat_gif.h"
#include "support/memory_left.h"

namespace {

using kelvo::test::TMemoryLeft;

constexpr int Width = 400, Height = 300;
constexpr std::int64_t FrameBytes = std::int64_t(Width) * 3 * Height;

class FrameMemory : public TProjectTest {
protected:
    // A project of Width x Height whose frames fill it, with `frames` frames of one picture.
    void StretchedProject(int frames, int type = 1)
    {
        NewProject(Width, Height, type);
        Form().ProjectStretch = true;
        const std::string picture = WriteBmp("p.bmp", 8, 6);
        for (int i = 0; i < frames; ++i)
            Add({picture});
    }
    // A GIF of `images` images of one pixel, as a text or sprite tool writes them.
    std::string TinyImagesGif(int images)
    {
        return WriteFile("tiny.gif", GifBytes(1, 1, 1, std::vector<TGifTestImage>(std::size_t(images))));
    }

    // What every command leaves, whatever ended it: one cell per frame, numbered in order; a
    // selection of frames there are, each marked; totals that count them; a bitmap as large
    // as each frame's placement; and neither the strip's lock nor the hourglass left behind.
    void ExpectConsistent()
    {
        TAVIForm& f = Form();
        const std::size_t count = f.FrameCount();
        ASSERT_EQ(f.CellPanels.size(), count);
        for (std::size_t i = 0; i < count; ++i) {
            EXPECT_EQ(f.CellHeaderPanels[i]->Caption(), "Кадр #" + std::to_string(i + 1));
            EXPECT_EQ(f.FrameBitmaps[i]->Width(), std::max(0, f.FramePlacements[i].Width)) << i;
            EXPECT_EQ(f.FrameBitmaps[i]->Height(), std::max(0, f.FramePlacements[i].Height)) << i;
        }
        for (const int frame : f.SelectedFrames) {
            ASSERT_LT(std::size_t(frame), count);
            EXPECT_FALSE(f.CellMarkers[std::size_t(frame)]->isHidden());
        }
        EXPECT_EQ(f.StatusBar1->PanelText(4), "Всего кадров: " + std::to_string(count));
        EXPECT_EQ(LockedWindow(), nullptr);
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    }
};

// The guard's figure falls as the program really holds more: a GIF of many one-pixel images
// makes as many frames of the project's size, and the import stops before they hold more than
// the system has. The frames before stay, the project saves, and the program goes on.
TEST_F(FrameMemory, AGifOfManyTinyImagesStopsBeforeItsFramesOutgrowMemory)
{
    TAVIForm& f = Form();
    StretchedProject(0);
    const std::string gif = TinyImagesGif(200);
    constexpr std::int64_t left = 40 * FrameBytes;
    std::int64_t grown = 0;
    {
        const TMemoryLeft memory(left, [] { return kelvo::test::HeldBytes(); });
        const std::int64_t before = kelvo::test::HeldBytes();
        EXPECT_EQ(ErrorOf([&] { Add({gif}); }), "Out of memory");
        grown = kelvo::test::HeldBytes() - before;
    }
    EXPECT_GT(f.FrameCount(), 20u);
    EXPECT_LT(f.FrameCount(), 40u);
    // Beside the frames only the preview's copy of the frame shown last, which the margin the
    // system's figure keeps is for.
    EXPECT_LT(grown, left + FrameBytes) << f.FrameCount() << " frames, " << grown / std::int64_t(f.FrameCount())
                                        << " each";
    EXPECT_TRUE(desktop_.MessageBoxes.Asked.empty()) << "no \"Это не GIF.\"";
    EXPECT_EQ(f.SelectedFrames, std::deque<int>{int(f.FrameCount()) - 1});
    EXPECT_TRUE(f.ProjectModified());
    EXPECT_TRUE(f.ActionDelete->isEnabled());
    ExpectConsistent();

    const std::size_t kept = f.FrameCount();
    desktop_.FileDialogs.Choose({PathOf("kept.mcp")});
    f.ActionSaveProjectExecute();
    EXPECT_FALSE(f.ProjectModified());
    Add({WriteBmp("after.bmp", 4, 3)});
    EXPECT_EQ(f.FrameCount(), kept + 1);
    f.ReadProjectFile(PathOf("kept.mcp"));
    EXPECT_EQ(f.FrameCount(), kept);
}

// Each way of bringing frames in, with room for a few of the ten it brings.
TEST_F(FrameMemory, EveryCommandThatMakesFramesEndsWithTheFramesThatFit)
{
    enum TCommand { Adding, AddingPictures, Inserting, Dropping, Cloning, Opening };
    const std::pair<const char*, TCommand> cases[] = {{"add", Adding},       {"add pictures", AddingPictures},
                                                      {"insert", Inserting}, {"drop", Dropping},
                                                      {"clone", Cloning},    {"open", Opening}};
    for (const auto& [name, command] : cases) {
        SCOPED_TRACE(name);
        form_ = std::make_unique<TAVIForm>();
        StretchedProject(command == Cloning ? 10 : 1);
        const std::string gif = TinyImagesGif(10);
        if (command == Opening) {
            Add({gif});
            Form().WriteProjectFile(PathOf("eleven.mcp"));
            form_ = std::make_unique<TAVIForm>();
        }
        TAVIForm& f = Form();
        const std::size_t before = f.FrameCount();
        f.SetProjectModified(false);
        {
            const TMemoryLeft memory(3 * FrameBytes);
            EXPECT_EQ(ErrorOf([&] {
                          switch (command) {
                          case Adding:
                              Add({gif});
                              break;
                          case AddingPictures:
                              Add(std::vector<std::string>(10, PathOf("p.bmp")));
                              break;
                          case Inserting:
                              desktop_.FileDialogs.Choose({gif});
                              f.ActionInsertExecute();
                              break;
                          case Dropping:
                              f.WMDropFiles({gif});
                              break;
                          case Cloning:
                              f.ActionSelAllExecute();
                              f.ActionCloneExecute();
                              break;
                          case Opening:
                              f.ReadProjectFile(PathOf("eleven.mcp"));
                              break;
                          }
                      }),
                      "Out of memory");
        }
        const std::size_t made = f.FrameCount() - before;
        EXPECT_GE(made, 1u);
        EXPECT_LT(made, 10u);
        EXPECT_TRUE(f.ProjectModified());
        EXPECT_EQ(f.SelectedFrames.size(), 1u);
        EXPECT_TRUE(f.ActionDelete->isEnabled());
        ExpectConsistent();
        // With memory back the program goes on.
        Add({gif});
        EXPECT_EQ(f.FrameCount(), before + made + 10);
    }
}

// The commands that make frames anew for larger bitmaps: those rebuilt before memory ran out
// have their new bitmaps, the others keep their old ones with the placements that go with
// them, and the window is left usable.
TEST_F(FrameMemory, RebuildsThatMemoryCannotHoldKeepEachFrameWhole)
{
    enum TCommand { Options, Settings, Flip };
    const std::pair<const char*, TCommand> cases[] = {
        {"project options", Options}, {"frame settings", Settings}, {"flip", Flip}};
    for (const auto& [name, command] : cases) {
        SCOPED_TRACE(name);
        form_ = std::make_unique<TAVIForm>();
        TAVIForm& f = Form();
        // Small frames to be made as large as the project: a small AVI project made larger
        // with stretch, or small frames fitted to a large project. A flip makes each frame
        // again from its GIF image, here as large as the frame.
        const int small = command == Flip ? 1 : 10;
        NewProject(command == Options ? Width / 10 : Width, command == Options ? Height / 10 : Height,
                   command == Options ? 0 : 1);
        Add({WriteFile("big.gif", kelvo::test::FlatGif(6, Width / small, Height / small))});
        ASSERT_EQ(f.FrameCount(), 6u);
        f.SetProjectModified(false);
        if (command == Options) {
            desktop_.ModalDialogs.Answer<TOptionsForm>([](TOptionsForm& d) {
                d.CSpinEdit2->setValue(Width);
                d.CSpinEdit3->setValue(Height);
                d.CheckBox2->setChecked(true);
                d.Button1->click();
            });
        } else {
            f.ActionSelAllExecute();
            desktop_.ModalDialogs.Answer<TDelayForm>([](TDelayForm& d) {
                d.CheckBox1->click(); // fitted: the whole frame
                d.Button1->click();
            });
        }
        {
            const TMemoryLeft memory(5 * FrameBytes / 2);
            EXPECT_EQ(ErrorOf([&] {
                          switch (command) {
                          case Options:
                              f.ToolButProjectOptionsClick();
                              break;
                          case Settings:
                              f.EditFrameSettings();
                              break;
                          case Flip:
                              f.ItemHorizontalClick();
                              break;
                          }
                      }),
                      "Out of memory");
        }
        EXPECT_EQ(f.FrameCount(), 6u);
        EXPECT_TRUE(f.ProjectModified());
        EXPECT_TRUE(f.ActionDelete->isEnabled());
        EXPECT_FALSE(f.SelectedFrames.empty());
        if (command == Flip) {
            EXPECT_EQ(f.FrameFlips[0], 1);
            EXPECT_EQ(f.FrameFlips[5], 0);
        } else {
            EXPECT_EQ(f.FrameBitmaps[0]->Width(), Width) << "the first frames were rebuilt";
            EXPECT_EQ(f.FrameBitmaps[5]->Width(), Width / 10) << "the last kept theirs";
        }
        ExpectConsistent();
    }
}

// A frame whose rebuild memory refuses keeps the bitmap it has, and the placement and the fit
// that bitmap was drawn for, also where only the fit changed.
TEST_F(FrameMemory, AFrameWhoseRebuildIsRefusedKeepsItsFitWithItsBitmap)
{
    TAVIForm& f = Form();
    NewProject(Width, Height, 1);
    Add({WriteFile("small.gif", kelvo::test::FlatGif(1, Width / 10, Height / 10))});
    f.ActionSelAllExecute();
    desktop_.ModalDialogs.Answer<TDelayForm>([](TDelayForm& d) {
        d.CSpinEditWidth->setValue(Width);
        d.CSpinEditHeight->setValue(Height);
        d.Button1->click();
    });
    f.EditFrameSettings();
    ASSERT_EQ(f.FrameBitmaps[0]->Width(), Width);
    ASSERT_FALSE(f.FrameStretch[0]);
    const TColor corner = f.FrameBitmaps[0]->GetPixel(Width - 1, Height - 1);

    desktop_.ModalDialogs.Answer<TDelayForm>([](TDelayForm& d) {
        d.CheckBox1->click(); // fitted: the same size, stretched
        d.Button1->click();
    });
    {
        const TMemoryLeft memory(0);
        EXPECT_EQ(ErrorOf([&] { f.EditFrameSettings(); }), "Out of memory");
    }
    EXPECT_FALSE(f.FrameStretch[0]) << "the bitmap is not stretched";
    EXPECT_EQ(f.FramePlacements[0], (MYRECT{0, 0, Width, Height}));
    EXPECT_EQ(f.FrameBitmaps[0]->GetPixel(Width - 1, Height - 1), corner);
    ExpectConsistent();
}

// A clone that memory refuses before any copy is made leaves the selection as it was.
TEST_F(FrameMemory, ACloneRefusedAtOnceKeepsTheSelection)
{
    TAVIForm& f = Form();
    StretchedProject(5);
    f.ClearSelection();
    f.SelectFrame(1);
    f.SelectFrame(3);
    f.SetProjectModified(false);
    const std::deque<int> selected = f.SelectedFrames;
    {
        const TMemoryLeft memory(0);
        EXPECT_EQ(ErrorOf([&] { f.ActionCloneExecute(); }), "Out of memory");
    }
    EXPECT_EQ(f.FrameCount(), 5u);
    EXPECT_EQ(f.SelectedFrames, selected);
    for (std::size_t i = 0; i < 5; ++i)
        EXPECT_EQ(f.CellMarkers[i]->isHidden(), i != 1 && i != 3) << i;
    EXPECT_FALSE(f.ProjectModified());
    ExpectConsistent();
}

// The animated GIF and the AVI hold the frames' bitmaps anew: memory that cannot hold them
// ends the writing with "Out of memory" and lets go of all it held; the AVI file is closed,
// and an option the dialog stored before is the project's change all the same.
TEST_F(FrameMemory, OutputsThatMemoryCannotHoldEndAndLetGoOfWhatTheyHeld)
{
    for (const bool avi : {false, true}) {
        SCOPED_TRACE(avi ? "AVI" : "GIF");
        form_ = std::make_unique<TAVIForm>();
        TAVIForm& f = Form();
        StretchedProject(8, avi ? 0 : 1);
        f.ShowAniGifOptions = false;
        f.ShowAviOptions = avi;
        f.ShowCodecDialog = false;
        f.SetProjectModified(false);
        if (avi)
            desktop_.ModalDialogs.Answer<TAviOptionsForm>([](TAviOptionsForm& d) {
                d.CSpinEdit1->setValue(500);
                d.Button1->click();
            });
        const std::string out = PathOf(avi ? "out.avi" : "out.gif");
        desktop_.FileDialogs.Choose({out});
        const std::int64_t held = kelvo::test::HeldBytes();
        {
            const TMemoryLeft memory(3 * FrameBytes);
            EXPECT_EQ(ErrorOf([&] { f.CreateOutputFile(); }), "Out of memory");
        }
        EXPECT_LT(kelvo::test::HeldBytes() - held, FrameBytes / 4);
        EXPECT_EQ(f.ProjectModified(), avi) << "the frame time the dialog stored, 1000 to 500";
        EXPECT_EQ(f.AviFrameTime, avi ? 500 : 1000);
        EXPECT_FALSE(f.OptionsChanged);
        if (avi) {
            std::ifstream file(out, std::ios::binary);
            std::string head(4, '\0');
            file.read(head.data(), 4);
            EXPECT_EQ(head, "RIFF") << "closed with the frames written";
        }
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);

        // With memory back the output is written, and nothing of it is held once it is.
        f.ShowAviOptions = false;
        desktop_.FileDialogs.Choose({out});
        f.CreateOutputFile();
        EXPECT_TRUE(std::filesystem::exists(out));
        EXPECT_LT(kelvo::test::HeldBytes() - held, FrameBytes / 4);
    }
}

// The animated-GIF dialog's preview shows the image it built rather than a copy, and every
// build, OK's too, lets go of the image shown first: the create never holds two built
// images at once, and with room for less than a second one it goes through.
TEST_F(FrameMemory, TheGifOptionsDialogHoldsOneBuiltImageAtATime)
{
    TAVIForm& f = Form();
    StretchedProject(100);
    f.ShowAniGifOptions = true;
    const std::int64_t start = kelvo::test::HeldBytes();
    f.WriteGifAnimation(false, false, false, false);
    const std::int64_t build = kelvo::test::HeldBytes() - start;
    // The image to be saved holds its pixels, a byte each, and not the bitmaps they were
    // reduced into.
    EXPECT_LT(build, 100 * Width * Height * 5 / 4);
    desktop_.ModalDialogs.Answer<TAniGIFForm>([](TAniGIFForm& d) {
        d.Image1->repaint();
        d.CheckBox1->click(); // built again while the preview plays
        d.Image1->repaint();
        d.Button2->click();
    });
    const std::string out = PathOf("out.gif");
    desktop_.FileDialogs.Choose({out});
    std::int64_t peak = 0;
    {
        const TMemoryLeft memory(build / 2, [] { return kelvo::test::HeldBytes(); });
        peak = kelvo::test::PeakGrowth([&] { f.CreateOutputFile(); });
    }
    EXPECT_TRUE(std::filesystem::exists(out));
    EXPECT_LT(peak, build / 2) << "above the image held before";
    EXPECT_LT(kelvo::test::HeldBytes() - start, build / 20) << "the saved image is let go of";
}

// The preview's own bitmap is asked for before the run changes anything, and a frame that
// cannot be shown ends the run as the stop button does, the sound with it.
TEST_F(FrameMemory, APreviewThatMemoryCannotHoldDoesNotStartOrEnds)
{
    TAVIForm& f = Form();
    StretchedProject(3);
    f.AddSound = true;
    f.WavFile = PathOf("sound.wav");
    f.PaintBox1->resize(Width, Height);
    {
        const TMemoryLeft memory(FrameBytes / 2);
        EXPECT_EQ(ErrorOf([&] { f.ToolButRunClick(f.ToolButRun); }), "Out of memory");
    }
    EXPECT_FALSE(f.PreviewRunning);
    EXPECT_TRUE(f.ToolButRun->isEnabled());
    EXPECT_TRUE(f.File1->menuAction()->isEnabled());

    f.ToolButRunClick(f.ItemRunAVI);
    ASSERT_TRUE(f.PreviewRunning);
    ASSERT_EQ(desktop_.Sound.Played.size(), 1u);
    const int stops = desktop_.Sound.Stops;
    {
        const TMemoryLeft memory(0);
        EXPECT_EQ(ErrorOf([&] { desktop_.Timers.FireNext(); }), "Out of memory");
    }
    EXPECT_FALSE(f.PreviewRunning);
    EXPECT_FALSE(f.PreviewResumable);
    EXPECT_EQ(desktop_.Sound.Stops, stops + 1) << "the sound ends with the run";
    EXPECT_FALSE(f.ToolButStop->isEnabled());
    EXPECT_EQ(f.SelectedFrames, std::deque<int>{0}) << "back at the start, as after stop";
    EXPECT_EQ(PlaybackTimerId, 0u);
    EXPECT_TRUE(desktop_.Timers.ArmedDelays().empty());
    EXPECT_TRUE(f.ToolButRun->isEnabled());
    EXPECT_TRUE(f.File1->menuAction()->isEnabled());
    ExpectConsistent();
}

} // namespace
