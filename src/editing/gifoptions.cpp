#include "editing/gifoptions.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QShowEvent>
#include <QStyle>
#include <QToolButton>

#include <algorithm>
#include <array>

#include "app/createavi.h"
#include "app/dialogs/dialog_support.h"
#include "app/frame_selection.h"
#include "app/gif_defaults.h"
#include "gif/gifimage.h"
#include "platform/blit.h"
#include "platform/colors.h"
#include "platform/qt/controls.h"
#include "platform/qt/qt_bridge.h"

// ---- The lists' tables ---------------------------------------------------------------------

namespace {

constexpr std::array<int, 8> ReductionByIndex = {rmNetscape,    rmMonochrome, rmGrayScale,
                                                 rmWindowsGray, rmWindows20,  rmWindows256,
                                                 rmQuantize,    rmQuantizeWindows};
constexpr std::array<int, 7> DitherByIndex = {dmFloydSteinberg, dmStucki, dmSierra, dmJaJuNI,
                                              dmSteveArche,     dmBurkes, dmNearest};

template <std::size_t N>
int IndexOfValue(const std::array<int, N>& table, int value)
{
    const auto found = std::find(table.begin(), table.end(), value);
    return found == table.end() ? -1 : int(found - table.begin());
}

template <std::size_t N>
int ValueAtIndex(const std::array<int, N>& table, int index)
{
    return table[std::size_t(std::clamp(index, 0, int(N) - 1))];
}

QString RgbHint(TColor color)
{
    const TColor rgb = ColorToRGB(color);
    return QString("RGB: %1 %2 %3").arg(GetRValue(rgb)).arg(GetGValue(rgb)).arg(GetBValue(rgb));
}

} // namespace

int ReductionToIndex(int reduction) { return IndexOfValue(ReductionByIndex, reduction); }
int IndexToReduction(int index) { return ValueAtIndex(ReductionByIndex, index); }
int DitherToIndex(int dither) { return IndexOfValue(DitherByIndex, dither); }
int IndexToDither(int index) { return ValueAtIndex(DitherByIndex, index); }
int ColorBitsToIndex(int bits) { return bits >= 3 && bits <= 8 ? bits - 3 : -1; }
int IndexToColorBits(int index) { return std::clamp(index, 0, 5) + 3; }
int CompressionToIndex(int compression) { return compression == 0 ? 0 : 1; }
int IndexToCompression(int index) { return index == 0 ? 0 : 1; }
int ClampReductionBits(int bits) { return std::clamp(bits, 1, 8); }

TGridShape PaletteGridShape(int colours)
{
    colours = std::max(colours, 0);
    return TGridShape{std::min(colours, 16), (colours + 15) / 16};
}

// ---- The dialog ----------------------------------------------------------------------------

TGifOptionForm::TGifOptionForm(TAVIForm& form, QWidget* parent)
    : QDialog(parent), UnchangedColor(UntouchedFieldColor), ChangedColor(TouchedFieldColor), form_(form)
{
    CreateComponents();
}

TGifOptionForm::~TGifOptionForm() = default;

void TGifOptionForm::CreateComponents()
{
    setWindowTitle("GIF");
    setFixedSize(636, 241);
    QFont small = font();
    small.setPointSizeF(std::min(small.pointSizeF(), 8.0));
    setFont(small);

    auto name = [](QWidget* w, const char* n) { w->setObjectName(n); };
    auto previewPanel = [&](TPanel*& panel, TPaintBox*& box, QLabel*& label, const char* caption, int x,
                            const char* panelName, const char* boxName, const char* labelName) {
        label = new QLabel(caption, this);
        name(label, labelName);
        label->setGeometry(x, 2, 153, 18);
        panel = new TPanel(this);
        name(panel, panelName);
        panel->SetBevel(bvNone, bvLowered);
        panel->SetColor(clSilver);
        panel->setGeometry(x, 20, 153, 129);
        box = new TPaintBox(panel);
        name(box, boxName);
    };
    previewPanel(Panel1, ImageSrc, Label1, "До", 8, "Panel1", "ImageSrc", "Label1");
    previewPanel(Panel2, ImageGif, Label2, "После", 167, "Panel2", "ImageGif", "Label2");
    ImageSrc->OnPaint = [this](QPainter& p) { ImageSrcPaint(p); };
    ImageGif->OnPaint = [this](QPainter& p) { ImageGifPaint(p); };

    GroupBox1 = new QGroupBox(this);
    name(GroupBox1, "GroupBox1");
    GroupBox1->setGeometry(326, 2, 122, 182);
    auto list = [&](QLabel*& label, QComboBox*& combo, const char* caption, const QStringList& items, int y,
                    const char* labelName, const char* comboName) {
        label = new QLabel(caption, GroupBox1);
        name(label, labelName);
        label->setGeometry(8, y, 106, 15);
        combo = new QComboBox(GroupBox1);
        name(combo, comboName);
        combo->addItems(items);
        combo->setGeometry(6, y + 15, 110, 22);
    };
    list(Label3, ComboReduction, "Reduction:",
         {"Netscape", "Monochrome", "GrayScale", "WindowsGray", "Windows20", "Windows256", "Quantize",
          "QuantizeWindows"},
         4, "Label3", "ComboReduction");
    list(Label4, ComboDither, "Dither:",
         {"FloydSteinberg", "Stucki", "Sierra", "JaJuNi", "SteveArche", "Burkes", "Nearest"}, 48, "Label4",
         "ComboDither");
    list(Label5, ComboColor, "Colors:", {"8", "16", "32", "64", "128", "256"}, 92, "Label5", "ComboColor");
    list(Label6, ComboBox1, "Disposal:", {"None", "No disposal", "Background", "Previous"}, 136, "Label6",
         "ComboBox1");

    CompressGroup = new TRadioGroup("Сжатие", {"LZW", "RLE"}, 2, this);
    name(CompressGroup, "CompressGroup");
    CompressGroup->setGeometry(326, 186, 122, 52);
    CompressGroup->SetItemIndex(0);
    SetControlColor(*CompressGroup, clBtnFace);

    Panel4 = new TPanel(this);
    name(Panel4, "Panel4");
    Panel4->SetBevel(bvLowered);
    Panel4->setGeometry(452, 4, 181, 181);
    DrawGrid1 = new TDrawGrid(Panel4);
    name(DrawGrid1, "DrawGrid1");
    DrawGrid1->setGeometry(2, 2, 177, 177);
    DrawGrid1->OnDrawCell = [this](QPainter& p, int c, int r, const QRect& cell, bool focused) {
        DrawGrid1DrawCell(p, c, r, cell, focused);
    };
    DrawGrid1->OnSelectCell = [this](int c, int r, bool& canSelect) {
        ShowingErrors([&] { DrawGrid1SelectCell(c, r, canSelect); });
    };
    Panel5 = new TPanel(this);
    name(Panel5, "Panel5");
    Panel5->SetBevel(bvLowered);
    Panel5->setGeometry(452, 189, 181, 20);

    CheckBox1 = new QCheckBox("Прозрачность", this);
    name(CheckBox1, "CheckBox1");
    CheckBox1->setGeometry(8, 156, 112, 22);
    SetControlColor(*CheckBox1, clBtnFace);
    Panel3 = new TPanel(this);
    name(Panel3, "Panel3");
    Panel3->SetBevel(bvLowered);
    Panel3->setGeometry(124, 156, 22, 22);
    SpeedButton1 = new QToolButton(this);
    name(SpeedButton1, "SpeedButton1");
    SpeedButton1->setIcon(style()->standardIcon(QStyle::SP_BrowserReload));
    SpeedButton1->setToolTip("Вернуть установки по умолчанию");
    SpeedButton1->setGeometry(152, 155, 24, 24);
    CheckBox2 = new QCheckBox("Показывать всегда", this);
    name(CheckBox2, "CheckBox2");
    CheckBox2->setGeometry(8, 188, 150, 22);

    Button1 = new QPushButton("Сохранить", this);
    name(Button1, "Button1");
    Button1->setGeometry(158, 208, 80, 26);
    Button1->setDefault(true);
    Button2 = new QPushButton("Отменить", this);
    name(Button2, "Button2");
    Button2->setGeometry(242, 208, 80, 26);

    // activated, unlike currentIndexChanged, comes from the user only, so that showing the
    // values marks nothing.
    // A conversion the library refuses is reported and leaves the dialog as it was.
    connect(ComboReduction, &QComboBox::activated, this, [this] { ShowingErrors([this] { ComboReductionChange(); }); });
    connect(ComboDither, &QComboBox::activated, this, [this] { ShowingErrors([this] { ComboDitherChange(); }); });
    connect(ComboColor, &QComboBox::activated, this, [this] { ShowingErrors([this] { ComboColorChange(); }); });
    connect(ComboBox1, &QComboBox::activated, this, [this] { ShowingErrors([this] { ComboBox1Change(); }); });
    CompressGroup->OnClick = [this] { ShowingErrors([this] { CompressGroupClick(); }); };
    // A toggle by the space bar is a touch as much as one by the mouse.
    connect(CheckBox1, &QCheckBox::clicked, this, [this] { ShowingErrors([this] { CheckBox1MouseUp(); }); });
    OnClickShowingErrors(SpeedButton1, this, [this] { SpeedButton1Click(); });
    connect(Button1, &QPushButton::clicked, this, [this] {
        Button1Click();
        accept();
    });
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);
}

void TGifOptionForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous()) {
        ShowingErrors([this] { FormShow(); });
        CentreOnScreen(*this);
        Button1->setFocus();
    }
}

const TBitmap* TGifOptionForm::PreviewSource() const
{
    if (!form_.GifOptionsForFrames)
        return form_.PreviewBitmap.get();
    return FrameIndex < 0 ? nullptr : form_.FrameBitmaps.at(std::size_t(FrameIndex)).get();
}

void TGifOptionForm::FormShow()
{
    const std::deque<int>& selected = form_.SelectedFrames;
    FrameIndex = selected.empty() ? -1 : selected.front();
    const bool forFrames = form_.GifOptionsForFrames;
    if (forFrames) {
        Button1->setText("OK");
        setWindowTitle(QString::fromStdString(SelectedFramesCaption(selected)));
        CheckBox2->hide();
        ComboBox1->setEnabled(true);
        if (FrameIndex >= 0)
            WorkOptions = form_.FrameGifOptions.at(std::size_t(FrameIndex));
    } else {
        setWindowTitle(QString::fromStdString(form_.OutputFileName));
        Button1->setText("Сохранить");
        CheckBox2->show();
        CheckBox2->setChecked(form_.ShowGifOptions);
        WorkOptions = GIFOPTIONS{};
        WorkOptions.ColorReduction = form_.GifSaveReduction;
        WorkOptions.ColorDither = form_.GifSaveDither;
        WorkOptions.GIFCompression = form_.GifSaveCompression;
        WorkOptions.ReductionBit = form_.GifSaveReductionBits;
        WorkOptions.GIFTransparent = form_.GifSaveTransparent;
        WorkOptions.TransparentColor = form_.GifSaveTransparentColor;
        ComboBox1->setEnabled(false);
    }
    ShowWorkOptions();

    // The previews show the picture's top-left part at its own size, centred in the panel
    // when it is smaller.
    const TBitmap* source = PreviewSource();
    const int w = source ? source->Width() : 0, h = source ? source->Height() : 0;
    const QRect place = PlacePreview(Panel1->width(), Panel1->height(), w, h);
    ImageSrc->setGeometry(place);
    ImageGif->setGeometry(place);

    SourceBitmap = std::make_unique<TBitmap>(place.width(), place.height(), pf32bit);
    if (source && !source->Empty())
        BitBlt(*SourceBitmap, 0, 0, place.width(), place.height(), *source, 0, 0, SRCCOPY);
    ImageSrc->update();

    // Marked before the first conversion, so that a value the library refuses (which its
    // error message reports) still leaves a dialog whose OK means what it shows.
    if (forFrames) {
        const bool one = selected.size() == 1;
        for (QComboBox* combo : {ComboReduction, ComboDither, ComboColor, ComboBox1})
            SetControlColor(*combo, one ? ChangedColor : UnchangedColor);
        SetControlColor(*CompressGroup, one ? clBtnFace : UnchangedColor);
        SetControlColor(*CheckBox1, one ? clBtnFace : UnchangedColor);
    }
    GifPreviewBuild(true);
}

void TGifOptionForm::ShowWorkOptions()
{
    // Only a damaged project holds colour bits outside 1..8; the library refuses them.
    WorkOptions.ReductionBit = ClampReductionBits(WorkOptions.ReductionBit);
    CheckBox1->setChecked(WorkOptions.GIFTransparent);
    ComboColor->setCurrentIndex(ColorBitsToIndex(WorkOptions.ReductionBit));
    CompressGroup->SetItemIndex(CompressionToIndex(WorkOptions.GIFCompression));
    ComboDither->setCurrentIndex(DitherToIndex(WorkOptions.ColorDither));
    ComboReduction->setCurrentIndex(ReductionToIndex(WorkOptions.ColorReduction));
    SetGifConversionDefaults(WorkOptions);
    if (WorkOptions.DisposalMethod >= 0 && WorkOptions.DisposalMethod <= 3)
        ComboBox1->setCurrentIndex(WorkOptions.DisposalMethod);
    ShowTransparentColor(WorkOptions.TransparentColor);
}

void TGifOptionForm::ShowTransparentColor(TColor color)
{
    SetControlColor(*Panel3, color);
    Panel3->setToolTip(RgbHint(color));
}

TColor TGifOptionForm::TransparentSwatchColor() const { return ControlColor(*Panel3); }

bool TGifOptionForm::Edited(const QWidget& control) const
{
    const bool markedByFace = &control == CompressGroup || &control == CheckBox1;
    return ControlColor(control) == (markedByFace ? clBtnFace : ChangedColor);
}

// ---- Preview -------------------------------------------------------------------------------

void TGifOptionForm::GifPreviewBuild(bool optimize)
{
    PaletteColors.clear();
    if (!SourceBitmap || SourceBitmap->Empty()) {
        GifBitmap = std::make_unique<TBitmap>();
        ImageGif->update();
        DrawGrid1->SetColCount(1);
        DrawGrid1->SetRowCount(1);
        Panel5->SetCaption("0 colors");
        return;
    }
    const bool transparent = CheckBox1->isChecked();
    const TColor transparentColor = ColorToRGB(WorkOptions.TransparentColor);
    TBitmap picture(*SourceBitmap);
    if (transparent) {
        picture.SetTransparentColor(transparentColor);
        picture.SetTransparent(true);
    }
    TGIFImage image;
    image.Assign(picture);
    if (optimize)
        image.OptimizeColorMap();
    auto converted = std::make_unique<TBitmap>();
    converted->Assign(image);
    if (transparent) {
        converted->SetTransparentColor(transparentColor);
        converted->SetTransparent(true);
    }
    GifBitmap = std::move(converted);
    ImageGif->update();
    FillPaletteGrid(image);
}

void TGifOptionForm::FillPaletteGrid(TGIFImage& image)
{
    PaletteColors.clear();
    TGIFColorMap* map = &image.GetColorMap();
    if (map->Count() == 0 && image.Images().GetCount() > 0)
        map = &image.Images().GetImage(0)->GetActiveColorMap();
    for (int i = 0; i < map->Count(); ++i)
        PaletteColors.push_back(map->GetColor(i));
    const int n = int(PaletteColors.size());
    const TGridShape shape = PaletteGridShape(n);
    DrawGrid1->SetColCount(shape.Columns);
    DrawGrid1->SetRowCount(shape.Rows);
    DrawGrid1->update();
    Panel5->SetCaption(std::to_string(n) + " colors");
    Panel3->setToolTip(RgbHint(WorkOptions.TransparentColor));
}

void TGifOptionForm::ImageSrcPaint(QPainter& painter)
{
    if (SourceBitmap)
        DrawBitmap(painter, 0, 0, *SourceBitmap);
}

void TGifOptionForm::ImageGifPaint(QPainter& painter)
{
    if (GifBitmap && !GifBitmap->Empty())
        DrawBitmap(painter, 0, 0, *GifBitmap);
}

void TGifOptionForm::DrawGrid1DrawCell(QPainter& painter, int col, int row, const QRect& rect, bool focused)
{
    const int i = row * DrawGrid1->ColCount() + col;
    if (i >= int(PaletteColors.size()))
        return;
    painter.fillRect(rect, ColorToQColor(PaletteColors[std::size_t(i)]));
    if (focused) {
        painter.setPen(QPen(Qt::black, 1, Qt::DotLine));
        painter.drawRect(rect.adjusted(0, 0, -1, -1));
    }
}

void TGifOptionForm::DrawGrid1SelectCell(int col, int row, bool& canSelect)
{
    const int i = row * DrawGrid1->ColCount() + col;
    if (!CheckBox1->isChecked() || i >= int(PaletteColors.size()))
        return;
    canSelect = true;
    WorkOptions.TransparentColor = PaletteColors[std::size_t(i)];
    WorkOptions.TransparentColorIndex = std::uint8_t(i);
    ShowTransparentColor(WorkOptions.TransparentColor);
    // Without the optimised global map the grid shows the palette the conversion itself made.
    GifPreviewBuild(false);
}
