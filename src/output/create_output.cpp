// The create command: the whole project into one AVI or animated GIF file; and the animated
// GIF built from the frames.
#include "app/createavi.h"

#include <string>
#include <vector>

#include "gif/gifimage.h"
#include "output/anigifoptions.h"
#include "output/avioptions.h"
#include "output/gif_animation.h"
#include "platform/exceptions.h"
#include "platform/qt/cursors.h"
#include "platform/qt/modal.h"

namespace {

// The file name without its folder.
std::string NamePart(const std::string& path)
{
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// From the name part's last dot to its end; empty when the name part has no dot.
std::string Extension(const std::string& path)
{
    const std::string name = NamePart(path);
    const std::size_t dot = name.find_last_of('.');
    return dot == std::string::npos ? std::string() : name.substr(dot);
}

bool SameAscii(const std::string& text, const std::string& lower)
{
    if (text.size() != lower.size())
        return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i] >= 'A' && text[i] <= 'Z' ? char(text[i] - 'A' + 'a') : text[i];
        if (c != lower[i])
            return false;
    }
    return true;
}

} // namespace

void TAVIForm::ActionCreateExecute(QObject*) { CreateOutputFile(); }

void TAVIForm::CreateOutputFile()
{
    if (!SaveDialog1->Execute())
        return;
    repaint();
    const std::string path = SaveDialog1->FileName;
    OutputFileName = NamePart(path);
    const std::string extension = Extension(path);
    const bool avi = SameAscii(extension, ".avi");
    const bool gif = SameAscii(extension, ".gif");

    // Writing an output saves nothing of the project: it can make the project modified (an
    // option its file holds was changed in the options dialog) but never unmodified. That
    // holds however the writing ends: an option stored before memory or the disk ran out is
    // the project's all the same.
    auto finish = [this, avi, gif] {
        // A project's file holds the options of its own type of output only.
        if ((avi && ProjectType == 1) || (gif && ProjectType == 0))
            OptionsChanged = false;
        if (OptionsChanged)
            SetProjectModified(true);
        OptionsChanged = false;
    };
    try {
        if (avi) {
            if (ShowAviOptions) {
                OptionsChanged = false;
                if (!RunAviOptionsDialog())
                    return;
            }
            repaint();
            WriteAviFile(path);
        } else if (gif) {
            OptionsChanged = false;
            if (ShowAniGifOptions) {
                // The dialog's OK has stored its options and built OutputGif already.
                if (!RunAniGifOptionsDialog()) {
                    // What the dialog built for its preview is never saved.
                    ReleaseOutputGif();
                    return;
                }
            } else {
                WriteGifAnimation(GifOptimize, GifCrop, GifMerge, GifInterlaced);
            }
            if (!OutputGif)
                WriteGifAnimation(GifOptimize, GifCrop, GifMerge, GifInterlaced);
            repaint();
            OutputGif->SaveToFile(path);
            // Nothing reads the image once it is written, and it holds every frame's pixels:
            // the room goes back to the commands that follow.
            ReleaseOutputGif();
        }
    } catch (...) {
        finish();
        throw;
    }
    finish();
}

void TAVIForm::WriteGifAnimation(bool optimize, bool crop, bool merge, bool interlaced)
{
    ReleaseOutputGif();
    OutputGif = new TGIFImage();
    TWaitCursor hourglass;
    std::vector<TGifAnimationFrame> frames;
    for (std::size_t i = 0; i < FrameCount(); ++i)
        frames.push_back({FrameBitmaps.at(i).get(), FrameTimes.at(i), FrameGifOptions.at(i), FramePlacements.at(i)});
    try {
        BuildGifAnimation(*OutputGif, frames, {optimize, crop, merge, interlaced, GifLoopCount});
    } catch (const EOutOfMemory&) {
        // What the half-built animation holds is what ran out: it goes, so that the program
        // has room again. After any other error it stays as far as it was built.
        ReleaseOutputGif();
        throw;
    }
}

// Each options dialog lives for this one showing only.
bool TAVIForm::RunAviOptionsDialog()
{
    // Owned by the window, so that it opens over it and stays with it as the other dialogs do.
    TAviOptionsForm dialog(this);
    return ShowModal(dialog) == mrOk;
}

bool TAVIForm::RunAniGifOptionsDialog()
{
    TAniGIFForm dialog(this);
    dialog.WriteGifAnimation = [this](bool optimize, bool crop, bool merge, bool interlaced) {
        WriteGifAnimation(optimize, crop, merge, interlaced);
    };
    return ShowModal(dialog) == mrOk;
}
