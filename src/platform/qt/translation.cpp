#include "platform/qt/translation.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

bool InstallQtTranslation(const QString& folder)
{
    // Owned by the application object, which outlives every window that reads from it.
    auto* translator = new QTranslator(QCoreApplication::instance());
    if (!translator->load(QStringLiteral("qtbase_ru"), folder)) {
        delete translator;
        return false;
    }
    return QCoreApplication::installTranslator(translator);
}

bool InstallQtTranslation() { return InstallQtTranslation(QLibraryInfo::path(QLibraryInfo::TranslationsPath)); }
