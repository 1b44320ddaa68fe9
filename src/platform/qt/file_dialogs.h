#pragma once
// The common open and save dialogs as the windows keep them: the title, the filter in the
// "description|pattern|description|pattern" form, the default extension, the options, the
// filter index and the chosen names stay with the dialog object between runs of it.
//
// Execute shows the dialog modally and returns true when the user chose: FileName is then
// the (first) chosen file, Files every chosen file in order (several only with
// ofAllowMultiSelect), and FilterIndex the filter in use. On cancel nothing changes but the
// filter index the user may have switched to.
//
// While the dialog is up, OnShow runs once it shows and OnTypeChange each time the user picks
// another filter (FilterIndex already tells the new one). Inside them the name typed in the
// dialog's file-name field can be read and replaced (TypedName, SetTypedName); outside them
// there is no field (HasNameField is false). The Qt dialog is always Qt's own, never the
// desktop's, because only Qt's own has a field we can reach.
//
// Showing goes through the installed TFileDialogs, so that a test can choose files, switch
// filters or cancel. Nothing in this header needs Qt.
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

enum TOpenOption {
    ofReadOnly,
    ofOverwritePrompt,
    ofHideReadOnly,
    ofNoChangeDir,
    ofAllowMultiSelect,
    ofPathMustExist,
    ofFileMustExist,
    ofEnableSizing,
};
using TOpenOptions = std::set<TOpenOption>;

class TFileDialog;
using TFileDialogEvent = std::function<void(TFileDialog& sender)>;

// The file-name field of a dialog that is up; the service that shows the dialog provides it.
class TFileNameField {
public:
    virtual ~TFileNameField();
    virtual std::string Text() const = 0;
    virtual void SetText(const std::string& text) = 0;
};

class TFileDialog {
public:
    explicit TFileDialog(bool save) : save_(save) {}
    virtual ~TFileDialog();

    std::string Title;
    std::string Filter;
    std::string DefaultExt;
    std::string FileName;
    std::string InitialDir;
    int FilterIndex = 1; // from 1, as the filter's pairs are counted
    TOpenOptions Options{ofHideReadOnly, ofEnableSizing};
    std::vector<std::string> Files;
    TFileDialogEvent OnShow;
    TFileDialogEvent OnTypeChange;

    bool IsSave() const { return save_; }
    bool Execute();

    // The extension a name typed without one gets when the user presses Save or Open, as the
    // desktop's dialogs give it: the chosen filter's own extension when its (first) pattern
    // names one ("*.png"), else DefaultExt; an open dialog without DefaultExt adds none. It
    // follows FilterIndex, so it is the one of the filter chosen at that moment. No leading dot.
    std::string DefaultSuffix() const;

    bool HasNameField() const { return field_ != nullptr; }
    // Empty when there is no field.
    std::string TypedName() const;
    void SetTypedName(const std::string& name);

    // For the services that show the dialog: the field while it is up (nullptr after), and
    // the events at the moments they happen.
    void SetNameField(TFileNameField* field) { field_ = field; }
    void DoShow();
    void DoTypeChange(int filterIndex);

private:
    bool save_;
    TFileNameField* field_ = nullptr;
};

class TOpenDialog : public TFileDialog {
public:
    TOpenDialog() : TFileDialog(false) {}
};

class TSaveDialog : public TFileDialog {
public:
    TSaveDialog() : TFileDialog(true) {}
};

// The picture open dialog of the class library; Qt's own dialog shows no preview pane.
class TOpenPictureDialog : public TOpenDialog {};

// Splits "a|b|c|d" into the pairs (a, b), (c, d); an odd last part is dropped.
std::vector<std::pair<std::string, std::string>> SplitDialogFilter(const std::string& filter);

class TFileDialogs {
public:
    virtual ~TFileDialogs();
    // Shows the dialog; returns the chosen files in order, or nothing on cancel. Sets the
    // dialog's name field while it is up and fires its events.
    virtual std::optional<std::vector<std::string>> Run(TFileDialog& dialog) = 0;
};

TFileDialogs& FileDialogs();
void SetFileDialogs(TFileDialogs* service); // nullptr restores the Qt dialogs
