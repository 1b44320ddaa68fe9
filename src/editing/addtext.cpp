#include "editing/addtext.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QShowEvent>

#include <algorithm>
#include <climits>

#include "app/dialogs/dialog_support.h"
#include "editing/text_frames.h"
#include "gif/gifimage.h"
#include "platform/qt/choose_dialogs.h"
#include "platform/qt/controls.h"
#include "platform/qt/cursors.h"
#include "platform/qt/message_boxes.h"
#include "platform/qt/qt_bridge.h"

int TFormText::PreviewIndex = 0;
int TFormText::PreviewDownY = 0;
int TFormText::PreviewUpY = -1;

// ---- The form

TFormText::TFormText(TTextFrameSettings& settings, TDialogResults& results, TTextFrameContext context,
                     QWidget* parent)
    : QDialog(parent), settings_(settings), results_(results), context_(std::move(context))
{
    TextBitmap = std::make_unique<TBitmap>(0, 0, pf24bit);
    PreviewMargin = 2 * logicalDpiX() / 96;
    Timer1.SetEnabled(false);
    Timer1.SetOnTimer([this] { Timer1Timer(); });
    CreateComponents();
}

TFormText::~TFormText()
{
    Timer1.SetEnabled(false);
    if (Dragging)
        QGuiApplication::restoreOverrideCursor();
}

int TFormText::RadioIndex() const { return std::max(0, RadioButtons->checkedId()); }

void TFormText::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!shown_ && !event->spontaneous()) {
        shown_ = true;
        FormShow();
    }
}

void TFormText::reject()
{
    Button2Click();
    QDialog::reject();
}

void TFormText::StopTimer() { Timer1.SetEnabled(false); }

void TFormText::StartTimer()
{
    Timer1.SetInterval(UINT(std::max(1, FrameTime)));
    Timer1.SetEnabled(true);
}

void TFormText::PlacePaintText()
{
    PaintText->setGeometry(AreaLeft, AreaTop, AreaWidth, AreaHeight);
}

void TFormText::TextLayout()
{
    TextLines = ::TextLayout(Text, Count, RadioIndex(), TextX, TextBitmap->Width(),
                             [this](const std::string& s) { return TextBitmap->Canvas().TextWidth(s); });
}

void TFormText::FormShow()
{
    const TTextFrameSettings& s = settings_;
    std::vector<QSignalBlocker> quiet;
    for (QObject* o : std::initializer_list<QObject*>{CSpinEditLeft, CSpinEditTop, CSpinEditFrameLeft,
                                                     CSpinEditFrameTop, CSpinEditWidth, CSpinEditHeight,
                                                     CSpinEditNumber, CSpinEditDuration, RadioButtons})
        quiet.emplace_back(o);

    // 1.
    if (QAbstractButton* radio = RadioButtons->button(std::clamp(s.TextDirection, 0, 3)))
        radio->setChecked(true);
    FrameTime = s.TextFrameTime;

    // 2. With the panel's bevels, what is inside it has the project frame's size.
    const int m = 2 * PreviewMargin;
    Panel4->setGeometry(m, m, context_.FrameWidth + m, context_.FrameHeight + m);
    Panel8->setGeometry(m / 2, m / 2, context_.FrameWidth, context_.FrameHeight);
    ScrollBox1->widget()->resize(context_.FrameWidth + 3 * m, context_.FrameHeight + 3 * m);
    if (PreviewUpY < 0)
        PreviewUpY = context_.FrameHeight;

    // 3.
    TextBitmap->SetSize(std::max(0, s.TextFrameWidth), std::max(0, s.TextFrameHeight));
    if (s.TextFont)
        TextBitmap->Canvas().Font() = *s.TextFont;

    // 4. The frame-position spins get their maxima only; they show 0 until changed.
    TextX = s.TextLeft;
    CSpinEditLeft->SetMaxValue(s.TextFrameWidth);
    CSpinEditLeft->setValue(TextX);
    TextY = s.TextTop;
    CSpinEditTop->SetMaxValue(s.TextFrameHeight);
    CSpinEditTop->setValue(TextY);
    AreaWidth = s.TextFrameWidth;
    CSpinEditWidth->SetMaxValue(s.TextFrameWidth);
    CSpinEditWidth->setValue(AreaWidth);
    AreaHeight = s.TextFrameHeight;
    CSpinEditHeight->SetMaxValue(s.TextFrameHeight);
    CSpinEditHeight->setValue(AreaHeight);
    AreaLeft = s.TextFrameLeft;
    AreaTop = s.TextFrameTop;
    CSpinEditFrameLeft->SetMaxValue(s.TextFrameWidth);
    CSpinEditFrameTop->SetMaxValue(s.TextFrameHeight);
    PlacePaintText();

    // 5.
    Count = s.TextFrameCount;
    CSpinEditNumber->setValue(Count);
    Text = s.TextString;
    Edit1->setText(QString::fromStdString(Text));

    // 6.
    BackColor = s.TextBackColor;
    Panel4->SetColor(BackColor);

    // 7. The first selected frame where it stands in the project frame.
    Image1->setGeometry(0, 0, Panel8->width(), Panel8->height());
    BackPicture = TBitmap(std::max(0, context_.FrameWidth), std::max(0, context_.FrameHeight), pf24bit);
    if (context_.Picture && !context_.Picture->Empty()) {
        const TBitmap& picture = *context_.Picture;
        const MYRECT& at = context_.Placement;
        BackPicture.Canvas().CopyRect(TRect{at.Left, at.Top, at.Left + picture.Width(), at.Top + picture.Height()},
                                      picture.Canvas(), TRect{0, 0, picture.Width(), picture.Height()});
    }

    // 8.
    TextLayout();
    CheckBox1->setChecked(s.TextUseBackPicture);
    Image1->setVisible(CheckBox1->isChecked());

    // 9.
    LineHeight = TextBitmap->Canvas().TextHeight(Text);
    CSpinEditDuration->setValue(s.TextFrameTime);
    StartTimer();
}

void TFormText::Timer1Timer()
{
    TCanvas& canvas = TextBitmap->Canvas();
    canvas.Brush().Color = BackColor;
    canvas.Brush().Style = bsSolid;
    canvas.FillRect(TRect{0, 0, TextBitmap->Width(), TextBitmap->Height()});
    canvas.Brush().Style = bsClear;
    const int direction = RadioIndex();
    if (IsHorizontalDirection(direction)) {
        // Fewer frames than before: the preview starts over rather than read past the lines.
        if (PreviewIndex < 0 || std::size_t(PreviewIndex) >= TextLines.size())
            PreviewIndex = 0;
        if (!TextLines.empty())
            canvas.TextOut(TextX, TextY, TextLines[std::size_t(PreviewIndex)]);
    } else if (direction == tdTopDown) {
        canvas.TextOut(TextX, PreviewDownY, Text);
        PreviewDownY += LineHeight;
        if (PreviewDownY > context_.FrameHeight)
            PreviewDownY = 0;
    } else {
        canvas.TextOut(TextX, PreviewUpY, Text);
        PreviewUpY -= LineHeight;
        if (PreviewUpY < 0)
            PreviewUpY = context_.FrameHeight;
    }
    ++PreviewIndex;
    if (PreviewIndex >= Count) {
        PreviewIndex = 0;
        PreviewDownY = 0;
        PreviewUpY = context_.FrameHeight;
    }
    PaintText->update();
}

void TFormText::PaintTextPaint()
{
    QPainter painter(PaintText);
    DrawBitmap(painter, 0, 0, *TextBitmap);
}

void TFormText::ButSetTextClick()
{
    StopTimer();
    Text = Edit1->text().toStdString();
    TextLayout();
    StartTimer();
}

void TFormText::ButSetTextKeyPress() { ButSetTextClick(); }

void TFormText::RadioGroup1Click()
{
    StopTimer();
    const int direction = RadioIndex();
    const QSignalBlocker quietLeft(CSpinEditLeft), quietTop(CSpinEditTop);
    TextX = 0;
    if (IsHorizontalDirection(direction))
        TextY = TextBitmap->Height() / 2;
    else if (direction == tdTopDown)
        TextY = 0;
    else
        TextY = TextBitmap->Height();
    CSpinEditLeft->setValue(TextX);
    CSpinEditTop->setValue(TextY);
    if (IsHorizontalDirection(direction))
        TextLayout();
    StartTimer();
}

void TFormText::CSpinEditNumberChange()
{
    StopTimer();
    Count = CSpinEditNumber->value();
    if (IsHorizontalDirection(RadioIndex()))
        TextLayout();
    StartTimer();
}

void TFormText::CSpinEditDurationChange()
{
    StopTimer();
    FrameTime = CSpinEditDuration->value();
    StartTimer();
}

void TFormText::CSpinEditLeftChange()
{
    StopTimer();
    TextX = CSpinEditLeft->value();
    if (IsHorizontalDirection(RadioIndex()))
        TextLayout();
    StartTimer();
}

void TFormText::CSpinEditTopChange()
{
    StopTimer();
    TextY = CSpinEditTop->value();
    StartTimer();
}

void TFormText::CSpinEditFrameLeftChange()
{
    StopTimer();
    AreaLeft = CSpinEditFrameLeft->value();
    PlacePaintText();
    TextBitmap->SetWidth(PaintText->width());
    if (IsHorizontalDirection(RadioIndex()))
        TextLayout();
    StartTimer();
}

void TFormText::CSpinEditFrameTopChange()
{
    StopTimer();
    AreaTop = CSpinEditFrameTop->value();
    PlacePaintText();
    TextBitmap->SetHeight(PaintText->height());
    StartTimer();
}

void TFormText::CSpinEditWidthChange()
{
    StopTimer();
    AreaWidth = CSpinEditWidth->value();
    PlacePaintText();
    TextBitmap->SetWidth(PaintText->width());
    CSpinEditFrameLeft->SetMaxValue(Panel8->width() - AreaWidth);
    if (IsHorizontalDirection(RadioIndex()))
        TextLayout();
    StartTimer();
}

void TFormText::CSpinEditHeightChange()
{
    StopTimer();
    AreaHeight = CSpinEditHeight->value();
    PlacePaintText();
    CSpinEditFrameTop->SetMaxValue(Panel8->height() - AreaHeight);
    TextBitmap->SetHeight(PaintText->height());
    StartTimer();
}

void TFormText::ButSelFontClick()
{
    StopTimer();
    TFontDialog dialog;
    dialog.Font = TextBitmap->Canvas().Font();
    if (dialog.Execute()) {
        TextBitmap->Canvas().Font() = dialog.Font;
        LineHeight = TextBitmap->Canvas().TextHeight(Text);
    }
    StartTimer();
}

void TFormText::ButSelColorClick()
{
    StopTimer();
    TColorDialog dialog;
    dialog.Color = BackColor;
    dialog.Options = {cdFullOpen};
    if (dialog.Execute())
        BackColor = dialog.Color;
    StartTimer();
}

void TFormText::Image1MouseUp(int x, int y)
{
    const TColor color = BackPicture.Canvas().Pixels(x, y);
    if (color != CLR_INVALID)
        PickedColor = color;
}

void TFormText::Image1DblClick()
{
    StopTimer();
    BackColor = PickedColor;
    StartTimer();
}

void TFormText::CheckBox1MouseUp()
{
    Image1->setVisible(CheckBox1->isChecked());
    Image1->update();
}

void TFormText::PaintTextMouseDown(Qt::MouseButton button, int x, int y)
{
    if (button != Qt::LeftButton || Dragging)
        return;
    StopTimer();
    QGuiApplication::setOverrideCursor(Qt::DragMoveCursor);
    DragStartX = x;
    DragStartY = y;
    Dragging = true;
}

void TFormText::PaintTextMouseMove(int x, int y)
{
    if (!Dragging)
        return;
    const int left = PaintText->x() + x - DragStartX;
    if (left >= 0 && left + PaintText->width() <= Panel8->width())
        PaintText->move(left, PaintText->y());
    const int top = PaintText->y() + y - DragStartY;
    if (top >= 0 && top + PaintText->height() <= Panel8->height())
        PaintText->move(PaintText->x(), top);
}

void TFormText::PaintTextMouseUp(Qt::MouseButton button, int, int)
{
    if (button != Qt::LeftButton || !Dragging)
        return;
    QGuiApplication::restoreOverrideCursor();
    Dragging = false;
    AreaLeft = PaintText->x();
    AreaTop = PaintText->y();
    {
        const QSignalBlocker quietLeft(CSpinEditFrameLeft), quietTop(CSpinEditFrameTop);
        CSpinEditFrameLeft->setValue(AreaLeft);
        CSpinEditFrameTop->setValue(AreaTop);
    }
    StartTimer();
}

void TFormText::CSpinEditLeftKeyPress(char& key)
{
    FocusOnEnterOrEscape(key, Button1, Button2);
}

void TFormText::Button2Click() { StopTimer(); }

void TFormText::Button1Click()
{
    StopTimer();
    TGIFImage gif;
    {
        TWaitCursor wait;
        TTextFrameJob job;
        job.Count = Count;
        job.Direction = RadioIndex();
        job.Lines = TextLines;
        job.Text = Text;
        job.TextX = TextX;
        job.TextY = TextY;
        job.LineHeight = LineHeight;
        job.Width = TextBitmap->Width();
        job.Height = TextBitmap->Height();
        job.Font = TextBitmap->Canvas().Font();
        job.BackColor = BackColor;
        job.FrameTime = FrameTime;
        TextFrameBuilder(job, gif);
    }
    const std::string work = EnsureWorkFolder(context_.ProgramFolder);
    const std::string path = TextFramesGifPath(work, Edit1->text().toStdString());
    gif.SaveToFile(path);
    writtenGif_ = path;
    results_.TextFramesGifPath = path;

    TTextFrameSettings& s = settings_;
    s.TextFrameCount = Count;
    results_.TextFramePlacement = MYRECT{AreaLeft, AreaTop, TextBitmap->Width(), TextBitmap->Height()};
    s.TextFrameTime = FrameTime;
    s.TextLeft = TextX;
    s.TextTop = TextY;
    s.TextFrameWidth = AreaWidth;
    s.TextFrameHeight = AreaHeight;
    s.TextFrameLeft = AreaLeft;
    s.TextFrameTop = AreaTop;
    s.TextString = Text;
    s.TextBackColor = BackColor;
    s.TextFont = std::make_unique<TFont>(TextBitmap->Canvas().Font());
    s.TextUseBackPicture = CheckBox1->isChecked();
    s.TextDirection = RadioIndex();
}

bool TFormText::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (watched == PaintText) {
        if (type == QEvent::Paint) {
            PaintTextPaint();
            return true;
        }
        if (type == QEvent::MouseButtonPress || type == QEvent::MouseMove || type == QEvent::MouseButtonRelease) {
            auto* mouse = static_cast<QMouseEvent*>(event);
            const QPoint at = mouse->position().toPoint();
            if (type == QEvent::MouseButtonPress)
                PaintTextMouseDown(mouse->button(), at.x(), at.y());
            else if (type == QEvent::MouseMove)
                PaintTextMouseMove(at.x(), at.y());
            else
                PaintTextMouseUp(mouse->button(), at.x(), at.y());
            return true;
        }
    } else if (watched == Image1) {
        if (type == QEvent::Paint) {
            QPainter painter(Image1);
            DrawBitmap(painter, 0, 0, BackPicture);
            return true;
        }
        if (type == QEvent::MouseButtonRelease) {
            const QPoint at = static_cast<QMouseEvent*>(event)->position().toPoint();
            Image1MouseUp(at.x(), at.y());
            return true;
        }
        if (type == QEvent::MouseButtonDblClick) {
            Image1DblClick();
            return true;
        }
    } else if (type == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (watched == Edit1 && (key == Qt::Key_Return || key == Qt::Key_Enter)) {
            ButSetTextKeyPress();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}
