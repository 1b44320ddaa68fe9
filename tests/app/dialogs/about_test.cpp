#include "app/dialogs/about.h"

#include <QCoreApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>

#include "platform/qt/controls.h"

#include <gtest/gtest.h>

#include "support/qt/application.h"
#include "support/qt/fake_desktop.h"
#include "support/qt/clicks.h"

TEST(AboutForm, LinksOpenThePageWithItsQueryAndAMail)
{
    EnsureApplication();
    TFakeDesktop desktop;
    TAboutForm about;
    about.show();
    ClickMiddle(about.Label4);
    ClickMiddle(about.Label5);
    ASSERT_EQ(desktop.Shell.Opened.size(), 2u);
    EXPECT_EQ(desktop.Shell.Opened[0].Verb, "open");
    EXPECT_EQ(desktop.Shell.Opened[0].Target, std::string(ProductWebAddress) + "?aboutkelvo");
    EXPECT_EQ(desktop.Shell.Opened[1].Target, std::string("mailto:") + SupportEmailAddress);
    EXPECT_EQ(about.Label4->text().toStdString(), ProductWebAddress);
    EXPECT_EQ(about.Label5->text().toStdString(), SupportEmailAddress);
}

TEST(AboutForm, LayoutAsTheBoxIsDrawn)
{
    EnsureApplication();
    TAboutForm about;
    EXPECT_EQ(about.windowTitle().toStdString(), "О программе");
    EXPECT_EQ(about.size(), QSize(402, 199));
    EXPECT_EQ(about.Label3->text().toStdString(), "(v. 1.9)");
    // The version is centred under the product picture.
    EXPECT_EQ(about.Label3->x(), about.Image1->x() + (about.Image1->width() - about.Label3->width()) / 2);
    EXPECT_TRUE(about.Button1->isDefault());
    EXPECT_EQ(about.Button1->text().toStdString(), "OK");
    for (QLabel* label : {about.Label1, about.Label2, about.Label4, about.Label5})
        EXPECT_LE(label->geometry().right(), about.Panel1->width()) << label->objectName().toStdString();
}
