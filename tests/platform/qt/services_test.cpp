#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEvent>
#include <QObject>

#include "platform/exceptions.h"
#include "platform/qt/services.h"
#include "support/qt/application.h"
#include "support/qt/fake_desktop.h"

namespace {

class TThrowingObject : public QObject {
public:
    bool event(QEvent* e) override
    {
        if (e->type() == QEvent::User)
            throw EInvalidGraphic("Bitmap image is not valid");
        return QObject::event(e);
    }
};

TEST(ExceptionDisplay, AnExceptionLeavingAHandlerIsShownAndDeliveryGoesOn)
{
    EnsureApplication();
    TFakeDesktop desktop;
    TThrowingObject target;
    QEvent event(QEvent::User);
    EXPECT_FALSE(QCoreApplication::sendEvent(&target, &event));
    ASSERT_EQ(desktop.MessageBoxes.Asked.size(), 1u);
    EXPECT_EQ(desktop.MessageBoxes.Asked[0].Text, "Bitmap image is not valid");
    EXPECT_EQ(desktop.MessageBoxes.Asked[0].Caption, "Kelvo");
    EXPECT_EQ(desktop.MessageBoxes.Asked[0].Flags, MB_OK | MB_ICONERROR);
}

TEST(DialogFilter, SplitsIntoDescriptionPatternPairs)
{
    const auto pairs = SplitDialogFilter("Audio/Video Interleaved file(*.avi)|*.avi|Animated GIF(*.gif)|*.gif");
    ASSERT_EQ(pairs.size(), 2u);
    EXPECT_EQ(pairs[1].first, "Animated GIF(*.gif)");
    EXPECT_EQ(pairs[1].second, "*.gif");
    EXPECT_TRUE(SplitDialogFilter("").empty());
    EXPECT_EQ(SplitDialogFilter("a|b|c").size(), 1u);
}

TEST(Processes, AProcessThatIsNotOursIsLeftAlone)
{
    DWORD code = 12345;
    EXPECT_FALSE(Processes().QueryExitCode(0, code));
    EXPECT_FALSE(Processes().QueryExitCode(1, code)) << "init is no child of ours";
    EXPECT_FALSE(Processes().Terminate(1, 0));
    EXPECT_EQ(code, 12345u);
}

} // namespace
