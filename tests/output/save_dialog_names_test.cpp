#include <gtest/gtest.h>

#include "output/save_dialog_names.h"

TEST(SaveDialogNames, FormatByExtensionInAnyCase)
{
    struct TCase {
        const char* Path;
        TFrameFileFormat Format;
    };
    const TCase cases[] = {
        {"a.png", TFrameFileFormat::Png},   {"a.Png", TFrameFileFormat::Png},
        {"a.GIF", TFrameFileFormat::Gif},   {"a.jpg", TFrameFileFormat::Jpeg},
        {"a.JPEG", TFrameFileFormat::Jpeg}, {"a.bmp", TFrameFileFormat::Bmp},
        {"a.txt", TFrameFileFormat::None},  {"a", TFrameFileFormat::None},
        {"a.png.txt", TFrameFileFormat::None}, {"dir.png/a", TFrameFileFormat::None},
        {"/tmp/x.y/b.BMP", TFrameFileFormat::Bmp}, {"a.", TFrameFileFormat::None},
    };
    for (const TCase& c : cases)
        EXPECT_EQ(FrameFileFormat(c.Path), c.Format) << c.Path;
    EXPECT_EQ(FileNamePart("/tmp/x.y/b.BMP"), "b.BMP");
}

TEST(SaveDialogNames, TypedNameFollowsTheFilter)
{
    struct TCase {
        const char* Text;
        bool OutputDialog;
        int FilterIndex;
        const char* Expected;
    };
    const TCase cases[] = {
        {"name", false, 2, "name.gif"},
        {"a.jpeg", false, 1, "a.bmp"}, // the whole extension goes
        {"a.bmp", false, 4, "a.png"},
        {"a.bmp", false, 3, "a.jpg"},
        {"a.b.c", false, 2, "a.b.gif"},
        {"dir.x/name", false, 2, "dir.x/name.gif"},
        {"dir.x/name.png", false, 1, "dir.x/name.bmp"},
        {"a.gif", false, 7, "a.bmp"}, // a filter the dialog does not have
        {"", false, 2, ""},
        {"x.gif", true, 1, "x.avi"},
        {"x.avi", true, 2, "x.gif"},
        {"x", true, 3, "x.gif"},
        {"", true, 1, ""},
    };
    for (const TCase& c : cases) {
        const std::string extension =
            c.OutputDialog ? OutputDialogExtension(c.FilterIndex) : FrameDialogExtension(c.FilterIndex);
        EXPECT_EQ(SwitchFileExtension(c.Text, extension), c.Expected)
            << c.Text << (c.OutputDialog ? " (output) " : " (frame) ") << c.FilterIndex;
    }
}
