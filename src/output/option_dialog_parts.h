#pragma once
// Pieces the output option dialogs share: the paint boxes of the before/after previews, the
// buttons every one of them has, and the way their number fields treat Enter and Esc.
#include <QGroupBox>
#include <QObject>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <functional>
#include <string>
#include <vector>

class QAbstractButton;
class QAbstractSpinBox;
class QButtonGroup;
class QCheckBox;
class QDialog;
class QGridLayout;
class QLineEdit;
class QPainter;
class QPushButton;
class QRadioButton;
class QToolButton;
class TOpenDialog;
class TPanel;

// Enter and Esc in a number field. The form's key handler sees the key first and may swallow
// it (set it to 0) and move the focus; what the dialog then does is what a dialog does with
// those keys anywhere: Enter presses the default button, Esc the cancel button. The typed
// text is taken into the field's value before that, so that OK stores what is shown.
class TNumberFieldKeys : public QObject {
    Q_OBJECT
public:
    // keyPress gets '\r' for Enter and 0x1B for Esc.
    TNumberFieldKeys(QAbstractSpinBox* field, QPushButton* defaultButton, QPushButton* cancelButton,
                     std::function<void(char& key)> keyPress);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QAbstractSpinBox* field_;
    QPushButton* default_;
    QPushButton* cancel_;
    std::function<void(char& key)> keyPress_;
};

constexpr char KeyEnter = '\r';
constexpr char KeyEscape = 0x1B;

// The usual key handler of a number field: the field never sees Enter or Esc, which move the
// focus to onEnter or onEscape (the dialog then presses its default or cancel button).
void FocusOnEnterOrEscape(char& key, QWidget* onEnter, QWidget* onEscape);

// Runs an event handler of a dialog; what it throws goes to the application's exception
// display and the dialog stays as it is.
void ShowingErrors(const std::function<void()>& handler);
// Runs handler the way ShowingErrors does whenever button is clicked while form lives.
void OnClickShowingErrors(QAbstractButton* button, QObject* form, std::function<void()> handler);

QPushButton* MakeDialogButton(QWidget* parent, const char* name, const QString& text);
QCheckBox* MakeCheckBox(QWidget* parent, const char* name, const QString& text);
// A flat glyph button with a hint; glyph is a QStyle::StandardPixmap.
QToolButton* MakeSpeedButton(QWidget* parent, const char* name, const QString& hint, int glyph);

// "Показывать всегда", the defaults button's hint, the OK and cancel buttons' texts.
extern const char* const ShowAlwaysText;
extern const char* const DefaultsHint;
extern const char* const SaveText;
extern const char* const CancelText;

// Where a before/after picture of width x height goes in a panel whose client area is
// clientWidth x clientHeight: centred in each direction where the area is at least 2 pixels
// larger, else from 2 and cut to the area less 4.
QRect PlacePreview(int clientWidth, int clientHeight, int width, int height);

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
