// The flip commands of the main window: a frame's bitmap made anew from its source picture
// in the chosen mode.
#include "app/createavi.h"

#include <QAction>
#include <QScrollArea>

#include <exception>
#include <memory>
#include <new>

#include "app/gif_defaults.h"
#include "app/project_format.h"
#include "editing/flip.h"
#include "gif/gifimage.h"
#include "platform/exceptions.h"
#include "platform/qt/controls.h"

TRect TAVIForm::GetFlipRect(int mode, int width, int height) const { return ::GetFlipRect(mode, width, height); }

bool TAVIForm::RenderFrameFromFile(int mode, int index, int width, int height)
{
    (void)width;
    (void)height;
    const std::size_t frame = std::size_t(index);
    const std::string path = FrameFiles.at(frame);
    if (!ProjectFileExists(path)) {
        LogLine(ProjectMissingFileLine(path));
        return false;
    }
    const std::string ext = LowerFileExtension(path);
    TBitmap picture;
    if (ext == ".gif") {
        const TGifSources::TScope gifScope(gifSources_);
        TGIFImage& gif = gifSources_.Load(path);
        const int number = FrameSubImages.at(frame);
        if (number < 0 || number >= gif.Images().GetCount() || gif.Images().GetImage(number)->Empty()) {
            LogLine("Не найден кадр " + std::to_string(number) + " в файле " + path);
            return false;
        }
        TakeGifPicture(*gif.Images().GetImage(number), picture);
    } else if (ext == ".bmp" || ext == ".ico" || ext == ".jpg" || ext == ".jpeg" || ext == ".png") {
        if (!LoadFrameImage(path, picture)) {
            LogPictureFailure(path);
            return false;
        }
    } else {
        // A source the program cannot read again keeps its bitmap; the mode is still taken.
        return true;
    }
    // The frame is built as the project reader builds it, so a flipped frame looks the same
    // after the project is saved and opened again.
    RenderFlippedFrame(*FrameBitmaps.at(frame), picture, mode, FrameStretch.at(frame));
    return true;
}

void TAVIForm::LogPictureFailure(const std::string& path) { LogLine("Ошибка при создании BITMAP из " + path); }

bool TAVIForm::TryFrameRebuild(const std::string& path, const std::function<bool()>& rebuild)
{
    try {
        return rebuild();
    } catch (const EOutOfMemory&) {
        // Memory that ran out ends the command, as it ends every other: the next frame would
        // only run out again.
        throw;
    } catch (const std::bad_alloc&) {
        throw EOutOfMemory(SOutOfMemory);
    } catch (const std::exception&) {
        LogPictureFailure(path);
        return false;
    }
}

void TAVIForm::FlipSelectedFrames(int mode)
{
    TWaitCursor wait;
    TWindowUpdateLock lock(ScrollBox2);
    // Whatever ends the loop, the frames done so far count and the log shows.
    struct TFinish {
        TAVIForm& Form;
        ~TFinish()
        {
            Form.SetProjectModified(true);
            Form.ShowLogPanel();
        }
    } finish{*this};
    auto show = [this] {
        if (!SelectedFrames.empty()) {
            ShowFrame(SelectedFrames.front());
            PaintBox1->update();
        }
    };
    try {
        // Frames that follow each other in one GIF file load it once.
        const TGifSources::TScope gifScope(gifSources_);
        for (const int n : SelectedFrames) {
            const MYRECT& placement = FramePlacements.at(std::size_t(n));
            if (TryFrameRebuild(FrameFiles.at(std::size_t(n)),
                                [&] { return RenderFrameFromFile(mode, n, placement.Width, placement.Height); }))
                FrameFlips.at(std::size_t(n)) = mode;
        }
    } catch (...) {
        show();
        throw;
    }
    show();
}

void TAVIForm::ActionFlipExecute()
{
    for (QAction* item : {ItemNormal, ItemHorizontal, ItemVertical, ItemHorizVert})
        item->setEnabled(true);
}

void TAVIForm::ItemNormalClick() { FlipSelectedFrames(0); }
void TAVIForm::ItemHorizontalClick() { FlipSelectedFrames(1); }
void TAVIForm::ItemVerticalClick() { FlipSelectedFrames(2); }
void TAVIForm::ItemHorizVertClick() { FlipSelectedFrames(3); }
