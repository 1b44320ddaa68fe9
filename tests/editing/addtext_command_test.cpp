// The text-frame command: what the frames made by the dialog become in the project.
#include <QAction>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>

#include <fstream>

#include "app/form_fixture.h"
#include "app/status_text.h"
#include "editing/addtext.h"
#include "editing/fake_text_renderer.h"
#include "platform/qt/controls.h"
#include "platform/memory_guard.h"
#include "platform/qt/window_update.h"
#include "support/error_of.h"
#include "support/memory_left.h"

namespace {

class TextFrameCommand : public TFormTest {
protected:
    TTestForm& Project(int frames, bool stretch)
    {
        // After the platform's own renderer, which the fixture's first start installs.
        if (!renderer_)
            renderer_ = std::make_unique<TFakeTextRenderer>();
        TTestForm& f = MakeForm();
        f.ProgramFolder = temp_.Path().string() + "/";
        f.ProjectType = 1;
        f.FrameWidth = 320;
        f.FrameHeight = 240;
        f.DefaultPlacement = MYRECT{0, 0, 320, 240};
        f.ProjectStretch = stretch;
        f.GifFrameTime = 500;
        f.ResetTextDefaults(320, 240, "AB");
        f.TextFrameLeft = 10;
        f.TextFrameTop = 20;
        f.TextFrameWidth = 100;
        f.TextFrameHeight = 40;
        for (int i = 0; i < frames; ++i) {
            TFrameData frame;
            frame.File = "frame" + std::to_string(i) + ".bmp";
            frame.Bitmap = std::make_unique<TBitmap>(320, 240, pf24bit);
            frame.Placement = MYRECT{0, 0, 320, 240};
            frame.Time = 500;
            f.AppendFrameWithCell(std::move(frame));
        }
        f.SetStripRange();
        f.ActionAddText->setEnabled(true);
        return f;
    }
    void AnswerAdd()
    {
        desktop_.ModalDialogs.Answer<TFormText>([](TFormText& dialog) {
            dialog.Edit1->setText("AB");
            dialog.Button1->click();
        });
    }

    std::unique_ptr<TFakeTextRenderer> renderer_;
};

} // namespace

TEST_F(TextFrameCommand, AfterTheLastFrameTheFramesAreAppendedAndTheLastShown)
{
    for (const bool stretch : {false, true}) {
        SCOPED_TRACE(stretch ? "stretched" : "as placed");
        TTestForm& f = Project(2, stretch);
        f.SelectFrame(1);
        AnswerAdd();
        f.ActionAddText->trigger();
        ASSERT_EQ(f.FrameCount(), 7u);
        const MYRECT placed = stretch ? MYRECT{0, 0, 320, 240} : MYRECT{10, 20, 100, 40};
        for (std::size_t i = 2; i < 7; ++i) {
            EXPECT_EQ(f.FramePlacements[i], placed) << i;
            EXPECT_EQ(f.FrameBitmaps[i]->Width(), placed.Width);
            EXPECT_EQ(f.FrameBitmaps[i]->Height(), placed.Height);
            EXPECT_EQ(f.FrameGifOptions[i].ReductionBit, 3);
            EXPECT_FALSE(f.FrameGifOptions[i].GIFTransparent);
            EXPECT_EQ(f.FrameFiles[i], f.ProgramFolder + "Work/" + (stretch ? "1AB.gif" : "AB.gif"));
        }
        EXPECT_EQ(f.SelectedFrames, std::deque<int>{6});
        EXPECT_TRUE(f.ActionUp->isEnabled());
        EXPECT_FALSE(f.ActionDown->isEnabled());
        EXPECT_TRUE(f.ActionSaveProject->isEnabled());
        QScrollBar* bar = f.ScrollBox2->verticalScrollBar();
        EXPECT_EQ(bar->value(), bar->maximum());
        EXPECT_EQ(bar->singleStep(), f.CellHeight + 4);
        EXPECT_EQ(f.StatusBar1->PanelText(4), FrameCountText(7));
    }
}

TEST_F(TextFrameCommand, ElsewhereTheFramesGoInAfterTheFirstSelected)
{
    TTestForm& f = Project(3, false);
    f.SelectFrame(0);
    f.SelectFrame(2);
    AnswerAdd();
    f.ActionAddText->trigger();
    ASSERT_EQ(f.FrameCount(), 8u);
    for (std::size_t i = 1; i <= 5; ++i)
        EXPECT_EQ(f.FrameFiles[i], f.ProgramFolder + "Work/AB.gif") << i;
    EXPECT_EQ(f.FrameFiles[6], "frame1.bmp");
    EXPECT_NE(std::find(f.SelectedFrames.begin(), f.SelectedFrames.end(), 1), f.SelectedFrames.end());
    EXPECT_TRUE(f.ActionUp->isEnabled());
    EXPECT_TRUE(f.ActionDown->isEnabled());
    EXPECT_TRUE(f.ActionSaveProject->isEnabled());
}

// Memory that holds only some of the text frames ends the command as it ends the add command:
// the frames brought in so far are in the strip, one of them selected, and counted.
TEST_F(TextFrameCommand, MemoryThatRunsOutKeepsTheTextFramesMadeAndShowsThem)
{
    struct TCase {
        bool Last;    // the selected frame is the last one
        bool Stretch; // text frames of 320 x 240, else of the text area's 100 x 40 at (10, 20)
        std::int64_t Memory;
    };
    // Room for the dialog's frames of the text area and about two frames of the project with
    // their thumbnails and cells.
    const TCase cases[] = {{true, true, 1 << 20}, {false, true, 1 << 20}, {true, false, 450 << 10}};
    for (const TCase& c : cases) {
        const bool last = c.Last;
        SCOPED_TRACE(std::string(last ? "after the last frame" : "in between") + (c.Stretch ? ", stretched" : ""));
        TTestForm& f = Project(2, c.Stretch);
        f.SelectFrame(last ? 1 : 0);
        f.SetProjectModified(false);
        AnswerAdd();
        {
            const kelvo::test::TMemoryLeft memory(c.Memory);
            EXPECT_EQ(ErrorOf([&] { f.ActionAddTextExecute(); }), "Out of memory");
        }
        const std::size_t count = f.FrameCount();
        EXPECT_GT(count, 2u);
        EXPECT_LT(count, 7u);
        ASSERT_EQ(f.CellPanels.size(), count);
        for (std::size_t i = 0; i < count; ++i) {
            EXPECT_EQ(f.CellHeaderPanels[i]->Caption(), "Кадр #" + std::to_string(i + 1));
            EXPECT_EQ(f.FrameBitmaps[i]->Width(), f.FramePlacements[i].Width);
        }
        // Every text frame brought in stands where the text area was, with the text options,
        // though memory had run out before they were fitted.
        const std::size_t text = last ? 2 : 1;
        for (std::size_t i = text; i < text + count - 2; ++i) {
            EXPECT_EQ(f.FrameFiles[i].rfind(f.ProgramFolder + "Work/", 0), 0u) << f.FrameFiles[i];
            EXPECT_EQ(f.FrameGifOptions[i].ReductionBit, 3) << i;
            const MYRECT area = c.Stretch ? MYRECT{0, 0, 320, 240} : MYRECT{10, 20, 100, 40};
            EXPECT_EQ(f.FramePlacements[i], area) << i;
        }
        EXPECT_EQ(f.SelectedFrames, std::deque<int>{last ? int(count) - 1 : 1});
        EXPECT_FALSE(f.CellMarkers[std::size_t(f.SelectedFrames.front())]->isHidden());
        EXPECT_TRUE(f.ActionSaveProject->isEnabled());
        EXPECT_TRUE(f.ActionDelete->isEnabled());
        EXPECT_EQ(f.StatusBar1->PanelText(4), "Всего кадров: " + std::to_string(count));
        EXPECT_EQ(LockedWindow(), nullptr);
        EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    }
}

// Fitting the frames brought in to the text area: every frame gets the text options and the
// area's place whatever memory is left; only a bitmap whose size changes asks for memory, and
// one that memory cannot hold keeps its frame as it came.
TEST_F(TextFrameCommand, FittingAsksOnlyForTheBitmapsThatChangeSize)
{
    for (const int room : {0, 1}) {
        SCOPED_TRACE(room);
        TTestForm& f = Project(0, false);
        const bool sized[] = {false, true, false, true}; // already of the text area's size
        for (const bool same : sized) {
            TFrameData frame;
            frame.Bitmap = std::make_unique<TBitmap>(same ? 100 : 320, same ? 40 : 240, pf24bit);
            frame.Placement = MYRECT{0, 0, same ? 100 : 320, same ? 40 : 240};
            f.AppendFrameWithCell(std::move(frame));
        }
        f.TextFramePlacement = MYRECT{10, 20, 100, 40};
        const std::uint64_t resized = BitmapMemoryBytes(100, 40, 24) + BitmapMemoryBytes(320, 240, 24);
        {
            const kelvo::test::TMemoryLeft memory(std::int64_t(room * resized));
            EXPECT_EQ(ErrorOf([&] { f.FitTextFrames(0, 4); }), "Out of memory");
        }
        for (std::size_t i = 0; i < 4; ++i) {
            const bool fitted = sized[i] || int(i) < room;
            EXPECT_EQ(f.FrameGifOptions[i].ReductionBit, 3) << i;
            const MYRECT placed = fitted ? MYRECT{10, 20, 100, 40} : MYRECT{0, 0, 320, 240};
            EXPECT_EQ(f.FramePlacements[i], placed) << i;
            EXPECT_EQ(f.FrameBitmaps[i]->Width(), placed.Width) << i;
            EXPECT_EQ(f.FrameBitmaps[i]->Height(), placed.Height) << i;
        }
    }
}

TEST_F(TextFrameCommand, NothingComesInWithoutAGifOfThisAdd)
{
    TTestForm& f = Project(1, false);
    f.SelectFrame(0);
    // A file of an earlier run is no reason to import anything.
    f.TextFramesGifPath = f.ProgramFolder + "old.gif";
    std::ofstream(f.ProgramFolder + "Work") << "in the way";
    boxes_.Answers = {IDOK};
    AnswerAdd();
    f.ActionAddText->trigger();
    desktop_.ModalDialogs.AnswerCancel();
    f.ActionAddText->trigger();
    EXPECT_EQ(f.FrameCount(), 1u);
    ASSERT_EQ(boxes_.Asked.size(), 1u);
    EXPECT_EQ(boxes_.Asked[0].Text, "Невозможно создать " + f.ProgramFolder + " папку Work.");
    EXPECT_FALSE(f.ActionSaveProject->isEnabled());
}
