#include "app/project_format.h"

#include <gtest/gtest.h>

#include <set>

namespace {

GIFOPTIONS DefaultOptions()
{
    GIFOPTIONS g;
    g.ColorDither = 0;
    g.ColorReduction = 7;
    g.ReductionBit = 8;
    g.GIFCompression = 0;
    g.DisposalMethod = 0;
    g.TransparentColor = 0xFFFFFF;
    g.TransparentColorIndex = 0;
    g.GIFTransparent = false;
    return g;
}

// Paths that exist for the reader; every other path is missing.
struct TFakeFiles {
    std::set<std::string> Existing{"/p/a.bmp", "/p/b.gif", "/p/c.jpg", "/p/d.png", "/p/e.ico", "/p/s.wav"};
    std::function<bool(const std::string&)> Exists() const
    {
        return [this](const std::string& path) { return Existing.count(path) > 0; };
    }
};

TProjectReadResult Read(const std::string& text, const TProjectParameters& current = {})
{
    static const TFakeFiles files;
    return ReadProjectSections(TIniFile::FromText(text), current, DefaultOptions(), files.Exists());
}

TProjectFrameEntry Frame(const std::string& file, WORD time)
{
    TProjectFrameEntry f;
    f.File = file;
    f.Time = time;
    f.GifOptions = DefaultOptions();
    f.Placement = {0, 0, 320, 240};
    return f;
}

TProjectParameters Gif320x240()
{
    TProjectParameters p;
    p.FrameWidth = 320;
    p.FrameHeight = 240;
    p.ProjectType = 1;
    p.GifFrameTime = 500;
    return p;
}

TEST(ProjectWrite, OneFrameOfAGifProjectInKeyOrder)
{
    TProjectParameters p = Gif320x240();
    p.GifMerge = true;
    TProjectFrameEntry f = Frame("/p/b.gif", 120);
    f.Flip = 2;
    f.SubImage = 3;
    f.GifOptions.ColorDither = -1;
    f.GifOptions.GIFTransparent = true;
    f.GifOptions.TransparentColorIndex = 200;
    f.Stretch = true;
    f.Placement = {5, 6, 70, 80};
    TIniFile ini = TIniFile::FromText("");
    WriteProjectSections(ini, p, {f});
    EXPECT_EQ(ini.Text(),
              "[Parameters]\nWidth=320\nHeight=240\nStretch=0\nType=1\n"
              "Crop=0\nMerge=1\nOptimize=0\nInterlaced=0\nTime=500\n"
              "\n"
              "[Files]\nFile_1=/p/b.gif\nTime_1=120\nFlip_1=2\nFrame_1=3\nColorDither_1=-1\n"
              "ColorReduction_1=7\nReductionBit_1=8\nGIFCompression_1=0\nGIFTransparent_1=1\n"
              "DisposalMethod_1=0\nTransparentColor_1=16777215\nTransparentColorIndex_1=200\n"
              "Stretch_1=1\nLeft_1=5\nTop_1=6\nWidth_1=70\nHeight_1=80\n");
}

TEST(ProjectWrite, AviParametersAndNoFrameTimes)
{
    TProjectParameters p = Gif320x240();
    p.ProjectType = 0;
    p.AviFrameTime = 40;
    p.WavFile = "/p/s.wav";
    TIniFile ini = TIniFile::FromText("");
    WriteProjectSections(ini, p, {Frame("/p/a.bmp", 40)});
    const std::string text = ini.Text();
    EXPECT_EQ(text.substr(0, text.find("\n\n")),
              "[Parameters]\nWidth=320\nHeight=240\nStretch=0\nType=0\nTime=40\nSound=0\nWav_File=/p/s.wav");
    EXPECT_EQ(text.find("Time_"), std::string::npos);
}

TEST(ProjectWrite, RewritingFewerFramesLeavesNoOldKeysAndKeepsForeignSections)
{
    TIniFile ini = TIniFile::FromText("[Notes]\nAuthor=Маша\n");
    const TProjectParameters p = Gif320x240();
    std::vector<TProjectFrameEntry> five(5, Frame("/p/a.bmp", 100));
    WriteProjectSections(ini, p, five);
    ini = TIniFile::FromText(ini.Text());
    WriteProjectSections(ini, p, {five[0], five[1]});
    const TIniFile reread = TIniFile::FromText(ini.Text());
    EXPECT_TRUE(reread.ValueExists("Files", "Height_2"));
    for (const char* key : {"File_3", "Time_3", "Flip_5", "Height_5"})
        EXPECT_FALSE(reread.ValueExists("Files", key)) << key;
    EXPECT_EQ(reread.ReadString("Notes", "Author", ""), "Маша");
    EXPECT_EQ(ini.Text().rfind("[Notes]", 0), 0u);
}

TEST(ProjectRead, FrameListEndsAtTheFirstMissingNumberAndSkipsEmptyOrMissingPaths)
{
    const std::string params = "[Parameters]\nWidth=320\nHeight=240\nType=1\n";
    const struct {
        const char* files;
        std::vector<std::string> expected;
    } cases[] = {
        {"File_1=/p/a.bmp\nFile_3=/p/c.jpg\n", {"/p/a.bmp"}},
        {"File_1=/p/a.bmp\nFile_2=\nFile_3=/p/c.jpg\n", {"/p/a.bmp", "/p/c.jpg"}},
        {"File_1=/p/gone.bmp\nFile_2=/p/d.png\n", {"/p/d.png"}},
        {"File_2=/p/a.bmp\n", {}},
    };
    for (const auto& c : cases) {
        const TProjectReadResult r = Read(params + "[Files]\n" + c.files);
        std::vector<std::string> got;
        for (const auto& f : r.Frames)
            got.push_back(f.File);
        EXPECT_EQ(got, c.expected) << c.files;
        EXPECT_TRUE(r.Log.empty()) << c.files;
    }
}

TEST(ProjectRead, MissingOrInvalidSettingsAreLoggedAndReplaced)
{
    const struct {
        const char* text;
        int width, height, type;
        std::vector<std::string> log;
    } cases[] = {
        {"[Parameters]\nWidth=320\nHeight=240\n", 320, 240, 0,
         {"Error reading of file's extension: have been set AVI"}},
        {"[Parameters]\nHeight=240\nType=1\n", 100, 240, 1, {"Error reading of frame's width: have been set 100"}},
        {"[Parameters]\nWidth=abc\nHeight=4\nType=2\n", 100, 100, 0,
         {"Error reading of frame's width: have been set 100", "Error reading of frame's height: have been set 100",
          "Error reading of file's extension: have been set AVI"}},
        {"[Parameters]\nWidth=10001\nHeight=0x10\nType=-1\n", 100, 16, 0,
         {"Error reading of frame's width: have been set 100", "Error reading of file's extension: have been set AVI"}},
        {"", 100, 100, 0,
         {"Error reading of frame's width: have been set 100", "Error reading of frame's height: have been set 100",
          "Error reading of file's extension: have been set AVI"}},
    };
    for (const auto& c : cases) {
        const TProjectReadResult r = Read(c.text);
        EXPECT_EQ(r.Parameters.FrameWidth, c.width) << c.text;
        EXPECT_EQ(r.Parameters.FrameHeight, c.height) << c.text;
        EXPECT_EQ(r.Parameters.ProjectType, c.type) << c.text;
        EXPECT_EQ(r.Log, c.log) << c.text;
    }
}

TEST(ProjectRead, SoundWithoutAWavFileIsTurnedOff)
{
    TProjectParameters current;
    current.WavFile = "/old.wav";
    TProjectReadResult r = Read("[Parameters]\nWidth=320\nHeight=240\nType=0\nSound=1\n", current);
    EXPECT_EQ(r.Log, std::vector<std::string>{"Не найден файл: None"});
    EXPECT_FALSE(r.Parameters.AddSound);
    EXPECT_EQ(r.Parameters.WavFile, "");

    r = Read("[Parameters]\nWidth=320\nHeight=240\nType=0\nSound=0\nWav_File=/p/s.wav\n", current);
    EXPECT_EQ(r.Parameters.WavFile, "/old.wav");  // read only when sound is on
    r = Read("[Parameters]\nWidth=320\nHeight=240\nType=0\nSound=1\nWav_File=/p/s.wav\n", current);
    EXPECT_TRUE(r.Parameters.AddSound);
    EXPECT_EQ(r.Parameters.WavFile, "/p/s.wav");
    EXPECT_TRUE(r.Log.empty());
}

TEST(ProjectRead, TimesKeepTheirLow16BitsAndOnlyAnAviTimeBelowOneIsMissing)
{
    TProjectReadResult r = Read("[Parameters]\nWidth=320\nHeight=240\nType=1\nTime=70000\n"
                                "[Files]\nFile_1=/p/a.bmp\nTime_1=70000\nFile_2=/p/c.jpg\n");
    EXPECT_EQ(r.Parameters.GifFrameTime, 4464);
    ASSERT_EQ(r.Frames.size(), 2u);
    EXPECT_EQ(r.Frames[0].Time, 4464);
    EXPECT_EQ(r.Frames[1].Time, 4464);  // a missing frame time is the project's GIF time

    const struct {
        const char* time;
        int aviTime;
        WORD frameTime;
    } avi[] = {{"0", 1000, 1000}, {"-5", 1000, 1000}, {"1", 1, 1}, {"70000", 70000, 4464}, {"x", 1000, 1000}};
    for (const auto& c : avi) {
        r = Read(std::string("[Parameters]\nWidth=320\nHeight=240\nType=0\nTime=") + c.time +
                 "\n[Files]\nFile_1=/p/a.bmp\nTime_1=7\n");
        EXPECT_EQ(r.Parameters.AviFrameTime, c.aviTime) << c.time;
        ASSERT_EQ(r.Frames.size(), 1u);
        EXPECT_EQ(r.Frames[0].Time, c.frameTime) << c.time;
    }
}

TEST(ProjectRead, FrameValuesOutsideTheirRangesAreMadeSafe)
{
    const TProjectReadResult r = Read(
        "[Parameters]\nWidth=320\nHeight=240\nType=1\n"
        "[Files]\nFile_1=/p/b.gif\nFlip_1=7\nWidth_1=5000\nHeight_1=-3\nLeft_1=-10\nFrame_1=-2\n"
        "ColorDither_1=7\nColorReduction_1=10\nReductionBit_1=9\nGIFCompression_1=2\nDisposalMethod_1=4\n"
        "TransparentColorIndex_1=268\nTransparentColor_1=255\n"
        "File_2=/p/a.bmp\nFlip_2=3\nColorDither_2=6\nColorReduction_2=9\nReductionBit_2=1\n"
        "GIFCompression_2=1\nDisposalMethod_2=3\n");
    ASSERT_EQ(r.Frames.size(), 2u);
    const TProjectFrameEntry& bad = r.Frames[0];
    EXPECT_EQ(bad.Flip, 0);
    EXPECT_EQ(bad.Placement, (MYRECT{-10, 0, 320, 0}));
    EXPECT_EQ(bad.SubImage, -2);  // the window logs it as a missing image
    GIFOPTIONS expected = DefaultOptions();
    expected.TransparentColorIndex = 12;
    expected.TransparentColor = 255;
    EXPECT_EQ(bad.GifOptions, expected);

    const TProjectFrameEntry& good = r.Frames[1];
    EXPECT_EQ(good.Flip, 3);
    EXPECT_EQ(good.Placement, (MYRECT{0, 0, 320, 240}));  // sizes default to the frame's
    EXPECT_EQ(good.GifOptions.ColorDither, 6);
    EXPECT_EQ(good.GifOptions.ColorReduction, 9);
    EXPECT_EQ(good.GifOptions.ReductionBit, 1);
    EXPECT_EQ(good.GifOptions.GIFCompression, 1);
    EXPECT_EQ(good.GifOptions.DisposalMethod, 3);

    EXPECT_FALSE(ProjectImageNumberValid(-2, 3));
    EXPECT_FALSE(ProjectImageNumberValid(3, 3));
    EXPECT_TRUE(ProjectImageNumberValid(2, 3));
    EXPECT_EQ(ProjectMissingImageLine(5, "/p/b.gif"), "Не найден кадр 6 в файле /p/b.gif");
}

TEST(ProjectRoundTrip, GifAndAviProjectsComeBackUnchanged)
{
    TProjectParameters gif = Gif320x240();
    gif.ProjectStretch = true;
    gif.GifFrameTime = 65535;
    gif.GifCrop = gif.GifOptimize = gif.GifInterlaced = true;
    gif.AviFrameTime = 333;  // the other type's settings are neither written nor read
    TProjectFrameEntry a = Frame("/p/a.bmp", 0);
    a.Stretch = true;
    TProjectFrameEntry b = Frame("/p/b.gif", 65535);
    b.Flip = 3;
    b.SubImage = 2;
    b.Placement = {-4, 300, 1, 2};
    b.GifOptions = {4, 9, 3, 1, 3, 0x123456, 255, true};
    TProjectFrameEntry c = Frame("/p/e.ico", 10);
    c.GifOptions.TransparentColor = -2147483647 - 1;

    TProjectParameters avi = Gif320x240();
    avi.ProjectType = 0;
    avi.AviFrameTime = 2;
    avi.AddSound = true;
    avi.WavFile = "/p/s.wav";
    avi.GifFrameTime = 77;

    for (const auto& [p, frames] : {std::pair{gif, std::vector{a, b, c}},
                                     std::pair{avi, std::vector{Frame("/p/c.jpg", 2), Frame("/p/d.png", 2)}}}) {
        TIniFile ini = TIniFile::FromText("");
        WriteProjectSections(ini, p, frames);
        TProjectParameters before;  // what the window held before reading
        before.AviFrameTime = p.AviFrameTime;
        before.GifFrameTime = p.GifFrameTime;
        const TProjectReadResult r = Read(ini.Text(), before);
        EXPECT_EQ(r.Parameters, p);
        EXPECT_EQ(r.Frames, frames);
        EXPECT_TRUE(r.Log.empty());
    }
}

} // namespace

namespace {

TEST(ProjectFrameEntries, EveryFieldTravelsBetweenTheListAndTheRecord)
{
    TProjectFrameEntry a = Frame("/p/a.bmp", 10);
    a.Flip = 1;
    a.SubImage = 2;
    a.Stretch = true;
    a.Placement = {1, 2, 3, 4};
    a.GifOptions = {1, 2, 3, 1, 2, 0x445566, 77, true};
    const TProjectFrameEntry b = Frame("/p/b.gif", 20);
    TFrameList list;
    for (const auto& entry : {a, b})
        list.AppendFrame(FrameDataFromEntry(entry), TFrameCell{});
    EXPECT_EQ(ProjectFrameEntries(list), (std::vector{a, b}));
}

TEST(ProjectFileExists, OnlyRegularFilesCount)
{
    const std::string self = std::string(KELVO_SOURCE_DIR) + "/CMakeLists.txt";
    EXPECT_TRUE(ProjectFileExists(self));
    EXPECT_FALSE(ProjectFileExists(KELVO_SOURCE_DIR));
    EXPECT_FALSE(ProjectFileExists(self + ".missing"));
    EXPECT_FALSE(ProjectFileExists(""));
}

} // namespace
