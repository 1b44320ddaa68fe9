#pragma once
// The text-frame dialog: a line of text, how it scrolls, where it stands in the project
// frame, and a preview that plays it with a timer. Its Add renders the frames into a GIF in
// the Work folder and keeps the settings for the next time.
#include <QDialog>

#include <memory>
#include <string>
#include <vector>

#include "app/form_state.h"
#include "platform/bitmap.h"
#include "platform/qt/mm_timer.h"

class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QScrollArea;
class TCSpinEdit;
class TPanel;

// What the dialog is opened on, from the main window.
struct TTextFrameContext {
    int FrameWidth = 0;
    int FrameHeight = 0;
    const TBitmap* Picture = nullptr; // the first selected frame's bitmap
    MYRECT Placement;                 // and where it stands
    std::string ProgramFolder;        // ends with "/"
};

class TFormText : public QDialog {
    Q_OBJECT
public:
    TFormText(TTextFrameSettings& settings, TDialogResults& results, TTextFrameContext context,
              QWidget* parent = nullptr);
    ~TFormText() override;

    // The preview's place in the frames; kept from one run of the dialog to the next.
    static int PreviewIndex;
    static int PreviewDownY;
    static int PreviewUpY; // negative until the first dialog sets it to the frame height

    void FormShow();
    void PaintTextPaint();
    void ButSelColorClick();
    void ButSelFontClick();
    void CSpinEditDurationChange();
    void CSpinEditNumberChange();
    void RadioGroup1Click();
    void ButSetTextClick();
    void ButSetTextKeyPress();
    void CheckBox1MouseUp();
    void CSpinEditLeftChange();
    void CSpinEditTopChange();
    void CSpinEditFrameLeftChange();
    void CSpinEditFrameTopChange();
    void CSpinEditWidthChange();
    void CSpinEditHeightChange();
    void PaintTextMouseDown(Qt::MouseButton button, int x, int y);
    void PaintTextMouseMove(int x, int y);
    void PaintTextMouseUp(Qt::MouseButton button, int x, int y);
    void Image1DblClick();
    void Image1MouseUp(int x, int y);
    // Swallows Enter ('\r') and Esc (0x1B) and moves the focus to Add or Cancel, which the
    // dialog then presses; other keys go to the field.
    void CSpinEditLeftKeyPress(char& key);
    void Timer1Timer();
    // Renders and saves the frames and keeps the settings; raises what goes wrong, leaving
    // the settings as they were and nothing written.
    void Button1Click();
    void Button2Click();

    void TextLayout();
    int RadioIndex() const;
    // The GIF this dialog's Add wrote; empty until one was written.
    const std::string& WrittenGif() const { return writtenGif_; }

    // ---- Components
    QLineEdit* Edit1 = nullptr;
    QPushButton* ButSetText = nullptr;
    QGroupBox* RadioGroup1 = nullptr;
    QButtonGroup* RadioButtons = nullptr;
    QGroupBox* GroupBox1 = nullptr;
    TCSpinEdit* CSpinEditLeft = nullptr;
    TCSpinEdit* CSpinEditTop = nullptr;
    TCSpinEdit* CSpinEditFrameLeft = nullptr;
    TCSpinEdit* CSpinEditFrameTop = nullptr;
    TCSpinEdit* CSpinEditWidth = nullptr;
    TCSpinEdit* CSpinEditHeight = nullptr;
    QGroupBox* GroupBox2 = nullptr;
    TCSpinEdit* CSpinEditNumber = nullptr;
    TCSpinEdit* CSpinEditDuration = nullptr;
    QPushButton* ButSelFont = nullptr;
    QPushButton* ButSelColor = nullptr;
    QCheckBox* CheckBox1 = nullptr;
    QScrollArea* ScrollBox1 = nullptr;
    TPanel* Panel4 = nullptr;
    QWidget* Panel8 = nullptr;
    QWidget* Image1 = nullptr;
    QWidget* PaintText = nullptr;
    QPushButton* Button1 = nullptr;
    QPushButton* Button2 = nullptr;
    TTimer Timer1;

    // ---- State
    TColor BackColor = clWhite;
    TColor PickedColor = clWhite;
    int PreviewMargin = 2;
    int DragStartX = 0;
    int DragStartY = 0;
    bool Dragging = false;
    std::string Text;
    int LineHeight = 0;
    int FrameTime = 0;
    int TextX = 0;
    int TextY = 0;
    int Count = 0;
    int AreaLeft = 0;
    int AreaTop = 0;
    int AreaWidth = 0;
    int AreaHeight = 0;
    std::unique_ptr<TBitmap> TextBitmap;
    std::vector<std::string> TextLines;
    // The first selected frame at its place in the project frame: the background picture.
    TBitmap BackPicture;

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void reject() override;

private:
    void CreateComponents();
    void PlacePaintText();
    void StartTimer();
    void StopTimer();

    TTextFrameSettings& settings_;
    TDialogResults& results_;
    TTextFrameContext context_;
    std::string writtenGif_;
    bool shown_ = false;
};
