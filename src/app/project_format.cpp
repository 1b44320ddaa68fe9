#include "app/project_format.h"

#include <algorithm>
#include <filesystem>
#include <limits>
#include <system_error>

#include "gif/gif_types.h"

namespace {

constexpr const char* Parameters = "Parameters";
constexpr const char* Files = "Files";

std::string Numbered(const char* prefix, int n) { return prefix + std::to_string(n); }

// A frame size the rest of the program can build bitmaps of; anything else counts as missing.
bool ValidFrameSize(int size) { return size >= ProjectMinFrameSize && size <= ProjectMaxFrameSize; }

// A GIF option outside its enumeration would reach the GIF library's switch statements;
// such a value falls back to the default frame's.
template <class T>
T OptionOrDefault(const TIniFile& ini, const std::string& key, T fallback, bool (*valid)(int))
{
    const int value = ini.ReadInteger(Files, key, fallback);
    return valid(value) ? T(value) : fallback;
}

bool ValidReductionBits(int value) { return value >= 1 && value <= 8; }
bool ValidCompression(int value) { return value == gcLZW || value == gcRLE; }
bool ValidDisposal(int value) { return value >= dmNone && value <= dmPrevious; }

} // namespace

void WriteProjectSections(TIniFile& ini, const TProjectParameters& p, const std::vector<TProjectFrameEntry>& frames)
{
    ini.EraseSection(Parameters);
    ini.WriteInteger(Parameters, "Width", p.FrameWidth);
    ini.WriteInteger(Parameters, "Height", p.FrameHeight);
    ini.WriteBool(Parameters, "Stretch", p.ProjectStretch);
    ini.WriteInteger(Parameters, "Type", p.ProjectType);
    if (p.ProjectType == 0) {
        ini.WriteInteger(Parameters, "Time", p.AviFrameTime);
        ini.WriteBool(Parameters, "Sound", p.AddSound);
        ini.WriteString(Parameters, "Wav_File", p.WavFile);
    } else if (p.ProjectType == 1) {
        ini.WriteBool(Parameters, "Crop", p.GifCrop);
        ini.WriteBool(Parameters, "Merge", p.GifMerge);
        ini.WriteBool(Parameters, "Optimize", p.GifOptimize);
        ini.WriteBool(Parameters, "Interlaced", p.GifInterlaced);
        ini.WriteInteger(Parameters, "Time", p.GifFrameTime);
    }

    ini.EraseSection(Files);
    int n = 0;
    for (const TProjectFrameEntry& f : frames) {
        ++n;
        ini.WriteString(Files, Numbered("File_", n), f.File);
        if (p.ProjectType == 1)
            ini.WriteInteger(Files, Numbered("Time_", n), f.Time);
        ini.WriteInteger(Files, Numbered("Flip_", n), f.Flip);
        ini.WriteInteger(Files, Numbered("Frame_", n), f.SubImage);
        ini.WriteInteger(Files, Numbered("ColorDither_", n), f.GifOptions.ColorDither);
        ini.WriteInteger(Files, Numbered("ColorReduction_", n), f.GifOptions.ColorReduction);
        ini.WriteInteger(Files, Numbered("ReductionBit_", n), f.GifOptions.ReductionBit);
        ini.WriteInteger(Files, Numbered("GIFCompression_", n), f.GifOptions.GIFCompression);
        ini.WriteBool(Files, Numbered("GIFTransparent_", n), f.GifOptions.GIFTransparent);
        ini.WriteInteger(Files, Numbered("DisposalMethod_", n), f.GifOptions.DisposalMethod);
        ini.WriteInteger(Files, Numbered("TransparentColor_", n), f.GifOptions.TransparentColor);
        ini.WriteInteger(Files, Numbered("TransparentColorIndex_", n), f.GifOptions.TransparentColorIndex);
        ini.WriteBool(Files, Numbered("Stretch_", n), f.Stretch);
        ini.WriteInteger(Files, Numbered("Left_", n), f.Placement.Left);
        ini.WriteInteger(Files, Numbered("Top_", n), f.Placement.Top);
        ini.WriteInteger(Files, Numbered("Width_", n), f.Placement.Width);
        ini.WriteInteger(Files, Numbered("Height_", n), f.Placement.Height);
    }
}

TProjectReadResult ReadProjectSections(const TIniFile& ini, const TProjectParameters& current,
                                       const GIFOPTIONS& defaults,
                                       const std::function<bool(const std::string&)>& fileExists)
{
    TProjectReadResult result;
    TProjectParameters& p = result.Parameters;
    p = current;

    p.FrameWidth = ini.ReadInteger(Parameters, "Width", -1);
    if (!ValidFrameSize(p.FrameWidth)) {
        p.FrameWidth = ProjectFallbackFrameSize;
        result.Log.push_back("Error reading of frame's width: have been set " + std::to_string(p.FrameWidth));
    }
    p.FrameHeight = ini.ReadInteger(Parameters, "Height", -1);
    if (!ValidFrameSize(p.FrameHeight)) {
        p.FrameHeight = ProjectFallbackFrameSize;
        result.Log.push_back("Error reading of frame's height: have been set " + std::to_string(p.FrameHeight));
    }
    p.ProjectStretch = ini.ReadBool(Parameters, "Stretch", false);
    p.ProjectType = ini.ReadInteger(Parameters, "Type", -1);
    if (p.ProjectType != 0 && p.ProjectType != 1) {
        p.ProjectType = 0;
        result.Log.push_back("Error reading of file's extension: have been set AVI");
    }
    if (p.ProjectType == 0) {
        p.AddSound = ini.ReadBool(Parameters, "Sound", false);
        // The AVI rate is 1000 divided by this time.
        p.AviFrameTime = ini.ReadInteger(Parameters, "Time", 1000);
        if (p.AviFrameTime < 1)
            p.AviFrameTime = 1000;
        if (p.AddSound) {
            p.WavFile = ini.ReadString(Parameters, "Wav_File", "None");
            if (!fileExists(p.WavFile)) {
                result.Log.push_back(ProjectMissingFileLine(p.WavFile));
                p.WavFile.clear();
                p.AddSound = false;
            }
        }
    } else {
        p.GifFrameTime = WORD(ini.ReadInteger(Parameters, "Time", 500));
        p.GifCrop = ini.ReadBool(Parameters, "Crop", false);
        p.GifMerge = ini.ReadBool(Parameters, "Merge", false);
        p.GifOptimize = ini.ReadBool(Parameters, "Optimize", false);
        p.GifInterlaced = ini.ReadBool(Parameters, "Interlaced", false);
    }

    // The list ends at the first number without a "File_" key; an empty value is a key.
    for (int n = 1; n < std::numeric_limits<int>::max() && ini.ValueExists(Files, Numbered("File_", n)); ++n) {
        TProjectFrameEntry f;
        f.File = ini.ReadString(Files, Numbered("File_", n), "");
        if (f.File.empty() || !fileExists(f.File))
            continue;
        f.Time = p.ProjectType == 1 ? WORD(ini.ReadInteger(Files, Numbered("Time_", n), p.GifFrameTime))
                                    : WORD(p.AviFrameTime);
        f.Flip = ini.ReadInteger(Files, Numbered("Flip_", n), 0);
        if (f.Flip < 0 || f.Flip > 3)
            f.Flip = 0;
        f.Stretch = ini.ReadBool(Files, Numbered("Stretch_", n), false);
        f.Placement.Left = ini.ReadInteger(Files, Numbered("Left_", n), 0);
        f.Placement.Top = ini.ReadInteger(Files, Numbered("Top_", n), 0);
        f.Placement.Width = std::clamp(ini.ReadInteger(Files, Numbered("Width_", n), p.FrameWidth), 0, p.FrameWidth);
        f.Placement.Height = std::clamp(ini.ReadInteger(Files, Numbered("Height_", n), p.FrameHeight), 0, p.FrameHeight);
        f.SubImage = ini.ReadInteger(Files, Numbered("Frame_", n), 0);

        GIFOPTIONS& g = f.GifOptions;
        g = defaults;
        g.ColorDither = OptionOrDefault(ini, Numbered("ColorDither_", n), defaults.ColorDither, IsValidDitherMode);
        g.ColorReduction = OptionOrDefault(ini, Numbered("ColorReduction_", n), defaults.ColorReduction, IsValidColorReduction);
        g.ReductionBit = OptionOrDefault(ini, Numbered("ReductionBit_", n), defaults.ReductionBit, ValidReductionBits);
        g.GIFCompression = OptionOrDefault(ini, Numbered("GIFCompression_", n), defaults.GIFCompression, ValidCompression);
        g.DisposalMethod = OptionOrDefault(ini, Numbered("DisposalMethod_", n), defaults.DisposalMethod, ValidDisposal);
        g.GIFTransparent = ini.ReadBool(Files, Numbered("GIFTransparent_", n), defaults.GIFTransparent);
        g.TransparentColor = ini.ReadInteger(Files, Numbered("TransparentColor_", n), defaults.TransparentColor);
        g.TransparentColorIndex =
            std::uint8_t(ini.ReadInteger(Files, Numbered("TransparentColorIndex_", n), defaults.TransparentColorIndex));
        result.Frames.push_back(std::move(f));
    }
    return result;
}

std::vector<TProjectFrameEntry> ProjectFrameEntries(const TFrameList& frames)
{
    std::vector<TProjectFrameEntry> entries(frames.FrameCount());
    for (std::size_t i = 0; i < entries.size(); ++i) {
        TProjectFrameEntry& e = entries[i];
        e.File = frames.FrameFiles[i];
        e.Time = frames.FrameTimes[i];
        e.Flip = frames.FrameFlips[i];
        e.SubImage = frames.FrameSubImages[i];
        e.GifOptions = frames.FrameGifOptions[i];
        e.Stretch = frames.FrameStretch[i];
        e.Placement = frames.FramePlacements[i];
    }
    return entries;
}

TFrameData FrameDataFromEntry(const TProjectFrameEntry& entry)
{
    TFrameData data;
    data.File = entry.File;
    data.Time = entry.Time;
    data.SubImage = entry.SubImage;
    data.Flip = entry.Flip;
    data.GifOptions = entry.GifOptions;
    data.Placement = entry.Placement;
    data.Stretch = entry.Stretch;
    return data;
}

std::string LowerFileExtension(const std::string& fileName)
{
    const std::size_t dot = fileName.find_last_of("./");
    if (dot == std::string::npos || fileName[dot] != '.')
        return {};
    std::string ext = fileName.substr(dot);
    // Only ASCII letters: the extensions the program knows are all Latin.
    for (char& c : ext)
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    return ext;
}

bool IsGifFileName(const std::string& fileName) { return LowerFileExtension(fileName) == ".gif"; }

bool ProjectFileExists(const std::string& path)
{
    // Only a regular file: a folder cannot be a picture, and reading a device or a pipe
    // could wait for ever.
    std::error_code ec;
    return !path.empty() && std::filesystem::is_regular_file(path, ec);
}

std::string ProjectMissingFileLine(const std::string& path) { return "Не найден файл: " + path; }

std::string ProjectMissingImageLine(int imageNumber, const std::string& path)
{
    return "Не найден кадр " + std::to_string(std::int64_t(imageNumber) + 1) + " в файле " + path;
}

bool ProjectImageNumberValid(int imageNumber, int imageCount) { return imageNumber >= 0 && imageNumber < imageCount; }
