// kelvo-help: the program's help viewer. Kelvo starts it with the help file as its one
// argument; the help file is a folder of HTML pages beginning with index.html (or a single
// page). It stays open on its own until the user closes it or Kelvo ends it at close.
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QMainWindow>
#include <QStyle>
#include <QTextBrowser>
#include <QToolBar>
#include <QUrl>

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

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    application.setApplicationName("kelvo-help");

    QMainWindow window;
    window.setWindowTitle("Kelvo — Справка");
    window.resize(760, 560);

    auto* browser = new QTextBrowser(&window);
    browser->setOpenExternalLinks(true);
    window.setCentralWidget(browser);

    auto* bar = window.addToolBar("Переходы");
    bar->setMovable(false);
    bar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    QStyle* style = window.style();
    QAction* back = bar->addAction(style->standardIcon(QStyle::SP_ArrowBack), "Назад", browser,
                                   &QTextBrowser::backward);
    QAction* forward = bar->addAction(style->standardIcon(QStyle::SP_ArrowForward), "Вперёд", browser,
                                      &QTextBrowser::forward);
    bar->addAction(style->standardIcon(QStyle::SP_DirHomeIcon), "Содержание", browser, &QTextBrowser::home);
    back->setEnabled(false);
    forward->setEnabled(false);
    QObject::connect(browser, &QTextBrowser::backwardAvailable, back, &QAction::setEnabled);
    QObject::connect(browser, &QTextBrowser::forwardAvailable, forward, &QAction::setEnabled);
    QObject::connect(browser, &QTextBrowser::sourceChanged, &window, [&window, browser] {
        const QString title = browser->documentTitle();
        window.setWindowTitle(title.isEmpty() ? "Kelvo — Справка" : "Kelvo — Справка: " + title);
    });

    const QStringList arguments = application.arguments();
    const QString page = arguments.size() > 1 ? StartPage(arguments.at(1)) : QString();
    if (!page.isEmpty() && QFileInfo(page).isFile()) {
        browser->setSource(QUrl::fromLocalFile(QFileInfo(page).absoluteFilePath()));
    } else {
        const QString shown = arguments.size() > 1 ? arguments.at(1).toHtmlEscaped() : "(не указан)";
        browser->setHtml("<h2>Справка не найдена</h2><p>Файл справки " + shown +
                         " отсутствует. Переустановите программу Kelvo.</p>");
    }

    window.show();
    return application.exec();
}
