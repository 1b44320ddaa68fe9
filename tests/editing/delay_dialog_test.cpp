#include "editing/delay.h"

#include <QCheckBox>
#include <QPushButton>
#include <QSpinBox>
#include <QToolButton>

#include "app/dialogs/dialog_support.h"
#include "frame_dialog_fixture.h"
#include "platform/colors.h"

namespace {

class DelayDialog : public TFrameDialogTest {
protected:
    // The dialog as the command shows it.
    TDelayForm& Open()
    {
        dialog_ = std::make_unique<TDelayForm>(Form());
        dialog_->show();
        return *dialog_;
    }
    std::vector<bool> EditedFlags() const
    {
        return std::vector<bool>(std::begin(form_->DelayEdited), std::end(form_->DelayEdited));
    }
    std::unique_ptr<TDelayForm> dialog_;
};

TEST(PlacementAfterEdit, CutsEachFrameToTheRoomRightAndBelowItsOwnCorner)
{
    const bool width[6] = {false, false, false, true, false, false};
    const bool leftAndWidth[6] = {false, true, false, true, false, false};
    const bool heightOnly[6] = {false, false, false, false, true, false};
    const struct {
        MYRECT own;
        const bool* edited;
        MYRECT entered;
        MYRECT expected;
    } cases[] = {
        {{10, 20, 50, 60}, width, {0, 0, 200, 0}, {10, 20, 200, 60}},
        {{250, 20, 50, 60}, width, {0, 0, 200, 0}, {250, 20, 70, 60}},    // own Left leaves 70
        {{250, 20, 50, 60}, leftAndWidth, {300, 0, 200, 0}, {300, 20, 20, 60}},
        {{0, 0, 50, 60}, leftAndWidth, {320, 0, 100, 0}, {320, 0, 0, 60}}, // Left at the edge
        {{400, 0, 50, 60}, width, {0, 0, 100, 0}, {400, 0, 0, 60}},        // never below 0
        {{0, 230, 50, 60}, heightOnly, {0, 0, 0, 100}, {0, 230, 50, 10}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(PlacementAfterEdit(c.own, c.edited, c.entered, 320, 240), c.expected)
            << c.own.Left << "," << c.own.Top << " entered " << c.entered.Width;
}

TEST_F(DelayDialog, CaptionNamesTheFramesInAscendingOrderAndShowsTheFirstSelected)
{
    AddFrames(7);
    Form().FrameTimes[2] = 300;
    Select({2});
    EXPECT_EQ(Open().windowTitle().toStdString(), "Кадр 3");
    EXPECT_EQ(dialog_->CSpinEdit1->value(), 300);

    Form().FramePlacements[6] = MYRECT{5, 6, 70, 80};
    Form().FrameStretch[6] = false;
    Select({6, 1, 4});
    TDelayForm& d = Open();
    EXPECT_EQ(d.windowTitle().toStdString(), "Кадры: 2, 5, 7");
    EXPECT_EQ(d.FrameIndex, 6);
    EXPECT_EQ((MYRECT{d.CSpinEditLeft->value(), d.CSpinEditTop->value(), d.CSpinEditWidth->value(),
                      d.CSpinEditHeight->value()}),
              (MYRECT{5, 6, 70, 80}));
}

TEST_F(DelayDialog, MarksFollowTheNumberOfFramesAndRealChangesOnly)
{
    AddFrames(3);
    Select({0});
    TDelayForm& one = Open();
    for (QWidget* field : {static_cast<QWidget*>(one.CSpinEdit1), static_cast<QWidget*>(one.CSpinEditLeft),
                           static_cast<QWidget*>(one.CSpinEditHeight)})
        EXPECT_EQ(ControlColor(*field), TouchedFieldColor);
    EXPECT_EQ(ControlColor(*one.CheckBox1), clBtnFace);

    Select({0, 1});
    TDelayForm& many = Open();
    EXPECT_EQ(ControlColor(*many.CSpinEdit1), RGB(230, 230, 230));
    EXPECT_EQ(ControlColor(*many.CheckBox1), RGB(230, 230, 230));
    many.CSpinEditTop->setValue(many.CSpinEditTop->value()); // the value it shows: no change
    EXPECT_FALSE(many.Edited(*many.CSpinEditTop));
    many.CSpinEditTop->setValue(7);
    EXPECT_TRUE(many.Edited(*many.CSpinEditTop));
    EXPECT_FALSE(many.Edited(*many.CSpinEditLeft));
}

TEST_F(DelayDialog, PlacementLimitsComeFromTheProjectFrameAndAviTimeCannotBeZero)
{
    AddFrames(1);
    Select({0});
    TDelayForm& gif = Open();
    EXPECT_EQ(gif.CSpinEditLeft->maximum(), 320);
    EXPECT_EQ(gif.CSpinEditWidth->maximum(), 320);
    EXPECT_EQ(gif.CSpinEditTop->maximum(), 240);
    EXPECT_EQ(gif.CSpinEditHeight->maximum(), 240);
    EXPECT_EQ(gif.CSpinEdit1->minimum(), 0);
    EXPECT_EQ(gif.CSpinEdit1->maximum(), 32000);
    EXPECT_EQ(gif.CSpinEdit1->singleStep(), 100);

    Form().ProjectType = 0;
    Form().FrameTimes[0] = 0;
    TDelayForm& avi = Open();
    EXPECT_EQ(avi.CSpinEdit1->minimum(), 1);
    EXPECT_EQ(avi.CSpinEdit1->value(), 1);
}

TEST_F(DelayDialog, OneFrameUntouchedAppliesEveryValueButChangesNothing)
{
    AddFrame(TFrameSpec{.Time = 700, .Placement = {10, 20, 100, 50}, .Stretch = false});
    Select({0});
    Form().DelayPlacement = MYRECT{1, 2, 3, 4}; // from an earlier use: not the reference
    Open().Button1->click();

    EXPECT_EQ(dialog_->result(), QDialog::Accepted);
    EXPECT_EQ(EditedFlags(), std::vector<bool>(6, true));
    EXPECT_EQ(Form().DelayGifTime, 700);
    EXPECT_EQ(Form().DelayPlacement, (MYRECT{10, 20, 100, 50}));
    EXPECT_FALSE(Form().DelayFit);
    EXPECT_FALSE(Form().OptionsChanged);
}

TEST_F(DelayDialog, OptionsChangedComparesWithTheFramesThemselves)
{
    const struct {
        const char* what;
        std::function<void(TDelayForm&)> edit;
        bool changed;
    } cases[] = {
        {"same width typed again", [](TDelayForm& d) { d.CSpinEditWidth->setValue(100); }, false},
        {"width", [](TDelayForm& d) { d.CSpinEditWidth->setValue(120); }, true},
        {"time", [](TDelayForm& d) { d.CSpinEdit1->setValue(800); }, true},
        {"fit", [](TDelayForm& d) { d.CheckBox1->click(); }, true},
    };
    AddFrame(TFrameSpec{.Time = 700, .Placement = {10, 20, 100, 50}});
    AddFrame(TFrameSpec{.Time = 700, .Placement = {10, 20, 100, 50}});
    for (const auto& c : cases) {
        Select({0, 1});
        Form().DelayPlacement = MYRECT{10, 20, 120, 50}; // the earlier OK holds the new width
        Form().DelayGifTime = 800;
        c.edit(Open());
        dialog_->Button1->click();
        EXPECT_EQ(Form().OptionsChanged, c.changed) << c.what;
    }
}

TEST_F(DelayDialog, SeveralFramesHandBackOnlyTheTouchedValues)
{
    AddFrame(TFrameSpec{.Time = 700, .Placement = {10, 20, 100, 50}});
    AddFrame(TFrameSpec{.Time = 900, .Placement = {300, 0, 10, 10}});
    Select({0, 1});
    Form().DelayPlacement = MYRECT{1, 2, 3, 4};
    TDelayForm& d = Open();
    d.CSpinEditWidth->setValue(200);
    d.Button1->click();

    EXPECT_EQ(EditedFlags(), (std::vector<bool>{false, false, false, true, false, false}));
    // Kept as entered: each frame cuts it to its own room when applied.
    EXPECT_EQ(Form().DelayPlacement, (MYRECT{1, 2, 200, 4}));
    EXPECT_EQ(Form().DelayGifTime, 0);
    EXPECT_TRUE(Form().OptionsChanged);

    TDelayForm& untouched = Open();
    untouched.Button1->click();
    EXPECT_EQ(EditedFlags(), std::vector<bool>(6, false));
    EXPECT_FALSE(Form().OptionsChanged);
}

TEST_F(DelayDialog, AviTimeGoesToTheProjectNotToTheGifTime)
{
    Form().ProjectType = 0;
    Form().AviFrameTime = 500;
    AddFrames(2);
    Select({1});
    TDelayForm& d = Open();
    d.CSpinEdit1->setValue(250);
    d.Button1->click();
    EXPECT_EQ(Form().AviFrameTime, 250);
    EXPECT_EQ(Form().DelayGifTime, 0);
    EXPECT_TRUE(Form().DelayEdited[dvTime]);
    EXPECT_TRUE(Form().OptionsChanged);
}

TEST_F(DelayDialog, AMissingPictureKeepsItsPlacementSoItIsNoChange)
{
    AddFrame(TFrameSpec{.Placement = {10, 20, 100, 50}, .FileExists = false});
    Select({0});
    TDelayForm& d = Open();
    d.CSpinEditLeft->setValue(40);
    d.Button1->click();
    EXPECT_TRUE(Form().DelayEdited[dvLeft]);
    EXPECT_FALSE(Form().OptionsChanged);
}

TEST_F(DelayDialog, CentringUsesTheStoredSizeAndStopsAtTheEdge)
{
    AddFrame(TFrameSpec{.Placement = {0, 0, 101, 40}});
    AddFrame(TFrameSpec{.Placement = {0, 0, 500, 300}});
    Select({0});
    TDelayForm& d = Open();
    d.CSpinEditWidth->setValue(300); // not what centring measures
    d.SpeedButton1->click();
    EXPECT_EQ(d.CSpinEditLeft->value(), 109);
    EXPECT_EQ(d.CSpinEditTop->value(), 100);

    Select({1});
    TDelayForm& large = Open();
    large.CSpinEditLeft->setValue(30);
    large.SpeedButton1->click();
    EXPECT_EQ(large.CSpinEditLeft->value(), 0);
    EXPECT_EQ(large.CSpinEditTop->value(), 0);
}

TEST_F(DelayDialog, FittingFillsTheFrameAndGivesTheStoredPlacementBack)
{
    AddFrame(TFrameSpec{.Placement = {10, 20, 100, 50}});
    AddFrame(TFrameSpec{});
    Select({0, 1});
    TDelayForm& d = Open();
    auto fields = [&] {
        return MYRECT{d.CSpinEditLeft->value(), d.CSpinEditTop->value(), d.CSpinEditWidth->value(),
                      d.CSpinEditHeight->value()};
    };
    d.SpeedButton2->click();
    EXPECT_EQ(fields(), (MYRECT{0, 0, 320, 240}));

    d.CheckBox1->setFocus();
    PressKey(*d.CheckBox1, Qt::Key_Space); // a keyboard toggle is a touch too
    ASSERT_TRUE(d.CheckBox1->isChecked());
    EXPECT_TRUE(d.Edited(*d.CheckBox1));
    EXPECT_EQ(fields(), (MYRECT{0, 0, 320, 240}));
    for (QWidget* w : std::initializer_list<QWidget*>{d.CSpinEditLeft, d.CSpinEditHeight, d.SpeedButton1,
                                                      d.SpeedButton2})
        EXPECT_FALSE(w->isEnabled()) << w->objectName().toStdString();

    d.CheckBox1->click();
    EXPECT_EQ(fields(), (MYRECT{10, 20, 100, 50}));
    EXPECT_TRUE(d.CSpinEditLeft->isEnabled());

    d.CheckBox1->click();
    d.Button1->click();
    EXPECT_TRUE(Form().DelayEdited[dvFit]);
    EXPECT_TRUE(Form().DelayFit);
}

TEST_F(DelayDialog, EnterInANumberFieldIsOkAndEscIsCancel)
{
    AddFrame(TFrameSpec{.Time = 700});
    Select({0});
    TDelayForm& d = Open();
    d.CSpinEdit1->setValue(900);
    d.CSpinEdit1->setFocus();
    PressKey(*d.CSpinEdit1, Qt::Key_Escape);
    EXPECT_EQ(d.result(), QDialog::Rejected);
    EXPECT_FALSE(Form().DelayEdited[dvTime]);
    EXPECT_EQ(Form().DelayGifTime, 0);

    TDelayForm& ok = Open();
    ok.CSpinEditHeight->setValue(44);
    ok.CSpinEditHeight->setFocus();
    int reachedField = 0;
    QObject::connect(ok.CSpinEditHeight, &QSpinBox::editingFinished, [&] { ++reachedField; });
    PressKey(*ok.CSpinEditHeight, Qt::Key_Return);
    EXPECT_EQ(ok.result(), QDialog::Accepted);
    EXPECT_EQ(reachedField, 0);
    EXPECT_EQ(ok.CSpinEditHeight->value(), 44);
    EXPECT_EQ(Form().DelayPlacement.Height, 44);
    EXPECT_TRUE(Form().OptionsChanged);
}

} // namespace
