#pragma once
// Options of a frame saved as PNG: interlacing, compression level and the transparent colour.
// They are read from the window when the dialog is shown and stored only on OK.
#include <QDialog>

#include <memory>

#include "platform/qt/choose_dialogs.h"
#include "platform/types.h"

class QCheckBox;
class QGroupBox;
class QPushButton;
class QSpinBox;
class QToolButton;
class TPanel;

class TPNGForm : public QDialog {
    Q_OBJECT
public:
    explicit TPNGForm(QWidget* owner = nullptr);
    ~TPNGForm() override;

    QGroupBox* GroupBox1 = nullptr; // "Чересстрочность"
    QCheckBox* CheckBox1 = nullptr;
    QGroupBox* GroupBox2 = nullptr; // "Уровень сжатия"
    QSpinBox* CSpinEdit1 = nullptr;
    QGroupBox* GroupBox3 = nullptr; // "Цвет прозрачности"
    TPanel* Panel1 = nullptr;            // the colour swatch
    QToolButton* SpeedButton2 = nullptr; // picks the colour
    QCheckBox* CheckBox2 = nullptr;      // "Показывать всегда"
    QToolButton* SpeedButton1 = nullptr; // defaults
    QPushButton* Button1 = nullptr;      // OK
    QPushButton* Button2 = nullptr;      // Cancel
    // Keeps its own colour from one use to the next; it does not start on the swatch's.
    std::unique_ptr<TColorDialog> ColorDialog1;

    TColor Panel1Color() const { return panel1Color_; }
    void SetPanel1Color(TColor color);

    void FormShow();
    void SpeedButton1Click();
    void SpeedButton2Click();
    void Button1Click();
    void CSpinEdit1KeyPress(char& key);

protected:
    void showEvent(QShowEvent* event) override;

private:
    TColor panel1Color_ = 0xFFFFFF;
};
