#pragma once
// The sound dialog: the WAV file an AVI project plays and writes as its sound track. It reads
// the window's sound values when it is shown and stores them only on OK, where it also tells
// the caller (OptionsChanged) whether the project's sound was changed.
#include <QDialog>

#include <memory>

#include "output/sound_file_row.h"
#include "platform/qt/file_dialogs.h"

class QCheckBox;
class QLineEdit;
class QPushButton;
class QToolButton;
class TPaintBox;
class TPanel;

class TFormAddSound : public QDialog {
    Q_OBJECT
public:
    explicit TFormAddSound(QWidget* owner = nullptr);
    ~TFormAddSound() override;

    TPaintBox* Image1 = nullptr; // the decorative picture of the left panel
    QCheckBox* CheckBox1 = nullptr;
    QLineEdit* Edit1 = nullptr;
    QToolButton* SpeedButton1 = nullptr; // browse
    QToolButton* SpeedButton2 = nullptr; // play
    TPanel* Panel3 = nullptr;            // the sound's length
    QPushButton* Button1 = nullptr;      // OK
    QPushButton* Button2 = nullptr;      // Cancel
    std::unique_ptr<TOpenDialog> OpenDialog1;

    // Milliseconds of the WAV named in Edit1 (-1 when it could not be read).
    int WavLength = 0;

    void FormShow();
    void SpeedButton1Click();
    void SpeedButton2Click();
    void Button1Click();

protected:
    void showEvent(QShowEvent* event) override;

private:
    TSoundFileRow SoundRow_;
};
