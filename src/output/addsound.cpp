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
#include "output/avifunction.h"
#include "output/option_dialog_parts.h"
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
    Edit1 = new QLineEdit(this);
    Edit1->setObjectName("Edit1");
    Edit1->setMinimumWidth(280);
    SpeedButton1 = MakeSpeedButton(this, "SpeedButton1", QString::fromUtf8("Загрузить"), QStyle::SP_DialogOpenButton);
    SpeedButton2 = MakeSpeedButton(this, "SpeedButton2", QString::fromUtf8("Проиграть"), QStyle::SP_MediaPlay);
    SpeedButton2->setEnabled(false);
    Panel3 = new TPanel(this);
    Panel3->setObjectName("Panel3");
    Panel3->SetBevel(bvLowered);
    Panel3->setFixedHeight(22);
    Button1 = MakeDialogButton(this, "Button1", QStringLiteral("OK"));
    Button2 = MakeDialogButton(this, "Button2", QString::fromUtf8(CancelText));
    Button1->setDefault(true);

    auto* fields = new QGridLayout;
    fields->addWidget(CheckBox1, 0, 0, 1, 3);
    fields->addWidget(Edit1, 1, 0);
    fields->addWidget(SpeedButton1, 1, 1);
    fields->addWidget(SpeedButton2, 1, 2);
    fields->addWidget(Panel3, 2, 0, 1, 3);
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

    connect(SpeedButton1, &QToolButton::clicked, this, [this] { ShowingErrors([this] { SpeedButton1Click(); }); });
    connect(SpeedButton2, &QToolButton::clicked, this, [this] { ShowingErrors([this] { SpeedButton2Click(); }); });
    connect(Button1, &QPushButton::clicked, this, [this] { ShowingErrors([this] { Button1Click(); }); });
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);
}

TFormAddSound::~TFormAddSound() = default;

void TFormAddSound::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        ShowingErrors([this] { FormShow(); });
}

void TFormAddSound::ShowLength() { Panel3->SetCaption(SoundLengthText(WavLength).toStdString()); }

void TFormAddSound::FormShow()
{
    Edit1->setText(QString::fromStdString(AVIForm->WavFile));
    CheckBox1->setChecked(AVIForm->AddSound);
    WavLength = AVIForm->SoundLength;
    ShowLength();
    SpeedButton2->setEnabled(NamedFileExists(Edit1->text().toStdString()));
}

void TFormAddSound::SpeedButton1Click()
{
    if (!OpenDialog1->Execute())
        return;
    Edit1->setText(QString::fromStdString(OpenDialog1->FileName));
    WavLength = WaveDurationMs(OpenDialog1->FileName);
    ShowLength();
    SpeedButton2->setEnabled(true);
}

void TFormAddSound::SpeedButton2Click()
{
    // The file shown is the one played: a name typed or kept from the project plays as well as
    // one just browsed for.
    const std::string file = Edit1->text().toStdString();
    SpeedButton2->setDown(true);
    PlaySoundA(file.c_str(), nullptr, 0);
    SpeedButton2->setDown(false);
}

void TFormAddSound::Button1Click()
{
    AVIForm->OptionsChanged = CheckBox1->isChecked() != AVIForm->AddSound ||
                              !SamePathText(Edit1->text().toStdString(), AVIForm->WavFile);
    AVIForm->AddSound = CheckBox1->isChecked();
    AVIForm->WavFile = Edit1->text().toStdString();
    AVIForm->SoundLength = WavLength;
    accept();
}
