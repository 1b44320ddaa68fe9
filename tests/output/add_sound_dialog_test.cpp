#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>

#include "option_dialog_fixture.h"
#include "output/addsound.h"
#include "platform/qt/controls.h"

namespace {

class TAddSoundDialogTest : public TOptionDialogTest {
protected:
    void SetUp() override
    {
        TOptionDialogTest::SetUp();
        form_->AddSound = true;
        form_->WavFile = "/snd/Звук.wav";
        form_->SoundLength = 777;
    }
};

TEST_F(TAddSoundDialogTest, ShowsTheWindowsSound)
{
    TFormAddSound dialog;
    Show(dialog);
    EXPECT_EQ(dialog.windowTitle().toStdString(), "Добавление звука в AVI файл");
    EXPECT_TRUE(dialog.CheckBox1->isChecked());
    EXPECT_EQ(dialog.Edit1->text().toStdString(), "/snd/Звук.wav");
    EXPECT_EQ(dialog.Panel3->Caption(), "Общее время: 777 мсек");
    EXPECT_FALSE(dialog.SpeedButton2->isEnabled());
    EXPECT_TRUE(dialog.Button1->isDefault());
    EXPECT_EQ(dialog.Button2->text().toStdString(), "Отменить");
}

TEST_F(TAddSoundDialogTest, BrowsedFileShowsItsLength)
{
    struct TCase {
        const char* Name;
        bool Readable;
        const char* Text;
    };
    for (const TCase& c : {TCase{"ten seconds", true, "Общее время: 10000 мсек"},
                           TCase{"not a WAV", false, "Общее время: -1 мсек"}}) {
        SCOPED_TRACE(c.Name);
        std::string path = (temp_ / "broken.wav").string();
        if (c.Readable)
            path = WriteWav("ten.wav", 80000);
        else
            std::ofstream(path) << "no sound here";
        dialogs_.Choose({path});
        TFormAddSound dialog;
        Show(dialog);
        dialog.SpeedButton1->click();
        EXPECT_EQ(dialog.Edit1->text().toStdString(), path);
        EXPECT_EQ(dialog.Panel3->Caption(), c.Text);
        EXPECT_TRUE(dialog.SpeedButton2->isEnabled());
        // An unreadable file has told the user why.
        EXPECT_EQ(boxes_.Asked.empty(), c.Readable);
        dialog.Button1->click();
        EXPECT_EQ(form_->SoundLength, c.Readable ? 10000 : -1);
        boxes_.Asked.clear();
    }
}

TEST_F(TAddSoundDialogTest, PlayRightAfterOpeningPlaysTheShownFile)
{
    form_->WavFile = WriteWav("kept.wav", 800);
    TFormAddSound dialog;
    Show(dialog);
    ASSERT_TRUE(dialog.SpeedButton2->isEnabled());
    dialog.SpeedButton2->click();
    ASSERT_EQ(desktop_.Sound.Played.size(), 1u);
    EXPECT_EQ(desktop_.Sound.Played[0].File, form_->WavFile);
    EXPECT_FALSE(desktop_.Sound.Played[0].Async);
    EXPECT_FALSE(dialog.SpeedButton2->isDown());
}

TEST_F(TAddSoundDialogTest, OkReportsWhetherTheSoundChanged)
{
    struct TCase {
        const char* Name;
        bool Tick;
        const char* Path;
        bool Changed;
    };
    const TCase cases[] = {
        {"nothing", true, "/snd/Звук.wav", false},
        {"letter case only", true, "/SND/зВУК.WAV", false},
        {"other file", true, "/snd/other.wav", true},
        {"box", false, "/snd/Звук.wav", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        form_->AddSound = true;
        form_->WavFile = "/snd/Звук.wav";
        form_->OptionsChanged = !c.Changed;
        form_->ActionSaveProject->setEnabled(true);
        TFormAddSound dialog;
        Show(dialog);
        dialog.CheckBox1->setChecked(c.Tick);
        dialog.Edit1->setText(QString::fromUtf8(c.Path));
        dialog.Button1->click();
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
        EXPECT_EQ(form_->OptionsChanged, c.Changed);
        EXPECT_EQ(form_->AddSound, c.Tick);
        EXPECT_EQ(form_->WavFile, c.Path);
        // The dialog leaves the project's modified state to its command.
        EXPECT_TRUE(form_->ActionSaveProject->isEnabled());
    }
}

TEST_F(TAddSoundDialogTest, CancelStoresNothing)
{
    TFormAddSound dialog;
    Show(dialog);
    dialog.CheckBox1->setChecked(false);
    dialog.Edit1->setText("/x.wav");
    dialog.Button2->click();
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_TRUE(form_->AddSound);
    EXPECT_EQ(form_->WavFile, "/snd/Звук.wav");
    EXPECT_EQ(form_->SoundLength, 777);
}

} // namespace
