#include "output/option_dialog_parts.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QToolButton>

#include <algorithm>
#include <filesystem>
#include <system_error>
#include <utility>

#include "output/avifunction.h"
#include "platform/qt/controls.h"
#include "platform/qt/file_dialogs.h"
#include "platform/qt/services.h"
#include "platform/qt/sound.h"

const char* const ShowAlwaysText = "Показывать всегда";
const char* const DefaultsHint = "Вернуть установки по умолчанию";
const char* const SaveText = "Сохранить";
const char* const CancelText = "Отменить";

TNumberFieldKeys::TNumberFieldKeys(QAbstractSpinBox* field, QPushButton* defaultButton,
                                   QPushButton* cancelButton, std::function<void(char& key)> keyPress)
    : QObject(field), field_(field), default_(defaultButton), cancel_(cancelButton), keyPress_(std::move(keyPress))
{
    // The key goes to the field or to the line edit inside it, depending on who holds focus.
    field->installEventFilter(this);
    if (auto* edit = field->findChild<QLineEdit*>())
        edit->installEventFilter(this);
}

bool TNumberFieldKeys::eventFilter(QObject*, QEvent* event)
{
    if (event->type() != QEvent::KeyPress)
        return false;
    const int qtKey = static_cast<QKeyEvent*>(event)->key();
    char key = 0;
    if (qtKey == Qt::Key_Return || qtKey == Qt::Key_Enter)
        key = KeyEnter;
    else if (qtKey == Qt::Key_Escape)
        key = KeyEscape;
    else
        return false;
    const char pressed = key;
    if (keyPress_)
        keyPress_(key);
    if (pressed == KeyEnter) {
        field_->interpretText();
        if (default_ && default_->isEnabled())
            default_->click();
    } else if (cancel_ && cancel_->isEnabled()) {
        cancel_->click();
    }
    // Neither key ever reaches the field.
    return true;
}

void ShowingErrors(const std::function<void()>& handler)
{
    try {
        handler();
    } catch (const std::exception& error) {
        ShowException(error);
    }
}

QPushButton* MakeDialogButton(QWidget* parent, const char* name, const QString& text)
{
    auto* button = new QPushButton(text, parent);
    button->setObjectName(name);
    return button;
}

QCheckBox* MakeCheckBox(QWidget* parent, const char* name, const QString& text)
{
    auto* box = new QCheckBox(text, parent);
    box->setObjectName(name);
    return box;
}

QToolButton* MakeSpeedButton(QWidget* parent, const char* name, const QString& hint, int glyph)
{
    auto* button = new QToolButton(parent);
    button->setObjectName(name);
    button->setToolTip(hint);
    button->setIcon(parent->style()->standardIcon(QStyle::StandardPixmap(glyph)));
    button->setAutoRaise(true);
    button->setFixedSize(26, 26);
    return button;
}

QRect PlacePreview(int clientWidth, int clientHeight, int width, int height)
{
    const auto place = [](int client, int size, int& at, int& length) {
        if (client - size >= 2) {
            at = (client - size) / 2;
            length = size;
        } else {
            at = 2;
            length = std::max(0, client - 4);
        }
    };
    int left = 0, top = 0, w = 0, h = 0;
    place(clientWidth, width, left, w);
    place(clientHeight, height, top, h);
    return QRect(left, top, w, h);
}

QString SoundLengthText(int milliseconds)
{
    return QString::fromUtf8("Общее время: ") + QString::number(milliseconds) + QString::fromUtf8(" мсек");
}

bool SamePathText(const std::string& a, const std::string& b)
{
    return QString::fromStdString(a).compare(QString::fromStdString(b), Qt::CaseInsensitive) == 0;
}

bool NamedFileExists(const std::string& path)
{
    std::error_code error;
    return !path.empty() && std::filesystem::is_regular_file(std::filesystem::u8path(path), error);
}

TSoundFileRow MakeSoundFileRow(QWidget* parent, QCheckBox* addSound, int editMinimumWidth)
{
    TSoundFileRow row;
    row.Edit = new QLineEdit(parent);
    row.Edit->setObjectName("Edit1");
    row.Edit->setMinimumWidth(editMinimumWidth);
    row.Browse = MakeSpeedButton(parent, "SpeedButton1", QString::fromUtf8("Загрузить"), QStyle::SP_DialogOpenButton);
    row.Play = MakeSpeedButton(parent, "SpeedButton2", QString::fromUtf8("Проиграть"), QStyle::SP_MediaPlay);
    row.Play->setEnabled(false);
    row.Length = new TPanel(parent);
    row.Length->setObjectName("Panel3");
    row.Length->SetBevel(bvLowered);
    row.Length->setFixedHeight(22);
    row.Layout = new QGridLayout;
    row.Layout->addWidget(addSound, 0, 0, 1, 3);
    row.Layout->addWidget(row.Edit, 1, 0);
    row.Layout->addWidget(row.Browse, 1, 1);
    row.Layout->addWidget(row.Play, 1, 2);
    row.Layout->addWidget(row.Length, 2, 0, 1, 3);
    return row;
}

void ShowSoundFile(const TSoundFileRow& row, const std::string& file, int lengthMs)
{
    row.Edit->setText(QString::fromStdString(file));
    row.Length->SetCaption(SoundLengthText(lengthMs).toStdString());
    row.Play->setEnabled(NamedFileExists(row.Edit->text().toStdString()));
}

void BrowseSoundFile(const TSoundFileRow& row, TOpenDialog& dialog, int& lengthMs)
{
    if (!dialog.Execute())
        return;
    row.Edit->setText(QString::fromStdString(dialog.FileName));
    lengthMs = WaveDurationMs(dialog.FileName);
    row.Length->SetCaption(SoundLengthText(lengthMs).toStdString());
    row.Play->setEnabled(true);
}

void PlayShownSoundFile(const TSoundFileRow& row)
{
    const std::string file = row.Edit->text().toStdString();
    row.Play->setDown(true);
    PlaySoundA(file.c_str(), nullptr, 0);
    row.Play->setDown(false);
}

void FocusOnEnterOrEscape(char& key, QWidget* onEnter, QWidget* onEscape)
{
    if (key == KeyEnter) {
        key = 0;
        onEnter->setFocus();
    } else if (key == KeyEscape) {
        key = 0;
        onEscape->setFocus();
    }
}

void OnClickShowingErrors(QAbstractButton* button, QObject* form, std::function<void()> handler)
{
    QObject::connect(button, &QAbstractButton::clicked, form,
                     [handler = std::move(handler)] { ShowingErrors(handler); });
}
