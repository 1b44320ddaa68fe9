#pragma once
// Options of a frame saved as JPEG: the quality, on a slider of our own drawing, with the frame
// shown before and after compression. Read from the window when the dialog is shown, stored
// only on OK.
#include <QDialog>

#include <memory>

#include "platform/bitmap.h"

class QCheckBox;
class QLabel;
class QPushButton;
class QToolButton;
class TPaintBox;
class TPanel;
class TTrackBar;

class TJPGForm : public QDialog {
    Q_OBJECT
public:
    explicit TJPGForm(QWidget* owner = nullptr);
    ~TJPGForm() override;

    QLabel* Label3 = nullptr;    // "Сжатие/Качество"
    QLabel* Label4 = nullptr;    // "0"
    TTrackBar* TrackBar1 = nullptr;
    QLabel* Label5 = nullptr;    // "100"
    TPanel* Panel1 = nullptr;    // the quality as a number
    QLabel* Label1 = nullptr;    // "До"
    TPanel* Panel2 = nullptr;
    TPaintBox* ImageSrc = nullptr;
    QLabel* Label2 = nullptr;    // "После"
    TPanel* Panel3 = nullptr;
    TPaintBox* ImageJPG = nullptr;
    QLabel* Image1 = nullptr;    // the thumb's picture, never shown itself
    QCheckBox* CheckBox1 = nullptr;      // "Показывать всегда"
    QToolButton* SpeedButton1 = nullptr; // defaults
    QPushButton* Button1 = nullptr;      // OK
    QPushButton* Button2 = nullptr;      // Cancel

    std::unique_ptr<TBitmap> SourceBitmap; // the frame as it is
    std::unique_ptr<TBitmap> ResultBitmap; // the frame as the JPEG file will hold it

    void FormShow();
    void JpegPreviewBuild();
    void TrackBar1Change();
    void SpeedButton1Click();
    void Button1Click();
    void ImageSrcPaint(QPainter& painter);
    void ImageJPGPaint(QPainter& painter);

protected:
    void showEvent(QShowEvent* event) override;
};

// The frame as a JPEG file of this quality would bring it back: compressed, then decoded.
std::unique_ptr<TBitmap> JpegRoundTrip(const TBitmap& source, int quality);
