#include "output/addsound.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QShowEvent>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

#include <cmath>
#include "app/createavi.h"
#include "app/dialogs/dialog_support.h"
#include "output/avifunction.h"
#include "platform/qt/controls.h"
#include "platform/qt/sound.h"

namespace {

// A sound wave over a dark gradient: only there to fill the left panel.
void DrawSoundPicture(QPainter& painter, const QRect& area)
{
    QLinearGradient gradient(area.topLeft(), area.bottomLeft());
    gradient.setColorAt(0, QColor(24, 40, 90));
    gradient.setColorAt(1, QColor(70, 120, 190));
    painter.fillRect(area, gradient);
    painter.setRenderHint(QPainter::Antialiasing);
    const double middle = area.center().y();
    for (int line = 0; line < 3; ++line) {
        QPainterPath wave;
        const double amplitude = area.height() * (0.12 - line * 0.03);
        for (int x = area.left(); x <= area.right(); ++x) {
            const double y = middle + amplitude * std::sin((x - area.left()) * (0.11 + line * 0.05)) *
                                          std::sin((x - area.left()) * 0.02 + 0.4);
            if (x == area.left())
                wave.moveTo(x, y);
            else
                wave.lineTo(x, y);
        }
        painter.setPen(QPen(QColor(170 + line * 30, 210, 255, 220 - line * 50), 2));
        painter.drawPath(wave);
    }
}

} // namespace

TFormAddSound::TFormAddSound(QWidget* owner) : QDialog(owner), OpenDialog1(std::make_unique<TOpenDialog>())
{
    setObjectName("FormAddSound");
    setWindowTitle(QString::fromUtf8("Добавление звука в AVI файл"));
    OpenDialog1->Filter = "Audio files (*.wav)|*.wav";

    Image1 = new TPaintBox(this);
    Image1->setObjectName("Image1");
    Image1->setFixedSize(90, 120);
    Image1->OnPaint = [this](QPainter& painter) { DrawSoundPicture(painter, Image1->rect()); };

    CheckBox1 = MakeCheckBox(this, "CheckBox1", QString::fromUtf8("добавить звук"));
    SoundRow_ = MakeSoundFileRow(this, CheckBox1, 280);
    Edit1 = SoundRow_.Edit;
    SpeedButton1 = SoundRow_.Browse;
    SpeedButton2 = SoundRow_.Play;
    Panel3 = SoundRow_.Length;
    Button1 = MakeDialogButton(this, "Button1", QStringLiteral("OK"));
    Button2 = MakeDialogButton(this, "Button2", QString::fromUtf8(CancelText));
    Button1->setDefault(true);

    auto* fields = SoundRow_.Layout;
    fields->setRowStretch(3, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(Button1);
    buttons->addWidget(Button2);
    auto* right = new QVBoxLayout;
    right->addLayout(fields, 1);
    right->addLayout(buttons);
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(Image1);
    layout->addLayout(right, 1);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    OnClickShowingErrors(SpeedButton1, this, [this] { SpeedButton1Click(); });
    OnClickShowingErrors(SpeedButton2, this, [this] { SpeedButton2Click(); });
    OnClickShowingErrors(Button1, this, [this] { Button1Click(); });
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);
}

TFormAddSound::~TFormAddSound() = default;

void TFormAddSound::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        ShowingErrors([this] { FormShow(); });
}

void TFormAddSound::FormShow()
{
    CheckBox1->setChecked(AVIForm->AddSound);
    WavLength = AVIForm->SoundLength;
    ShowSoundFile(SoundRow_, AVIForm->WavFile, WavLength);
}

void TFormAddSound::SpeedButton1Click() { BrowseSoundFile(SoundRow_, *OpenDialog1, WavLength); }

void TFormAddSound::SpeedButton2Click() { PlayShownSoundFile(SoundRow_); }

void TFormAddSound::Button1Click()
{
    AVIForm->OptionsChanged = CheckBox1->isChecked() != AVIForm->AddSound ||
                              !SamePathText(Edit1->text().toStdString(), AVIForm->WavFile);
    AVIForm->AddSound = CheckBox1->isChecked();
    AVIForm->WavFile = Edit1->text().toStdString();
    AVIForm->SoundLength = WavLength;
    accept();
}
