#pragma once
// The project options dialog: frame size, fitting, project type with its frame times, and
// which output option dialogs are shown before saving. It keeps nothing of its own: it starts
// from the window's settings when shown and writes them back on OK.
#include <QDialog>

#include "app/form_state.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QToolButton;
class TPanel;

class TOptionsForm : public QDialog {
    Q_OBJECT
public:
    TOptionsForm(TProjectSettings& project, TOutputOptions& output, TDialogResults& results,
                 QWidget* parent = nullptr);

    TPanel* Panel1 = nullptr;
    QLabel* Image1 = nullptr;
    QGroupBox* GroupBox1 = nullptr; // "Размер кадра"
    QSpinBox* CSpinEdit2 = nullptr; // width
    QSpinBox* CSpinEdit3 = nullptr; // height
    QCheckBox* CheckBox2 = nullptr; // fit to the frame
    QGroupBox* RadioGroup1 = nullptr;
    QRadioButton* RadioItemAvi = nullptr;
    QRadioButton* RadioItemGif = nullptr;
    QSpinBox* CSpinEdit1 = nullptr; // AVI frame time
    QSpinBox* CSpinEdit4 = nullptr; // GIF frame time
    QGroupBox* GroupBox2 = nullptr; // "Показывать окно с параметрами сохранения"
    QCheckBox* CheckBox1 = nullptr; // AVI
    QCheckBox* CheckBox3 = nullptr; // animated GIF
    QCheckBox* CheckBox4 = nullptr; // BMP
    QCheckBox* CheckBox5 = nullptr; // GIF
    QCheckBox* CheckBox6 = nullptr; // JPG
    QCheckBox* CheckBox7 = nullptr; // PNG
    QToolButton* SpeedButton1 = nullptr;
    QPushButton* Button1 = nullptr; // OK
    QPushButton* Button2 = nullptr; // cancel

    // The type item: 0 AVI, 1 animated GIF.
    int TypeItem() const;
    void SetTypeItem(int item);

    void FormShow();
    void RadioGroup1Click();
    // Enter and Esc in a number field press OK and Cancel; true when the key was taken.
    bool CSpinEdit2KeyPress(int key);
    void SpeedButton1Click();
    void Button1Click();

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    TProjectSettings& project_;
    TOutputOptions& output_;
    TDialogResults& results_;
};
