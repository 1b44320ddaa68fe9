// Picture and GIF files brought in as frames: the add and insert commands, drops, the frames
// of a GIF file, and how each new frame is timed and placed.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>

#include "app/frame_import_rules.h"
#include "gif/gifimage.h"
#include "platform/qt/controls.h"
#include "platform/qt/window_update.h"
#include "project_fixture.h"
#include "support/allocation_count.h"
#include "support/error_of.h"
#include "support/flat_gif.h"
#include "support/lzw_codes.h"

namespace {

using FrameImport = TProjectTest;

std::vector<std::string> Captions(TAVIForm& f)
{
    std::vector<std::string> captions;
    for (TPanel* panel : f.CellTimePanels)
        captions.push_back(panel->Caption());
    return captions;
}

TEST_F(FrameImport, AddingPicturesAndAGifAppendsAFramePerImage)
{
    TAVIForm& f = Form();
    NewProject(20, 10, 1);
    f.SetProjectModified(false);
    const std::string a = WriteBmp("a.bmp", 4, 3);
    const std::string b = WriteFile("b.gif", GifBytes(8, 8, 2, {{0, 0, 2, 2, 7}, {1, 1}, {2, 2, 3, 1, 0}}, true));
    const std::string c = WriteText("c.txt", "not a picture");
    Add({a, b, c});

    ASSERT_EQ(f.FrameCount(), 4u);
    EXPECT_EQ(f.FrameFiles[0], a);
    for (std::size_t i = 1; i < 4; ++i)
        EXPECT_EQ(f.FrameFiles[i], b);
    EXPECT_EQ(std::vector<int>(f.FrameSubImages.begin(), f.FrameSubImages.end()), (std::vector<int>{0, 0, 1, 2}));
    EXPECT_EQ(f.FramePlacements[1], (MYRECT{0, 0, 2, 2}));
    EXPECT_EQ(f.FramePlacements[3], (MYRECT{2, 2, 3, 1}));
    EXPECT_EQ(f.FrameBitmaps[3]->Width(), 3);
    // A GIF project times GIF frames by their delays; none or zero gives the GIF time.
    EXPECT_EQ(Captions(f), (std::vector<std::string>{"500 мсек", "70 мсек", "500 мсек", "500 мсек"}));
    EXPECT_EQ(f.CellHeaderPanels[3]->Caption(), "Кадр #4");
    EXPECT_EQ(f.SelectedFrames, std::deque<int>{3});
    EXPECT_EQ(f.PreviewBitmap->Width(), 3) << "the last frame is shown";
    EXPECT_TRUE(f.ActionSaveProject->isEnabled());
    EXPECT_TRUE(f.ActionUp->isEnabled());
    EXPECT_FALSE(f.ActionDown->isEnabled());
    EXPECT_EQ(f.StatusBar1->PanelText(4), "Всего кадров: 4");
    EXPECT_EQ(LockedWindow(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(FrameImport, InsertedFilesGoBeforeTheFirstSelectedFrameLaterFilesFirst)
{
    TAVIForm& f = Form();
    NewProject(20, 10, 1);
    for (int i = 0; i < 4; ++i)
        Add({WriteBmp("f" + std::to_string(i) + ".bmp", 2 + i, 2)});
    f.ClearSelection();
    f.SelectFrame(2);
    f.SelectFrame(0);
    f.ShowFrame(2);
    f.UpdateFrameActions(true);
    const std::string x = WriteBmp("x.bmp", 6, 2), y = WriteBmp("y.bmp", 7, 2);
    desktop_.FileDialogs.Choose({x, y});
    f.ActionInsert->trigger();

    ASSERT_EQ(f.FrameCount(), 6u);
    EXPECT_EQ(f.FrameFiles[2], y);
    EXPECT_EQ(f.FrameFiles[3], x);
    EXPECT_EQ(f.FrameFiles[4], PathOf("f2.bmp"));
    EXPECT_EQ(f.SelectedFrames, std::deque<int>{4}) << "the frame selected before";
    EXPECT_TRUE(f.ActionUp->isEnabled());
    EXPECT_TRUE(f.ActionDown->isEnabled());
    EXPECT_TRUE(f.ActionSaveProject->isEnabled());
    // Cells keep their numbers; their content follows the frames.
    EXPECT_EQ(f.CellHeaderPanels[5]->Caption(), "Кадр #6");
    EXPECT_EQ(f.PreviewBitmap->Width(), 4) << "the preview keeps the frame it showed";

    // A GIF goes in with its images in order.
    f.ClearSelection();
    f.SelectFrame(0);
    desktop_.FileDialogs.Choose({WriteFile("three.gif", GifBytes(4, 4, 2, {{0, 0, 1, 1, 1, 0, 1}, {0, 0, 1, 1, 2, 0, 2}, {0, 0, 1, 1, 3, 0, 3}}))});
    f.ActionInsertExecute();
    ASSERT_EQ(f.FrameCount(), 9u);
    EXPECT_EQ(f.FrameSubImages[0], 0);
    EXPECT_EQ(f.FrameSubImages[1], 1);
    EXPECT_EQ(f.FrameSubImages[2], 2);
    EXPECT_EQ(f.FrameTimes[2], 30);
    EXPECT_EQ(f.SelectedFrames, std::deque<int>{3});
}

TEST_F(FrameImport, InsertWithoutASelectionDoesNothing)
{
    TAVIForm& f = Form();
    NewProject(20, 10);
    f.ActionInsertExecute(); // strict doubles: no dialog may come up
    EXPECT_EQ(f.FrameCount(), 0u);
}

TEST_F(FrameImport, FrameTimeOfAGifImage)
{
    struct TCase {
        int Type, Avi;
        WORD Gif;
        bool HasDelay;
        int Delay;
        WORD Time;
    };
    const TCase cases[] = {
        {1, 1000, 500, true, 7, 70},      {1, 1000, 500, true, 0, 500},    {1, 1000, 500, false, 0, 500},
        {1, 1000, 500, true, 6553, 65530}, {1, 1000, 500, true, 6554, 65535}, {1, 1000, 500, true, 65535, 65535},
        {0, 250, 500, true, 7, 250},      {0, 70000, 500, false, 0, 4464}, {0, 65536, 500, true, 3, 500},
    };
    for (const TCase& c : cases)
        EXPECT_EQ(GifImageFrameTime(c.Type, c.Avi, c.Gif, c.HasDelay, c.Delay), c.Time)
            << c.Type << " " << c.Avi << " " << c.Delay;
}

TEST_F(FrameImport, ColourDepthOfAGifImage)
{
    const int cases[][3] = {{1, 8, 8}, {1, 1, 3}, {2, 2, 3}, {5, 8, 5}, {3, 3, 3}, {1, 9, 8}};
    for (const auto& c : cases)
        EXPECT_EQ(GifImageReductionBits(c[0], c[1]), c[2]) << c[0] << " in " << c[1];

    // The file's depth is its largest: a 1-bit image beside an 8-bit header aims at 8 bits.
    TAVIForm& f = Form();
    NewProject(20, 10);
    Add({WriteFile("deep.gif", GifBytes(4, 4, 8, {{0, 0, 1, 1, -1, 1, 1}}))});
    ASSERT_EQ(f.FrameCount(), 1u);
    EXPECT_EQ(f.FrameGifOptions[0].ReductionBit, 8);
    EXPECT_EQ(f.FrameTimes[0], 1000) << "an AVI project gives its own time";
}

TEST_F(FrameImport, AGifImageInsideTheFrameKeepsItsPlaceOneOutsideGoesToTheEdge)
{
    TAVIForm& f = Form();
    NewProject(320, 240);
    Add({WriteFile("far.gif", GifBytes(400, 10, 2, {{300, 0}, {320, 0}}))});
    ASSERT_EQ(f.FrameCount(), 2u);
    EXPECT_EQ(f.FramePlacements[0].Left, 300);
    EXPECT_EQ(f.FramePlacements[1].Left, 0);
}

TEST_F(FrameImport, ADamagedGifIsReportedAndAddsNothing)
{
    TAVIForm& f = Form();
    NewProject(20, 10);
    desktop_.MessageBoxes.Answers.push_back(IDOK);
    Add({WriteText("broken.gif", "GIF89a but nothing after that")});
    ASSERT_EQ(desktop_.MessageBoxes.Asked.size(), 1u);
    EXPECT_EQ(desktop_.MessageBoxes.Asked[0].Text, "Это не GIF.");
    EXPECT_EQ(desktop_.MessageBoxes.Asked[0].Caption, "Ошибка");
    EXPECT_EQ(desktop_.MessageBoxes.Asked[0].Flags, MB_OK);
    EXPECT_EQ(f.FrameCount(), 0u);
    EXPECT_TRUE(GIFImageDefaultDrawOptions.Contains(goAnimate));
    EXPECT_TRUE(f.ActionSaveProject->isEnabled()) << "refreshed as after any add";
}

// A file of many large images whose data stop early, with the proportion of pixels to bytes
// of one that once took all the memory of the machine: every image becomes a frame, and the
// import never holds much more than one image and its picture at a time.
TEST_F(FrameImport, AGifOfManyLargeImagesCostsAboutOneImageAtATime)
{
    TAVIForm& f = Form();
    NewProject(32, 24, 1);
    constexpr int images = 40, side = 2048;
    const std::string gif = WriteFile(
        "large.gif", kelvo::test::EarlyEndingGif(images, side, kelvo::test::EarlyEndingDataBytes(side)));
    const std::int64_t cost = kelvo::test::PeakGrowth([&] { Add({gif}); });
    EXPECT_EQ(f.FrameCount(), std::size_t(images));
    EXPECT_EQ(f.FrameBitmaps[images - 1]->GetPixel(1, 0), RGB(255, 255, 255));
    // One image: its pixels and bitmap in the library, the picture's copy of the bitmap and
    // the picture at 24 bits.
    const std::int64_t oneImage = std::int64_t(side) * side * (1 + 1 + 1 + 3);
    EXPECT_LT(cost, 2 * oneImage) << cost;
}

// Large, flat images as the program writes them, each whole: 60 of 2500 x 2500 in about
// 300 KB, more pixels than a bound by the file's size allows at once, but one image at a time
// they fit. Every image becomes a frame, and the import holds about one image beside what
// the library keeps of the file.
TEST_F(FrameImport, AFlatGifOfLargeWholeImagesImportsWholeAboutOneImageAtATime)
{
    TAVIForm& f = Form();
    NewProject(32, 24, 1);
    constexpr int images = 60, side = 2500;
    const std::string gif = WriteFile("flat.gif", kelvo::test::FlatGif(images, side, side));
    const std::int64_t cost = kelvo::test::PeakGrowth([&] { Add({gif}); });
    ASSERT_EQ(f.FrameCount(), std::size_t(images));
    EXPECT_EQ(f.FrameSubImages[images - 1], images - 1);
    EXPECT_EQ(f.FrameTimes[images - 1], 40);
    EXPECT_EQ(f.FramePlacements[images - 1], (MYRECT{0, 0, 32, 24}));
    EXPECT_EQ(f.FrameBitmaps[images - 1]->GetPixel(31, 23), RGB(255, 255, 255));
    // One image: its pixels and bitmap in the library, the picture's copy of the bitmap and
    // the picture at 24 bits; beside it what the library keeps of the file.
    const std::int64_t oneImage = std::int64_t(side) * side * (1 + 1 + 1 + 3);
    EXPECT_LT(cost, std::int64_t(GIFKeptPixelBytes) + oneImage + (std::int64_t(16) << 20)) << cost;
}

// Memory that cannot hold a GIF's image ends the command with the program's out-of-memory
// error: the file is a GIF, so no "Это не GIF."; the frames made before stay, also those of
// the same file, and the program goes on. Here a small file claims an image it has no data
// for, which its bound refuses.
TEST_F(FrameImport, AGifThatMemoryCannotHoldEndsTheCommandSayingSoAndKeepsTheFramesBefore)
{
    std::vector<BYTE> bytes = kelvo::test::EarlyEndingGif(1, 16384, 64);
    std::vector<BYTE> small = {0x2C, 0, 0, 0, 0, 2, 0, 2, 0, 0};
    const std::vector<BYTE> data = kelvo::test::PackCodes(2, {4, 1, 1, 1, 1, 5});
    small.insert(small.end(), data.begin(), data.end());
    bytes.insert(bytes.end() - 1, small.begin(), small.end()); // after the large image
    bytes.insert(bytes.begin() + 19, small.begin(), small.end()); // after the header
    for (const bool insert : {false, true}) {
        SCOPED_TRACE(insert ? "insert" : "add");
        form_ = std::make_unique<TAVIForm>();
        TAVIForm& f = Form();
        NewProject(20, 10, 1);
        Add({WriteBmp("a.bmp", 4, 3)});
        const std::string gif = WriteFile("mixed.gif", bytes);
        desktop_.FileDialogs.Choose({gif, WriteBmp("b.bmp", 4, 3)});
        const std::string error = ErrorOf([&] { insert ? f.ActionInsertExecute() : f.ActionAddExecute(); });

        EXPECT_EQ(error, "Out of memory");
        EXPECT_TRUE(desktop_.MessageBoxes.Asked.empty());
        ASSERT_EQ(f.FrameCount(), 2u) << "the picture before and the GIF's first image";
        EXPECT_EQ(f.FrameFiles[insert ? 0 : 1], gif);
        EXPECT_EQ(f.FrameBitmaps[insert ? 0 : 1]->GetPixel(0, 0), RGB(255, 255, 255));
        EXPECT_EQ(f.SelectedFrames.size(), 1u);
        EXPECT_TRUE(GIFImageDefaultDrawOptions.Contains(goAnimate));
        EXPECT_EQ(LockedWindow(), nullptr);
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
        Add({WriteBmp("c.bmp", 4, 3)});
        EXPECT_EQ(f.FrameCount(), 3u);
    }
}

TEST_F(FrameImport, AnErrorPartWayKeepsTheFramesAddedAndShowsThem)
{
    TAVIForm& f = Form();
    NewProject(20, 10);
    f.SetProjectModified(false);
    const std::string a = WriteBmp("a.bmp", 4, 3);
    desktop_.FileDialogs.Choose({a, WriteText("bad.png", "no png here"), a});
    EXPECT_ANY_THROW(f.ActionAddExecute());
    EXPECT_EQ(f.FrameCount(), 1u);
    EXPECT_EQ(f.SelectedFrames, std::deque<int>{0});
    EXPECT_TRUE(f.ActionSaveProject->isEnabled());
    EXPECT_EQ(f.StatusBar1->PanelText(4), "Всего кадров: 1");
    EXPECT_EQ(LockedWindow(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(FrameImport, ADropStopsAtTheFirstFileOfAnotherKind)
{
    TAVIForm& f = Form();
    const std::string a = WriteBmp("a.bmp", 4, 3);
    const std::vector<std::string> drop{a, WriteText("notes.txt", "x"), WriteBmp("b.png", 2, 2)};
    f.WMDropFiles(drop);
    EXPECT_EQ(f.FrameCount(), 0u) << "no project yet";

    NewProject(20, 10);
    f.PreviewResumable = true;
    f.WMDropFiles(drop);
    EXPECT_EQ(f.FrameCount(), 0u) << "the preview is paused";
    f.PreviewResumable = false;

    f.SetProjectModified(false);
    f.WMDropFiles(drop);
    ASSERT_EQ(f.FrameCount(), 1u);
    EXPECT_EQ(f.FrameFiles[0], a);
    EXPECT_EQ(f.SelectedFrames, std::deque<int>{0});
    EXPECT_TRUE(f.ActionSaveProject->isEnabled());
}

TEST_F(FrameImport, InsertGifFramesChecksItsIndexAndBuildsTextFrames)
{
    TAVIForm& f = Form();
    NewProject(20, 10, 1);
    Add({WriteBmp("a.bmp", 4, 3)});
    const std::string gif = WriteFile("t.gif", GifBytes(4, 4, 8, {{0, 0, 2, 2, 5}, {0, 0, 2, 2, 5}}));
    EXPECT_THROW(f.InsertGifFrames(2, gif), std::out_of_range);
    EXPECT_THROW(f.InsertGifFrames(-1, gif), std::out_of_range);
    EXPECT_EQ(f.FrameCount(), 1u);

    f.TextFramePlacement = MYRECT{3, 2, 15, 8};
    EXPECT_EQ(f.InsertGifFrames(0, gif), 2);
    ASSERT_EQ(f.FrameCount(), 3u);
    EXPECT_EQ(f.FrameFiles[2], PathOf("a.bmp"));
    EXPECT_EQ(f.FramePlacements[0], (MYRECT{3, 2, 15, 8}));
    EXPECT_EQ(f.FrameGifOptions[1].ReductionBit, 3);
    EXPECT_FALSE(f.FrameGifOptions[1].GIFTransparent);
    EXPECT_EQ(f.FrameTimes[0], 50);
    EXPECT_TRUE(f.SelectedFrames.empty());
}

} // namespace
