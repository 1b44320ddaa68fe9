#include "app/dialogs/mainoptions.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>
#include <QSpinBox>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

#include "platform/qt/controls.h"

namespace {

QSpinBox* MakeSpin(QWidget* parent, const char* name, int minimum, int maximum, int step, int value)
{
    auto* spin = new QSpinBox(parent);
    spin->setObjectName(name);
    spin->setRange(minimum, maximum);
    spin->setSingleStep(step);
    spin->setValue(value);
    // Typing a number and pressing Enter must not start a search for the default button
    // inside the field first.
    spin->setKeyboardTracking(true);
    return spin;
}

QCheckBox* MakeCheck(QWidget* parent, const char* name, const char* caption, bool checked)
{
    auto* box = new QCheckBox(QString::fromUtf8(caption), parent);
    box->setObjectName(name);
    box->setChecked(checked);
    return box;
}

} // namespace

TOptionsForm::TOptionsForm(TProjectSettings& project, TOutputOptions& output, TDialogResults& results,
                           QWidget* parent)
    : QDialog(parent), project_(project), output_(output), results_(results)
{
    setObjectName("OptionsForm");
    setWindowTitle(QString::fromUtf8("Параметры проекта"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);

    auto* row = new QHBoxLayout(this);

    Panel1 = new TPanel(this);
    Panel1->setObjectName("Panel1");
    Panel1->SetBevel(bvLowered);
    Panel1->SetColor(clWhite);
    Panel1->setFixedWidth(96);
    Image1 = new QLabel(Panel1);
    Image1->setObjectName("Image1");
    Image1->setAlignment(Qt::AlignCenter);
    Image1->setScaledContents(false);
    Image1->setPixmap(style()->standardIcon(QStyle::SP_FileDialogDetailedView).pixmap(64, 64));
    auto* pictureFill = new QVBoxLayout(Panel1);
    pictureFill->setContentsMargins(2, 2, 2, 2);
    pictureFill->addWidget(Image1);
    row->addWidget(Panel1);

    auto* settings = new QVBoxLayout;
    row->addLayout(settings, 1);

    // ---- Frame size and fitting
    GroupBox1 = new QGroupBox(QString::fromUtf8("Размер кадра"), this);
    GroupBox1->setObjectName("GroupBox1");
    auto* size = new QGridLayout(GroupBox1);
    CSpinEdit2 = MakeSpin(GroupBox1, "CSpinEdit2", 5, 10000, 1, 100);
    CSpinEdit3 = MakeSpin(GroupBox1, "CSpinEdit3", 5, 10000, 1, 100);
    size->addWidget(new QLabel(QString::fromUtf8("Ширина"), GroupBox1), 0, 0);
    size->addWidget(CSpinEdit2, 0, 1);
    size->addWidget(new QLabel(QString::fromUtf8("Высота"), GroupBox1), 0, 2);
    size->addWidget(CSpinEdit3, 0, 3);
    size->setColumnStretch(4, 1);
    CheckBox2 = MakeCheck(GroupBox1, "CheckBox2", "Подгонять к размеру кадра", false);
    size->addWidget(CheckBox2, 1, 0, 1, 5);
    settings->addWidget(GroupBox1);

    // ---- Project type and frame times. An AVI frame time of 0 would give the AVI no rate.
    RadioGroup1 = new QGroupBox(QString::fromUtf8("Тип файла и длительность кадра"), this);
    RadioGroup1->setObjectName("RadioGroup1");
    auto* types = new QGridLayout(RadioGroup1);
    RadioItemAvi = new QRadioButton("AVI", RadioGroup1);
    RadioItemGif = new QRadioButton(QString::fromUtf8("Анимированный GIF (при добавлении и вставки)"), RadioGroup1);
    auto* group = new QButtonGroup(RadioGroup1);
    group->addButton(RadioItemAvi, 0);
    group->addButton(RadioItemGif, 1);
    RadioItemAvi->setChecked(true);
    CSpinEdit1 = MakeSpin(RadioGroup1, "CSpinEdit1", 1, 10000, 100, 1000);
    CSpinEdit4 = MakeSpin(RadioGroup1, "CSpinEdit4", 0, 32000, 100, 500);
    CSpinEdit4->setEnabled(false);
    types->addWidget(RadioItemAvi, 0, 0);
    types->addWidget(CSpinEdit1, 0, 1);
    types->addWidget(new QLabel(QString::fromUtf8("мсек"), RadioGroup1), 0, 2);
    types->addWidget(RadioItemGif, 1, 0);
    types->addWidget(CSpinEdit4, 1, 1);
    types->addWidget(new QLabel(QString::fromUtf8("мсек"), RadioGroup1), 1, 2);
    types->setColumnStretch(0, 1);
    connect(group, &QButtonGroup::idToggled, this, [this](int, bool checked) {
        if (checked)
            RadioGroup1Click();
    });
    settings->addWidget(RadioGroup1);

    // ---- Which option dialogs come before saving
    GroupBox2 = new QGroupBox(QString::fromUtf8("Показывать окно с параметрами сохранения"), this);
    GroupBox2->setObjectName("GroupBox2");
    auto* shows = new QGridLayout(GroupBox2);
    CheckBox1 = MakeCheck(GroupBox2, "CheckBox1", "AVI", true);
    CheckBox3 = MakeCheck(GroupBox2, "CheckBox3", "Анимированный GIF", true);
    CheckBox4 = MakeCheck(GroupBox2, "CheckBox4", "BMP", true);
    CheckBox5 = MakeCheck(GroupBox2, "CheckBox5", "GIF", true);
    CheckBox6 = MakeCheck(GroupBox2, "CheckBox6", "JPG", true);
    CheckBox7 = MakeCheck(GroupBox2, "CheckBox7", "PNG", true);
    shows->addWidget(CheckBox1, 0, 0);
    shows->addWidget(CheckBox3, 1, 0);
    shows->addWidget(CheckBox4, 0, 1);
    shows->addWidget(CheckBox5, 1, 1);
    shows->addWidget(CheckBox6, 0, 2);
    shows->addWidget(CheckBox7, 1, 2);
    settings->addWidget(GroupBox2);

    // ---- Buttons
    auto* buttons = new QHBoxLayout;
    SpeedButton1 = new QToolButton(this);
    SpeedButton1->setObjectName("SpeedButton1");
    SpeedButton1->setIcon(style()->standardIcon(QStyle::SP_BrowserReload));
    SpeedButton1->setToolTip(QString::fromUtf8("Вернуть установки по умолчанию"));
    connect(SpeedButton1, &QToolButton::clicked, this, [this] { SpeedButton1Click(); });
    Button1 = new QPushButton("OK", this);
    Button1->setObjectName("Button1");
    Button1->setDefault(true);
    connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
    Button2 = new QPushButton(QString::fromUtf8("Отменить"), this);
    Button2->setObjectName("Button2");
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);
    buttons->addWidget(SpeedButton1);
    buttons->addStretch(1);
    buttons->addWidget(Button1);
    buttons->addWidget(Button2);
    settings->addLayout(buttons);

    for (QSpinBox* spin : {CSpinEdit1, CSpinEdit2, CSpinEdit3, CSpinEdit4})
        spin->installEventFilter(this);
    layout()->setSizeConstraint(QLayout::SetFixedSize);
}

int TOptionsForm::TypeItem() const { return RadioItemGif->isChecked() ? 1 : 0; }

void TOptionsForm::SetTypeItem(int item)
{
    (item == 1 ? RadioItemGif : RadioItemAvi)->setChecked(true);
    // Also when the item did not change, the time fields follow it.
    RadioGroup1Click();
}

void TOptionsForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TOptionsForm::FormShow()
{
    CheckBox2->setChecked(project_.ProjectStretch);
    if (results_.NewProjectOptions) {
        CSpinEdit2->setValue(project_.DefaultFrameWidth);
        CSpinEdit3->setValue(project_.DefaultFrameHeight);
        CSpinEdit1->setValue(1000);
        CSpinEdit4->setValue(500);
    } else {
        CSpinEdit2->setValue(project_.FrameWidth);
        CSpinEdit3->setValue(project_.FrameHeight);
        CSpinEdit1->setValue(project_.AviFrameTime);
        CSpinEdit4->setValue(project_.GifFrameTime);
    }
    SetTypeItem(project_.ProjectType);
    CheckBox1->setChecked(output_.ShowAviOptions);
    CheckBox3->setChecked(output_.ShowAniGifOptions);
    CheckBox4->setChecked(output_.ShowBmpOptions);
    CheckBox6->setChecked(output_.ShowJpegOptions);
    CheckBox5->setChecked(output_.ShowGifOptions);
    CheckBox7->setChecked(output_.ShowPngOptions);
}

void TOptionsForm::RadioGroup1Click()
{
    const bool avi = TypeItem() == 0;
    CSpinEdit1->setEnabled(avi);
    CSpinEdit4->setEnabled(!avi);
}

bool TOptionsForm::CSpinEdit2KeyPress(int key)
{
    switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        Button1->click();
        return true;
    case Qt::Key_Escape:
        Button2->click();
        return true;
    default:
        return false;
    }
}

bool TOptionsForm::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress)
        if (CSpinEdit2KeyPress(static_cast<QKeyEvent*>(event)->key()))
            return true;
    return QDialog::eventFilter(watched, event);
}

void TOptionsForm::SpeedButton1Click()
{
    SetTypeItem(0);
    CheckBox1->setChecked(true);
    CheckBox2->setChecked(false);
    for (QCheckBox* box : {CheckBox3, CheckBox4, CheckBox6, CheckBox5, CheckBox7})
        box->setChecked(true);
    CSpinEdit1->setValue(1000);
    CSpinEdit4->setValue(500);
    CSpinEdit2->setValue(project_.DefaultFrameWidth);
    CSpinEdit3->setValue(project_.DefaultFrameHeight);
}

void TOptionsForm::Button1Click()
{
    // A value typed but not yet taken by its field counts as the field's; a field left
    // without a number reads as its minimum, and shows it.
    for (QSpinBox* spin : {CSpinEdit1, CSpinEdit2, CSpinEdit3, CSpinEdit4}) {
        bool number = false;
        spin->cleanText().toInt(&number);
        if (number)
            spin->interpretText();
        else
            spin->setValue(spin->minimum());
    }
    const int width = CSpinEdit2->value();
    const int height = CSpinEdit3->value();
    const int type = TypeItem();
    results_.OptionsChanged = !(width == project_.FrameWidth && height == project_.FrameHeight &&
                                CheckBox2->isChecked() == project_.ProjectStretch && project_.ProjectType == type);
    project_.ProjectStretch = CheckBox2->isChecked();
    project_.ProjectType = type;
    output_.ShowAviOptions = CheckBox1->isChecked();
    output_.ShowAniGifOptions = CheckBox3->isChecked();
    output_.ShowBmpOptions = CheckBox4->isChecked();
    output_.ShowJpegOptions = CheckBox6->isChecked();
    output_.ShowGifOptions = CheckBox5->isChecked();
    output_.ShowPngOptions = CheckBox7->isChecked();
    project_.FrameWidth = width;
    project_.AviFrameTime = CSpinEdit1->value();
    project_.GifFrameTime = WORD(CSpinEdit4->value());
    project_.FrameHeight = height;
    done(QDialog::Accepted);
}
