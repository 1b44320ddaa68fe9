#include "editing/properties.h"

#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>

#include <filesystem>
#include <stdexcept>
#include <system_error>

#include "app/createavi.h"
#include "platform/qt/controls.h"
#include "platform/qt/modal.h"

std::pair<std::string, std::string> SplitFramePath(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return {std::string(), path};
    return {path.substr(0, slash + 1), path.substr(slash + 1)};
}

TFormProperties::TFormProperties(const TFrameList& frames, const TFrameSelection& selection, QWidget* parent)
    : QDialog(parent), frames_(frames), selection_(selection)
{
    setObjectName("FormProperties");
    setWindowTitle("Frame's origin");
    setFixedSize(406, 204);

    GroupBox1 = new QGroupBox(this);
    GroupBox1->setObjectName("GroupBox1");
    GroupBox1->setGeometry(8, 4, 390, 122);

    auto row = [this](QLabel*& label, QLineEdit*& edit, const char* labelName, const char* editName,
                      const char* caption, int y, int width) {
        label = new QLabel(QString::fromUtf8(caption), GroupBox1);
        label->setObjectName(labelName);
        label->setGeometry(12, y, 100, 24);
        edit = new QLineEdit(GroupBox1);
        edit->setObjectName(editName);
        edit->setReadOnly(true);
        edit->setGeometry(116, y, width, 24);
    };
    row(Label1, Edit1, "Label1", "Edit1", "Путь", 14, 262);
    row(Label2, Edit2, "Label2", "Edit2", "Имя", 50, 262);
    row(Label4, Edit3, "Label4", "Edit3", "Номер фрейма", 86, 70);

    Panel1 = new TPanel(this);
    Panel1->setObjectName("Panel1");
    Panel1->SetBevel(bvLowered);
    Panel1->setGeometry(8, 134, 390, 28);

    Button1 = new QPushButton("OK", this);
    Button1->setObjectName("Button1");
    Button1->setGeometry(165, 171, 75, 25);
    Button1->setDefault(true);
    connect(Button1, &QPushButton::clicked, this, &QDialog::accept);
}

void TFormProperties::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TFormProperties::FormShow()
{
    if (selection_.SelectedFrames.empty())
        throw std::out_of_range("No frame is selected");
    const int k = selection_.SelectedFrames.front();
    if (k < 0)
        throw std::out_of_range("Frame index out of range");
    const std::string& path = frames_.FrameFiles.at(std::size_t(k));
    const int subImage = frames_.FrameSubImages.at(std::size_t(k));

    setWindowTitle(QString::fromUtf8("Источник " + std::to_string(std::int64_t(k) + 1) + " кадра"));
    const auto [folder, name] = SplitFramePath(path);
    Edit1->setText(QString::fromStdString(folder));
    Edit1->setToolTip(QString::fromStdString(folder));
    Edit2->setText(QString::fromStdString(name));
    Edit3->setText(QString::number(subImage));

    std::error_code ec;
    if (!path.empty() && std::filesystem::is_regular_file(path, ec)) {
        Panel1->SetCaption("Тестирование файла: OK");
        Panel1->SetColor(clBtnFace);
    } else {
        Panel1->SetCaption("Данный файл не найден. Вероятно он был удалён или перемещён.");
        Panel1->SetColor(clYellow);
    }
    // The not-found sentence is long for the panel; a smaller letter keeps all of it in view.
    QFont font = this->font();
    const QString caption = QString::fromStdString(Panel1->Caption());
    while (font.pointSizeF() > 6 && QFontMetrics(font).horizontalAdvance(caption) > Panel1->width() - 8)
        font.setPointSizeF(font.pointSizeF() - 0.5);
    Panel1->setFont(font);
    Button1->setFocus();
}

void TAVIForm::ActionPropertiesExecute()
{
    TFormProperties properties(*this, *this);
    ShowModal(properties);
}
