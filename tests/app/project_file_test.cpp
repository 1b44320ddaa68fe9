// Projects written and read back by the window: every frame rebuilt from its picture, the
// log of what could not be, and the window left in step with the project.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QImage>
#include <QPlainTextEdit>
#include <QScrollArea>

#include "app/frame_geometry.h"
#include "app/project_format.h"
#include "platform/qt/controls.h"
#include "platform/qt/window_update.h"
#include "project_fixture.h"

namespace {

using ProjectFile = TProjectTest;

void FlipBitmapForTest(TBitmap& bitmap) { FlipBitmapInPlace(bitmap, 1); }

// Saves under a name, then replaces the project by a fresh one so that the read starts over.
std::string SaveAndForget(TProjectTest& t, TFakeDesktop& desktop, TAVIForm& f, const std::string& path)
{
    desktop.FileDialogs.Choose({path});
    f.ActionSaveAsExecute();
    f.ClearAllFrames();
    f.FrameWidth = f.FrameHeight = 7;
    (void)t;
    return path;
}

TEST_F(ProjectFile, GifAndAviProjectsComeBackAsTheyWere)
{
    for (const int type : {1, 0}) {
        SCOPED_TRACE(type);
        form_ = std::make_unique<TAVIForm>();
        TAVIForm& f = Form();
        NewProject(8, 6, type, 250);
        Add({WriteBmp("a.bmp", 8, 6, 1), WriteBmp("b.bmp", 5, 4, 2)});
        ASSERT_EQ(f.FrameCount(), 2u);
        f.FrameTimes[1] = 70;
        f.FrameFlips[1] = 1;
        FlipBitmapForTest(*f.FrameBitmaps[1]);
        f.FramePlacements[1] = MYRECT{2, 1, 5, 4};
        f.FrameStretch[0] = false;
        f.FrameGifOptions[1].TransparentColorIndex = 12;
        f.FrameGifOptions[1].ColorDither = 2;
        const std::vector<TProjectFrameEntry> before = ProjectFrameEntries(f);
        const TBitmap flipped = *f.FrameBitmaps[1];

        SaveAndForget(*this, desktop_, f, PathOf("p.mcp"));
        f.ReadProjectFile(PathOf("p.mcp"));

        std::vector<TProjectFrameEntry> expected = before;
        if (type == 0)
            for (TProjectFrameEntry& e : expected)
                e.Time = 250;
        EXPECT_EQ(ProjectFrameEntries(f), expected);
        ASSERT_EQ(f.FrameCount(), 2u);
        EXPECT_EQ(f.FrameFiles[0], expected[0].File);
        EXPECT_EQ(f.FrameWidth, 8);
        EXPECT_EQ(f.ProjectType, type);
        EXPECT_FALSE(f.ActionSaveProject->isEnabled()) << "read in full: not modified";
        EXPECT_EQ(f.SelectedFrames, std::deque<int>{0});
        EXPECT_EQ(f.PreviewBitmap->Width(), 8) << "frame 0 shown";
        EXPECT_EQ(f.SaveDialog3->FileName, PathOf("p.mcp"));
        EXPECT_EQ(f.StatusBar1->PanelText(0), "p.mcp");
        EXPECT_EQ(f.StatusBar1->PanelText(2), "Размер: 8 x 6");
        EXPECT_TRUE(f.ActionDown->isEnabled());
        EXPECT_FALSE(f.ActionUp->isEnabled());
        // The flip is applied again from the picture.
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 5; ++x)
                ASSERT_EQ(f.FrameBitmaps[1]->GetPixel(x, y), flipped.GetPixel(x, y)) << x << "," << y;
    }
}

TEST_F(ProjectFile, WhatCannotBeRestoredIsLoggedAndMarksTheProjectModified)
{
    TAVIForm& f = Form();
    NewProject(10, 10);
    const std::string a = WriteBmp("a.bmp", 3, 3);
    const std::string gif = WriteFile("three.gif", GifBytes(4, 4, 2, {{}, {}, {}}));
    const std::string missing = PathOf("gone.bmp");
    WriteText("p.mcp", "[Parameters]\nHeight=10\nSound=1\n[Files]\nFile_1=" + a + "\nFile_2=" + missing +
                           "\nFile_3=\nFile_4=" + gif + "\nFrame_4=5\nFile_5=" + gif + "\nFrame_5=2\nFile_7=" + a +
                           "\n");
    f.ReadProjectFile(PathOf("p.mcp"));
    EXPECT_EQ(LogLines(), (std::vector<std::string>{
                              "Error reading of frame's width: have been set 100",
                              "Error reading of file's extension: have been set AVI",
                              "Не найден файл: None",
                              "Не найден кадр 6 в файле " + gif,
                          }));
    ASSERT_EQ(f.FrameCount(), 2u) << "a missing path is skipped, the list ends at File_6";
    EXPECT_EQ(f.FrameFiles[1], gif);
    EXPECT_EQ(f.FrameSubImages[1], 2);
    EXPECT_EQ(f.FrameWidth, 100);
    EXPECT_FALSE(f.AddSound);
    EXPECT_TRUE(f.ActionSaveProject->isEnabled());
    EXPECT_FALSE(f.PanelBottom->isHidden());
    EXPECT_EQ(f.SaveDialog3->FileName, PathOf("p.mcp")) << "frames lost, but the reader got through";
}

// Frames that follow each other in one GIF file load it once, whatever lies between them that
// is no GIF: a project of three such runs loads three files, not a file a frame. Each frame
// still gets its own image, also one that the frame before took, and an image the file does
// not hold is logged as it always was.
TEST_F(ProjectFile, FramesThatFollowEachOtherInOneGifLoadItOnce)
{
    GifRunsProject();
    TAVIForm& f = Form();
    const std::string a = f.FrameFiles[0];
    f.FrameSubImages[1] = 0;
    f.FrameSubImages[2] = 7;
    SaveAndForget(*this, desktop_, f, PathOf("runs.mcp"));
    EXPECT_EQ(GifLoadsOf([&] { f.ReadProjectFile(PathOf("runs.mcp")); }), 3u);
    EXPECT_EQ(std::vector<int>(f.FrameSubImages.begin(), f.FrameSubImages.end()),
              (std::vector<int>{0, 0, 0, 0, 0, 1, 2}));
    EXPECT_EQ(f.FrameBitmaps[1]->GetPixel(0, 0), f.FrameBitmaps[0]->GetPixel(0, 0));
    EXPECT_EQ(f.FrameBitmaps[4]->GetPixel(0, 0), f.FrameBitmaps[0]->GetPixel(0, 0));
    EXPECT_NE(f.FrameBitmaps[6]->GetPixel(0, 0), f.FrameBitmaps[0]->GetPixel(0, 0));
    EXPECT_EQ(LogLines(), std::vector<std::string>{"Не найден кадр 8 в файле " + a});
    EXPECT_TRUE(f.ActionSaveProject->isEnabled());
}

TEST_F(ProjectFile, APictureThatIsNotValidIsReportedThenLoggedInFileOrder)
{
    TAVIForm& f = Form();
    NewProject(10, 10);
    const std::string bad = WriteText("bad.bmp", "BM and then nothing of a bitmap");
    const std::string gif = WriteFile("one.gif", GifBytes(4, 4, 2, {{}}));
    std::string files;
    for (int n = 1; n <= 12; ++n) {
        const std::string number = std::to_string(n);
        files += "File_" + number + "=" + (n == 3 ? bad : WriteBmp("p" + number + ".bmp", 3, 3, n)) + "\n";
    }
    files += "File_13=" + gif + "\nFrame_13=4\n";
    WriteText("p.mcp", "[Parameters]\nWidth=10\nHeight=10\nType=0\n[Files]\n" + files);
    desktop_.MessageBoxes.Answers.push_back(IDOK);
    f.ReadProjectFile(PathOf("p.mcp"));
    ASSERT_EQ(desktop_.MessageBoxes.Asked.size(), 1u);
    EXPECT_EQ(desktop_.MessageBoxes.Asked[0].Text, "Это не BMP.");
    EXPECT_EQ(LogLines(), (std::vector<std::string>{"Не найден файл: " + bad, "Не найден кадр 5 в файле " + gif}));
    ASSERT_EQ(f.FrameCount(), 11u);
    for (std::size_t i = 0; i < 11; ++i)
        EXPECT_EQ(f.FrameBitmaps[i]->GetPixel(0, 0), RGB(0, 0, i < 2 ? i + 1 : i + 2)) << i;
    EXPECT_TRUE(f.ActionSaveProject->isEnabled());
}

TEST_F(ProjectFile, MissingOrEmptyPathsAreSkippedSilently)
{
    TAVIForm& f = Form();
    NewProject(10, 10);
    const std::string a = WriteBmp("a.bmp", 3, 3);
    WriteText("p.mcp", "[Parameters]\nWidth=10\nHeight=10\nType=1\nTime=70000\n[Files]\nFile_1=\nFile_2=" +
                           PathOf("none.bmp") + "\nFile_3=" + a + "\n");
    f.ReadProjectFile(PathOf("p.mcp"));
    ASSERT_EQ(f.FrameCount(), 1u);
    EXPECT_EQ(f.CellHeaderPanels[0]->Caption(), "Кадр #1");
    EXPECT_EQ(f.GifFrameTime, 4464) << "the low 16 bits of 70000";
    EXPECT_EQ(f.FrameTimes[0], 4464);
    EXPECT_TRUE(LogLines().empty());
    EXPECT_TRUE(f.PanelBottom->isHidden());
    EXPECT_FALSE(f.ActionSaveProject->isEnabled());
}

TEST_F(ProjectFile, AnErrorPartWayKeepsTheFramesBuiltAndGivesBackCursorAndLock)
{
    TAVIForm& f = Form();
    NewProject(10, 10);
    desktop_.FileDialogs.Choose({PathOf("old.mcp")});
    f.ActionSaveAsExecute();
    const std::string a = WriteBmp("a.bmp", 3, 3);
    const std::string bad = WriteText("bad.png", "this is no picture at all");
    WriteText("p.mcp", "[Parameters]\nWidth=10\nHeight=10\nType=0\n[Files]\nFile_1=" + a + "\nFile_2=" + bad +
                           "\nFile_3=" + a + "\n");
    EXPECT_ANY_THROW(f.ReadProjectFile(PathOf("p.mcp")));
    EXPECT_EQ(f.FrameCount(), 1u);
    EXPECT_EQ(LockedWindow(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(f.SaveDialog3->FileName, "") << "never the project open before, nor this one";

    // The frame that stays is the project now, shown and selected as after a whole read, and
    // the project, which lost frames, counts as modified.
    EXPECT_FALSE(f.PanelImage->isHidden());
    EXPECT_EQ(f.PanelImage->size(), QSize(14, 14));
    EXPECT_EQ(f.SelectedFrames, std::deque<int>{0});
    EXPECT_TRUE(f.ActionSaveProject->isEnabled());
    EXPECT_EQ(f.StatusBar1->PanelText(0), "p.mcp");
    EXPECT_EQ(f.StatusBar1->PanelText(4), "Всего кадров: 1");
}

TEST_F(ProjectFile, AFileThatIsNoProjectGivesOnlyLogLinesAndNoSaveTarget)
{
    TAVIForm& f = Form();
    NewProject(10, 10);
    std::string junk;
    for (int i = 0; i < 4096; ++i)
        junk += char((i * 131 + 7) % 256);
    WriteText("junk.mcp", junk);
    f.ReadProjectFile(PathOf("junk.mcp"));
    EXPECT_EQ(f.FrameCount(), 0u);
    EXPECT_EQ(LogLines(), (std::vector<std::string>{"Error reading of frame's width: have been set 100",
                                                    "Error reading of frame's height: have been set 100",
                                                    "Error reading of file's extension: have been set AVI"}));
    EXPECT_EQ(f.SaveDialog3->FileName, "");
    desktop_.FileDialogs.Cancel();
    f.SetProjectModified(true);
    f.ActionSaveProject->trigger();
    EXPECT_EQ(desktop_.FileDialogs.Shown.size(), 1u) << "Save asks for a name";
    EXPECT_EQ(ReadText("junk.mcp"), junk);
}

// A project of which no frame could be built, opened as the run's first: the first picture
// added to it is shown, not a preview that never got its place.
TEST_F(ProjectFile, AnEmptyProjectShowsTheFirstFrameAddedToIt)
{
    const std::string gone = PathOf("gone.bmp");
    for (const std::string& files : {std::string(), "File_1=" + gone + "\n"}) {
        SCOPED_TRACE(files.empty() ? "no frames listed" : "its picture moved away");
        form_ = std::make_unique<TAVIForm>();
        TAVIForm& f = Form();
        f.show();
        WriteText("empty.mcp", "[Parameters]\nWidth=8\nHeight=6\nType=1\nTime=200\n[Files]\n" + files);
        f.ReadProjectFile(PathOf("empty.mcp"));
        ASSERT_EQ(f.FrameCount(), 0u);
        EXPECT_FALSE(f.PanelImage->isHidden());
        EXPECT_EQ(f.PanelImage->size(), QSize(12, 10));

        Add({WriteBmp("a.bmp", 8, 6, 3)});
        ASSERT_EQ(f.FrameCount(), 1u);
        QApplication::processEvents();
        const QImage shown = f.PaintBox1->grab().toImage();
        ASSERT_EQ(shown.size(), QSize(8, 6));
        EXPECT_EQ(shown.pixelColor(5, 4), QColor(5, 4, 3));
        EXPECT_EQ(shown.pixelColor(0, 0), QColor(0, 0, 3));
        f.hide();
    }
}

// The log under the preview comes and goes with the lines a read leaves; the preview is
// centred in the room that is left once it has, not in the room it had before.
TEST_F(ProjectFile, ThePreviewIsCentredInTheRoomTheLogLeavesIt)
{
    TAVIForm& f = Form();
    f.show();
    QApplication::processEvents();
    // Wider than the size it starts with, so that no status text of either project widens it:
    // a window that widens centres the preview again, after the read.
    f.resize(720, 500);
    QApplication::processEvents();
    const std::string picture = WriteBmp("a.bmp", 40, 30, 3);
    // An AVI project whose sound file was moved away leaves a line for the log.
    WriteText("lines.mcp", "[Parameters]\nWidth=40\nHeight=30\nType=0\nSound=1\nWav_File=" +
                               PathOf("gone.wav") + "\n[Files]\nFile_1=" + picture + "\n");
    WriteText("quiet.mcp", "[Parameters]\nWidth=40\nHeight=30\nType=1\n[Files]\nFile_1=" + picture + "\n");
    for (const char* project : {"lines.mcp", "quiet.mcp", "lines.mcp"}) {
        SCOPED_TRACE(project);
        f.ReadProjectFile(PathOf(project));
        const QRect placed = f.PanelImage->geometry();
        QApplication::processEvents();
        EXPECT_EQ(f.PanelBottom->isVisible(), std::string(project) == "lines.mcp");
        const QSize room = f.ScrollBox1->size();
        EXPECT_EQ(placed, QRect((room.width() - 44) / 2, (room.height() - 34) / 2, 44, 34));
    }
}

TEST_F(ProjectFile, AFailedWriteKeepsTheProjectModifiedAndTheFileAsItWas)
{
    TAVIForm& f = Form();
    NewProject(10, 10);
    // A project under a name of 254 bytes: the file system takes it, but not the longer name
    // of the file that a write is made in before it replaces the project, so every write to it
    // fails, whoever runs the test.
    const std::string name = std::string(250, 'p') + ".mcp";
    const std::string before = "[Parameters]\nWidth=7\nHeight=5\nType=1\n[Files]\nFile_1=/pictures/a.bmp\n";
    WriteText(name, before);
    EXPECT_ANY_THROW(f.WriteProjectFile(PathOf(name)));
    EXPECT_EQ(ReadText(name), before);
    EXPECT_TRUE(f.ActionSaveProject->isEnabled());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

} // namespace
