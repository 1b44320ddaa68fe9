// The project options command on a window with frames: what it retimes, when it rebuilds
// every frame from its picture, and what it leaves alone.
#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QPushButton>
#include <QSpinBox>

#include <filesystem>

#include "app/dialogs/mainoptions.h"
#include "platform/qt/controls.h"
#include "project_fixture.h"

namespace {

class ProjectOptions : public TProjectTest {
protected:
    // Shows the options for the open project; the edit sets the controls, then OK.
    void Options(std::function<void(TOptionsForm&)> edit, bool ok = true)
    {
        desktop_.ModalDialogs.Answer<TOptionsForm>([edit, ok](TOptionsForm& d) {
            edit(d);
            if (ok)
                d.Button1->click();
            else
                d.Button2->click();
        });
        Form().ToolButProjectOptionsClick();
    }
    // An AVI or GIF project of two pictures, the second 6 x 4 flipped horizontally and
    // placed by hand, saved state: not modified.
    void TwoFrames(int type)
    {
        NewProject(10, 8, type, 400);
        Add({WriteBmp("a.bmp", 10, 8, 1), WriteBmp("b.bmp", 6, 4, 2)});
        TAVIForm& f = Form();
        f.FrameFlips[1] = 1;
        f.FramePlacements[1] = MYRECT{1, 1, 3, 3};
        f.FrameTimes[0] = 111;
        f.SetProjectModified(false);
    }
};

TEST_F(ProjectOptions, CancelChangesNothing)
{
    TwoFrames(1);
    TAVIForm& f = Form();
    const TBitmap* bitmap = f.FrameBitmaps[1].get();
    Options([](TOptionsForm& d) {
        d.CSpinEdit2->setValue(50);
        d.SetTypeItem(0);
        d.CheckBox1->setChecked(false);
    }, false);
    EXPECT_EQ(f.FrameWidth, 10);
    EXPECT_EQ(f.ProjectType, 1);
    EXPECT_TRUE(f.ShowAviOptions);
    EXPECT_EQ(f.FrameTimes[0], 111);
    EXPECT_EQ(f.FrameBitmaps[1].get(), bitmap);
    EXPECT_FALSE(f.ActionSaveProject->isEnabled());
}

TEST_F(ProjectOptions, TimesChangeFramesOnlyInAnAviProjectAndNothingIsRebuilt)
{
    struct TCase {
        int Type;
        std::function<void(TOptionsForm&)> Edit;
        std::vector<WORD> Times;
        bool Modified;
    };
    const TCase cases[] = {
        {0, [](TOptionsForm& d) { d.CSpinEdit1->setValue(300); }, {300, 300}, true},
        {1, [](TOptionsForm& d) { d.CSpinEdit4->setValue(900); }, {111, 500}, true},
        {1, [](TOptionsForm& d) { d.CSpinEdit1->setValue(300); }, {111, 500}, false},
        {0, [](TOptionsForm& d) { d.CheckBox4->setChecked(false); }, {400, 400}, false},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Type);
        form_ = std::make_unique<TAVIForm>();
        TwoFrames(c.Type);
        TAVIForm& f = Form();
        const TBitmap* bitmap = f.FrameBitmaps[1].get();
        Options(c.Edit);
        EXPECT_EQ(std::vector<WORD>(f.FrameTimes.begin(), f.FrameTimes.end()), c.Times);
        EXPECT_EQ(f.CellTimePanels[1]->Caption(), std::to_string(c.Times[1]) + " мсек");
        EXPECT_EQ(f.FrameBitmaps[1].get(), bitmap) << "not rebuilt";
        EXPECT_EQ(f.FramePlacements[1], (MYRECT{1, 1, 3, 3}));
        // Only what the project file keeps makes the project modified.
        EXPECT_EQ(f.ActionSaveProject->isEnabled(), c.Modified);
        EXPECT_FALSE(f.OptionsChanged);
    }
    EXPECT_EQ(Form().StatusBar1->PanelText(3), "Общее время: 800 мсек");
}

TEST_F(ProjectOptions, SwitchingAGifProjectToAviGivesEveryFrameTheAviTime)
{
    TwoFrames(1);
    TAVIForm& f = Form();
    Options([](TOptionsForm& d) {
        d.SetTypeItem(0);
        d.CSpinEdit1->setValue(250);
    });
    EXPECT_EQ(f.ProjectType, 0);
    EXPECT_EQ(f.FrameTimes[0], 250);
    EXPECT_EQ(f.FrameTimes[1], 250);
    EXPECT_EQ(f.StatusBar1->PanelText(1), "AVI");
    EXPECT_EQ(f.SaveDialog1->DefaultExt, "avi");
    EXPECT_TRUE(f.ActionSaveProject->isEnabled());
}

TEST_F(ProjectOptions, ANewSizeRebuildsEveryFrameFromItsPictureWithItsFlip)
{
    TwoFrames(0);
    TAVIForm& f = Form();
    f.ClearSelection();
    f.SelectFrame(1);
    Options([](TOptionsForm& d) {
        d.CSpinEdit2->setValue(320);
        d.CSpinEdit3->setValue(240);
    });
    EXPECT_EQ(f.StatusBar1->PanelText(2), "Размер: 320 x 240");
    EXPECT_EQ(f.FramePlacements[0], (MYRECT{0, 0, 10, 8}));
    EXPECT_EQ(f.FramePlacements[1], (MYRECT{0, 0, 6, 4})) << "the hand-made placement gives way";
    ASSERT_EQ(f.FrameBitmaps[1]->Width(), 6);
    // b.bmp's pixel (x, y) is RGB(x, y, 2); mirrored left to right.
    EXPECT_EQ(f.FrameBitmaps[1]->GetPixel(0, 0), RGB(5, 0, 2));
    EXPECT_EQ(f.FrameBitmaps[1]->GetPixel(5, 3), RGB(0, 3, 2));
    EXPECT_EQ(f.FrameFlips[1], 1);
    EXPECT_EQ(f.SelectedFrames, std::deque<int>{0});
    EXPECT_EQ(f.PreviewBitmap->Width(), 10);
    EXPECT_TRUE(f.ActionSaveProject->isEnabled());
    EXPECT_TRUE(f.ActionDown->isEnabled());
    EXPECT_EQ(f.DefaultPlacement, (MYRECT{0, 0, 320, 240}));
    EXPECT_EQ(f.TextFrameWidth, 320);
    EXPECT_TRUE(f.PanelBottom->isHidden());
}

TEST_F(ProjectOptions, AFrameThatCannotBeRebuiltIsLoggedAndTheOthersGoOn)
{
    TwoFrames(0);
    TAVIForm& f = Form();
    Add({WriteBmp("c.bmp", 12, 12, 3)});
    std::filesystem::remove(PathOf("a.bmp"));
    WriteText("b.bmp", "BM but no bitmap");
    desktop_.MessageBoxes.Answers.push_back(IDOK); // "Это не BMP."
    Options([](TOptionsForm& d) { d.CSpinEdit2->setValue(6); });
    EXPECT_EQ(LogLines(), (std::vector<std::string>{"Не найден файл: " + PathOf("a.bmp"),
                                                    "Ошибка при создании BITMAP из " + PathOf("b.bmp")}));
    EXPECT_FALSE(f.PanelBottom->isHidden());
    EXPECT_EQ(f.FramePlacements[0], (MYRECT{0, 0, 10, 8})) << "kept as it was";
    EXPECT_EQ(f.FramePlacements[2], (MYRECT{0, 0, 6, 8})) << "rebuilt";
}

// The rebuild loads a GIF once for each run of frames that follow each other in it.
TEST_F(ProjectOptions, ARebuildLoadsEachRunOfOneGifOnce)
{
    GifRunsProject();
    TAVIForm& f = Form();
    f.FramePlacements[6] = MYRECT{1, 1, 1, 1};
    EXPECT_EQ(GifLoadsOf([&] { Options([](TOptionsForm& d) { d.CSpinEdit2->setValue(6); }); }), 3u);
    EXPECT_EQ(f.FramePlacements[6], (MYRECT{0, 0, 3, 2})) << "fitted anew from its image";
    EXPECT_EQ(f.FrameBitmaps[6]->Width(), 3);
    EXPECT_EQ(f.FrameBitmaps[6]->GetPixel(0, 0), f.FrameBitmaps[1]->GetPixel(0, 0));
    EXPECT_TRUE(LogLines().empty());
}

TEST_F(ProjectOptions, AnEmptyProjectStillShowsItsNewTypeAndSize)
{
    NewProject(10, 8, 0);
    TAVIForm& f = Form();
    Options([](TOptionsForm& d) {
        d.SetTypeItem(1);
        d.CSpinEdit2->setValue(64);
    });
    EXPECT_EQ(f.StatusBar1->PanelText(1), "GIF");
    EXPECT_EQ(f.StatusBar1->PanelText(2), "Размер: 64 x 8");
    EXPECT_EQ(f.SaveDialog1->FilterIndex, 2);
}

} // namespace
