#pragma once
// What the sound dialogs share (the AVI options and the sound dialog): the WAV row, its
// length text and the way WAV paths are compared.
#include <QString>

#include <string>

class QCheckBox;
class QGridLayout;
class QLineEdit;
class QToolButton;
class QWidget;
class TOpenDialog;
class TPanel;

// "Общее время: <ms> мсек", the length of a sound.
QString SoundLengthText(int milliseconds);

// Paths are compared without regard to case, the way the file system the projects came from
// compares them (Cyrillic letters included).
bool SamePathText(const std::string& a, const std::string& b);

// True when path names an existing file.
bool NamedFileExists(const std::string& path);

// The WAV row of the sound dialogs: the "add" box over the file's name with its browse and play
// buttons, and under them the panel that shows the sound's length.
struct TSoundFileRow {
    QLineEdit* Edit = nullptr;
    QToolButton* Browse = nullptr;
    QToolButton* Play = nullptr;
    TPanel* Length = nullptr;
    QGridLayout* Layout = nullptr; // not yet set on any widget
};
TSoundFileRow MakeSoundFileRow(QWidget* parent, QCheckBox* addSound, int editMinimumWidth);
// Shows file and its length in ms; play is possible only while the file exists.
void ShowSoundFile(const TSoundFileRow& row, const std::string& file, int lengthMs);
// Lets the user choose a WAV; a chosen one is shown with its length, which goes to lengthMs.
void BrowseSoundFile(const TSoundFileRow& row, TOpenDialog& dialog, int& lengthMs);
// The file shown is the one played, so a name typed or kept from the project plays as well as
// one just browsed for; the play button stays down for as long as the sound plays.
void PlayShownSoundFile(const TSoundFileRow& row);
