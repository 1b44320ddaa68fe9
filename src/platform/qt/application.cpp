#include "platform/qt/application.h"

#include <exception>

#include "platform/exceptions.h"
#include "platform/qt/services.h"

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool TApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
        ShowException(error);
    } catch (...) {
        ShowException(Exception("Unknown exception"));
    }
    return false;
}

void TApplication::SetTitle(const std::string& title)
{
    SetApplicationTitle(title);
    setApplicationDisplayName(QString::fromStdString(title));
}

std::string TApplication::Title() const { return ApplicationTitle(); }
