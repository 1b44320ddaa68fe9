// The main window's life: its defaults, its private messages, resizing, the close query, the
// exit command and the end.
#include "app/createavi.h"

#include <QAction>
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

#include "platform/qt/controls.h"
#include "platform/qt/cursors.h"

namespace {

// A window message in the event queue, so that it is handled once the event loop runs.
class TMessageEvent : public QEvent {
public:
    static QEvent::Type EventType()
    {
        static const QEvent::Type type = QEvent::Type(QEvent::registerEventType());
        return type;
    }
    TMessageEvent(UINT message, std::vector<std::string> files)
        : QEvent(EventType()), Message(message), Files(std::move(files)) {}
    UINT Message;
    std::vector<std::string> Files; // of a drop
};

} // namespace

TAVIForm::TAVIForm(std::vector<std::string> arguments, QWidget* parent)
    : QMainWindow(parent), arguments_(std::move(arguments))
{
    // The AVI writer asks this window's compressor dialog while the window lives.
    InstallCodecChooser();

    // 1. The window and its components, as the form layout has them (app/avi_form.cpp).
    CreateComponents();

    // 2. Owned objects; every per-frame sequence starts empty.
    RecentFiles.clear();
    TextFont = std::make_unique<TFont>();
    PreviewBitmap = std::make_unique<TBitmap>();
    PlaybackBitmap.reset();
    OutputGif = nullptr;

    // 3. Defaults for new frames and the run's flags.
    DefaultGifOptions = GIFOPTIONS{0, 7, 8, 0, 0, clWhite, 0, false};
    DefaultPlacement.Left = 0;
    DefaultPlacement.Top = 0;
    OptionsChanged = false;
    GifOptionsForFrames = false;
    ProjectStretch = false;
    AddSound = false;
    PreviewRunning = false;
    ShowJpegOptions = true;
    ShowPngOptions = true;
    ShowBmpOptions = true;
    ShowAniGifOptions = true;
    ShowGifOptions = true;
    ShowAviOptions = true;
    ShowCodecDialog = true;
    SoundLength = 0;

    // 4. Strip geometry.
    CellWidth = 170;
    CellHeight = 150;
    CellHeaderHeight = 20;
    CellTimeHeight = 20;
    ThumbWidth = CellWidth - 2;
    ThumbHeight = CellHeight - CellHeaderHeight - CellTimeHeight - 2;
    ScrollBox2->verticalScrollBar()->setSingleStep(CellHeight + 4);

    // 5. Where the program lives.
    ProgramFolder = QCoreApplication::applicationDirPath().toStdString();
    if (ProgramFolder.empty() || ProgramFolder.back() != '/')
        ProgramFolder += '/';
    HelpCommandLine = " " + ProgramFolder + "help.chm";
    WavFile = "";

    // 6. The text-frame dialog's cursor.
    SetScreenCursor(1, LoadCursorResource(1009));

    // 7. Window size, default frame size, recent projects.
    LoadSettings();

    // 8.
    setWindowTitle("Kelvo");

    // 9. No project is shown yet. (Qt paints every widget double-buffered.)
    PanelImage->setGeometry(0, 0, 0, 0);
    PanelImage->hide();

    // 10. A stored size that comes within 40 pixels of the screen means maximised.
    {
        const int screenWidth = Screen().Width();
        const int screenHeight = Screen().Height();
        if (screenWidth - 40 > OuterWidth() && screenHeight - 40 > OuterHeight())
            setWindowState(windowState() & ~Qt::WindowMaximized);
        else
            setWindowState(windowState() | Qt::WindowMaximized);
    }

    // 11. ScrollBox1 is double-buffered like every Qt widget.

    // 12.
    timeGetDevCaps(&TimerCaps, sizeof TimerCaps);

    // 13.
    PreviewLeft = 0;
    PreviewTop = 0;
    *PreviewBitmap = TBitmap();

    // 14.
    ScreenDepthBytes = ScreenBytesPerPixel();
    BmpPixelFormat = ScreenDepthBytes == 3 ? pf24bit : pf32bit;

    // 15. Single-frame output.
    PngTransparentColor = clWhite;
    PngInterlaced = false;
    PngCompressionLevel = 9;
    JpegQuality = 100;
    GifSaveCompression = 0;
    GifSaveTransparent = false;
    GifSaveDither = 0;
    GifSaveReductionBits = 8;
    GifSaveReduction = 7;
    GifSaveTransparentColor = clWhite;

    // 16. Project.
    GifFrameTime = 500;
    AviFrameTime = 1000;
    GifInterlaced = false;
    GifMerge = false;
    GifCrop = false;
    GifOptimize = false;
    ProjectType = 0;
    GifLoopCount = 0;

    // 17. The output save dialog.
    OutputDialogTitle = "Сохранить в AVI или GIF файл";
    SaveDialog1->Title = OutputDialogTitle;
    SaveDialog1->Filter = "Audio/Video Interleaved file(*.avi)|*.avi|Animated GIF(*.gif)|*.gif";

    // 18.
    if (!RecentFiles.empty() && !RecentFiles.front().empty())
        ListItem0->setEnabled(true);

    // 19. The project named on the command line opens once the window is up.
    if (!arguments_.empty())
        PostMessage(WM_OPENCOMMANDLINE);

    AVIForm = this;
}

TAVIForm::~TAVIForm()
{
    PlaybackBitmap.reset();
    PreviewBitmap.reset();
    ReleaseOutputGif();
    RecentFiles.clear();
    if (AVIForm == this)
        AVIForm = nullptr;
}

void TAVIForm::PostMessage(UINT message, std::vector<std::string> droppedFiles)
{
    QCoreApplication::postEvent(this, new TMessageEvent(message, std::move(droppedFiles)));
}

bool TAVIForm::event(QEvent* e)
{
    if (e->type() == TMessageEvent::EventType()) {
        auto* posted = static_cast<TMessageEvent*>(e);
        // The command-line project is opened into a window the user can already see; a
        // message that arrives earlier waits for the first show.
        if (posted->Message == WM_OPENCOMMANDLINE && !shown_)
            commandLineOpenWaiting_ = true;
        else
            Dispatch(posted->Message, std::move(posted->Files));
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

void TAVIForm::Dispatch(UINT message, std::vector<std::string> droppedFiles)
{
    switch (message) {
    case WM_OPENCOMMANDLINE:
        OpenCommandLineProject();
        break;
    case WM_DROPFILES:
        WMDropFiles(droppedFiles);
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
    // Cancel, or a save that did not happen, keeps the window and everything in it:
    // resizing works again.
    if (!QuerySaveChanges()) {
        Closing = false;
        canClose = false;
        return;
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
    // A running or paused preview is stopped as the stop button does, sound and all.
    if (PreviewRunning || PreviewResumable)
        ToolButStopClick();
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
    std::vector<std::string> files;
    for (const QUrl& url : e->mimeData()->urls())
        if (url.isLocalFile())
            files.push_back(url.toLocalFile().toStdString());
    e->acceptProposedAction();
    // The files are handled once the drop has ended, as a message of their own: the import
    // may show message boxes and run for long, which must not happen while the source
    // application still waits for the drop to finish.
    PostMessage(WM_DROPFILES, std::move(files));
}
