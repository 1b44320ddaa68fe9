#include "editing/delay.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QShowEvent>
#include <QSpinBox>
#include <QToolButton>

#include <algorithm>
#include <filesystem>

#include "app/createavi.h"
#include "app/dialogs/dialog_support.h"
#include "app/frame_selection.h"
#include "platform/colors.h"
#include "platform/qt/controls.h"

MYRECT PlacementAfterEdit(const MYRECT& own, const bool edited[6], const MYRECT& entered,
                          int frameWidth, int frameHeight)
{
    MYRECT r = own;
    if (edited[dvLeft])
        r.Left = entered.Left;
    if (edited[dvTop])
        r.Top = entered.Top;
    if (edited[dvWidth])
        r.Width = std::max(0, std::min(entered.Width, frameWidth - r.Left));
    if (edited[dvHeight])
        r.Height = std::max(0, std::min(entered.Height, frameHeight - r.Top));
    return r;
}

namespace {

// The strip down the left side: a few frames of film, as the dialog is about frames.
QPixmap FilmPicture(int width, int height)
{
    QPixmap pixmap(width, height);
    pixmap.fill(Qt::white);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const int stripWidth = width - 48, frameHeight = 62;
    for (int i = 0; i < 3; ++i) {
        const QRect strip(24 + i * 6, 40 + i * (frameHeight + 22), stripWidth, frameHeight);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(60, 60, 70));
        p.drawRoundedRect(strip, 4, 4);
        p.setBrush(Qt::white);
        for (int x = strip.left() + 5; x < strip.right() - 6; x += 12) {
            p.drawRect(x, strip.top() + 4, 6, 5);
            p.drawRect(x, strip.bottom() - 8, 6, 5);
        }
        p.setBrush(QColor(120 + 40 * i, 170, 230 - 40 * i));
        p.drawRect(strip.adjusted(8, 13, -8, -13));
    }
    return pixmap;
}

QSpinBox* NumberField(QWidget* parent, int min, int max, int step, int value)
{
    auto* field = new QSpinBox(parent);
    field->setRange(min, max);
    field->setSingleStep(step);
    field->setValue(value);
    field->setAccelerated(true);
    return field;
}

} // namespace

TDelayForm::TDelayForm(TAVIForm& form, QWidget* parent)
    : QDialog(parent), UnchangedColor(UntouchedFieldColor), ChangedColor(TouchedFieldColor),
      form_(form)
{
    CreateComponents();
}

void TDelayForm::CreateComponents()
{
    setWindowTitle("Frame");
    setFixedSize(445, 309);

    Panel1 = new TPanel(this);
    Panel1->setObjectName("Panel1");
    Panel1->SetBevel(bvNone);
    Panel1->SetColor(clWhite);
    Panel1->setGeometry(0, 0, 152, 309);
    Image1 = new QLabel(Panel1);
    Image1->setObjectName("Image1");
    Image1->setScaledContents(true);
    Image1->setGeometry(0, 0, 152, 309);
    Image1->setPixmap(FilmPicture(152, 309));

    GroupBox1 = new QGroupBox("Время (мсек)", this);
    GroupBox1->setObjectName("GroupBox1");
    GroupBox1->setGeometry(164, 8, 273, 60);
    CSpinEdit1 = NumberField(GroupBox1, 0, 32000, 100, 500);
    CSpinEdit1->setObjectName("CSpinEdit1");
    CSpinEdit1->setGeometry(12, 24, 110, 26);

    GroupBox2 = new QGroupBox("Расположение и размер (в пикселах)", this);
    GroupBox2->setObjectName("GroupBox2");
    GroupBox2->setGeometry(164, 76, 273, 182);
    const struct {
        QLabel*& label;
        QSpinBox*& field;
        const char* labelName;
        const char* fieldName;
        const char* caption;
        int x, y;
    } fields[] = {
        {Label1, CSpinEditLeft, "Label1", "CSpinEditLeft", "Слева", 12, 22},
        {Label2, CSpinEditTop, "Label2", "CSpinEditTop", "Вверху", 140, 22},
        {Label3, CSpinEditWidth, "Label3", "CSpinEditWidth", "Ширина", 12, 74},
        {Label4, CSpinEditHeight, "Label4", "CSpinEditHeight", "Высота", 140, 74},
    };
    for (const auto& f : fields) {
        f.label = new QLabel(f.caption, GroupBox2);
        f.label->setObjectName(f.labelName);
        f.label->setGeometry(f.x, f.y, 120, 18);
        f.field = NumberField(GroupBox2, 0, 10000, 1, 0);
        f.field->setObjectName(f.fieldName);
        f.field->setGeometry(f.x, f.y + 20, 110, 26);
    }
    SpeedButton1 = new QToolButton(GroupBox2);
    SpeedButton1->setObjectName("SpeedButton1");
    SpeedButton1->setText("По центру");
    SpeedButton1->setGeometry(12, 126, 110, 24);
    SpeedButton2 = new QToolButton(GroupBox2);
    SpeedButton2->setObjectName("SpeedButton2");
    SpeedButton2->setText("Растянуть");
    SpeedButton2->setGeometry(140, 126, 110, 24);
    CheckBox1 = new QCheckBox("Подогнать кадр", GroupBox2);
    CheckBox1->setObjectName("CheckBox1");
    CheckBox1->setGeometry(12, 154, 240, 22);
    SetControlColor(*CheckBox1, clBtnFace);

    Button1 = new QPushButton("OK", this);
    Button1->setObjectName("Button1");
    Button1->setGeometry(262, 272, 82, 27);
    Button1->setDefault(true);
    Button2 = new QPushButton("Отменить", this);
    Button2->setObjectName("Button2");
    Button2->setGeometry(352, 272, 85, 27);

    connect(CSpinEdit1, &QSpinBox::valueChanged, this, [this] { CSpinEdit1Change(); });
    connect(CSpinEditLeft, &QSpinBox::valueChanged, this, [this] { CSpinEditLeftChange(); });
    connect(CSpinEditTop, &QSpinBox::valueChanged, this, [this] { CSpinEditTopChange(); });
    connect(CSpinEditWidth, &QSpinBox::valueChanged, this, [this] { CSpinEditWidthChange(); });
    connect(CSpinEditHeight, &QSpinBox::valueChanged, this, [this] { CSpinEditHeightChange(); });
    for (QSpinBox* field : {CSpinEdit1, CSpinEditLeft, CSpinEditTop, CSpinEditWidth, CSpinEditHeight})
        new TNumberFieldKeys(field, Button1, Button2, [this](char& key) { CSpinEdit1KeyPress(key); });
    connect(SpeedButton1, &QToolButton::clicked, this, [this] { SpeedButton1Click(); });
    connect(SpeedButton2, &QToolButton::clicked, this, [this] { SpeedButton2Click(); });
    // clicked, unlike toggled, comes only from the user, and from the space bar as well as
    // from the mouse: a keyboard toggle is a touch too.
    connect(CheckBox1, &QCheckBox::clicked, this, [this] { CheckBox1MouseUp(); });
    connect(Button1, &QPushButton::clicked, this, [this] {
        Button1Click();
        accept();
    });
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);
}

void TDelayForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous()) {
        ShowingErrors([this] { FormShow(); });
        CentreOnScreen(*this);
        Button1->setFocus();
    }
}

void TDelayForm::FormShow()
{
    CSpinEditLeft->setMaximum(std::max(0, form_.FrameWidth));
    CSpinEditWidth->setMaximum(std::max(0, form_.FrameWidth));
    CSpinEditTop->setMaximum(std::max(0, form_.FrameHeight));
    CSpinEditHeight->setMaximum(std::max(0, form_.FrameHeight));
    // The AVI rate is 1000 divided by the time, so an AVI project cannot take 0 ms.
    CSpinEdit1->setMinimum(form_.ProjectType == 0 ? 1 : 0);

    const std::deque<int>& selected = form_.SelectedFrames;
    if (selected.empty())
        return; // the command never opens the dialog without a frame to show
    FrameIndex = selected.front();
    const auto n = std::size_t(FrameIndex);
    CSpinEdit1->setValue(form_.FrameTimes.at(n));
    SetPlacementFields(form_.FramePlacements.at(n));
    CheckBox1->setChecked(form_.FrameStretch.at(n));
    EnablePlacement(!CheckBox1->isChecked());

    setWindowTitle(QString::fromStdString(SelectedFramesCaption(selected)));
    const bool one = selected.size() == 1;
    for (QSpinBox* field : {CSpinEdit1, CSpinEditLeft, CSpinEditTop, CSpinEditWidth, CSpinEditHeight})
        SetControlColor(*field, one ? ChangedColor : UnchangedColor);
    SetControlColor(*CheckBox1, one ? clBtnFace : UnchangedColor);
}

void TDelayForm::CSpinEdit1Change() { SetControlColor(*CSpinEdit1, ChangedColor); }
void TDelayForm::CSpinEditLeftChange() { SetControlColor(*CSpinEditLeft, ChangedColor); }
void TDelayForm::CSpinEditTopChange() { SetControlColor(*CSpinEditTop, ChangedColor); }
void TDelayForm::CSpinEditWidthChange() { SetControlColor(*CSpinEditWidth, ChangedColor); }
void TDelayForm::CSpinEditHeightChange() { SetControlColor(*CSpinEditHeight, ChangedColor); }

void TDelayForm::CSpinEdit1KeyPress(char& key)
{
    FocusOnEnterOrEscape(key, Button1, Button2);
}

void TDelayForm::SpeedButton1Click()
{
    // Centred by the frame's stored size, not by what the size fields show now.
    const MYRECT stored = StoredPlacement();
    CSpinEditLeft->setValue((form_.FrameWidth - stored.Width) / 2);
    CSpinEditTop->setValue((form_.FrameHeight - stored.Height) / 2);
}

void TDelayForm::SpeedButton2Click()
{
    SetPlacementFields(MYRECT{0, 0, form_.FrameWidth, form_.FrameHeight});
}

void TDelayForm::CheckBox1MouseUp()
{
    if (CheckBox1->isChecked())
        SetPlacementFields(MYRECT{0, 0, form_.FrameWidth, form_.FrameHeight});
    else
        SetPlacementFields(StoredPlacement());
    EnablePlacement(!CheckBox1->isChecked());
    SetControlColor(*CheckBox1, clBtnFace);
}

bool TDelayForm::Edited(const QWidget& control) const
{
    const TColor mark = &control == CheckBox1 ? clBtnFace : ChangedColor;
    return ControlColor(control) == mark;
}

void TDelayForm::Button1Click()
{
    bool edited[6] = {Edited(*CSpinEdit1),     Edited(*CSpinEditLeft),   Edited(*CSpinEditTop),
                      Edited(*CSpinEditWidth), Edited(*CSpinEditHeight), Edited(*CheckBox1)};
    MYRECT entered = form_.DelayPlacement;
    if (edited[dvLeft])
        entered.Left = CSpinEditLeft->value();
    if (edited[dvTop])
        entered.Top = CSpinEditTop->value();
    // The width and height are kept as entered; each frame cuts them to its own room.
    if (edited[dvWidth])
        entered.Width = CSpinEditWidth->value();
    if (edited[dvHeight])
        entered.Height = CSpinEditHeight->value();

    form_.OptionsChanged = ResultDiffers(edited, entered);

    if (edited[dvTime]) {
        if (form_.ProjectType == 0)
            form_.AviFrameTime = CSpinEdit1->value();
        else if (form_.ProjectType == 1)
            form_.DelayGifTime = WORD(CSpinEdit1->value());
    }
    form_.DelayPlacement = entered;
    if (edited[dvFit])
        form_.DelayFit = CheckBox1->isChecked();
    std::copy(std::begin(edited), std::end(edited), std::begin(form_.DelayEdited));
}

// Whether applying the dialog would change any frame or the project's AVI time: compared
// with what the frames hold now, so that no edit goes unnoticed whatever the dialog showed.
bool TDelayForm::ResultDiffers(const bool edited[6], const MYRECT& entered) const
{
    const int time = CSpinEdit1->value();
    if (edited[dvTime] && form_.ProjectType == 0) {
        if (form_.AviFrameTime != time)
            return true;
        for (WORD t : form_.FrameTimes)
            if (t != WORD(time))
                return true;
    }
    const bool placed = std::any_of(edited + dvLeft, edited + dvFit + 1, [](bool e) { return e; });
    for (int index : form_.SelectedFrames) {
        const auto n = std::size_t(index);
        if (edited[dvTime] && form_.ProjectType == 1 && form_.FrameTimes.at(n) != WORD(time))
            return true;
        // A frame whose picture is gone keeps its placement: the command skips it.
        std::error_code error;
        if (!placed || !std::filesystem::exists(form_.FrameFiles.at(n), error))
            continue;
        const MYRECT& own = form_.FramePlacements.at(n);
        if (PlacementAfterEdit(own, edited, entered, form_.FrameWidth, form_.FrameHeight) != own)
            return true;
        if (edited[dvFit] && form_.FrameStretch.at(n) != CheckBox1->isChecked())
            return true;
    }
    return false;
}

void TDelayForm::SetPlacementFields(const MYRECT& placement)
{
    CSpinEditLeft->setValue(placement.Left);
    CSpinEditTop->setValue(placement.Top);
    CSpinEditWidth->setValue(placement.Width);
    CSpinEditHeight->setValue(placement.Height);
}

void TDelayForm::EnablePlacement(bool enabled)
{
    for (QWidget* control : std::initializer_list<QWidget*>{CSpinEditLeft, CSpinEditTop, CSpinEditWidth,
                                                            CSpinEditHeight, SpeedButton1, SpeedButton2})
        control->setEnabled(enabled);
}

MYRECT TDelayForm::StoredPlacement() const
{
    return FrameIndex < 0 ? MYRECT{} : form_.FramePlacements.at(std::size_t(FrameIndex));
}
