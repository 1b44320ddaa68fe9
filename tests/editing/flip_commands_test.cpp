// The flip commands of the main window: each selected frame made anew from its picture in
// the chosen mode, and what happens to the frames that cannot be.
#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>

#include <filesystem>

#include "app/project_fixture.h"
#include "gif/gif_types.h"
#include "platform/qt/controls.h"

namespace {

class FlipCommands : public TProjectTest {
protected:
    // Frames of 3 x 2 pictures whose pixel (x, y) is RGB(x, y, seed).
    void Frames(int count)
    {
        NewProject(10, 10);
        for (int i = 0; i < count; ++i) {
            const std::string number = std::to_string(i);
            Add({WriteBmp("f" + number + ".bmp", 3, 2, i)});
        }
        Form().SetProjectModified(false);
    }
    void Select(std::initializer_list<int> frames)
    {
        Form().ClearSelection();
        for (int n : frames)
            Form().SelectFrame(n);
    }
    TColor Pixel(int frame, int x, int y) { return Form().FrameBitmaps[std::size_t(frame)]->GetPixel(x, y); }
};

TEST_F(FlipCommands, TheModesAreAbsoluteToThePicture)
{
    Frames(1);
    TAVIForm& f = Form();
    Select({0});
    struct TStep {
        QAction* TAVIForm::*Item;
        int Mode;
        TColor TopLeft;
    };
    const TStep steps[] = {
        {&TAVIForm::ItemHorizontal, 1, RGB(2, 0, 0)},
        {&TAVIForm::ItemVertical, 2, RGB(0, 1, 0)}, // not both: the vertical flip alone
        {&TAVIForm::ItemHorizVert2, 3, RGB(2, 1, 0)},
        {&TAVIForm::ItemNormal, 0, RGB(0, 0, 0)},
    };
    f.ActionFlipExecute();
    for (const TStep& s : steps) {
        (f.*s.Item)->trigger();
        EXPECT_EQ(f.FrameFlips[0], s.Mode);
        EXPECT_EQ(Pixel(0, 0, 0), s.TopLeft) << s.Mode;
        EXPECT_EQ(f.PreviewBitmap->GetPixel(0, 0), s.TopLeft);
    }
    EXPECT_TRUE(f.ActionSaveProject->isEnabled());
}

TEST_F(FlipCommands, TheMenusOfferTheFourModes)
{
    TAVIForm& f = Form();
    EXPECT_EQ(f.ItemVertical2->text().toStdString(), "Вертикальный");
    EXPECT_EQ(f.ItemVertical->text().toStdString(), "Вертикально");
    for (QAction* item : {f.ItemNormal, f.ItemHorizontal, f.ItemVertical, f.ItemHorizVert})
        EXPECT_FALSE(item->isEnabled());
    f.ActionFlip->setEnabled(true);
    f.ActionFlip->trigger();
    for (QAction* item : {f.ItemNormal, f.ItemHorizontal, f.ItemVertical, f.ItemHorizVert})
        EXPECT_TRUE(item->isEnabled());
}

TEST_F(FlipCommands, FramesThatCannotBeRebuiltKeepTheirModeAndTheOthersAreFlipped)
{
    Frames(3);
    TAVIForm& f = Form();
    std::filesystem::remove(PathOf("f1.bmp"));
    // A source of a kind the command does not read keeps its bitmap but takes the mode.
    std::filesystem::rename(PathOf("f2.bmp"), PathOf("f2.dat"));
    f.FrameFiles[2] = PathOf("f2.dat");
    Select({2, 1, 0});
    f.ItemHorizontalClick();
    EXPECT_EQ(f.FrameFlips[0], 1);
    EXPECT_EQ(Pixel(0, 0, 0), RGB(2, 0, 0));
    EXPECT_EQ(f.FrameFlips[1], 0);
    EXPECT_EQ(Pixel(1, 0, 0), RGB(0, 0, 1));
    EXPECT_EQ(f.FrameFlips[2], 1);
    EXPECT_EQ(Pixel(2, 0, 0), RGB(0, 0, 2));
    EXPECT_EQ(LogLines(), std::vector<std::string>{"Не найден файл: " + PathOf("f1.bmp")});
    EXPECT_FALSE(f.PanelBottom->isHidden());
    EXPECT_EQ(f.PreviewBitmap->GetPixel(0, 0), RGB(0, 0, 2)) << "the frame selected first is shown";
    EXPECT_EQ(f.SelectedFrames, (std::deque<int>{2, 1, 0}));
}

TEST_F(FlipCommands, ASourceItsLibraryRefusesIsLoggedAndTheOthersAreFlipped)
{
    Frames(4);
    TAVIForm& f = Form();
    f.FrameFiles[1] = WriteFile("cut.gif", {'G', 'I', 'F', '8', '9', 'a', 0, 0, 0});
    f.FrameFiles[2] = WriteFile("cut.png", {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'});
    Select({0, 1, 2, 3});
    EXPECT_NO_THROW(f.ItemHorizontalClick());
    for (int n : {0, 3}) {
        EXPECT_EQ(f.FrameFlips[std::size_t(n)], 1) << n;
        EXPECT_EQ(Pixel(n, 0, 0), RGB(2, 0, BYTE(n))) << n;
    }
    for (int n : {1, 2}) {
        EXPECT_EQ(f.FrameFlips[std::size_t(n)], 0) << n;
        EXPECT_EQ(Pixel(n, 0, 0), RGB(0, 0, BYTE(n))) << "the bitmap it had";
    }
    EXPECT_EQ(LogLines(), (std::vector<std::string>{"Ошибка при создании BITMAP из " + f.FrameFiles[1],
                                                    "Ошибка при создании BITMAP из " + f.FrameFiles[2]}));
    EXPECT_TRUE(f.ActionSaveProject->isEnabled());
    EXPECT_FALSE(f.PanelBottom->isHidden());
}

TEST_F(FlipCommands, AGifFrameWhoseImageIsGoneIsLoggedAndTheProjectStillCountsAsModified)
{
    NewProject(10, 10);
    TAVIForm& f = Form();
    const std::string gif = WriteFile("g.gif", GifBytes(4, 4, 2, {{0, 0, 2, 2}, {0, 0, 2, 2}}));
    Add({gif});
    ASSERT_EQ(f.FrameCount(), 2u);
    WriteFile("g.gif", GifBytes(4, 4, 2, {{0, 0, 2, 2}}));
    f.SetProjectModified(false);
    Select({1});
    f.ItemVerticalClick();
    EXPECT_EQ(LogLines(), std::vector<std::string>{"Не найден кадр 1 в файле " + gif});
    EXPECT_EQ(f.FrameFlips[1], 0);
    EXPECT_TRUE(f.ActionSaveProject->isEnabled());
    EXPECT_TRUE(GIFImageDefaultDrawOptions.Contains(goAnimate));
}

// Frames that follow each other in one GIF file, in the order they were selected, load it
// once; the file is loaded again when another one came between.
TEST_F(FlipCommands, FramesOfOneGifThatFollowEachOtherLoadItOnce)
{
    GifRunsProject();
    TAVIForm& f = Form();
    Select({0, 5, 1, 2, 3, 4, 6, 7});
    EXPECT_EQ(GifLoadsOf([&] { f.ItemHorizontalClick(); }), 3u);
    for (std::size_t n = 0; n < 8; ++n)
        EXPECT_EQ(f.FrameFlips[n], 1) << n;
    Select({0, 1, 2, 5, 6, 7});
    EXPECT_EQ(GifLoadsOf([&] { f.ItemNormalClick(); }), 1u);
    EXPECT_TRUE(LogLines().empty());
}

TEST_F(FlipCommands, AStretchedFrameIsScaledThenMirroredAsTheReaderBuildsIt)
{
    NewProject(6, 2);
    TAVIForm& f = Form();
    f.ProjectStretch = true;
    Add({WriteBmp("s.bmp", 3, 1)});
    ASSERT_TRUE(f.FrameStretch[0]);
    Select({0});
    f.ItemHorizontalClick();
    ASSERT_EQ(f.FrameBitmaps[0]->Width(), 6);
    EXPECT_EQ(Pixel(0, 0, 0), RGB(2, 0, 0));
    EXPECT_EQ(Pixel(0, 5, 1), RGB(0, 0, 0));
}

} // namespace
