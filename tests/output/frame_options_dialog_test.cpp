// The options of a single saved frame: BMP, JPEG and PNG.
#include <QCheckBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QSpinBox>
#include <QToolButton>

#include <cstdlib>

#include "option_dialog_fixture.h"
#include "output/bmpoptions.h"
#include "output/jpgoptions.h"
#include "output/pngoptions.h"
#include "platform/qt/controls.h"

namespace {

class TFrameOptionsDialogTest : public TOptionDialogTest {
protected:
    void SetUp() override
    {
        TOptionDialogTest::SetUp();
        SetFrame(40, 30);
    }

    // Soft gradients that a good JPEG keeps, and one hard-edged square that a bad one smears.
    void SetFrame(int width, int height)
    {
        auto frame = std::make_unique<TBitmap>(width, height, pf24bit);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                const bool square = x >= 10 && x < 26 && y >= 8 && y < 24;
                frame->SetPixel(x, y, square ? RGB(250, 20, 20) : RGB(x * 255 / width, 128, y * 255 / height));
            }
        form_->PreviewBitmap = std::move(frame);
    }

    static int Difference(const TBitmap& a, const TBitmap& b, int width, int height)
    {
        int sum = 0;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                const TColor p = a.GetPixel(x, y), q = b.GetPixel(x, y);
                sum += std::abs(GetRValue(p) - GetRValue(q)) + std::abs(GetGValue(p) - GetGValue(q)) +
                       std::abs(GetBValue(p) - GetBValue(q));
            }
        return sum;
    }
};

// ---- BMP

TEST_F(TFrameOptionsDialogTest, BmpShowsTheFrameBeforeAndAfterConversion)
{
    form_->ShowBmpOptions = false;
    form_->BmpPixelFormat = pf1bit;
    TBMPForm dialog;
    Show(dialog);
    EXPECT_EQ(dialog.windowTitle().toStdString(), "frame.out");
    EXPECT_FALSE(dialog.CheckBox1->isChecked());
    EXPECT_EQ(dialog.RadioGroup1->ItemIndex(), 0);
    // One pixel more than the frame each way, centred in the panel.
    EXPECT_EQ(dialog.ImageSrc->size(), QSize(41, 31));
    EXPECT_EQ(dialog.ImageBMP->geometry(), dialog.ImageSrc->geometry());
    EXPECT_EQ(dialog.ImageSrc->geometry().center(), dialog.Panel1->contentsRect().center());
    EXPECT_EQ(dialog.SourceBitmap->PixelFormat(), pf24bit);
    EXPECT_EQ(Difference(*dialog.SourceBitmap, *form_->PreviewBitmap, 40, 30), 0);
    EXPECT_EQ(dialog.ResultBitmap->PixelFormat(), pf1bit);
    for (int x = 0; x < 40; ++x) {
        const TColor c = dialog.ResultBitmap->GetPixel(x, 7);
        EXPECT_TRUE(c == clBlack || c == clWhite) << x;
    }
}

TEST_F(TFrameOptionsDialogTest, BmpEveryItemIsItsFormat)
{
    for (int index = 0; index < 6; ++index) {
        SCOPED_TRACE(index);
        TBMPForm dialog;
        Show(dialog);
        dialog.RadioGroup1->SetItemIndex(index);
        dialog.RadioGroup1Click();
        EXPECT_EQ(dialog.ResultBitmap->PixelFormat(), TBMPForm::ItemFormats[index]);
        dialog.Button1->click();
        EXPECT_EQ(form_->BmpPixelFormat, TBMPForm::ItemFormats[index]);
    }
    EXPECT_EQ(PixelFormatBits(TBMPForm::ItemFormats[3]), 16);
}

TEST_F(TFrameOptionsDialogTest, BmpFormatWithoutAnItemShowsAndStores24Bits)
{
    form_->BmpPixelFormat = pf15bit;
    TBMPForm dialog;
    Show(dialog);
    EXPECT_EQ(dialog.RadioGroup1->ItemIndex(), 4);
    dialog.Button1->click();
    EXPECT_EQ(form_->BmpPixelFormat, pf24bit);
}

TEST_F(TFrameOptionsDialogTest, BmpDefaultsAndCancel)
{
    form_->BmpPixelFormat = pf8bit;
    form_->ShowBmpOptions = false;
    TBMPForm dialog;
    Show(dialog);
    dialog.SpeedButton1->click();
    EXPECT_EQ(dialog.RadioGroup1->ItemIndex(), 4);
    EXPECT_TRUE(dialog.CheckBox1->isChecked());
    EXPECT_EQ(dialog.ResultBitmap->PixelFormat(), pf24bit);
    dialog.Button2->click();
    EXPECT_EQ(form_->BmpPixelFormat, pf8bit);
    EXPECT_FALSE(form_->ShowBmpOptions);
}

TEST_F(TFrameOptionsDialogTest, BmpLargeFrameIsCutToThePanel)
{
    SetFrame(600, 20);
    TBMPForm dialog;
    Show(dialog);
    const QRect client = dialog.Panel1->contentsRect();
    EXPECT_EQ(dialog.ImageSrc->x(), client.x() + 2);
    EXPECT_EQ(dialog.ImageSrc->width(), client.width() - 4);
    EXPECT_EQ(dialog.ImageSrc->height(), 21);
}

// ---- JPEG

TEST_F(TFrameOptionsDialogTest, JpegAfterPictureFollowsTheQuality)
{
    form_->JpegQuality = 100;
    form_->ShowJpegOptions = true;
    TJPGForm dialog;
    Show(dialog);
    EXPECT_EQ(dialog.windowTitle().toStdString(), "frame.out");
    EXPECT_EQ(dialog.TrackBar1->value(), 100);
    EXPECT_EQ(dialog.Panel1->Caption(), "100");
    EXPECT_EQ(dialog.ResultBitmap->Width(), dialog.SourceBitmap->Width());
    const int atBest = Difference(*dialog.SourceBitmap, *dialog.ResultBitmap, 40, 30);

    dialog.TrackBar1->setValue(0);
    EXPECT_EQ(dialog.Panel1->Caption(), "0");
    const int atWorst = Difference(*dialog.SourceBitmap, *dialog.ResultBitmap, 40, 30);
    EXPECT_GT(atWorst, 4 * atBest);

    dialog.TrackBar1->setValue(37);
    EXPECT_EQ(dialog.Panel1->Caption(), "37");
    dialog.Button1->click();
    EXPECT_EQ(form_->JpegQuality, 37);
    EXPECT_TRUE(form_->ShowJpegOptions);
}

TEST_F(TFrameOptionsDialogTest, JpegDefaultsAndCancel)
{
    form_->JpegQuality = 20;
    form_->ShowJpegOptions = false;
    TJPGForm dialog;
    Show(dialog);
    EXPECT_EQ(dialog.TrackBar1->value(), 20);
    EXPECT_EQ(dialog.Panel1->Caption(), "20");
    dialog.SpeedButton1->click();
    EXPECT_EQ(dialog.TrackBar1->value(), 100);
    EXPECT_EQ(dialog.Panel1->Caption(), "100");
    EXPECT_TRUE(dialog.CheckBox1->isChecked());
    dialog.Button2->click();
    EXPECT_EQ(form_->JpegQuality, 20);
    EXPECT_FALSE(form_->ShowJpegOptions);
}

TEST_F(TFrameOptionsDialogTest, JpegSliderRangeAndTicks)
{
    TJPGForm dialog;
    EXPECT_EQ(dialog.TrackBar1->minimum(), 0);
    EXPECT_EQ(dialog.TrackBar1->maximum(), 100);
    EXPECT_EQ(dialog.TrackBar1->tickInterval(), 5);
    EXPECT_EQ(dialog.TrackBar1->value(), 100);

    // The user's move of the bar shows at once in the quality panel.
    dialog.TrackBar1->resize(260, 44);
    const auto mouse = [&](QEvent::Type type, int x) {
        QMouseEvent event(type, QPointF(x, 20), QPointF(x, 20), Qt::LeftButton,
                          type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(dialog.TrackBar1, &event);
    };
    mouse(QEvent::MouseButtonPress, 130);
    EXPECT_EQ(dialog.TrackBar1->value(), 50);
    EXPECT_EQ(dialog.Panel1->Caption(), "50");
    mouse(QEvent::MouseMove, 5);
    EXPECT_EQ(dialog.Panel1->Caption(), "0");
    mouse(QEvent::MouseButtonRelease, 5);
}

// ---- PNG

TEST_F(TFrameOptionsDialogTest, PngShowsTheWindowsValuesAndStoresThemOnOk)
{
    form_->PngTransparentColor = clRed;
    form_->PngInterlaced = true;
    form_->ShowPngOptions = false;
    form_->PngCompressionLevel = 4;
    TPNGForm dialog;
    Show(dialog);
    EXPECT_EQ(dialog.windowTitle().toStdString(), "frame.out");
    EXPECT_EQ(dialog.Panel1Color(), clRed);
    EXPECT_TRUE(dialog.CheckBox1->isChecked());
    EXPECT_FALSE(dialog.CheckBox2->isChecked());
    EXPECT_EQ(dialog.CSpinEdit1->value(), 4);

    desktop_.ChooseDialogs.Colors.push_back(clBlue);
    dialog.SpeedButton2->click();
    EXPECT_EQ(dialog.Panel1Color(), clBlue);
    dialog.CSpinEdit1->setValue(2);
    dialog.Button1->click();
    EXPECT_EQ(form_->PngTransparentColor, clBlue);
    EXPECT_EQ(form_->PngCompressionLevel, 2);
    EXPECT_TRUE(form_->PngInterlaced);
    EXPECT_FALSE(form_->ShowPngOptions);
}

TEST_F(TFrameOptionsDialogTest, PngShownModallyReadsTheWindowFirst)
{
    form_->PngCompressionLevel = 4;
    desktop_.ModalDialogs.Answer<TPNGForm>([](TPNGForm& dialog) {
        EXPECT_EQ(dialog.CSpinEdit1->value(), 4);
        dialog.CSpinEdit1->setValue(6);
        dialog.Button1->click();
    });
    TPNGForm dialog;
    EXPECT_EQ(ShowModal(dialog), mrOk);
    EXPECT_EQ(form_->PngCompressionLevel, 6);
}

TEST_F(TFrameOptionsDialogTest, PngColourDialogKeepsItsOwnColourAndCancelKeepsTheSwatch)
{
    form_->PngTransparentColor = clRed;
    TPNGForm dialog;
    Show(dialog);
    desktop_.ChooseDialogs.Colors.push_back(std::nullopt);
    dialog.SpeedButton2->click();
    ASSERT_EQ(desktop_.ChooseDialogs.ColorsShown.size(), 1u);
    EXPECT_NE(desktop_.ChooseDialogs.ColorsShown[0], clRed);
    EXPECT_EQ(dialog.Panel1Color(), clRed);
}

TEST_F(TFrameOptionsDialogTest, PngDefaultsAndCancel)
{
    form_->PngTransparentColor = clRed;
    form_->PngInterlaced = true;
    form_->ShowPngOptions = false;
    form_->PngCompressionLevel = 0;
    TPNGForm dialog;
    Show(dialog);
    dialog.SpeedButton1->click();
    EXPECT_FALSE(dialog.CheckBox1->isChecked());
    EXPECT_TRUE(dialog.CheckBox2->isChecked());
    EXPECT_EQ(dialog.CSpinEdit1->value(), 9);
    EXPECT_EQ(dialog.Panel1Color(), clWhite);
    dialog.Button2->click();
    EXPECT_EQ(form_->PngTransparentColor, clRed);
    EXPECT_TRUE(form_->PngInterlaced);
    EXPECT_EQ(form_->PngCompressionLevel, 0);
}

} // namespace
