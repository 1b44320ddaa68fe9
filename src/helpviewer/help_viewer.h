#pragma once
// kelvo-help: the program's help viewer. Kelvo starts it with the help file as its one
// argument; the help file is a folder of HTML pages beginning with index.html (or a single
// page). It stays open on its own until the user closes it or Kelvo ends it at close.
#include <QMainWindow>
#include <QStringList>

#include <memory>

// Sets the running application up as the viewer (Qt's own texts in Russian, as in the
// program) and makes its window on the help file that the arguments name after the program's
// own name; the caller shows it.
std::unique_ptr<QMainWindow> StartHelpViewer(const QStringList& arguments);
