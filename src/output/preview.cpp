// The timed preview: the frames played in the preview area at the speed of the output, one
// one-shot timer per frame. The timer calls back on the GUI thread, so a tick may touch the
// window like any handler.
#include "app/createavi.h"

#include <QAction>
#include <QMenu>
#include <QPainter>
#include <QScrollArea>
#include <QToolBar>
#include <QToolButton>

#include <algorithm>

#include "platform/memory_guard.h"
#include "platform/qt/controls.h"
#include "platform/qt/qt_bridge.h"

UINT PlaybackDelay = 0;

namespace {

constexpr int AviMode = 0;
constexpr int GifMode = 1;

void ShowMarker(TAVIForm& form, int frame, bool visible)
{
    if (frame < 0 || std::size_t(frame) >= form.CellMarkers.size())
        return;
    if (TShape* marker = form.CellMarkers[std::size_t(frame)])
        marker->setVisible(visible);
}

void EnableMenus(std::initializer_list<QMenu*> menus, bool enabled)
{
    for (QMenu* menu : menus)
        menu->menuAction()->setEnabled(enabled);
}

void EnableBars(std::initializer_list<QToolBar*> bars, bool enabled)
{
    for (QToolBar* bar : bars)
        bar->setEnabled(enabled);
}

// The run items follow the run button, and keep the project type's marks, which choosing
// one of them has just toggled.
void FollowRunButton(TAVIForm& form)
{
    for (QAction* item : {form.ItemRunAVI, form.ItemTestAVI, form.ItemRunGIF, form.ItemTestGIF})
        item->setEnabled(form.ToolButRun->isEnabled());
    form.ShowRunItemMarks();
}

} // namespace

void PlaybackTimerProc(UINT, UINT, DWORD_PTR user, DWORD_PTR, DWORD_PTR)
{
    if (AVIForm)
        AVIForm->PlaybackTick(int(user));
}

bool TAVIForm::ArmPlaybackTimer(int mode)
{
    // A frame of 0 ms still shows for the shortest period the timer has.
    PlaybackDelay = std::max({PlaybackDelay, TimerCaps.wPeriodMin, UINT(1)});
    PlaybackTimerId = timeSetEvent(PlaybackDelay, TimerCaps.wPeriodMin, PlaybackTimerProc, DWORD_PTR(mode),
                                   TIME_ONESHOT);
    return PlaybackTimerId != 0;
}

void TAVIForm::DrawPlaybackFrame(int frame)
{
    const TBitmap* source = FrameBitmaps.at(std::size_t(frame)).get();
    if (!source)
        return;
    ReserveBitmapMemory(source->Width(), source->Height(), source->BitsPerPixel());
    TBitmap shown(*source);
    const GIFOPTIONS& options = FrameGifOptions.at(std::size_t(frame));
    shown.SetTransparent(options.GIFTransparent);
    shown.SetTransparentColor(options.TransparentColor);
    const MYRECT& place = FramePlacements.at(std::size_t(frame));
    // Nothing is erased: each frame lies over what the ones before it left.
    PlaybackBitmap->Canvas().Draw(place.Left, place.Top, shown);
    PaintBox1->update();
}

void TAVIForm::ToolButRunClick(QObject* sender)
{
    if (FrameCount() == 0 || PreviewRunning)
        return;
    // Asked for before anything changes: a preview that cannot start leaves the window as it
    // was.
    if (!PreviewResumable)
        ReserveBitmapMemory(PaintBox1->width(), PaintBox1->height(), DeviceBitsPerPixel());

    ClearSelection();
    PreviewBitmap = std::make_unique<TBitmap>();
    PaintBox1->update();
    PreviewRunning = true;

    SetPopupMenu(ScrollBox2, nullptr);
    SetPopupMenu(PaintBox1, nullptr);
    EnableBars({ToolBar2, ToolBar3, ToolBar4, ToolBar5, ToolBarEffect}, false);
    ToolButRun->setEnabled(false);
    ToolButPause->setEnabled(true);
    ToolButStop->setEnabled(true);
    EnableMenus({File1, Edit1, Help1, Effects1}, false);
    FollowRunButton(*this);

    if (!PreviewResumable) {
        ItemPause->setEnabled(true);
        ItemStop->setEnabled(true);
        PlaybackBitmap = std::make_unique<TBitmap>(PaintBox1->width(), PaintBox1->height());
        CurrentFrame = 0;
        DrawOrEndPreview(0);
    } else {
        ShowMarker(*this, CurrentFrame, false);
        ItemPause->setEnabled(true);
        // Paused on the last frame there is nothing left to play.
        if (std::size_t(CurrentFrame) + 1 >= FrameCount() || !PlaybackBitmap) {
            EndPreview();
            return;
        }
        ++CurrentFrame;
        DrawOrEndPreview(CurrentFrame);
    }

    const bool aviItem = sender == ItemRunAVI || sender == ItemTestAVI;
    const bool gifItem = sender == ItemRunGIF || sender == ItemTestGIF;
    const int mode = gifItem || (!aviItem && ProjectType == 1) ? GifMode : AviMode;
    PlaybackDelay = mode == GifMode ? FrameTimes.at(std::size_t(CurrentFrame)) : UINT(std::max(0, AviFrameTime));
    if (aviItem && AddSound)
        PlaySoundA(WavFile.c_str(), nullptr, SND_ASYNC);
    if (!ArmPlaybackTimer(mode))
        EndPreview();
}

void TAVIForm::PlaybackTick(int mode)
{
    PlaybackTimerId = 0; // a one-shot timer is gone once it fires
    if (!PreviewRunning)
        return;
    ++CurrentFrame;
    if (std::size_t(CurrentFrame) >= FrameCount()) {
        EndPreview();
        return;
    }
    // Armed before drawing, so that the drawing's time counts into the frame's.
    if (mode == GifMode)
        PlaybackDelay = FrameTimes.at(std::size_t(CurrentFrame));
    if (!ArmPlaybackTimer(mode)) {
        EndPreview();
        return;
    }
    DrawOrEndPreview(CurrentFrame);
}

void TAVIForm::DrawOrEndPreview(int frame)
{
    try {
        DrawPlaybackFrame(frame);
    } catch (...) {
        // A frame memory cannot show ends the run as the stop button does, before the error
        // is shown: the timer must not go on into it again, and the sound stops with it.
        ToolButStopClick();
        throw;
    }
}

void TAVIForm::EndPreview()
{
    if (PlaybackTimerId != 0)
        timeKillEvent(PlaybackTimerId);
    PreviewRunning = false;
    PlaybackTimerId = 0;

    ToolButStop->setEnabled(false);
    ToolButPause->setEnabled(false);
    ItemStop->setEnabled(false);
    ItemPause->setEnabled(false);
    ToolButRun->setDown(false);
    PreviewResumable = false;
    ShowRunItemMarks();

    EnableBars({ToolBar2, ToolBar3, ToolBar4, ToolBar5, ToolBarEffect}, true);
    EnableMenus({File1, Edit1, Help1, Effects1}, true);
    SetPopupMenu(ScrollBox2, PopupMenu5);

    if (FrameCount() == 0) {
        UpdateFrameActions(false);
        return;
    }
    TWindowUpdateLock lock(ScrollBox2);
    ScrollStripToEnd();
    const int last = int(FrameCount()) - 1;
    ShowFrame(last);
    SelectFrame(last);
    UpdateFrameActions(true);
    ActionDown->setEnabled(false);
    ActionUp->setEnabled(FrameCount() > 1);
}

void TAVIForm::ToolButPauseClick()
{
    if (!PreviewRunning)
        return;
    if (AddSound)
        PlaySoundA(nullptr, nullptr, SND_PURGE);
    timeKillEvent(PlaybackTimerId);
    PlaybackTimerId = 0;
    PreviewResumable = true;
    PreviewRunning = false;

    ToolButPause->setEnabled(false);
    ItemPause->setEnabled(false);
    SetPopupMenu(ScrollBox2, PopupMenu5);
    SetPopupMenu(PaintBox1, PopupMenu4);
    EnableBars({ToolBar4, ToolBar5}, true);
    EnableMenus({Help1}, true);
    ToolButRun->setEnabled(true);
    FollowRunButton(*this);

    TWindowUpdateLock lock(ScrollBox2);
    ScrollStripToFrame(CurrentFrame);
    ShowFrame(CurrentFrame);
    // Marked to show where the run stands, not selected.
    ShowMarker(*this, CurrentFrame, true);
    PaintBox1->update();
}

void TAVIForm::ToolButStopClick()
{
    if (!PreviewRunning && !PreviewResumable)
        return;
    if (AddSound)
        PlaySoundA(nullptr, nullptr, SND_PURGE);
    if (PlaybackTimerId != 0)
        timeKillEvent(PlaybackTimerId);
    PlaybackTimerId = 0;
    PreviewRunning = false;

    SetPopupMenu(ScrollBox2, PopupMenu5);
    SetPopupMenu(PaintBox1, PopupMenu4);
    EnableBars({ToolBar2, ToolBar3, ToolBar4, ToolBar5, ToolBarEffect}, true);
    ToolButStop->setEnabled(false);
    ItemStop->setEnabled(false);
    ToolButPause->setEnabled(false);
    ItemPause->setEnabled(false);
    EnableMenus({File1, Edit1, Help1, Effects1}, true);
    PreviewResumable = false;
    ShowRunItemMarks();

    ShowMarker(*this, CurrentFrame, false);

    if (FrameCount() == 0) {
        UpdateFrameActions(false);
        return;
    }
    TWindowUpdateLock lock(ScrollBox2);
    ScrollStripTo(0);
    ShowFrame(0);
    SelectFrame(0);
    UpdateFrameActions(true);
    ActionUp->setEnabled(false);
    ActionDown->setEnabled(FrameCount() > 1);
}

void TAVIForm::PaintBox1Paint()
{
    QPainter painter(PaintBox1);
    if (PreviewRunning) {
        if (PlaybackBitmap)
            DrawBitmap(painter, 0, 0, *PlaybackBitmap);
    } else if (PreviewBitmap && !PreviewBitmap->Empty()) {
        DrawBitmap(painter, PreviewLeft, PreviewTop, *PreviewBitmap);
    }
}
