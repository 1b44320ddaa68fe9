// The colour and font choosers: what Execute keeps, through the double and through Qt's own.
#include <gtest/gtest.h>

#include <QApplication>
#include <QColorDialog>
#include <QFontDialog>
#include <QTimer>

#include "platform/qt/choose_dialogs.h"
#include "support/qt/application.h"
#include "support/qt/fake_desktop.h"

namespace {

TEST(FakeChooseDialogs, AnswerAChoiceOrCancelAndRecordTheStart)
{
    TFakeDesktop desktop;
    TColorDialog colour;
    colour.Color = clWhite;
    desktop.ChooseDialogs.Colors = {RGB(1, 2, 3), std::nullopt};
    EXPECT_TRUE(colour.Execute());
    EXPECT_EQ(colour.Color, RGB(1, 2, 3));
    EXPECT_FALSE(colour.Execute());
    EXPECT_EQ(colour.Color, RGB(1, 2, 3)) << "a cancel keeps the colour";
    EXPECT_EQ(desktop.ChooseDialogs.ColorsShown, (std::vector<TColor>{clWhite, RGB(1, 2, 3)}));

    TFontDialog font;
    TFont chosen;
    chosen.Name = "Serif";
    chosen.Size = 20;
    desktop.ChooseDialogs.Fonts = {chosen};
    EXPECT_TRUE(font.Execute());
    EXPECT_EQ(font.Font.Name, "Serif");
    EXPECT_FALSE(font.Execute());
    EXPECT_EQ(font.Font.Size, 20);
}

TEST(QtChooseDialogs, TheChoiceOfQtsOwnChoosersComesBack)
{
    EnsureApplication();
    TColorDialog colour;
    colour.Color = RGB(10, 20, 30);
    QTimer::singleShot(0, [] {
        auto* box = qobject_cast<QColorDialog*>(QApplication::activeModalWidget());
        ASSERT_TRUE(box);
        EXPECT_EQ(box->currentColor(), QColor(10, 20, 30));
        box->setCurrentColor(QColor(200, 100, 50));
        box->accept();
    });
    EXPECT_TRUE(colour.Execute());
    EXPECT_EQ(colour.Color, RGB(200, 100, 50));

    TFontDialog font;
    font.Font.Size = 12;
    font.Font.Color = RGB(255, 0, 0);
    font.Font.Style = {fsBold};
    QTimer::singleShot(0, [] {
        auto* box = qobject_cast<QFontDialog*>(QApplication::activeModalWidget());
        ASSERT_TRUE(box);
        EXPECT_EQ(box->currentFont().pointSize(), 12);
        QFont f = box->currentFont();
        f.setPointSize(18);
        f.setUnderline(true);
        box->setCurrentFont(f);
        box->accept();
    });
    EXPECT_TRUE(font.Execute());
    EXPECT_EQ(font.Font.Size, 18);
    EXPECT_EQ(font.Font.Style, (TFontStyles{fsBold, fsUnderline}));
    EXPECT_EQ(font.Font.Color, RGB(255, 0, 0)) << "Qt's chooser has no colour: the font keeps its own";
}

TEST(QtChooseDialogs, AFontAcceptedAsItCameKeepsItsStyle)
{
    // The text frames' font: the default family, which the desktop knows only by an alias, and
    // Qt in Russian, as the program runs it (Qt then names the faces it looks for in Russian).
    const TQtInRussian russian;
    if (!russian.Loaded())
        GTEST_SKIP() << "Qt's Russian translation is not installed";
    TFontDialog font;
    font.Font.Size = 12;
    font.Font.Style = {fsBold};
    QTimer::singleShot(0, [] {
        auto* box = qobject_cast<QFontDialog*>(QApplication::activeModalWidget());
        ASSERT_TRUE(box);
        box->accept();
    });
    ASSERT_TRUE(font.Execute());
    EXPECT_EQ(font.Font.Style, (TFontStyles{fsBold}));
    EXPECT_EQ(font.Font.Size, 12);
}

} // namespace
