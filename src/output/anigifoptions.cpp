#include "output/anigifoptions.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QShowEvent>
#include <QSpinBox>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/createavi.h"
#include "app/dialogs/dialog_support.h"
#include "app/gif_defaults.h"
#include "gif/gifimage.h"
#include "platform/qt/controls.h"
#include "platform/qt/services.h"

TAniGIFForm::TAniGIFForm(QWidget* owner) : QDialog(owner)
{
    setObjectName("AniGIFForm");

    CheckBox1 = MakeCheckBox(this, "CheckBox1", QString::fromUtf8("Создать одну глобальную таблицу"));
    CheckBox2 = MakeCheckBox(this, "CheckBox2", QString::fromUtf8("оптимизировать прозрачные участки"));
    CheckBox3 = MakeCheckBox(this, "CheckBox3", QString::fromUtf8("Удалить неиспользуемые цвета"));
    CheckBox6 = MakeCheckBox(this, "CheckBox6", QString::fromUtf8("Чересстрочный вывод"));
    CheckBox7 = MakeCheckBox(this, "CheckBox7", QString::fromUtf8("Бесконечный цикл"));
    Label1 = new QLabel(QString::fromUtf8("Кол-ство циклов"), this);
    CSpinEdit1 = new QSpinBox(this);
    CSpinEdit1->setObjectName("CSpinEdit1");
    CSpinEdit1->setRange(1, 255);
    CSpinEdit1->setValue(1);
    CSpinEdit1->setFixedWidth(70);
    Label1->setBuddy(CSpinEdit1);

    ScrollBox1 = new QScrollArea(this);
    ScrollBox1->setObjectName("ScrollBox1");
    ScrollBox1->setFixedSize(300, 220);
    ScrollBox1->setWidgetResizable(false);
    Image1 = new TImage;
    Image1->setObjectName("Image1");
    ScrollBox1->setWidget(Image1);

    CheckBox5 = MakeCheckBox(this, "CheckBox5", QString::fromUtf8(ShowAlwaysText));
    SpeedButton1 = MakeSpeedButton(this, "SpeedButton1", QString::fromUtf8(DefaultsHint), QStyle::SP_BrowserReload);
    Button2 = MakeDialogButton(this, "Button2", QString::fromUtf8(SaveText));
    Button1 = MakeDialogButton(this, "Button1", QString::fromUtf8(CancelText));
    Button2->setDefault(true);

    auto* options = new QVBoxLayout;
    options->addWidget(CheckBox1);
    options->addWidget(CheckBox2);
    options->addWidget(CheckBox3);
    options->addWidget(CheckBox6);
    options->addSpacing(8);
    options->addWidget(CheckBox7);
    auto* loops = new QHBoxLayout;
    loops->addWidget(Label1);
    loops->addWidget(CSpinEdit1);
    loops->addStretch(1);
    options->addLayout(loops);
    options->addStretch(1);
    auto* middle = new QHBoxLayout;
    middle->addLayout(options);
    middle->addWidget(ScrollBox1);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(CheckBox5);
    bottom->addWidget(SpeedButton1);
    bottom->addStretch(1);
    bottom->addWidget(Button2);
    bottom->addWidget(Button1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(middle);
    layout->addLayout(bottom);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    // Only this box rebuilds the preview at once; the others take effect at OK.
    connect(CheckBox1, &QCheckBox::clicked, this, [this] { ShowingErrors([this] { CheckBox1MouseUp(); }); });
    OnClickShowingErrors(SpeedButton1, this, [this] { SpeedButton1Click(); });
    OnClickShowingErrors(Button2, this, [this] { Button2Click(); });
    OnClickShowingErrors(Button1, this, [this] { Button1Click(); });
    new TNumberFieldKeys(CSpinEdit1, Button2, Button1, [this](char& key) { CSpinEdit1KeyPress(key); });
    // A count can be set whenever the animation does not loop endlessly: the field follows
    // the box for as long as the dialog is open.
    connect(CheckBox7, &QCheckBox::toggled, CSpinEdit1, [this](bool endless) { CSpinEdit1->setEnabled(!endless); });
}

TAniGIFForm::~TAniGIFForm() { ReleasePreview(); }

void TAniGIFForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        ShowingErrors([this] { FormShow(); });
}

void TAniGIFForm::FormShow()
{
    setWindowTitle(QString::fromStdString(AVIForm->OutputFileName));
    CheckBox5->setChecked(AVIForm->ShowAniGifOptions);
    CheckBox1->setChecked(AVIForm->GifOptimize);
    CheckBox2->setChecked(AVIForm->GifMerge);
    CheckBox3->setChecked(AVIForm->GifCrop);
    CheckBox6->setChecked(AVIForm->GifInterlaced);
    CheckBox7->setChecked(AVIForm->GifLoopCount == 0);
    CSpinEdit1->setEnabled(!CheckBox7->isChecked());
    if (CSpinEdit1->isEnabled())
        CSpinEdit1->setValue(AVIForm->GifLoopCount);

    ScrollBox1->horizontalScrollBar()->setValue(0);
    ScrollBox1->verticalScrollBar()->setValue(0);
    Image1->resize(std::max(0, AVIForm->FrameWidth), std::max(0, AVIForm->FrameHeight));
    AniGifPreviewBuild();
}

void TAniGIFForm::AniGifPreviewBuild()
{
    // The image shown is let go of before the next is built, so that the two are never held
    // at once.
    ReleasePreview();
    if (WriteGifAnimation)
        WriteGifAnimation(CheckBox1->isChecked(), CheckBox3->isChecked(), CheckBox2->isChecked(),
                          CheckBox6->isChecked());
    // The preview only reads the built image: it shows the window's own rather than a copy,
    // which would hold every frame's pixels a second time. It animates with the image's own
    // draw options.
    if (TGIFImage* built = AVIForm->OutputGif)
        Image1->Picture.ShareGraphic(built);
    Image1->update();
}

void TAniGIFForm::ReleasePreview()
{
    StopPreview();
    Image1->Picture.SetGraphic(nullptr);
}

void TAniGIFForm::CheckBox1MouseUp() { AniGifPreviewBuild(); }

void TAniGIFForm::SpeedButton1Click()
{
    CheckBox1->setChecked(false);
    CheckBox2->setChecked(false);
    CheckBox3->setChecked(false);
    CheckBox6->setChecked(false);
    CheckBox5->setChecked(true);
    CSpinEdit1->setValue(0); // below the range: the field shows its minimum
    AniGifPreviewBuild();
}

void TAniGIFForm::StopPreview()
{
    // The preview shows the window's image itself.
    if (AVIForm && AVIForm->OutputGif)
        AVIForm->OutputGif->StopDraw();
}

void TAniGIFForm::Button2Click()
{
    // The image to be saved is built anew: the one shown goes first.
    ReleasePreview();
    TAVIForm& form = *AVIForm;
    struct TStored {
        bool ShowAniGifOptions, GifOptimize, GifMerge, GifCrop, GifInterlaced;
        int GifLoopCount;
    } const before{form.ShowAniGifOptions, form.GifOptimize, form.GifMerge, form.GifCrop, form.GifInterlaced,
                   form.GifLoopCount};

    form.OptionsChanged = CheckBox1->isChecked() != form.GifOptimize || CheckBox2->isChecked() != form.GifMerge ||
                          CheckBox3->isChecked() != form.GifCrop || CheckBox6->isChecked() != form.GifInterlaced;
    form.ShowAniGifOptions = CheckBox5->isChecked();
    form.GifOptimize = CheckBox1->isChecked();
    form.GifMerge = CheckBox2->isChecked();
    form.GifCrop = CheckBox3->isChecked();
    form.GifInterlaced = CheckBox6->isChecked();
    form.GifLoopCount = CheckBox7->isChecked() ? 0 : CSpinEdit1->value();
    try {
        if (WriteGifAnimation)
            WriteGifAnimation(CheckBox1->isChecked(), CheckBox3->isChecked(), CheckBox2->isChecked(),
                              CheckBox6->isChecked());
    } catch (const std::exception& error) {
        // A half-built image must never be saved: the dialog stays open and nothing it stored
        // remains.
        form.ShowAniGifOptions = before.ShowAniGifOptions;
        form.GifOptimize = before.GifOptimize;
        form.GifMerge = before.GifMerge;
        form.GifCrop = before.GifCrop;
        form.GifInterlaced = before.GifInterlaced;
        form.GifLoopCount = before.GifLoopCount;
        form.OptionsChanged = false;
        ShowException(error);
        return;
    }
    accept();
}

void TAniGIFForm::Button1Click() { reject(); }

void TAniGIFForm::reject()
{
    ReleasePreview();
    QDialog::reject();
}

void TAniGIFForm::CSpinEdit1KeyPress(char& key)
{
    FocusOnEnterOrEscape(key, Button2, Button1);
}
