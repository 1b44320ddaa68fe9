#include <QAction>
#include <QCheckBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>

#include <fstream>

#include "editing/delay.h"
#include "editing/flip.h"
#include "frame_command_fixture.h"
#include "gif/gifimage.h"

namespace {

class FrameSettingsCommand : public TFrameCommandTest {
protected:
    // The next frame settings dialog gets these edits and OK.
    void AnswerOk(std::function<void(TDelayForm&)> edit)
    {
        Dialogs().Answer<TDelayForm>([edit](TDelayForm& d) {
            edit(d);
            d.Button1->click();
        });
    }
    std::string Log() const { return form_->Memo1->toPlainText().toStdString(); }
};

TEST_F(FrameSettingsCommand, ResizedFrameIsRebuiltFromItsFileAndShown)
{
    AddPictureFrame(500, {0, 0, 40, 30});
    AddPictureFrame(500, {0, 0, 40, 30});
    Select({1});
    std::string caption;
    AnswerOk([&caption](TDelayForm& d) {
        caption = d.windowTitle().toStdString();
        d.CSpinEditLeft->setValue(5);
        d.CSpinEditWidth->setValue(30);
        d.CSpinEditHeight->setValue(20);
    });
    Form().FindAction("ActionDelay")->trigger();

    EXPECT_EQ(caption, "Кадр 2");
    EXPECT_EQ(Form().FramePlacements[1], (MYRECT{5, 0, 30, 20}));
    const TBitmap& frame = *Form().FrameBitmaps[1];
    ASSERT_EQ(frame.Width(), 30);
    ASSERT_EQ(frame.Height(), 20);
    EXPECT_EQ(frame.GetPixel(0, 0), QuadRed);     // the picture's top-left part, unscaled
    EXPECT_EQ(frame.GetPixel(29, 0), QuadGreen);
    EXPECT_EQ(frame.GetPixel(0, 19), QuadBlue);
    EXPECT_EQ(Form().PreviewLeft, 5);
    EXPECT_EQ(Form().PreviewBitmap->Width(), 30);
    EXPECT_TRUE(Form().ProjectModified());
    EXPECT_FALSE(Form().OptionsChanged);
    EXPECT_EQ(Form().FramePlacements[0], (MYRECT{0, 0, 40, 30}));
}

TEST_F(FrameSettingsCommand, AFlippedFrameStaysFlippedWhenRebuilt)
{
    AddPictureFrame(500, {0, 0, 40, 30});
    Form().FrameFlips[0] = 1;
    Select({0});
    AnswerOk([](TDelayForm& d) { d.CheckBox1->click(); }); // fitted: the whole frame, stretched
    Form().EditFrameSettings();
    EXPECT_TRUE(Form().FrameStretch[0]);
    const TBitmap& frame = *Form().FrameBitmaps[0];
    ASSERT_EQ(frame.Width(), 320);
    EXPECT_EQ(frame.GetPixel(0, 0), QuadGreen);
    EXPECT_EQ(frame.GetPixel(319, 239), QuadBlue);
}

TEST_F(FrameSettingsCommand, AviTimeGoesToEveryFrameGifTimeToTheSelectedOnly)
{
    for (int type : {0, 1}) {
        Form().ClearAllFrames();
        Form().ProjectType = type;
        for (int i = 0; i < 3; ++i)
            AddPictureFrame(500);
        Select({1});
        AnswerOk([](TDelayForm& d) { d.CSpinEdit1->setValue(250); });
        Form().EditFrameSettings();
        const WORD others = type == 0 ? 250 : 500;
        EXPECT_EQ(Form().FrameTimes[0], others) << type;
        EXPECT_EQ(Form().FrameTimes[1], 250) << type;
        EXPECT_EQ(Form().CellTimePanels[2]->Caption(), std::to_string(others) + " мсек") << type;
        EXPECT_EQ(Form().CellTimePanels[1]->Caption(), "250 мсек") << type;
    }
    EXPECT_EQ(Form().AviFrameTime, 250);
}

TEST_F(FrameSettingsCommand, SeveralFramesGetOnlyTheTouchedValueEachCutToItsRoom)
{
    AddPictureFrame(500, {10, 20, 40, 30});
    AddPictureFrame(700, {300, 5, 10, 10});
    Select({0, 1});
    AnswerOk([](TDelayForm& d) { d.CSpinEditWidth->setValue(100); });
    Form().EditFrameSettings();
    EXPECT_EQ(Form().FramePlacements[0], (MYRECT{10, 20, 100, 30}));
    EXPECT_EQ(Form().FramePlacements[1], (MYRECT{300, 5, 20, 10}));
    EXPECT_EQ(Form().FrameBitmaps[1]->Width(), 20);
    EXPECT_EQ(Form().FrameTimes[1], 700);
    EXPECT_TRUE(Form().ProjectModified());
}

TEST_F(FrameSettingsCommand, OkWithoutChangeOrCancelLeavesTheProjectUnmodified)
{
    AddPictureFrame(500, {0, 0, 40, 30});
    Select({0});
    Dialogs().AnswerOk();
    Form().EditFrameSettings();
    EXPECT_FALSE(Form().ProjectModified());

    Dialogs().Answer<TDelayForm>([](TDelayForm& d) {
        d.CSpinEditWidth->setValue(10);
        d.Button2->click();
    });
    Form().EditFrameSettings();
    EXPECT_EQ(Form().FramePlacements[0], (MYRECT{0, 0, 40, 30}));
    EXPECT_FALSE(Form().ProjectModified());
}

TEST_F(FrameSettingsCommand, MissingOrBrokenSourcesAndTheLog)
{
    AddPictureFrame(500, {0, 0, 40, 30}, "gone.bmp");
    std::filesystem::remove(Form().FrameFiles[0]);
    AddPictureFrame(500, {0, 0, 40, 30}, "broken.bmp");
    std::ofstream(Form().FrameFiles[1]) << "no picture";
    AddPictureFrame(500, {0, 0, 40, 30}, "anim.gif");
    {
        TGIFImage gif;
        TBitmap picture = QuadrantPicture(40, 30);
        gif.Add(&picture);
        gif.SaveToFile(Form().FrameFiles[2]);
    }
    Form().FrameSubImages[2] = 3;
    AddPictureFrame(500, {0, 0, 40, 30}, "anim.gif"); // its image 0 is there
    Select({0, 1, 2, 3});
    AnswerOk([](TDelayForm& d) {
        d.CSpinEdit1->setValue(900);
        d.CSpinEditHeight->setValue(12);
    });
    Form().EditFrameSettings();

    // The gone picture: its time changes, its placement does not, and nothing is logged.
    EXPECT_EQ(Form().FrameTimes[0], 900);
    EXPECT_EQ(Form().FramePlacements[0].Height, 30);
    // The others take the placement; their bitmaps have the new size but no picture.
    EXPECT_EQ(Form().FrameBitmaps[1]->Height(), 12);
    EXPECT_EQ(Form().FrameBitmaps[2]->Height(), 12);
    EXPECT_EQ(Log(), "Не найден файл: " + Form().FrameFiles[1] + "\nНе найден 3 кадр в " + Form().FrameFiles[2]);
    EXPECT_EQ(Form().FrameBitmaps[3]->Height(), 12);
    EXPECT_EQ(Form().FrameBitmaps[3]->GetPixel(0, 0), QuadRed);
    EXPECT_EQ(Form().FrameBitmaps[3]->GetPixel(39, 0), QuadGreen);
    EXPECT_FALSE(Form().PanelBottom->isHidden());
    EXPECT_FALSE(Form().Splitter1->isHidden());
    EXPECT_TRUE(GIFImageDefaultDrawOptions.Contains(goAnimate));
}

// Frames that follow each other in one GIF file load it once, a picture between them or not;
// each still gets its own image.
TEST_F(FrameSettingsCommand, FramesOfOneGifThatFollowEachOtherLoadItOnce)
{
    const std::string gifFile = (temp_ / "anim.gif").string();
    {
        TGIFImage gif;
        TBitmap picture = QuadrantPicture(40, 30);
        gif.Add(&picture);
        TBitmap flipped = QuadrantPicture(40, 30);
        FlipBitmapInPlace(flipped, 1);
        gif.Add(&flipped);
        gif.SaveToFile(gifFile);
    }
    for (const int image : {0, 1, -1, 1, 0}) {
        AddPictureFrame(500, {0, 0, 40, 30}, image < 0 ? "still.bmp" : "anim.gif");
        Form().FrameSubImages.back() = std::max(image, 0);
    }
    Select({0, 1, 2, 3, 4});
    AnswerOk([](TDelayForm& d) { d.CSpinEditWidth->setValue(20); });
    const std::size_t before = GifSourceLoads();
    Form().EditFrameSettings();
    EXPECT_EQ(GifSourceLoads() - before, 1u);
    for (const std::size_t n : {0u, 1u, 2u, 3u, 4u}) {
        ASSERT_EQ(Form().FrameBitmaps[n]->Width(), 20) << n;
        EXPECT_EQ(Form().FrameBitmaps[n]->GetPixel(0, 0), n == 1 || n == 3 ? QuadGreen : QuadRed) << n;
    }
    EXPECT_EQ(Log(), "");
}

// A source that its library refuses while the command runs (a GIF cut in its header, a PNG
// with nothing after its signature) costs only its own frame: it is logged as the flips log
// it, the frames after it are rebuilt, and the command ends as always.
TEST_F(FrameSettingsCommand, ARefusedSourceIsLoggedAndTheFramesAfterItGoOn)
{
    AddPictureFrame(500, {0, 0, 40, 30});
    AddPictureFrame(500, {0, 0, 40, 30}, "cut.gif");
    std::ofstream(Form().FrameFiles[1], std::ios::binary) << "GIF89a" << std::string(3, '\0');
    AddPictureFrame(500, {0, 0, 40, 30}, "cut.png");
    std::ofstream(Form().FrameFiles[2], std::ios::binary) << "\x89PNG\r\n\x1a\n";
    AddPictureFrame(500, {0, 0, 40, 30});
    Select({0, 1, 2, 3});
    AnswerOk([](TDelayForm& d) {
        d.CSpinEdit1->setValue(100);
        d.CSpinEditWidth->setValue(20);
    });
    EXPECT_NO_THROW(Form().EditFrameSettings());

    EXPECT_EQ(Log(), "Ошибка при создании BITMAP из " + Form().FrameFiles[1] + "\nОшибка при создании BITMAP из " +
                         Form().FrameFiles[2]);
    for (int n : {0, 3}) {
        EXPECT_EQ(Form().FrameBitmaps[std::size_t(n)]->Width(), 20) << n;
        EXPECT_EQ(Form().FrameBitmaps[std::size_t(n)]->GetPixel(0, 0), QuadRed) << n;
    }
    EXPECT_EQ(Form().FrameBitmaps[2]->Width(), 20) << "resized, not drawn";
    EXPECT_EQ(Form().StatusBar1->PanelText(3), "Общее время: 400 мсек");
    EXPECT_TRUE(Form().ProjectModified());
    EXPECT_FALSE(Form().PanelBottom->isHidden());
    EXPECT_TRUE(GIFImageDefaultDrawOptions.Contains(goAnimate));
}

TEST_F(FrameSettingsCommand, SettingsIconSelectsItsFrameAloneUnlessThePreviewRuns)
{
    for (int i = 0; i < 3; ++i)
        AddPictureFrame(100 * WORD(i + 1));
    Select({0, 2});
    Form().PreviewResumable = true;
    Click(Icon(1, "SettingsIcon"));
    EXPECT_TRUE(Dialogs().Shown.empty());

    Form().PreviewResumable = false;
    std::string caption;
    Dialogs().Answer<TDelayForm>([&caption](TDelayForm& d) { caption = d.windowTitle().toStdString(); });
    Click(Icon(1, "SettingsIcon"));
    EXPECT_EQ(caption, "Кадр 2");
    EXPECT_EQ(Form().SelectedFrames, std::deque<int>{1});
    EXPECT_TRUE(Form().ActionUp->isEnabled());
    EXPECT_TRUE(Form().ActionDown->isEnabled());
}

TEST_F(FrameSettingsCommand, NothingWithoutASelection)
{
    AddPictureFrame();
    Form().EditFrameSettings();
    EXPECT_TRUE(Dialogs().Shown.empty());
}

} // namespace
