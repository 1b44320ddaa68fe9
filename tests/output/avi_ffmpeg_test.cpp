// Our AVI files as ffmpeg reads them.
#include <gtest/gtest.h>

#include <cstdlib>

#include "avi_test_util.h"
#include "output/avi_movie.h"
#include "output/avifunction.h"
#include "platform/qt/services.h"
#include "support/paths.h"
#include "support/qt/fake_dialogs.h"

using namespace kelvo::test;

namespace {

class AviFfmpegTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!HaveTool("ffmpeg") || !HaveTool("ffprobe"))
            GTEST_SKIP() << "ffmpeg/ffprobe are not installed";
        SetMessageBoxes(&boxes);
    }
    void TearDown() override
    {
        SetMessageBoxes(nullptr);
        SetAviSaveOptionsChooser(nullptr);
    }
    std::string Probe(const std::string& entries, const std::string& stream = "v:0")
    {
        return RunCommand("ffprobe -v error -select_streams " + stream + " -show_entries stream=" + entries +
                          " -of default=nw=1:nk=1 '" + file + "'");
    }
    // Decoded frames in rgb24 (or a stream's samples in the given raw format).
    std::string Decode(const std::string& outputArgs)
    {
        int exit = 0;
        std::string out = RunCommand("ffmpeg -v error -i '" + file + "' " + outputArgs + " - 2>/dev/null", &exit);
        EXPECT_EQ(exit, 0);
        return out;
    }
    void Write(const TAviMovie& movie)
    {
        WriteAviMovie(movie, file);
        EXPECT_TRUE(boxes.Asked.empty()) << boxes.Asked[0].Text;
    }

    TTempDir dir;
    std::string file = (dir / "out.avi").string();
    TFakeMessageBoxes boxes;
};

TEST_F(AviFfmpegTest, FrameRateAndPixelFormatFollowThePeriodAndTheScreenDepth)
{
    struct TCase {
        int Period, DepthBytes;
        const char* Rate;
        const char* PixelFormat;
    };
    const TBitmap frame = PatternFrame(6, 4, 0);
    for (const TCase c : {TCase{40, 3, "25/1", "bgr24"}, TCase{1000, 4, "1/1", "bgra"}, TCase{300, 3, "10/3", "bgr24"}}) {
        SCOPED_TRACE(c.Period);
        TAviMovie movie;
        movie.FrameWidth = 6;
        movie.FrameHeight = 4;
        movie.AviFrameTime = c.Period;
        movie.ScreenDepthBytes = c.DepthBytes;
        movie.Frames = {&frame, &frame};
        movie.Origins = {{}, {}};
        Write(movie);
        EXPECT_EQ(Probe("r_frame_rate,pix_fmt"), std::string(c.PixelFormat) + "\n" + c.Rate + "\n");
        int exit = -1;
        EXPECT_EQ(RunCommand("ffmpeg -v error -i '" + file + "' -f null - 2>&1", &exit), "");
        EXPECT_EQ(exit, 0);
    }
}

TEST_F(AviFfmpegTest, DecodedFramesShowEachFrameAtItsPlaceOnWhite)
{
    for (const int width : {5, 6}) {
        for (const int depth : {3, 4}) {
            SCOPED_TRACE(testing::Message() << "width " << width << " depth " << depth);
            const int height = 4;
            const TBitmap a = PatternFrame(3, 2, 1), b = PatternFrame(width, height, 2);
            TAviMovie movie;
            movie.FrameWidth = width;
            movie.FrameHeight = height;
            movie.AviFrameTime = 40;
            movie.ScreenDepthBytes = depth;
            movie.Frames = {&a, &b};
            movie.Origins = {{2, 1}, {0, 0}};
            Write(movie);

            const std::string rgb = Decode("-f rawvideo -pix_fmt rgb24");
            ASSERT_EQ(rgb.size(), std::size_t(2 * width * height * 3));
            for (int f = 0; f < 2; ++f)
                for (int y = 0; y < height; ++y)
                    for (int x = 0; x < width; ++x) {
                        TColor expected = clWhite;
                        const TBitmap& src = f == 0 ? a : b;
                        const TPoint at = movie.Origins[std::size_t(f)];
                        if (x >= at.X && y >= at.Y && x - at.X < src.Width() && y - at.Y < src.Height())
                            expected = src.GetPixel(x - at.X, y - at.Y);
                        const auto* p = reinterpret_cast<const std::uint8_t*>(&rgb[std::size_t(((f * height + y) * width + x) * 3)]);
                        ASSERT_EQ(RGB(p[0], p[1], p[2]), expected) << "frame " << f << " at " << x << "," << y;
                    }
        }
    }
}

TEST_F(AviFfmpegTest, TheSoundTrackDecodesToTheWavSamples)
{
    TWavShape shape;
    shape.ListFirst = true; // a LIST chunk in front of the format is stepped over
    shape.Data.resize(4 * 2205);
    for (std::size_t i = 0; i < shape.Data.size(); ++i)
        shape.Data[i] = std::uint8_t((i * 131) >> 3);
    const std::string wav = (dir / "sound.wav").string();
    WriteBytes(wav, MakeWav(shape));
    const TBitmap frame = PatternFrame(4, 4, 0);
    TAviMovie movie;
    movie.FrameWidth = movie.FrameHeight = 4;
    movie.AviFrameTime = 100;
    movie.Frames = {&frame, &frame, &frame};
    movie.Origins.resize(3);
    movie.AddSound = true;
    movie.WavFile = wav;
    Write(movie);

    EXPECT_EQ(Probe("codec_name,sample_rate,channels", "a:0"), "pcm_s16le\n44100\n2\n");
    const std::string samples = Decode("-map 0:a -f s16le");
    EXPECT_TRUE(samples == std::string(shape.Data.begin(), shape.Data.end())) << samples.size() << " bytes";
    int exit = -1;
    EXPECT_EQ(RunCommand("ffmpeg -v error -i '" + file + "' -f null - 2>&1", &exit), "");
    EXPECT_EQ(exit, 0);
}

class TPickMjpeg : public TAviSaveOptionsChooser {
public:
    bool Choose(void*, PAVISTREAM, AVICOMPRESSOPTIONS& options) override
    {
        options.fccHandler = comptypeMJPG;
        options.dwQuality = 9000;
        return true;
    }
};

TEST_F(AviFfmpegTest, MotionJpegDecodesCloseToTheFrames)
{
    TPickMjpeg chooser;
    SetAviSaveOptionsChooser(&chooser);
    const int width = 64, height = 48;
    TBitmap frame(width, height, pf24bit);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            frame.SetPixel(x, y, RGB(x * 4, y * 5, 128 + (x + y)));
    for (const int depth : {3, 4}) {
        SCOPED_TRACE(depth);
        TAviMovie movie;
        movie.FrameWidth = width;
        movie.FrameHeight = height;
        movie.AviFrameTime = 40;
        movie.ScreenDepthBytes = depth;
        movie.ShowCodecDialog = true;
        movie.Frames = {&frame, &frame};
        movie.Origins.resize(2);
        Write(movie);
        EXPECT_EQ(Probe("codec_name"), "mjpeg\n");
        const std::string rgb = Decode("-f rawvideo -pix_fmt rgb24");
        ASSERT_EQ(rgb.size(), std::size_t(2 * width * height * 3));
        double total = 0;
        int worst = 0;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                const TColor c = frame.GetPixel(x, y);
                const auto* p = reinterpret_cast<const std::uint8_t*>(&rgb[std::size_t((y * width + x) * 3)]);
                for (const int d : {p[0] - GetRValue(c), p[1] - GetGValue(c), p[2] - GetBValue(c)}) {
                    total += std::abs(d);
                    worst = std::max(worst, std::abs(d));
                }
            }
        EXPECT_LT(total / (width * height * 3), 4.0) << "rows upside down or colours swapped would be far off";
        EXPECT_LT(worst, 40);
    }
}

} // namespace
