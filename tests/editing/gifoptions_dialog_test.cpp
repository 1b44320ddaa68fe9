#include "editing/gifoptions.h"

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>

#include "app/dialogs/dialog_support.h"
#include "frame_dialog_fixture.h"
#include "gif/gifimage.h"
#include "platform/colors.h"
#include "platform/qt/controls.h"

namespace {

TEST(GifOptionLists, MapIndicesAndValuesBothWays)
{
    const int reductions[] = {rmNetscape, rmMonochrome, rmGrayScale, rmWindowsGray,
                              rmWindows20, rmWindows256, rmQuantize, rmQuantizeWindows};
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(IndexToReduction(i), reductions[i]) << i;
        EXPECT_EQ(ReductionToIndex(reductions[i]), i) << i;
    }
    EXPECT_EQ(ReductionToIndex(rmNone), -1);
    EXPECT_EQ(ReductionToIndex(rmPalette), -1);

    const int dithers[] = {dmFloydSteinberg, dmStucki, dmSierra, dmJaJuNI, dmSteveArche, dmBurkes, dmNearest};
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(IndexToDither(i), dithers[i]) << i;
        EXPECT_EQ(DitherToIndex(dithers[i]), i) << i;
    }

    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(IndexToColorBits(i), i + 3);
        EXPECT_EQ(ColorBitsToIndex(i + 3), i);
    }
    for (int bits : {0, 1, 2, 9})
        EXPECT_EQ(ColorBitsToIndex(bits), -1) << bits;

    EXPECT_EQ(CompressionToIndex(0), 0);
    EXPECT_EQ(CompressionToIndex(1), 1);
    EXPECT_EQ(CompressionToIndex(5), 1);
    EXPECT_EQ(IndexToCompression(0), 0);
    EXPECT_EQ(IndexToCompression(1), 1);

    const std::pair<int, int> clamped[] = {{-3, 1}, {0, 1}, {1, 1}, {2, 2}, {8, 8}, {9, 8}};
    for (auto [bits, expected] : clamped)
        EXPECT_EQ(ClampReductionBits(bits), expected) << bits;
}

TEST(PaletteGridShape, SixteenColoursToARow)
{
    const std::pair<int, TGridShape> cases[] = {
        {8, {8, 1}}, {16, {16, 1}}, {17, {16, 2}}, {256, {16, 16}}, {2, {2, 1}}};
    for (auto [colours, shape] : cases)
        EXPECT_EQ(PaletteGridShape(colours), shape) << colours;
}

// The dialog sets the GIF library's process-wide conversion defaults; each test gets them
// back as it found them.
class GifOptionDialog : public TFrameDialogTest {
protected:
    void SetUp() override
    {
        TFrameDialogTest::SetUp();
        Form().GifOptionsForFrames = true;
    }
    void TearDown() override
    {
        GIFImageDefaultColorReduction = savedReduction_;
        GIFImageDefaultColorReductionBits = savedBits_;
        GIFImageDefaultDitherMode = savedDither_;
        GIFImageDefaultCompression = savedCompression_;
        dialog_.reset();
        TFrameDialogTest::TearDown();
    }
    TGifOptionForm& Open()
    {
        dialog_ = std::make_unique<TGifOptionForm>(Form());
        dialog_->show();
        return *dialog_;
    }
    // Frames whose options differ in every field.
    void AddVariedFrames()
    {
        AddFrame(TFrameSpec{.Options = {dmSierra, rmNetscape, 4, 0, 1, RGB(1, 2, 3), 5, false}});
        AddFrame(TFrameSpec{.Options = {dmBurkes, rmGrayScale, 6, 1, 2, RGB(4, 5, 6), 7, false}});
        AddFrame(TFrameSpec{.Options = {dmStucki, rmWindows20, 3, 0, 3, RGB(7, 8, 9), 9, true}});
    }

    std::unique_ptr<TGifOptionForm> dialog_;
    TColorReduction savedReduction_ = GIFImageDefaultColorReduction;
    int savedBits_ = GIFImageDefaultColorReductionBits;
    TDitherMode savedDither_ = GIFImageDefaultDitherMode;
    TGIFCompression savedCompression_ = GIFImageDefaultCompression;
};

TEST_F(GifOptionDialog, ShowsTheFirstSelectedFrameAndHandsItsOptionsToTheLibrary)
{
    AddVariedFrames();
    Select({1, 0});
    TGifOptionForm& d = Open();
    EXPECT_EQ(d.windowTitle().toStdString(), "Кадры: 1, 2");
    EXPECT_EQ(d.Button1->text().toStdString(), "OK");
    EXPECT_TRUE(d.CheckBox2->isHidden());
    EXPECT_TRUE(d.ComboBox1->isEnabled());
    EXPECT_EQ(d.FrameIndex, 1);
    EXPECT_EQ(d.ComboDither->currentIndex(), 5);
    EXPECT_EQ(d.ComboReduction->currentIndex(), 2);
    EXPECT_EQ(d.ComboColor->currentIndex(), 3);
    EXPECT_EQ(d.CompressGroup->ItemIndex(), 1);
    EXPECT_EQ(d.ComboBox1->currentIndex(), 2);
    EXPECT_EQ(d.TransparentSwatchColor(), RGB(4, 5, 6));
    EXPECT_EQ(d.Panel3->toolTip().toStdString(), "RGB: 4 5 6");
    EXPECT_EQ(GIFImageDefaultDitherMode, dmBurkes);
    EXPECT_EQ(GIFImageDefaultColorReduction, rmGrayScale);
    EXPECT_EQ(GIFImageDefaultColorReductionBits, 6);
    EXPECT_EQ(GIFImageDefaultCompression, gcRLE);
    for (QWidget* w : std::initializer_list<QWidget*>{d.ComboReduction, d.ComboBox1, d.CompressGroup, d.CheckBox1})
        EXPECT_EQ(ControlColor(*w), RGB(230, 230, 230)) << w->objectName().toStdString();

    // The grid and its caption follow the palette of the conversion.
    const int n = int(d.PaletteColors.size());
    ASSERT_GT(n, 0);
    EXPECT_EQ((TGridShape{d.DrawGrid1->ColCount(), d.DrawGrid1->RowCount()}), PaletteGridShape(n));
    EXPECT_EQ(d.Panel5->Caption(), std::to_string(n) + " colors");
    ASSERT_TRUE(d.GifBitmap);
    EXPECT_EQ(d.GifBitmap->Width(), d.SourceBitmap->Width());
}

TEST_F(GifOptionDialog, PreviewIsTheFramesTopLeftPartCentredInThePanel)
{
    AddFrame(TFrameSpec{.BitmapWidth = 40, .BitmapHeight = 30});
    AddFrame(TFrameSpec{.BitmapWidth = 200, .BitmapHeight = 100});
    Select({0});
    EXPECT_EQ(Open().ImageSrc->geometry(), QRect(56, 49, 40, 30));
    Select({1});
    TGifOptionForm& d = Open();
    EXPECT_EQ(d.ImageSrc->geometry(), QRect(2, 14, 149, 100));
    EXPECT_EQ(d.ImageGif->geometry(), d.ImageSrc->geometry());
    EXPECT_EQ(d.SourceBitmap->GetPixel(99, 0), RGB(200, 30, 30));
    EXPECT_EQ(d.SourceBitmap->GetPixel(148, 99), RGB(20, 40, 220));
}

TEST_F(GifOptionDialog, OneFrameOkWithoutChangeIsNoChange)
{
    AddVariedFrames();
    Select({2});
    Open().Button1->click();
    EXPECT_EQ(dialog_->result(), QDialog::Accepted);
    EXPECT_EQ(Form().FrameGifOptions[2], (GIFOPTIONS{dmStucki, rmWindows20, 3, 0, 3, RGB(7, 8, 9), 9, true}));
    EXPECT_FALSE(Form().OptionsChanged);
}

TEST_F(GifOptionDialog, SeveralFramesTakeOnlyTheTouchedOption)
{
    AddVariedFrames();
    const std::vector<GIFOPTIONS> before(Form().FrameGifOptions.begin(), Form().FrameGifOptions.end());
    Select({1, 0, 2});
    TGifOptionForm& d = Open();
    Choose(*d.ComboDither, 0);
    EXPECT_EQ(GIFImageDefaultDitherMode, dmFloydSteinberg);
    d.Button1->click();
    EXPECT_TRUE(Form().OptionsChanged);
    for (int i = 0; i < 3; ++i) {
        GIFOPTIONS expected = before[std::size_t(i)];
        expected.ColorDither = dmFloydSteinberg;
        EXPECT_EQ(Form().FrameGifOptions[std::size_t(i)], expected) << i;
    }
}

TEST_F(GifOptionDialog, TransparencyGoesToAllButThePickedColourToTheFirstSelectedOnly)
{
    AddVariedFrames();
    Select({2, 0, 1});
    TGifOptionForm& d = Open();
    d.CheckBox1->click(); // frame 2 had it on: now off
    d.CheckBox1->click(); // and on again, touched
    ASSERT_GE(d.PaletteColors.size(), 2u);
    const TColor picked = d.PaletteColors[1];
    ASSERT_TRUE(d.DrawGrid1->SelectCell(1, 0));
    EXPECT_EQ(d.TransparentSwatchColor(), picked);
    d.Button1->click();

    for (std::size_t i = 0; i < 3; ++i)
        EXPECT_TRUE(Form().FrameGifOptions[i].GIFTransparent) << i;
    EXPECT_EQ(Form().FrameGifOptions[2].TransparentColor, picked);
    EXPECT_EQ(Form().FrameGifOptions[2].TransparentColorIndex, 1);
    EXPECT_EQ(Form().FrameGifOptions[0].TransparentColor, RGB(1, 2, 3));
    EXPECT_EQ(Form().FrameGifOptions[1].TransparentColorIndex, 7);
    EXPECT_EQ(Form().FrameGifOptions[0].ColorReduction, rmNetscape);
}

TEST_F(GifOptionDialog, NoColourIsTakenWithoutTransparencyOrBeyondThePalette)
{
    AddFrame(TFrameSpec{});
    Select({0});
    TGifOptionForm& d = Open();
    const GIFOPTIONS shown = d.WorkOptions;
    d.DrawGrid1->SelectCell(1, 0);
    EXPECT_EQ(d.WorkOptions, shown);

    d.CheckBox1->click();
    bool canSelect = true;
    d.DrawGrid1SelectCell(0, 5, canSelect);
    EXPECT_EQ(d.WorkOptions.TransparentColor, shown.TransparentColor);
    EXPECT_EQ(d.WorkOptions.TransparentColorIndex, shown.TransparentColorIndex);
}

TEST_F(GifOptionDialog, AKeyboardToggleOfTransparencyIsATouch)
{
    AddFrames(2);
    Select({0, 1});
    TGifOptionForm& d = Open();
    d.CheckBox1->setFocus();
    PressKey(*d.CheckBox1, Qt::Key_Space);
    EXPECT_TRUE(d.Edited(*d.CheckBox1));
    d.Button1->click();
    EXPECT_TRUE(Form().FrameGifOptions[1].GIFTransparent);
}

TEST_F(GifOptionDialog, ValuesWithoutAnItemSurviveOk)
{
    const struct {
        int reduction, bits;
        int reductionIndex, colourIndex;
        int libraryBits, keptBits;
    } cases[] = {
        {rmNone, 8, -1, 5, 8, 8},
        {rmQuantize, 1, 6, -1, 1, 1},
        {rmQuantize, 2, 6, -1, 2, 2},
        {rmQuantize, 0, 6, -1, 1, 1},  // only a damaged project holds these
        {rmQuantize, 20, 6, 5, 8, 8},
    };
    for (const auto& c : cases) {
        Form().ClearFrames();
        AddFrame(TFrameSpec{.Options = {dmNearest, std::int8_t(c.reduction), c.bits, 0, 0, clWhite, 0, false}});
        Select({0});
        TGifOptionForm& d = Open();
        EXPECT_EQ(d.ComboReduction->currentIndex(), c.reductionIndex) << c.reduction << "/" << c.bits;
        EXPECT_EQ(d.ComboColor->currentIndex(), c.colourIndex) << c.bits;
        EXPECT_EQ(GIFImageDefaultColorReductionBits, c.libraryBits) << c.bits;
        d.Button1->click();
        EXPECT_EQ(Form().FrameGifOptions[0].ColorReduction, c.reduction);
        EXPECT_EQ(Form().FrameGifOptions[0].ReductionBit, c.keptBits) << c.bits;
    }
}

TEST_F(GifOptionDialog, CancelChangesNoFrameButTheLibraryKeepsTheLastChoice)
{
    AddVariedFrames();
    const std::vector<GIFOPTIONS> before(Form().FrameGifOptions.begin(), Form().FrameGifOptions.end());
    Select({0});
    Form().OptionsChanged = false;
    TGifOptionForm& d = Open();
    Choose(*d.ComboReduction, 1);
    d.CheckBox1->click();
    d.DrawGrid1->SelectCell(0, 0);
    d.Button2->click();
    EXPECT_EQ(d.result(), QDialog::Rejected);
    EXPECT_EQ(std::vector<GIFOPTIONS>(Form().FrameGifOptions.begin(), Form().FrameGifOptions.end()), before);
    EXPECT_FALSE(Form().OptionsChanged);
    EXPECT_EQ(GIFImageDefaultColorReduction, rmMonochrome);
}

TEST_F(GifOptionDialog, DefaultsButtonRefreshesEveryControl)
{
    AddVariedFrames();
    Select({1});
    TGifOptionForm& d = Open();
    d.SpeedButton1->click();
    EXPECT_EQ(d.WorkOptions, Form().DefaultGifOptions);
    EXPECT_EQ(d.ComboReduction->currentIndex(), 6);
    EXPECT_EQ(d.ComboDither->currentIndex(), 6);
    EXPECT_EQ(d.ComboColor->currentIndex(), 5);
    EXPECT_EQ(d.CompressGroup->ItemIndex(), 0);
    EXPECT_EQ(d.ComboBox1->currentIndex(), 0);
    EXPECT_FALSE(d.CheckBox1->isChecked());
    EXPECT_EQ(d.TransparentSwatchColor(), Form().DefaultGifOptions.TransparentColor);
    EXPECT_EQ(GIFImageDefaultColorReduction, rmQuantize);
    EXPECT_EQ(GIFImageDefaultDitherMode, dmNearest);
    EXPECT_EQ(GIFImageDefaultColorReductionBits, 8);
    EXPECT_EQ(GIFImageDefaultCompression, gcLZW);
}

class GifSaveOptionDialog : public GifOptionDialog {
protected:
    void SetUp() override
    {
        GifOptionDialog::SetUp();
        Form().GifOptionsForFrames = false;
        Form().OutputFileName = "shown.gif";
        Form().ShowGifOptions = true;
        Form().GifSaveDither = dmSierra;
        Form().GifSaveReduction = rmGrayScale;
        Form().GifSaveReductionBits = 5;
        Form().GifSaveCompression = 1;
        Form().GifSaveTransparent = true;
        Form().GifSaveTransparentColor = RGB(20, 40, 220);
        Form().PreviewBitmap = std::make_unique<TBitmap>(3, 2, pf24bit);
        Form().PreviewBitmap->SetPixel(2, 1, RGB(20, 40, 220));
    }
};

TEST_F(GifSaveOptionDialog, ShowsTheSavedOptionsAndPreviewsTheShownFrame)
{
    TGifOptionForm& d = Open(); // no frame selected: the shown frame is what gets saved
    EXPECT_EQ(d.windowTitle().toStdString(), "shown.gif");
    EXPECT_EQ(d.Button1->text().toStdString(), "Сохранить");
    EXPECT_FALSE(d.ComboBox1->isEnabled());
    EXPECT_FALSE(d.CheckBox2->isHidden());
    EXPECT_TRUE(d.CheckBox2->isChecked());
    EXPECT_TRUE(d.CheckBox1->isChecked());
    EXPECT_EQ(d.ComboDither->currentIndex(), 2);
    EXPECT_EQ(d.ComboColor->currentIndex(), 2);
    EXPECT_EQ(d.TransparentSwatchColor(), RGB(20, 40, 220));
    ASSERT_EQ(d.SourceBitmap->Width(), 3);
    EXPECT_EQ(d.SourceBitmap->GetPixel(2, 1), RGB(20, 40, 220));
    EXPECT_EQ(d.SourceBitmap->GetPixel(0, 0), clWhite);
}

TEST_F(GifSaveOptionDialog, OkStoresAllSixWhateverTheMarksAndCancelNone)
{
    TGifOptionForm& cancelled = Open();
    Choose(*cancelled.ComboDither, 6);
    cancelled.CheckBox2->click();
    cancelled.Button2->click();
    EXPECT_EQ(Form().GifSaveDither, dmSierra);
    EXPECT_TRUE(Form().ShowGifOptions);

    TGifOptionForm& d = Open();
    Choose(*d.ComboDither, 6);
    Choose(*d.ComboReduction, 7);
    Choose(*d.ComboColor, 0);
    d.CompressGroup->findChildren<QRadioButton*>().at(0)->click();
    const TColor picked = d.PaletteColors.at(0);
    ASSERT_TRUE(d.DrawGrid1->SelectCell(0, 0));
    d.CheckBox1->click();
    d.CheckBox2->click();
    d.Button1->click();
    EXPECT_EQ(Form().GifSaveDither, dmNearest);
    EXPECT_EQ(Form().GifSaveReduction, rmQuantizeWindows);
    EXPECT_EQ(Form().GifSaveReductionBits, 3);
    EXPECT_EQ(Form().GifSaveCompression, 0);
    EXPECT_FALSE(Form().GifSaveTransparent);
    EXPECT_EQ(Form().GifSaveTransparentColor, picked);
    EXPECT_FALSE(Form().ShowGifOptions);
    EXPECT_FALSE(Form().OptionsChanged);
}

TEST_F(GifSaveOptionDialog, DefaultsButtonChecksShowAlwaysAgain)
{
    TGifOptionForm& d = Open();
    d.CheckBox2->click();
    d.SpeedButton1->click();
    EXPECT_TRUE(d.CheckBox2->isChecked());
}

} // namespace
