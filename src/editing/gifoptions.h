#pragma once
// The colour options dialog: how a frame becomes a GIF image (reduction, colour count,
// dithering, compression, disposal, transparent colour), shown before and after conversion
// with the palette of the conversion, from which the transparent colour is picked.
//
// Two uses, told apart by the window's GifOptionsForFrames: on, it edits the options of the
// selected frames (with several frames only the options the user touched are applied, the
// transparent colour itself only to the frame selected first); off, it edits the options of
// saving the shown frame as one GIF picture. While open it keeps the GIF library's
// conversion defaults at the values shown, since a new image takes its settings from them.
#include <QDialog>

#include <memory>
#include <vector>

#include "app/frame_records.h"
#include "platform/bitmap.h"
#include "platform/types.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QToolButton;
class TAVIForm;
class TDrawGrid;
class TGIFImage;
class TPaintBox;
class TPanel;
class TRadioGroup;

// The choices of the lists and the values they stand for, both ways. A value without an
// item answers -1 (no selection); an index without a value answers the nearest sane value.
int ReductionToIndex(int reduction);
int IndexToReduction(int index);
int DitherToIndex(int dither);
int IndexToDither(int index);
int ColorBitsToIndex(int bits); // 3 bits (8 colours) .. 8 bits (256 colours)
int IndexToColorBits(int index);
int CompressionToIndex(int compression);
int IndexToCompression(int index);
// Colour bits the GIF library accepts, 1 to 8.
int ClampReductionBits(int bits);

// Columns and rows of the palette grid for a palette of that many colours: 16 to a row.
struct TGridShape {
    int Columns = 0;
    int Rows = 0;
    friend bool operator==(const TGridShape&, const TGridShape&) = default;
};
TGridShape PaletteGridShape(int colours);

class TGifOptionForm : public QDialog {
    Q_OBJECT
public:
    explicit TGifOptionForm(TAVIForm& form, QWidget* parent = nullptr);
    ~TGifOptionForm() override;

    int FrameIndex = -1;
    GIFOPTIONS WorkOptions{};
    std::unique_ptr<TBitmap> SourceBitmap;
    std::unique_ptr<TBitmap> GifBitmap;
    TColor UnchangedColor;
    TColor ChangedColor;
    std::vector<TColor> PaletteColors;

    QLabel* Label1 = nullptr;
    TPanel* Panel1 = nullptr;
    TPaintBox* ImageSrc = nullptr;
    QLabel* Label2 = nullptr;
    TPanel* Panel2 = nullptr;
    TPaintBox* ImageGif = nullptr;
    QGroupBox* GroupBox1 = nullptr;
    QLabel* Label3 = nullptr;
    QComboBox* ComboReduction = nullptr;
    QLabel* Label4 = nullptr;
    QComboBox* ComboDither = nullptr;
    QLabel* Label5 = nullptr;
    QComboBox* ComboColor = nullptr;
    QLabel* Label6 = nullptr;
    QComboBox* ComboBox1 = nullptr;
    TRadioGroup* CompressGroup = nullptr;
    TPanel* Panel4 = nullptr;
    TDrawGrid* DrawGrid1 = nullptr;
    TPanel* Panel5 = nullptr;
    QCheckBox* CheckBox1 = nullptr;
    TPanel* Panel3 = nullptr;
    QToolButton* SpeedButton1 = nullptr;
    QCheckBox* CheckBox2 = nullptr;
    QPushButton* Button1 = nullptr;
    QPushButton* Button2 = nullptr;

    void FormShow();
    void ComboReductionChange();
    void ComboDitherChange();
    void ComboColorChange();
    void ComboBox1Change();
    void CompressGroupClick();
    // The transparency box was toggled by the user, by mouse or keyboard.
    void CheckBox1MouseUp();
    void SpeedButton1Click();
    void Button1Click();
    void ImageSrcPaint(QPainter& painter);
    void ImageGifPaint(QPainter& painter);
    void DrawGrid1DrawCell(QPainter& painter, int col, int row, const QRect& rect, bool focused);
    void DrawGrid1SelectCell(int col, int row, bool& canSelect);

    void SetReductionFromCombo();
    void SetDitherFromCombo();
    void SetColorBitsFromCombo();
    void GifPreviewBuild(bool optimize);
    void FillPaletteGrid(TGIFImage& image);

    // The control carries its edited mark.
    bool Edited(const QWidget& control) const;
    // The colour the swatch of the transparent colour shows.
    TColor TransparentSwatchColor() const;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void CreateComponents();
    // The controls and the library's conversion defaults from WorkOptions.
    void ShowWorkOptions();
    void ShowTransparentColor(TColor color);
    const TBitmap* PreviewSource() const;

    TAVIForm& form_;
};
