#pragma once
#include <QString>
#include <QTranslator>

// The one application object of a Qt test program: ours, titled "Kelvo" as the program's, so
// that its exception display is the one under test. Made on first use and kept to the end;
// closing the last window does not end it.
void EnsureApplication();

// Where Qt's own settings go while a test program runs (see EnsureApplication); removed at exit.
QString TestQtSettingsFolder();

// Qt's own texts in Russian while it lives, as the program runs Qt. Loaded() is false where
// the translation is not installed (the caller skips then).
class TQtInRussian {
public:
    TQtInRussian();
    ~TQtInRussian();
    TQtInRussian(const TQtInRussian&) = delete;
    TQtInRussian& operator=(const TQtInRussian&) = delete;
    bool Loaded() const { return loaded_; }

private:
    QTranslator translator_;
    bool loaded_ = false;
};
