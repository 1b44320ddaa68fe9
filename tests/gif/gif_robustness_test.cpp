// Damaged files: truncated and bit-flipped variants of the corpus files either load or are
// refused with GIFException; nothing else may come out of the reader (the sanitizer build
// runs the same test for memory faults).
#include <gtest/gtest.h>

#include <random>

#include "gif_test_util.h"
#include "support/paths.h"

using namespace giftest;
using Bytes = std::vector<BYTE>;
namespace fs = std::filesystem;

namespace {

const char* const kSuites[] = {"pygif-test-suite", "wuffs-artificial"};

std::vector<Bytes> CorpusFiles()
{
    std::vector<Bytes> files;
    for (const char* sub : kSuites) {
        const fs::path dir = kelvo::test::CorporaDir() / "gif" / sub;
        std::vector<fs::path> paths;
        for (const auto& entry : fs::directory_iterator(dir))
            if (entry.path().extension() == ".gif")
                paths.push_back(entry.path());
        std::sort(paths.begin(), paths.end());
        for (const auto& p : paths)
            files.push_back(ReadFileBytes(p));
    }
    return files;
}

// Loads the bytes; answers false when the reader let anything but GIFException out.
bool LoadsOrRefuses(const Bytes& bytes, std::string& failure)
{
    TGIFImage image;
    image.OnWarning = [](TPersistent*, TGIFSeverity, const std::string&) {};
    try {
        LoadFromBytes(image, bytes);
    } catch (const GIFException&) {
        return true;
    } catch (const std::exception& e) {
        failure = e.what();
        return false;
    }
    // What loaded can be written again, or is refused the same clean way.
    try {
        SaveToBytes(image);
    } catch (const GIFException&) {
    } catch (const std::exception& e) {
        failure = std::string("save: ") + e.what();
        return false;
    }
    return true;
}

TEST(GifRobustness, TruncatedAndBitFlippedFiles)
{
    for (const char* sub : kSuites)
        KELVO_REQUIRE_CORPUS(kelvo::test::CorporaDir() / "gif" / sub);
    const std::vector<Bytes> files = CorpusFiles();
    std::mt19937 random(20261210);
    int variants = 0;
    for (std::size_t f = 0; f < files.size(); ++f) {
        const Bytes& original = files[f];
        if (original.empty())
            continue;
        for (int i = 0; i < 16; ++i) {
            const std::size_t cut = std::uniform_int_distribution<std::size_t>(0, original.size() - 1)(random);
            const Bytes variant(original.begin(), original.begin() + std::ptrdiff_t(cut));
            std::string failure;
            EXPECT_TRUE(LoadsOrRefuses(variant, failure)) << "file " << f << " cut at " << cut << ": " << failure;
            ++variants;
        }
        for (int i = 0; i < 24; ++i) {
            Bytes variant = original;
            const int flips = 1 + i % 3;
            for (int k = 0; k < flips; ++k) {
                // Most of the structure sits in the first bytes; aim half of the flips there.
                const std::size_t limit = (k % 2 == 0) ? std::min<std::size_t>(variant.size(), 64) : variant.size();
                const std::size_t pos = std::uniform_int_distribution<std::size_t>(0, limit - 1)(random);
                variant[pos] ^= BYTE(1u << std::uniform_int_distribution<int>(0, 7)(random));
            }
            std::string failure;
            EXPECT_TRUE(LoadsOrRefuses(variant, failure)) << "file " << f << " flip " << i << ": " << failure;
            ++variants;
        }
    }
    EXPECT_GT(variants, 3000);
}

} // namespace
