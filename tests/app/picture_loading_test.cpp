// Picture files into frames: which loader an extension picks, what a bad file shows, what
// errors reach the command, and what a new still frame carries.
#include <gtest/gtest.h>

#include <QPlainTextEdit>

#include <cctype>
#include <clocale>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <optional>
#include <typeinfo>

#include "form_fixture.h"
#include "support/paths.h"
#include "gif/gifimage.h"
#include "platform/jpeg_image.h"
#include "platform/qt/controls.h"
#include "png/pngimage.h"

namespace {

constexpr TColor Red = RGB(255, 0, 0);
constexpr TColor Green = RGB(0, 255, 0);
constexpr TColor Blue = RGB(0, 0, 255);
constexpr TColor Yellow = RGB(255, 255, 0);

// Quadrants: red top-left, green top-right, blue bottom-left, yellow bottom-right.
TBitmap QuadrantPicture(int width, int height)
{
    TBitmap picture(width, height, pf24bit);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const bool right = x >= width / 2, bottom = y >= height / 2;
            picture.SetPixel(x, y, bottom ? (right ? Yellow : Blue) : (right ? Green : Red));
        }
    return picture;
}

void WriteBytes(const std::filesystem::path& path, const std::vector<BYTE>& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

std::vector<BYTE> ReadBytes(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteJpeg(const std::filesystem::path& path, const TBitmap& picture)
{
    TJPEGImage jpeg;
    jpeg.Assign(picture);
    jpeg.SetCompressionQuality(100);
    jpeg.SaveToFile(path.string());
}

void WritePng(const std::filesystem::path& path, const TBitmap& picture)
{
    TPNGObject png;
    png.Assign(picture);
    png.SaveToFile(path.string());
}

// A 2 x 2 icon of one 24-bit image: red, green over blue and a pixel the mask leaves out.
std::vector<BYTE> TwoByTwoIcon()
{
    std::vector<BYTE> b = {0, 0, 1, 0, 1, 0,              // directory: one icon
                           2, 2, 0, 0, 1, 0, 24, 0,        // 2 x 2, planes 1, 24 bits
                           0, 0, 0, 0, 22, 0, 0, 0};       // size (set below), offset 22
    const BYTE header[40] = {40, 0, 0, 0, 2, 0, 0, 0, 4, 0, 0, 0, 1, 0, 24, 0};
    b.insert(b.end(), header, header + 40);
    // Pixel rows bottom-up, B,G,R, each padded to 4 bytes: bottom blue, (masked); top red, green.
    const BYTE pixels[] = {255, 0, 0, 0, 0, 0, 0, 0, 0, 0, 255, 0, 255, 0, 0, 0};
    b.insert(b.end(), pixels, pixels + sizeof pixels);
    // AND mask rows bottom-up, 4 bytes each: the bottom row's second pixel is transparent.
    const BYTE mask[] = {0x40, 0, 0, 0, 0x00, 0, 0, 0};
    b.insert(b.end(), mask, mask + sizeof mask);
    const auto size = std::uint32_t(b.size() - 22);
    std::memcpy(&b[14], &size, 4);
    return b;
}

std::string ErrorClass(const std::exception& e) { return typeid(e).name(); }

class PictureLoading : public TFormTest {
protected:
    // Only the boxes a test expects may appear.
    void SetUp() override
    {
        TFormTest::SetUp();
        desktop_.SetStrict(true);
    }
    TAVIForm& Project(int width, int height, int type = 0, bool stretch = false)
    {
        TAVIForm& f = MakeForm();
        f.FrameWidth = width;
        f.FrameHeight = height;
        f.DefaultPlacement = MYRECT{0, 0, width, height};
        f.ProjectType = type;
        f.ProjectStretch = stretch;
        f.AviFrameTime = 1000;
        f.GifFrameTime = 500;
        return f;
    }
    std::string File(const std::string& name) const { return (temp_ / name).string(); }
    std::string Bmp(const std::string& name, const TBitmap& picture) const
    {
        picture.SaveToFile(File(name));
        return File(name);
    }
};

TEST_F(PictureLoading, ExtensionPicksTheLoaderWhateverItsCase)
{
    TAVIForm& f = Project(320, 240);
    const TBitmap source = QuadrantPicture(8, 6);
    WriteJpeg(temp_ / "PICTURE.JPEG", source);
    WriteJpeg(temp_ / "photo.Jpg", source);
    Bmp("a.BMP", source);
    WritePng(temp_ / "b.Png", source);
    WriteBytes(temp_ / "c.ICO", TwoByTwoIcon());
    std::filesystem::create_directories(temp_ / "dir.v2");
    Bmp("dir.v2/file", source);
    Bmp("notes.txt", source);

    struct TRow {
        const char* name;
        int width, height; // 0: the picture is left as it was
    } const rows[] = {
        {"PICTURE.JPEG", 8, 6}, {"photo.Jpg", 8, 6}, {"a.BMP", 8, 6}, {"b.Png", 8, 6},
        {"c.ICO", 2, 2},        {"dir.v2/file", 0, 0}, {"notes.txt", 0, 0},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.name);
        TBitmap picture;
        EXPECT_TRUE(f.LoadFrameImage(File(row.name), picture));
        EXPECT_EQ(picture.Width(), row.width);
        EXPECT_EQ(picture.Height(), row.height);
        if (row.width) {
            EXPECT_EQ(picture.PixelFormat(), pf24bit);
        }
    }
    EXPECT_TRUE(boxes_.Asked.empty());
}

// The C library's character classes of a Turkish locale in its one-byte character set, where
// the lower case of I is the dotless i: made for the test in folder and in force for the life
// of the object. Active() is false where this machine cannot make it.
class TTurkishCharacterClasses {
public:
    explicit TTurkishCharacterClasses(const std::filesystem::path& folder)
    {
        if (const char* path = std::getenv("LOCPATH"))
            oldLocPath_ = path;
        oldClasses_ = std::setlocale(LC_CTYPE, nullptr);
        if (!kelvo::test::HaveTool("localedef"))
            return;
        kelvo::test::RunCommand("localedef -i tr_TR -f ISO-8859-9 '" + (folder / "tr_TR.ISO-8859-9").string() +
                                "' 2>&1");
        setenv("LOCPATH", folder.c_str(), 1);
        active_ = std::setlocale(LC_CTYPE, "tr_TR.ISO-8859-9") && std::tolower('I') != 'i';
    }
    ~TTurkishCharacterClasses()
    {
        std::setlocale(LC_CTYPE, oldClasses_.c_str());
        if (oldLocPath_)
            setenv("LOCPATH", oldLocPath_->c_str(), 1);
        else
            unsetenv("LOCPATH");
    }
    bool Active() const { return active_; }

private:
    std::string oldClasses_;
    std::optional<std::string> oldLocPath_;
    bool active_ = false;
};

TEST_F(PictureLoading, ExtensionIsLoweredInAsciiWhateverTheLocale)
{
    TAVIForm& f = Project(320, 240);
    WriteBytes(temp_ / "X.ICO", TwoByTwoIcon());
    std::filesystem::create_directories(temp_ / "locale");
    TTurkishCharacterClasses turkish(temp_ / "locale");
    if (!turkish.Active())
        GTEST_SKIP() << "no Turkish locale can be made here (localedef and the tr_TR source are needed)";
    TBitmap picture;
    EXPECT_TRUE(f.LoadFrameImage(File("X.ICO"), picture));
    EXPECT_EQ(picture.Width(), 2) << "the icon was not taken for one";
    f.AddImageFrame(File("X.ICO"));
    EXPECT_EQ(f.FrameCount(), 1u);
    EXPECT_TRUE(boxes_.Asked.empty());
}

TEST_F(PictureLoading, IconIsDrawnOverWhite)
{
    TAVIForm& f = Project(320, 240);
    WriteBytes(temp_ / "i.ico", TwoByTwoIcon());
    TBitmap picture;
    ASSERT_TRUE(f.LoadFrameImage(File("i.ico"), picture));
    EXPECT_EQ(picture.GetPixel(0, 0), Red);
    EXPECT_EQ(picture.GetPixel(1, 0), Green);
    EXPECT_EQ(picture.GetPixel(0, 1), Blue);
    EXPECT_EQ(picture.GetPixel(1, 1), clWhite) << "the masked pixel";
}

TEST_F(PictureLoading, InvalidPictureIsReportedAndAddsNothing)
{
    TAVIForm& f = Project(320, 240);
    const std::vector<BYTE> junk = {'n', 'o', 't', ' ', 'a', ' ', 'p', 'i', 'c', 't', 'u', 'r', 'e', '\n'};
    struct TRow {
        const char* name;
        const char* text;
    } const rows[] = {
        {"x.bmp", "Это не BMP."}, {"x.jpg", "Это не JPG."},  {"x.JPEG", "Это не JPG."},
        {"x.ico", "Это не ICO."}, {"huge.bmp", "Это не BMP."}};
    // A bitmap header that promises 2^30 pixels and brings none.
    std::vector<BYTE> huge = {'B', 'M', 54, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0, 40, 0, 0, 0,
                              0,   0x80, 0, 0, 0, 0x80, 0, 0, 1, 0, 24, 0};
    huge.resize(54);
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.name);
        WriteBytes(temp_ / row.name, std::string(row.name) == "huge.bmp" ? huge : junk);
        boxes_.Asked.clear();
        boxes_.Answers = {IDOK};
        f.AddImageFrame(File(row.name));
        ASSERT_EQ(boxes_.Asked.size(), 1u);
        EXPECT_EQ(boxes_.Asked[0].Caption, "Ошибка");
        EXPECT_EQ(boxes_.Asked[0].Text, row.text);
        EXPECT_EQ(boxes_.Asked[0].Flags & MB_ICONMASK, MB_ICONERROR);
        EXPECT_EQ(f.FrameCount(), 0u);
        EXPECT_EQ(f.FrameFiles.size(), 0u);
    }
}

TEST_F(PictureLoading, PngLibraryErrorsAndMissingFilesReachTheCaller)
{
    TAVIForm& f = Project(320, 240);
    f.AddImageFrame(Bmp("kept.bmp", QuadrantPicture(4, 4)));
    ASSERT_EQ(f.FrameCount(), 1u);

    // A bit flipped inside the header: the PNG library's own checksum error.
    WritePng(temp_ / "damaged.png", QuadrantPicture(4, 4));
    std::vector<BYTE> png = ReadBytes(temp_ / "damaged.png");
    png[20] ^= 0x01;
    WriteBytes(temp_ / "damaged.png", png);

    for (const char* name : {"damaged.png", "missing.bmp", "missing.jpg", "missing.png", "missing.ico"}) {
        SCOPED_TRACE(name);
        try {
            f.AddImageFrame(File(name));
            ADD_FAILURE() << "no error";
        } catch (const EInvalidGraphic& e) {
            ADD_FAILURE() << "an invalid-picture error: " << ErrorClass(e);
        } catch (const std::exception&) {
        }
        EXPECT_TRUE(boxes_.Asked.empty());
        EXPECT_EQ(f.FrameCount(), 1u);
        EXPECT_EQ(f.FrameFiles.size(), 1u);
        EXPECT_EQ(f.FrameBitmaps.size(), 1u);
        EXPECT_EQ(f.FrameFiles[0], File("kept.bmp"));
    }
    EXPECT_THROW(f.AddImageFrame(File("missing.bmp")), EFOpenError);
}

TEST_F(PictureLoading, FileOfAnotherKindAddsNothing)
{
    TAVIForm& f = Project(320, 240);
    f.AddImageFrame(Bmp("picture.txt", QuadrantPicture(4, 4)));
    EXPECT_EQ(f.FrameCount(), 0u);
    EXPECT_TRUE(boxes_.Asked.empty());
}

TEST_F(PictureLoading, StillFrameCarriesTheProjectsSettings)
{
    TAVIForm& f = Project(320, 240);
    f.DefaultGifOptions = GIFOPTIONS{2, 5, 6, 1, 3, clWhite, 9, true};
    f.AddImageFrame(Bmp("one.bmp", QuadrantPicture(100, 50)));
    ASSERT_EQ(f.FrameCount(), 1u);

    EXPECT_EQ(f.FrameFiles[0], File("one.bmp"));
    EXPECT_EQ(f.FramePlacements[0], (MYRECT{0, 0, 100, 50}));
    EXPECT_EQ(f.FrameTimes[0], 1000);
    EXPECT_EQ(f.FrameFlips[0], 0);
    EXPECT_EQ(f.FrameSubImages[0], 0);
    EXPECT_FALSE(f.FrameStretch[0]);
    GIFOPTIONS expected = f.DefaultGifOptions;
    expected.TransparentColor = Blue; // the bottom-left pixel
    EXPECT_EQ(f.FrameGifOptions[0], expected);
    EXPECT_EQ(f.FrameBitmaps[0]->Width(), 100);
    EXPECT_EQ(f.FrameBitmaps[0]->Height(), 50);
    ASSERT_TRUE(f.FrameThumbnails[0]);
    EXPECT_EQ(f.FrameThumbnails[0]->Width(), 168);
    EXPECT_EQ(f.FrameThumbnails[0]->Height(), 108);
    EXPECT_EQ(f.FrameThumbnails[0]->GetPixel(34, 29), Red) << "drawn unscaled in the middle";
    EXPECT_EQ(f.CellHeaderPanels[0]->Caption(), "Кадр #1");
    EXPECT_EQ(f.CellTimePanels[0]->Caption(), "1000 мсек");
    EXPECT_TRUE(f.SelectedFrames.empty()) << "the selection is the caller's";
}

TEST_F(PictureLoading, FrameTimeFollowsTheProjectType)
{
    struct TRow {
        int type;
        int aviTime;
        WORD expected;
    } const rows[] = {
        {0, 1000, 1000}, {0, 70000, WORD(70000)}, {1, 1000, 500}, {2, 1000, 500},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.type);
        TAVIForm& f = Project(320, 240, row.type);
        f.AviFrameTime = row.aviTime;
        f.AddImageFrame(Bmp("t.bmp", QuadrantPicture(4, 4)));
        ASSERT_EQ(f.FrameCount(), 1u);
        EXPECT_EQ(f.FrameTimes[0], row.expected);
    }
}

TEST_F(PictureLoading, LargePictureIsCutOrStretchedToTheProjectFrame)
{
    const std::string file = Bmp("big.bmp", QuadrantPicture(640, 480));
    {
        TAVIForm& f = Project(320, 240, 0, false);
        f.AddImageFrame(file);
        ASSERT_EQ(f.FrameCount(), 1u);
        EXPECT_EQ(f.FramePlacements[0], (MYRECT{0, 0, 320, 240}));
        const TBitmap& frame = *f.FrameBitmaps[0];
        ASSERT_EQ(frame.Width(), 320);
        ASSERT_EQ(frame.Height(), 240);
        for (auto [x, y] : {std::pair{0, 0}, {319, 0}, {0, 239}, {319, 239}})
            EXPECT_EQ(frame.GetPixel(x, y), Red) << "the top-left quarter only: " << x << "," << y;
    }
    {
        TAVIForm& f = Project(320, 240, 0, true);
        f.AddImageFrame(file);
        ASSERT_EQ(f.FrameCount(), 1u);
        EXPECT_EQ(f.FramePlacements[0], f.DefaultPlacement);
        EXPECT_TRUE(f.FrameStretch[0]);
        const TBitmap& frame = *f.FrameBitmaps[0];
        EXPECT_EQ(frame.GetPixel(0, 0), Red);
        EXPECT_EQ(frame.GetPixel(319, 0), Green);
        EXPECT_EQ(frame.GetPixel(0, 239), Blue);
        EXPECT_EQ(frame.GetPixel(319, 239), Yellow);
    }
}

TEST_F(PictureLoading, EveryKindBecomesAFrame)
{
    TAVIForm& f = Project(320, 240, 1);
    const TBitmap source = QuadrantPicture(40, 30);
    WriteJpeg(temp_ / "j.jpg", source);
    WritePng(temp_ / "p.png", source);
    WriteBytes(temp_ / "i.ico", TwoByTwoIcon());
    for (const std::string& file : {Bmp("b.bmp", source), File("j.jpg"), File("p.png"), File("i.ico")})
        f.AddImageFrame(file);
    ASSERT_EQ(f.FrameCount(), 4u);
    EXPECT_EQ(f.FramePlacements[2], (MYRECT{0, 0, 40, 30}));
    EXPECT_EQ(f.FramePlacements[3], (MYRECT{0, 0, 2, 2}));
    EXPECT_EQ(f.FrameGifOptions[3].TransparentColor, Blue);
    EXPECT_EQ(f.CellHeaderPanels[3]->Caption(), "Кадр #4");
    // The JPEG is lossy; its corner is still clearly blue.
    const TColor corner = f.FrameGifOptions[1].TransparentColor;
    EXPECT_LT(GetRValue(corner), 40);
    EXPECT_GT(GetBValue(corner), 215);
}

// A GIF of two 1 x 1 images with 16-colour local tables; only the first has a graphic control
// extension (disposal 2, transparent index 3).
std::vector<BYTE> TwoImageGif()
{
    std::vector<BYTE> b = {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0x00, 0, 0};
    auto image = [&b] {
        const BYTE descriptor[] = {0x2C, 0, 0, 0, 0, 1, 0, 1, 0, 0x83};
        b.insert(b.end(), descriptor, descriptor + sizeof descriptor);
        for (int i = 0; i < 16; ++i) {
            const BYTE rgb[] = {BYTE(i * 10), BYTE(i * 10 + 1), BYTE(i * 10 + 2)};
            b.insert(b.end(), rgb, rgb + 3);
        }
        // Code size 4: clear, pixel 0, end.
        const BYTE data[] = {4, 2, 0x10, 0x44, 0};
        b.insert(b.end(), data, data + sizeof data);
    };
    const BYTE control[] = {0x21, 0xF9, 4, (2 << 2) | 1, 0, 0, 3, 0};
    b.insert(b.end(), control, control + sizeof control);
    image();
    image();
    b.push_back(0x3B);
    return b;
}

TEST_F(PictureLoading, GifFrameRecordTakesTheControlExtensionWhenThereIsOne)
{
    TAVIForm& f = Project(320, 240, 1);
    f.DefaultGifOptions = GIFOPTIONS{1, 2, 8, 1, 0, clWhite, 0, false};
    TGIFImage gif;
    TMemoryStream stream;
    const std::vector<BYTE> bytes = TwoImageGif();
    stream.Write(bytes.data(), std::int64_t(bytes.size()));
    stream.SetPosition(0);
    gif.LoadFromStream(stream);
    ASSERT_EQ(gif.Images().Count(), 2);

    const GIFOPTIONS with = f.MakeGifFrameRecord(*gif.Images().GetImage(0));
    EXPECT_EQ(with, (GIFOPTIONS{1, 2, 4, 1, 2, RGB(30, 31, 32), 3, true}));
    const GIFOPTIONS without = f.MakeGifFrameRecord(*gif.Images().GetImage(1));
    EXPECT_EQ(without, (GIFOPTIONS{1, 2, 4, 1, 0, clWhite, 0, false}));
}

} // namespace
