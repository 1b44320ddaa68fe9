#pragma once
#include <QString>

// The one application object of a Qt test program: ours, titled "Kelvo" as the program's, so
// that its exception display is the one under test. Made on first use and kept to the end;
// closing the last window does not end it.
void EnsureApplication();

// Where Qt's own settings go while a test program runs (see EnsureApplication); removed at exit.
QString TestQtSettingsFolder();
