#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEvent>
#include <QObject>

#include "form_fixture.h"
#include "platform/exceptions.h"
#include "platform/qt/file_dialogs.h"
#include "platform/qt/services.h"

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
    TScriptedMessageBoxes boxes;
    SetMessageBoxes(&boxes);
    TThrowingObject target;
    QEvent event(QEvent::User);
    EXPECT_FALSE(QCoreApplication::sendEvent(&target, &event));
    SetMessageBoxes(nullptr);
    ASSERT_EQ(boxes.Asked.size(), 1u);
    EXPECT_EQ(boxes.Asked[0].Text, "Bitmap image is not valid");
    EXPECT_EQ(boxes.Asked[0].Caption, "Kelvo");
    EXPECT_EQ(boxes.Asked[0].Flags, MB_OK | MB_ICONERROR);
}

TEST(ScriptedServices, AnswerInOrderThenAsEnterWouldAndRecordWhatWasAsked)
{
    TScriptedMessageBoxes boxes;
    boxes.Answers = {IDNO};
    EXPECT_EQ(boxes.Show("a", "b", MB_YESNOCANCEL), IDNO);
    EXPECT_EQ(boxes.Show("c", "d", MB_YESNOCANCEL | MB_ICONQUESTION), IDYES);
    EXPECT_EQ(boxes.Show("e", "f", MB_OK), IDOK);
    ASSERT_EQ(boxes.Asked.size(), 3u);
    EXPECT_EQ(boxes.Asked[1].Flags & MB_ICONMASK, MB_ICONQUESTION);

    TScriptedFileDialogs dialogs;
    SetFileDialogs(&dialogs);
    dialogs.Answers = {std::string("/tmp/x.mcp")};
    TSaveDialog save;
    save.Title = "T";
    EXPECT_TRUE(save.Execute());
    EXPECT_EQ(save.FileName, "/tmp/x.mcp");
    EXPECT_FALSE(save.Execute()) << "script used up: cancel";
    EXPECT_EQ(save.FileName, "/tmp/x.mcp");
    EXPECT_EQ(dialogs.Titles, (std::vector<std::string>{"T", "T"}));
    SetFileDialogs(nullptr);
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
