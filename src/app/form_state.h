#pragma once
// The main window's state, in plain structs without a widget in sight. TAVIForm inherits
// every one of them, so the fields keep their short names (AVIForm->JpegQuality), while code
// that has no business with windows (the project file, the writers, the totals, the text
// frames) takes only the struct it needs and is tested without one.
//
// Zero is the starting value unless a field says otherwise: the window's constructor sets
// the defaults, in the order the program always has.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "app/frame_records.h"
#include "platform/bitmap.h"
#include "platform/canvas.h"
#include "platform/types.h"

// What a project is made of besides its frames. All of it but the loop count and the three
// defaults goes into the project file.
struct TProjectSettings {
    int ProjectType = 0; // 0 AVI, 1 animated GIF; a project file may hold another value
    int FrameWidth = 0;
    int FrameHeight = 0;
    bool ProjectStretch = false;
    int AviFrameTime = 0; // ms
    WORD GifFrameTime = 0; // ms, for new frames of a GIF project
    bool AddSound = false;
    std::string WavFile;
    bool GifOptimize = false;
    bool GifMerge = false;
    bool GifCrop = false;
    bool GifInterlaced = false;
    int GifLoopCount = 0; // 0 loops endlessly
    int DefaultFrameWidth = 0;
    int DefaultFrameHeight = 0;
    MYRECT DefaultPlacement; // a fitted frame: 0, 0, FrameWidth, FrameHeight
    // Given to every new frame (its transparent colour is replaced per picture).
    GIFOPTIONS DefaultGifOptions;
};

// How the outputs are written, for the run of the program; none of it is in the project.
struct TOutputOptions {
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
    // The single-frame GIF: values of the GIF library's dither, reduction and compression.
    std::int8_t GifSaveDither = 0;
    std::int8_t GifSaveReduction = 0;
    int GifSaveReductionBits = 0;
    std::int8_t GifSaveCompression = 0;
    bool GifSaveTransparent = false;
    TColor GifSaveTransparentColor = 0;
    // The chosen output or frame file, without its folder; the option dialogs show it.
    std::string OutputFileName;
    std::string OutputDialogTitle;
    std::string FrameDialogTitle;
    std::string OutputDialogFileText;
    std::string FrameDialogFileText;
    int SoundLength = 0; // ms of the chosen WAV
};

// What the dialogs hand back to the command that showed them.
struct TDialogResults {
    // A dialog's OK sets it when it changed a value; its caller turns it into the state of
    // the save-project command and clears it.
    bool OptionsChanged = false;
    bool NewProjectOptions = false;
    bool GifOptionsForFrames = false;
    bool DelayEdited[6] = {}; // time, Left, Top, Width, Height, fit
    WORD DelayGifTime = 0;
    bool DelayFit = false;
    MYRECT DelayPlacement;
    std::string TextFramesGifPath;
    MYRECT TextFramePlacement;
};

// The shown frame and the running preview.
struct TPlaybackState {
    std::unique_ptr<TBitmap> PreviewBitmap;
    int PreviewLeft = 0;
    int PreviewTop = 0;
    std::unique_ptr<TBitmap> PlaybackBitmap;
    int CurrentFrame = 0;
    bool PreviewRunning = false;   // the preview timer is armed
    bool PreviewResumable = false; // paused: the next run goes on after CurrentFrame
};

// The frame strip's cells. Cell i lies at CellTop(i) in the unscrolled strip, and the strip
// scrolls by one cell and its gap.
struct TStripGeometry {
    int CellWidth = 170;
    int CellHeight = 150;
    int CellHeaderHeight = 20;
    int CellTimeHeight = 20;
    int ThumbWidth = 168;
    int ThumbHeight = 108;

    int CellPitch() const { return CellHeight + 4; }
    int CellTop(int index) const { return index * CellPitch() + 4; }
    // The scroll range of a strip of that many cells: down to 4 pixels below the last one.
    int ScrollRange(std::size_t cells) const { return CellTop(int(cells)); }
};

// The last values of the text-frame dialog, kept for the run.
struct TTextFrameSettings {
    int TextLeft = 0;
    int TextTop = 0;
    int TextFrameLeft = 0;
    int TextFrameTop = 0;
    int TextFrameWidth = 0;
    int TextFrameHeight = 0;
    int TextFrameCount = 0;
    int TextFrameTime = 0;
    int TextDirection = 0; // 0 left to right, 1 right to left, 2 top down, 3 bottom up
    TColor TextBackColor = 0;
    std::string TextString;
    bool TextUseBackPicture = false;
    std::unique_ptr<TFont> TextFont;

    // What a new or opened project starts the dialog with: the whole frame, five frames of
    // 300 ms, left to right, bold red 12-point text on white.
    void ResetTextDefaults(int width, int height, const std::string& text);
};
