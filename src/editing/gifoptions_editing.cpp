// The colour options dialog's edits: each control's change, the reset to the defaults, and OK
// storing what the dialog shows.
#include "editing/gifoptions.h"

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>

#include <algorithm>

#include "app/createavi.h"
#include "app/dialogs/dialog_support.h"
#include "gif/gifimage.h"
#include "platform/colors.h"
#include "platform/qt/controls.h"

// ---- Editing -------------------------------------------------------------------------------

void TGifOptionForm::SetReductionFromCombo()
{
    WorkOptions.ColorReduction = std::int8_t(IndexToReduction(ComboReduction->currentIndex()));
    GIFImageDefaultColorReduction = TColorReduction(WorkOptions.ColorReduction);
}

void TGifOptionForm::SetDitherFromCombo()
{
    WorkOptions.ColorDither = std::int8_t(IndexToDither(ComboDither->currentIndex()));
    GIFImageDefaultDitherMode = TDitherMode(WorkOptions.ColorDither);
}

void TGifOptionForm::SetColorBitsFromCombo()
{
    WorkOptions.ReductionBit = IndexToColorBits(ComboColor->currentIndex());
    GIFImageDefaultColorReductionBits = WorkOptions.ReductionBit;
}

void TGifOptionForm::ComboReductionChange()
{
    SetReductionFromCombo();
    GifPreviewBuild(true);
    SetControlColor(*ComboReduction, ChangedColor);
}

void TGifOptionForm::ComboDitherChange()
{
    SetDitherFromCombo();
    GifPreviewBuild(true);
    SetControlColor(*ComboDither, ChangedColor);
}

void TGifOptionForm::ComboColorChange()
{
    SetColorBitsFromCombo();
    GifPreviewBuild(true);
    SetControlColor(*ComboColor, ChangedColor);
}

void TGifOptionForm::ComboBox1Change()
{
    WorkOptions.DisposalMethod = std::int8_t(std::clamp(ComboBox1->currentIndex(), 0, 3));
    SetControlColor(*ComboBox1, ChangedColor);
}

void TGifOptionForm::CompressGroupClick()
{
    WorkOptions.GIFCompression = std::int8_t(IndexToCompression(CompressGroup->ItemIndex()));
    GIFImageDefaultCompression = TGIFCompression(WorkOptions.GIFCompression);
    SetControlColor(*CompressGroup, clBtnFace);
}

void TGifOptionForm::CheckBox1MouseUp()
{
    WorkOptions.GIFTransparent = CheckBox1->isChecked();
    GifPreviewBuild(true);
    SetControlColor(*CheckBox1, clBtnFace);
}

void TGifOptionForm::SpeedButton1Click()
{
    // Every control follows the reset, the disposal list and the colour swatch included, so
    // that what the dialog shows is what OK stores.
    WorkOptions = form_.DefaultGifOptions;
    ShowWorkOptions();
    CheckBox2->setChecked(true);
    GifPreviewBuild(true);
}

void TGifOptionForm::Button1Click()
{
    if (!form_.GifOptionsForFrames) {
        form_.GifSaveDither = WorkOptions.ColorDither;
        form_.GifSaveReduction = WorkOptions.ColorReduction;
        form_.GifSaveReductionBits = WorkOptions.ReductionBit;
        form_.GifSaveCompression = WorkOptions.GIFCompression;
        form_.GifSaveTransparent = WorkOptions.GIFTransparent;
        form_.GifSaveTransparentColor = WorkOptions.TransparentColor;
        form_.ShowGifOptions = CheckBox2->isChecked();
        return;
    }
    if (FrameIndex < 0)
        return;
    const bool dither = Edited(*ComboDither), reduction = Edited(*ComboReduction),
               bits = Edited(*ComboColor), compression = Edited(*CompressGroup),
               disposal = Edited(*ComboBox1), transparency = Edited(*CheckBox1);
    bool changed = form_.SelectedFrames.size() > 1 &&
                   (dither || reduction || bits || compression || disposal || transparency);
    if (!changed) {
        const GIFOPTIONS& own = form_.FrameGifOptions.at(std::size_t(FrameIndex));
        changed = own != WorkOptions;
    }
    form_.OptionsChanged = changed;

    for (int index : form_.SelectedFrames) {
        GIFOPTIONS& options = form_.FrameGifOptions.at(std::size_t(index));
        if (dither)
            options.ColorDither = WorkOptions.ColorDither;
        if (reduction)
            options.ColorReduction = WorkOptions.ColorReduction;
        if (bits)
            options.ReductionBit = WorkOptions.ReductionBit;
        if (compression)
            options.GIFCompression = WorkOptions.GIFCompression;
        if (disposal)
            options.DisposalMethod = WorkOptions.DisposalMethod;
        if (transparency)
            options.GIFTransparent = WorkOptions.GIFTransparent;
    }
    if (transparency) {
        GIFOPTIONS& first = form_.FrameGifOptions.at(std::size_t(FrameIndex));
        first.TransparentColor = WorkOptions.TransparentColor;
        first.TransparentColorIndex = WorkOptions.TransparentColorIndex;
    }
}
