#pragma once
// The main window, TAVIForm: the one holder of the whole project state. There is no separate
// project or document object; the settings, output options, frame list, selection, playback
// state and the values dialogs hand back are fields of the one window, reached from
// everywhere through AVIForm. The fields live in plain structs (app/form_state.h) that the
// window inherits, so that code without widgets can take just the part it needs; its
// components, too, are a struct it inherits (app/form_components.h).
//
// The class is declared in sections, one per feature, each naming the file that holds its
// bodies. A dialog's header never includes this one; it reads the structs it needs.
#include <QIcon>
#include <QList>
#include <QMainWindow>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/form_components.h"
#include "app/form_state.h"
#include "app/frame_list.h"
#include "app/frame_selection.h"
#include "app/gif_defaults.h"
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
class TGIFSubImage;
class TPanel;
class TSplitter;
class TStatusBar;
struct TDibSection;

// The window's private messages, numbered as the message map knows them.
constexpr UINT WM_DROPFILES = 0x0233;
constexpr UINT WM_APP = 0x8000;
constexpr UINT WM_OPENCOMMANDLINE = WM_APP + 1000;

// The multimedia timer's period range, read once at start; the minimum is every preview
// timer's resolution.
extern TIMECAPS TimerCaps;
// The preview's one-shot timer, 0 while none is armed.
extern UINT PlaybackTimerId;
// The period, in ms, of the preview timer's next arming (output/preview.cpp).
extern UINT PlaybackDelay;
// The preview timer's callback; user is the run's mode: 0 AVI, 1 GIF (output/preview.cpp).
void PlaybackTimerProc(UINT timerId, UINT message, DWORD_PTR user, DWORD_PTR reserved1, DWORD_PTR reserved2);

// The product's web page: the banner's hint and the target of its link.
extern const char* const ProductWebAddress;

// The help viewer, a program of ours next to this one, and the arguments it gets for the
// help command line (the help file without the command line's leading blank, as one word).
extern const char* const HelpViewerProgram;
std::vector<std::string> HelpViewerArguments(const std::string& helpCommandLine);

class TAVIForm : public QMainWindow,
                 public TFrameList,
                 public TProjectSettings,
                 public TOutputOptions,
                 public TFrameSelection,
                 public TDialogResults,
                 public TPlaybackState,
                 public TStripGeometry,
                 public TTextFrameSettings,
                 public TFormComponents {
    Q_OBJECT
public:
    // ======== Lifecycle: app/lifecycle.cpp
    // arguments: the command line without the program name.
    explicit TAVIForm(std::vector<std::string> arguments = {}, QWidget* parent = nullptr);
    ~TAVIForm() override;
    // The window's message map: dropped files and the command-line open. Dropped files
    // arrive here only through the event queue, after the drop itself has ended.
    void Dispatch(UINT message, std::vector<std::string> droppedFiles = {});
    void OpenCommandLineProject();
    void FormResize();
    void FormCloseQuery(bool& canClose);
    void ItemExitClick();
    std::uint8_t ScreenBytesPerPixel() const;
    const std::vector<std::string>& CommandLine() const { return arguments_; }

    // ---- Window and run-time state
    std::vector<std::string> RecentFiles; // most recent first; five are shown and stored
    bool Closing = false;
    std::string ProgramFolder; // ends with "/"
    std::string HelpCommandLine;
    PROCESS_INFORMATION HelpProcess;
    DWORD HelpExitCode = 0;
    std::uint8_t ScreenDepthBytes = 0;
    // The animated GIF built last; owned, freed by ReleaseOutputGif (app/output_gif.cpp).
    TGIFImage* OutputGif = nullptr;

    // ======== Registry settings: app/settings.cpp
    void LoadSettings();
    void SaveSettings();
    // The size of the whole window frame, which is what the settings store.
    int OuterWidth() const;
    int OuterHeight() const;
    void SetOuterSize(int width, int height);

    // ======== Project state: app/project_state.cpp (ResetTextDefaults: app/form_state.cpp)
    // Deletes every frame and its cell, empties the selection and the message log.
    void ClearAllFrames();

    // ======== Components: app/avi_form.cpp; their handlers and lookups: app/avi_form_bindings.cpp
    // Every action, menu item, tool button and menu the window has, by its name; nullptr
    // for a name it does not have. A menu item bound to an action is that action.
    QAction* FindAction(const std::string& name) const;
    QAction* FindMenuItem(const std::string& name) const;
    QToolButton* FindToolButton(const std::string& name) const;
    QMenu* FindMenu(const std::string& name) const;
    std::vector<std::string> ActionNames() const;
    // A control's context menu, opened by the right mouse button; nullptr takes it away.
    void SetPopupMenu(QWidget* control, QMenu* menu);
    QMenu* PopupMenuOf(QWidget* control) const;
    // Mouse handlers of controls that are not commands: the pressed or released button, the
    // keys held and the position in the control. Binding one takes the control's presses
    // and releases for the handler, so they never reach the controls below it.
    using TMouseHandler = void (TAVIForm::*)(QObject* sender, Qt::MouseButton button,
                                             Qt::KeyboardModifiers shift, int x, int y);
    void BindMouseDown(QWidget* control, TMouseHandler handler);
    // A click: pressed and released with the left button inside the control.
    void BindClick(QWidget* control, void (TAVIForm::*handler)(QObject* sender));
    // The components themselves are TFormComponents' (app/form_components.h).

    // ======== Project file: app/project_file.cpp
    // Writes the project into the file, keeping the file's other sections; the save command
    // is disabled only when the whole file was written.
    void WriteProjectFile(const std::string& fileName);
    // Replaces the project by the one in the file. What cannot be restored goes to the
    // message log; the save target is the file only once the reader got through it.
    virtual void ReadProjectFile(const std::string& fileName);
    // The end of a project read: the window shows the frames read, the log, the type, the
    // status texts; the file becomes the save target only when asked.
    void ShowProjectRead(const std::string& fileName, bool framesLost, bool saveTarget);

    // ======== Project commands and recent projects: app/project_commands.cpp
    void ToolButNewClick();
    void ToolButOpenClick();
    virtual void ActionSaveProjectExecute();
    void ActionSaveAsExecute();
    void ReopenItemClick();
    void ListItem0Click(QObject* sender);
    // Asks about unsaved changes. False when the command must stop: Cancel, or Yes with a
    // save that was cancelled or failed (the project is kept then).
    bool QuerySaveChanges();
    // The toolbars and commands a project brings, once for the first one of the run.
    void FirstProjectSetup();
    // The texts and checks that follow the project type; withOutputDialog also sets the
    // output save dialog's filter and extension. Another type changes nothing.
    void ShowProjectType(bool withOutputDialog);
    // Of those, the check marks of the run items: the project type's pair checked. A run
    // item toggles its own mark when chosen, so the preview puts them back after every use.
    void ShowRunItemMarks();
    // A line for the message log (its panel: ShowLogPanel).
    void LogLine(const std::string& line);
    // Status panel 2: the frame size.
    void ShowFrameSize();
    // Puts the name at the head of the recent projects.
    void AddRecentFile(const std::string& fileName);
    // The strip of a project: usable, on white.
    void PrepareProjectStrip();

    // ======== Picture loading and frame bitmaps: app/picture_loading.cpp
    // Reads a BMP, JPG/JPEG, PNG or ICO file, chosen by the extension in any case, into the
    // picture as a 24-bit bitmap. An invalid picture is reported in a message box and gives
    // false; any other error (a file that cannot be opened, the PNG library's own errors)
    // goes to the caller. Another extension leaves the picture as it is and gives true.
    bool LoadFrameImage(const std::string& fileName, TBitmap& picture);
    // The same reading without the message: an invalid picture raises EInvalidGraphic. It
    // touches no window, so that pictures can be read on other threads.
    static void ReadFramePicture(const std::string& fileName, TBitmap& picture);
    // The placement fitted to the project frame: the whole frame when fit, else each side
    // and corner brought inside it on its own.
    void FitFrameRect(MYRECT& rect, bool fit) const;
    // The frame bitmap becomes width x height holding the picture, stretched onto it or its
    // top-left part unscaled.
    void CopyPictureToFrameBitmap(TBitmap& frameBitmap, const TBitmap& picture, int width, int height,
                                  bool stretch) const;
    // A frame's colour options taken from one image of a GIF file.
    GIFOPTIONS MakeGifFrameRecord(TGIFSubImage& image) const;
    // Everything a new frame made from a loaded still picture carries: time by project
    // type, the bottom-left pixel as transparent colour, the placement fitted with the
    // project's stretch. The picture is 24-bit and not empty.
    TFrameData MakeStillFrame(const std::string& fileName, const TBitmap& picture) const;
    // Appends one frame from a still picture file with its strip cell, or nothing when the
    // file does not load. Selection, preview, status and commands are the caller's.
    void AddImageFrame(const std::string& fileName);

    // ======== Adding and inserting frames: app/frame_import.cpp
    void ActionAddExecute();
    void ActionInsertExecute();
    // The files of a drop, handled once the drop has ended. Ignored before a project exists
    // and while the preview runs or is paused.
    virtual void WMDropFiles(const std::vector<std::string>& files);
    // The frames of a GIF file, one per image that is not empty, appended / inserted before
    // frame index (0 .. frame count); both give the number of frames added. An index out of
    // range raises std::out_of_range before anything changes.
    int AddGifFrames(const std::string& fileName);
    int InsertGifFrames(int index, const std::string& fileName);

    // ======== Frame strip: app/frame_strip.cpp
    // The strip cell of frame number (from 1) with its time and thumbnail, placed below the
    // strip's last cell. The cell is not in the list yet: the caller hands it to AppendFrame
    // or InsertFrame with its frame, which destroy it should they fail.
    TFrameCell CreateFrameThumbnail(int number, WORD time, const TBitmap& thumbnail);
    // The frame and a new cell for it at the end of the strip.
    void AppendFrameWithCell(TFrameData frame);
    // Cell index shows the time and thumbnail of frame index again, after the list changed.
    void RedrawCell(std::size_t index);
    // The thumbnail of a 24-bit source picture, ThumbWidth x ThumbHeight.
    std::unique_ptr<TBitmap> MakeThumbnailBitmap(const TBitmap& picture) const;
    // Asks the memory guard for what one more frame with a bitmap of width x height holds:
    // that bitmap, its thumbnail and its strip cell. Raises EOutOfMemory when it does not fit,
    // before any of it is made. Any thread may call it.
    void ReserveFrameMemory(int width, int height) const;
    // The cells' two icons: the frame settings and the colour options of the icon's frame
    // (bodies with those commands).
    virtual void FrameSettingsIconClick(QObject* sender);
    virtual void FrameColorIconClick(QObject* sender);
    // The strip's scroll range for the frames there are, scrolling by one cell.
    void SetStripRange();
    // Scroll positions outside the range stop at its ends.
    void ScrollStripTo(int position);
    // Scrolls the strip so that the cell of that frame is at the top; -1 is the top.
    void ScrollStripToFrame(int frame);
    void ScrollStripToEnd();
    // Adds the frame to the selection and shows its marker; a frame already selected stays
    // where it is in the order. An index past the frames raises std::out_of_range.
    void SelectFrame(int frame);
    // Hides the markers of the selected frames and empties the selection; the commands keep
    // their state.
    void EmptySelection();
    // ActionUp and ActionDown by UpDownForSelection.
    void UpdateUpDownActions();
    // The project counts as modified exactly while the save-project command is enabled.
    void SetProjectModified(bool modified);
    bool ProjectModified() const;

    // ======== Selection, shown frame, command enabling, status: app/selection.cpp
    // Mouse-down of every control of a strip cell: the frame is the control's tag.
    void FrameStripMouseDown(QObject* sender, Qt::MouseButton button, Qt::KeyboardModifiers shift, int x,
                             int y);
    // Mouse-up on the strip's empty area.
    void ScrollBox2MouseUp(QObject* sender, Qt::MouseButton button, Qt::KeyboardModifiers shift, int x,
                           int y);
    void ClearSelection();
    void ActionSelAllExecute();
    // Frame n into the preview; an index past the frames raises std::out_of_range and
    // changes nothing. Does not repaint.
    void ShowFrame(int n);
    void CenterPreview();
    // The commands for the frames there are and a selection that is or is not empty; without
    // one the preview goes blank. ActionUp and ActionDown are the caller's.
    void UpdateFrameActions(bool selected);
    // The total time and the frame count in the status bar (status_text.h).
    void UpdateStatusTotals();

    // ======== Project options: app/project_options.cpp
    void ToolButProjectOptionsClick();

    // ======== Help, about box, banner, toolbar places: app/help.cpp
    // Starts the help viewer on the help file; a viewer started earlier is left running.
    void ItemContentClick();
    void ItemAboutClick();
    // A click on the banner opens the product's page.
    void Image1Click(QObject* sender = nullptr);
    void ArrangeToolbars();

    // ======== Timed preview: output/preview.cpp
    // Starts the preview, or goes on after a pause. The sender decides how it plays: the AVI
    // run items at AviFrameTime with the project's sound, the GIF run items at each frame's
    // own time, the run button as the project's type says (without sound).
    void ToolButRunClick(QObject* sender);
    void ToolButPauseClick();
    void ToolButStopClick();
    void PaintBox1Paint();
    // One tick of the preview timer: the next frame, or the end after the last one.
    void PlaybackTick(int mode);

    // ======== Output creation, animated GIF: output/create_output.cpp (the GIF's ownership
    //          is in app/output_gif.cpp)
    void ActionCreateExecute(QObject* sender);
    // Asks for the output file and writes the project into it as an AVI or an animated GIF,
    // by the name's extension.
    void CreateOutputFile();
    // Replaces OutputGif by a new animated GIF of the frames; does not save it. Errors of the
    // GIF library pass on to the caller.
    void WriteGifAnimation(bool optimize, bool crop, bool merge, bool interlaced);
    // The output options dialogs, shown modally; true when they end with OK.
    virtual bool RunAviOptionsDialog();
    virtual bool RunAniGifOptionsDialog();

    // ======== AVI writer: output/write_avi.cpp; the compressor choice: output/codec_dialog.cpp
    // Writes the project as an AVI file; reports its own failures.
    void WriteAviFile(const std::string& fileName);
    // A DIB section with a copy of the bitmap, in the depth the AVI frames take from the
    // screen; nullptr when it cannot be made.
    std::unique_ptr<TDibSection> MakeDibSection(const TBitmap& bitmap) const;
    // The compressor choice is our dialog, owned by this window, while the window lives: the
    // constructor calls InstallCodecChooser, which leaves what puts the dialog in (and takes
    // it out again when released) in CodecChooserInstall.
    void InstallCodecChooser();
    std::shared_ptr<void> CodecChooserInstall;
    // ======== Saving and copying the shown frame, the save dialogs' extension switching:
    //          output/save_frame.cpp (the name rules: output/save_dialog_names.h)
    // Asks for a file and writes the shown frame into it as a PNG, GIF, JPEG or BMP picture,
    // by the name's extension, after that format's options dialog when its flag is on. Any
    // other extension writes nothing. The project is not modified by it.
    void ActionSaveFrameExecute(QObject* sender);
    void ActionCopyExecute(QObject* sender);
    // The shown frame into that file in one format, with the options the window holds. The
    // picture libraries' errors pass on to the caller, with nothing of the window changed.
    void SaveFrameBmp(const std::string& fileName);
    void SaveFrameJpeg(const std::string& fileName);
    void SaveFramePng(const std::string& fileName);
    void SaveFrameGif(const std::string& fileName);
    // The typed name follows the filter the user picks in the frame and output save dialogs.
    void SaveDialog2Show(TFileDialog& sender);
    void SaveDialog2TypeChange(TFileDialog& sender);
    void SaveDialog1Show(TFileDialog& sender);
    void SaveDialog1TypeChange(TFileDialog& sender);

    // ======== Sound command: output/add_sound_command.cpp (its dialog: output/addsound.cpp)
    // The project's sound through the sound dialog; a change there makes the project modified.
    void ActionInsertWavExecute(QObject* sender);

    // ======== Deleting, moving, cloning frames: editing/frame_order.cpp
    void ActionDeleteExecute();
    // Deletes every frame whose marker shows and redraws the cells that remain; the
    // selection is empty afterwards.
    void DeleteSelectedFrames();
    // Frame n out of every sequence and the strip's last cell away; an index not below the
    // frame count raises std::out_of_range and changes nothing.
    void DeleteFrameAt(std::size_t n);
    void ActionUpExecute();
    void ActionDownExecute();
    // The one selected frame exchanged with its neighbour step (-1 or +1) away; the times
    // travel with the frames only in a GIF project.
    void MoveSelectedFrame(int step);
    void ActionCloneExecute();
    // Each of the frames, highest first, copied in front of itself with a cell of its own.
    void CloneFrames(const std::vector<int>& frames);
    // ======== Flipping frames: editing/flip_commands.cpp (the mirroring: app/frame_geometry.h)
    TRect GetFlipRect(int mode, int width, int height) const;
    // Rebuilds the bitmap of frame index from its source file in the mode; false, with a
    // line in the message log, when it could not.
    bool RenderFrameFromFile(int mode, int index, int width, int height);
    // The message log's line for a frame whose source could not give its picture again.
    void LogPictureFailure(const std::string& path);
    // Runs the rebuild of one frame from its source file and gives its answer. A source that
    // its image library refuses part-way costs only that frame: the failure is logged as
    // above and the answer is false, so that the frame commands go on with the next frame and
    // end as they always do. Memory that runs out ends the command with EOutOfMemory instead.
    bool TryFrameRebuild(const std::string& path, const std::function<bool()>& rebuild);
    void ActionFlipExecute();
    void ItemNormalClick();
    void ItemHorizontalClick();
    void ItemVerticalClick();
    void ItemHorizVertClick();
    // ======== Frame settings: editing/frame_settings.cpp (dialog: editing/delay.h)
    void ActionDelayExecute();
    // Runs the frame settings dialog for the selected frames and applies what it hands back.
    void EditFrameSettings();
    // The dialog's answer applied to each selected frame, its bitmap rebuilt when placed.
    void ApplyFrameSettings(bool timeEdited, bool placed);
    // Frame n's bitmap made again from its source file at its placement's size, stretched
    // or not and mirrored as the frame is; a source that cannot give the picture leaves a
    // line in the message log and the bitmap resized but not drawn. The caller has asked the
    // memory guard for the bitmap.
    void RebuildFrameFromFile(std::size_t n);
    // The message log's panel is shown exactly while the log holds lines.
    void ShowLogPanel();
    // Frame n becomes the one selected frame and the shown one, as a plain click on it does;
    // the cells' icons start their commands so.
    void SelectOnlyFrame(int n);

    // ======== Frame colour options: editing/colour_options.cpp (dialog: editing/gifoptions.h)
    void ActionColorExecute();
    // Runs the colour options dialog for the selected frames.
    void EditFrameColors();
    // ======== Text frames: editing/addtext_command.cpp; the dialog editing/addtext.cpp
    // Runs the text-frame dialog and brings the frames it made in after the first selected
    // frame.
    void ActionAddTextExecute();
    // Frames first .. end - 1, just brought in from a text-frame GIF, placed and set up as
    // text frames.
    void FitTextFrames(std::size_t first, std::size_t end);
    // ======== Frame information: editing/properties.cpp, with its dialog
    void ActionPropertiesExecute();

protected:
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // app/avi_form.cpp
    void CreateComponents();
    void CreateActions();
    void CreateMenus();
    void CreateToolBars();
    void CreateClientArea();
    QAction* MakeAction(QAction* TAVIForm::*member, const char* name, const char* caption,
                        const char* shortcut, const char* hint);
    QAction* MakeItem(QMenu* menu, QAction* TAVIForm::*member, const char* name, const char* caption,
                      const char* shortcut = "");
    QToolButton* MakeToolButton(QToolBar* bar, QToolButton* TAVIForm::*member, const char* name,
                                const QIcon& icon, QAction* action, const char* hint = "");
    void NameItem(QAction* TAVIForm::*member, const char* name, QAction* action);
    // app/avi_form_bindings.cpp
    void BindHandlers();
    // app/project_options.cpp: frame index made anew from its file for the new settings
    void RebuildFrameForOptions(std::size_t index);
    // app/frame_import.cpp
    int InsertStillFrame(std::size_t index, const std::string& fileName);
    int InsertGifImages(std::size_t index, const std::string& fileName, bool forTextFrames);
    void ImportFiles(const std::vector<std::string>& files, bool stopAtOtherKind);
    void ShowAfterAppend();
    // editing/flip_commands.cpp
    void FlipSelectedFrames(int mode);
    // app/lifecycle.cpp
    void PostMessage(UINT message, std::vector<std::string> droppedFiles = {});
    // Everything that can still touch the frames from outside the GUI thread's commands is
    // stopped here before the close deletes them.
    void StopPlaybackForClose();
    void SettleOuterSize();
    // app/output_gif.cpp: frees the images of the output GIF / the GIF itself, in the one
    // unit that includes the GIF library.
    void ClearOutputGifImages();
    void ReleaseOutputGif();
    // output/preview.cpp
    void DrawPlaybackFrame(int frame);
    // The frame drawn, or, when that fails, the run stopped as the stop button stops it
    // before the error goes on.
    void DrawOrEndPreview(int frame);
    void EndPreview();
    bool ArmPlaybackTimer(int mode);

    std::vector<std::string> arguments_;
    bool shown_ = false;
    bool commandLineOpenWaiting_ = false;
    bool outerSizeSettled_ = false;
    int wantedOuterWidth_ = 0;
    int wantedOuterHeight_ = 0;
    std::map<std::string, QAction*> actions_;
    std::map<std::string, QAction*> menuItems_;
    std::map<std::string, QToolButton*> toolButtons_;
    std::map<std::string, QMenu*> menus_;
    // The GIF source kept while a command rebuilds frames from their files (the project
    // reader, the options rebuild, the flips, frame settings).
    TGifSources gifSources_;
};

// The frame index that a control of a strip cell carries.
int CellTag(const QObject* control);

// The one main window; set when the window has been created.
extern TAVIForm* AVIForm;
