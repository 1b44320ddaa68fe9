// The project options command: the dialog for the open project, then the frames retimed or
// rebuilt for what changed.
#include "app/createavi.h"

#include <QAction>
#include <QPlainTextEdit>
#include <QScrollArea>

#include <memory>

#include "app/dialogs/mainoptions.h"
#include "app/frame_geometry.h"
#include "app/gif_defaults.h"
#include "app/project_format.h"
#include "gif/gifimage.h"
#include "platform/memory_guard.h"
#include "platform/qt/controls.h"

namespace {

// What the project file stores of the settings the dialog edits: the frame times only of
// the project's own type.
struct TStoredOptions {
    int Width, Height;
    bool Stretch;
    int Type;
    int Time;
    friend bool operator==(const TStoredOptions&, const TStoredOptions&) = default;
};

TStoredOptions StoredOptions(const TProjectSettings& s)
{
    return {s.FrameWidth, s.FrameHeight, s.ProjectStretch, s.ProjectType,
            s.ProjectType == 0 ? s.AviFrameTime : s.ProjectType == 1 ? int(s.GifFrameTime) : 0};
}

} // namespace

void TAVIForm::ToolButProjectOptionsClick()
{
    NewProjectOptions = false;
    OptionsChanged = false;
    const TStoredOptions before = StoredOptions(*this);
    {
        TOptionsForm dialog(*this, *this, *this, this);
        if (ShowModal(dialog) != mrOk)
            return;
    }
    ScrollStripTo(0);
    repaint();

    if (ProjectType == 0) {
        const WORD time = WORD(AviFrameTime);
        for (std::size_t i = 0; i < FrameCount(); ++i) {
            FrameTimes[i] = time;
            CellTimePanels[i]->SetCaption(std::to_string(time) + " мсек");
        }
        UpdateStatusTotals();
    }
    if (!(StoredOptions(*this) == before))
        SetProjectModified(true);

    if (!OptionsChanged)
        return;
    struct TClearChanged {
        bool& Flag;
        ~TClearChanged() { Flag = false; }
    } clearChanged{OptionsChanged};
    TWindowUpdateLock lock(ScrollBox2);
    TWaitCursor wait;

    Memo1->clear();
    UpdateFrameActions(false);
    ActionUp->setEnabled(false);
    ActionDown->setEnabled(false);
    DefaultPlacement = MYRECT{0, 0, FrameWidth, FrameHeight};
    TextFrameWidth = FrameWidth;
    TextFrameHeight = FrameHeight;
    TextFrameTop = 0;
    TextFrameLeft = 0;
    TextTop = 0;
    TextLeft = 0;
    if (FrameCount() > 0)
        ClearSelection();
    // Also when memory ends the rebuild part-way: the frames rebuilt so far have their new
    // bitmaps, the others their old ones, and the window shows them all.
    auto finish = [this] {
        ResetTextDefaults(FrameWidth, FrameHeight, TextString);
        SetProjectModified(true);
        CenterPreview();
        UpdateStatusTotals();

        ShowLogPanel();
        if (FrameCount() > 0) {
            ShowFrame(0);
            SelectFrame(0);
            UpdateFrameActions(true);
            ActionUp->setEnabled(false);
            ActionDown->setEnabled(FrameCount() > 1);
        }
        ShowProjectType(true);
        ShowFrameSize();
    };
    try {
        // One frame that cannot be rebuilt must not cost the others theirs; frames that
        // follow each other in one GIF file load it once.
        const TGifSources::TScope gifScope(gifSources_);
        for (std::size_t i = 0; i < FrameCount(); ++i)
            TryFrameRebuild(FrameFiles[i], [this, i] {
                RebuildFrameForOptions(i);
                return true;
            });
    } catch (...) {
        finish();
        throw;
    }
    finish();
}

void TAVIForm::RebuildFrameForOptions(std::size_t index)
{
    const std::string path = FrameFiles[index];
    if (!ProjectFileExists(path)) {
        LogLine(ProjectMissingFileLine(path));
        return;
    }
    TBitmap picture;
    MYRECT rect;
    if (IsGifFileName(path)) {
        const TGifSources::TScope gifScope(gifSources_);
        TGIFImage& gif = gifSources_.Load(path);
        const int number = FrameSubImages[index];
        if (number < 0 || number >= gif.Images().GetCount()) {
            LogLine("Не найден " + std::to_string(number) + " кадр в " + path);
            return;
        }
        TGIFSubImage* image = gif.Images().GetImage(number);
        rect = MYRECT{image->Left(), image->Top(), image->Width(), image->Height()};
        if (image->Empty())
            return;
        TakeGifPicture(*image, picture);
    } else {
        if (!LoadFrameImage(path, picture)) {
            LogPictureFailure(path);
            return;
        }
        rect = MYRECT{0, 0, picture.Width(), picture.Height()};
    }
    FitFrameRect(rect, ProjectType == 0 ? ProjectStretch : FrameStretch[index]);
    // A larger project makes every frame that fits it larger.
    ReserveBitmapMemory(rect.Width, rect.Height, DeviceBitsPerPixel());
    auto bitmap = std::make_unique<TBitmap>();
    CopyPictureToFrameBitmap(*bitmap, picture, rect.Width, rect.Height, FrameStretch[index]);
    if (FrameFlips[index] > 0)
        FlipBitmapInPlace(*bitmap, FrameFlips[index]);
    FramePlacements[index] = rect;
    FrameBitmaps[index] = std::move(bitmap);
}
