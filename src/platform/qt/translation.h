#pragma once
// Makes Qt's own texts (the buttons of message boxes, the file, colour and font dialogs, the
// editing menus of text fields) Russian, like everything else the program says, whatever the
// system's language. The program and its help viewer both start with it.
#include <QString>

// Loads Qt's Russian translation "qtbase_ru" from folder into the running application. False,
// and Qt's texts left as they were, when the folder holds no such translation.
bool InstallQtTranslation(const QString& folder);
// The same from the folder Qt keeps its translations in.
bool InstallQtTranslation();
