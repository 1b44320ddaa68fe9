// Enter and Esc in the dialogs' number fields end the dialog with OK or Cancel and never reach
// the field.
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>

#include <functional>
#include <memory>

#include "app/dialogs/dialog_support.h"
#include "option_dialog_fixture.h"
#include "output/anigifoptions.h"
#include "output/avioptions.h"
#include "output/pngoptions.h"

namespace {

struct TDialogUnderTest {
    std::unique_ptr<QDialog> Dialog;
    QSpinBox* Field = nullptr;
    QPushButton* Ok = nullptr;
    QPushButton* Cancel = nullptr;
    std::function<int()> Stored; // the window's value behind the field
};

struct TKeyCase {
    const char* Name;
    std::function<TDialogUnderTest()> Make;
};

class TNumberKeysTest : public TOptionDialogTest {};

const TKeyCase Dialogs[] = {
    {"AVI options",
     [] {
         auto* d = new TAviOptionsForm;
         return TDialogUnderTest{std::unique_ptr<QDialog>(d), d->CSpinEdit1, d->Button1, d->Button2,
                                 [] { return AVIForm->AviFrameTime; }};
     }},
    {"animated GIF options",
     [] {
         auto* d = new TAniGIFForm;
         return TDialogUnderTest{std::unique_ptr<QDialog>(d), d->CSpinEdit1, d->Button2, d->Button1,
                                 [] { return AVIForm->GifLoopCount; }};
     }},
    {"PNG options",
     [] {
         auto* d = new TPNGForm;
         return TDialogUnderTest{std::unique_ptr<QDialog>(d), d->CSpinEdit1, d->Button1, d->Button2,
                                 [] { return AVIForm->PngCompressionLevel; }};
     }},
};

TEST_F(TNumberKeysTest, EnterEndsWithOkAndStoresWhatTheFieldShows)
{
    for (const auto& c : Dialogs) {
        SCOPED_TRACE(c.Name);
        form_->AviFrameTime = 1000;
        form_->GifLoopCount = 2;
        form_->PngCompressionLevel = 9;
        TDialogUnderTest d = c.Make();
        ASSERT_TRUE(d.Ok->isDefault());
        Show(*d.Dialog);
        // Typed, not yet taken into the value: Enter must not lose it.
        d.Field->findChild<QLineEdit*>()->setText(QString::number(d.Field->minimum() + 1));
        const QString typed = d.Field->text();
        PressKey(*d.Field, Qt::Key_Return);
        EXPECT_EQ(d.Dialog->result(), QDialog::Accepted);
        EXPECT_EQ(d.Stored(), d.Field->minimum() + 1);
        // The key never reached the field: it would have selected the text.
        EXPECT_EQ(d.Field->text(), typed);
        EXPECT_FALSE(d.Field->findChild<QLineEdit*>()->hasSelectedText());
    }
}

TEST_F(TNumberKeysTest, EscEndsWithCancelAndStoresNothing)
{
    for (const auto& c : Dialogs) {
        SCOPED_TRACE(c.Name);
        form_->AviFrameTime = 1000;
        form_->GifLoopCount = 2;
        form_->PngCompressionLevel = 9;
        TDialogUnderTest d = c.Make();
        Show(*d.Dialog);
        const int before = d.Stored();
        d.Field->setValue(d.Field->minimum() + 1);
        PressKey(*d.Field, Qt::Key_Escape);
        EXPECT_EQ(d.Dialog->result(), QDialog::Rejected);
        EXPECT_EQ(d.Stored(), before);
    }
}

TEST_F(TNumberKeysTest, KeyHandlerSwallowsEnterAndEscOnly)
{
    TPNGForm dialog;
    for (char key : {KeyEnter, KeyEscape}) {
        dialog.CSpinEdit1KeyPress(key);
        EXPECT_EQ(key, 0);
    }
    char digit = '5';
    dialog.CSpinEdit1KeyPress(digit);
    EXPECT_EQ(digit, '5');
}

} // namespace
