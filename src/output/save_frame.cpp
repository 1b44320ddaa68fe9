// The shown frame saved as one picture file or copied to the clipboard; and the save dialogs'
// typed name following the filter the user picks.
#include "app/createavi.h"

#include <string>

#include "app/gif_defaults.h"
#include "editing/gifoptions.h"
#include "gif/gifimage.h"
#include "output/bmpoptions.h"
#include "output/jpgoptions.h"
#include "output/pngoptions.h"
#include "output/save_dialog_names.h"
#include "platform/clipboard.h"
#include "platform/jpeg_image.h"
#include "platform/qt/cursors.h"
#include "platform/qt/modal.h"
#include "platform/streams.h"
#include "png/pngimage.h"

namespace {

// The picture is encoded completely before the file is opened: an encoder that gives up half
// way must not leave the user's earlier file cut short.
template <class TPicture>
void WritePicture(const TPicture& picture, const std::string& fileName)
{
    TMemoryStream stream;
    picture.SaveToStream(stream);
    stream.SaveToFile(fileName);
}

// A format's options dialog, made for this one save and owned by the window, so that it
// opens over it; true when it ends with OK, which has stored its values in the window.
template <class TDialog>
bool OptionsConfirmed(TAVIForm& form)
{
    TDialog dialog(&form);
    return ShowModal(dialog) == mrOk;
}

// The colour options dialog in its single-frame use, where it edits the GifSave* values.
bool GifSaveOptionsConfirmed(TAVIForm& form)
{
    form.GifOptionsForFrames = false;
    TGifOptionForm dialog(form, &form);
    return ShowModal(dialog) == mrOk;
}

} // namespace

void TAVIForm::ActionSaveFrameExecute(QObject*)
{
    FrameDialogTitle = "Сохранить кадр";
    SaveDialog2->Title = FrameDialogTitle;
    SaveDialog2->Filter = "Bitmaps(*.bmp)|*.bmp|GIF Image(*.gif)|*.gif|JPEG Image(*.jpg)|*.jpg|"
                          "Portable Network Graphics(*.png)|*.png";
    SaveDialog2->DefaultExt = "bmp";
    if (!SaveDialog2->Execute())
        return;
    const std::string path = SaveDialog2->FileName;
    OutputFileName = FileNamePart(path);

    // None of these options is in the project file, so the project stays as it was.
    switch (FrameFileFormat(path)) {
    case TFrameFileFormat::Png:
        if (!ShowPngOptions || OptionsConfirmed<TPNGForm>(*this))
            SaveFramePng(path);
        break;
    case TFrameFileFormat::Gif:
        if (!ShowGifOptions || GifSaveOptionsConfirmed(*this))
            SaveFrameGif(path);
        break;
    case TFrameFileFormat::Jpeg:
        if (!ShowJpegOptions || OptionsConfirmed<TJPGForm>(*this))
            SaveFrameJpeg(path);
        break;
    case TFrameFileFormat::Bmp:
        if (!ShowBmpOptions || OptionsConfirmed<TBMPForm>(*this))
            SaveFrameBmp(path);
        break;
    case TFrameFileFormat::None:
        break;
    }
}

void TAVIForm::SaveFrameBmp(const std::string& fileName)
{
    TBitmap bitmap(*PreviewBitmap);
    bitmap.SetPixelFormat(BmpPixelFormat);
    WritePicture(bitmap, fileName);
}

void TAVIForm::SaveFrameJpeg(const std::string& fileName)
{
    TWaitCursor wait;
    TJPEGImage jpeg;
    jpeg.Assign(*PreviewBitmap);
    jpeg.SetCompressionQuality(BYTE(JpegQuality));
    jpeg.Compress();
    WritePicture(jpeg, fileName);
}

void TAVIForm::SaveFramePng(const std::string& fileName)
{
    TWaitCursor wait;
    TPNGObject png;
    png.Assign(*PreviewBitmap);
    // Always written, so the file names a transparent colour even when it is the default.
    png.SetTransparentColor(PngTransparentColor);
    png.InterlaceMethod = PngInterlaced ? imAdam7 : imNone;
    png.SetCompressionLevel(BYTE(PngCompressionLevel));
    WritePicture(png, fileName);
}

void TAVIForm::SaveFrameGif(const std::string& fileName)
{
    TWaitCursor wait;
    // The transparency is lent to the shown frame only for the conversion; the preview must
    // not stay transparent, whatever the library does.
    struct TOpaqueAgain {
        TBitmap& Bitmap;
        ~TOpaqueAgain() { Bitmap.SetTransparent(false); }
    } opaqueAgain{*PreviewBitmap};
    if (GifSaveTransparent) {
        PreviewBitmap->SetTransparent(true);
        PreviewBitmap->SetTransparentColor(GifSaveTransparentColor);
    }
    GIFOPTIONS conversion;
    conversion.ColorDither = GifSaveDither;
    conversion.ColorReduction = GifSaveReduction;
    conversion.ReductionBit = GifSaveReductionBits;
    conversion.GIFCompression = GifSaveCompression;
    SetGifConversionDefaults(conversion);

    TGIFImage gif;
    gif.Assign(*PreviewBitmap);
    // The library converts a plain bitmap as opaque whatever its transparency says, so the
    // pixels that came out in the transparent colour are marked here. A colour the picture
    // does not have leaves it opaque: adding it to a full table would refuse the whole save.
    // No delay and no loop for a single picture.
    if (GifSaveTransparent && gif.Images().GetCount() > 0) {
        TGIFSubImage& image = *gif.Images().GetImage(0);
        const int index = image.GetActiveColorMap().IndexOf(GifSaveTransparentColor);
        if (index >= 0) {
            auto* control = new TGIFGraphicControlExtension(&image);
            image.Extensions().Add(control);
            control->SetTransparent(true);
            control->SetTransparentColorIndex(BYTE(index));
        }
    }
    gif.OptimizeColorMap();
    gif.SaveToFile(fileName);
}

void TAVIForm::ActionCopyExecute(QObject*) { Clipboard().SetBitmap(*PreviewBitmap); }

// ---- The save dialogs' typed name

namespace {

void FollowFilter(TFileDialog& dialog, std::string& storedText, std::string (*extensionOf)(int))
{
    if (!dialog.HasNameField())
        return;
    const std::string text = dialog.TypedName();
    if (text.empty())
        return;
    storedText = text;
    dialog.SetTypedName(SwitchFileExtension(text, extensionOf(dialog.FilterIndex)));
}

} // namespace

void TAVIForm::SaveDialog2Show(TFileDialog&) { FrameDialogFileText.clear(); }

void TAVIForm::SaveDialog2TypeChange(TFileDialog& sender)
{
    FollowFilter(sender, FrameDialogFileText, &FrameDialogExtension);
}

void TAVIForm::SaveDialog1Show(TFileDialog&) { OutputDialogFileText.clear(); }

void TAVIForm::SaveDialog1TypeChange(TFileDialog& sender)
{
    FollowFilter(sender, OutputDialogFileText, &OutputDialogExtension);
}
