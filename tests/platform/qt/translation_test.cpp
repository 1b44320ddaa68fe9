// Qt's own texts in Russian, and a folder that does not hold the translation.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCoreApplication>
#include <QMessageBox>
#include <QTranslator>

#include "platform/qt/translation.h"
#include "support/paths.h"
#include "support/qt/application.h"

namespace {

QString YesText()
{
    QMessageBox box;
    box.setStandardButtons(QMessageBox::Yes);
    return box.button(QMessageBox::Yes)->text().remove('&');
}

// The translations installed while it lives are taken away again at its end, so that the
// tests after it find Qt as they would have.
class TInstalledTranslations {
public:
    TInstalledTranslations() : before_(Translators()) {}
    ~TInstalledTranslations()
    {
        for (QTranslator* translator : Translators())
            if (!before_.contains(translator)) {
                QCoreApplication::removeTranslator(translator);
                delete translator;
            }
    }

private:
    static QList<QTranslator*> Translators()
    {
        return QCoreApplication::instance()->findChildren<QTranslator*>(Qt::FindDirectChildrenOnly);
    }
    QList<QTranslator*> before_;
};

// Without Qt's Russian translation at hand the program starts all the same, in Qt's English;
// and a folder without it takes nothing away from a translation already in use.
TEST(QtTranslation, AFolderWithoutItLeavesQtsTextsAsTheyWere)
{
    EnsureApplication();
    kelvo::test::TTempDir empty;
    const QString folder = QString::fromStdString(empty.Path().string());
    {
        const TInstalledTranslations installed;
        EXPECT_FALSE(InstallQtTranslation(folder));
        EXPECT_EQ(YesText().toStdString(), "Yes");

        {
            const TQtInRussian probe;
            if (!probe.Loaded())
                GTEST_SKIP() << "Qt's Russian translation is not installed";
        }
        ASSERT_TRUE(InstallQtTranslation());
        ASSERT_EQ(YesText().toStdString(), "Да");
        for (const QString& without : {folder, folder + "/missing"}) {
            SCOPED_TRACE(without.toStdString());
            EXPECT_FALSE(InstallQtTranslation(without));
            EXPECT_EQ(YesText().toStdString(), "Да");
        }
    }
    EXPECT_EQ(YesText().toStdString(), "Yes");
}

} // namespace
