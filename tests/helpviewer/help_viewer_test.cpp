// The help viewer as the help command starts it.
#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>
#include <QTextBrowser>

#include <memory>

#include "helpviewer/help_viewer.h"
#include "support/qt/application.h"

namespace {

QStringList MenuTexts(QTextBrowser& browser)
{
    const std::unique_ptr<QMenu> menu(browser.createStandardContextMenu());
    QStringList texts;
    for (const QAction* action : menu->actions())
        if (!action->isSeparator())
            texts << action->text().remove('&').section('\t', 0, 0);
    return texts;
}

// On the program's pages, and with the texts Qt shows of its own in Russian, as the program
// has them: the viewer is a program of its own, and nothing else gives it the translation.
TEST(HelpViewer, ShowsTheHelpPagesWithQtsOwnTextsInRussian)
{
    EnsureApplication();
    {
        const TQtInRussian probe;
        if (!probe.Loaded())
            GTEST_SKIP() << "Qt's Russian translation is not installed";
    }
    const QString pages = QStringLiteral(KELVO_SOURCE_DIR "/resources/help");
    QTextBrowser before;
    ASSERT_TRUE(MenuTexts(before).contains("Select All"));

    const std::unique_ptr<QMainWindow> window = StartHelpViewer({"kelvo-help", pages});
    auto* browser = window->findChild<QTextBrowser*>();
    ASSERT_TRUE(browser);
    EXPECT_EQ(browser->source().toLocalFile().toStdString(), (pages + "/index.html").toStdString());
    const QStringList texts = MenuTexts(*browser);
    EXPECT_FALSE(texts.contains("Select All")) << texts.join(", ").toStdString();
    EXPECT_TRUE(texts.contains("Выделить всё")) << texts.join(", ").toStdString();
}

} // namespace
