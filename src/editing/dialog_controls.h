#pragma once
// Small controls the frame dialogs are laid out from, in the shape of the class library's:
// a paint box, a grid of owner-drawn cells and a group of radio buttons.
#include <QGroupBox>
#include <QWidget>

#include <functional>

class QButtonGroup;

// A surface that someone else paints.
class TPaintBox : public QWidget {
public:
    explicit TPaintBox(QWidget* parent = nullptr) : QWidget(parent) {}
    std::function<void(QPainter&)> OnPaint;

protected:
    void paintEvent(QPaintEvent* event) override;
};

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

// A framed group of radio buttons whose choice is an index.
class TRadioGroup : public QGroupBox {
    Q_OBJECT
public:
    TRadioGroup(const QString& caption, const QStringList& items, int columns, QWidget* parent = nullptr);
    int ItemIndex() const;
    // Sets the choice without counting as a click.
    void SetItemIndex(int index);
    QButtonGroup* Buttons() const { return buttons_; }

signals:
    // The user chose an item.
    void Click();

private:
    QButtonGroup* buttons_;
};
