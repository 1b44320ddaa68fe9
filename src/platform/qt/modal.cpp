#include "platform/qt/modal.h"

#include <QDialog>
#include <QKeyEvent>
#include <QPushButton>
#include <QToolButton>

TModalDialogs::~TModalDialogs() = default;

namespace {

class TQtModalDialogs : public TModalDialogs {
public:
    int Run(QDialog& dialog) override
    {
        const int result = dialog.exec();
        return result == QDialog::Rejected ? mrCancel : result;
    }
};

TQtModalDialogs qtModalDialogs;
TModalDialogs* modalDialogs = &qtModalDialogs;

// A Qt tool button lets Enter fall through to the dialog, which presses its default button;
// this one, a child of the tool button, presses the button itself.
constexpr const char* EnterPressesName = "EnterPressesToolButton";

class TEnterPressesToolButton : public QObject {
public:
    explicit TEnterPressesToolButton(QToolButton* button) : QObject(button), button_(button)
    {
        setObjectName(EnterPressesName);
        button->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() != QEvent::KeyPress)
            return false;
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key != Qt::Key_Return && key != Qt::Key_Enter)
            return false;
        button_->click();
        return true;
    }

private:
    QToolButton* button_;
};

} // namespace

TModalDialogs& ModalDialogs() { return *modalDialogs; }
void SetModalDialogs(TModalDialogs* service) { modalDialogs = service ? service : &qtModalDialogs; }

// On the platform Enter presses the button that has the focus, and only elsewhere the
// dialog's default button. A Qt push button does that only while it is autoDefault, so that
// no form can turn it off here; tool buttons, which Qt lets take the focus, get the same.
void EnterPressesTheFocusedButton(QDialog& dialog)
{
    for (QPushButton* button : dialog.findChildren<QPushButton*>())
        button->setAutoDefault(true);
    for (QToolButton* button : dialog.findChildren<QToolButton*>())
        if (!button->findChild<QObject*>(EnterPressesName, Qt::FindDirectChildrenOnly))
            new TEnterPressesToolButton(button);
}

int ShowModal(QDialog& dialog)
{
    dialog.setAttribute(Qt::WA_DeleteOnClose, false);
    EnterPressesTheFocusedButton(dialog);
    return ModalDialogs().Run(dialog);
}
