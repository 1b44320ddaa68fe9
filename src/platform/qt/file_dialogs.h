#pragma once
// The common open and save dialogs as the windows keep them: the title, the filter in the
// "description|pattern|description|pattern" form, the default extension and the chosen name
// stay with the dialog object between runs of it. Showing one goes through a service, so that
// tests can pick a file or cancel.
#include <deque>
#include <optional>
#include <string>
#include <vector>

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

    bool IsSave() const { return save_; }
    // Modal; true with FileName set when the user picked a file.
    bool Execute();

private:
    bool save_;
};

class TOpenDialog : public TFileDialog {
public:
    TOpenDialog() : TFileDialog(false) {}
};

class TSaveDialog : public TFileDialog {
public:
    TSaveDialog() : TFileDialog(true) {}
};

// Splits "a|b|c|d" into the pairs (a, b), (c, d); an odd last part is dropped.
std::vector<std::pair<std::string, std::string>> SplitDialogFilter(const std::string& filter);

class TFileDialogs {
public:
    virtual ~TFileDialogs();
    // Returns the chosen path (and may change the filter index), or nothing on cancel.
    virtual std::optional<std::string> Run(TFileDialog& dialog) = 0;
};

TFileDialogs& FileDialogs();
void SetFileDialogs(TFileDialogs* service); // nullptr restores the Qt dialogs

// Answers from a script (nothing left: cancel) and keeps the titles it was shown.
class TScriptedFileDialogs : public TFileDialogs {
public:
    std::deque<std::optional<std::string>> Answers;
    std::vector<std::string> Titles;
    std::optional<std::string> Run(TFileDialog& dialog) override;
};
