#include "support/qt/application.h"

#include "platform/qt/application.h"

void EnsureApplication()
{
    if (QCoreApplication::instance())
        return;
    static int argc = 1;
    static char name[] = "kelvo_tests";
    static char* argv[] = {name, nullptr};
    auto* app = new TApplication(argc, argv);
    app->SetTitle("Kelvo");
    app->setQuitOnLastWindowClosed(false);
}
