#pragma once
// The palette grid of the colour options dialog: a grid of equal cells that its owner draws,
// in the shape of the class library's draw grid.
#include <QWidget>

#include <functional>

// A grid of equal cells drawn by its owner. Selecting a cell (by mouse, arrow keys or
// SelectCell) first asks OnSelectCell, which may refuse.
class TDrawGrid : public QWidget {
public:
    explicit TDrawGrid(QWidget* parent = nullptr);
    int ColCount() const { return columns_; }
    int RowCount() const { return rows_; }
    void SetColCount(int count);
    void SetRowCount(int count);
    int Col() const { return col_; }
    int Row() const { return row_; }
    int DefaultColWidth = 10;
    int DefaultRowHeight = 10;
    // True when the cell became the selected one.
    bool SelectCell(int col, int row);
    QRect CellRect(int col, int row) const;

    std::function<void(QPainter&, int col, int row, const QRect& rect, bool focused)> OnDrawCell;
    std::function<void(int col, int row, bool& canSelect)> OnSelectCell;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    int columns_ = 16;
    int rows_ = 16;
    int col_ = 0;
    int row_ = 0;
};
