// The main window's status bar: panels of a least width that show their texts, fitted to the
// room the window's screen leaves them.
#include "platform/qt/controls.h"

#include <QLayout>
#include <QPainter>
#include <QScreen>
#include <QSizeGrip>
#include <QStyle>
#include <QWindow>

#include <algorithm>
#include <climits>
#include <numeric>
#include <stdexcept>

TStatusBar::TStatusBar(QWidget* parent) : QStatusBar(parent)
{
    setSizeGripEnabled(true);
    // The grip shows only once the window does (and not while it is maximised); the room it
    // takes is counted from the start, so that the panels are fitted before the first show.
    if (auto* grip = findChild<QSizeGrip*>()) {
        QSizePolicy policy = grip->sizePolicy();
        policy.setRetainSizeWhenHidden(true);
        grip->setSizePolicy(policy);
    }
    WatchWindow();
}

namespace {

// The desktop's font is wider than the one the panels' widths were chosen for: a panel keeps
// its width as the least and widens to show all of its text, bevel and margins included, in
// the font it has (the window's). The layout squeezes a panel no further than the floor the
// status bar gives it (see FitToScreen): the whole text for a number, the least width for a
// file name, which has no length the window could grow to. Where the window's room is short
// of the panels' texts, the file name's panel gives way first, down to its floor, and leaves
// out the middle of the name, which keeps the start and the extension in sight.
class TStatusPanel : public QLabel {
public:
    TStatusPanel(int leastWidth, TPanelFit fit, QWidget* parent)
        : QLabel(parent), leastWidth_(leastWidth), fit_(fit), floor_(fit == pfWholeText ? INT_MAX : leastWidth)
    {
        setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Preferred);
    }
    int LeastWidth() const { return leastWidth_; }
    TPanelFit Fit() const { return fit_; }
    bool SetFloor(int floor)
    {
        if (floor == floor_)
            return false;
        floor_ = floor;
        updateGeometry();
        return true;
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
        size.setWidth(std::min(size.width(), floor_));
        return size;
    }
    QString ShownText() const
    {
        if (width() >= sizeHint().width())
            return text();
        return fontMetrics().elidedText(text(), fit_ == pfWholeText ? Qt::ElideLeft : Qt::ElideMiddle,
                                        TextRoom().width());
    }
    void UpdateToolTip()
    {
        const QString tip = ShownText() == text() ? QString() : text();
        if (tip != toolTip())
            setToolTip(tip);
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
    void resizeEvent(QResizeEvent* event) override
    {
        QLabel::resizeEvent(event);
        UpdateToolTip();
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
    int floor_; // the narrowest the layout may make the panel
};

TStatusPanel* StatusPanel(QLabel* label) { return static_cast<TStatusPanel*>(label); }

int Sum(const std::vector<int>& widths) { return std::accumulate(widths.begin(), widths.end(), 0); }

// Takes pixels off the widths until their sum is at most room: the same number from each (one
// more from the first ones where they do not divide evenly), none below its low.
void CutEvenly(std::vector<int>& widths, const std::vector<int>& lows, int room)
{
    for (int excess = Sum(widths) - room; excess > 0; excess = Sum(widths) - room) {
        int cuttable = 0;
        int leastSpare = INT_MAX;
        for (std::size_t i = 0; i < widths.size(); ++i)
            if (widths[i] > lows[i]) {
                ++cuttable;
                leastSpare = std::min(leastSpare, widths[i] - lows[i]);
            }
        if (cuttable == 0)
            return;
        // Either the whole excess, or as much as the panel closest to its low still has.
        const int cut = std::min(excess / cuttable, leastSpare);
        int oneMore = cut < leastSpare ? excess % cuttable : 0;
        for (std::size_t i = 0; i < widths.size(); ++i)
            if (widths[i] > lows[i]) {
                widths[i] -= cut;
                if (oneMore > 0 && widths[i] > lows[i]) {
                    --widths[i];
                    --oneMore;
                }
            }
    }
}

} // namespace

// A window whose panels' texts are wider than its screen would reach past the screen's edge,
// where no one can see them or the size grip. So the panels' floors are chosen for the room
// the screen leaves the bar: while it holds every number panel's whole text beside a file
// name at its least width, nothing changes; past that the number panels are cut alike down to
// their least widths, and on a screen too narrow even for those, every panel alike.
void TStatusBar::FitToScreen()
{
    const QWidget* form = window();
    QScreen* screen = form->screen();
    if (!screen)
        return;
    // A screen whose work area changes (a new resolution, a panel docked) is fitted to again.
    if (screen != screen_) {
        disconnect(screenResized_);
        screen_ = screen;
        screenResized_ = connect(screen, &QScreen::availableGeometryChanged, this, &TStatusBar::FitToScreen);
    }

    // The bar spans its window: what the screen leaves it is the screen less the window's frame.
    const QMargins frame = form->windowHandle() ? form->windowHandle()->frameMargins() : QMargins();
    const int room = screen->availableGeometry().width() - frame.left() - frame.right() - WidthBesidesPanels();

    std::vector<int> floors, lows;
    for (QLabel* label : panels_) {
        const TStatusPanel* panel = StatusPanel(label);
        const int whole = panel->sizeHint().width();
        floors.push_back(panel->Fit() == pfWholeText ? whole : panel->LeastWidth());
        lows.push_back(std::min(whole, panel->LeastWidth()));
    }
    CutEvenly(floors, lows, room);
    CutEvenly(floors, std::vector<int>(floors.size(), 0), room);
    bool changed = false;
    for (std::size_t i = 0; i < panels_.size(); ++i)
        changed = StatusPanel(panels_[i])->SetFloor(floors[i]) || changed;
    if (changed) {
        // Before the first show no event tells the window that the bar's least width changed;
        // its first layout must have it all the same.
        InvalidateRows();
        updateGeometry();
    }
}

void TStatusBar::InvalidateRows()
{
    layout()->invalidate();
    for (QLayout* row : layout()->findChildren<QLayout*>())
        row->invalidate();
}

int TStatusBar::WidthBesidesPanels()
{
    // The bar's rows keep the sizes they had until the next round of events: ask them afresh.
    InvalidateRows();
    int panels = 0;
    for (const QLabel* panel : panels_)
        panels += panel->minimumSizeHint().width();
    return layout()->totalMinimumSize().width() - panels;
}

void TStatusBar::WatchWindow()
{
    QWidget* form = window();
    if (form == watched_)
        return;
    if (watched_)
        watched_->removeEventFilter(this);
    watched_ = form;
    if (form != this)
        form->installEventFilter(this);
}

bool TStatusBar::eventFilter(QObject* watched, QEvent* event)
{
    // The window's frame is known once its platform window is made, or (under a window
    // manager) some time after it is shown, when the window moves or resizes.
    if (watched == watched_) {
        switch (event->type()) {
        case QEvent::WinIdChange:
        case QEvent::Show:
        case QEvent::Move:
        case QEvent::Resize:
        case QEvent::ScreenChangeInternal:
            FitToScreen();
            break;
        default:
            break;
        }
    }
    return QStatusBar::eventFilter(watched, event);
}

bool TStatusBar::event(QEvent* event)
{
    const bool handled = QStatusBar::event(event);
    switch (event->type()) {
    case QEvent::ParentChange:
        WatchWindow();
        FitToScreen();
        break;
    case QEvent::FontChange:
    case QEvent::StyleChange:
        FitToScreen();
        break;
    default:
        break;
    }
    return handled;
}

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
    TStatusPanel* panel = StatusPanel(Panel(index));
    panel->setText(QString::fromStdString(text));
    FitToScreen();
    panel->UpdateToolTip();
}

std::string TStatusBar::PanelText(int index) const { return Panel(index)->text().toStdString(); }

std::string TStatusBar::PanelShownText(int index) const
{
    return StatusPanel(Panel(index))->ShownText().toStdString();
}

int TStatusBar::PanelWidth(int index) const { return Panel(index)->width(); }
