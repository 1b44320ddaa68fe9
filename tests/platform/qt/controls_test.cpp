// The class library's controls: system colours painted as the desktop's colours, and what
// each of the smaller controls keeps and shows.
#include <gtest/gtest.h>

#include <QGridLayout>
#include <QImage>
#include <QLineEdit>
#include <QPainter>
#include <QRadioButton>

#include <climits>
#include <memory>

#include "platform/bitmap.h"
#include "platform/colors.h"
#include "platform/qt/controls.h"
#include "platform/qt/qt_bridge.h"
#include "support/qt/application.h"

namespace {

TEST(Controls, SystemColoursPaintAsTheDesktopsColours)
{
    EnsureApplication();
    TPanel panel;
    panel.resize(40, 20);
    panel.SetBevel(bvNone);
    panel.SetColor(clBtnFace);
    EXPECT_EQ(panel.grab().toImage().pixelColor(20, 10), ColorToQColor(clBtnFace));
    EXPECT_EQ(ColorToQColor(clBtnFace), QColor(240, 240, 240));

    TShape shape;
    shape.resize(20, 20);
    shape.PenColor = clBtnShadow;
    shape.BrushColor = clHighlight;
    const QImage image = shape.grab().toImage();
    EXPECT_EQ(image.pixelColor(0, 0), ColorToQColor(clBtnShadow));
    EXPECT_EQ(image.pixelColor(10, 10), ColorToQColor(clHighlight));
}

TEST(Controls, APaintBoxShowsWhatItsOwnerPaintsAndAnImageItsPictureFromTheTopLeft)
{
    EnsureApplication();
    TPaintBox box;
    box.resize(10, 10);
    EXPECT_EQ(box.grab().size(), QSize(10, 10)) << "nothing to paint is no fault";
    box.OnPaint = [](QPainter& painter) { painter.fillRect(0, 0, 100, 100, Qt::red); };
    EXPECT_EQ(box.grab().toImage().pixelColor(9, 9), QColor(Qt::red));

    TImage image;
    image.resize(20, 20);
    const QColor window = image.palette().color(QPalette::Window);
    EXPECT_EQ(image.grab().toImage().pixelColor(0, 0), window);
    // Pictures of two sizes one after the other: each at its own size, the rest the window's.
    for (const QSize size : {QSize(5, 4), QSize(8, 12)}) {
        auto bitmap = std::make_unique<TBitmap>(size.width(), size.height(), pf24bit);
        for (int y = 0; y < size.height(); ++y)
            for (int x = 0; x < size.width(); ++x)
                bitmap->SetPixel(x, y, RGB(200, 0, size.width()));
        image.Picture.SetGraphic(std::move(bitmap));
        const QImage shown = image.grab().toImage();
        const QColor picture(200, 0, size.width());
        EXPECT_EQ(shown.pixelColor(0, 0), picture) << size.width();
        EXPECT_EQ(shown.pixelColor(size.width() - 1, size.height() - 1), picture) << size.width();
        EXPECT_EQ(shown.pixelColor(size.width(), 0), window) << size.width();
        EXPECT_EQ(shown.pixelColor(0, size.height()), window) << size.width();
    }
}

TEST(Controls, ARadioGroupFillsItsColumnsInOrderAndOnlyTheUsersPickIsAClick)
{
    EnsureApplication();
    TRadioGroup group("Формат", {"a", "b", "c", "d", "e"}, 2);
    ASSERT_EQ(group.Count(), 5);
    const auto buttons = group.findChildren<QRadioButton*>();
    auto* grid = static_cast<QGridLayout*>(group.layout());
    const int expected[5][2] = {{0, 0}, {1, 0}, {2, 0}, {0, 1}, {1, 1}};
    for (int i = 0; i < 5; ++i) {
        int row = -1, column = -1, rowSpan = 0, columnSpan = 0;
        grid->getItemPosition(grid->indexOf(buttons[i]), &row, &column, &rowSpan, &columnSpan);
        EXPECT_EQ(buttons[i]->text().toStdString(), std::string(1, char('a' + i)));
        EXPECT_EQ(row, expected[i][0]) << i;
        EXPECT_EQ(column, expected[i][1]) << i;
    }

    int clicks = 0;
    group.OnClick = [&] { ++clicks; };
    EXPECT_EQ(group.ItemIndex(), -1);
    group.SetItemIndex(3);
    EXPECT_EQ(group.ItemIndex(), 3);
    EXPECT_EQ(clicks, 0);
    buttons[1]->click();
    EXPECT_EQ(group.ItemIndex(), 1);
    EXPECT_EQ(clicks, 1);
    // An index without an item chooses none, and the group still takes a choice after it.
    for (int none : {-1, 5}) {
        group.SetItemIndex(none);
        EXPECT_EQ(group.ItemIndex(), -1) << none;
        for (auto* button : buttons)
            EXPECT_FALSE(button->isChecked()) << none;
        group.SetItemIndex(4);
        group.SetItemIndex(2);
        EXPECT_TRUE(buttons[2]->isChecked());
        EXPECT_FALSE(buttons[4]->isChecked());
    }
    EXPECT_EQ(clicks, 1);
}

TEST(Controls, ASpinEditKeepsItsValueInItsLimitsAndWithEqualLimitsHasNoUpperOne)
{
    EnsureApplication();
    struct TCase {
        int Min, Max, Set, Shown;
    };
    const TCase cases[] = {
        {0, 100, 50, 50}, {0, 100, 150, 100}, {10, 100, 3, 10},
        // A maximum below the minimum holds the value at the minimum.
        {20, 5, 12, 20},
        // Equal limits: no upper limit, the lower one still holds.
        {0, 0, 100000, 100000}, {7, 7, 3, 7},
    };
    for (const TCase& c : cases) {
        TCSpinEdit spin;
        spin.SetMinValue(c.Min);
        spin.SetMaxValue(c.Max);
        EXPECT_EQ(spin.MinValue(), c.Min);
        EXPECT_EQ(spin.MaxValue(), c.Max);
        spin.setValue(c.Set);
        EXPECT_EQ(spin.value(), c.Shown) << c.Min << ".." << c.Max << " set " << c.Set;
    }
    TCSpinEdit spin;
    EXPECT_GE(spin.maximum(), INT_MAX / 2) << "a new spin edit has equal limits";
    EXPECT_TRUE(spin.findChild<QLineEdit*>()->isReadOnly()) << "only the arrows change it";
}

} // namespace
