#pragma once
// The AVI options dialog: frame time, whether to ask for the compressor, and the sound track.
// It reads the window's values when it is shown and stores them only on OK, where it also
// tells the caller (OptionsChanged) whether a value the project file keeps was changed.
#include <QDialog>

#include <memory>

#include "output/sound_file_row.h"
#include "platform/qt/file_dialogs.h"

class QCheckBox;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QToolButton;
class TPanel;

class TAviOptionsForm : public QDialog {
    Q_OBJECT
public:
    explicit TAviOptionsForm(QWidget* owner = nullptr);
    ~TAviOptionsForm() override;

    QGroupBox* GroupBox1 = nullptr; // "Длительность кадра"
    QSpinBox* CSpinEdit1 = nullptr;
    QGroupBox* GroupBox2 = nullptr; // "Окно выбора кодека"
    QCheckBox* CheckBox1 = nullptr;
    QGroupBox* GroupBox3 = nullptr; // "Звук"
    QCheckBox* CheckBox3 = nullptr;
    QLineEdit* Edit1 = nullptr;
    QToolButton* SpeedButton1 = nullptr; // browse
    QToolButton* SpeedButton2 = nullptr; // play
    TPanel* Panel3 = nullptr;            // the sound's length
    QCheckBox* CheckBox2 = nullptr;      // "Показывать всегда"
    QToolButton* SpeedButton3 = nullptr; // defaults
    QPushButton* Button1 = nullptr;      // OK
    QPushButton* Button2 = nullptr;      // Cancel
    std::unique_ptr<TOpenDialog> OpenDialog1;

    // Milliseconds of the WAV named in Edit1 (-1 when it could not be read).
    int WavLength = 0;

    void FormShow();
    void SpeedButton1Click();
    void SpeedButton2Click();
    void SpeedButton3Click();
    void Button1Click();
    void Button2Click();
    void CSpinEdit1KeyPress(char& key);

protected:
    void showEvent(QShowEvent* event) override;

private:
    TSoundFileRow SoundRow_;
};
