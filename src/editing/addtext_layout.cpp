// The text-frame dialog's components, laid out as the form has them.
#include "editing/addtext.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>

#include <utility>

#include "app/dialogs/dialog_support.h"
#include "platform/qt/controls.h"
#include "platform/qt/cursors.h"
#include "platform/qt/message_boxes.h"
#include "platform/qt/modal.h"

void TFormText::CreateComponents()
{
    setObjectName("FormText");
    setWindowTitle("Добавление кадров с текстом");
    setFixedSize(680, 329);

    Edit1 = new QLineEdit("Example", this);
    Edit1->setObjectName("Edit1");
    Edit1->setGeometry(8, 8, 236, 26);
    Edit1->installEventFilter(this);
    ButSetText = new QPushButton("Изменить", this);
    ButSetText->setObjectName("ButSetText");
    ButSetText->setGeometry(250, 8, 94, 26);
    connect(ButSetText, &QPushButton::clicked, this, [this] { ButSetTextClick(); });

    RadioGroup1 = new QGroupBox("Направление", this);
    RadioGroup1->setObjectName("RadioGroup1");
    RadioGroup1->setGeometry(8, 40, 150, 124);
    RadioButtons = new QButtonGroup(this);
    const char* directions[] = {"слева направо", "справа налево", "сверху вниз", "снизу вверх"};
    for (int i = 0; i < 4; ++i) {
        auto* radio = new QRadioButton(directions[i], RadioGroup1);
        radio->setGeometry(10, 24 + i * 24, 134, 22);
        RadioButtons->addButton(radio, i);
    }
    RadioButtons->button(0)->setChecked(true);
    connect(RadioButtons, &QButtonGroup::idClicked, this, [this] { RadioGroup1Click(); });

    auto spin = [](QWidget* parent, const char* name, int x, int y, int width) {
        auto* s = new TCSpinEdit(parent);
        s->setObjectName(name);
        s->setGeometry(x, y, width, 24);
        return s;
    };
    auto label = [](QWidget* parent, const char* text, int x, int y, int width) {
        auto* l = new QLabel(text, parent);
        l->setGeometry(x, y, width, 18);
        return l;
    };

    GroupBox2 = new QGroupBox("Разное", this);
    GroupBox2->setObjectName("GroupBox2");
    GroupBox2->setGeometry(164, 40, 180, 124);
    label(GroupBox2, "Всего кадров", 8, 26, 96);
    CSpinEditNumber = spin(GroupBox2, "CSpinEditNumber", 104, 22, 68);
    CSpinEditNumber->SetMinValue(1);
    CSpinEditNumber->SetMaxValue(1000);
    CSpinEditNumber->setValue(4);
    label(GroupBox2, "Длительность", 8, 54, 96);
    CSpinEditDuration = spin(GroupBox2, "CSpinEditDuration", 104, 50, 68);
    CSpinEditDuration->SetMinValue(20);
    CSpinEditDuration->SetMaxValue(100000);
    CSpinEditDuration->setSingleStep(50);
    CSpinEditDuration->setValue(300);
    ButSelFont = new QPushButton("Шрифт", GroupBox2);
    ButSelFont->setObjectName("ButSelFont");
    ButSelFont->setGeometry(8, 78, 78, 24);
    ButSelFont->setToolTip("Выбрать фон");
    ButSelColor = new QPushButton("Цвет фона", GroupBox2);
    ButSelColor->setObjectName("ButSelColor");
    ButSelColor->setGeometry(90, 78, 82, 24);
    ButSelColor->setToolTip("Цвет фона для текста");
    CheckBox1 = new QCheckBox("Фоновый рисунок", GroupBox2);
    CheckBox1->setObjectName("CheckBox1");
    CheckBox1->setGeometry(8, 102, 166, 20);
    connect(ButSelFont, &QPushButton::clicked, this, [this] { ButSelFontClick(); });
    connect(ButSelColor, &QPushButton::clicked, this, [this] { ButSelColorClick(); });
    connect(CheckBox1, &QCheckBox::clicked, this, [this] { CheckBox1MouseUp(); });

    GroupBox1 = new QGroupBox("Расположение", this);
    GroupBox1->setObjectName("GroupBox1");
    GroupBox1->setGeometry(8, 168, 336, 154);
    auto* forText = new TPanel(GroupBox1);
    forText->setObjectName("PanelText");
    forText->SetBevel(bvLowered);
    forText->setGeometry(8, 22, 118, 124);
    label(forText, "Для текста", 6, 4, 106)->setAlignment(Qt::AlignCenter);
    label(forText, "Слева", 8, 26, 100);
    CSpinEditLeft = spin(forText, "CSpinEditLeft", 8, 44, 102);
    label(forText, "Вверху", 8, 72, 100);
    CSpinEditTop = spin(forText, "CSpinEditTop", 8, 90, 102);
    auto* forFrame = new TPanel(GroupBox1);
    forFrame->setObjectName("PanelFrame");
    forFrame->SetBevel(bvLowered);
    forFrame->setGeometry(132, 22, 196, 124);
    label(forFrame, "Для кадра", 6, 4, 184)->setAlignment(Qt::AlignCenter);
    label(forFrame, "Слева", 8, 26, 86);
    CSpinEditFrameLeft = spin(forFrame, "CSpinEditFrameLeft", 8, 44, 86);
    label(forFrame, "Вверху", 102, 26, 86);
    CSpinEditFrameTop = spin(forFrame, "CSpinEditFrameTop", 102, 44, 86);
    label(forFrame, "Ширина", 8, 72, 86);
    CSpinEditWidth = spin(forFrame, "CSpinEditWidth", 8, 90, 86);
    label(forFrame, "Высота", 102, 72, 86);
    CSpinEditHeight = spin(forFrame, "CSpinEditHeight", 102, 90, 86);
    // An area needs a pixel to be drawn into.
    CSpinEditWidth->SetMinValue(1);
    CSpinEditHeight->SetMinValue(1);

    const std::pair<TCSpinEdit*, void (TFormText::*)()> spins[] = {
        {CSpinEditLeft, &TFormText::CSpinEditLeftChange},
        {CSpinEditTop, &TFormText::CSpinEditTopChange},
        {CSpinEditFrameLeft, &TFormText::CSpinEditFrameLeftChange},
        {CSpinEditFrameTop, &TFormText::CSpinEditFrameTopChange},
        {CSpinEditWidth, &TFormText::CSpinEditWidthChange},
        {CSpinEditHeight, &TFormText::CSpinEditHeightChange},
        {CSpinEditNumber, &TFormText::CSpinEditNumberChange},
        {CSpinEditDuration, &TFormText::CSpinEditDurationChange},
    };
    for (const auto& [s, handler] : spins)
        connect(s, &QSpinBox::valueChanged, this, [this, handler = handler] { (this->*handler)(); });

    ScrollBox1 = new QScrollArea(this);
    ScrollBox1->setObjectName("ScrollBox1");
    ScrollBox1->setGeometry(352, 8, 320, 280);
    auto* content = new QWidget;
    ScrollBox1->setWidget(content);
    ScrollBox1->setWidgetResizable(false);
    Panel4 = new TPanel(content);
    Panel4->setObjectName("Panel4");
    Panel4->SetBevel(bvLowered);
    Panel8 = new QWidget(Panel4);
    Panel8->setObjectName("Panel8");
    Image1 = new QWidget(Panel8);
    Image1->setObjectName("Image1");
    Image1->setToolTip("Чтобы подогнать под цвет фона щёлкните два раза мышкой");
    Image1->setCursor(ScreenCursor(1));
    Image1->installEventFilter(this);
    PaintText = new QWidget(Panel8);
    PaintText->setObjectName("PaintText");
    PaintText->setCursor(Qt::SizeAllCursor);
    PaintText->installEventFilter(this);

    Button1 = new QPushButton("Добавить", this);
    Button1->setObjectName("Button1");
    Button1->setGeometry(480, 296, 92, 26);
    Button1->setDefault(true);
    connect(Button1, &QPushButton::clicked, this, [this] {
        // The dialog ends with OK whatever happens; what went wrong is shown, and the GIF
        // counts as made only when it was written.
        try {
            Button1Click();
        } catch (const std::exception& error) {
            ShowException(error);
        }
        done(mrOk);
    });
    Button2 = new QPushButton("Отменить", this);
    Button2->setObjectName("Button2");
    Button2->setGeometry(580, 296, 92, 26);
    connect(Button2, &QPushButton::clicked, this, [this] { reject(); });

    // Enter and Esc in a number field: the field's handler moves the focus to Add or Cancel,
    // and the dialog presses that button, as it does with those keys anywhere.
    for (TCSpinEdit* field : {CSpinEditLeft, CSpinEditTop, CSpinEditFrameLeft, CSpinEditFrameTop, CSpinEditWidth,
                              CSpinEditHeight, CSpinEditNumber, CSpinEditDuration})
        new TNumberFieldKeys(field, Button1, Button2, [this](char& key) { CSpinEditLeftKeyPress(key); });
}

