#pragma once
// The recent-projects list and the texts that follow the project type: pure rules the file
// commands and the project reader apply to the window.
#include <optional>
#include <string>
#include <vector>

// Five entries are shown and stored.
constexpr int RecentFilesShown = 5;

// Puts name at the head of the list, most recent first. A sixth entry left hidden by the last
// insertion is dropped first; an entry among the next four that names the same file (letter
// case aside, Latin and Cyrillic alike) is removed and an empty entry appended in its place,
// so the shown five are the five most recent distinct projects.
void InsertRecentFile(std::vector<std::string>& recent, const std::string& name);

// Captions of the recent-project items, "&1 <path>" ..., up to the first empty entry and at
// most five. A "&" inside the path is doubled so that it shows instead of marking a key.
std::vector<std::string> RecentMenuCaptions(const std::vector<std::string>& recent);

// What the window shows for a project type.
struct TProjectTypeDisplay {
    const char* RunHint;        // hint of the run button
    const char* CreateCaption;  // caption and hint of the create command
    bool AviItemsChecked;       // the AVI run/test items checked, else the GIF ones
    const char* StatusText;     // status bar panel 1
    int OutputFilterIndex;      // of the output save dialog
    const char* OutputDefaultExt;
};

// nullopt for a type other than 0 (AVI) and 1 (GIF): nothing is changed then.
std::optional<TProjectTypeDisplay> ProjectTypeDisplay(int projectType);
