// kelvo-help, the help viewer that the help command starts (see help_viewer.h).
#include <QApplication>

#include "helpviewer/help_viewer.h"

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    application.setApplicationName("kelvo-help");
    const auto window = StartHelpViewer(application.arguments());
    window->show();
    return application.exec();
}
