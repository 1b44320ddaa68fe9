#include "output/pngoptions.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QPainter>
#include <QPixmap>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <QSpinBox>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/createavi.h"
#include "app/dialogs/dialog_support.h"
#include "platform/colors.h"
#include "platform/qt/controls.h"

namespace {

// Four colour patches: the glyph of the colour button.
QIcon PaletteGlyph()
{
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    const QColor colours[4] = {QColor(220, 40, 40), QColor(40, 170, 60), QColor(40, 80, 220), QColor(240, 200, 30)};
    for (int i = 0; i < 4; ++i) {
        const QRect patch(1 + (i % 2) * 7, 1 + (i / 2) * 7, 6, 6);
        painter.fillRect(patch, colours[i]);
        painter.setPen(QColor(60, 60, 60));
        painter.drawRect(patch.adjusted(0, 0, -1, -1));
    }
    return QIcon(pixmap);
}

} // namespace

TPNGForm::TPNGForm(QWidget* owner) : QDialog(owner), ColorDialog1(std::make_unique<TColorDialog>())
{
    setObjectName("PNGForm");

    GroupBox1 = new QGroupBox(QString::fromUtf8("Чересстрочность"), this);
    CheckBox1 = MakeCheckBox(GroupBox1, "CheckBox1", QString::fromUtf8("Установить"));
    (new QVBoxLayout(GroupBox1))->addWidget(CheckBox1);

    GroupBox2 = new QGroupBox(QString::fromUtf8("Уровень сжатия"), this);
    CSpinEdit1 = new QSpinBox(GroupBox2);
    CSpinEdit1->setObjectName("CSpinEdit1");
    CSpinEdit1->setRange(0, 9);
    CSpinEdit1->setValue(9);
    CSpinEdit1->setFixedWidth(60);
    auto* levels = new QVBoxLayout(GroupBox2);
    levels->addWidget(CSpinEdit1);
    levels->addWidget(new QLabel(QString::fromUtf8("9 - мин. размер файла, но макс. время показа"), GroupBox2));
    levels->addWidget(new QLabel(QString::fromUtf8("0 -  макс. размер файла, но мин. время показа"), GroupBox2));

    GroupBox3 = new QGroupBox(QString::fromUtf8("Цвет прозрачности"), this);
    Panel1 = new TPanel(GroupBox3);
    Panel1->setObjectName("Panel1");
    Panel1->SetBevel(bvLowered);
    Panel1->setFixedSize(60, 24);
    SetPanel1Color(clWhite);
    SpeedButton2 = MakeSpeedButton(GroupBox3, "SpeedButton2", QStringLiteral("Set color"), QStyle::SP_DirOpenIcon);
    SpeedButton2->setIcon(PaletteGlyph());
    auto* colour = new QHBoxLayout(GroupBox3);
    colour->addWidget(Panel1);
    colour->addWidget(SpeedButton2);
    colour->addStretch(1);

    CheckBox2 = MakeCheckBox(this, "CheckBox2", QString::fromUtf8(ShowAlwaysText));
    SpeedButton1 = MakeSpeedButton(this, "SpeedButton1", QString::fromUtf8(DefaultsHint), QStyle::SP_BrowserReload);
    Button1 = MakeDialogButton(this, "Button1", QString::fromUtf8(SaveText));
    Button2 = MakeDialogButton(this, "Button2", QString::fromUtf8(CancelText));
    Button1->setDefault(true);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(CheckBox2);
    bottom->addWidget(SpeedButton1);
    bottom->addStretch(1);
    bottom->addWidget(Button1);
    bottom->addWidget(Button2);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(GroupBox1);
    layout->addWidget(GroupBox2);
    layout->addWidget(GroupBox3);
    layout->addLayout(bottom);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    OnClickShowingErrors(SpeedButton1, this, [this] { SpeedButton1Click(); });
    OnClickShowingErrors(SpeedButton2, this, [this] { SpeedButton2Click(); });
    OnClickShowingErrors(Button1, this, [this] { Button1Click(); });
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);
    new TNumberFieldKeys(CSpinEdit1, Button1, Button2, [this](char& key) { CSpinEdit1KeyPress(key); });
}

TPNGForm::~TPNGForm() = default;

void TPNGForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        ShowingErrors([this] { FormShow(); });
}

void TPNGForm::SetPanel1Color(TColor color)
{
    panel1Color_ = color;
    Panel1->SetColor(color);
}

void TPNGForm::FormShow()
{
    setWindowTitle(QString::fromStdString(AVIForm->OutputFileName));
    SetPanel1Color(AVIForm->PngTransparentColor);
    CheckBox1->setChecked(AVIForm->PngInterlaced);
    CheckBox2->setChecked(AVIForm->ShowPngOptions);
    CSpinEdit1->setValue(AVIForm->PngCompressionLevel);
}

void TPNGForm::SpeedButton1Click()
{
    CheckBox1->setChecked(false);
    CheckBox2->setChecked(true);
    CSpinEdit1->setValue(9);
    SetPanel1Color(clWhite);
}

void TPNGForm::SpeedButton2Click()
{
    if (ColorDialog1->Execute())
        SetPanel1Color(ColorDialog1->Color);
}

void TPNGForm::Button1Click()
{
    AVIForm->PngTransparentColor = Panel1Color();
    AVIForm->PngInterlaced = CheckBox1->isChecked();
    AVIForm->ShowPngOptions = CheckBox2->isChecked();
    AVIForm->PngCompressionLevel = CSpinEdit1->value();
    accept();
}

void TPNGForm::CSpinEdit1KeyPress(char& key)
{
    FocusOnEnterOrEscape(key, Button1, Button2);
}
