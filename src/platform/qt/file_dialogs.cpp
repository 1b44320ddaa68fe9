#include "platform/qt/file_dialogs.h"

#include <algorithm>

#include <QApplication>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QLineEdit>
#include <QScreen>
#include <QListView>
#include <QSplitter>
#include <QStyle>
#include <QStringList>
#include <QToolButton>
#include <QTreeView>

#include "platform/qt/modal.h"

TFileNameField::~TFileNameField() = default;
TFileDialog::~TFileDialog() = default;
TFileDialogs::~TFileDialogs() = default;

std::string TFileDialog::TypedName() const { return field_ ? field_->Text() : std::string(); }

void TFileDialog::SetTypedName(const std::string& name)
{
    if (field_)
        field_->SetText(name);
}

void TFileDialog::DoShow()
{
    if (OnShow)
        OnShow(*this);
}

void TFileDialog::DoTypeChange(int filterIndex)
{
    FilterIndex = filterIndex;
    if (OnTypeChange)
        OnTypeChange(*this);
}

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

std::string TFileDialog::DefaultSuffix() const
{
    const std::string fallback = DefaultExt.substr(!DefaultExt.empty() && DefaultExt.front() == '.' ? 1 : 0);
    // A save dialog without a default extension still names its file after the filter the user
    // chose: the output dialog of a new project has none, and a bare "anim" typed there under
    // the GIF filter would otherwise be no GIF at all and be written nowhere, without a word.
    if (fallback.empty() && !IsSave())
        return {};
    const auto filters = SplitDialogFilter(Filter);
    if (FilterIndex < 1 || std::size_t(FilterIndex) > filters.size())
        return fallback;
    const std::string& patterns = filters[std::size_t(FilterIndex - 1)].second;
    const std::string first = patterns.substr(0, patterns.find(';'));
    // "*.png" names one extension; "*.*", "*" and "*.p?g" do not.
    if (first.size() > 2 && first.compare(0, 2, "*.") == 0 && first.find_first_of("*?. ", 2) == std::string::npos)
        return first.substr(2);
    return fallback;
}

namespace {

class TQtNameField : public TFileNameField {
public:
    explicit TQtNameField(QLineEdit* edit) : edit_(edit) {}
    std::string Text() const override { return edit_->text().toStdString(); }
    void SetText(const std::string& text) override { edit_->setText(QString::fromStdString(text)); }

private:
    QLineEdit* edit_;
};

// The field is attached for exactly as long as the dialog is up, whatever way Run leaves.
class TFieldScope {
public:
    TFieldScope(TFileDialog& dialog, TFileNameField* field) : dialog_(dialog) { dialog_.SetNameField(field); }
    ~TFieldScope() { dialog_.SetNameField(nullptr); }

private:
    TFileDialog& dialog_;
};

// Qt's dialog opens its list of places at a width made for its English names; in Russian
// "Компьютер" no longer fits and shows as "Компь…", as does a place of the user's with a long
// name. Once the dialog is laid out, the list gets what its widest place needs, taken from the
// file list beside it; the places are measured as the list lays them out, by their item
// delegate (icon, text and margins; the list's icon size is unset, so its own is no measure).
void WidenSidebarToItsPlaces(QFileDialog& box)
{
    auto* sidebar = box.findChild<QListView*>(QStringLiteral("sidebar"));
    auto* splitter = box.findChild<QSplitter*>(QStringLiteral("splitter"));
    if (!sidebar || !splitter || !sidebar->model() || splitter->count() != 2)
        return;
    // The list's frame and spacing, and room for a scroll bar should the places need one.
    const int needed = sidebar->sizeHintForColumn(0) + 2 * sidebar->spacing() + 2 * sidebar->frameWidth() +
                       sidebar->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    QList<int> sizes = splitter->sizes();
    if (sizes[0] >= needed)
        return;
    sizes[1] = std::max(0, sizes[1] - (needed - sizes[0]));
    sizes[0] = needed;
    splitter->setSizes(sizes);
}

// Qt's detail list gives its columns widths fixed in advance, too narrow for what they show
// ("11....KiB", "PN...ge", "11 Dec...:40:54"): each column but the name's is as wide as its
// texts, as they come in, and the names have the rest.
void FitDetailColumnsToTheirTexts(QFileDialog& box)
{
    auto* tree = box.findChild<QTreeView*>(QStringLiteral("treeView"));
    if (!tree)
        return;
    QHeaderView* header = tree->header();
    header->setStretchLastSection(false);
    header->setSectionResizeMode(0, QHeaderView::Stretch);
    for (int column = 1; column < header->count(); ++column)
        header->setSectionResizeMode(column, QHeaderView::ResizeToContents);
}

// The dialog grows, never past the screen, until the columns and the widest name fit beside
// each other; once a folder's rows are in, they are measured again.
void WidenToTheDetailColumns(QFileDialog& box)
{
    auto* tree = box.findChild<QTreeView*>(QStringLiteral("treeView"));
    if (!tree || !tree->isVisible())
        return;
    QHeaderView* header = tree->header();
    // What each column needs, as its resize mode measures it: the widest of its texts and of
    // its title.
    const auto* view = static_cast<const QAbstractItemView*>(tree);
    int needed = 0;
    for (int column = 0; column < header->count(); ++column)
        if (!header->isSectionHidden(column))
            needed += std::max(view->sizeHintForColumn(column), header->sectionSizeHint(column));
    const int room = tree->viewport()->width();
    if (needed <= room)
        return;
    const QRect screen = box.screen()->availableGeometry();
    const QRect outer = box.frameGeometry();
    const int grow = std::min(needed - room, screen.width() - outer.width());
    if (grow <= 0)
        return;
    const int left = std::clamp(outer.left() - grow / 2, screen.left(), screen.right() + 1 - (outer.width() + grow));
    box.move(box.pos() + QPoint(left - outer.left(), 0));
    box.resize(box.width() + grow, box.height());
}

class TQtFileDialogs : public TFileDialogs {
public:
    std::optional<std::vector<std::string>> Run(TFileDialog& dialog) override
    {
        QFileDialog box(QApplication::activeWindow(), QString::fromStdString(dialog.Title),
                        QString::fromStdString(dialog.InitialDir));
        box.setOption(QFileDialog::DontUseNativeDialog);
        const bool multi = dialog.Options.count(ofAllowMultiSelect) != 0;
        box.setAcceptMode(dialog.IsSave() ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
        box.setFileMode(dialog.IsSave() ? QFileDialog::AnyFile
                        : multi         ? QFileDialog::ExistingFiles
                                        : QFileDialog::ExistingFile);
        if (dialog.IsSave() && !dialog.Options.count(ofOverwritePrompt))
            box.setOption(QFileDialog::DontConfirmOverwrite);
        // Qt reads the patterns from the parentheses after the description; the user sees the
        // description alone, as the desktop's dialogs show it. Qt then reports a filter by that
        // shown label, so the label, not the whole filter, tells which one was picked.
        box.setOption(QFileDialog::HideNameFilterDetails);
        QStringList filters, labels;
        for (const auto& [description, pattern] : SplitDialogFilter(dialog.Filter)) {
            QString p = QString::fromStdString(pattern);
            p.replace(';', ' ');
            filters << QString::fromStdString(description) + " (" + p + ")";
            labels << QString::fromStdString(description).simplified();
        }
        const auto filterNumber = [&](const QString& reported) {
            const qsizetype index = labels.indexOf(reported);
            return int(index >= 0 ? index : filters.indexOf(reported)) + 1;
        };
        if (!filters.isEmpty()) {
            box.setNameFilters(filters);
            const int index = dialog.FilterIndex - 1;
            if (index >= 0 && index < filters.size())
                box.selectNameFilter(filters[index]);
        }
        // Qt gives a bare name its default suffix when the user presses Save; it must be the
        // one of the filter chosen at that moment, not of the one the dialog came up with.
        box.setDefaultSuffix(QString::fromStdString(dialog.DefaultSuffix()));
        if (!dialog.FileName.empty())
            box.selectFile(QString::fromStdString(dialog.FileName));

        // Qt's own dialog names its file-name field; any line edit will do if that changes.
        QLineEdit* edit = box.findChild<QLineEdit*>("fileNameEdit");
        if (!edit)
            edit = box.findChild<QLineEdit*>();
        // Tab reaches Qt's tool buttons (back, up, new folder, the list's views): Enter there
        // presses the button, as in every dialog of ours, rather than the dialog's Save.
        EnterPressesTheFocusedButton(box);
        FitDetailColumnsToTheirTexts(box);
        // Qt reads a folder on a thread of its own and hands its rows over in batches; a folder
        // read before, while the user typed its path, is entered with its rows all there.
        const auto widen = [&box] { WidenToTheDetailColumns(box); };
        if (auto* files = box.findChild<QFileSystemModel*>()) {
            QObject::connect(files, &QFileSystemModel::rowsInserted, &box, widen, Qt::QueuedConnection);
            QObject::connect(files, &QFileSystemModel::rootPathChanged, &box, widen, Qt::QueuedConnection);
        }
        // The dialog opens in the view the user last left it in; the details may come later.
        if (auto* details = box.findChild<QToolButton*>(QStringLiteral("detailModeButton")))
            QObject::connect(details, &QToolButton::clicked, &box, widen, Qt::QueuedConnection);

        std::optional<TQtNameField> field;
        if (edit)
            field.emplace(edit);
        TFieldScope scope(dialog, field ? &*field : nullptr);

        QObject::connect(&box, &QFileDialog::filterSelected, &box, [&](const QString& chosen) {
            const int number = filterNumber(chosen);
            if (number < 1)
                return;
            dialog.DoTypeChange(number);
            box.setDefaultSuffix(QString::fromStdString(dialog.DefaultSuffix()));
        });
        QMetaObject::invokeMethod(
            &box,
            [&] {
                WidenSidebarToItsPlaces(box);
                WidenToTheDetailColumns(box);
                dialog.DoShow();
            },
            Qt::QueuedConnection);

        const bool accepted = box.exec() == QDialog::Accepted;
        if (const int chosen = filterNumber(box.selectedNameFilter()); chosen >= 1)
            dialog.FilterIndex = chosen;
        if (!accepted || box.selectedFiles().isEmpty())
            return std::nullopt;
        std::vector<std::string> files;
        for (const QString& f : box.selectedFiles())
            files.push_back(f.toStdString());
        return files;
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
    if (!chosen || chosen->empty())
        return false;
    if (!Options.count(ofAllowMultiSelect))
        chosen->resize(1);
    Files = std::move(*chosen);
    FileName = Files.front();
    return true;
}
