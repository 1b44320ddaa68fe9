#include "platform/qt/controls.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPaintEvent>
#include <QStyle>

#include <algorithm>
#include <stdexcept>

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

TStatusBar::TStatusBar(QWidget* parent) : QStatusBar(parent) { setSizeGripEnabled(true); }

namespace {

// The desktop's font is wider than the one the panels' widths were chosen for: a panel keeps
// its width as the least and widens to show all of its text, bevel and margins included, in
// the font it has (the window's). No layout squeezes a panel of whole text below that: a
// window too narrow for the status texts grows to show them. A file name has no length the
// window could grow to, so its panel gives way instead: it takes what the other panels leave,
// never less than its least width, and leaves out the middle of the name, which keeps the
// start and the extension in sight.
class TStatusPanel : public QLabel {
public:
    TStatusPanel(int leastWidth, TPanelFit fit, QWidget* parent) : QLabel(parent), leastWidth_(leastWidth), fit_(fit)
    {
        setSizePolicy(fit == pfWholeText ? QSizePolicy::Fixed : QSizePolicy::Maximum, QSizePolicy::Preferred);
    }
    QSize sizeHint() const override
    {
        QSize size = QLabel::sizeHint();
        size.setWidth(std::max(leastWidth_, size.width()));
        return size;
    }
    QSize minimumSizeHint() const override
    {
        QSize size = sizeHint();
        if (fit_ == pfElideMiddle)
            size.setWidth(leastWidth_);
        return size;
    }
    QString ShownText() const
    {
        if (fit_ == pfWholeText)
            return text();
        return fontMetrics().elidedText(text(), Qt::ElideMiddle, TextRoom().width());
    }

protected:
    void paintEvent(QPaintEvent* event) override
    {
        const QString shown = ShownText();
        if (shown == text()) {
            QLabel::paintEvent(event);
            return;
        }
        QPainter painter(this);
        drawFrame(&painter);
        style()->drawItemText(&painter, TextRoom(), int(QStyle::visualAlignment(layoutDirection(), alignment())),
                              palette(), isEnabled(), shown, foregroundRole());
    }

private:
    // Where the label lays out its text: inside the frame and the margin, and past the indent
    // that a framed label keeps on its aligned side (half an "x" when none is set).
    QRect TextRoom() const
    {
        QRect room = contentsRect().adjusted(margin(), margin(), -margin(), -margin());
        int indent = this->indent();
        if (indent < 0 && frameWidth() > 0)
            indent = fontMetrics().horizontalAdvance(QLatin1Char('x')) / 2 - margin();
        if (indent > 0) {
            const Qt::Alignment align = QStyle::visualAlignment(layoutDirection(), alignment());
            if (align & Qt::AlignLeft)
                room.setLeft(room.left() + indent);
            if (align & Qt::AlignRight)
                room.setRight(room.right() - indent);
        }
        return room;
    }

    int leastWidth_;
    TPanelFit fit_;
};

} // namespace

void TStatusBar::AddPanel(int width, TAlignment alignment, TPanelFit fit)
{
    auto* label = new TStatusPanel(width, fit, this);
    label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    label->setAlignment(Qt::AlignVCenter | (alignment == taCenter          ? Qt::AlignHCenter
                                            : alignment == taRightJustify ? Qt::AlignRight
                                                                          : Qt::AlignLeft));
    addWidget(label);
    panels_.push_back(label);
}

QLabel* TStatusBar::Panel(int index) const
{
    if (index < 0 || std::size_t(index) >= panels_.size())
        throw std::out_of_range("status bar panel index out of range");
    return panels_[std::size_t(index)];
}

void TStatusBar::SetPanelText(int index, const std::string& text)
{
    Panel(index)->setText(QString::fromStdString(text));
}

std::string TStatusBar::PanelText(int index) const { return Panel(index)->text().toStdString(); }

std::string TStatusBar::PanelShownText(int index) const
{
    return static_cast<const TStatusPanel*>(Panel(index))->ShownText().toStdString();
}

int TStatusBar::PanelWidth(int index) const { return Panel(index)->width(); }
