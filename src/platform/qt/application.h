#pragma once
// The application object: a QApplication whose event delivery is the place where an
// exception that escaped a handler is shown to the user instead of ending the program.
#include <QApplication>
#include <string>

class TApplication : public QApplication {
    Q_OBJECT
public:
    TApplication(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;

    // The title of the program (the exception display's caption).
    void SetTitle(const std::string& title);
    std::string Title() const;
};
