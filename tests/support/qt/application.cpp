#include "support/qt/application.h"

#include "platform/qt/application.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include <QDir>
#include <QLibraryInfo>
#include <QSettings>

void EnsureApplication()
{
    if (QCoreApplication::instance())
        return;
    static int argc = 1;
    static char name[] = "kelvo_tests";
    static char* argv[] = {name, nullptr};
    auto* app = new TApplication(argc, argv);
    app->SetTitle("Kelvo");
    app->setQuitOnLastWindowClosed(false);
    // Qt's own dialogs keep their state (folders visited, column widths) in the user's
    // settings: a test run would otherwise fill the developer's file dialogs with its temporary
    // folders and read back whatever state the last run left there.
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, TestQtSettingsFolder());
}

QString TestQtSettingsFolder()
{
    static const QString folder = [] {
        const QString path =
            QDir::tempPath() + "/kelvo-test-qt-settings-" + QString::number(QCoreApplication::applicationPid());
        QDir(path).removeRecursively();
        QDir().mkpath(path);
        // Plain strings and no Qt at exit: Qt's and this file's statics may be gone by then.
        static char removeAtExit[4096] = {};
        std::snprintf(removeAtExit, sizeof removeAtExit, "%s", path.toLocal8Bit().constData());
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(removeAtExit, ignored);
        });
        return path;
    }();
    return folder;
}

TQtInRussian::TQtInRussian()
{
    EnsureApplication();
    loaded_ = translator_.load(QStringLiteral("qtbase_ru"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)) &&
              QCoreApplication::installTranslator(&translator_);
}

TQtInRussian::~TQtInRussian()
{
    if (loaded_)
        QCoreApplication::removeTranslator(&translator_);
}
