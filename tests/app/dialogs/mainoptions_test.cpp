// The project options dialog on its own: what it starts from, what OK writes back and what
// counts as a change of the project's shape.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>

#include "app/dialogs/mainoptions.h"
#include "support/qt/application.h"

namespace {

class OptionsDialog : public ::testing::Test {
protected:
    void SetUp() override
    {
        EnsureApplication();
        project.FrameWidth = 320;
        project.FrameHeight = 240;
        project.AviFrameTime = 200;
        project.GifFrameTime = 70;
        project.ProjectType = 1;
        project.ProjectStretch = true;
        project.DefaultFrameWidth = 640;
        project.DefaultFrameHeight = 480;
    }
    TProjectSettings project;
    TOutputOptions output;
    TDialogResults results;
};

TEST_F(OptionsDialog, StartsFromTheProjectOrFromTheDefaultsForANewOne)
{
    for (const bool newProject : {false, true}) {
        SCOPED_TRACE(newProject);
        results.NewProjectOptions = newProject;
        TOptionsForm d(project, output, results);
        d.show();
        EXPECT_EQ(d.CSpinEdit2->value(), newProject ? 640 : 320);
        EXPECT_EQ(d.CSpinEdit3->value(), newProject ? 480 : 240);
        EXPECT_EQ(d.CSpinEdit1->value(), newProject ? 1000 : 200);
        EXPECT_EQ(d.CSpinEdit4->value(), newProject ? 500 : 70);
        // Fitting, type and the show flags come from the window either way.
        EXPECT_TRUE(d.CheckBox2->isChecked());
        EXPECT_EQ(d.TypeItem(), 1);
        EXPECT_FALSE(d.CSpinEdit1->isEnabled());
        EXPECT_TRUE(d.CSpinEdit4->isEnabled());
    }
}

TEST_F(OptionsDialog, EachShowFlagHasItsOwnBox)
{
    struct TCase {
        bool TOutputOptions::*Flag;
        QCheckBox* TOptionsForm::*Box;
    };
    const TCase cases[] = {
        {&TOutputOptions::ShowAviOptions, &TOptionsForm::CheckBox1},
        {&TOutputOptions::ShowAniGifOptions, &TOptionsForm::CheckBox3},
        {&TOutputOptions::ShowBmpOptions, &TOptionsForm::CheckBox4},
        {&TOutputOptions::ShowGifOptions, &TOptionsForm::CheckBox5},
        {&TOutputOptions::ShowJpegOptions, &TOptionsForm::CheckBox6},
        {&TOutputOptions::ShowPngOptions, &TOptionsForm::CheckBox7},
    };
    for (const TCase& c : cases) {
        for (const TCase& other : cases)
            output.*other.Flag = false;
        output.*c.Flag = true;
        TOptionsForm d(project, output, results);
        d.show();
        for (const TCase& other : cases)
            EXPECT_EQ((d.*other.Box)->isChecked(), other.Box == c.Box);
        // OK writes each box back into its own flag.
        (d.*c.Box)->setChecked(false);
        for (const TCase& other : cases)
            if (other.Box != c.Box)
                (d.*other.Box)->setChecked(true);
        d.Button1->click();
        for (const TCase& other : cases)
            EXPECT_EQ(output.*other.Flag, other.Flag != c.Flag);
    }
}

TEST_F(OptionsDialog, OnlySizeFittingAndTypeCountAsAChangeOfShape)
{
    struct TCase {
        const char* What;
        std::function<void(TOptionsForm&)> Edit;
        bool Changed;
    };
    const TCase cases[] = {
        {"nothing", [](TOptionsForm&) {}, false},
        {"AVI time", [](TOptionsForm& d) { d.CSpinEdit1->setValue(300); }, false},
        {"GIF time", [](TOptionsForm& d) { d.CSpinEdit4->setValue(900); }, false},
        {"a show flag", [](TOptionsForm& d) { d.CheckBox6->setChecked(false); }, false},
        {"width", [](TOptionsForm& d) { d.CSpinEdit2->setValue(321); }, true},
        {"height", [](TOptionsForm& d) { d.CSpinEdit3->setValue(10); }, true},
        {"fitting", [](TOptionsForm& d) { d.CheckBox2->setChecked(false); }, true},
        {"type", [](TOptionsForm& d) { d.SetTypeItem(0); }, true},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.What);
        TProjectSettings kept = project;
        TOptionsForm d(project, output, results);
        d.show();
        c.Edit(d);
        d.Button1->click();
        EXPECT_EQ(results.OptionsChanged, c.Changed);
        EXPECT_EQ(d.result(), QDialog::Accepted);
        project = kept;
    }
}

TEST_F(OptionsDialog, OkStoresTheValuesTheDefaultsButtonOnlyTheDialogChanges)
{
    TOptionsForm d(project, output, results);
    d.show();
    d.SpeedButton1Click();
    EXPECT_EQ(project.FrameWidth, 320) << "the project changes only on OK";
    EXPECT_EQ(d.CSpinEdit2->value(), 640);
    EXPECT_EQ(d.CSpinEdit3->value(), 480);
    EXPECT_EQ(d.TypeItem(), 0);
    EXPECT_FALSE(d.CheckBox2->isChecked());
    EXPECT_EQ(d.CSpinEdit1->value(), 1000);
    EXPECT_EQ(d.CSpinEdit4->value(), 500);
    d.Button1->click();
    EXPECT_EQ(project.FrameWidth, 640);
    EXPECT_EQ(project.FrameHeight, 480);
    EXPECT_EQ(project.ProjectType, 0);
    EXPECT_FALSE(project.ProjectStretch);
    EXPECT_EQ(project.AviFrameTime, 1000);
    EXPECT_EQ(project.GifFrameTime, 500);
}

TEST_F(OptionsDialog, EnterInANumberFieldIsOkEscIsCancel)
{
    for (const int key : {int(Qt::Key_Return), int(Qt::Key_Escape)}) {
        TOptionsForm d(project, output, results);
        d.show();
        d.CSpinEdit3->setValue(77);
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(d.CSpinEdit3, &press);
        EXPECT_FALSE(d.isVisible());
        EXPECT_EQ(d.result(), key == Qt::Key_Return ? QDialog::Accepted : QDialog::Rejected);
        EXPECT_EQ(project.FrameHeight, key == Qt::Key_Return ? 77 : 240);
        project.FrameHeight = 240;
    }
}

TEST_F(OptionsDialog, AFieldLeftWithoutANumberReadsAsItsMinimum)
{
    TOptionsForm d(project, output, results);
    d.show();
    d.CSpinEdit2->findChild<QLineEdit*>()->setText("");
    d.CSpinEdit3->findChild<QLineEdit*>()->setText("123");
    d.Button1->click();
    EXPECT_EQ(project.FrameWidth, 5);
    EXPECT_EQ(d.CSpinEdit2->value(), 5);
    EXPECT_EQ(project.FrameHeight, 123) << "typed, not yet taken by the field";
}

TEST_F(OptionsDialog, AnAviFrameTimeOfZeroIsRefused)
{
    TOptionsForm d(project, output, results);
    d.show();
    d.CSpinEdit1->setValue(0);
    EXPECT_EQ(d.CSpinEdit1->value(), 1);
}

} // namespace
