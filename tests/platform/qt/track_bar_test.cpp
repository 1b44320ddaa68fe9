// The owner-drawn track bar: where its thumb goes, how the mouse moves it, what it paints and
// where the focus goes.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/qt/controls.h"
#include "support/qt/application.h"

namespace {

class TrackBar : public ::testing::Test {
protected:
    static void SetUpTestSuite() { EnsureApplication(); }
    void SetUp() override
    {
        bar_.setRange(0, 100);
        bar_.Thumb = QImage(11, 18, QImage::Format_ARGB32_Premultiplied);
        bar_.Thumb.fill(QColor(0, 0, 255));
        bar_.resize(260, 44);
    }
    void Mouse(QEvent::Type type, int x)
    {
        QMouseEvent event(type, QPointF(x, 20), QPointF(x, 20), Qt::LeftButton,
                          type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&bar_, &event);
    }

    TTrackBar bar_;
};

TEST_F(TrackBar, TheThumbTravelsTheWholeBarAndFollowsThePointerOnlyWhilePressed)
{
    // The bar's own channel runs from half a thumb in at each end, rows 4 to 29; it is drawn
    // 2 pixels shorter at each end, 10 lower at the top and 6 higher at the bottom.
    EXPECT_EQ(bar_.ChannelRect(), QRect(7, 14, 246, 10));
    bar_.setValue(0);
    EXPECT_EQ(bar_.ThumbRect().left(), 0);
    bar_.setValue(100);
    EXPECT_EQ(bar_.ThumbRect().right(), 259);

    // A press beside the thumb brings it under the pointer, and dragging moves it along.
    Mouse(QEvent::MouseButtonPress, 130);
    EXPECT_EQ(bar_.value(), 50);
    EXPECT_TRUE(bar_.isSliderDown());
    Mouse(QEvent::MouseMove, 5);
    EXPECT_EQ(bar_.value(), 0);
    Mouse(QEvent::MouseButtonRelease, 5);
    EXPECT_FALSE(bar_.isSliderDown());
    Mouse(QEvent::MouseMove, 200);
    EXPECT_EQ(bar_.value(), 0);

    // A press on the thumb keeps the point of the thumb that was grabbed under the pointer.
    const QRect thumb = bar_.ThumbRect();
    Mouse(QEvent::MouseButtonPress, thumb.left() + 8);
    EXPECT_EQ(bar_.value(), 0);
    Mouse(QEvent::MouseMove, thumb.left() + 8 + 249 / 2);
    EXPECT_EQ(bar_.value(), 50);
    Mouse(QEvent::MouseButtonRelease, 0);
}

TEST_F(TrackBar, PaintsAnOutlinedWhiteChannelUnderTheThumbPictureAndGivesTheFocusAway)
{
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* bar = new TTrackBar;
    auto* ok = new QPushButton("OK");
    layout->addWidget(bar);
    layout->addWidget(ok);
    bar->setRange(0, 100);
    bar->Thumb = bar_.Thumb;
    bar->FocusTarget = ok;
    window.show();
    bar->setFocus();
    ASSERT_EQ(window.focusWidget(), bar);

    bar->setValue(0);
    const QImage image = bar->grab().toImage();
    const QRect channel = bar->ChannelRect();
    ASSERT_GT(channel.width(), 20);
    EXPECT_EQ(image.pixelColor(channel.topLeft()), QColor(Qt::black));
    EXPECT_EQ(image.pixelColor(channel.bottomRight()), QColor(Qt::black));
    EXPECT_EQ(image.pixelColor(channel.center() + QPoint(30, 0)), QColor(Qt::white));
    EXPECT_EQ(image.pixelColor(bar->ThumbRect().center()), QColor(0, 0, 255));

    // The bar never keeps the focus once it has painted.
    QCoreApplication::processEvents();
    EXPECT_EQ(window.focusWidget(), ok);
}

} // namespace
