// The class library's controls paint system colours as the desktop's colours.
#include <gtest/gtest.h>

#include <QImage>

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

} // namespace
