#pragma once
// A headless main window with a project of frames made to measure, each with its strip cell,
// for the commands that write or play the whole project.
#include <QScrollArea>

#include <functional>
#include <memory>
#include <string>

#include "app/form_fixture.h"
#include "platform/canvas.h"
#include "platform/qt/controls.h"

// The window with the output options dialogs answered by the test: each answer may change
// OptionsChanged and says whether the dialog ended with OK.
class TOutputForm : public TTestForm {
public:
    using TTestForm::TTestForm;
    std::function<bool(TOutputForm&)> AviOptionsAnswer;
    std::function<bool(TOutputForm&)> AniGifOptionsAnswer;
    int AviOptionsShown = 0;
    int AniGifOptionsShown = 0;
    // The real dialogs, shown through the modal-dialog double.
    bool RealOptionsDialogs = false;

    bool RunAviOptionsDialog() override
    {
        ++AviOptionsShown;
        if (RealOptionsDialogs)
            return TTestForm::RunAviOptionsDialog();
        // Unanswered, the dialog is taken as OK with nothing changed.
        return AviOptionsAnswer ? AviOptionsAnswer(*this) : true;
    }
    bool RunAniGifOptionsDialog() override
    {
        ++AniGifOptionsShown;
        if (RealOptionsDialogs)
            return TTestForm::RunAniGifOptionsDialog();
        if (AniGifOptionsAnswer)
            return AniGifOptionsAnswer(*this);
        // Unanswered, the dialog's OK builds the image from the stored options.
        WriteGifAnimation(GifOptimize, GifCrop, GifMerge, GifInterlaced);
        return true;
    }
};

class TOutputTest : public TFormTest {
protected:
    TOutputForm& Form()
    {
        if (!form_) {
            form_ = std::make_unique<TOutputForm>();
            form_->FrameWidth = 8;
            form_->FrameHeight = 6;
        }
        return static_cast<TOutputForm&>(*form_);
    }

    // Appends a frame of one colour at (left, top) with its cell.
    void AddFrame(TColor color, WORD time, MYRECT place = {0, 0, 8, 6}, GIFOPTIONS options = Plain())
    {
        TFrameData frame;
        frame.Bitmap = std::make_unique<TBitmap>(place.Width, place.Height, pf24bit);
        frame.Bitmap->Canvas().Brush().Color = color;
        frame.Bitmap->Canvas().FillRect(TRect{0, 0, place.Width, place.Height});
        frame.Time = time;
        frame.GifOptions = options;
        frame.Placement = place;
        TFrameCell cell;
        cell.Panel = new TPanel(Form().ScrollBox2->widget());
        cell.Marker = new TShape(cell.Panel);
        cell.Marker->hide();
        Form().AppendFrame(std::move(frame), cell);
    }

    static GIFOPTIONS Plain() { return GIFOPTIONS{0, 7, 8, 0, 0, clWhite, 0, false}; }
};
