#pragma once
// The application object: a QApplication whose event delivery is the place where an
// exception that escaped a handler is shown to the user instead of ending the program.
#include <QApplication>
#include <QString>

class TApplication : public QApplication {
    Q_OBJECT
public:
    TApplication(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;

    // The title of the program (the exception display's caption).
    void SetTitle(const std::string& title);
    std::string Title() const;
};

// Makes Qt's own texts (the buttons of message boxes, the file, colour and font dialogs)
// Russian, like everything else the program says, whatever the system's language: loads
// Qt's Russian translation "qtbase_ru" from folder into the running application. False, and
// Qt's English kept, when the folder holds no such translation.
bool InstallQtTranslation(const QString& folder);
