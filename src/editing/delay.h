#pragma once
// The frame settings dialog: the display time, the placement inside the project frame and
// the fitting flag of the selected frames. With one frame every value shown is applied;
// with several only the values the user touched, to each of them. The dialog only hands its
// values back (DelayEdited, DelayGifTime or AviFrameTime, DelayPlacement, DelayFit,
// OptionsChanged); the command applies them to the frames.
#include <QDialog>

#include "app/frame_records.h"
#include "platform/types.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QSpinBox;
class QToolButton;
class TAVIForm;
class TPanel;

// Order of the flags in DelayEdited.
enum TDelayValue { dvTime, dvLeft, dvTop, dvWidth, dvHeight, dvFit };

// Where a frame placed at own ends up when the edited values of entered are applied to it.
// Width and height are cut so that the frame ends inside the project frame, measured from
// the frame's own resulting Left and Top, and never go below 0.
MYRECT PlacementAfterEdit(const MYRECT& own, const bool edited[6], const MYRECT& entered,
                          int frameWidth, int frameHeight);

class TDelayForm : public QDialog {
    Q_OBJECT
public:
    explicit TDelayForm(TAVIForm& form, QWidget* parent = nullptr);

    int FrameIndex = -1; // the frame selected first, whose values the dialog shows
    TColor UnchangedColor;
    TColor ChangedColor;

    TPanel* Panel1 = nullptr;
    QLabel* Image1 = nullptr;
    QGroupBox* GroupBox1 = nullptr;
    QSpinBox* CSpinEdit1 = nullptr;
    QGroupBox* GroupBox2 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label4 = nullptr;
    QSpinBox* CSpinEditLeft = nullptr;
    QSpinBox* CSpinEditTop = nullptr;
    QSpinBox* CSpinEditWidth = nullptr;
    QSpinBox* CSpinEditHeight = nullptr;
    QToolButton* SpeedButton1 = nullptr;
    QToolButton* SpeedButton2 = nullptr;
    QCheckBox* CheckBox1 = nullptr;
    QPushButton* Button1 = nullptr;
    QPushButton* Button2 = nullptr;

    void FormShow();
    void CSpinEdit1Change();
    void CSpinEditLeftChange();
    void CSpinEditTopChange();
    void CSpinEditWidthChange();
    void CSpinEditHeightChange();
    // Enter and Esc are swallowed (key becomes 0) and the focus goes to OK or Cancel, which
    // the dialog then presses.
    void CSpinEdit1KeyPress(char& key);
    void SpeedButton1Click();
    void SpeedButton2Click();
    // The fit box was toggled by the user, by mouse or keyboard.
    void CheckBox1MouseUp();
    void Button1Click();

    // The control carries its edited mark.
    bool Edited(const QWidget& control) const;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void CreateComponents();
    void SetPlacementFields(const MYRECT& placement);
    void EnablePlacement(bool enabled);
    MYRECT StoredPlacement() const;
    bool ResultDiffers(const bool edited[6], const MYRECT& entered) const;

    TAVIForm& form_;
};
