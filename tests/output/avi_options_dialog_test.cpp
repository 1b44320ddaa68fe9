#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QToolButton>

#include <functional>

#include "option_dialog_fixture.h"
#include "output/avioptions.h"
#include "platform/qt/controls.h"

namespace {

class TAviOptionsDialogTest : public TOptionDialogTest {
protected:
    void SetUp() override
    {
        TOptionDialogTest::SetUp();
        ResetWindow();
    }
    void ResetWindow()
    {
        form_->AviFrameTime = 200;
        form_->ShowCodecDialog = true;
        form_->ShowAviOptions = true;
        form_->AddSound = false;
        form_->WavFile = "/snd/Музыка.wav";
        form_->SoundLength = 1234;
    }
};

TEST_F(TAviOptionsDialogTest, ShowsTheWindowsValues)
{
    TAviOptionsForm dialog;
    Show(dialog);
    EXPECT_EQ(dialog.windowTitle().toStdString(), "frame.out");
    EXPECT_EQ(dialog.CSpinEdit1->value(), 200);
    EXPECT_TRUE(dialog.CheckBox1->isChecked());
    EXPECT_TRUE(dialog.CheckBox2->isChecked());
    EXPECT_FALSE(dialog.CheckBox3->isChecked());
    EXPECT_EQ(dialog.Edit1->text().toStdString(), "/snd/Музыка.wav");
    EXPECT_EQ(dialog.WavLength, 1234);
    EXPECT_EQ(dialog.Panel3->Caption(), "Общее время: 1234 мсек");
    // The file does not exist: nothing to play.
    EXPECT_FALSE(dialog.SpeedButton2->isEnabled());
    EXPECT_TRUE(dialog.Button1->isDefault());
}

struct TChangeCase {
    const char* Name;
    std::function<void(TAviOptionsForm&)> Change;
    bool Changed;
};

TEST_F(TAviOptionsDialogTest, OkReportsOnlyChangesTheProjectFileKeeps)
{
    const TChangeCase cases[] = {
        {"nothing", [](TAviOptionsForm&) {}, false},
        {"codec box", [](TAviOptionsForm& d) { d.CheckBox1->setChecked(false); }, false},
        {"show always", [](TAviOptionsForm& d) { d.CheckBox2->setChecked(false); }, false},
        {"add sound", [](TAviOptionsForm& d) { d.CheckBox3->setChecked(true); }, true},
        {"path in other case", [](TAviOptionsForm& d) { d.Edit1->setText("/SND/музыка.WAV"); }, false},
        {"other path", [](TAviOptionsForm& d) { d.Edit1->setText("/snd/other.wav"); }, true},
        {"frame time", [](TAviOptionsForm& d) { d.CSpinEdit1->setValue(210); }, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        form_->OptionsChanged = !c.Changed;
        TAviOptionsForm dialog;
        Show(dialog);
        c.Change(dialog);
        dialog.Button1->click();
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
        EXPECT_EQ(form_->OptionsChanged, c.Changed);
        // Whatever counts as a change, everything shown is stored.
        EXPECT_EQ(form_->AviFrameTime, dialog.CSpinEdit1->value());
        EXPECT_EQ(form_->ShowCodecDialog, dialog.CheckBox1->isChecked());
        EXPECT_EQ(form_->ShowAviOptions, dialog.CheckBox2->isChecked());
        EXPECT_EQ(form_->AddSound, dialog.CheckBox3->isChecked());
        EXPECT_EQ(form_->WavFile, dialog.Edit1->text().toStdString());
        ResetWindow();
    }
}

TEST_F(TAviOptionsDialogTest, CancelStoresNothing)
{
    TAviOptionsForm dialog;
    Show(dialog);
    dialog.CSpinEdit1->setValue(5000);
    dialog.CheckBox3->setChecked(true);
    dialog.Edit1->setText("/x.wav");
    dialog.Button2->click();
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_EQ(form_->AviFrameTime, 200);
    EXPECT_FALSE(form_->AddSound);
    EXPECT_EQ(form_->WavFile, "/snd/Музыка.wav");
    EXPECT_FALSE(form_->OptionsChanged);
}

TEST_F(TAviOptionsDialogTest, BrowsedSoundShowsItsLengthAndIsStoredOnOk)
{
    const std::string wav = WriteWav("ten.wav", 80000);
    dialogs_.Choose({wav});
    TAviOptionsForm dialog;
    Show(dialog);
    dialog.SpeedButton1->click();
    EXPECT_EQ(dialog.Edit1->text().toStdString(), wav);
    EXPECT_EQ(dialog.Panel3->Caption(), "Общее время: 10000 мсек");
    EXPECT_TRUE(dialog.SpeedButton2->isEnabled());
    ASSERT_EQ(dialogs_.Shown.size(), 1u);
    EXPECT_EQ(dialogs_.Shown[0].Filter, "Audio files (*.wav)|*.wav");

    dialog.SpeedButton2->click();
    ASSERT_EQ(desktop_.Sound.Played.size(), 1u);
    EXPECT_EQ(desktop_.Sound.Played[0].File, wav);
    EXPECT_FALSE(desktop_.Sound.Played[0].Async);
    EXPECT_FALSE(dialog.SpeedButton2->isDown());

    dialog.Button1->click();
    EXPECT_EQ(form_->WavFile, wav);
    EXPECT_EQ(form_->SoundLength, 10000);
    EXPECT_TRUE(form_->OptionsChanged);
}

TEST_F(TAviOptionsDialogTest, AnExistingSoundCanBePlayedAtOnce)
{
    form_->WavFile = WriteWav("one.wav", 8000);
    TAviOptionsForm dialog;
    Show(dialog);
    ASSERT_TRUE(dialog.SpeedButton2->isEnabled());
    dialog.SpeedButton2->click();
    ASSERT_EQ(desktop_.Sound.Played.size(), 1u);
    EXPECT_EQ(desktop_.Sound.Played[0].File, form_->WavFile);
}

TEST_F(TAviOptionsDialogTest, DefaultsButtonLeavesTheSoundAlone)
{
    form_->AddSound = true;
    TAviOptionsForm dialog;
    Show(dialog);
    dialog.CheckBox1->setChecked(false);
    dialog.CheckBox2->setChecked(false);
    dialog.SpeedButton3->click();
    EXPECT_EQ(dialog.CSpinEdit1->value(), 1000);
    EXPECT_TRUE(dialog.CheckBox1->isChecked());
    EXPECT_TRUE(dialog.CheckBox2->isChecked());
    EXPECT_TRUE(dialog.CheckBox3->isChecked());
    EXPECT_EQ(dialog.Edit1->text().toStdString(), form_->WavFile);
}

} // namespace
