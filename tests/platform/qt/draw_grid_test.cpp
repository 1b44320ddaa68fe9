// The owner-drawn grid: its cells, and a selection that its owner may refuse.
#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include <utility>
#include <vector>

#include "platform/qt/controls.h"
#include "support/qt/application.h"

namespace {

class DrawGrid : public ::testing::Test {
protected:
    static void SetUpTestSuite() { EnsureApplication(); }
    void SetUp() override
    {
        grid_.SetColCount(4);
        grid_.SetRowCount(3);
        grid_.resize(grid_.CellRect(3, 2).right() + 2, grid_.CellRect(3, 2).bottom() + 2);
    }
    void Key(int key)
    {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(&grid_, &press);
    }
    std::pair<int, int> Selected() const { return {grid_.Col(), grid_.Row()}; }

    TDrawGrid grid_;
};

TEST_F(DrawGrid, OnlyCellsOfTheGridThatItsOwnerAllowsAreSelected)
{
    std::vector<std::pair<int, int>> asked;
    grid_.OnSelectCell = [&](int col, int row, bool& canSelect) {
        asked.emplace_back(col, row);
        canSelect = col != 2;
    };
    struct TCase {
        int Col, Row;
        bool Selected;
        std::pair<int, int> After;
    };
    const TCase cases[] = {
        {1, 2, true, {1, 2}}, {3, 0, true, {3, 0}},  {2, 1, false, {3, 0}}, {4, 0, false, {3, 0}},
        {0, 3, false, {3, 0}}, {-1, 0, false, {3, 0}}, {0, -1, false, {3, 0}},
    };
    for (const TCase& c : cases) {
        EXPECT_EQ(grid_.SelectCell(c.Col, c.Row), c.Selected) << c.Col << "," << c.Row;
        EXPECT_EQ(Selected(), c.After) << c.Col << "," << c.Row;
    }
    // Cells outside the grid are never put to the owner.
    EXPECT_EQ(asked, (std::vector<std::pair<int, int>>{{1, 2}, {3, 0}, {2, 1}}));
}

TEST_F(DrawGrid, MouseAndArrowKeysSelectAndStopAtTheEdges)
{
    const QPoint at = grid_.CellRect(2, 1).center();
    QMouseEvent press(QEvent::MouseButtonPress, at, grid_.mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(&grid_, &press);
    EXPECT_EQ(Selected(), (std::pair{2, 1}));

    Key(Qt::Key_Right);
    EXPECT_EQ(Selected(), (std::pair{3, 1}));
    Key(Qt::Key_Right);
    EXPECT_EQ(Selected(), (std::pair{3, 1}));
    Key(Qt::Key_Down);
    Key(Qt::Key_Down);
    EXPECT_EQ(Selected(), (std::pair{3, 2}));
    Key(Qt::Key_Up);
    Key(Qt::Key_Left);
    EXPECT_EQ(Selected(), (std::pair{2, 1}));
}

TEST_F(DrawGrid, AlwaysHasACellAndTheSelectionStaysInsideWhenItShrinks)
{
    ASSERT_TRUE(grid_.SelectCell(3, 2));
    grid_.SetColCount(2);
    grid_.SetRowCount(0);
    EXPECT_EQ(grid_.ColCount(), 2);
    EXPECT_EQ(grid_.RowCount(), 1);
    EXPECT_EQ(Selected(), (std::pair{1, 0}));
    grid_.SetColCount(-5);
    EXPECT_EQ(grid_.ColCount(), 1);
    EXPECT_EQ(Selected(), (std::pair{0, 0}));
}

TEST_F(DrawGrid, TheOwnerDrawsEveryCellAndOnlyTheSelectedOneIsHighlighted)
{
    ASSERT_TRUE(grid_.SelectCell(1, 0));
    int drawn = 0;
    grid_.OnDrawCell = [&](QPainter&, int col, int row, const QRect& rect, bool) {
        ++drawn;
        EXPECT_EQ(rect, grid_.CellRect(col, row));
    };
    const QImage image = grid_.grab().toImage();
    EXPECT_EQ(drawn, 12);
    const QColor highlight = grid_.palette().highlight().color();
    EXPECT_EQ(image.pixelColor(grid_.CellRect(1, 0).center()), highlight);
    EXPECT_NE(image.pixelColor(grid_.CellRect(0, 0).center()), highlight);
}

} // namespace
