// The frame settings command: runs TDelayForm and applies what it hands back to the frames.
#include "app/createavi.h"

#include <QAction>
#include <QLabel>
#include <QLayout>
#include <QPlainTextEdit>
#include <QScrollArea>

#include <algorithm>
#include <filesystem>

#include "app/gif_defaults.h"
#include "app/project_format.h"
#include "editing/delay.h"
#include "editing/flip.h"
#include "gif/gifimage.h"
#include "platform/exceptions.h"
#include "platform/memory_guard.h"
#include "platform/qt/controls.h"
#include "platform/qt/cursors.h"
#include "platform/qt/modal.h"
#include "platform/qt/window_update.h"

namespace {

std::string TimeCaption(WORD time) { return std::to_string(time) + " мсек"; }

// What the dialog hands back lives for one command: it is cleared on every way out.
class TDialogAnswerScope {
public:
    explicit TDialogAnswerScope(bool& changed) : changed_(changed) { changed_ = false; }
    ~TDialogAnswerScope() { changed_ = false; }
    TDialogAnswerScope(const TDialogAnswerScope&) = delete;
    TDialogAnswerScope& operator=(const TDialogAnswerScope&) = delete;

private:
    bool& changed_;
};

} // namespace

void TAVIForm::ActionDelayExecute() { EditFrameSettings(); }

void TAVIForm::SelectOnlyFrame(int n)
{
    ClearSelection();
    ShowFrame(n);
    SelectFrame(n);
    UpdateUpDownActions();
    UpdateFrameActions(true);
}

void TAVIForm::FrameSettingsIconClick(QObject* sender)
{
    if (!qobject_cast<QLabel*>(sender) || PreviewRunning || PreviewResumable)
        return;
    SelectOnlyFrame(CellTag(sender));
    EditFrameSettings();
}

void TAVIForm::EditFrameSettings()
{
    // The dialog shows the frame selected first; the frames hold still while the preview runs.
    if (SelectedFrames.empty() || PreviewRunning || PreviewResumable)
        return;
    TDialogAnswerScope answer(OptionsChanged);
    std::fill(std::begin(DelayEdited), std::end(DelayEdited), false);
    {
        TDelayForm dialog(*this);
        if (ShowModal(dialog) != mrOk)
            return;
    }
    repaint();
    TWaitCursor hourglass;
    TWindowUpdateLock stripLock(ScrollBox2);

    const bool timeEdited = DelayEdited[dvTime];
    if (ProjectType == 0 && timeEdited) {
        for (std::size_t i = 0; i < FrameCount(); ++i) {
            FrameTimes.at(i) = WORD(AviFrameTime);
            CellTimePanels.at(i)->SetCaption(TimeCaption(FrameTimes.at(i)));
        }
    }
    const bool placed = std::any_of(DelayEdited + dvLeft, DelayEdited + dvFit + 1, [](bool e) { return e; });
    // Also when memory ends the command part-way: the frames done so far are shown and count.
    auto finish = [this, placed] {
        if (placed) {
            ShowFrame(SelectedFrames.front());
            PaintBox1->update();
        }
        UpdateStatusTotals();
        if (OptionsChanged)
            SetProjectModified(true);
        ShowLogPanel();
    };
    try {
        ApplyFrameSettings(timeEdited, placed);
    } catch (...) {
        finish();
        throw;
    }
    finish();
}

void TAVIForm::ApplyFrameSettings(bool timeEdited, bool placed)
{
    // Frames that follow each other in one GIF file load it once.
    const TGifSources::TScope gifScope(gifSources_);
    for (int index : SelectedFrames) {
        const auto n = std::size_t(index);
        if (ProjectType == 1 && timeEdited) {
            FrameTimes.at(n) = DelayGifTime;
            CellTimePanels.at(n)->SetCaption(TimeCaption(DelayGifTime));
        }
        // A frame whose picture is gone cannot be rebuilt, so it keeps its placement too.
        std::error_code error;
        if (!std::filesystem::exists(FrameFiles.at(n), error))
            continue;
        const MYRECT placement = FramePlacements.at(n);
        const bool stretch = FrameStretch.at(n);
        FramePlacements.at(n) = PlacementAfterEdit(placement, DelayEdited, DelayPlacement, FrameWidth, FrameHeight);
        if (DelayEdited[dvFit])
            FrameStretch.at(n) = DelayFit;
        if (!placed)
            continue;
        const MYRECT& edited = FramePlacements.at(n);
        try {
            ReserveBitmapMemory(edited.Width, edited.Height, FrameBitmaps.at(n)->BitsPerPixel());
        } catch (const EOutOfMemory&) {
            // A frame whose new bitmap memory cannot hold keeps the one it has, and with it
            // the placement and the fit that bitmap was drawn for.
            FramePlacements.at(n) = placement;
            FrameStretch.at(n) = stretch;
            throw;
        }
        // Memory that runs out further on (the source picture) leaves the frame white at its
        // new size, as after any other failed rebuild.
        TryFrameRebuild(FrameFiles.at(n), [this, n] {
            RebuildFrameFromFile(n);
            return true;
        });
    }
}

void TAVIForm::RebuildFrameFromFile(std::size_t n)
{
    TBitmap& frame = *FrameBitmaps.at(n);
    const MYRECT& placement = FramePlacements.at(n);
    frame.SetSize(std::max(0, placement.Width), std::max(0, placement.Height));
    const std::string& path = FrameFiles.at(n);

    TBitmap picture;
    if (IsGifFileName(path)) {
        const TGifSources::TScope gifScope(gifSources_);
        TGIFImage* gif = &gifSources_.Load(path);
        const int k = FrameSubImages.at(n);
        if (k < 0 || gif->Images().GetCount() <= k || gif->Images().GetImage(k)->Empty()) {
            Memo1->appendPlainText(QString::fromStdString("Не найден " + std::to_string(k) + " кадр в " + path));
            return;
        }
        TakeGifPicture(*gif->Images().GetImage(k), picture);
    } else if (!LoadFrameImage(path, picture)) {
        Memo1->appendPlainText(QString::fromStdString("Не найден файл: " + path));
        return;
    }
    // Drawn through the frame's flip, as the project reader builds it, so that a flipped
    // frame stays flipped.
    RenderFlippedFrame(frame, picture, FrameFlips.at(n), FrameStretch.at(n));
}

void TAVIForm::ShowLogPanel()
{
    const bool lines = !Memo1->document()->isEmpty();
    if (PanelBottom->isVisibleTo(this) == lines)
        return;
    PanelBottom->setVisible(lines);
    Splitter1->setVisible(lines);
    // Qt lays the window out again only when its events next run; what follows here (the
    // preview centred in the room beside the log) needs the room the log leaves it now.
    if (QLayout* layout = centralWidget() ? centralWidget()->layout() : nullptr)
        layout->activate();
}
