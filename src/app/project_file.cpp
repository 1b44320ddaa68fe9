// Reading and writing project files: the window's side of the mapping in project_format.h,
// which rebuilds every frame from its source picture.
#include "app/createavi.h"

#include <QAction>
#include <QPlainTextEdit>
#include <QScrollArea>
#include <QToolBar>

#include <algorithm>
#include <deque>
#include <filesystem>
#include <future>
#include <memory>
#include <thread>

#include "app/frame_geometry.h"
#include "app/gif_defaults.h"
#include "app/project_format.h"
#include "app/task_pool.h"
#include "gif/gifimage.h"
#include "platform/qt/controls.h"

namespace {

TProjectParameters ParametersOf(const TProjectSettings& s)
{
    TProjectParameters p;
    p.FrameWidth = s.FrameWidth;
    p.FrameHeight = s.FrameHeight;
    p.ProjectStretch = s.ProjectStretch;
    p.ProjectType = s.ProjectType;
    p.AviFrameTime = s.AviFrameTime;
    p.GifFrameTime = s.GifFrameTime;
    p.AddSound = s.AddSound;
    p.WavFile = s.WavFile;
    p.GifCrop = s.GifCrop;
    p.GifMerge = s.GifMerge;
    p.GifOptimize = s.GifOptimize;
    p.GifInterlaced = s.GifInterlaced;
    return p;
}

void ApplyParameters(TProjectSettings& s, const TProjectParameters& p)
{
    s.FrameWidth = p.FrameWidth;
    s.FrameHeight = p.FrameHeight;
    s.ProjectStretch = p.ProjectStretch;
    s.ProjectType = p.ProjectType;
    s.AviFrameTime = p.AviFrameTime;
    s.GifFrameTime = p.GifFrameTime;
    s.AddSound = p.AddSound;
    s.WavFile = p.WavFile;
    s.GifCrop = p.GifCrop;
    s.GifMerge = p.GifMerge;
    s.GifOptimize = p.GifOptimize;
    s.GifInterlaced = p.GifInterlaced;
}

std::string WithoutFolder(const std::string& fileName)
{
    return std::filesystem::path(fileName).filename().string();
}

} // namespace

void TAVIForm::WriteProjectFile(const std::string& fileName)
{
    TWaitCursor wait;
    TIniFile ini(fileName);
    WriteProjectSections(ini, ParametersOf(*this), ProjectFrameEntries(*this));
    ini.UpdateFile();
    StatusBar1->SetPanelText(0, WithoutFolder(fileName));
    SetProjectModified(false);
}

void TAVIForm::ReadProjectFile(const std::string& fileName)
{
    bool framesLost = false;
    // Until the reader is through, a save must not write into the project that was open
    // before, nor into a file that may be no project at all.
    SaveDialog3->FileName.clear();
    AddRecentFile(fileName);
    if (ToolBar1->isHidden())
        FirstProjectSetup();

    repaint();
    PanelImage->setGeometry(0, 0, 0, 0);
    ClearAllFrames();
    setAcceptDrops(true);
    TWindowUpdateLock lock(ScrollBox2);
    TWaitCursor wait;
    ScrollStripTo(0);
    UpdateFrameActions(false);
    ActionUp->setEnabled(false);
    ActionDown->setEnabled(false);

    const TIniFile ini(fileName);
    const TProjectReadResult read = ReadProjectSections(ini, ParametersOf(*this), DefaultGifOptions, ProjectFileExists);
    ApplyParameters(*this, read.Parameters);
    for (const std::string& line : read.Log)
        LogLine(line);
    DefaultPlacement = MYRECT{0, 0, FrameWidth, FrameHeight};

    // Still pictures are read, and their thumbnails and frame bitmaps made, on other threads,
    // several frames ahead. Frames join the list here in file order, and what goes wrong is
    // reported here in that order too: a GIF source (whose library keeps process-wide draw
    // options) is read here when its turn comes, and a picture that proved invalid is read
    // again here so that its message comes up.
    struct TStill {
        bool Invalid = false;
        TFrameData Frame;
    };
    auto build = [this](const TProjectFrameEntry& entry, const TBitmap& picture) {
        ReserveFrameMemory(entry.Placement.Width, entry.Placement.Height);
        TFrameData frame = FrameDataFromEntry(entry);
        // A source of another kind loads as nothing: the frame stays, white.
        if (!picture.Empty())
            frame.Thumbnail = MakeThumbnailBitmap(picture);
        frame.Bitmap = std::make_unique<TBitmap>();
        CopyPictureToFrameBitmap(*frame.Bitmap, picture, entry.Placement.Width, entry.Placement.Height,
                                 entry.Stretch);
        if (entry.Flip > 0)
            FlipBitmapInPlace(*frame.Bitmap, entry.Flip);
        return frame;
    };
    struct TSlot {
        const TProjectFrameEntry* Entry;
        std::future<TStill> Still; // not valid for a GIF source
    };
    std::deque<TSlot> queued;
    std::size_t next = 0, running = 0;
    const std::size_t threads = std::clamp<std::size_t>(std::thread::hardware_concurrency(), 1, 8);
    // Twice as many frames as threads: a thread that is done finds its next frame waiting
    // rather than sleeping until this thread hands one out and wakes it.
    const std::size_t inFlight = 2 * threads;
    // Declared after everything its tasks use, so that it is gone, its tasks done, first.
    TTaskPool pool(threads);
    // Frames that follow each other in one GIF file load it once.
    const TGifSources::TScope gifScope(gifSources_);
    auto start = [&] {
        while (next < read.Frames.size() && running < inFlight) {
            const TProjectFrameEntry& entry = read.Frames[next++];
            TSlot slot{&entry, {}};
            if (!IsGifFileName(entry.File)) {
                slot.Still = pool.Run([&entry, &build] {
                    TStill still;
                    TBitmap picture;
                    try {
                        ReadFramePicture(entry.File, picture);
                    } catch (const EInvalidGraphic&) {
                        still.Invalid = true;
                        return still;
                    }
                    still.Frame = build(entry, picture);
                    return still;
                });
                ++running;
            }
            queued.push_back(std::move(slot));
        }
    };
    try {
        for (start(); !queued.empty(); start()) {
            TSlot slot = std::move(queued.front());
            queued.pop_front();
            const TProjectFrameEntry& entry = *slot.Entry;
            TBitmap picture;
            if (slot.Still.valid()) {
                --running;
                TStill still = slot.Still.get();
                if (!still.Invalid) {
                    AppendFrameWithCell(std::move(still.Frame));
                    continue;
                }
                if (!LoadFrameImage(entry.File, picture)) {
                    framesLost = true;
                    LogLine(ProjectMissingFileLine(entry.File));
                    continue;
                }
            } else {
                TGIFImage& gif = gifSources_.Load(entry.File);
                if (!ProjectImageNumberValid(entry.SubImage, gif.Images().GetCount())) {
                    framesLost = true;
                    LogLine(ProjectMissingImageLine(entry.SubImage, entry.File));
                    continue;
                }
                TGIFSubImage* image = gif.Images().GetImage(entry.SubImage);
                if (image->Empty())
                    continue;
                TakeGifPicture(*image, picture);
            }
            AppendFrameWithCell(build(entry, picture));
        }
    } catch (...) {
        // The frames before the error stay; those read ahead of it are dropped once done. The
        // window shows the frames that stay, as it shows a project read whole: they are the
        // project now, which lost frames and so counts as modified, and it gets no save target,
        // so that a save cannot write the shortened project over its file. What goes wrong
        // while showing them must not hide the error that ended the read.
        queued.clear();
        try {
            ShowProjectRead(fileName, true, false);
        } catch (...) {
        }
        throw;
    }
    ShowProjectRead(fileName, framesLost, FrameCount() > 0);
}

void TAVIForm::ShowProjectRead(const std::string& fileName, bool framesLost, bool saveTarget)
{
    PrepareProjectStrip();
    ShowLogPanel();
    ResetTextDefaults(FrameWidth, FrameHeight, "Kelvo");

    // An empty project still shows what it is; it only gets no save target. Its preview is
    // ready as a new project's is, so that the first frame added to it is shown.
    CenterPreview();
    PanelImage->show();
    if (FrameCount() > 0) {
        SetStripRange();
        ShowFrame(0);
        SelectFrame(0);
        UpdateFrameActions(true);
    }
    SetProjectModified(framesLost);
    ActionDown->setEnabled(FrameCount() > 1);
    ActionUp->setEnabled(false);
    ShowProjectType(true);
    StatusBar1->SetPanelText(0, WithoutFolder(fileName));
    UpdateStatusTotals();
    ShowFrameSize();
    if (saveTarget)
        SaveDialog3->FileName = fileName;
}
