#include "platform/qt/modal.h"

#include <QDialog>

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

} // namespace

TModalDialogs& ModalDialogs() { return *modalDialogs; }
void SetModalDialogs(TModalDialogs* service) { modalDialogs = service ? service : &qtModalDialogs; }

int ShowModal(QDialog& dialog)
{
    dialog.setAttribute(Qt::WA_DeleteOnClose, false);
    return ModalDialogs().Run(dialog);
}
