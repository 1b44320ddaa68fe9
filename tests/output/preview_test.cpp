#include <QAction>
#include <QMenu>
#include <QToolBar>
#include <QToolButton>

#include "output_fixture.h"

namespace {

std::vector<UINT> Delays(std::initializer_list<UINT> d) { return d; }

} // namespace

class Preview : public TOutputTest {
protected:
    TFakeTimers& timers_ = desktop_.Timers;
    TFakeSound& sound_ = desktop_.Sound;

    // Frames of the given times, each its own colour, as a project with frames has them.
    void MakeProject(int projectType, std::initializer_list<WORD> times)
    {
        Form().ProjectType = projectType;
        const TColor colours[] = {clRed, clLime, clBlue, clYellow, clFuchsia};
        int i = 0;
        for (WORD t : times)
            AddFrame(colours[i++ % 5], t);
        Form().UpdateFrameActions(false);
        Form().PaintBox1->resize(8, 6);
    }
    void Run(QAction* item) { item->trigger(); }
    void RunToEnd()
    {
        for (int guard = 0; guard < 100 && timers_.FireNext(); ++guard) {
        }
    }
    bool Marked(int frame) { return !Form().CellMarkers[std::size_t(frame)]->isHidden(); }
    std::vector<int> Selected() { return {Form().SelectedFrames.begin(), Form().SelectedFrames.end()}; }
};

TEST_F(Preview, GifRunShowsEachFrameForItsTimeAndEndsOnTheLast)
{
    MakeProject(0, {100, 200, 300});
    Run(Form().ItemRunGIF);
    EXPECT_TRUE(Form().PreviewRunning);
    EXPECT_EQ(timers_.ArmedDelays(), Delays({100}));
    RunToEnd();
    EXPECT_EQ(timers_.History, Delays({100, 200, 300}));
    EXPECT_FALSE(Form().PreviewRunning);
    EXPECT_EQ(PlaybackTimerId, 0u);
    EXPECT_EQ(Selected(), std::vector<int>{2});
    EXPECT_TRUE(Marked(2));
    EXPECT_TRUE(Form().ActionUp->isEnabled());
    EXPECT_FALSE(Form().ActionDown->isEnabled());
    EXPECT_TRUE(sound_.Played.empty());
}

TEST_F(Preview, ModeAndSoundFollowTheSender)
{
    struct TCase {
        const char* Sender;
        int ProjectType;
        std::vector<UINT> Delays;
        bool Sound;
    };
    const std::vector<TCase> cases = {
        {"ItemRunAVI", 1, {500, 500, 500}, true},
        {"ItemTestAVI", 1, {500, 500, 500}, true},
        {"ItemRunGIF", 0, {100, 200, 300}, false},
        {"ItemTestGIF", 0, {100, 200, 300}, false},
        {"ToolButRun", 0, {500, 500, 500}, false},
        {"ToolButRun", 1, {100, 200, 300}, false},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(std::string(c.Sender) + " in project type " + std::to_string(c.ProjectType));
        form_.reset();
        timers_.History.clear();
        sound_.Played.clear();
        MakeProject(c.ProjectType, {100, 200, 300});
        Form().AviFrameTime = 500;
        Form().AddSound = true;
        Form().WavFile = "/sounds/track.wav";
        if (QToolButton* button = Form().FindToolButton(c.Sender))
            button->click();
        else
            Run(Form().FindMenuItem(c.Sender));
        RunToEnd();
        EXPECT_EQ(timers_.History, c.Delays);
        if (c.Sound) {
            ASSERT_EQ(sound_.Played.size(), 1u);
            EXPECT_EQ(sound_.Played[0].File, "/sounds/track.wav");
            EXPECT_TRUE(sound_.Played[0].Async);
        } else {
            EXPECT_TRUE(sound_.Played.empty());
        }
    }
}

TEST_F(Preview, RunWhileRunningArmsNothingMore)
{
    MakeProject(1, {100, 200, 300});
    Run(Form().ItemRunGIF);
    Form().ToolButRunClick(Form().ItemRunGIF);
    Form().ToolButRunClick(Form().ToolButRun);
    EXPECT_EQ(timers_.History, Delays({100}));
    EXPECT_EQ(Form().CurrentFrame, 0);
}

TEST_F(Preview, EveryArmedDelayIsAtLeastOneMillisecond)
{
    MakeProject(1, {0, 0});
    Form().AviFrameTime = 0;
    Run(Form().ItemRunGIF);
    RunToEnd();
    Run(Form().ItemRunAVI);
    RunToEnd();
    EXPECT_EQ(timers_.History, Delays({1, 1, 1, 1}));
}

TEST_F(Preview, PauseAndResumeGoOnWithTheNextFrame)
{
    MakeProject(1, {10, 20, 30, 40, 50});
    Form().AddSound = true;
    Run(Form().ItemRunGIF);
    timers_.FireNext(); // frame 1 shows
    Form().ItemPause->trigger();
    EXPECT_TRUE(timers_.ArmedDelays().empty());
    EXPECT_EQ(sound_.Stops, 1);
    EXPECT_FALSE(Form().PreviewRunning);
    EXPECT_TRUE(Form().PreviewResumable);
    // Frame 1 stands in the preview, marked but not selected.
    EXPECT_TRUE(Marked(1));
    EXPECT_TRUE(Form().SelectedFrames.empty());
    EXPECT_EQ(Form().PreviewBitmap->Canvas().Pixels(0, 0), clLime);

    Run(Form().ItemRunGIF);
    EXPECT_FALSE(Marked(1));
    EXPECT_EQ(Form().CurrentFrame, 2);
    EXPECT_EQ(timers_.ArmedDelays(), Delays({30}));
    EXPECT_EQ(Form().PlaybackBitmap->Canvas().Pixels(0, 0), clBlue);
    RunToEnd();
    EXPECT_EQ(timers_.History, Delays({10, 20, 30, 40, 50}));
    EXPECT_EQ(Selected(), std::vector<int>{4});
}

TEST_F(Preview, RunAfterAPauseOnTheLastFrameEndsThePreview)
{
    MakeProject(1, {10, 20});
    Run(Form().ItemRunGIF);
    timers_.FireNext();
    Form().ToolButPause->click();
    Run(Form().ItemRunGIF);
    EXPECT_FALSE(Form().PreviewRunning);
    EXPECT_FALSE(Form().PreviewResumable);
    EXPECT_TRUE(timers_.ArmedDelays().empty());
    EXPECT_EQ(Selected(), std::vector<int>{1});
    EXPECT_FALSE(Form().ToolButStop->isEnabled());
}

TEST_F(Preview, StopShowsAndSelectsTheFirstFrame)
{
    for (const bool paused : {false, true}) {
        SCOPED_TRACE(paused ? "paused" : "running");
        form_.reset();
        MakeProject(1, {10, 20, 30});
        Form().AddSound = true;
        sound_.Stops = 0;
        Run(Form().ItemRunGIF);
        timers_.FireNext();
        if (paused)
            Form().ToolButPause->click();
        Form().ItemStop->trigger();
        EXPECT_TRUE(timers_.ArmedDelays().empty());
        EXPECT_EQ(sound_.Stops, paused ? 2 : 1);
        EXPECT_FALSE(Form().PreviewRunning);
        EXPECT_FALSE(Form().PreviewResumable);
        EXPECT_EQ(Selected(), std::vector<int>{0});
        EXPECT_FALSE(Marked(1));
        EXPECT_EQ(Form().PreviewBitmap->Canvas().Pixels(0, 0), clRed);
        EXPECT_FALSE(Form().ActionUp->isEnabled());
        EXPECT_TRUE(Form().ActionDown->isEnabled());
        // A fresh run starts from the first frame again.
        Run(Form().ItemRunGIF);
        EXPECT_EQ(Form().CurrentFrame, 0);
        Form().ToolButStop->click();
    }
}

TEST_F(Preview, TransparentFrameLetsThePreviousOneShowThrough)
{
    Form().ProjectType = 1;
    AddFrame(clRed, 10);
    GIFOPTIONS holed = Plain();
    holed.GIFTransparent = true;
    holed.TransparentColor = clWhite;
    AddFrame(clBlue, 10, {2, 1, 3, 3}, holed);
    Form().FrameBitmaps[1]->Canvas().SetPixels(1, 1, clWhite);
    Form().UpdateFrameActions(false);
    Form().PaintBox1->resize(8, 6);
    Form().ToolButRun->click();
    timers_.FireNext();
    const TCanvas& shown = Form().PlaybackBitmap->Canvas();
    EXPECT_EQ(shown.Pixels(3, 2), clRed);  // through the hole
    EXPECT_EQ(shown.Pixels(2, 1), clBlue); // the frame itself
    EXPECT_EQ(shown.Pixels(0, 0), clRed);  // outside it
}

TEST_F(Preview, CommandsWhileRunningPausedAndStopped)
{
    MakeProject(1, {10, 20, 30});
    TOutputForm& f = Form();
    struct TState {
        bool Editing, Project, Create, Frame, RunButton, Pause, Stop, Menus, Help, Popups;
    };
    auto check = [&](const char* when, const TState& s) {
        SCOPED_TRACE(when);
        for (QToolBar* bar : {f.ToolBar2, f.ToolBarEffect})
            EXPECT_EQ(bar->isEnabled(), s.Editing);
        EXPECT_EQ(f.ToolBar3->isEnabled(), s.Project);
        EXPECT_EQ(f.ToolBar4->isEnabled(), s.Create);
        EXPECT_EQ(f.ToolBar5->isEnabled(), s.Frame);
        EXPECT_EQ(f.ToolButRun->isEnabled(), s.RunButton);
        for (QAction* item : {f.ItemRunAVI, f.ItemRunGIF, f.ItemTestAVI, f.ItemTestGIF})
            EXPECT_EQ(item->isEnabled(), s.RunButton) << item->objectName().toStdString();
        EXPECT_EQ(f.ToolButPause->isEnabled(), s.Pause);
        EXPECT_EQ(f.ItemPause->isEnabled(), s.Pause);
        EXPECT_EQ(f.ToolButStop->isEnabled(), s.Stop);
        EXPECT_EQ(f.ItemStop->isEnabled(), s.Stop);
        for (QMenu* menu : {f.File1, f.Edit1, f.Effects1})
            EXPECT_EQ(menu->menuAction()->isEnabled(), s.Menus);
        EXPECT_EQ(f.Help1->menuAction()->isEnabled(), s.Help);
        EXPECT_EQ(f.PopupMenuOf(f.ScrollBox2) == f.PopupMenu5, s.Popups);
    };
    Run(f.ItemRunAVI);
    check("running", {false, false, false, false, false, true, true, false, false, false});
    f.ToolButPause->click();
    check("paused", {false, false, true, true, true, false, true, false, true, true});
    EXPECT_EQ(f.PopupMenuOf(f.PaintBox1), f.PopupMenu4);
    Run(f.ItemTestGIF);
    check("resumed", {false, false, false, false, false, true, true, false, false, false});
    f.ToolButStop->click();
    check("stopped", {true, true, true, true, true, false, false, true, true, true});
    Run(f.ItemRunGIF);
    RunToEnd();
    check("ended", {true, true, true, true, true, false, false, true, true, true});
}

// The run items show the project's type by their marks, whichever of them ran the preview and
// however the run ended.
TEST_F(Preview, RunItemsKeepTheProjectTypesMarks)
{
    const char* const senders[] = {"ItemRunAVI", "ItemTestAVI", "ItemRunGIF", "ItemTestGIF", "ToolButRun"};
    const char* const endings[] = {"end", "pause", "stop", "pause, run to the end"};
    for (const int type : {0, 1})
        for (const char* sender : senders)
            for (const char* ending : endings) {
                SCOPED_TRACE(std::string(sender) + " in project type " + std::to_string(type) + ", " + ending);
                form_.reset();
                MakeProject(type, {10, 20, 30});
                Form().ShowProjectType(false);
                const auto expectMarks = [&](const char* when) {
                    SCOPED_TRACE(when);
                    EXPECT_EQ(Form().ItemRunAVI->isChecked(), type == 0);
                    EXPECT_EQ(Form().ItemTestAVI->isChecked(), type == 0);
                    EXPECT_EQ(Form().ItemRunGIF->isChecked(), type == 1);
                    EXPECT_EQ(Form().ItemTestGIF->isChecked(), type == 1);
                };
                const auto run = [&] {
                    if (QToolButton* button = Form().FindToolButton(sender))
                        button->click();
                    else
                        Run(Form().FindMenuItem(sender));
                };
                run();
                expectMarks("running");
                const std::string end = ending;
                if (end == "end") {
                    RunToEnd();
                } else if (end == "stop") {
                    Form().ItemStop->trigger();
                } else {
                    Form().ItemPause->trigger();
                    expectMarks("paused");
                    if (end == "pause")
                        continue;
                    run();
                    RunToEnd();
                }
                EXPECT_FALSE(Form().PreviewRunning);
                expectMarks("after the run");
            }
}

TEST_F(Preview, ClosingTheWindowStopsARunningOrPausedPreview)
{
    for (const bool paused : {false, true}) {
        SCOPED_TRACE(paused ? "paused" : "running");
        form_.reset();
        MakeProject(1, {10, 20, 30});
        Run(Form().ItemRunGIF);
        if (paused)
            Form().ToolButPause->click();
        ASSERT_TRUE(CloseForm());
        EXPECT_TRUE(timers_.ArmedDelays().empty());
        EXPECT_EQ(PlaybackTimerId, 0u);
        EXPECT_FALSE(Form().PreviewRunning);
        EXPECT_FALSE(Form().PreviewResumable);
        EXPECT_EQ(Form().FrameCount(), 0u);
    }
}

TEST_F(Preview, PaintShowsThePlaybackWhileRunningElseTheStillFrame)
{
    Form().ProjectType = 1;
    AddFrame(clRed, 10, {0, 0, 8, 6});
    AddFrame(clBlue, 10, {3, 2, 2, 2});
    Form().UpdateFrameActions(false);
    Form().PaintBox1->resize(8, 6);
    auto pixel = [this](int x, int y) { return Form().PaintBox1->grab().toImage().pixelColor(x, y); };

    Form().ToolButRun->click();
    timers_.FireNext();
    // The blue frame over the red one, as it plays.
    EXPECT_EQ(pixel(0, 0), QColor(Qt::red));
    EXPECT_EQ(pixel(3, 2), QColor(Qt::blue));

    Form().ToolButPause->click();
    // Only the frame where the run stands, at its place.
    EXPECT_EQ(pixel(3, 2), QColor(Qt::blue));
    EXPECT_NE(pixel(0, 0), QColor(Qt::red));
}
