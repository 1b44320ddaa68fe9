#include "editing/text_frames.h"

#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

#include "editing/fake_text_renderer.h"
#include "gif/gifimage.h"
#include "platform/exceptions.h"
#include "support/error_of.h"
#include "support/held_bytes.h"
#include "support/memory_left.h"
#include "support/paths.h"

namespace {

int TenPerCharacter(const std::string& text) { return 10 * int(SplitCharacters(text).size()); }

using TLines = std::vector<std::string>;

} // namespace

TEST(TextLayout, LinesOfTheHorizontalDirections)
{
    struct TCase {
        const char* Name;
        std::string Text;
        int Count, Direction, TextX, Width;
        TLines Lines;
    };
    const TCase cases[] = {
        {"left to right", "AB", 5, tdLeftToRight, 0, 50, {"B", "AB", " AB", "  AB", "   AB"}},
        {"left to right, Cyrillic", "Да", 3, tdLeftToRight, 7, 50, {"а", "Да", " Да"}},
        {"right to left", "AB", 5, tdRightToLeft, 0, 50, {"   A", " AB", "B ", "  ", " "}},
        {"right to left from x 20", "AB", 3, tdRightToLeft, 20, 50, {" A", "B", " "}},
        {"top down has no lines", "AB", 5, tdTopDown, 0, 50, {}},
        {"bottom up has no lines", "AB", 5, tdBottomUp, 0, 50, {}},
    };
    for (const TCase& c : cases)
        EXPECT_EQ(TextLayout(c.Text, c.Count, c.Direction, c.TextX, c.Width, TenPerCharacter), c.Lines) << c.Name;
}

TEST(TextLayout, RightToLeftPaddingEndsWhenABlankAddsNoWidth)
{
    const TLines lines = TextLayout("AB", 2, tdRightToLeft, 0, 50, [](const std::string&) { return 0; });
    EXPECT_EQ(lines, (TLines{"A", "B"}));
}

namespace {

struct TBuilt {
    std::vector<int> Ys;
    std::vector<int> Xs;
    TGIFImage Loaded;
};

void Build(TTextFrameJob job, const std::filesystem::path& file, TBuilt& built)
{
    TFakeTextRenderer renderer;
    {
        TGIFImage gif;
        TextFrameBuilder(job, gif);
        gif.SaveToFile(file.string());
    }
    built.Ys = renderer.Ys();
    for (const auto& c : renderer.Drawn)
        built.Xs.push_back(c.X);
    built.Loaded.LoadFromFile(file.string());
}

TTextFrameJob Job(int direction)
{
    TTextFrameJob job;
    job.Count = 5;
    job.Direction = direction;
    job.Text = "AB";
    job.TextX = 7;
    job.TextY = 3;
    job.LineHeight = 15;
    job.Width = 60;
    job.Height = 40;
    job.Font.Color = clRed;
    job.BackColor = clWhite;
    job.FrameTime = 25;
    job.Lines = TextLayout(job.Text, job.Count, direction, job.TextX, job.Width, TenPerCharacter);
    return job;
}

} // namespace

TEST(TextFrameBuilder, VerticalTextWrapsAtTheAreaHeight)
{
    kelvo::test::TTempDir temp;
    TBuilt down, up;
    Build(Job(tdTopDown), temp / "down.gif", down);
    Build(Job(tdBottomUp), temp / "up.gif", up);
    EXPECT_EQ(down.Ys, (std::vector<int>{0, 15, 30, 0, 15}));
    EXPECT_EQ(up.Ys, (std::vector<int>{40, 25, 10, 40, 25}));
    EXPECT_EQ(down.Xs, std::vector<int>(5, 7));
    // The bar drawn at the top of the third frame's text is in the file.
    TBitmap third;
    third.Assign(down.Loaded.Images().GetImage(2)->GetBitmap());
    EXPECT_EQ(ColorToRGB(third.Canvas().Pixels(8, 31)), ColorToRGB(clRed));
    EXPECT_EQ(ColorToRGB(third.Canvas().Pixels(8, 20)), ColorToRGB(clWhite));
}

TEST(TextFrameBuilder, HorizontalLinesStartAtTheLeftEdge)
{
    kelvo::test::TTempDir temp;
    TBuilt built;
    Build(Job(tdLeftToRight), temp / "h.gif", built);
    EXPECT_EQ(built.Xs, std::vector<int>(5, 0));
    EXPECT_EQ(built.Ys, std::vector<int>(5, 3));
}

TEST(TextFrameBuilder, OneLoopBlockAndOneControlBlockPerImage)
{
    kelvo::test::TTempDir temp;
    TBuilt built;
    Build(Job(tdTopDown), temp / "blocks.gif", built);
    const TGIFImage& gif = built.Loaded;
    ASSERT_EQ(gif.Images().GetCount(), 5);
    for (int i = 0; i < 5; ++i) {
        TGIFSubImage* image = gif.Images().GetImage(i);
        int loops = 0, controls = 0;
        for (int e = 0; e < image->Extensions().GetCount(); ++e) {
            TGIFExtension* ext = image->Extensions().GetExtension(e);
            if (auto* loop = dynamic_cast<TGIFAppExtNSLoop*>(ext)) {
                ++loops;
                EXPECT_EQ(loop->Loops, 0);
            }
            if (auto* control = dynamic_cast<TGIFGraphicControlExtension*>(ext)) {
                ++controls;
                EXPECT_EQ(control->GetDelay(), 2) << "25 ms";
                EXPECT_FALSE(control->GetTransparent());
            }
        }
        EXPECT_EQ(loops, i == 0 ? 1 : 0) << "image " << i;
        EXPECT_EQ(controls, 1) << "image " << i;
        EXPECT_EQ(image->Left(), 0);
        EXPECT_EQ(image->Width(), 60);
        EXPECT_EQ(image->Height(), 40);
    }
}

// Up to a thousand frames as large as the text area: the build asks for each, and stops
// before what it really holds passes what the system has left.
TEST(TextFrameBuilder, StopsBeforeItsFramesOutgrowMemory)
{
    TFakeTextRenderer renderer;
    TTextFrameJob job = Job(tdTopDown);
    job.Count = 1000;
    job.Width = 200;
    job.Height = 100;
    constexpr std::int64_t left = 4 << 20;
    const std::int64_t frame = 4 * 200 * 100; // the pixels and the 24-bit bitmap they came from
    TGIFImage gif;
    std::string error;
    const std::int64_t grown = kelvo::test::PeakGrowth([&] {
        const kelvo::test::TMemoryLeft memory(left, [] { return kelvo::test::HeldBytes(); });
        error = ErrorOf<EOutOfMemory>([&] { TextFrameBuilder(job, gif); });
    });
    EXPECT_EQ(error, "Out of memory");
    EXPECT_GT(gif.Images().GetCount(), int(left / frame / 2));
    EXPECT_LT(gif.Images().GetCount(), int(left / frame) + 1);
    EXPECT_LT(grown, left + 4 * frame);
}

TEST(TextFramesFile, NamesFromTheText)
{
    kelvo::test::TTempDir temp;
    const std::string work = temp.Path().string() + "/";
    auto take = [](const std::string& path) { std::ofstream(path) << "x"; return path; };
    EXPECT_EQ(take(TextFramesGifPath(work, "")), work + ".gif");
    EXPECT_EQ(take(TextFramesGifPath(work, "")), work + "1.gif");
    EXPECT_EQ(TextFramesGifPath(work, ""), work + "2.gif");
    take(work + "Hello.gif");
    EXPECT_EQ(take(TextFramesGifPath(work, "Hello")), work + "1Hello.gif");
    EXPECT_EQ(TextFramesGifPath(work, "Hello"), work + "2Hello.gif");
    EXPECT_EQ(TextFramesGifPath(work, "Привет"), work + "Привет.gif");

    EXPECT_EQ(TextFramesGifPath(work, "../up/and\\away"), work + "___up_and_away.gif");
    const std::string longText(400, 'x');
    const std::string name = std::filesystem::path(TextFramesGifPath(work, longText)).filename().string();
    EXPECT_LE(name.size(), 255u);
    EXPECT_NO_THROW(take(work + name));
}

TEST(TextFramesFile, WorkFolderIsMadeOrTheFailureNamed)
{
    kelvo::test::TTempDir temp;
    const std::string program = temp.Path().string() + "/";
    EXPECT_EQ(EnsureWorkFolder(program), program + "Work/");
    EXPECT_TRUE(std::filesystem::is_directory(program + "Work"));
    EXPECT_EQ(EnsureWorkFolder(program), program + "Work/") << "already there";

    const std::string blocked = program + "blocked/";
    std::filesystem::create_directory(blocked);
    std::ofstream(blocked + "Work") << "a file in the way";
    try {
        EnsureWorkFolder(blocked);
        FAIL() << "no exception";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message, "Невозможно создать " + blocked + " папку Work.");
    }
}
