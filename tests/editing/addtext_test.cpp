#include "editing/addtext.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QCoreApplication>
#include <QLineEdit>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPushButton>

#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

#include "app/start_platform.h"
#include "editing/fake_text_renderer.h"
#include "platform/qt/controls.h"
#include "platform/qt/modal.h"
#include "support/paths.h"
#include "support/qt/application.h"
#include "support/qt/fake_desktop.h"

namespace {

class TextFrameDialog : public ::testing::Test {
protected:
    void SetUp() override
    {
        EnsureApplication();
        StartPlatform();
        // After the platform's own renderer, which the first start installs.
        rendererHolder_ = std::make_unique<TFakeTextRenderer>();
        TFormText::PreviewIndex = 0;
        TFormText::PreviewDownY = 0;
        TFormText::PreviewUpY = -1;
        settings_.ResetTextDefaults(320, 240, "AB");
        picture_ = TBitmap(40, 30, pf24bit);
        picture_.Canvas().Brush().Color = clBlue;
        picture_.Canvas().FillRect(TRect{0, 0, 40, 30});
        context_ = {320, 240, &picture_, MYRECT{50, 60, 40, 30}, temp_.Path().string() + "/"};
    }

    std::unique_ptr<TFormText> Open()
    {
        auto form = std::make_unique<TFormText>(settings_, results_, context_);
        form->show();
        return form;
    }
    void Tick(int times)
    {
        for (int i = 0; i < times; ++i)
            ASSERT_TRUE(desktop_.Timers.FireNext());
    }
    static void Mouse(QWidget* w, QEvent::Type type, int x, int y)
    {
        const QPointF at(x, y);
        const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
        const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent event(type, at, w->mapToGlobal(at), button, held, Qt::NoModifier);
        QCoreApplication::sendEvent(w, &event);
    }

    TFakeTextRenderer& renderer() { return *rendererHolder_; }

    TFakeDesktop desktop_;
    std::unique_ptr<TFakeTextRenderer> rendererHolder_;
    kelvo::test::TTempDir temp_;
    TTextFrameSettings settings_;
    TDialogResults results_;
    TBitmap picture_;
    TTextFrameContext context_;
};

} // namespace

TEST_F(TextFrameDialog, OpensOnTheStoredSettingsAndPlaysThem)
{
    settings_.TextLeft = 7;
    settings_.TextTop = 3;
    settings_.TextFrameLeft = 11;
    settings_.TextFrameTop = 12;
    settings_.TextFrameWidth = 200;
    settings_.TextFrameHeight = 100;
    settings_.TextUseBackPicture = true;
    auto form = Open();
    EXPECT_EQ(form->windowTitle().toStdString(), "Добавление кадров с текстом");
    EXPECT_EQ(form->Edit1->text().toStdString(), "AB");
    EXPECT_EQ(form->RadioIndex(), 0);
    EXPECT_EQ(form->CSpinEditNumber->value(), 5);
    EXPECT_EQ(form->CSpinEditDuration->value(), 300);
    EXPECT_EQ(form->PaintText->geometry(), QRect(11, 12, 200, 100));
    EXPECT_EQ(form->CSpinEditFrameLeft->value(), 0) << "the frame position spins start at 0";
    EXPECT_EQ(form->Panel8->size(), QSize(320, 240));
    EXPECT_FALSE(form->Image1->isHidden());
    EXPECT_EQ(form->LineHeight, 15);
    // The background picture is the frame at its place.
    EXPECT_EQ(form->BackPicture.Canvas().Pixels(50, 60), clBlue);
    EXPECT_EQ(ColorToRGB(form->BackPicture.Canvas().Pixels(49, 60)), ColorToRGB(clWhite));

    EXPECT_EQ(desktop_.Timers.ArmedDelays(), std::vector<UINT>{300});
    Tick(3);
    ASSERT_EQ(renderer().Drawn.size(), 3u);
    for (const auto& call : renderer().Drawn) {
        EXPECT_EQ(call.X, 7) << "the preview draws at the text position";
        EXPECT_EQ(call.Y, 3);
    }
    EXPECT_EQ(renderer().Drawn[0].Text, "B");
    EXPECT_EQ(renderer().Drawn[2].Text, " AB");
}

TEST_F(TextFrameDialog, VerticalPreviewWrapsAtTheProjectFrame)
{
    settings_.TextFrameHeight = 40;
    settings_.TextDirection = tdTopDown;
    auto form = Open();
    Tick(5);
    EXPECT_EQ(renderer().Ys(), (std::vector<int>{0, 15, 30, 45, 60}));
    renderer().Drawn.clear();
    Tick(1);
    EXPECT_EQ(renderer().Ys(), std::vector<int>{0}) << "five frames, then from the top";

    form->RadioButtons->button(tdBottomUp)->click();
    EXPECT_EQ(form->TextY, 40);
    renderer().Drawn.clear();
    TFormText::PreviewIndex = 0;
    Tick(2);
    EXPECT_EQ(renderer().Ys(), (std::vector<int>{240, 225}));
}

TEST_F(TextFrameDialog, FewerFramesRestartThePreview)
{
    auto form = Open();
    Tick(4);
    form->CSpinEditNumber->setValue(2);
    ASSERT_EQ(form->TextLines.size(), 2u);
    renderer().Drawn.clear();
    Tick(1);
    ASSERT_EQ(renderer().Drawn.size(), 1u);
    EXPECT_EQ(renderer().Drawn[0].Text, form->TextLines[0]);
}

TEST_F(TextFrameDialog, AddWritesTheGifAndStoresTheSettingsForNextTime)
{
    auto form = Open();
    form->Edit1->setText("Hello");
    form->ButSetText->click();
    form->RadioButtons->button(tdRightToLeft)->click();
    form->CSpinEditNumber->setValue(3);
    form->CSpinEditDuration->setValue(25);
    form->CSpinEditWidth->setValue(100);
    form->CSpinEditFrameLeft->setValue(10);
    TFont font;
    font.Name = "DejaVu Serif";
    font.Size = 20;
    font.Color = clGreen;
    desktop_.ChooseDialogs.Fonts = {font};
    form->ButSelFont->click();
    desktop_.ChooseDialogs.Colors = {clYellow};
    form->ButSelColor->click();
    EXPECT_EQ(desktop_.ChooseDialogs.ColorsShown, std::vector<TColor>{clWhite});
    form->CheckBox1->click();
    form->Edit1->setText("Hello again"); // the name is what the box holds at Add
    form->Button1->click();
    EXPECT_EQ(form->result(), mrOk);
    EXPECT_TRUE(desktop_.MessageBoxes.Asked.empty());

    const std::string gif = temp_.Path().string() + "/Work/Hello again.gif";
    EXPECT_EQ(form->WrittenGif(), gif);
    EXPECT_EQ(results_.TextFramesGifPath, gif);
    EXPECT_TRUE(std::filesystem::is_regular_file(gif));
    EXPECT_EQ(results_.TextFramePlacement, (MYRECT{10, 0, 100, 240}));
    EXPECT_EQ(settings_.TextString, "Hello");
    EXPECT_EQ(settings_.TextFrameCount, 3);
    EXPECT_EQ(settings_.TextFrameTime, 25);
    EXPECT_EQ(settings_.TextDirection, tdRightToLeft);
    EXPECT_EQ(settings_.TextTop, 120);
    EXPECT_EQ(settings_.TextBackColor, clYellow);
    EXPECT_TRUE(settings_.TextUseBackPicture);

    auto again = Open();
    EXPECT_EQ(again->Edit1->text().toStdString(), "Hello");
    EXPECT_EQ(again->RadioIndex(), tdRightToLeft);
    EXPECT_EQ(again->CSpinEditNumber->value(), 3);
    EXPECT_EQ(again->CSpinEditDuration->value(), 25);
    EXPECT_EQ(again->CSpinEditWidth->value(), 100);
    EXPECT_EQ(again->CSpinEditTop->value(), 120);
    EXPECT_EQ(again->PaintText->geometry(), QRect(10, 0, 100, 240));
    EXPECT_EQ(again->BackColor, clYellow);
    EXPECT_TRUE(again->CheckBox1->isChecked());
    const TFont& shown = again->TextBitmap->Canvas().Font();
    EXPECT_EQ(shown.Name, "DejaVu Serif");
    EXPECT_EQ(shown.Size, 20);
    EXPECT_EQ(shown.Color, clGreen);
}

TEST_F(TextFrameDialog, NoWorkFolderMeansNothingWrittenOrStored)
{
    std::ofstream(temp_.Path() / "Work") << "in the way";
    desktop_.MessageBoxes.Answers = {IDOK};
    auto form = Open();
    form->Edit1->setText("Lost");
    form->ButSetText->click();
    form->Button1->click();
    EXPECT_EQ(form->result(), mrOk);
    ASSERT_EQ(desktop_.MessageBoxes.Asked.size(), 1u);
    EXPECT_EQ(desktop_.MessageBoxes.Asked[0].Text, "Невозможно создать " + context_.ProgramFolder + " папку Work.");
    EXPECT_TRUE(form->WrittenGif().empty());
    EXPECT_TRUE(results_.TextFramesGifPath.empty());
    EXPECT_EQ(settings_.TextString, "AB");
}

TEST_F(TextFrameDialog, DraggingTheAreaStaysInTheFrameAndPausesThePreview)
{
    settings_.TextFrameWidth = 100;
    settings_.TextFrameHeight = 50;
    settings_.TextFrameLeft = 10;
    settings_.TextFrameTop = 10;
    auto form = Open();
    Mouse(form->PaintText, QEvent::MouseButtonPress, 5, 5);
    EXPECT_TRUE(form->Dragging);
    EXPECT_TRUE(desktop_.Timers.ArmedDelays().empty());
    Mouse(form->PaintText, QEvent::MouseMove, 25, 15);
    EXPECT_EQ(form->PaintText->pos(), QPoint(30, 20));
    // Past the right edge only the vertical move is taken.
    Mouse(form->PaintText, QEvent::MouseMove, 5 + 300, 10);
    EXPECT_EQ(form->PaintText->pos(), QPoint(30, 25));
    Mouse(form->PaintText, QEvent::MouseButtonRelease, 5, 10);
    EXPECT_FALSE(form->Dragging);
    EXPECT_EQ(form->AreaLeft, 30);
    EXPECT_EQ(form->AreaTop, 25);
    EXPECT_EQ(form->CSpinEditFrameLeft->value(), 30);
    EXPECT_EQ(form->CSpinEditFrameTop->value(), 25);
    EXPECT_EQ(desktop_.Timers.ArmedDelays(), std::vector<UINT>{300});
}

TEST_F(TextFrameDialog, DoubleClickOnThePictureTakesItsColour)
{
    settings_.TextUseBackPicture = true;
    auto form = Open();
    Mouse(form->Image1, QEvent::MouseButtonRelease, 55, 65);
    QMouseEvent dbl(QEvent::MouseButtonDblClick, QPointF(55, 65), QPointF(55, 65), Qt::LeftButton, Qt::LeftButton,
                    Qt::NoModifier);
    QCoreApplication::sendEvent(form->Image1, &dbl);
    EXPECT_EQ(form->BackColor, clBlue);
}

// Enter in a number field presses "Добавить", Esc "Отменить", as in every dialog; the field's
// own handler moves the focus there first.
TEST_F(TextFrameDialog, EnterAndEscInASpinPressAddAndCancel)
{
    const struct {
        int Key;
        int Result;
        bool Written;
    } keys[] = {{Qt::Key_Return, mrOk, true}, {Qt::Key_Enter, mrOk, true}, {Qt::Key_Escape, QDialog::Rejected, false}};
    for (const auto& k : keys) {
        SCOPED_TRACE(k.Key);
        auto form = Open();
        form->activateWindow();
        for (TCSpinEdit* field : {form->CSpinEditNumber, form->CSpinEditLeft, form->CSpinEditDuration}) {
            form->setResult(0);
            form->show();
            field->setFocus();
            QKeyEvent press(QEvent::KeyPress, k.Key, Qt::NoModifier);
            QCoreApplication::sendEvent(field, &press);
            EXPECT_EQ(form->focusWidget(), k.Result == mrOk ? form->Button1 : form->Button2);
            EXPECT_FALSE(form->isVisible());
            EXPECT_EQ(form->result(), k.Result);
            EXPECT_EQ(!form->WrittenGif().empty(), k.Written);
        }
    }
    char key = 'a';
    Open()->CSpinEditLeftKeyPress(key);
    EXPECT_EQ(key, 'a') << "other keys go to the field";
}

TEST_F(TextFrameDialog, EnterInTheTextBoxAppliesTheText)
{
    auto form = Open();
    form->activateWindow();
    form->Edit1->setText("Новый");
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QCoreApplication::sendEvent(form->Edit1, &enter);
    EXPECT_EQ(form->Text, "Новый");
    EXPECT_TRUE(form->isVisible());
    EXPECT_TRUE(form->WrittenGif().empty());
}
