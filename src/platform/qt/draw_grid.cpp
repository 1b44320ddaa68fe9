#include "platform/qt/controls.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

TDrawGrid::TDrawGrid(QWidget* parent) : QWidget(parent) { setFocusPolicy(Qt::StrongFocus); }

// A grid has at least one cell, as the platform's grids do.
void TDrawGrid::SetColCount(int count)
{
    columns_ = std::max(1, count);
    col_ = std::min(col_, columns_ - 1);
    update();
}

void TDrawGrid::SetRowCount(int count)
{
    rows_ = std::max(1, count);
    row_ = std::min(row_, rows_ - 1);
    update();
}

QRect TDrawGrid::CellRect(int col, int row) const
{
    return QRect(1 + col * (DefaultColWidth + 1), 1 + row * (DefaultRowHeight + 1), DefaultColWidth,
                 DefaultRowHeight);
}

bool TDrawGrid::SelectCell(int col, int row)
{
    if (col < 0 || row < 0 || col >= columns_ || row >= rows_)
        return false;
    bool canSelect = true;
    if (OnSelectCell)
        OnSelectCell(col, row, canSelect);
    if (!canSelect)
        return false;
    col_ = col;
    row_ = row;
    update();
    return true;
}

void TDrawGrid::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), palette().base());
    p.setPen(QColor(160, 160, 160));
    const int width = columns_ * (DefaultColWidth + 1), height = rows_ * (DefaultRowHeight + 1);
    for (int c = 0; c <= columns_; ++c)
        p.drawLine(c * (DefaultColWidth + 1), 0, c * (DefaultColWidth + 1), height);
    for (int r = 0; r <= rows_; ++r)
        p.drawLine(0, r * (DefaultRowHeight + 1), width, r * (DefaultRowHeight + 1));
    for (int r = 0; r < rows_; ++r)
        for (int c = 0; c < columns_; ++c) {
            const bool focused = c == col_ && r == row_;
            const QRect cell = CellRect(c, r);
            if (focused)
                p.fillRect(cell, palette().highlight());
            if (OnDrawCell)
                OnDrawCell(p, c, r, cell, focused && hasFocus());
        }
}

void TDrawGrid::mousePressEvent(QMouseEvent* event)
{
    const QPoint at = event->position().toPoint();
    SelectCell((at.x() - 1) / (DefaultColWidth + 1), (at.y() - 1) / (DefaultRowHeight + 1));
    setFocus();
}

void TDrawGrid::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Left: SelectCell(col_ - 1, row_); break;
    case Qt::Key_Right: SelectCell(col_ + 1, row_); break;
    case Qt::Key_Up: SelectCell(col_, row_ - 1); break;
    case Qt::Key_Down: SelectCell(col_, row_ + 1); break;
    default: QWidget::keyPressEvent(event); return;
    }
}
