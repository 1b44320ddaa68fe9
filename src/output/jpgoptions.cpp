#include "output/jpgoptions.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPushButton>
#include <QShowEvent>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/createavi.h"
#include "app/dialogs/dialog_support.h"
#include "platform/blit.h"
#include "platform/jpeg_image.h"
#include "platform/qt/controls.h"
#include "platform/qt/qt_bridge.h"
#include "platform/streams.h"

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

// A pointer with a flat top and a point at the bottom, the thumb of the quality bar.
QImage MakeThumbPicture()
{
    QImage image(11, 18, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath path;
    path.moveTo(0.5, 0.5);
    path.lineTo(10.5, 0.5);
    path.lineTo(10.5, 11.5);
    path.lineTo(5.5, 17.5);
    path.lineTo(0.5, 11.5);
    path.closeSubpath();
    painter.fillPath(path, QColor(70, 110, 180));
    painter.setPen(QColor(20, 30, 60));
    painter.drawPath(path);
    return image;
}

} // namespace

TJPGForm::TJPGForm(QWidget* owner)
    : QDialog(owner), SourceBitmap(std::make_unique<TBitmap>()), ResultBitmap(std::make_unique<TBitmap>())
{
    setObjectName("JPGForm");

    Image1 = new QLabel(this);
    Image1->setObjectName("Image1");
    Image1->setPixmap(QPixmap::fromImage(MakeThumbPicture()));
    Image1->hide();

    Label3 = new QLabel(QString::fromUtf8("Сжатие/Качество"), this);
    Label4 = new QLabel(QStringLiteral("0"), this);
    Label5 = new QLabel(QStringLiteral("100"), this);
    TrackBar1 = new TTrackBar(this);
    TrackBar1->setObjectName("TrackBar1");
    TrackBar1->setRange(0, 100);
    TrackBar1->setTickInterval(5);
    TrackBar1->setPageStep(5);
    TrackBar1->Thumb = Image1->pixmap().toImage();
    TrackBar1->setValue(100);
    Panel1 = new TPanel(this);
    Panel1->setObjectName("Panel1");
    Panel1->SetBevel(bvLowered);
    Panel1->setFixedSize(44, 24);
    Panel1->SetCaption("100");

    Label1 = new QLabel(QString::fromUtf8("До"), this);
    Label2 = new QLabel(QString::fromUtf8("После"), this);
    Panel2 = MakePreviewPanel(this, "Panel2");
    Panel3 = MakePreviewPanel(this, "Panel3");
    ImageSrc = new TPaintBox(Panel2);
    ImageSrc->setObjectName("ImageSrc");
    ImageJPG = new TPaintBox(Panel3);
    ImageJPG->setObjectName("ImageJPG");
    ImageSrc->OnPaint = [this](QPainter& painter) { ImageSrcPaint(painter); };
    ImageJPG->OnPaint = [this](QPainter& painter) { ImageJPGPaint(painter); };

    CheckBox1 = MakeCheckBox(this, "CheckBox1", QString::fromUtf8(ShowAlwaysText));
    SpeedButton1 = MakeSpeedButton(this, "SpeedButton1", QString::fromUtf8(DefaultsHint), QStyle::SP_BrowserReload);
    Button1 = MakeDialogButton(this, "Button1", QString::fromUtf8(SaveText));
    Button2 = MakeDialogButton(this, "Button2", QString::fromUtf8(CancelText));
    Button1->setDefault(true);
    TrackBar1->FocusTarget = Button1;

    auto* quality = new QHBoxLayout;
    quality->addWidget(Label4);
    quality->addWidget(TrackBar1, 1);
    quality->addWidget(Label5);
    quality->addWidget(Panel1);
    auto* pictures = new QGridLayout;
    pictures->addWidget(Label1, 0, 0);
    pictures->addWidget(Label2, 0, 1);
    pictures->addWidget(Panel2, 1, 0);
    pictures->addWidget(Panel3, 1, 1);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(CheckBox1);
    bottom->addWidget(SpeedButton1);
    bottom->addStretch(1);
    bottom->addWidget(Button1);
    bottom->addWidget(Button2);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label3);
    layout->addLayout(quality);
    layout->addLayout(pictures);
    layout->addLayout(bottom);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(TrackBar1, &QSlider::valueChanged, this, [this] { ShowingErrors([this] { TrackBar1Change(); }); });
    OnClickShowingErrors(SpeedButton1, this, [this] { SpeedButton1Click(); });
    OnClickShowingErrors(Button1, this, [this] { Button1Click(); });
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);
}

TJPGForm::~TJPGForm() = default;

void TJPGForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        ShowingErrors([this] { FormShow(); });
}

void TJPGForm::FormShow()
{
    setWindowTitle(QString::fromStdString(AVIForm->OutputFileName));
    CheckBox1->setChecked(AVIForm->ShowJpegOptions);
    {
        // The previews are built once below, not once more for this move.
        const QSignalBlocker quiet(TrackBar1);
        TrackBar1->setValue(AVIForm->JpegQuality);
    }
    Panel1->SetCaption(std::to_string(TrackBar1->value()));

    const TBitmap& frame = *AVIForm->PreviewBitmap;
    const QRect client = Panel2->contentsRect();
    const QRect place = PlacePreview(client.width(), client.height(), frame.Width() + 1, frame.Height() + 1);
    ImageSrc->setGeometry(place.translated(client.topLeft()));
    ImageJPG->setGeometry(ImageSrc->geometry());

    SourceBitmap = std::make_unique<TBitmap>(place.width(), place.height());
    BitBlt(*SourceBitmap, 0, 0, frame.Width(), frame.Height(), frame, 0, 0, SRCCOPY);
    ImageSrc->update();
    JpegPreviewBuild();
}

std::unique_ptr<TBitmap> JpegRoundTrip(const TBitmap& source, int quality)
{
    // Through a stream, as a saved file goes, so that the preview is what the file will hold.
    TJPEGImage jpeg;
    jpeg.Assign(source);
    jpeg.SetCompressionQuality(quality);
    jpeg.Compress();
    TMemoryStream stream;
    jpeg.SaveToStream(stream);
    stream.SetPosition(0);
    TJPEGImage decoded;
    decoded.LoadFromStream(stream);
    auto result = std::make_unique<TBitmap>();
    result->Assign(decoded);
    return result;
}

void TJPGForm::JpegPreviewBuild()
{
    // Before the dialog is shown there is no frame to compress.
    ResultBitmap = SourceBitmap->Empty() ? std::make_unique<TBitmap>() : JpegRoundTrip(*SourceBitmap, TrackBar1->value());
    ImageJPG->update();
}

void TJPGForm::TrackBar1Change()
{
    Panel1->SetCaption(std::to_string(TrackBar1->value()));
    Panel1->repaint();
    JpegPreviewBuild();
}

void TJPGForm::SpeedButton1Click()
{
    TrackBar1->setValue(100);
    Panel1->SetCaption("100");
    CheckBox1->setChecked(true);
    JpegPreviewBuild();
}

void TJPGForm::Button1Click()
{
    AVIForm->JpegQuality = TrackBar1->value();
    AVIForm->ShowJpegOptions = CheckBox1->isChecked();
    accept();
}

void TJPGForm::ImageSrcPaint(QPainter& painter) { DrawBitmap(painter, 0, 0, *SourceBitmap); }

void TJPGForm::ImageJPGPaint(QPainter& painter) { DrawBitmap(painter, 0, 0, *ResultBitmap); }
