#pragma once
// Options of the animated GIF, with the animation itself playing as they are set. Read from
// the window when the dialog is shown and stored only on OK, where the image to be saved is
// built; OK tells the caller (OptionsChanged) whether a value the project file keeps changed.
#include <QDialog>

#include <functional>

class QCheckBox;
class QLabel;
class QPushButton;
class QScrollArea;
class QSpinBox;
class QToolButton;
class TImage;

class TAniGIFForm : public QDialog {
    Q_OBJECT
public:
    explicit TAniGIFForm(QWidget* owner = nullptr);
    ~TAniGIFForm() override;

    // Builds the window's OutputGif from its frames with these options (the loop count comes
    // from the window's GifLoopCount); the library's errors pass through. The window's own
    // builder is put here by whoever shows the dialog.
    std::function<void(bool optimize, bool crop, bool merge, bool interlaced)> WriteGifAnimation;

    QCheckBox* CheckBox1 = nullptr; // "Создать одну глобальную таблицу"
    QCheckBox* CheckBox2 = nullptr; // "оптимизировать прозрачные участки"
    QCheckBox* CheckBox3 = nullptr; // "Удалить неиспользуемые цвета"
    QCheckBox* CheckBox6 = nullptr; // "Чересстрочный вывод"
    QCheckBox* CheckBox7 = nullptr; // "Бесконечный цикл"
    QLabel* Label1 = nullptr;       // "Кол-ство циклов"
    QSpinBox* CSpinEdit1 = nullptr;
    QScrollArea* ScrollBox1 = nullptr;
    TImage* Image1 = nullptr;
    QCheckBox* CheckBox5 = nullptr;      // "Показывать всегда"
    QToolButton* SpeedButton1 = nullptr; // defaults
    QPushButton* Button2 = nullptr;      // OK
    QPushButton* Button1 = nullptr;      // Cancel

    void FormShow();
    void AniGifPreviewBuild();
    void CheckBox1MouseUp();
    void SpeedButton1Click();
    void Button2Click();
    void Button1Click();
    void CSpinEdit1KeyPress(char& key);

    // Esc and the close box cancel as the cancel button does.
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    // Stops the painter of the window's image, which the preview shows.
    void StopPreview();
    // Stops the preview and takes the window's image out of it.
    void ReleasePreview();
};
