#pragma once
// What a project file holds, as plain data, and its mapping to and from the INI file. The
// window turns this record into its state (loading pictures, building bitmaps and strip
// cells); nothing here touches a picture or a widget.
//
// The file has two sections. "Parameters" holds the project settings; which keys are written
// depends on the project type. "Files" holds one group of keys per frame, numbered from 1.
// Other sections of an existing file are kept as they are.
#include <functional>
#include <string>
#include <vector>

#include "app/frame_list.h"
#include "platform/ini_file.h"

// The settings a project file stores. The defaults are those of a window that has not yet
// held a project.
struct TProjectParameters {
    int FrameWidth = 0;
    int FrameHeight = 0;
    bool ProjectStretch = false;
    int ProjectType = 0; // 0 AVI, 1 animated GIF
    int AviFrameTime = 1000;
    WORD GifFrameTime = 500;
    bool AddSound = false;
    std::string WavFile;
    bool GifCrop = false;
    bool GifMerge = false;
    bool GifOptimize = false;
    bool GifInterlaced = false;
    friend bool operator==(const TProjectParameters&, const TProjectParameters&) = default;
};

// One frame as the file describes it.
struct TProjectFrameEntry {
    std::string File;
    WORD Time = 0;
    int Flip = 0;
    int SubImage = 0; // image number inside a GIF source, from 0
    GIFOPTIONS GifOptions;
    bool Stretch = false;
    MYRECT Placement;
    friend bool operator==(const TProjectFrameEntry&, const TProjectFrameEntry&) = default;
};

// Used when a frame size is missing or out of range.
constexpr int ProjectFallbackFrameSize = 100;
constexpr int ProjectMinFrameSize = 5;
constexpr int ProjectMaxFrameSize = 10000;

struct TProjectReadResult {
    TProjectParameters Parameters;
    // The frames whose path is not empty and names an existing file, in file order.
    std::vector<TProjectFrameEntry> Frames;
    // Lines for the message log about the settings, in the order they arose.
    std::vector<std::string> Log;
};

// Erases "Parameters" and "Files" and writes the project into them; the caller writes the
// file (TIniFile::UpdateFile).
void WriteProjectSections(TIniFile& ini, const TProjectParameters& parameters,
                          const std::vector<TProjectFrameEntry>& frames);

// Reads a project. current: the window's settings before the read; the settings the file
// does not hold for its type (the other type's times and options, a WAV file without sound)
// are kept from it. defaultGifOptions: what a frame's GIF options start from, and what a
// value outside its range falls back to. fileExists decides which paths name files.
TProjectReadResult ReadProjectSections(const TIniFile& ini, const TProjectParameters& current,
                                       const GIFOPTIONS& defaultGifOptions,
                                       const std::function<bool(const std::string&)>& fileExists);

// The frames of the list as the file stores them.
std::vector<TProjectFrameEntry> ProjectFrameEntries(const TFrameList& frames);
// A frame's data from an entry, without its two bitmaps, which the window builds from the
// picture; the placement is taken as read.
TFrameData FrameDataFromEntry(const TProjectFrameEntry& entry);

// True when the file's extension is ".gif", in any letter case.
bool IsGifFileName(const std::string& fileName);
// The extension from the last dot of the file's own name on, dot included, in lower case;
// empty when the name has no dot.
std::string LowerFileExtension(const std::string& fileName);

// True when a file (not a folder) of that path exists.
bool ProjectFileExists(const std::string& path);

// Log lines of a frame the window could not rebuild.
std::string ProjectMissingFileLine(const std::string& path);
// imageNumber counts from 0; the line counts from 1.
std::string ProjectMissingImageLine(int imageNumber, const std::string& path);
// Whether a GIF source with imageCount images holds image imageNumber.
bool ProjectImageNumberValid(int imageNumber, int imageCount);
