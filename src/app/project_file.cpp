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

#include "app/gif_defaults.h"
#include "app/project_format.h"
#include "editing/flip.h"
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

    // Pictures are read here, in file order, so that their messages and log lines come in
    // that order; their thumbnails and frame bitmaps, the bulk of the work, are made on other
    // threads meanwhile. Frames join the list in file order on this thread.
    std::deque<std::future<TFrameData>> building;
    const std::size_t inFlight = std::clamp<std::size_t>(std::thread::hardware_concurrency(), 1, 8);
    auto join = [&](std::size_t keep) {
        while (building.size() > keep) {
            TFrameData frame = building.front().get();
            building.pop_front();
            AppendFrameWithCell(std::move(frame));
        }
    };
    try {
        for (const TProjectFrameEntry& entry : read.Frames) {
            auto picture = std::make_shared<TBitmap>();
            if (IsGifFileName(entry.File)) {
                TGIFImage gif;
                {
                    TGifAnimationOff animationOff;
                    gif.LoadFromFile(entry.File);
                }
                if (!ProjectImageNumberValid(entry.SubImage, gif.Images().GetCount())) {
                    framesLost = true;
                    LogLine(ProjectMissingImageLine(entry.SubImage, entry.File));
                    continue;
                }
                TGIFSubImage* image = gif.Images().GetImage(entry.SubImage);
                if (image->Empty())
                    continue;
                picture->Assign(*image);
                picture->SetPixelFormat(pf24bit);
            } else if (!LoadFrameImage(entry.File, *picture)) {
                framesLost = true;
                LogLine(ProjectMissingFileLine(entry.File));
                continue;
            }
            building.push_back(std::async(std::launch::async, [this, entry, picture] {
                TFrameData frame = FrameDataFromEntry(entry);
                // A source of another kind loads as nothing: the frame stays, white.
                if (!picture->Empty())
                    frame.Thumbnail = MakeThumbnailBitmap(*picture);
                frame.Bitmap = std::make_unique<TBitmap>();
                CopyPictureToFrameBitmap(*frame.Bitmap, *picture, entry.Placement.Width, entry.Placement.Height,
                                         entry.Stretch);
                if (entry.Flip > 0)
                    FlipBitmapInPlace(*frame.Bitmap, entry.Flip);
                return frame;
            }));
            join(inFlight);
        }
        join(0);
    } catch (...) {
        // The frames made before the error stay; one that failed ends the list there.
        try {
            join(0);
        } catch (...) {
        }
        building.clear();
        throw;
    }

    PrepareProjectStrip();
    ShowLogPanel();
    ResetTextDefaults(FrameWidth, FrameHeight, "Kelvo");

    // An empty project still shows what it is; it only gets no save target.
    if (FrameCount() > 0) {
        SetStripRange();
        CenterPreview();
        PanelImage->show();
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
    if (FrameCount() > 0)
        SaveDialog3->FileName = fileName;
}
