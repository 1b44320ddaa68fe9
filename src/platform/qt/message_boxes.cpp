#include "platform/qt/message_boxes.h"

#include <QApplication>
#include <QFontMetrics>
#include <QGridLayout>
#include <QMessageBox>

TMessageBoxes::~TMessageBoxes() = default;

namespace {

// What a title bar takes beside its caption: the window icon, the minimise, maximise and
// close buttons, and margins.
constexpr int TitleBarRoom = 120;

// Qt sizes a box by its text and buttons alone, and a desktop cuts a caption wider than the
// window to "…" ("Ошибка" over "Это не GIF."), where the platform's boxes widen to show their
// caption whole. The title bar's face is taken as the bold of the application's font.
void MakeRoomForCaption(QMessageBox& box)
{
    auto* grid = qobject_cast<QGridLayout*>(box.layout());
    if (!grid)
        return;
    QFont titleFont = box.font();
    titleFont.setBold(true);
    const int width = QFontMetrics(titleFont).horizontalAdvance(box.windowTitle()) + TitleBarRoom;
    grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Fixed), grid->rowCount(), 0, 1,
                  grid->columnCount());
}

class TQtMessageBoxes : public TMessageBoxes {
public:
    int Show(const std::string& text, const std::string& caption, UINT flags) override
    {
        QMessageBox box(QApplication::activeWindow());
        box.setWindowTitle(QString::fromStdString(caption));
        box.setText(QString::fromStdString(text));
        switch (flags & MB_ICONMASK) {
        case MB_ICONERROR: box.setIcon(QMessageBox::Critical); break;
        case MB_ICONQUESTION: box.setIcon(QMessageBox::Question); break;
        case MB_ICONWARNING: box.setIcon(QMessageBox::Warning); break;
        case MB_ICONINFORMATION: box.setIcon(QMessageBox::Information); break;
        default: box.setIcon(QMessageBox::NoIcon); break;
        }
        switch (flags & MB_TYPEMASK) {
        case MB_OKCANCEL:
            box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
            box.setEscapeButton(QMessageBox::Cancel);
            break;
        case MB_YESNOCANCEL:
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
            box.setDefaultButton(QMessageBox::Yes);
            box.setEscapeButton(QMessageBox::Cancel);
            break;
        case MB_YESNO:
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
            box.setDefaultButton(QMessageBox::Yes);
            break;
        default:
            box.setStandardButtons(QMessageBox::Ok);
            break;
        }
        MakeRoomForCaption(box);
        switch (box.exec()) {
        case QMessageBox::Yes: return IDYES;
        case QMessageBox::No: return IDNO;
        case QMessageBox::Cancel: return IDCANCEL;
        case QMessageBox::Ok: return IDOK;
        default:
            return (flags & MB_TYPEMASK) == MB_YESNO ? IDNO
                 : (flags & MB_TYPEMASK) == MB_OK    ? IDOK
                                                     : IDCANCEL;
        }
    }
};

TQtMessageBoxes qtMessageBoxes;
TMessageBoxes* messageBoxes = &qtMessageBoxes;
std::string applicationTitle;

} // namespace

TMessageBoxes& MessageBoxes() { return *messageBoxes; }
void SetMessageBoxes(TMessageBoxes* service) { messageBoxes = service ? service : &qtMessageBoxes; }

int MessageBox(const std::string& text, const std::string& caption, UINT flags)
{
    return MessageBoxes().Show(text, caption, flags);
}

void ShowMessage(const std::string& text) { MessageBox(text, ApplicationTitle(), MB_OK); }

const std::string& ApplicationTitle() { return applicationTitle; }
void SetApplicationTitle(const std::string& title) { applicationTitle = title; }

void ShowException(const std::exception& error)
{
    MessageBox(error.what(), ApplicationTitle(), MB_OK | MB_ICONERROR);
}
