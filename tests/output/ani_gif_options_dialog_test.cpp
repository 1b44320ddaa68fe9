#include <QCheckBox>
#include <QPushButton>
#include <QScrollArea>
#include <QSpinBox>
#include <QToolButton>

#include <array>
#include <stdexcept>
#include <vector>

#include "gif/gifimage.h"
#include "option_dialog_fixture.h"
#include "output/anigifoptions.h"
#include "platform/qt/controls.h"

namespace {

// Stands in for the window's builder: makes a small two-frame animation and remembers what it
// was asked for and which loop count the window held at that moment.
struct TBuild {
    std::array<bool, 4> Options; // optimize, crop, merge, interlaced
    int LoopCount;
    bool PreviewShown; // the dialog still showed an image while this one was built
};

class TAniGifDialogTest : public TOptionDialogTest {
protected:
    void SetUp() override
    {
        TOptionDialogTest::SetUp();
        ResetWindow();
    }
    void ResetWindow()
    {
        form_->OptionsChanged = false;
        form_->FrameWidth = 16;
        form_->FrameHeight = 12;
        form_->ShowAniGifOptions = true;
        form_->GifOptimize = true;
        form_->GifMerge = false;
        form_->GifCrop = false;
        form_->GifInterlaced = false;
        form_->GifLoopCount = 5;
    }

    void Attach(TAniGIFForm& dialog)
    {
        dialog.WriteGifAnimation = [this, &dialog](bool optimize, bool crop, bool merge, bool interlaced) {
            Builds.push_back({{optimize, crop, merge, interlaced}, AVIForm->GifLoopCount,
                              dialog.Image1->Picture.Graphic() != nullptr});
            if (FailBuild)
                throw std::runtime_error("Invalid Bits Per Pixel value");
            delete AVIForm->OutputGif;
            AVIForm->OutputGif = nullptr;
            auto gif = std::make_unique<TGIFImage>();
            for (TColor colour : {clRed, clBlue}) {
                TBitmap frame(16, 12, pf24bit);
                frame.Canvas().Brush().Color = colour;
                frame.Canvas().FillRect(TRect{0, 0, 16, 12});
                gif->Add(&frame);
            }
            AVIForm->OutputGif = gif.release();
        };
    }

    TGIFImage* Preview(TAniGIFForm& dialog) { return dynamic_cast<TGIFImage*>(dialog.Image1->Picture.Graphic()); }

    std::vector<TBuild> Builds;
    bool FailBuild = false;
};

TEST_F(TAniGifDialogTest, ShowsTheWindowsValuesAndAnimatesTheBuildItself)
{
    TAniGIFForm dialog;
    Attach(dialog);
    Show(dialog);
    EXPECT_EQ(dialog.windowTitle().toStdString(), "frame.out");
    EXPECT_TRUE(dialog.CheckBox5->isChecked());
    EXPECT_TRUE(dialog.CheckBox1->isChecked());
    EXPECT_FALSE(dialog.CheckBox7->isChecked());
    EXPECT_TRUE(dialog.CSpinEdit1->isEnabled());
    EXPECT_EQ(dialog.CSpinEdit1->value(), 5);
    EXPECT_EQ(dialog.Image1->size(), QSize(16, 12));
    EXPECT_TRUE(dialog.Button2->isDefault());

    ASSERT_EQ(Builds.size(), 1u);
    EXPECT_EQ(Builds[0].Options, (std::array<bool, 4>{true, false, false, false}));
    // The preview only reads: it shows the window's image rather than a copy of its pixels.
    TGIFImage* preview = Preview(dialog);
    ASSERT_NE(preview, nullptr);
    EXPECT_EQ(preview, AVIForm->OutputGif);
    EXPECT_TRUE(dialog.Image1->Picture.SharesGraphic());
    EXPECT_EQ(preview->Images().GetCount(), 2);
    EXPECT_TRUE(preview->DrawOptions().Contains(goAnimate));
    EXPECT_TRUE(GIFImageDefaultDrawOptions.Contains(goAnimate));

    dialog.Image1->repaint();
    EXPECT_NE(preview->DrawPainter(), nullptr);
    dialog.Button1->click(); // Cancel
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_EQ(preview->DrawPainter(), nullptr);
    EXPECT_EQ(dialog.Image1->Picture.Graphic(), nullptr) << "the window's image is let go of";
    EXPECT_EQ(AVIForm->OutputGif, preview) << "and stays the window's";
    EXPECT_FALSE(preview->OnChange) << "with no event left pointing at the dialog";
    EXPECT_EQ(Builds.size(), 1u);
    EXPECT_EQ(form_->GifLoopCount, 5);
    EXPECT_TRUE(form_->GifOptimize);
}

TEST_F(TAniGifDialogTest, FiniteCountChangedAloneIsStoredButIsNoProjectChange)
{
    TAniGIFForm dialog;
    Attach(dialog);
    Show(dialog);
    dialog.CSpinEdit1->setValue(3);
    dialog.Button2->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(form_->GifLoopCount, 3);
    EXPECT_FALSE(form_->OptionsChanged);
    // OK builds the image to be saved, with the count already in the window.
    ASSERT_EQ(Builds.size(), 2u);
    EXPECT_EQ(Builds[1].LoopCount, 3);
}

// The count can be set whenever the animation is not endless, for as long as the dialog is
// open, whichever way it was opened.
TEST_F(TAniGifDialogTest, TheCountFollowsTheEndlessBox)
{
    for (const int opened : {0, 5}) {
        SCOPED_TRACE(opened);
        form_->GifLoopCount = opened;
        TAniGIFForm dialog;
        Attach(dialog);
        Show(dialog);
        EXPECT_EQ(dialog.CheckBox7->isChecked(), opened == 0);
        EXPECT_EQ(dialog.CSpinEdit1->isEnabled(), opened != 0);
        for (int click = 1; click <= 3; ++click) {
            dialog.CheckBox7->click();
            const bool endless = (opened == 0) == (click % 2 == 0);
            ASSERT_EQ(dialog.CheckBox7->isChecked(), endless);
            EXPECT_EQ(dialog.CSpinEdit1->isEnabled(), !endless) << "click " << click;
        }
        if (opened == 0)
            dialog.CSpinEdit1->setValue(3);
        dialog.Button2->click();
        EXPECT_EQ(form_->GifLoopCount, opened == 0 ? 3 : 0);
    }
}

TEST_F(TAniGifDialogTest, OkReportsChangesOfTheFourOptionsOnly)
{
    struct TCase {
        const char* Name;
        QCheckBox* TAniGIFForm::*Box;
        bool Changed;
    };
    const TCase cases[] = {
        {"global table", &TAniGIFForm::CheckBox1, true},
        {"transparent areas", &TAniGIFForm::CheckBox2, true},
        {"unused colours", &TAniGIFForm::CheckBox3, true},
        {"interlaced", &TAniGIFForm::CheckBox6, true},
        {"show always", &TAniGIFForm::CheckBox5, false},
        {"endless", &TAniGIFForm::CheckBox7, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        ResetWindow();
        TAniGIFForm dialog;
        Attach(dialog);
        Show(dialog);
        (dialog.*c.Box)->toggle();
        dialog.Button2->click();
        EXPECT_EQ(form_->OptionsChanged, c.Changed);
        EXPECT_EQ(form_->GifOptimize, dialog.CheckBox1->isChecked());
        EXPECT_EQ(form_->GifMerge, dialog.CheckBox2->isChecked());
        EXPECT_EQ(form_->GifCrop, dialog.CheckBox3->isChecked());
        EXPECT_EQ(form_->GifInterlaced, dialog.CheckBox6->isChecked());
        EXPECT_EQ(form_->ShowAniGifOptions, dialog.CheckBox5->isChecked());
        // The final build takes the boxes: optimize, crop, merge, interlaced.
        EXPECT_EQ(Builds.back().Options,
                  (std::array<bool, 4>{dialog.CheckBox1->isChecked(), dialog.CheckBox3->isChecked(),
                                       dialog.CheckBox2->isChecked(), dialog.CheckBox6->isChecked()}));
        Builds.clear();
    }
}

TEST_F(TAniGifDialogTest, OnlyTheGlobalTableBoxAndTheDefaultsRebuildThePreview)
{
    form_->GifLoopCount = 0;
    TAniGIFForm dialog;
    Attach(dialog);
    Show(dialog);
    dialog.CheckBox2->click();
    dialog.CheckBox6->click();
    EXPECT_EQ(Builds.size(), 1u);
    dialog.CheckBox1->click();
    ASSERT_EQ(Builds.size(), 2u);
    EXPECT_EQ(Builds[1].Options, (std::array<bool, 4>{false, false, true, true}));

    dialog.CheckBox5->setChecked(false);
    dialog.SpeedButton1->click();
    ASSERT_EQ(Builds.size(), 3u);
    EXPECT_EQ(Builds[2].Options, (std::array<bool, 4>{false, false, false, false}));
    EXPECT_TRUE(dialog.CheckBox5->isChecked());
    EXPECT_TRUE(dialog.CheckBox7->isChecked());
    EXPECT_EQ(dialog.CSpinEdit1->value(), 1);
    EXPECT_EQ(Preview(dialog), AVIForm->OutputGif);

    // Every build, OK's too, starts with the image shown let go of: two built images are
    // never held at once.
    dialog.Button2->click();
    ASSERT_EQ(Builds.size(), 4u);
    for (const TBuild& build : Builds)
        EXPECT_FALSE(build.PreviewShown);
}

TEST_F(TAniGifDialogTest, FailedPreviewIsShownAndTheDialogStaysUp)
{
    FailBuild = true;
    TAniGIFForm dialog;
    Attach(dialog);
    Show(dialog);
    ASSERT_EQ(boxes_.Asked.size(), 1u);
    EXPECT_EQ(boxes_.Asked[0].Text, "Invalid Bits Per Pixel value");
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.Image1->Picture.Graphic(), nullptr);
    FailBuild = false;
    dialog.CheckBox1->click();
    EXPECT_NE(Preview(dialog), nullptr);
}

TEST_F(TAniGifDialogTest, FailedBuildAtOkKeepsTheDialogOpenAndPutsEverythingBack)
{
    TAniGIFForm dialog;
    Attach(dialog);
    Show(dialog);
    dialog.CheckBox2->setChecked(true);
    dialog.CheckBox5->setChecked(false);
    dialog.CSpinEdit1->setValue(9);
    FailBuild = true;
    dialog.Button2->click();
    EXPECT_EQ(dialog.result(), QDialog::Rejected); // never ended with OK
    EXPECT_TRUE(dialog.isVisible());
    ASSERT_EQ(boxes_.Asked.size(), 1u);
    EXPECT_EQ(boxes_.Asked[0].Text, "Invalid Bits Per Pixel value");
    EXPECT_FALSE(form_->OptionsChanged);
    EXPECT_FALSE(form_->GifMerge);
    EXPECT_TRUE(form_->ShowAniGifOptions);
    EXPECT_EQ(form_->GifLoopCount, 5);

    FailBuild = false;
    dialog.Button2->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_TRUE(form_->OptionsChanged);
    EXPECT_EQ(form_->GifLoopCount, 9);
}

TEST_F(TAniGifDialogTest, ShownModallyAFailedBuildNeverEndsWithOk)
{
    desktop_.ModalDialogs.Answer<TAniGIFForm>([this](TAniGIFForm& dialog) {
        FailBuild = true;
        dialog.Button2->click();
    });
    TAniGIFForm dialog;
    Attach(dialog);
    EXPECT_EQ(ShowModal(dialog), mrCancel);
    EXPECT_EQ(boxes_.Asked.size(), 1u);
    EXPECT_FALSE(form_->OptionsChanged);
}

} // namespace
