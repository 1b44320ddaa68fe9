// The program's entry: the application object, the main window and the event loop. An
// exception that leaves any of them is shown by the application's exception display.
#include <cstdio>
#include <exception>
#include <stdexcept>
#include <memory>
#include <string>
#include <vector>

#include "app/createavi.h"
#include "app/start_platform.h"
#include "platform/qt/application.h"
#include "platform/qt/message_boxes.h"

namespace {

// Without an application object there is no window to show the message in.
void Report(TApplication* application, const std::exception& error)
{
    if (application)
        ShowException(error);
    else
        std::fprintf(stderr, "Kelvo: %s\n", error.what());
}

} // namespace

int main(int argc, char** argv)
{
    std::unique_ptr<TApplication> application;
    std::unique_ptr<TAVIForm> window;
    try {
        application = std::make_unique<TApplication>(argc, argv);
        application->SetTitle("Kelvo");
        StartPlatform();
        std::vector<std::string> arguments(argv + 1, argv + argc);
        window = std::make_unique<TAVIForm>(std::move(arguments));
        window->show();
        application->exec();
    } catch (const std::exception& error) {
        Report(application.get(), error);
    } catch (...) {
        Report(application.get(), std::runtime_error("Unknown exception"));
    }
    window.reset();
    return 0;
}
