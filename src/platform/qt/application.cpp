#include "platform/qt/application.h"

#include <exception>
#include <new>

#include "platform/exceptions.h"
#include "platform/qt/message_boxes.h"

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool TApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::bad_alloc&) {
        ShowException(EOutOfMemory(SOutOfMemory));
    } catch (const std::exception& error) {
        ShowException(error);
    } catch (...) {
        ShowException(Exception("Unknown exception"));
    }
    return false;
}

// Only the exception display takes the title. Giving it to Qt as the display name would make
// the window system append it to every window title ("Информация — Kelvo").
void TApplication::SetTitle(const std::string& title) { SetApplicationTitle(title); }

std::string TApplication::Title() const { return ApplicationTitle(); }
