#include "platform/qt/file_dialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QStringList>

TFileDialog::~TFileDialog() = default;
TFileDialogs::~TFileDialogs() = default;

std::vector<std::pair<std::string, std::string>> SplitDialogFilter(const std::string& filter)
{
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= filter.size() && !filter.empty()) {
        const std::size_t bar = filter.find('|', start);
        parts.push_back(filter.substr(start, bar == std::string::npos ? std::string::npos : bar - start));
        if (bar == std::string::npos)
            break;
        start = bar + 1;
    }
    std::vector<std::pair<std::string, std::string>> pairs;
    for (std::size_t i = 0; i + 1 < parts.size(); i += 2)
        pairs.emplace_back(parts[i], parts[i + 1]);
    return pairs;
}

namespace {

class TQtFileDialogs : public TFileDialogs {
public:
    std::optional<std::string> Run(TFileDialog& dialog) override
    {
        QFileDialog box(QApplication::activeWindow(), QString::fromStdString(dialog.Title),
                        QString::fromStdString(dialog.InitialDir));
        box.setAcceptMode(dialog.IsSave() ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
        box.setFileMode(dialog.IsSave() ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
        if (!dialog.DefaultExt.empty())
            box.setDefaultSuffix(QString::fromStdString(dialog.DefaultExt));
        QStringList filters;
        for (const auto& [description, pattern] : SplitDialogFilter(dialog.Filter)) {
            // Qt reads the patterns from the parentheses; keep the description as shown.
            QString p = QString::fromStdString(pattern);
            p.replace(';', ' ');
            filters << QString::fromStdString(description) + " (" + p + ")";
        }
        if (!filters.isEmpty()) {
            box.setNameFilters(filters);
            const int index = dialog.FilterIndex - 1;
            if (index >= 0 && index < filters.size())
                box.selectNameFilter(filters[index]);
        }
        if (!dialog.FileName.empty())
            box.selectFile(QString::fromStdString(dialog.FileName));
        if (box.exec() != QDialog::Accepted || box.selectedFiles().isEmpty())
            return std::nullopt;
        const int chosen = int(filters.indexOf(box.selectedNameFilter()));
        if (chosen >= 0)
            dialog.FilterIndex = chosen + 1;
        return box.selectedFiles().front().toStdString();
    }
};

TQtFileDialogs qtFileDialogs;
TFileDialogs* fileDialogs = &qtFileDialogs;

} // namespace

TFileDialogs& FileDialogs() { return *fileDialogs; }
void SetFileDialogs(TFileDialogs* service) { fileDialogs = service ? service : &qtFileDialogs; }

bool TFileDialog::Execute()
{
    auto chosen = FileDialogs().Run(*this);
    if (!chosen)
        return false;
    FileName = *chosen;
    return true;
}

std::optional<std::string> TScriptedFileDialogs::Run(TFileDialog& dialog)
{
    Titles.push_back(dialog.Title);
    if (Answers.empty())
        return std::nullopt;
    auto answer = Answers.front();
    Answers.pop_front();
    return answer;
}
