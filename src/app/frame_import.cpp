// Bringing picture files in as frames: the add and insert commands, dropped files, and the
// frames of a GIF file.
#include "app/createavi.h"

#include <QAction>
#include <QScrollArea>
#include <QToolBar>

#include <algorithm>
#include <memory>
#include <stdexcept>

#include "app/frame_import_rules.h"
#include "app/gif_defaults.h"
#include "app/project_format.h"
#include "gif/gifimage.h"
#include "platform/qt/controls.h"

WORD GifImageFrameTime(int projectType, int aviFrameTime, WORD gifFrameTime, bool hasDelay, int delay)
{
    long long time = gifFrameTime;
    if (projectType == 0)
        time = WORD(aviFrameTime);
    else if (projectType == 1 && hasDelay)
        time = std::min<long long>(std::max(delay, 0) * 10LL, 65535);
    return time == 0 ? gifFrameTime : WORD(time);
}

int GifImageReductionBits(int imageBits, int fileBits)
{
    return imageBits >= 3 ? imageBits : std::clamp(fileBits, 3, 8);
}

namespace {

enum class TFileKind { Gif, Still, Other };

TFileKind KindOf(const std::string& fileName)
{
    const std::string ext = LowerFileExtension(fileName);
    if (ext == ".gif")
        return TFileKind::Gif;
    if (ext == ".bmp" || ext == ".ico" || ext == ".jpg" || ext == ".jpeg" || ext == ".png")
        return TFileKind::Still;
    return TFileKind::Other;
}

void ReportNotGif() { MessageBox("Это не GIF.", "Ошибка", MB_OK); }

// A GIF that memory cannot hold is a GIF all the same: the command ends as it ends when
// memory runs out anywhere else, with the frames made so far, and says so.
void ReportGifError(const EInvalidGraphic& error)
{
    if (dynamic_cast<const GIFException*>(&error) && error.Message == LoadGIFString(sOutOfMemDIB))
        throw EOutOfMemory(SOutOfMemory);
    ReportNotGif();
}

} // namespace

int TAVIForm::InsertGifImages(std::size_t index, const std::string& fileName, bool forTextFrames)
{
    if (index > FrameCount())
        throw std::out_of_range("InsertGifFrames: index out of range");
    const std::unique_ptr<TGIFImage> made = LoadGifSource(fileName);
    TGIFImage& gif = *made;
    const int fileBits = gif.GetBitsPerPixel();
    int added = 0;
    for (int i = 0; i < gif.Images().GetCount(); ++i) {
        TGIFSubImage* image = gif.Images().GetImage(i);
        if (image->Empty())
            continue;
        TFrameData frame;
        frame.File = fileName;
        frame.SubImage = i;
        frame.Placement = forTextFrames ? TextFramePlacement
                                        : MYRECT{image->Left(), image->Top(), image->Width(), image->Height()};
        FitFrameRect(frame.Placement, ProjectStretch);
        // A file of many tiny images makes as many frames, each as large as its placement:
        // what they hold grows with the frames, not with the file.
        ReserveFrameMemory(frame.Placement.Width, frame.Placement.Height);

        // Each image is let go of once its frame has its picture, and each picture once its
        // frame is made, so that a file of many large images costs about one of them.
        TBitmap picture;
        TakeGifPicture(*image, picture);
        frame.Thumbnail = MakeThumbnailBitmap(picture);
        const TGIFGraphicControlExtension* control = image->GraphicControlExtension();
        frame.Time = GifImageFrameTime(ProjectType, AviFrameTime, GifFrameTime, control != nullptr,
                                       control ? control->GetDelay() : 0);
        frame.Flip = 0;
        frame.GifOptions = MakeGifFrameRecord(*image);
        if (forTextFrames) {
            frame.GifOptions.ReductionBit = 3;
            frame.GifOptions.GIFTransparent = false;
        } else {
            frame.GifOptions.ReductionBit = GifImageReductionBits(frame.GifOptions.ReductionBit, fileBits);
        }
        frame.Stretch = ProjectStretch;
        frame.Bitmap = std::make_unique<TBitmap>();
        CopyPictureToFrameBitmap(*frame.Bitmap, picture, frame.Placement.Width, frame.Placement.Height,
                                 ProjectStretch);
        const TFrameCell cell = CreateFrameThumbnail(int(FrameCount()) + 1, frame.Time, *frame.Thumbnail);
        InsertFrame(index + std::size_t(added), std::move(frame), cell);
        ++added;
    }
    return added;
}

int TAVIForm::InsertStillFrame(std::size_t index, const std::string& fileName)
{
    TBitmap picture;
    if (!LoadFrameImage(fileName, picture) || picture.Empty())
        return 0;
    TFrameData frame = MakeStillFrame(fileName, picture);
    const TFrameCell cell = CreateFrameThumbnail(int(FrameCount()) + 1, frame.Time, *frame.Thumbnail);
    InsertFrame(index, std::move(frame), cell);
    return 1;
}

int TAVIForm::AddGifFrames(const std::string& fileName)
{
    const std::size_t before = FrameCount();
    try {
        InsertGifImages(FrameCount(), fileName, false);
    } catch (const EInvalidGraphic& error) {
        ReportGifError(error);
    }
    return int(FrameCount() - before);
}

int TAVIForm::InsertGifFrames(int index, const std::string& fileName)
{
    if (index < 0 || std::size_t(index) > FrameCount())
        throw std::out_of_range("InsertGifFrames: index out of range");
    TWaitCursor wait;
    TWindowUpdateLock lock(ScrollBox2);
    EmptySelection();
    return InsertGifImages(std::size_t(index), fileName, true);
}

void TAVIForm::ImportFiles(const std::vector<std::string>& files, bool stopAtOtherKind)
{
    for (const std::string& file : files) {
        switch (KindOf(file)) {
        case TFileKind::Gif:
            AddGifFrames(file);
            break;
        case TFileKind::Still:
            AddImageFrame(file);
            break;
        case TFileKind::Other:
            if (stopAtOtherKind)
                return;
            break;
        }
    }
}

void TAVIForm::ShowAfterAppend()
{
    SetProjectModified(true);
    UpdateStatusTotals();
    const int count = int(FrameCount());
    if (count == 0)
        return;
    ClearSelection();
    SetStripRange();
    ScrollStripToEnd();
    ShowFrame(count - 1);
    SelectFrame(count - 1);
    UpdateFrameActions(true);
    ActionUp->setEnabled(count > 1);
    ActionDown->setEnabled(false);
}

void TAVIForm::ActionAddExecute()
{
    if (!OpenPictureDialog1->Execute())
        return;
    ArrangeToolbars();
    repaint();
    TWaitCursor wait;
    TWindowUpdateLock lock(ScrollBox2);
    // The frames added before an error stay, and the window shows them before the error.
    try {
        ImportFiles(OpenPictureDialog1->Files, false);
    } catch (...) {
        ShowAfterAppend();
        throw;
    }
    ShowAfterAppend();
}

void TAVIForm::WMDropFiles(const std::vector<std::string>& files)
{
    // Frames must not change under the running preview, nor arrive before a project exists.
    if (ToolBar1->isHidden() || PreviewRunning || PreviewResumable)
        return;
    TWaitCursor wait;
    TWindowUpdateLock lock(ScrollBox2);
    try {
        ImportFiles(files, true);
    } catch (...) {
        if (FrameCount() > 0)
            ShowAfterAppend();
        throw;
    }
    if (FrameCount() > 0)
        ShowAfterAppend();
}

void TAVIForm::ActionInsertExecute()
{
    if (SelectedFrames.empty())
        return;
    if (!OpenPictureDialog1->Execute())
        return;
    ArrangeToolbars();
    repaint();
    const std::size_t before = FrameCount();
    const std::size_t k = std::size_t(SelectedFrames.front());
    TWaitCursor wait;
    TWindowUpdateLock lock(ScrollBox2);
    EmptySelection();

    // Each cell keeps its place and number; its content follows the frames. Also run when
    // an error ends the import, so that the frames inserted so far show.
    auto finish = [this, before, k] {
        const std::size_t count = FrameCount();
        const int selected = int(k + (count - before));
        for (std::size_t i = 0; i < count; ++i)
            RedrawCell(i);
        SetStripRange();
        ScrollStripTo(std::max(0, (selected - 1) * CellPitch() + 4));
        if (std::size_t(selected) < count)
            SelectFrame(selected);
        UpdateFrameActions(true);
        ActionUp->setEnabled(selected >= 1);
        ActionDown->setEnabled(selected + 1 < int(count));
        SetProjectModified(true);
        UpdateStatusTotals();
    };
    try {
        for (const std::string& file : OpenPictureDialog1->Files) {
            switch (KindOf(file)) {
            case TFileKind::Gif:
                try {
                    InsertGifImages(k, file, false);
                } catch (const EInvalidGraphic& error) {
                    ReportGifError(error);
                }
                break;
            case TFileKind::Still:
                InsertStillFrame(k, file);
                break;
            case TFileKind::Other:
                break;
            }
        }
    } catch (...) {
        finish();
        throw;
    }
    finish();
}
