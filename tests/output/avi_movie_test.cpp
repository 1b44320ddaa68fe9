#include <gtest/gtest.h>

#include <functional>

#include "avi_test_util.h"
#include "output/avi_movie.h"
#include "output/avifunction.h"
#include "platform/qt/services.h"
#include "support/paths.h"
#include "support/qt/fake_dialogs.h"

using namespace kelvo::test;

namespace {

class TCancelChoice : public TAviSaveOptionsChooser {
public:
    bool Choose(void*, PAVISTREAM, AVICOMPRESSOPTIONS&) override { return false; }
};

// Frames in the movi list, -1 when there is no file.
int FramesIn(const std::string& file)
{
    const auto bytes = ReadBytes(file);
    if (bytes.empty())
        return -1;
    TChunk avi;
    ParseRiff(bytes);
    ParseChildren(bytes, avi, 12, bytes.size());
    const TChunk* movi = avi.Find("movi");
    return movi ? int(movi->Children.size()) : -1;
}

TEST(WriteAviMovie, EveryWayItEndsAndWhatItLeaves)
{
    const TBitmap frame = PatternFrame(4, 3, 0);
    TCancelChoice cancel;
    struct TCase {
        const char* Name;
        std::function<void(TAviMovie&, const std::string&)> Setup;
        std::string Text, Caption; // no message when empty
        int Frames;
    };
    const std::string title = ApplicationTitle();
    const std::vector<TCase> cases = {
        {"written whole over an old file",
         [](TAviMovie&, const std::string& f) { WriteBytes(f, {'o', 'l', 'd'}); }, "", "", 3},
        {"target that cannot be deleted",
         [](TAviMovie& m, const std::string& f) {
             WriteBytes(f, {'o', 'l', 'd'});
             m.DeleteFile = [](const std::string&) { return false; };
         },
         "Выберите другое имя для сохраняемого файла.", "Ошибка", -2},
        {"no frame rate", [](TAviMovie& m, const std::string&) { m.AviFrameTime = 0; },
         "Невозможно создать файл: ", "Ошибка", -1},
        {"empty project frame", [](TAviMovie& m, const std::string&) { m.FrameWidth = 0; },
         "Проблема с Bitmap.", "Ошибка", 0},
        {"cancelled compressor choice",
         [&](TAviMovie& m, const std::string&) {
             m.ShowCodecDialog = true;
             SetAviSaveOptionsChooser(&cancel);
         },
         "AVIERR_USERABORT", title, 0},
        {"missing WAV file",
         [](TAviMovie& m, const std::string&) {
             m.AddSound = true;
             m.WavFile = "/nonexistent/sound.wav";
         },
         "Проверьте полный путь к WAV файлу! WAV файл не найден.", title, 3},
        {"WAV file that is no WAV",
         [](TAviMovie& m, const std::string& f) {
             m.AddSound = true;
             m.WavFile = f + ".wav";
             WriteBytes(m.WavFile, std::vector<std::uint8_t>(100, 'x'));
         },
         "Corrupt file or unrecognized format. Try to select another codec.", title, 3},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TTempDir dir;
        const std::string file = (dir / "out.avi").string();
        TAviMovie movie;
        movie.FrameWidth = 4;
        movie.FrameHeight = 3;
        movie.AviFrameTime = 40;
        movie.Frames = {&frame, &frame, &frame};
        movie.Origins.resize(3);
        c.Setup(movie, file);
        TFakeMessageBoxes boxes;
        SetMessageBoxes(&boxes);
        WriteAviMovie(movie, file);
        SetMessageBoxes(nullptr);
        SetAviSaveOptionsChooser(nullptr);
        if (c.Text.empty()) {
            EXPECT_TRUE(boxes.Asked.empty());
        } else {
            ASSERT_EQ(boxes.Asked.size(), 1u);
            EXPECT_EQ(boxes.Asked[0].Text.rfind(c.Text, 0), 0u) << boxes.Asked[0].Text;
            EXPECT_EQ(boxes.Asked[0].Caption, c.Caption);
        }
        if (c.Frames == -2)
            EXPECT_EQ(ReadBytes(file), (std::vector<std::uint8_t>{'o', 'l', 'd'})) << "left as it was";
        else
            EXPECT_EQ(FramesIn(file), c.Frames);
    }
}

TEST(WriteAviMovie, TheFileNameFollowsTheCannotCreateMessage)
{
    TFakeMessageBoxes boxes;
    SetMessageBoxes(&boxes);
    TAviMovie movie;
    movie.AviFrameTime = 40;
    WriteAviMovie(movie, "/nonexistent/folder/out.avi");
    SetMessageBoxes(nullptr);
    ASSERT_EQ(boxes.Asked.size(), 1u);
    EXPECT_EQ(boxes.Asked[0].Text, "Невозможно создать файл: /nonexistent/folder/out.avi");
}

} // namespace
