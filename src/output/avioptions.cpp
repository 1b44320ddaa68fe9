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
#include "app/dialogs/dialog_support.h"
#include "output/avifunction.h"
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
    SoundRow_ = MakeSoundFileRow(GroupBox3, CheckBox3, 260);
    Edit1 = SoundRow_.Edit;
    SpeedButton1 = SoundRow_.Browse;
    SpeedButton2 = SoundRow_.Play;
    Panel3 = SoundRow_.Length;
    GroupBox3->setLayout(SoundRow_.Layout);

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

    OnClickShowingErrors(SpeedButton1, this, [this] { SpeedButton1Click(); });
    OnClickShowingErrors(SpeedButton2, this, [this] { SpeedButton2Click(); });
    OnClickShowingErrors(SpeedButton3, this, [this] { SpeedButton3Click(); });
    OnClickShowingErrors(Button1, this, [this] { Button1Click(); });
    OnClickShowingErrors(Button2, this, [this] { Button2Click(); });
    new TNumberFieldKeys(CSpinEdit1, Button1, Button2, [this](char& key) { CSpinEdit1KeyPress(key); });
}

TAviOptionsForm::~TAviOptionsForm() = default;

void TAviOptionsForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        ShowingErrors([this] { FormShow(); });
}

void TAviOptionsForm::FormShow()
{
    setWindowTitle(QString::fromStdString(AVIForm->OutputFileName));
    CSpinEdit1->setValue(AVIForm->AviFrameTime);
    CheckBox1->setChecked(AVIForm->ShowCodecDialog);
    CheckBox2->setChecked(AVIForm->ShowAviOptions);
    CheckBox3->setChecked(AVIForm->AddSound);
    WavLength = AVIForm->SoundLength;
    ShowSoundFile(SoundRow_, AVIForm->WavFile, WavLength);
}

void TAviOptionsForm::SpeedButton1Click() { BrowseSoundFile(SoundRow_, *OpenDialog1, WavLength); }

void TAviOptionsForm::SpeedButton2Click() { PlayShownSoundFile(SoundRow_); }

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
    FocusOnEnterOrEscape(key, Button1, Button2);
}
