// The main window's status bar: the number panels show their whole texts where the screen has
// room for them, and neither they nor the project's file name, of any length, take the window
// past the screen.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QScreen>

#include "app/status_text.h"
#include "form_fixture.h"
#include "platform/qt/controls.h"

namespace {

using FormDefaults = TFormTest;

void LayOut()
{
    // The window grows to what its status bar needs in a later round of events.
    for (int round = 0; round < 3; ++round)
        QApplication::processEvents();
}

// Whether the panel shows its whole text: the same text in a far wider label of the same
// font, frame and alignment leaves no ink past the panel's own inside.
bool ShowsWholeText(const QLabel& panel)
{
    QLabel wide;
    wide.setFont(panel.font());
    wide.setFrameStyle(panel.frameStyle());
    wide.setAlignment(panel.alignment());
    wide.setText(panel.text());
    wide.resize(panel.width() + 300, panel.height());
    const QImage image = wide.grab().toImage();
    const QRect inside = wide.contentsRect();
    const QRgb background = image.pixel(inside.right() - 1, inside.center().y());
    for (int x = panel.contentsRect().right() + 1; x < inside.right(); ++x)
        for (int y = inside.top(); y <= inside.bottom(); ++y)
            if (image.pixel(x, y) != background)
                return false;
    return true;
}

TEST_F(FormDefaults, StatusPanelsKeepTheirWidthsAsTheLeastAndShowTheirLongestTexts)
{
    // The window as small as it can be: the texts must show whole all the same, on a screen
    // that has room for the widest of them in the larger font.
    UseScreen(1280, 1024, 24);
    TAVIForm& f = MakeForm();
    f.setWindowState(Qt::WindowNoState);
    f.show();
    f.resize(100, 300);
    LayOut();
    const int widths[] = {200, 45, 120, 140, 120};
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(f.StatusBar1->PanelWidth(i), widths[i]) << "panel " << i;

    // The widest texts each panel gets: the frame size (at most 10000 on a side), the total
    // time below a second and in seconds for 65535 frames of 65535 ms, the frame count.
    const struct {
        int Panel;
        std::string Text;
    } longest[] = {
        {2, "Размер: 10000 x 10000"},
        {3, TotalTimeText(999, ",")},
        {3, TotalTimeText(std::int64_t(65535) * 65535, ",")},
        {4, FrameCountText(65535)},
        {0, "Новый проект"},
    };
    const QFont desktopFont = f.font();
    QFont larger = desktopFont;
    larger.setPointSizeF(desktopFont.pointSizeF() * 1.5);
    for (const QFont& font : {desktopFont, larger}) {
        f.setFont(font);
        for (const auto& c : longest) {
            SCOPED_TRACE(c.Text + " at " + std::to_string(font.pointSizeF()) + " pt");
            f.StatusBar1->SetPanelText(c.Panel, c.Text);
            LayOut();
            EXPECT_GE(f.StatusBar1->PanelWidth(c.Panel), widths[c.Panel]);
            EXPECT_TRUE(ShowsWholeText(*f.StatusBar1->Panel(c.Panel)));
        }
    }
    EXPECT_EQ(TotalTimeText(std::int64_t(65535) * 65535, ","), "Общее время: 4294836,225 сек");
    f.hide();
}

// Whether a panel that cannot show all of its text shows it as it should: cut where fit says,
// within the panel, with the whole text in its tooltip.
void ExpectCut(const QLabel& panel, const QString& shown, Qt::TextElideMode mode)
{
    const QString whole = panel.text();
    EXPECT_TRUE(shown.contains(QChar(0x2026))) << shown.toStdString();
    if (mode == Qt::ElideMiddle) {
        EXPECT_TRUE(shown.startsWith(whole.left(4))) << shown.toStdString();
    }
    EXPECT_TRUE(shown.endsWith(whole.right(mode == Qt::ElideMiddle ? 6 : 3))) << shown.toStdString();
    EXPECT_LE(panel.fontMetrics().horizontalAdvance(shown), panel.contentsRect().width());
    EXPECT_EQ(panel.toolTip().toStdString(), whole.toStdString());
}

// The desktop's font for a test's length.
class TAppFont {
public:
    explicit TAppFont(const QFont& font) : before_(QApplication::font()) { QApplication::setFont(font); }
    ~TAppFont() { QApplication::setFont(before_); }

private:
    QFont before_;
};

// A file name has no length the window could follow, and the number panels' texts in a large
// font may be more than the screen holds. On an 800- and a 1024-wide screen, in the desktop's
// font and in one half as large again, the window keeps its size where the number panels'
// texts fit it and grows no wider than the screen Qt shows it on where they do not. The name's
// panel keeps its least width and more where the window has room, and what does not fit is
// the middle of the name; a number that does not fit loses the start of its text, never the
// figure at its end. A screen too narrow even for the panels' least widths (640) still holds
// the window.
TEST_F(FormDefaults, AProjectNameOfAnyLengthKeepsTheWindowOnTheScreen)
{
    std::string longest; // 200 characters
    for (int i = 1; longest.size() < 196; ++i)
        longest += "frame " + std::to_string(i) + " ";
    longest.resize(196);
    longest += ".mcp";
    const std::string names[] = {
        "walk.mcp",
        "Новогодний мультфильм для бабушки и дедушки, версия вторая, окончательная.mcp",
        longest,
    };
    const QFont desktopFont = QApplication::font();
    const struct {
        int ScreenWidth;
        double FontScale;
        bool NumbersFit; // in the window at the size it starts with
        bool LeastWidthsFit;
    } cases[] = {{800, 1, true, true},     {1024, 1, true, true}, {800, 1.5, false, true},
                 {1024, 1.5, true, true}, {640, 1, false, false}};
    const int leastWidths[] = {200, 45, 120, 140, 120};
    for (const auto& c : cases) {
        QFont font = desktopFont;
        font.setPointSizeF(desktopFont.pointSizeF() * c.FontScale);
        const TAppFont appFont(font);
        UseScreen(c.ScreenWidth, 600, 24);
        // A window just short of the size that starts it maximised.
        const int width = c.ScreenWidth - 50;
        WriteKey({"\"Width\"=dword:" + QString::number(width, 16).rightJustified(8, '0').toStdString(),
                  "\"Height\"=dword:000001f4"});
        TAVIForm& f = MakeForm();
        f.show();
        LayOut();
        ASSERT_EQ(f.windowState(), Qt::WindowNoState);
        const int screenWidth = f.screen()->availableGeometry().width();
        ASSERT_EQ(screenWidth, c.ScreenWidth);
        // The number panels as a GIF project of three frames fills them.
        f.StatusBar1->SetPanelText(1, "GIF");
        f.StatusBar1->SetPanelText(2, "Размер: 640 x 480");
        f.StatusBar1->SetPanelText(3, TotalTimeText(1500, ","));
        f.StatusBar1->SetPanelText(4, FrameCountText(3));
        for (const std::string& name : names) {
            SCOPED_TRACE(name.substr(0, 20) + "… on " + std::to_string(c.ScreenWidth) + " at " +
                         std::to_string(font.pointSizeF()) + " pt");
            f.StatusBar1->SetPanelText(0, name);
            LayOut();
            EXPECT_LE(f.OuterWidth(), screenWidth);
            EXPECT_EQ(f.OuterWidth(), c.NumbersFit ? width : screenWidth);
            EXPECT_EQ(f.StatusBar1->PanelText(0), name);
            const QLabel& panel = *f.StatusBar1->Panel(0);
            const QString shown = QString::fromStdString(f.StatusBar1->PanelShownText(0));
            if (c.LeastWidthsFit) {
                EXPECT_GE(panel.width(), leastWidths[0]);
            }
            if (panel.width() >= panel.sizeHint().width()) {
                EXPECT_EQ(shown.toStdString(), name);
            }
            if (shown.toStdString() == name) {
                EXPECT_TRUE(ShowsWholeText(panel));
                EXPECT_EQ(panel.toolTip().toStdString(), "");
            } else {
                // The window's room went to the numbers first, then to the name: up to the
                // panels after it, past its least width where the numbers leave room.
                if (c.NumbersFit) {
                    EXPECT_GT(panel.width(), leastWidths[0]);
                }
                ExpectCut(panel, shown, Qt::ElideMiddle);
            }
            int cut = 0;
            for (int i = 1; i < 5; ++i) {
                SCOPED_TRACE("panel " + std::to_string(i));
                const QLabel& number = *f.StatusBar1->Panel(i);
                const QString numberShown = QString::fromStdString(f.StatusBar1->PanelShownText(i));
                if (number.width() >= number.sizeHint().width()) {
                    EXPECT_EQ(numberShown, number.text());
                }
                if (numberShown == number.text()) {
                    if (i > 1) { // (the type, centred, is three letters)
                        EXPECT_TRUE(ShowsWholeText(number));
                    }
                    EXPECT_EQ(number.toolTip().toStdString(), "");
                } else {
                    ++cut;
                    if (c.LeastWidthsFit) {
                        EXPECT_GE(number.width(), leastWidths[i]);
                    }
                    ExpectCut(number, numberShown, Qt::ElideLeft);
                }
            }
            EXPECT_EQ(cut > 0, !c.NumbersFit);
        }
        f.hide();
    }
}

} // namespace
