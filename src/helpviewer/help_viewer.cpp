#include "helpviewer/help_viewer.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QStyle>
#include <QTextBrowser>
#include <QToolBar>
#include <QUrl>

#include "platform/qt/translation.h"

namespace {

// The first page of the help: index.html of a folder, or the file itself.
QString StartPage(const QString& helpFile)
{
    const QFileInfo info(helpFile);
    if (info.isDir())
        return QDir(helpFile).filePath("index.html");
    return helpFile;
}

} // namespace

std::unique_ptr<QMainWindow> StartHelpViewer(const QStringList& arguments)
{
    // The pages are Russian, and so are the few texts Qt shows of its own (the browser's menu).
    InstallQtTranslation();

    auto window = std::make_unique<QMainWindow>();
    window->setWindowTitle("Kelvo — Справка");
    window->resize(760, 560);

    auto* browser = new QTextBrowser(window.get());
    browser->setOpenExternalLinks(true);
    window->setCentralWidget(browser);

    auto* bar = window->addToolBar("Переходы");
    bar->setMovable(false);
    bar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    QStyle* style = window->style();
    QAction* back = bar->addAction(style->standardIcon(QStyle::SP_ArrowBack), "Назад", browser,
                                   &QTextBrowser::backward);
    QAction* forward = bar->addAction(style->standardIcon(QStyle::SP_ArrowForward), "Вперёд", browser,
                                      &QTextBrowser::forward);
    bar->addAction(style->standardIcon(QStyle::SP_DirHomeIcon), "Содержание", browser, &QTextBrowser::home);
    back->setEnabled(false);
    forward->setEnabled(false);
    QObject::connect(browser, &QTextBrowser::backwardAvailable, back, &QAction::setEnabled);
    QObject::connect(browser, &QTextBrowser::forwardAvailable, forward, &QAction::setEnabled);
    QMainWindow* shown = window.get();
    QObject::connect(browser, &QTextBrowser::sourceChanged, shown, [shown, browser] {
        const QString title = browser->documentTitle();
        shown->setWindowTitle(title.isEmpty() ? "Kelvo — Справка" : "Kelvo — Справка: " + title);
    });

    const QString page = arguments.size() > 1 ? StartPage(arguments.at(1)) : QString();
    if (!page.isEmpty() && QFileInfo(page).isFile()) {
        browser->setSource(QUrl::fromLocalFile(QFileInfo(page).absoluteFilePath()));
    } else {
        const QString named = arguments.size() > 1 ? arguments.at(1).toHtmlEscaped() : "(не указан)";
        browser->setHtml("<h2>Справка не найдена</h2><p>Файл справки " + named +
                         " отсутствует. Переустановите программу Kelvo.</p>");
    }
    return window;
}
