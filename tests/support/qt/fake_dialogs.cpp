#include "support/qt/fake_dialogs.h"

#include <QDialog>

int TFakeMessageBoxes::Show(const std::string& text, const std::string& caption, UINT flags)
{
    Asked.push_back({text, caption, flags});
    if (!Answers.empty()) {
        const int answer = Answers.front();
        Answers.pop_front();
        return answer;
    }
    if (Strict)
        ADD_FAILURE() << "unscripted message box \"" << caption << "\": " << text;
    switch (flags & MB_TYPEMASK) {
    case MB_YESNO:
    case MB_YESNOCANCEL: return IDYES;
    default: return IDOK;
    }
}

void TFakeModalDialogs::AnswerOk()
{
    Answers.push_back([](QDialog& dialog) { dialog.accept(); });
}

void TFakeModalDialogs::AnswerCancel()
{
    Answers.push_back([](QDialog& dialog) { dialog.reject(); });
}

int TFakeModalDialogs::Run(QDialog& dialog)
{
    Shown.push_back({dialog.metaObject()->className(), dialog.windowTitle().toStdString(), mrNone});
    dialog.setResult(mrNone);
    dialog.show();
    if (!Answers.empty()) {
        const TAnswer answer = std::move(Answers.front());
        Answers.pop_front();
        answer(dialog);
    } else if (Strict) {
        ADD_FAILURE() << "unscripted dialog " << Shown.back().ClassName << " \"" << Shown.back().Title << "\"";
    }
    if (dialog.isVisible())
        dialog.reject();
    const int result = dialog.result() == QDialog::Rejected ? mrCancel : dialog.result();
    Shown.back().Result = result;
    return result;
}

TFakeFileDialogs::TScript& TFakeFileDialogs::TScript::Type(const std::string& name)
{
    steps_.push_back([name](TFileDialog& dialog) { dialog.SetTypedName(name); });
    return *this;
}

TFakeFileDialogs::TScript& TFakeFileDialogs::TScript::SwitchToFilter(int index)
{
    steps_.push_back([index](TFileDialog& dialog) {
        const int count = int(SplitDialogFilter(dialog.Filter).size());
        if (index < 1 || index > count)
            ADD_FAILURE() << "the dialog has no filter " << index << " (it has " << count << ")";
        else
            dialog.DoTypeChange(index);
    });
    return *this;
}

void TFakeFileDialogs::TScript::Choose(std::vector<std::string> files)
{
    end_ = Chosen;
    files_ = std::move(files);
}

void TFakeFileDialogs::TScript::ChooseTyped() { end_ = ChosenTyped; }

void TFakeFileDialogs::TScript::Cancel() { end_ = Cancelled; }

TFakeFileDialogs::TScript& TFakeFileDialogs::Next()
{
    scripts_.emplace_back();
    return scripts_.back();
}

namespace {

class TFakeNameField : public TFileNameField {
public:
    std::string Text() const override { return text_; }
    void SetText(const std::string& text) override { text_ = text; }

private:
    std::string text_;
};

} // namespace

std::optional<std::vector<std::string>> TFakeFileDialogs::Run(TFileDialog& dialog)
{
    Shown.push_back({dialog.Title, dialog.Filter, dialog.FilterIndex, {}});
    TScript script;
    if (!scripts_.empty()) {
        script = std::move(scripts_.front());
        scripts_.pop_front();
    } else if (Strict) {
        ADD_FAILURE() << "unscripted file dialog \"" << dialog.Title << "\"";
    }

    // The field shows the dialog's file name when it comes up, as the real one does.
    TFakeNameField field;
    field.SetText(dialog.FileName);
    {
        // Detached on every way out: a handler that throws must not leave the field behind.
        struct TAttached {
            TFileDialog& Dialog;
            ~TAttached() { Dialog.SetNameField(nullptr); }
        } attached{dialog};
        dialog.SetNameField(&field);
        dialog.DoShow();
        for (const auto& step : script.steps_)
            step(dialog);
    }
    Shown.back().TypedName = field.Text();

    switch (script.end_) {
    case TScript::Chosen:
        if (script.files_.size() > 1 && !dialog.Options.count(ofAllowMultiSelect))
            ADD_FAILURE() << "several files chosen in \"" << dialog.Title << "\", which takes one";
        if (script.files_.empty())
            return std::nullopt;
        return script.files_;
    case TScript::ChosenTyped: {
        std::string name = field.Text();
        if (name.empty())
            return std::nullopt;
        // As Qt's dialog does when Save is pressed: a file name without any dot gets the
        // dialog's default suffix of that moment, which follows the filter switched to.
        const auto slash = name.rfind('/');
        const auto dot = name.rfind('.');
        const std::string suffix = dialog.DefaultSuffix();
        if (!suffix.empty() && (dot == std::string::npos || (slash != std::string::npos && dot < slash)))
            name += "." + suffix;
        return std::vector<std::string>{name};
    }
    case TScript::Cancelled:
        break;
    }
    return std::nullopt;
}

std::optional<TColor> TFakeChooseDialogs::ChooseColor(const TColorDialog& dialog)
{
    ColorsShown.push_back(dialog.Color);
    if (Colors.empty()) {
        if (Strict)
            ADD_FAILURE() << "unscripted colour chooser";
        return std::nullopt;
    }
    const auto answer = Colors.front();
    Colors.pop_front();
    return answer;
}

std::optional<TFont> TFakeChooseDialogs::ChooseFont(const TFontDialog& dialog)
{
    FontsShown.push_back(dialog.Font);
    if (Fonts.empty()) {
        if (Strict)
            ADD_FAILURE() << "unscripted font chooser";
        return std::nullopt;
    }
    const auto answer = Fonts.front();
    Fonts.pop_front();
    return answer;
}
