#pragma once
// Options of a frame saved as BMP: the pixel format, with the frame shown before and after
// the conversion. Read from the window when the dialog is shown, stored only on OK.
#include <QDialog>

#include <memory>

#include "platform/bitmap.h"

class QCheckBox;
class QLabel;
class QPushButton;
class QToolButton;
class TPaintBox;
class TPanel;
class TRadioGroup;

class TBMPForm : public QDialog {
    Q_OBJECT
public:
    explicit TBMPForm(QWidget* owner = nullptr);
    ~TBMPForm() override;

    // The formats of RadioGroup1's items, in order.
    static constexpr TPixelFormat ItemFormats[6] = {pf1bit, pf4bit, pf8bit, pf16bit, pf24bit, pf32bit};

    TRadioGroup* RadioGroup1 = nullptr; // "Формат пиксела"
    QWidget* Panel2 = nullptr;          // holds both pictures
    QLabel* Label1 = nullptr;           // "До"
    TPanel* Panel1 = nullptr;
    TPaintBox* ImageSrc = nullptr;
    QLabel* Label2 = nullptr; // "После"
    TPanel* Panel3 = nullptr;
    TPaintBox* ImageBMP = nullptr;
    QCheckBox* CheckBox1 = nullptr;      // "Показывать всегда"
    QToolButton* SpeedButton1 = nullptr; // defaults
    QPushButton* Button1 = nullptr;      // OK
    QPushButton* Button2 = nullptr;      // Cancel

    std::unique_ptr<TBitmap> SourceBitmap; // the frame as it is
    std::unique_ptr<TBitmap> ResultBitmap; // the frame in the chosen format

    void FormShow();
    void BmpPreviewBuild();
    void RadioGroup1Click();
    void SpeedButton1Click();
    void Button1Click();
    void ImageSrcPaint(QPainter& painter);
    void ImageBMPPaint(QPainter& painter);

protected:
    void showEvent(QShowEvent* event) override;
};
