// The main window's life after construction: its private messages, resizing, the close
// query, the exit command and the end.
#include "app/createavi.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QScrollArea>
#include <QScrollBar>
#include <QShowEvent>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>

#include <utility>

namespace {

// A window message in the event queue, so that it is handled once the event loop runs.
class TMessageEvent : public QEvent {
public:
    static QEvent::Type EventType()
    {
        static const QEvent::Type type = QEvent::Type(QEvent::registerEventType());
        return type;
    }
    explicit TMessageEvent(UINT message) : QEvent(EventType()), Message(message) {}
    UINT Message;
};

} // namespace

TAVIForm::~TAVIForm()
{
    PlaybackBitmap.reset();
    PreviewBitmap.reset();
    ReleaseOutputGif();
    RecentFiles.clear();
    if (AVIForm == this)
        AVIForm = nullptr;
}

void TAVIForm::PostMessage(UINT message)
{
    QCoreApplication::postEvent(this, new TMessageEvent(message));
}

bool TAVIForm::event(QEvent* e)
{
    if (e->type() == TMessageEvent::EventType()) {
        const UINT message = static_cast<TMessageEvent*>(e)->Message;
        // The command-line project is opened into a window the user can already see; a
        // message that arrives earlier waits for the first show.
        if (message == WM_OPENCOMMANDLINE && !shown_)
            commandLineOpenWaiting_ = true;
        else
            Dispatch(message);
        return true;
    }
    const bool handled = QMainWindow::event(e);
    if (shown_ && !outerSizeSettled_ &&
        (e->type() == QEvent::Move || e->type() == QEvent::Resize || e->type() == QEvent::Show))
        SettleOuterSize();
    return handled;
}

void TAVIForm::SettleOuterSize()
{
    // The window manager adds its frame some time after the first show. Once it is known,
    // give the window back the outer size it was meant to have, so that the size written at
    // the end is the size read at the start and the window does not grow from run to run.
    const QSize frame = frameGeometry().size() - geometry().size();
    if (frame.isNull())
        return;
    outerSizeSettled_ = true;
    if (windowState() == Qt::WindowNoState && wantedOuterWidth_ > 0)
        QTimer::singleShot(0, this, [this] {
            if (windowState() == Qt::WindowNoState)
                SetOuterSize(wantedOuterWidth_, wantedOuterHeight_);
        });
}

void TAVIForm::Dispatch(UINT message)
{
    switch (message) {
    case WM_OPENCOMMANDLINE:
        OpenCommandLineProject();
        break;
    case WM_DROPFILES:
        WMDropFiles(std::exchange(droppedFiles_, {}));
        break;
    default:
        break;
    }
}

void TAVIForm::showEvent(QShowEvent* e)
{
    QMainWindow::showEvent(e);
    if (shown_)
        return;
    shown_ = true;
    if (commandLineOpenWaiting_) {
        commandLineOpenWaiting_ = false;
        PostMessage(WM_OPENCOMMANDLINE);
    }
}

void TAVIForm::OpenCommandLineProject()
{
    if (arguments_.empty())
        return;
    ReadProjectFile(arguments_.front());
}

void TAVIForm::resizeEvent(QResizeEvent* e)
{
    QMainWindow::resizeEvent(e);
    FormResize();
}

void TAVIForm::FormResize()
{
    if (Closing)
        return;
    ScrollBox1->horizontalScrollBar()->setValue(0);
    ScrollBox1->verticalScrollBar()->setValue(0);
    ScrollBox2->horizontalScrollBar()->setValue(0);
    CenterPreview();
    ArrangeToolbars();
}

void TAVIForm::closeEvent(QCloseEvent* e)
{
    bool canClose = true;
    FormCloseQuery(canClose);
    if (canClose)
        e->accept();
    else
        e->ignore();
}

void TAVIForm::FormCloseQuery(bool& canClose)
{
    Closing = true;

    // The project is modified while the save command is enabled. Its own state counts, not
    // what a disabled toolbar around the button makes of it.
    if (ActionSaveProject->isEnabled()) {
        switch (MessageBox("Сохранить изменения в проекте?", "Информация", MB_YESNOCANCEL)) {
        case IDYES:
            ActionSaveProjectExecute();
            break;
        case IDNO:
            break;
        default:
            // The window stays, and with it everything in it: resizing works again.
            Closing = false;
            canClose = false;
            return;
        }
    }

    // From here on the window goes; nothing below may run while a Cancel can still keep it.
    StopPlaybackForClose();
    ClearOutputGifImages();

    DWORD exitCode = 0;
    if (Processes().QueryExitCode(HelpProcess.dwProcessId, exitCode)) {
        HelpExitCode = exitCode;
        if (HelpExitCode == STILL_ACTIVE) {
            Processes().Terminate(HelpProcess.dwProcessId, 0);
            HelpProcess = PROCESS_INFORMATION{};
        }
    }

    ClearAllFrames();
    TextFont.reset();

    // Only a run that had a project writes its window size and recent list back.
    if (!ToolBar1->isHidden())
        SaveSettings();

    canClose = true;
}

void TAVIForm::StopPlaybackForClose()
{
    if (PlaybackTimerId != 0) {
        timeKillEvent(PlaybackTimerId);
        PlaybackTimerId = 0;
    }
    PreviewRunning = false;
}

void TAVIForm::ItemExitClick()
{
    if (PlaybackTimerId != 0) {
        timeKillEvent(PlaybackTimerId);
        PlaybackTimerId = 0;
    }
    Closing = true;
    close();
}

std::uint8_t TAVIForm::ScreenBytesPerPixel() const
{
    const int bits = Screen().BitsPerPixel() * Screen().Planes();
    switch (bits) {
    case 24: return 3;
    case 32: return 4;
    default: return 0;
    }
}

void TAVIForm::dragEnterEvent(QDragEnterEvent* e)
{
    if (e->mimeData()->hasUrls())
        e->acceptProposedAction();
}

void TAVIForm::dropEvent(QDropEvent* e)
{
    droppedFiles_.clear();
    for (const QUrl& url : e->mimeData()->urls())
        if (url.isLocalFile())
            droppedFiles_.push_back(url.toLocalFile().toStdString());
    e->acceptProposedAction();
    Dispatch(WM_DROPFILES);
}
