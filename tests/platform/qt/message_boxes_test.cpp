// Message boxes: the real box's title, the exception display, and the double's answers and
// strictness.
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <QApplication>
#include <QEvent>
#include <QFontMetrics>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <new>

#include "platform/exceptions.h"
#include "platform/qt/message_boxes.h"
#include "support/qt/application.h"
#include "support/qt/fake_desktop.h"

namespace {

TEST(QtMessageBoxes, TheWindowTitleIsTheCaptionAndNothingElse)
{
    EnsureApplication();
    const struct {
        const char* caption;
        UINT flags;
        int escape; // what closing the box answers
    } cases[] = {
        {"Информация", MB_YESNOCANCEL, IDCANCEL},
        {"Ошибка", MB_OK | MB_ICONERROR, IDOK},
        {"Kelvo", MB_YESNO, IDNO},
    };
    for (const auto& c : cases) {
        QString title = "(no box)";
        QTimer::singleShot(0, [&title] {
            if (QWidget* box = QApplication::activeModalWidget()) {
                title = box->windowTitle();
                box->close();
            }
        });
        EXPECT_EQ(MessageBox("Сохранить изменения в проекте?", c.caption, c.flags), c.escape) << c.caption;
        EXPECT_EQ(title.toStdString(), c.caption);
    }
    // The window system appends a display name, once one is set, to every title it shows; the
    // name follows the application name exactly while none is set.
    const QString name = QCoreApplication::applicationName();
    QCoreApplication::setApplicationName("title-probe");
    EXPECT_EQ(QGuiApplication::applicationDisplayName().toStdString(), "title-probe");
    QCoreApplication::setApplicationName(name);
}

// A box is as wide as its caption needs, with room for the title bar's buttons beside it: a
// desktop cuts a caption wider than the window to "…", and "Это не GIF." alone is narrower
// than "Ошибка" in the title bar's bold face.
TEST(QtMessageBoxes, TheBoxIsWideEnoughForItsCaption)
{
    EnsureApplication();
    for (const char* caption : {"Ошибка", "Информация", "Сохранить в AVI или GIF файл"}) {
        int width = 0;
        QTimer::singleShot(0, [&width] {
            if (QWidget* box = QApplication::activeModalWidget()) {
                width = box->width();
                box->close();
            }
        });
        MessageBox("Это не GIF.", caption, MB_OK);
        QFont bold = QApplication::font();
        bold.setBold(true);
        EXPECT_GE(width, QFontMetrics(bold).horizontalAdvance(QString::fromUtf8(caption)) + 120) << caption;
    }
}

TEST(FakeMessageBoxes, AnswerInOrderThenAsEnterWouldAndRecordWhatWasAsked)
{
    TFakeMessageBoxes boxes;
    boxes.Answers = {IDNO};
    EXPECT_EQ(boxes.Show("a", "b", MB_YESNOCANCEL), IDNO);
    EXPECT_EQ(boxes.Show("c", "d", MB_YESNOCANCEL | MB_ICONQUESTION), IDYES);
    EXPECT_EQ(boxes.Show("e", "f", MB_OK), IDOK);
    ASSERT_EQ(boxes.Asked.size(), 3u);
    EXPECT_EQ(boxes.Asked[1].Flags & MB_ICONMASK, MB_ICONQUESTION);
}

class TThrowingObject : public QObject {
public:
    explicit TThrowingObject(std::function<void()> raise) : raise_(std::move(raise)) {}
    bool event(QEvent* e) override
    {
        if (e->type() == QEvent::User)
            raise_();
        return QObject::event(e);
    }

private:
    std::function<void()> raise_;
};

// Memory that ran out is told in the class library's words, not the C++ library's.
TEST(ExceptionDisplay, AnExceptionLeavingAHandlerIsShownAndDeliveryGoesOn)
{
    EnsureApplication();
    const struct {
        std::function<void()> raise;
        const char* text;
    } cases[] = {
        {[] { throw EInvalidGraphic("Bitmap image is not valid"); }, "Bitmap image is not valid"},
        {[] { throw std::bad_alloc(); }, "Out of memory"},
    };
    for (const auto& c : cases) {
        TFakeDesktop desktop;
        TThrowingObject target(c.raise);
        QEvent event(QEvent::User);
        EXPECT_FALSE(QCoreApplication::sendEvent(&target, &event));
        ASSERT_EQ(desktop.MessageBoxes.Asked.size(), 1u);
        EXPECT_EQ(desktop.MessageBoxes.Asked[0].Text, c.text);
        EXPECT_EQ(desktop.MessageBoxes.Asked[0].Caption, "Kelvo");
        EXPECT_EQ(desktop.MessageBoxes.Asked[0].Flags, MB_OK | MB_ICONERROR);
    }
}

TEST(FakeMessageBoxes, ShowMessageIsAnOkBoxUnderTheApplicationTitle)
{
    EnsureApplication();
    TFakeDesktop desktop;
    ShowMessage("AVIERR_USERABORT");
    ASSERT_EQ(desktop.MessageBoxes.Asked.size(), 1u);
    EXPECT_EQ(desktop.MessageBoxes.Asked[0].Caption, "Kelvo");
    EXPECT_EQ(desktop.MessageBoxes.Asked[0].Text, "AVIERR_USERABORT");
    EXPECT_EQ(desktop.MessageBoxes.Asked[0].Flags, MB_OK);
}

TEST(FakeMessageBoxes, StrictFailsOnABoxNobodyScripted)
{
    TFakeDesktop desktop;
    desktop.SetStrict(true);
    desktop.MessageBoxes.Answers = {IDNO};
    EXPECT_EQ(MessageBox("Сохранить изменения в проекте?", "Информация", MB_YESNOCANCEL), IDNO);
    EXPECT_NONFATAL_FAILURE(MessageBox("Это не PNG.", "Ошибка", MB_OK), "unscripted message box \"Ошибка\"");
}

} // namespace
