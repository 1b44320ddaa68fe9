#include "output/sound_file_row.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLineEdit>
#include <QStyle>
#include <QToolButton>

#include <filesystem>
#include <system_error>

#include "app/dialogs/dialog_support.h"
#include "output/avifunction.h"
#include "platform/qt/controls.h"
#include "platform/qt/file_dialogs.h"
#include "platform/qt/sound.h"

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
