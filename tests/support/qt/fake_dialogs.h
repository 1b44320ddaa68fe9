#pragma once
// Doubles of the services that ask the user: message boxes, modal dialogs, file dialogs and
// the colour and font choosers. Each answers from a script the test queues and records what
// it was shown. What nobody scripted gets the answer Enter or Esc would give (the first
// button of a box, Cancel elsewhere); in Strict mode it also fails the test.
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <typeinfo>
#include <vector>

#include <gtest/gtest.h>

#include "platform/qt/choose_dialogs.h"
#include "platform/qt/file_dialogs.h"
#include "platform/qt/message_boxes.h"
#include "platform/qt/modal.h"

class QDialog;

class TFakeMessageBoxes : public TMessageBoxes {
public:
    struct TQuestion {
        std::string Text;
        std::string Caption;
        UINT Flags = 0;
    };
    std::deque<int> Answers;
    std::vector<TQuestion> Asked;
    bool Strict = false;

    int Show(const std::string& text, const std::string& caption, UINT flags) override;
};

class TFakeModalDialogs : public TModalDialogs {
public:
    using TAnswer = std::function<void(QDialog& dialog)>;
    struct TShown {
        std::string ClassName; // the dialog's Qt class name
        std::string Title;
        int Result = mrNone;
    };
    std::deque<TAnswer> Answers;
    std::vector<TShown> Shown;
    bool Strict = false;

    // Queues an answer for the next dialog, which must be a T: the answer sets its controls
    // and presses a button. A dialog still up after its answer is closed as Esc would.
    template <typename T>
    void Answer(std::function<void(T&)> answer)
    {
        Answers.push_back([answer = std::move(answer)](QDialog& dialog) {
            if (T* typed = dynamic_cast<T*>(&dialog))
                answer(*typed);
            else
                ADD_FAILURE() << "the dialog shown is not a " << typeid(T).name();
        });
    }
    // Answers for the next dialog: OK (accept) or Cancel (reject) without touching anything.
    void AnswerOk();
    void AnswerCancel();

    // Shows the dialog (its show handlers run), runs the next answer, returns the result.
    int Run(QDialog& dialog) override;
};

class TFakeFileDialogs : public TFileDialogs {
public:
    // What one showing of a dialog does, step by step, until it is chosen or cancelled.
    class TScript {
    public:
        // Types into the file-name field, replacing what it held.
        TScript& Type(const std::string& name);
        // Picks filter index (from 1): FilterIndex changes and OnTypeChange runs.
        TScript& SwitchToFilter(int index);
        // Ends the run with these files chosen (with several, the dialog must allow it).
        void Choose(std::vector<std::string> files);
        // Ends the run with the typed name chosen, as pressing Save does (a name without an
        // extension gets the dialog's DefaultSuffix for the filter chosen by then).
        void ChooseTyped();
        void Cancel();

    private:
        friend class TFakeFileDialogs;
        enum TEnd { Chosen, ChosenTyped, Cancelled };
        std::vector<std::function<void(TFileDialog&)>> steps_;
        TEnd end_ = Cancelled;
        std::vector<std::string> files_;
    };

    struct TShown {
        std::string Title;
        std::string Filter;
        int FilterIndex = 0; // when it came up
        std::string TypedName; // the field's text when it went
    };

    // Queues the script of the next run.
    TScript& Next();
    // Shorthands for a run that only chooses or only cancels.
    void Choose(std::vector<std::string> files) { Next().Choose(std::move(files)); }
    void Cancel() { Next().Cancel(); }

    std::vector<TShown> Shown;
    bool Strict = false;

    std::optional<std::vector<std::string>> Run(TFileDialog& dialog) override;

private:
    std::deque<TScript> scripts_;
};

class TFakeChooseDialogs : public TChooseDialogs {
public:
    // nullopt answers Cancel.
    std::deque<std::optional<TColor>> Colors;
    std::deque<std::optional<TFont>> Fonts;
    // What each chooser started from.
    std::vector<TColor> ColorsShown;
    std::vector<TFont> FontsShown;
    bool Strict = false;

    std::optional<TColor> ChooseColor(const TColorDialog& dialog) override;
    std::optional<TFont> ChooseFont(const TFontDialog& dialog) override;
};
