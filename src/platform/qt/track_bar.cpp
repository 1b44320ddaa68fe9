#include "platform/qt/controls.h"

#include <QMouseEvent>
#include <QPainter>
#include <QStyle>

#include <algorithm>

namespace {

constexpr int TrackHeight = 44;
// The channel as the bar lays it out, before it is drawn narrower.
constexpr int ChannelTop = 4;
constexpr int ChannelHeight = 26;
constexpr int TickTop = 36;

} // namespace

TTrackBar::TTrackBar(QWidget* parent) : QSlider(Qt::Horizontal, parent)
{
    setTickPosition(QSlider::TicksBelow);
    setFixedHeight(TrackHeight);
}

QSize TTrackBar::sizeHint() const { return QSize(260, TrackHeight); }

int TTrackBar::Span() const { return std::max(1, width() - std::max(1, Thumb.width())); }

QRect TTrackBar::ChannelRect() const
{
    const int half = Thumb.width() / 2;
    const QRect raw(half, ChannelTop, width() - 2 * half, ChannelHeight);
    return raw.adjusted(2, 10, -2, -6);
}

QRect TTrackBar::ThumbRect() const
{
    const int left = QStyle::sliderPositionFromValue(minimum(), maximum(), value(), Span());
    return QRect(left, ChannelTop + 12, Thumb.width(), Thumb.height());
}

void TTrackBar::TrackTo(int left)
{
    setValue(QStyle::sliderValueFromPosition(minimum(), maximum(), std::clamp(left, 0, Span()), Span()));
}

void TTrackBar::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QSlider::mousePressEvent(event);
        return;
    }
    const int x = int(event->position().x());
    const QRect thumb = ThumbRect();
    // A press beside the thumb brings the thumb under the pointer; then it follows.
    grabOffset_ = x >= thumb.left() && x <= thumb.right() ? x - thumb.left() : thumb.width() / 2;
    TrackTo(x - grabOffset_);
    setSliderDown(true);
}

void TTrackBar::mouseMoveEvent(QMouseEvent* event)
{
    if (grabOffset_ >= 0)
        TrackTo(int(event->position().x()) - grabOffset_);
}

void TTrackBar::mouseReleaseEvent(QMouseEvent*)
{
    grabOffset_ = -1;
    setSliderDown(false);
}

void TTrackBar::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    TrackBarCustomDraw(painter);
}

void TTrackBar::TrackBarCustomDraw(QPainter& painter)
{
    // The bar never keeps the focus: keys go to the OK button, which takes Enter.
    if (FocusTarget && FocusTarget->isEnabled())
        QMetaObject::invokeMethod(FocusTarget, [target = FocusTarget] { target->setFocus(); }, Qt::QueuedConnection);

    // Ticks as the bar would draw them.
    const int half = Thumb.width() / 2;
    const int interval = tickInterval() > 0 ? tickInterval() : singleStep();
    painter.setPen(palette().color(QPalette::WindowText));
    for (int v = minimum(); v <= maximum(); v += std::max(1, interval)) {
        const int x = half + QStyle::sliderPositionFromValue(minimum(), maximum(), v, Span());
        const bool end = v == minimum() || v == maximum();
        painter.drawLine(x, TickTop, x, TickTop + (end ? 6 : 3));
    }

    const QRect channel = ChannelRect();
    if (channel.width() > 0 && channel.height() > 0) {
        painter.setPen(Qt::black);
        painter.setBrush(Qt::white);
        painter.drawRect(channel.adjusted(0, 0, -1, -1));
    }
    painter.drawImage(ThumbRect(), Thumb);
}
