#include "output/bmpoptions.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QShowEvent>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/createavi.h"
#include "app/dialogs/dialog_support.h"
#include "platform/blit.h"
#include "platform/qt/controls.h"
#include "platform/qt/qt_bridge.h"

namespace {

constexpr int PreviewPanelWidth = 220;
constexpr int PreviewPanelHeight = 180;

TPanel* MakePreviewPanel(QWidget* parent, const char* name)
{
    auto* panel = new TPanel(parent);
    panel->setObjectName(name);
    panel->SetBevel(bvLowered);
    panel->setFixedSize(PreviewPanelWidth, PreviewPanelHeight);
    return panel;
}

} // namespace

TBMPForm::TBMPForm(QWidget* owner)
    : QDialog(owner), SourceBitmap(std::make_unique<TBitmap>()), ResultBitmap(std::make_unique<TBitmap>())
{
    setObjectName("BMPForm");

    RadioGroup1 = new TRadioGroup(QString::fromUtf8("Формат пиксела"),
                                  {"1 bit", "4 bit", "8 bit", "16 bit", "24 bit", "32 bit"}, 2, this);
    RadioGroup1->setObjectName("RadioGroup1");
    RadioGroup1->SetItemIndex(4);

    Panel2 = new QWidget(this);
    Panel2->setObjectName("Panel2");
    Label1 = new QLabel(QString::fromUtf8("До"), Panel2);
    Label2 = new QLabel(QString::fromUtf8("После"), Panel2);
    Panel1 = MakePreviewPanel(Panel2, "Panel1");
    Panel3 = MakePreviewPanel(Panel2, "Panel3");
    ImageSrc = new TPaintBox(Panel1);
    ImageSrc->setObjectName("ImageSrc");
    ImageBMP = new TPaintBox(Panel3);
    ImageBMP->setObjectName("ImageBMP");
    ImageSrc->OnPaint = [this](QPainter& painter) { ImageSrcPaint(painter); };
    ImageBMP->OnPaint = [this](QPainter& painter) { ImageBMPPaint(painter); };
    auto* pictures = new QGridLayout(Panel2);
    pictures->setContentsMargins(0, 0, 0, 0);
    pictures->addWidget(Label1, 0, 0);
    pictures->addWidget(Label2, 0, 1);
    pictures->addWidget(Panel1, 1, 0);
    pictures->addWidget(Panel3, 1, 1);

    CheckBox1 = MakeCheckBox(this, "CheckBox1", QString::fromUtf8(ShowAlwaysText));
    SpeedButton1 = MakeSpeedButton(this, "SpeedButton1", QString::fromUtf8(DefaultsHint), QStyle::SP_BrowserReload);
    Button1 = MakeDialogButton(this, "Button1", QString::fromUtf8(SaveText));
    Button2 = MakeDialogButton(this, "Button2", QString::fromUtf8(CancelText));
    Button1->setDefault(true);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(CheckBox1);
    bottom->addWidget(SpeedButton1);
    bottom->addStretch(1);
    bottom->addWidget(Button1);
    bottom->addWidget(Button2);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(RadioGroup1);
    layout->addWidget(Panel2);
    layout->addLayout(bottom);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    RadioGroup1->OnClick = [this] { ShowingErrors([this] { RadioGroup1Click(); }); };
    OnClickShowingErrors(SpeedButton1, this, [this] { SpeedButton1Click(); });
    OnClickShowingErrors(Button1, this, [this] { Button1Click(); });
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);
}

TBMPForm::~TBMPForm() = default;

void TBMPForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        ShowingErrors([this] { FormShow(); });
}

void TBMPForm::FormShow()
{
    CheckBox1->setChecked(AVIForm->ShowBmpOptions);
    setWindowTitle(QString::fromStdString(AVIForm->OutputFileName));

    const TBitmap& frame = *AVIForm->PreviewBitmap;
    const QRect client = Panel1->contentsRect();
    const QRect place = PlacePreview(client.width(), client.height(), frame.Width() + 1, frame.Height() + 1);
    ImageSrc->setGeometry(place.translated(client.topLeft()));
    ImageBMP->setGeometry(ImageSrc->geometry());

    SourceBitmap = std::make_unique<TBitmap>(place.width(), place.height(), pf24bit);
    BitBlt(*SourceBitmap, 0, 0, frame.Width(), frame.Height(), frame, 0, 0, SRCCOPY);
    ResultBitmap = std::make_unique<TBitmap>(place.width(), place.height());

    int index = 4; // a format without an item (15 bits, the device's) shows as 24 bits
    for (int i = 0; i < 6; ++i)
        if (ItemFormats[i] == AVIForm->BmpPixelFormat)
            index = i;
    RadioGroup1->SetItemIndex(index);
    BmpPreviewBuild();
}

void TBMPForm::BmpPreviewBuild()
{
    const int index = RadioGroup1->ItemIndex();
    ResultBitmap->SetPixelFormat(ItemFormats[index >= 0 && index < 6 ? index : 4]);
    BitBlt(*ResultBitmap, 0, 0, SourceBitmap->Width(), SourceBitmap->Height(), *SourceBitmap, 0, 0, SRCCOPY);
    ImageBMP->update();
}

void TBMPForm::RadioGroup1Click() { BmpPreviewBuild(); }

void TBMPForm::SpeedButton1Click()
{
    RadioGroup1->SetItemIndex(4);
    CheckBox1->setChecked(true);
    BmpPreviewBuild();
}

void TBMPForm::Button1Click()
{
    const int index = RadioGroup1->ItemIndex();
    AVIForm->ShowBmpOptions = CheckBox1->isChecked();
    AVIForm->BmpPixelFormat = ItemFormats[index >= 0 && index < 6 ? index : 4];
    accept();
}

void TBMPForm::ImageSrcPaint(QPainter& painter) { DrawBitmap(painter, 0, 0, *SourceBitmap); }

void TBMPForm::ImageBMPPaint(QPainter& painter) { DrawBitmap(painter, 0, 0, *ResultBitmap); }
