#include "output/avioptions.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QSpinBox>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/createavi.h"
#include "output/avifunction.h"
#include "output/option_dialog_parts.h"
#include "platform/qt/controls.h"
#include "platform/qt/sound.h"

TAviOptionsForm::TAviOptionsForm(QWidget* owner) : QDialog(owner), OpenDialog1(std::make_unique<TOpenDialog>())
{
    setObjectName("AviOptionsForm");
    OpenDialog1->Filter = "Audio files (*.wav)|*.wav";

    GroupBox1 = new QGroupBox(QString::fromUtf8("Длительность кадра"), this);
    CSpinEdit1 = new QSpinBox(GroupBox1);
    CSpinEdit1->setObjectName("CSpinEdit1");
    CSpinEdit1->setRange(10, 10000);
    CSpinEdit1->setSingleStep(10);
    CSpinEdit1->setValue(1000);
    auto* frameRow = new QHBoxLayout(GroupBox1);
    frameRow->addWidget(CSpinEdit1, 1);
    frameRow->addWidget(new QLabel(QString::fromUtf8("мсек"), GroupBox1));

    GroupBox2 = new QGroupBox(QString::fromUtf8("Окно выбора кодека"), this);
    CheckBox1 = MakeCheckBox(GroupBox2, "CheckBox1", QString::fromUtf8("Показывать"));
    CheckBox1->setChecked(true);
    auto* codecRow = new QHBoxLayout(GroupBox2);
    codecRow->addWidget(CheckBox1);

    GroupBox3 = new QGroupBox(QString::fromUtf8("Звук"), this);
    CheckBox3 = MakeCheckBox(GroupBox3, "CheckBox3", QString::fromUtf8("Добавить"));
    Edit1 = new QLineEdit(GroupBox3);
    Edit1->setObjectName("Edit1");
    Edit1->setMinimumWidth(260);
    SpeedButton1 = MakeSpeedButton(GroupBox3, "SpeedButton1", QString::fromUtf8("Загрузить"), QStyle::SP_DialogOpenButton);
    SpeedButton2 = MakeSpeedButton(GroupBox3, "SpeedButton2", QString::fromUtf8("Проиграть"), QStyle::SP_MediaPlay);
    SpeedButton2->setEnabled(false);
    Panel3 = new TPanel(GroupBox3);
    Panel3->setObjectName("Panel3");
    Panel3->SetBevel(bvLowered);
    Panel3->setFixedHeight(22);
    auto* sound = new QGridLayout(GroupBox3);
    sound->addWidget(CheckBox3, 0, 0, 1, 3);
    sound->addWidget(Edit1, 1, 0);
    sound->addWidget(SpeedButton1, 1, 1);
    sound->addWidget(SpeedButton2, 1, 2);
    sound->addWidget(Panel3, 2, 0, 1, 3);

    CheckBox2 = MakeCheckBox(this, "CheckBox2", QString::fromUtf8(ShowAlwaysText));
    SpeedButton3 = MakeSpeedButton(this, "SpeedButton3", QString::fromUtf8(DefaultsHint), QStyle::SP_BrowserReload);
    Button1 = MakeDialogButton(this, "Button1", QString::fromUtf8(SaveText));
    Button2 = MakeDialogButton(this, "Button2", QString::fromUtf8(CancelText));
    Button1->setDefault(true);

    auto* top = new QHBoxLayout;
    top->addWidget(GroupBox1, 1);
    top->addWidget(GroupBox2, 1);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(CheckBox2);
    bottom->addWidget(SpeedButton3);
    bottom->addStretch(1);
    bottom->addWidget(Button1);
    bottom->addWidget(Button2);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(GroupBox3);
    layout->addLayout(bottom);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(SpeedButton1, &QToolButton::clicked, this, [this] { ShowingErrors([this] { SpeedButton1Click(); }); });
    connect(SpeedButton2, &QToolButton::clicked, this, [this] { ShowingErrors([this] { SpeedButton2Click(); }); });
    connect(SpeedButton3, &QToolButton::clicked, this, [this] { ShowingErrors([this] { SpeedButton3Click(); }); });
    connect(Button1, &QPushButton::clicked, this, [this] { ShowingErrors([this] { Button1Click(); }); });
    connect(Button2, &QPushButton::clicked, this, [this] { ShowingErrors([this] { Button2Click(); }); });
    new TNumberFieldKeys(CSpinEdit1, Button1, Button2, [this](char& key) { CSpinEdit1KeyPress(key); });
}

TAviOptionsForm::~TAviOptionsForm() = default;

void TAviOptionsForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        ShowingErrors([this] { FormShow(); });
}

void TAviOptionsForm::ShowLength() { Panel3->SetCaption(SoundLengthText(WavLength).toStdString()); }

void TAviOptionsForm::FormShow()
{
    setWindowTitle(QString::fromStdString(AVIForm->OutputFileName));
    CSpinEdit1->setValue(AVIForm->AviFrameTime);
    CheckBox1->setChecked(AVIForm->ShowCodecDialog);
    CheckBox2->setChecked(AVIForm->ShowAviOptions);
    CheckBox3->setChecked(AVIForm->AddSound);
    Edit1->setText(QString::fromStdString(AVIForm->WavFile));
    WavLength = AVIForm->SoundLength;
    ShowLength();
    SpeedButton2->setEnabled(NamedFileExists(Edit1->text().toStdString()));
}

void TAviOptionsForm::SpeedButton1Click()
{
    if (!OpenDialog1->Execute())
        return;
    Edit1->setText(QString::fromStdString(OpenDialog1->FileName));
    WavLength = WaveDurationMs(OpenDialog1->FileName);
    ShowLength();
    SpeedButton2->setEnabled(true);
}

void TAviOptionsForm::SpeedButton2Click()
{
    // The button stays down for as long as the sound plays.
    const std::string file = Edit1->text().toStdString();
    SpeedButton2->setDown(true);
    PlaySoundA(file.c_str(), nullptr, 0);
    SpeedButton2->setDown(false);
}

void TAviOptionsForm::SpeedButton3Click()
{
    CSpinEdit1->setValue(1000);
    CheckBox1->setChecked(true);
    CheckBox2->setChecked(true);
}

void TAviOptionsForm::Button1Click()
{
    // Only what the project file keeps counts as a change; the codec and show boxes do not.
    AVIForm->OptionsChanged = CSpinEdit1->value() != AVIForm->AviFrameTime ||
                              CheckBox3->isChecked() != AVIForm->AddSound ||
                              !SamePathText(Edit1->text().toStdString(), AVIForm->WavFile);
    AVIForm->AviFrameTime = CSpinEdit1->value();
    AVIForm->ShowCodecDialog = CheckBox1->isChecked();
    AVIForm->ShowAviOptions = CheckBox2->isChecked();
    AVIForm->WavFile = Edit1->text().toStdString();
    AVIForm->AddSound = CheckBox3->isChecked();
    AVIForm->SoundLength = WavLength;
    accept();
}

void TAviOptionsForm::Button2Click() { reject(); }

void TAviOptionsForm::CSpinEdit1KeyPress(char& key)
{
    if (key == KeyEnter) {
        key = 0;
        Button1->setFocus();
    } else if (key == KeyEscape) {
        key = 0;
        Button2->setFocus();
    }
}
