// The main window's status bar: the number panels show their whole texts, and the project's
// file name, of any length, never takes the window past the screen.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QLabel>

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
    // The window as small as it can be: the texts must show whole all the same.
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

// A file name has no length the window could follow: on an 800- and a 1024-wide screen the
// window keeps its size, the name's panel its least width and more where the window has room,
// and what does not fit is the middle of the name.
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
    for (const int screenWidth : {800, 1024}) {
        UseScreen(screenWidth, 600, 24);
        // A window just short of the size that starts it maximised.
        const int width = screenWidth - 50;
        WriteKey({"\"Width\"=dword:" + QString::number(width, 16).rightJustified(8, '0').toStdString(),
                  "\"Height\"=dword:000001f4"});
        TAVIForm& f = MakeForm();
        f.show();
        LayOut();
        ASSERT_EQ(f.windowState(), Qt::WindowNoState);
        // The number panels as a GIF project of three frames fills them.
        f.StatusBar1->SetPanelText(1, "GIF");
        f.StatusBar1->SetPanelText(2, "Размер: 640 x 480");
        f.StatusBar1->SetPanelText(3, TotalTimeText(1500, ","));
        f.StatusBar1->SetPanelText(4, FrameCountText(3));
        for (const std::string& name : names) {
            SCOPED_TRACE(name.substr(0, 20) + "… on " + std::to_string(screenWidth));
            f.StatusBar1->SetPanelText(0, name);
            LayOut();
            EXPECT_EQ(f.OuterWidth(), width);
            EXPECT_EQ(f.StatusBar1->PanelText(0), name);
            const QLabel& panel = *f.StatusBar1->Panel(0);
            const QString shown = QString::fromStdString(f.StatusBar1->PanelShownText(0));
            EXPECT_GE(panel.width(), 200);
            if (panel.width() >= panel.sizeHint().width()) {
                EXPECT_EQ(shown.toStdString(), name);
                EXPECT_TRUE(ShowsWholeText(panel));
            } else {
                // The window's room went to the name: past its least width, up to the panels after it.
                EXPECT_GT(panel.width(), 200);
                EXPECT_TRUE(shown.contains(QChar(0x2026))) << shown.toStdString();
                const QString whole = QString::fromStdString(name);
                EXPECT_TRUE(shown.startsWith(whole.left(4)));
                EXPECT_TRUE(shown.endsWith(whole.right(6)));
                EXPECT_LE(panel.fontMetrics().horizontalAdvance(shown), panel.contentsRect().width());
            }
            for (int i = 2; i < 5; ++i) // (the type, centred, is three letters)
                EXPECT_TRUE(ShowsWholeText(*f.StatusBar1->Panel(i))) << "panel " << i;
        }
        f.hide();
    }
}

} // namespace
