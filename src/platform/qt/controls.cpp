#include "platform/qt/controls.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPaintEvent>
#include <QRadioButton>

#include <algorithm>
#include <climits>

#include "platform/bitmap.h"
#include "platform/qt/qt_bridge.h"

namespace {

void DrawBevel(QPainter& p, QRect& r, TBevelCut cut, int width)
{
    if (cut == bvNone)
        return;
    const QColor light(255, 255, 255), dark(160, 160, 160);
    for (int i = 0; i < width; ++i) {
        if (cut != bvSpace) {
            const QColor& topLeft = cut == bvRaised ? light : dark;
            const QColor& bottomRight = cut == bvRaised ? dark : light;
            p.setPen(topLeft);
            p.drawLine(r.topLeft(), r.topRight());
            p.drawLine(r.topLeft(), r.bottomLeft());
            p.setPen(bottomRight);
            p.drawLine(r.bottomLeft(), r.bottomRight());
            p.drawLine(r.topRight(), r.bottomRight());
        }
        r.adjust(1, 1, -1, -1);
    }
}

} // namespace

TPanel::TPanel(QWidget* parent) : QFrame(parent), caption_(new QLabel(this))
{
    caption_->setAlignment(Qt::AlignCenter);
    caption_->setAttribute(Qt::WA_TransparentForMouseEvents);
    caption_->hide();
    setAutoFillBackground(true);
}

void TPanel::SetCaption(const std::string& caption)
{
    caption_->setText(QString::fromStdString(caption));
    caption_->setVisible(!caption.empty());
}

std::string TPanel::Caption() const { return caption_->text().toStdString(); }

void TPanel::SetBevel(TBevelCut outer, TBevelCut inner, int width)
{
    outer_ = outer;
    inner_ = inner;
    bevelWidth_ = std::max(1, width);
    update();
}

void TPanel::SetColor(TColor color)
{
    QPalette pal = palette();
    pal.setColor(QPalette::Window, ColorToQColor(color));
    setPalette(pal);
}

void TPanel::resizeEvent(QResizeEvent* event)
{
    QFrame::resizeEvent(event);
    caption_->setGeometry(rect().adjusted(2, 2, -2, -2));
}

void TPanel::paintEvent(QPaintEvent* event)
{
    QFrame::paintEvent(event);
    QPainter p(this);
    // QRect corners are the outermost pixels already: right() is width - 1.
    QRect r = rect();
    DrawBevel(p, r, outer_, bevelWidth_);
    DrawBevel(p, r, inner_, bevelWidth_);
}

TShape::TShape(QWidget* parent) : QWidget(parent) {}

void TShape::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    QPen pen(ColorToQColor(PenColor));
    pen.setStyle(PenStyle == spDot ? Qt::DotLine : Qt::SolidLine);
    p.setPen(pen);
    if (ClearBrush)
        p.setBrush(Qt::NoBrush);
    else
        p.setBrush(ColorToQColor(BrushColor));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
}

TSplitter::TSplitter(QWidget* resized, QWidget* parent) : QWidget(parent), resized_(resized)
{
    setCursor(Qt::SplitVCursor);
    setFixedHeight(3);
}

void TSplitter::mousePressEvent(QMouseEvent* event)
{
    pressY_ = event->globalPosition().toPoint().y();
    startHeight_ = resized_ ? resized_->height() : 0;
}

void TSplitter::mouseMoveEvent(QMouseEvent* event)
{
    if (!resized_ || !(event->buttons() & Qt::LeftButton))
        return;
    const int dy = event->globalPosition().toPoint().y() - pressY_;
    resized_->setFixedHeight(std::max(20, startHeight_ - dy));
}

TPaintBox::TPaintBox(QWidget* parent) : QWidget(parent) {}

void TPaintBox::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setClipRect(rect());
    if (OnPaint)
        OnPaint(painter);
}

TImage::TImage(QWidget* parent) : QWidget(parent)
{
    // A painter announces its frames from whatever thread runs its drawing step; the widget
    // is only ever touched from its own.
    Picture.OnChange = [this](TPicture&) { QMetaObject::invokeMethod(this, [this] { update(); }, Qt::QueuedConnection); };
}

TImage::~TImage()
{
    // The picture's painter must be gone before the canvas it paints on.
    Picture.OnChange = nullptr;
    Picture.SetGraphic(nullptr);
}

TBitmap* TImage::Target(int width, int height)
{
    if (!target_ || target_->Width() != width || target_->Height() != height)
        target_ = std::make_unique<TBitmap>(width, height, pf24bit);
    return target_.get();
}

void TImage::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Window));
    TGraphic* graphic = Picture.Graphic();
    if (!graphic || graphic->Empty())
        return;
    TBitmap* target = Target(graphic->Width(), graphic->Height());
    graphic->Draw(target->Canvas(), TRect{0, 0, graphic->Width(), graphic->Height()});
    DrawBitmap(painter, 0, 0, *target);
}

TRadioGroup::TRadioGroup(const QString& caption, const QStringList& items, int columns, QWidget* parent)
    : QGroupBox(caption, parent), group_(new QButtonGroup(this))
{
    group_->setExclusive(true);
    auto* grid = new QGridLayout(this);
    const int rows = std::max(1, (int(items.size()) + std::max(1, columns) - 1) / std::max(1, columns));
    for (int i = 0; i < items.size(); ++i) {
        auto* button = new QRadioButton(items[i], this);
        group_->addButton(button, i);
        buttons_.push_back(button);
        // Filled column by column, as the items are read.
        grid->addWidget(button, i % rows, i / rows);
    }
    connect(group_, &QButtonGroup::idClicked, this, [this](int) {
        if (OnClick)
            OnClick();
    });
}

int TRadioGroup::ItemIndex() const { return group_->checkedId(); }

void TRadioGroup::SetItemIndex(int index)
{
    if (index >= 0 && index < Count()) {
        buttons_[index]->setChecked(true);
        return;
    }
    // An exclusive group cannot be emptied by unchecking its button.
    group_->setExclusive(false);
    for (auto* button : buttons_)
        button->setChecked(false);
    group_->setExclusive(true);
}

TCSpinEdit::TCSpinEdit(QWidget* parent) : QSpinBox(parent)
{
    // The value changes by the arrows (and the arrow keys) only.
    lineEdit()->setReadOnly(true);
    ApplyRange();
}

void TCSpinEdit::SetMinValue(int value)
{
    min_ = value;
    ApplyRange();
}

void TCSpinEdit::SetMaxValue(int value)
{
    max_ = value;
    ApplyRange();
}

void TCSpinEdit::ApplyRange()
{
    // A maximum below the minimum (a text area wider than the frame) holds the value at the
    // minimum rather than pushing it below.
    if (max_ == min_)
        setRange(min_, INT_MAX / 2);
    else
        setRange(min_, std::max(min_, max_));
}
