// Modal dialogs: the real event loop's results and the double that answers for the user.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>

#include <memory>
#include <vector>

#include "platform/qt/modal.h"
#include "support/failures.h"
#include "support/qt/application.h"
#include "support/qt/fake_desktop.h"

namespace {

// A dialog in the program's manner: it reads its value when shown, applies it only on OK.
class TNameForm : public QDialog {
public:
    explicit TNameForm(std::string& target) : target_(target)
    {
        Edit1 = new QLineEdit(this);
        Button1 = new QPushButton("OK", this);
        Button2 = new QPushButton("Отмена", this);
        connect(Button1, &QPushButton::clicked, this, [this] {
            target_ = Edit1->text().toStdString();
            done(mrOk);
        });
        connect(Button2, &QPushButton::clicked, this, &QDialog::reject);
    }
    QLineEdit* Edit1;
    QPushButton* Button1;
    QPushButton* Button2;
    int Shows = 0;

protected:
    void showEvent(QShowEvent* event) override
    {
        ++Shows;
        Edit1->setText(QString::fromStdString(target_));
        QDialog::showEvent(event);
    }

private:
    std::string& target_;
};

class ModalDialogs : public ::testing::Test {
protected:
    static void SetUpTestSuite() { EnsureApplication(); }
};

TEST_F(ModalDialogs, TheDoubleShowsTheDialogAndPressesWhatTheTestSays)
{
    TFakeDesktop desktop;
    std::string value = "old";
    desktop.ModalDialogs.Answer<TNameForm>([](TNameForm& form) {
        EXPECT_EQ(form.Edit1->text(), "old") << "the show handler ran first";
        form.Edit1->setText("new");
        form.Button1->click();
    });
    desktop.ModalDialogs.Answer<TNameForm>([](TNameForm& form) {
        form.Edit1->setText("lost");
        form.Button2->click();
    });

    auto form = std::make_unique<TNameForm>(value);
    form->setWindowTitle("Имя");
    EXPECT_EQ(ShowModal(*form), mrOk);
    EXPECT_EQ(value, "new");
    EXPECT_EQ(ShowModal(*form), mrCancel);
    EXPECT_EQ(value, "new") << "Cancel applies nothing";
    EXPECT_EQ(form->Shows, 2);
    EXPECT_FALSE(form->isVisible());
    ASSERT_EQ(desktop.ModalDialogs.Shown.size(), 2u);
    EXPECT_EQ(desktop.ModalDialogs.Shown[0].Title, "Имя");
    EXPECT_EQ(desktop.ModalDialogs.Shown[0].Result, mrOk);
    EXPECT_EQ(desktop.ModalDialogs.Shown[1].Result, mrCancel);
}

TEST_F(ModalDialogs, AnUnansweredOrMistypedDialogEndsAsEscWouldAndFailsWhenStrict)
{
    TFakeDesktop desktop;
    std::string value = "kept";
    TNameForm form(value);
    EXPECT_EQ(ShowModal(form), mrCancel);
    EXPECT_FALSE(form.isVisible());

    desktop.ModalDialogs.Answer<QLineEdit>([](QLineEdit&) {});
    auto failures = FailuresOf([&] { EXPECT_EQ(ShowModal(form), mrCancel); });
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_NE(failures[0].find("is not a"), std::string::npos) << failures[0];

    desktop.SetStrict(true);
    failures = FailuresOf([&] { EXPECT_EQ(ShowModal(form), mrCancel); });
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_NE(failures[0].find("unscripted dialog"), std::string::npos) << failures[0];
    EXPECT_EQ(value, "kept");
}

TEST_F(ModalDialogs, ADialogThatDeletesItselfOnCloseIsStillTheCallersToDelete)
{
    TFakeDesktop desktop;
    desktop.ModalDialogs.AnswerOk();
    auto dialog = std::make_unique<QDialog>();
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    QPointer<QDialog> watch = dialog.get();
    EXPECT_EQ(ShowModal(*dialog), mrOk);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(watch) << "closing did not delete it behind the owner's back";
    dialog.reset();
    EXPECT_FALSE(watch);
}

TEST_F(ModalDialogs, TheRealLoopGivesTheResultTheDialogEndedWith)
{
    const struct {
        const char* name;
        void (*end)(QDialog&);
        int result;
    } cases[] = {
        {"accept", [](QDialog& d) { d.accept(); }, mrOk},
        {"reject", [](QDialog& d) { d.reject(); }, mrCancel},
        {"close box", [](QDialog& d) { d.close(); }, mrCancel},
        {"done(mrYes)", [](QDialog& d) { d.done(mrYes); }, mrYes},
    };
    for (const auto& c : cases) {
        QDialog dialog;
        QTimer::singleShot(0, &dialog, [&] { c.end(dialog); });
        EXPECT_EQ(ShowModal(dialog), c.result) << c.name;
    }
}

// Enter as the window system delivers it: to the control that has the focus.
void PressEnter(QWidget& window)
{
    QWidget* target = window.focusWidget() ? window.focusWidget() : &window;
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(target, &press);
    QApplication::sendEvent(target, &release);
}

// A form that turned autoDefault off on its cancel button and has a glyph button, as a form
// might: in the real loop Enter still presses the button that has the focus, and elsewhere
// the default button.
TEST_F(ModalDialogs, EnterPressesTheFocusedButtonElseTheDefaultOne)
{
    QDialog dialog;
    auto* edit = new QLineEdit(&dialog);
    auto* glyph = new QToolButton(&dialog);
    auto* ok = new QPushButton("OK", &dialog);
    auto* cancel = new QPushButton("Отменить", &dialog);
    auto* layout = new QHBoxLayout(&dialog);
    for (QWidget* w : std::initializer_list<QWidget*>{edit, glyph, ok, cancel})
        layout->addWidget(w);
    ok->setDefault(true);
    cancel->setAutoDefault(false);
    QObject::connect(ok, &QPushButton::clicked, &dialog, &QDialog::accept);
    QObject::connect(cancel, &QPushButton::clicked, &dialog, &QDialog::reject);
    std::vector<QAbstractButton*> pressed;
    for (QAbstractButton* button : std::initializer_list<QAbstractButton*>{glyph, ok, cancel})
        QObject::connect(button, &QAbstractButton::clicked, [&pressed, button] { pressed.push_back(button); });

    QTimer::singleShot(0, &dialog, [&] {
        glyph->setFocus();
        PressEnter(dialog);
        EXPECT_TRUE(dialog.isVisible()) << "the glyph button, not OK";
        cancel->setFocus();
        PressEnter(dialog);
    });
    EXPECT_EQ(ShowModal(dialog), mrCancel);
    EXPECT_EQ(pressed, (std::vector<QAbstractButton*>{glyph, cancel}));

    pressed.clear();
    QTimer::singleShot(0, &dialog, [&] {
        edit->setFocus();
        PressEnter(dialog);
    });
    EXPECT_EQ(ShowModal(dialog), mrOk);
    EXPECT_EQ(pressed, std::vector<QAbstractButton*>{ok});
}

} // namespace
