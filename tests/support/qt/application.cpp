#include "support/qt/application.h"

#include "platform/qt/application.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include <QDir>
#include <QLibraryInfo>
#include <QSettings>

#ifdef __SANITIZE_THREAD__
#include <QThreadPool>

#include <latch>
#include <memory>

extern "C" void AnnotateIgnoreReadsBegin(const char* file, int line);
extern "C" void AnnotateIgnoreWritesBegin(const char* file, int line);

namespace {

// Qt Gui paints and converts large areas in slices on Qt's global thread pool. Its threads
// run only Qt's code and take their work through Qt's own locks, which ThreadSanitizer cannot
// see (Qt is not built with it), so every slice shows as a race with the thread that queued
// it; and the functions involved have no names in Qt's stripped libraries, so that no
// suppression could single them out short of naming the whole library, which would hide
// Qt's copies of our memory on our own threads too. Instead the pool's threads are all made
// here, before Qt slices anything, and what they read and write goes unchecked; every other
// thread stays checked with all it does, Qt's code included. They never expire, and the
// application object is never deleted, so they never end: a thread that ended with its
// accesses unchecked would fail the run.
void LeaveQtPoolThreadsUnchecked()
{
    QThreadPool& pool = *QThreadPool::globalInstance();
    pool.setExpiryTimeout(-1);
    const int threads = pool.maxThreadCount();
    // Each task holds its thread until all have started, so that each has a thread of its own.
    auto started = std::make_shared<std::latch>(threads + 1);
    for (int i = 0; i < threads; ++i)
        pool.start([started] {
            AnnotateIgnoreReadsBegin(__FILE__, __LINE__);
            AnnotateIgnoreWritesBegin(__FILE__, __LINE__);
            started->arrive_and_wait();
        });
    started->arrive_and_wait();
}

} // namespace
#endif

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
#ifdef __SANITIZE_THREAD__
    LeaveQtPoolThreadsUnchecked();
#endif
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
