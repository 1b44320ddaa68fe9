// The public GIF decoder suites: every expected frame is decoded, composed over the screen by
// the frames' own placement, transparency and disposal, and compared with the suite's pixels;
// the hand-made corner cases load or are refused cleanly.
#include <gtest/gtest.h>

#include <fstream>
#include <iostream>
#include <map>
#include <set>
#include <sstream>

#include "gif_test_util.h"
#include "support/paths.h"

using namespace giftest;
using Bytes = std::vector<BYTE>;
namespace fs = std::filesystem;

namespace {

using TIni = std::map<std::string, std::map<std::string, std::string>>;

TIni ReadIni(const fs::path& path)
{
    TIni ini;
    std::ifstream in(path);
    std::string line, section;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#')
            continue;
        if (line[0] == '[') {
            section = line.substr(1, line.find(']') - 1);
            continue;
        }
        const auto eq = line.find('=');
        if (eq == std::string::npos)
            continue;
        auto trim = [](std::string s) {
            s.erase(0, s.find_first_not_of(" \t"));
            s.erase(s.find_last_not_of(" \t\r") + 1);
            return s;
        };
        ini[section][trim(line.substr(0, eq))] = trim(line.substr(eq + 1));
    }
    return ini;
}

std::vector<std::string> SplitList(const std::string& s)
{
    std::vector<std::string> out;
    std::stringstream ss(s);
    std::string item;
    while (std::getline(ss, item, ','))
        if (!item.empty())
            out.push_back(item);
    return out;
}

struct TComposed {
    Bytes Rgba;
    int Delay;
};

// Composes the frames the way a viewer shows them. A frame is shown after every image when
// the suite expects one frame per image, else only after images with a delay and the last.
std::vector<TComposed> Compose(TGIFImage& image, std::size_t expectedFrames)
{
    const int w = image.GetWidth(), h = image.GetHeight();
    Bytes canvas(std::size_t(w) * std::size_t(h) * 4, 0);
    std::vector<TGIFSubImage*> frames;
    for (int i = 0; i < image.Images().GetCount(); ++i)
        if (!image.Images().GetImage(i)->GetEmpty())
            frames.push_back(image.Images().GetImage(i));
    const bool everyImage = frames.size() == expectedFrames;
    std::vector<TComposed> shown;
    for (std::size_t f = 0; f < frames.size(); ++f) {
        TGIFSubImage* frame = frames[f];
        const TGIFGraphicControlExtension* gce = frame->GraphicControlExtension();
        const TDisposalMethod disposal = gce ? gce->GetDisposal() : dmNone;
        const Bytes before = canvas;
        TGIFColorMap& map = frame->GetActiveColorMap();
        const bool transparent = gce && gce->GetTransparent();
        for (int y = 0; y < frame->Height(); ++y)
            for (int x = 0; x < frame->Width(); ++x) {
                const int sx = frame->Left() + x, sy = frame->Top() + y;
                if (sx >= w || sy >= h)
                    continue;
                const BYTE index = frame->GetPixel(x, y);
                if (transparent && index == gce->GetTransparentColorIndex())
                    continue;
                BYTE* p = &canvas[(std::size_t(sy) * std::size_t(w) + std::size_t(sx)) * 4];
                if (index < map.Count()) {
                    const TGIFColor& c = map.Entry(index);
                    p[0] = c.Red, p[1] = c.Green, p[2] = c.Blue, p[3] = 255;
                } else {
                    p[0] = p[1] = p[2] = p[3] = 0;
                }
            }
        const int delay = gce ? gce->GetDelay() : 0;
        if (everyImage || delay > 0 || f + 1 == frames.size())
            shown.push_back(TComposed{canvas, delay});
        if (disposal == dmBackground) {
            for (int y = frame->Top(); y < std::min(h, frame->Top() + frame->Height()); ++y)
                for (int x = frame->Left(); x < std::min(w, frame->Left() + frame->Width()); ++x)
                    std::fill_n(&canvas[(std::size_t(y) * std::size_t(w) + std::size_t(x)) * 4], 4, BYTE(0));
        } else if (disposal == dmPrevious) {
            canvas = before;
        }
    }
    return shown;
}

int LoopCount(TGIFImage& image)
{
    for (int i = 0; i < image.Images().GetCount(); ++i) {
        const TGIFExtensionList& list = image.Images().GetImage(i)->Extensions();
        for (int e = 0; e < list.GetCount(); ++e)
            if (auto* loop = dynamic_cast<const TGIFAppExtNSLoop*>(list.GetExtension(e)))
                return loop->Loops;
    }
    return -1;
}

// Where this library and the suite part ways, and why (see the test below).
const std::map<std::string, std::string> kKnownDifferences = {
    // An unregistered extension label is refused as a whole file.
    {"unknown-extension", "rejected: Unknown extension type"},
    // Pixels beyond the colour table are kept as indices; the file loads.
    {"invalid-colors", "loaded"},
    // A frame of zero width or height takes the screen's size, so the reader then looks for
    // a colour table and LZW data that these files do not have.
    {"image-zero-width", "rejected: Invalid GIF data"},
    {"image-zero-height", "rejected: Premature end of data"},
    {"image-zero-size", "rejected: Premature end of data"},
    // The plain text extension is kept as data; the frame behind it is an ordinary frame.
    {"plain-text", "loaded"},
    // A file without any image has no frame (the suite shows one transparent frame).
    {"no-data", "frames differ"},
    // A code beyond the next free code is read as the code not yet in the table, as the
    // common decoders do, where the suite refuses the frame.
    {"invalid-code", "loaded"},
};

TEST(GifCorpus, PygifSuite)
{
    const fs::path dir = kelvo::test::CorporaDir() / "gif" / "pygif-test-suite";
    KELVO_REQUIRE_CORPUS(dir / "TESTS");
    std::ifstream list(dir / "TESTS");
    std::string name;
    std::map<std::string, std::string> differences;
    int checked = 0;
    while (list >> name) {
        SCOPED_TRACE(name);
        TIni ini = ReadIni(dir / (name + ".conf"));
        auto& config = ini["config"];
        const std::vector<std::string> expected = SplitList(config["frames"]);
        TGIFImage image;
        std::string outcome;
        try {
            LoadFromBytes(image, ReadFileBytes(dir / config["input"]));
        } catch (const GIFException& e) {
            outcome = "rejected: " + e.Message;
        }
        ++checked;
        if (expected.empty()) {
            bool anyFrame = false;
            for (int i = 0; outcome.empty() && i < image.Images().GetCount(); ++i)
                anyFrame = anyFrame || !image.Images().GetImage(i)->GetEmpty();
            if (outcome.empty() && anyFrame)
                differences[name] = "loaded";
            else
                std::cout << "  " << name << " (no image expected): " << (outcome.empty() ? "no frames" : outcome) << "\n";
            continue;
        }
        if (!outcome.empty()) {
            differences[name] = outcome;
            continue;
        }
        EXPECT_EQ(image.GetWidth(), std::stoi(config["width"]));
        EXPECT_EQ(image.GetHeight(), std::stoi(config["height"]));
        // Files that are animated only by the viewers' custom carry no loop extension.
        const std::string loops = config["force-animation"] == "yes" ? "0" : config["loop-count"];
        if (loops == "infinite") {
            EXPECT_EQ(LoopCount(image), 0);
        } else if (loops != "0") {
            EXPECT_EQ(LoopCount(image), std::stoi(loops));
        }
        const std::vector<TComposed> shown = Compose(image, expected.size());
        bool same = shown.size() == expected.size();
        for (std::size_t i = 0; same && i < expected.size(); ++i) {
            auto& section = ini[expected[i]];
            if (section.count("pixels") == 0)
                continue;
            same = ReadFileBytes(dir / section["pixels"]) == shown[i].Rgba;
            if (section.count("delay")) {
                EXPECT_EQ(shown[i].Delay, std::stoi(section["delay"])) << expected[i];
            }
        }
        if (!same)
            differences[name] = "frames differ";
    }
    EXPECT_GT(checked, 80);
    for (const auto& [test, what] : differences) {
        const auto known = kKnownDifferences.find(test);
        EXPECT_TRUE(known != kKnownDifferences.end() && known->second == what) << test << ": " << what;
    }
    for (const auto& [test, what] : kKnownDifferences)
        EXPECT_TRUE(differences.count(test)) << test << " now matches the suite; drop it from the list";
}

TEST(GifCorpus, HandMadeCornerCasesLoadOrAreRefused)
{
    const fs::path dir = kelvo::test::CorporaDir() / "gif" / "wuffs-artificial";
    KELVO_REQUIRE_CORPUS(dir);
    int files = 0;
    std::map<std::string, std::string> outcome;
    for (const auto& entry : fs::directory_iterator(dir)) {
        if (entry.path().extension() != ".gif")
            continue;
        ++files;
        TGIFImage image;
        try {
            LoadFromBytes(image, ReadFileBytes(entry.path()));
            outcome[entry.path().stem().string()] = std::to_string(image.Images().GetCount());
            // What was read can be written again.
            if (!image.GetEmpty()) {
                TGIFImage again;
                LoadFromBytes(again, SaveToBytes(image));
                EXPECT_EQ(again.Images().GetCount() > 0, true) << entry.path();
            }
        } catch (const GIFException& e) {
            outcome[entry.path().stem().string()] = e.Message;
        }
    }
    EXPECT_EQ(files, 15);
    EXPECT_EQ(outcome["no-frames"], "0");
    EXPECT_EQ(outcome["pixel-data-too-much-good-lzw"], "1");
    for (const auto& [file, what] : outcome)
        std::cout << "  " << file << ": " << what << "\n";
}

} // namespace
