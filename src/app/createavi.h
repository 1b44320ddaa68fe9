#pragma once
// The main window, TAVIForm: the one holder of the whole project state. There is no separate
// project or document object; the settings, output options, frame list, selection, playback
// state and the values dialogs hand back are fields of the one window, reached from
// everywhere through AVIForm.
#include <QMainWindow>

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "app/frame_list.h"
#include "platform/bitmap.h"
#include "platform/canvas.h"
#include "platform/colors.h"
#include "platform/qt/file_dialogs.h"
#include "platform/qt/services.h"

class QAction;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QScrollArea;
class QToolBar;
class QToolButton;
class QWidget;
class TGIFImage;
class TPanel;
class TSplitter;
class TStatusBar;

// The window's private messages, numbered as the message map knows them.
constexpr UINT WM_DROPFILES = 0x0233;
constexpr UINT WM_APP = 0x8000;
constexpr UINT WM_OPENCOMMANDLINE = WM_APP + 1000;

// The multimedia timer's period range, read once at start; the minimum is every preview
// timer's resolution.
extern TIMECAPS TimerCaps;
// The preview's one-shot timer, 0 while none is armed.
extern UINT PlaybackTimerId;

class TAVIForm : public QMainWindow, public TFrameList {
    Q_OBJECT
public:
    // arguments: the command line without the program name.
    explicit TAVIForm(std::vector<std::string> arguments = {}, QWidget* parent = nullptr);
    ~TAVIForm() override;

    // ---- Project settings
    int ProjectType = 0;
    int FrameWidth = 0;
    int FrameHeight = 0;
    bool ProjectStretch = false;
    int AviFrameTime = 0;
    WORD GifFrameTime = 0;
    bool AddSound = false;
    std::string WavFile;
    bool GifOptimize = false;
    bool GifMerge = false;
    bool GifCrop = false;
    bool GifInterlaced = false;
    int GifLoopCount = 0;
    int DefaultFrameWidth = 0;
    int DefaultFrameHeight = 0;
    MYRECT DefaultPlacement;

    // ---- Output options
    bool ShowAviOptions = false;
    bool ShowAniGifOptions = false;
    bool ShowCodecDialog = false;
    bool ShowGifOptions = false;
    bool ShowBmpOptions = false;
    bool ShowJpegOptions = false;
    bool ShowPngOptions = false;
    TPixelFormat BmpPixelFormat = pfDevice;
    int JpegQuality = 0;
    int PngCompressionLevel = 0;
    bool PngInterlaced = false;
    TColor PngTransparentColor = 0;
    std::int8_t GifSaveDither = 0;
    std::int8_t GifSaveReduction = 0;
    int GifSaveReductionBits = 0;
    std::int8_t GifSaveCompression = 0;
    bool GifSaveTransparent = false;
    TColor GifSaveTransparentColor = 0;
    TGIFImage* OutputGif = nullptr; // owned; freed by ReleaseOutputGif
    std::string OutputFileName;
    std::string OutputDialogTitle;
    std::string FrameDialogTitle;
    std::string OutputDialogFileText;
    std::string FrameDialogFileText;
    QWidget* OutputDialogEdit = nullptr;
    QWidget* FrameDialogEdit = nullptr;
    int SoundLength = 0;

    // ---- Selection: frame indices in the order they were selected
    std::deque<int> SelectedFrames;

    // ---- Defaults for new frames
    GIFOPTIONS DefaultGifOptions;

    // ---- Values dialogs hand back
    bool OptionsChanged = false;
    bool NewProjectOptions = false;
    bool GifOptionsForFrames = false;
    bool DelayEdited[6] = {}; // time, Left, Top, Width, Height, fit
    WORD DelayGifTime = 0;
    bool DelayFit = false;
    MYRECT DelayPlacement;
    std::string TextFramesGifPath;
    MYRECT TextFramePlacement;

    // ---- Preview and playback
    std::unique_ptr<TBitmap> PreviewBitmap;
    int PreviewLeft = 0;
    int PreviewTop = 0;
    std::unique_ptr<TBitmap> PlaybackBitmap;
    int CurrentFrame = 0;
    bool PreviewRunning = false;
    bool PreviewResumable = false;

    // ---- Frame strip geometry
    int CellWidth = 0;
    int CellHeight = 0;
    int CellHeaderHeight = 0;
    int CellTimeHeight = 0;
    int ThumbWidth = 0;
    int ThumbHeight = 0;

    // ---- Text-frame settings, kept for the run
    int TextLeft = 0;
    int TextTop = 0;
    int TextFrameLeft = 0;
    int TextFrameTop = 0;
    int TextFrameWidth = 0;
    int TextFrameHeight = 0;
    int TextFrameCount = 0;
    int TextFrameTime = 0;
    int TextDirection = 0;
    TColor TextBackColor = 0;
    std::string TextString;
    bool TextUseBackPicture = false;
    std::unique_ptr<TFont> TextFont;

    // ---- Window and run-time state
    std::vector<std::string> RecentFiles;
    bool Closing = false;
    std::string ProgramFolder;
    std::string HelpCommandLine;
    PROCESS_INFORMATION HelpProcess;
    DWORD HelpExitCode = 0;
    std::uint8_t ScreenDepthBytes = 0;

    // ---- Components
    QMenu* FileMenu = nullptr;
    QMenu* EditMenu = nullptr;
    QMenu* EffectsMenu = nullptr;
    QMenu* TestMenu = nullptr;
    QMenu* HelpMenu = nullptr;
    QAction* ItemNew = nullptr;
    QAction* ItemOpen = nullptr;
    QAction* ItemSaveProject = nullptr;
    QAction* ItemSaveAs = nullptr;
    QAction* ItemProjectOptions = nullptr;
    QMenu* ReopenItem = nullptr;
    QAction* ListItem0 = nullptr;
    QAction* ListItem1 = nullptr;
    QAction* ListItem2 = nullptr;
    QAction* ListItem3 = nullptr;
    QAction* ListItem4 = nullptr;
    QAction* ItemExit = nullptr;

    QAction* ActionSaveProject = nullptr;
    QAction* ActionSaveAs = nullptr;

    QWidget* ControlBar1 = nullptr;
    QToolBar* ToolBar1 = nullptr;      // run, pause, stop
    QToolBar* ToolBar2 = nullptr;      // frame editing
    QToolBar* ToolBar3 = nullptr;      // new, open, project options, save, save as
    QToolBar* ToolBar4 = nullptr;      // create the animated file
    QToolBar* ToolBar5 = nullptr;      // save frame, copy frame
    QToolBar* ToolBarEffect = nullptr; // clone, flip, text frames
    TPanel* Panel1 = nullptr;          // the banner
    QToolButton* ToolButNew = nullptr;
    QToolButton* ToolButOpen = nullptr;
    QToolButton* ToolButProjectOptions = nullptr;
    QToolButton* ToolButSaveProject = nullptr;
    QToolButton* ToolButSaveAs = nullptr;

    QScrollArea* ScrollBox1 = nullptr; // the preview
    TPanel* PanelImage = nullptr;
    QWidget* PaintBox1 = nullptr;
    QScrollArea* ScrollBox2 = nullptr; // the frame strip
    TPanel* PanelBottom = nullptr;     // the message log
    QPlainTextEdit* Memo1 = nullptr;
    TSplitter* Splitter1 = nullptr;
    TStatusBar* StatusBar1 = nullptr;

    std::unique_ptr<TOpenDialog> OpenDialog1;
    std::unique_ptr<TSaveDialog> SaveDialog1;
    std::unique_ptr<TSaveDialog> SaveDialog2;
    std::unique_ptr<TSaveDialog> SaveDialog3;
    std::unique_ptr<TOpenDialog> OpenPictureDialog1;

    // ---- Lifecycle
    // The window's message map: dropped files and the command-line open.
    void Dispatch(UINT message);
    void OpenCommandLineProject();
    void FormResize();
    void FormCloseQuery(bool& canClose);
    void ItemExitClick();
    std::uint8_t ScreenBytesPerPixel() const;

    // ---- Settings
    void LoadSettings();
    void SaveSettings();

    // ---- Project state
    void ResetTextDefaults(int width, int height, const std::string& text);
    // Deletes every frame and its cell, empties the selection and the message log.
    void ClearAllFrames();

    // ---- Window layout
    void ArrangeToolbars();
    void CenterPreview();
    // The size of the whole window frame, which is what the settings store.
    int OuterWidth() const;
    int OuterHeight() const;
    void SetOuterSize(int width, int height);

    // ---- Commands whose work lives elsewhere
    virtual void ReadProjectFile(const std::string& fileName);
    virtual void ActionSaveProjectExecute();
    virtual void WMDropFiles(const std::vector<std::string>& files);
    void UpdateFrameActions(bool withSelection);

    const std::vector<std::string>& CommandLine() const { return arguments_; }

protected:
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void CreateComponents();
    void PostMessage(UINT message);
    // Frees the images of the output GIF / the GIF itself (in the one unit that includes the
    // GIF library).
    void ClearOutputGifImages();
    void ReleaseOutputGif();
    // Everything that can still touch the frames from outside the GUI thread's commands is
    // stopped here before the close deletes them.
    void StopPlaybackForClose();
    void SettleOuterSize();

    std::vector<std::string> arguments_;
    bool shown_ = false;
    bool commandLineOpenWaiting_ = false;
    bool outerSizeSettled_ = false;
    std::vector<std::string> droppedFiles_; // the files of the drop being dispatched
    int wantedOuterWidth_ = 0;
    int wantedOuterHeight_ = 0;
};

// The one main window; set when the window has been created.
extern TAVIForm* AVIForm;
