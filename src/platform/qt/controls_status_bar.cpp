// The main window's status bar: panels of a least width that show their texts.
#include "platform/qt/controls.h"

#include <QPainter>
#include <QStyle>

#include <algorithm>
#include <stdexcept>

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
