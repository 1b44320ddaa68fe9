#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QMenu>
#include <QPlainTextEdit>
#include <QScrollArea>
#include <QScrollBar>
#include <QToolBar>
#include <QToolButton>

#include "form_fixture.h"
#include "gif/gifimage.h"
#include "platform/qt/controls.h"
#include "platform/qt/cursors.h"

namespace {

using FormDefaults = TFormTest;

TEST_F(FormDefaults, ConstructorSetsEveryDefault)
{
    TAVIForm& f = MakeForm();
    struct TCase {
        const char* name;
        long long actual;
        long long expected;
    };
    const TCase cases[] = {
        {"ProjectType", f.ProjectType, 0},
        {"FrameWidth", f.FrameWidth, 0},
        {"FrameHeight", f.FrameHeight, 0},
        {"ProjectStretch", f.ProjectStretch, 0},
        {"AviFrameTime", f.AviFrameTime, 1000},
        {"GifFrameTime", f.GifFrameTime, 500},
        {"AddSound", f.AddSound, 0},
        {"GifOptimize", f.GifOptimize, 0},
        {"GifMerge", f.GifMerge, 0},
        {"GifCrop", f.GifCrop, 0},
        {"GifInterlaced", f.GifInterlaced, 0},
        {"GifLoopCount", f.GifLoopCount, 0},
        {"DefaultFrameWidth", f.DefaultFrameWidth, 100},
        {"DefaultFrameHeight", f.DefaultFrameHeight, 100},
        {"DefaultPlacement.Left", f.DefaultPlacement.Left, 0},
        {"DefaultPlacement.Top", f.DefaultPlacement.Top, 0},
        {"ShowAviOptions", f.ShowAviOptions, 1},
        {"ShowAniGifOptions", f.ShowAniGifOptions, 1},
        {"ShowCodecDialog", f.ShowCodecDialog, 1},
        {"ShowGifOptions", f.ShowGifOptions, 1},
        {"ShowBmpOptions", f.ShowBmpOptions, 1},
        {"ShowJpegOptions", f.ShowJpegOptions, 1},
        {"ShowPngOptions", f.ShowPngOptions, 1},
        {"BmpPixelFormat", f.BmpPixelFormat, pf24bit},
        {"JpegQuality", f.JpegQuality, 100},
        {"PngCompressionLevel", f.PngCompressionLevel, 9},
        {"PngInterlaced", f.PngInterlaced, 0},
        {"PngTransparentColor", f.PngTransparentColor, 0xFFFFFF},
        {"GifSaveDither", f.GifSaveDither, 0},
        {"GifSaveReduction", f.GifSaveReduction, 7},
        {"GifSaveReductionBits", f.GifSaveReductionBits, 8},
        {"GifSaveCompression", f.GifSaveCompression, 0},
        {"GifSaveTransparent", f.GifSaveTransparent, 0},
        {"GifSaveTransparentColor", f.GifSaveTransparentColor, 0xFFFFFF},
        {"OutputGif", f.OutputGif != nullptr, 0},
        {"SoundLength", f.SoundLength, 0},
        {"OptionsChanged", f.OptionsChanged, 0},
        {"GifOptionsForFrames", f.GifOptionsForFrames, 0},
        {"PreviewLeft", f.PreviewLeft, 0},
        {"PreviewTop", f.PreviewTop, 0},
        {"PreviewBitmap empty", f.PreviewBitmap && f.PreviewBitmap->Empty(), 1},
        {"PlaybackBitmap", f.PlaybackBitmap != nullptr, 0},
        {"PreviewRunning", f.PreviewRunning, 0},
        {"CellWidth", f.CellWidth, 170},
        {"CellHeight", f.CellHeight, 150},
        {"CellHeaderHeight", f.CellHeaderHeight, 20},
        {"CellTimeHeight", f.CellTimeHeight, 20},
        {"ThumbWidth", f.ThumbWidth, 168},
        {"ThumbHeight", f.ThumbHeight, 108},
        {"strip scroll step", f.ScrollBox2->verticalScrollBar()->singleStep(), 154},
        {"ScreenDepthBytes", f.ScreenDepthBytes, 3},
        {"Closing", f.Closing, 0},
        {"RecentFiles", (long long)f.RecentFiles.size(), 5},
        {"frames", (long long)f.FrameCount(), 0},
        {"selection", (long long)f.SelectedFrames.size(), 0},
        {"TimerCaps.wPeriodMin", TimerCaps.wPeriodMin, 1},
        {"PlaybackTimerId", PlaybackTimerId, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.actual, c.expected) << c.name;

    EXPECT_EQ(f.DefaultGifOptions, (GIFOPTIONS{0, 7, 8, 0, 0, clWhite, 0, false}));
    EXPECT_NE(f.TextFont, nullptr);
    EXPECT_EQ(f.TextFont->Size, TFont().Size);
    EXPECT_EQ(f.WavFile, "");
    EXPECT_EQ(f.ProgramFolder.back(), '/');
    EXPECT_EQ(f.HelpCommandLine, " " + f.ProgramFolder + "help.chm");
    EXPECT_EQ(f.windowTitle().toStdString(), "Kelvo");
    EXPECT_EQ(AVIForm, &f);
    EXPECT_EQ(f.OutputDialogTitle, "Сохранить в AVI или GIF файл");
    EXPECT_EQ(f.SaveDialog1->Title, f.OutputDialogTitle);
    EXPECT_EQ(f.SaveDialog1->Filter, "Audio/Video Interleaved file(*.avi)|*.avi|Animated GIF(*.gif)|*.gif");
    EXPECT_TRUE(f.PanelImage->isHidden());
    EXPECT_EQ(f.PanelImage->geometry(), QRect(0, 0, 0, 0));
    EXPECT_TRUE(HasScreenCursor(1));
    EXPECT_FALSE(ScreenCursor(1).pixmap().isNull()) << "slot 1 holds our drawn cursor";
}

TEST_F(FormDefaults, LayoutHasTheComponentsAtTheirStartingState)
{
    TAVIForm& f = MakeForm();
    EXPECT_EQ(f.ItemExit->text().toStdString(), "Выход");
    EXPECT_EQ(f.ItemExit->shortcut(), QKeySequence("Ctrl+X"));
    EXPECT_EQ(f.ReopenItem->title().toStdString(), "Последние проекты");
    EXPECT_EQ(f.ListItem0->text().toStdString(), "(пусто)");
    EXPECT_FALSE(f.ListItem0->isEnabled());
    for (QAction* item : {f.ListItem1, f.ListItem2, f.ListItem3, f.ListItem4})
        EXPECT_FALSE(item->isVisible());
    EXPECT_FALSE(f.ActionSaveProject->isEnabled());
    EXPECT_FALSE(f.ActionSaveAs->isEnabled());
    EXPECT_EQ(f.ActionSaveProject->shortcut(), QKeySequence("Ctrl+S"));
    EXPECT_FALSE(f.ToolButSaveProject->isEnabled());

    EXPECT_FALSE(f.ToolBar3->isHidden());
    for (QWidget* hidden : std::initializer_list<QWidget*>{f.ToolBar1, f.ToolBar2, f.ToolBar4, f.ToolBar5,
                                                           f.ToolBarEffect, f.Panel1, f.PanelBottom, f.Splitter1})
        EXPECT_TRUE(hidden->isHidden()) << hidden->objectName().toStdString();
    EXPECT_EQ(f.ToolBar1->geometry(), QRect(465, 28, 86, 22));

    ASSERT_EQ(f.StatusBar1->PanelCount(), 5);
    EXPECT_EQ(f.StatusBar1->Panel(1)->alignment() & Qt::AlignHCenter, Qt::AlignHCenter);
    EXPECT_THROW(f.StatusBar1->SetPanelText(5, "x"), std::out_of_range);
    EXPECT_EQ(f.SaveDialog3->DefaultExt, "mcp");
}

TEST_F(FormDefaults, ResetTextDefaultsGivesABoldRedFontOfSize12)
{
    TAVIForm& f = MakeForm();
    f.ResetTextDefaults(320, 240, "Kelvo");
    EXPECT_EQ(f.TextFrameWidth, 320);
    EXPECT_EQ(f.TextFrameHeight, 240);
    EXPECT_EQ(f.TextFrameCount, 5);
    EXPECT_EQ(f.TextFrameTime, 300);
    EXPECT_EQ(f.TextDirection, 0);
    EXPECT_EQ(f.TextBackColor, clWhite);
    EXPECT_EQ(f.TextString, "Kelvo");
    EXPECT_FALSE(f.TextUseBackPicture);
    EXPECT_EQ(f.TextFont->Size, 12);
    EXPECT_EQ(f.TextFont->Color, TColor(0x0000FF));
    EXPECT_EQ(f.TextFont->Style, TFontStyles{fsBold});
}

struct TStartCase {
    int width, height;
    bool maximised;
};

class WindowState : public TFormTest, public ::testing::WithParamInterface<TStartCase> {};

TEST_P(WindowState, MaximisedWhenTheStoredSizeComesWithin40PixelsOfTheScreen)
{
    const TStartCase c = GetParam();
    WriteKey({"\"Width\"=dword:" + QString::number(c.width, 16).rightJustified(8, '0').toStdString(),
              "\"Height\"=dword:" + QString::number(c.height, 16).rightJustified(8, '0').toStdString()});
    TAVIForm& f = MakeForm();
    EXPECT_EQ(bool(f.windowState() & Qt::WindowMaximized), c.maximised);
    if (!c.maximised) {
        EXPECT_EQ(f.OuterWidth(), c.width);
        EXPECT_EQ(f.OuterHeight(), c.height);
    }
}

INSTANTIATE_TEST_SUITE_P(On1024x768, WindowState,
                         ::testing::Values(TStartCase{1000, 700, true}, TStartCase{800, 600, false},
                                           TStartCase{984, 600, true}, TStartCase{800, 728, true},
                                           TStartCase{983, 727, false}),
                         [](const ::testing::TestParamInfo<TStartCase>& info) {
                             const TStartCase& c = info.param;
                             return std::to_string(c.width) + "x" + std::to_string(c.height) +
                                    (c.maximised ? "Maximised" : "Normal");
                         });

struct TDepthCase {
    int bits;
    int bytes;
    TPixelFormat bmp;
};

class ScreenDepth : public TFormTest, public ::testing::WithParamInterface<TDepthCase> {};

TEST_P(ScreenDepth, GivesBytesPerPixelAndTheBmpDefault)
{
    UseScreen(1024, 768, GetParam().bits);
    TAVIForm& f = MakeForm();
    EXPECT_EQ(f.ScreenBytesPerPixel(), GetParam().bytes);
    EXPECT_EQ(f.ScreenDepthBytes, GetParam().bytes);
    EXPECT_EQ(f.BmpPixelFormat, GetParam().bmp);
}

INSTANTIATE_TEST_SUITE_P(Depths, ScreenDepth,
                         ::testing::Values(TDepthCase{16, 0, pf32bit}, TDepthCase{24, 3, pf24bit},
                                           TDepthCase{32, 4, pf32bit}),
                         [](const ::testing::TestParamInfo<TDepthCase>& info) {
                             return "Bits" + std::to_string(info.param.bits);
                         });

using CommandLine = TFormTest;

TEST_F(CommandLine, ProjectOpensAfterTheWindowIsShownAndOnlyTheFirst)
{
    TTestForm& f = MakeForm({"/nowhere/first.mcp", "/nowhere/second.mcp"});
    QCoreApplication::processEvents();
    EXPECT_TRUE(f.ProjectsRead.empty()) << "not before the window is up";
    f.show();
    QCoreApplication::processEvents();
    EXPECT_EQ(f.ProjectsRead, (std::vector<std::string>{"/nowhere/first.mcp"}));
    QCoreApplication::processEvents();
    EXPECT_EQ(f.ProjectsRead.size(), 1u);
}

TEST_F(CommandLine, NothingIsOpenedWithoutParameters)
{
    TTestForm& f = MakeForm();
    f.show();
    QCoreApplication::processEvents();
    EXPECT_TRUE(f.ProjectsRead.empty());
}

TEST_F(CommandLine, DroppedFilesReachTheDropHandlerOnlyAfterTheDropHasEnded)
{
    TTestForm& f = MakeForm();
    f.setAcceptDrops(true); // as a new or opened project does
    auto drop = [&f](std::vector<QUrl> urls) {
        QMimeData data;
        data.setUrls(QList<QUrl>(urls.begin(), urls.end()));
        QDropEvent event(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        f.dropEvent(&event); // the platform delivers drops only inside a real drag
        EXPECT_TRUE(event.isAccepted());
    };
    drop({QUrl::fromLocalFile("/p/a.bmp"), QUrl("https://example.com/x.png"), QUrl::fromLocalFile("/p/b c.jpg")});
    drop({QUrl::fromLocalFile("/p/c.gif")});
    EXPECT_TRUE(f.Drops.empty()) << "nothing is imported inside the drop event";

    QCoreApplication::sendPostedEvents(&f);
    ASSERT_EQ(f.Drops.size(), 2u) << "each drop is one message, in order";
    EXPECT_EQ(f.Drops[0], (std::vector<std::string>{"/p/a.bmp", "/p/b c.jpg"}));
    EXPECT_EQ(f.Drops[1], (std::vector<std::string>{"/p/c.gif"}));
}

using CloseQuery = TFormTest;

TEST_F(CloseQuery, UnmodifiedProjectClosesWithoutAQuestion)
{
    TTestForm& f = MakeForm();
    EXPECT_TRUE(CloseForm());
    EXPECT_TRUE(boxes_.Asked.empty());
    EXPECT_EQ(f.Saves, 0);
    EXPECT_TRUE(f.Closing);
    EXPECT_EQ(f.TextFont, nullptr);
    EXPECT_EQ(f.HelpExitCode, 0u) << "no viewer was started";
}

TEST_F(CloseQuery, ModifiedProjectAsksAndFollowsTheAnswer)
{
    struct TCase {
        int answer;
        bool closes;
        int saves;
    };
    for (const TCase c : {TCase{IDYES, true, 1}, TCase{IDNO, true, 0}, TCase{IDCANCEL, false, 0}}) {
        SCOPED_TRACE(c.answer);
        WriteKey({"\"Width\"=dword:00000320", "\"Height\"=dword:00000258"});
        TTestForm& f = MakeForm();
        PretendProjectOpened();
        f.ActionSaveProject->setEnabled(true);
        TFrameCell cell;
        cell.Panel = new TPanel(f.ScrollBox2->widget());
        TFrameData frame;
        frame.Bitmap = std::make_unique<TBitmap>();
        frame.Thumbnail = std::make_unique<TBitmap>();
        f.AppendFrame(std::move(frame), cell);
        f.SelectedFrames.push_back(0);
        const std::string storeBefore = StoreText();
        boxes_.Asked.clear();
        boxes_.Answers = {c.answer};

        EXPECT_EQ(CloseForm(), c.closes);
        ASSERT_EQ(boxes_.Asked.size(), 1u);
        EXPECT_EQ(boxes_.Asked[0].Text, "Сохранить изменения в проекте?");
        EXPECT_EQ(boxes_.Asked[0].Caption, "Информация");
        EXPECT_EQ(boxes_.Asked[0].Flags & MB_TYPEMASK, MB_YESNOCANCEL);
        EXPECT_EQ(f.Saves, c.saves);
        if (c.closes) {
            EXPECT_EQ(f.FrameCount(), 0u);
            EXPECT_TRUE(f.SelectedFrames.empty());
            EXPECT_EQ(f.TextFont, nullptr);
            EXPECT_NE(StoreText().find("\"File5\"=\"\""), std::string::npos);
        } else {
            // Cancel keeps everything and writes nothing; resizing works again.
            EXPECT_FALSE(f.Closing);
            EXPECT_EQ(f.FrameCount(), 1u);
            EXPECT_NE(f.TextFont, nullptr);
            EXPECT_EQ(f.SelectedFrames.size(), 1u);
            EXPECT_EQ(StoreText(), storeBefore);
        }
    }
}

TEST_F(CloseQuery, EmptiesTheOutputGifOnlyOnceTheCloseGoesAhead)
{
    TTestForm& f = MakeForm();
    f.OutputGif = new TGIFImage;
    f.OutputGif->Add(std::make_unique<TGIFSubImage>(f.OutputGif));
    f.OutputGif->Add(std::make_unique<TGIFSubImage>(f.OutputGif));
    f.ActionSaveProject->setEnabled(true);

    boxes_.Answers = {IDCANCEL};
    EXPECT_FALSE(CloseForm());
    EXPECT_EQ(f.OutputGif->Images().GetCount(), 2);

    boxes_.Answers = {IDNO};
    EXPECT_TRUE(CloseForm());
    ASSERT_NE(f.OutputGif, nullptr) << "the image itself goes with the window";
    EXPECT_EQ(f.OutputGif->Images().GetCount(), 0);
}

TEST_F(CloseQuery, WritesTheRegistryOnlyOnceAProjectExisted)
{
    WriteKey();
    const std::string before = StoreText();
    MakeForm();
    EXPECT_TRUE(CloseForm());
    EXPECT_EQ(StoreText(), before);

    MakeForm();
    PretendProjectOpened();
    EXPECT_TRUE(CloseForm());
    EXPECT_NE(StoreText(), before);
}

TEST_F(CloseQuery, EndsAHelpViewerThatStillRuns)
{
    TTestForm& f = MakeForm();
    ASSERT_TRUE(CreateProcessA("viewer", {}, f.HelpProcess));
    const DWORD viewer = f.HelpProcess.dwProcessId;
    EXPECT_TRUE(CloseForm());
    EXPECT_EQ(f.HelpExitCode, STILL_ACTIVE);
    EXPECT_EQ(desktop_.Processes.Terminated, std::vector<DWORD>{viewer});
}

TEST_F(CloseQuery, ExitKillsThePreviewTimerAndCloses)
{
    TTestForm& f = MakeForm();
    f.show();
    PlaybackTimerId = 7;
    f.ItemExitClick();
    EXPECT_EQ(PlaybackTimerId, 0u);
    EXPECT_TRUE(f.Closing);
    EXPECT_FALSE(f.isVisible());
}

TEST_F(CloseQuery, ResizeIsIdleWhileClosingAndWorksAgainAfterACancel)
{
    TTestForm& f = MakeForm();
    f.FrameWidth = 100;
    f.FrameHeight = 50;
    f.Closing = true;
    f.FormResize();
    EXPECT_EQ(f.PanelImage->geometry(), QRect(0, 0, 0, 0));

    f.ActionSaveProject->setEnabled(true);
    boxes_.Answers = {IDCANCEL};
    EXPECT_FALSE(CloseForm());
    f.FormResize();
    EXPECT_EQ(f.PanelImage->size(), QSize(104, 54));
}

} // namespace
