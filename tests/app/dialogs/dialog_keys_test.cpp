// Enter on a focused button presses that button, in every dialog of the program: the user who
// tabs to "Отменить" and presses Enter cancels. Each dialog is brought up by its command and
// answered with key presses to the control that has the focus, as the window system delivers
// them.
#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QToolButton>

#include <filesystem>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "app/dialogs/about.h"
#include "app/dialogs/mainoptions.h"
#include "editing/addtext.h"
#include "editing/delay.h"
#include "editing/frame_dialog_fixture.h"
#include "editing/gifoptions.h"
#include "editing/properties.h"
#include "output/addsound.h"
#include "output/anigifoptions.h"
#include "output/avioptions.h"
#include "output/bmpoptions.h"
#include "output/codec_dialog.h"
#include "output/jpgoptions.h"
#include "output/pngoptions.h"
#include "platform/qt/controls.h"

namespace {

// Presses key and lets it go, delivered to the window's focused control.
void PressKeyInWindow(QWidget& window, int key)
{
    PressKey(window.focusWidget() ? *window.focusWidget() : window, key);
}

// An answer for a dialog of type T, which the command must have brought up.
template <class T>
std::function<void(QDialog&)> On(std::function<void(T&)> act)
{
    return [act](QDialog& dialog) {
        if (T* typed = dynamic_cast<T*>(&dialog))
            act(*typed);
        else
            ADD_FAILURE() << "the dialog shown is a " << dialog.metaObject()->className();
    };
}

template <class T>
std::function<QAbstractButton*(QDialog&)> Member(QPushButton* T::*button)
{
    return [button](QDialog& dialog) -> QAbstractButton* {
        T* typed = dynamic_cast<T*>(&dialog);
        return typed ? typed->*button : nullptr;
    };
}

struct TDialogCase {
    const char* Name;
    std::function<void()> Command;      // brings the dialog up
    std::function<void(QDialog&)> Edit; // a change its OK would store
    // Its cancel button; none for a dialog that has only OK.
    std::function<QAbstractButton*(QDialog&)> CancelButton;
};

// A GIF project of two frames with their strip cells and pictures, the first selected and
// shown, every options dialog switched on.
class DialogKeys : public TFrameDialogTest {
protected:
    void SetUp() override
    {
        TFrameDialogTest::SetUp();
        TTestForm& f = Form();
        f.ProgramFolder = temp_.Path().string() + "/";
        f.DefaultPlacement = MYRECT{0, 0, 320, 240};
        f.ResetTextDefaults(320, 240, "AB");
        f.ShowAviOptions = f.ShowAniGifOptions = f.ShowBmpOptions = true;
        f.ShowGifOptions = f.ShowJpegOptions = f.ShowPngOptions = true;
        f.OutputFileName = "frame.out";
        for (int i = 0; i < 2; ++i) {
            TFrameData frame;
            frame.File = (temp_ / ("frame" + std::to_string(i) + ".bmp")).string();
            frame.Bitmap = std::make_unique<TBitmap>(40, 30, pf24bit);
            frame.Bitmap->SaveToFile(frame.File);
            frame.Thumbnail = std::make_unique<TBitmap>(40, 30, pf24bit);
            frame.Placement = MYRECT{0, 0, 40, 30};
            frame.Time = 500;
            f.AppendFrameWithCell(std::move(frame));
        }
        f.SelectFrame(0);
        f.ShowFrame(0);
        f.UpdateFrameActions(true);
        f.SetProjectModified(false);
        std::filesystem::create_directories(out_);
    }

    // The shown frame saved through the frame save dialog under name.
    void SaveFrameAs(const std::string& name)
    {
        dialogs_.Choose({(out_ / name).string()});
        Form().ActionSaveFrameExecute(nullptr);
    }

    // Everything the OK of one of these dialogs would change.
    std::string Stored()
    {
        const TTestForm& f = Form();
        const MYRECT& p = f.FramePlacements.at(0);
        std::ostringstream s;
        s << "modified " << f.ProjectModified() << ", size " << f.FrameWidth << "x" << f.FrameHeight << ", frames "
          << f.FrameCount() << ", placement " << p.Left << " " << p.Top << " " << p.Width << " " << p.Height
          << ", dither " << int(f.FrameGifOptions.at(0).ColorDither) << ", AVI time " << f.AviFrameTime
          << ", optimize " << f.GifOptimize << ", BMP " << int(f.BmpPixelFormat) << ", JPEG " << f.JpegQuality
          << ", PNG " << f.PngCompressionLevel << ", GIF save " << int(f.GifSaveDither) << ", sound " << f.AddSound
          << ", compressor " << compression_.fccHandler << ", files written "
          << std::distance(std::filesystem::directory_iterator(out_), {});
        return s.str();
    }

    std::vector<TDialogCase> Dialogs()
    {
        TTestForm& f = Form();
        return {
            {"project options", [&f] { f.ToolButProjectOptionsClick(); },
             On<TOptionsForm>([](TOptionsForm& d) { d.CSpinEdit2->setValue(200); }), Member(&TOptionsForm::Button2)},
            {"frame settings", [&f] { f.EditFrameSettings(); },
             On<TDelayForm>([](TDelayForm& d) { d.CSpinEditWidth->setValue(10); }), Member(&TDelayForm::Button2)},
            {"colour options", [&f] { f.EditFrameColors(); },
             On<TGifOptionForm>([](TGifOptionForm& d) { Choose(*d.ComboDither, 3); }),
             Member(&TGifOptionForm::Button2)},
            {"text frames", [&f] { f.ActionAddTextExecute(); },
             On<TFormText>([](TFormText& d) { d.CSpinEditNumber->setValue(2); }), Member(&TFormText::Button2)},
            {"frame information", [&f] { f.ActionPropertiesExecute(); }, On<TFormProperties>([](TFormProperties&) {}),
             nullptr},
            {"AVI options", [&f] { f.RunAviOptionsDialog(); },
             On<TAviOptionsForm>([](TAviOptionsForm& d) { d.CSpinEdit1->setValue(2000); }),
             Member(&TAviOptionsForm::Button2)},
            {"animated GIF options", [&f] { f.RunAniGifOptionsDialog(); },
             On<TAniGIFForm>([](TAniGIFForm& d) { d.CheckBox1->setChecked(true); }), Member(&TAniGIFForm::Button1)},
            {"BMP options", [this] { SaveFrameAs("a.bmp"); },
             On<TBMPForm>([](TBMPForm& d) { d.RadioGroup1->SetItemIndex(0); }), Member(&TBMPForm::Button2)},
            {"GIF frame options", [this] { SaveFrameAs("a.gif"); },
             On<TGifOptionForm>([](TGifOptionForm& d) { Choose(*d.ComboDither, 3); }),
             Member(&TGifOptionForm::Button2)},
            {"JPEG options", [this] { SaveFrameAs("a.jpg"); },
             On<TJPGForm>([](TJPGForm& d) { d.TrackBar1->setValue(10); }), Member(&TJPGForm::Button2)},
            {"PNG options", [this] { SaveFrameAs("a.png"); },
             On<TPNGForm>([](TPNGForm& d) { d.CSpinEdit1->setValue(1); }), Member(&TPNGForm::Button2)},
            {"sound", [&f] { f.ActionInsertWavExecute(nullptr); },
             On<TFormAddSound>([](TFormAddSound& d) { d.CheckBox1->setChecked(true); }),
             Member(&TFormAddSound::Button2)},
            {"compressor choice",
             [this, &f] {
                 compression_.fccHandler = 0;
                 TCodecChooser().Choose(static_cast<QWidget*>(&f), nullptr, compression_);
             },
             On<TCodecDialog>([](TCodecDialog& d) { d.CompressorList->setCurrentRow(d.CompressorList->count() - 1); }),
             [](QDialog& dialog) -> QAbstractButton* {
                 auto* buttons = dialog.findChild<QDialogButtonBox*>();
                 for (QAbstractButton* button : buttons ? buttons->buttons() : QList<QAbstractButton*>{})
                     if (buttons->buttonRole(button) == QDialogButtonBox::RejectRole)
                         return button;
                 return nullptr;
             }},
            {"about box", [&f] { f.ItemAboutClick(); }, On<TAboutForm>([](TAboutForm&) {}), nullptr},
        };
    }

    std::filesystem::path out_ = temp_ / "out";
    AVICOMPRESSOPTIONS compression_{};
};

TEST_F(DialogKeys, EnterOnTheFocusedCancelButtonCancels)
{
    for (const TDialogCase& c : Dialogs()) {
        if (!c.CancelButton)
            continue;
        SCOPED_TRACE(c.Name);
        const std::string before = Stored();
        bool answered = false;
        desktop_.ModalDialogs.Answers.push_back([&](QDialog& dialog) {
            c.Edit(dialog);
            QAbstractButton* cancel = c.CancelButton(dialog);
            ASSERT_NE(cancel, nullptr);
            cancel->setFocus();
            ASSERT_EQ(dialog.focusWidget(), cancel);
            PressKeyInWindow(dialog, Qt::Key_Return);
            answered = true;
            EXPECT_FALSE(dialog.isVisible()) << "Enter did not end the dialog";
        });
        const std::size_t shown = desktop_.ModalDialogs.Shown.size();
        c.Command();
        ASSERT_TRUE(answered) << "the command brought up no dialog";
        ASSERT_EQ(desktop_.ModalDialogs.Shown.size(), shown + 1);
        EXPECT_EQ(desktop_.ModalDialogs.Shown.back().Result, mrCancel);
        EXPECT_EQ(Stored(), before);
    }
}

// Every push button and glyph button, not only the cancel button: Enter presses the one that
// has the focus, and no other.
TEST_F(DialogKeys, EnterPressesTheFocusedButtonAndNoOther)
{
    for (const TDialogCase& c : Dialogs()) {
        SCOPED_TRACE(c.Name);
        desktop_.ModalDialogs.Answers.push_back([&](QDialog& dialog) {
            std::vector<QAbstractButton*> buttons;
            for (QAbstractButton* button : dialog.findChildren<QAbstractButton*>())
                if (qobject_cast<QPushButton*>(button) || qobject_cast<QToolButton*>(button))
                    buttons.push_back(button);
            const auto name = [](QAbstractButton* button) {
                return button->objectName().toStdString() + " \"" + button->text().toStdString() + "\"";
            };
            std::vector<std::string> pressed;
            for (QAbstractButton* button : buttons)
                QObject::connect(button, &QAbstractButton::clicked, &dialog,
                                 [&pressed, &name, button] { pressed.push_back(name(button)); });
            int tried = 0;
            for (QAbstractButton* button : buttons) {
                // A button that ends the dialog ended it: it comes up again for the next one.
                if (!dialog.isVisible())
                    dialog.show();
                if (!button->isVisibleTo(&dialog) || !button->isEnabled())
                    continue;
                pressed.clear();
                button->setFocus();
                ASSERT_EQ(dialog.focusWidget(), button);
                PressKeyInWindow(dialog, Qt::Key_Return);
                EXPECT_EQ(pressed, std::vector<std::string>{name(button)});
                ++tried;
            }
            EXPECT_GT(tried, 0);
            // Whatever the last button did, the command goes on as after Cancel.
            if (!dialog.isVisible())
                dialog.show();
        });
        c.Command();
    }
}

} // namespace
