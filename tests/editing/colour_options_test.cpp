#include <QAction>
#include <QComboBox>
#include <QPushButton>

#include <stdexcept>

#include "editing/gifoptions.h"
#include "frame_command_fixture.h"
#include "gif/gifimage.h"

namespace {

class ColourOptionsCommand : public TFrameCommandTest {};

TEST_F(ColourOptionsCommand, OkWithAChangeMakesTheProjectModified)
{
    AddPictureFrame();
    AddPictureFrame();
    Select({1});
    bool forFrames = false;
    std::string caption;
    Dialogs().Answer<TGifOptionForm>([&](TGifOptionForm& d) {
        forFrames = Form().GifOptionsForFrames;
        caption = d.windowTitle().toStdString();
        d.ComboDither->setCurrentIndex(0);
        emit d.ComboDither->activated(0);
        d.Button1->click();
    });
    Form().FindAction("ActionColor")->trigger();
    EXPECT_TRUE(forFrames);
    EXPECT_EQ(caption, "Кадр 2");
    EXPECT_EQ(Form().FrameGifOptions[1].ColorDither, dmFloydSteinberg);
    EXPECT_EQ(Form().FrameGifOptions[0].ColorDither, Form().DefaultGifOptions.ColorDither);
    EXPECT_TRUE(Form().ProjectModified());
    EXPECT_FALSE(Form().GifOptionsForFrames);
    EXPECT_FALSE(Form().OptionsChanged);
}

TEST_F(ColourOptionsCommand, OkWithoutChangeAndCancelLeaveItUnmodified)
{
    AddPictureFrame();
    Select({0});
    Dialogs().AnswerOk();
    Form().EditFrameColors();
    EXPECT_FALSE(Form().ProjectModified());

    Dialogs().Answer<TGifOptionForm>([](TGifOptionForm& d) {
        d.ComboDither->setCurrentIndex(0);
        emit d.ComboDither->activated(0);
        d.Button2->click();
    });
    Form().EditFrameColors();
    EXPECT_FALSE(Form().ProjectModified());
    EXPECT_EQ(Form().FrameGifOptions[0], Form().DefaultGifOptions);
}

TEST_F(ColourOptionsCommand, AnErrorInTheDialogStillEndsTheFrameUse)
{
    AddPictureFrame();
    Select({0});
    Dialogs().Answer<TGifOptionForm>([](TGifOptionForm&) { throw std::runtime_error("boom"); });
    EXPECT_THROW(Form().EditFrameColors(), std::runtime_error);
    EXPECT_FALSE(Form().GifOptionsForFrames);
    EXPECT_FALSE(Form().OptionsChanged);
}

TEST_F(ColourOptionsCommand, ColourIconWorksOnlyInAGifProjectAndOutsideThePreview)
{
    for (int i = 0; i < 3; ++i)
        AddPictureFrame();
    Select({0});
    Form().ProjectType = 0;
    Click(Icon(2, "ColorIcon"));
    Form().ProjectType = 1;
    Form().PreviewRunning = true;
    Click(Icon(2, "ColorIcon"));
    EXPECT_TRUE(Dialogs().Shown.empty());

    Form().PreviewRunning = false;
    Dialogs().AnswerCancel();
    Click(Icon(2, "ColorIcon"));
    ASSERT_EQ(Dialogs().Shown.size(), 1u);
    EXPECT_EQ(Dialogs().Shown[0].ClassName, "TGifOptionForm");
    EXPECT_EQ(Form().SelectedFrames, std::deque<int>{2});
    EXPECT_TRUE(Form().ActionUp->isEnabled());
    EXPECT_FALSE(Form().ActionDown->isEnabled());
}

} // namespace
