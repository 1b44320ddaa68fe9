// The public PNG conformance suite: every valid file decodes to libpng's pixels (after our
// gamma mapping and 16-to-8-bit reduction) and every broken one raises the fitting class.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "png_test_util.h"
#include "support/paths.h"

using namespace pngtest;

namespace {

std::vector<std::filesystem::path> SuiteFiles(bool broken)
{
    std::vector<std::filesystem::path> files;
    for (const auto& e : std::filesystem::directory_iterator(PngSuiteDir())) {
        std::string name = e.path().filename().string();
        if (e.path().extension() != ".png")
            continue;
        if ((name[0] == 'x') == broken)
            files.push_back(e.path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

} // namespace

TEST(PngSuite, ValidFilesMatchLibpng)
{
#ifndef KELVO_HAVE_LIBPNG
    GTEST_SKIP() << "libpng not available";
#endif
    KELVO_REQUIRE_CORPUS(PngSuiteDir());
    auto files = SuiteFiles(false);
    EXPECT_EQ(files.size(), 161u);
    for (const auto& path : files) {
        SCOPED_TRACE(path.filename().string());
        auto bytes = ReadFile(path);
        std::unique_ptr<TPNGObject> png;
        ASSERT_NO_THROW(png = LoadPng(bytes));
        TRgbaImage ours = PictureRgba(*png);
        std::string error;
        TRgbaImage ref = LibpngRgba(bytes, &error);
        ASSERT_EQ(error, "");
        ASSERT_EQ(ours.Width, ref.Width);
        ASSERT_EQ(ours.Height, ref.Height);
        // Colours through our gamma table; alpha as it is.
        for (std::size_t i = 0; i < ref.Pixels.size(); i += 4)
            for (int c = 0; c < 3; ++c)
                ref.Pixels[i + c] = png->GammaTable[ref.Pixels[i + c]];
        // A colour key is compared with the colours in memory, which are gamma-mapped 8-bit
        // values: samples that differ in the file but map to the key's colour count as
        // transparent too. Such pixels are accepted only where the colour equals the key.
        const bool keyed = png->Chunks.ItemFromClass<TChunktRNS>() &&
                           png->Header()->ColorType != COLOR_PALETTE;
        const TColor key = png->GetTransparentColor();
        for (std::size_t i = 0; keyed && i < ref.Pixels.size(); i += 4)
            if (ours.Pixels[i + 3] == 0 && ref.Pixels[i + 3] == 255 &&
                RGB(ref.Pixels[i], ref.Pixels[i + 1], ref.Pixels[i + 2]) == key)
                ref.Pixels[i + 3] = 0;
        std::size_t firstDiff = ref.Pixels.size();
        for (std::size_t i = 0; i < ref.Pixels.size(); ++i)
            if (ours.Pixels[i] != ref.Pixels[i]) {
                firstDiff = i;
                break;
            }
        EXPECT_EQ(firstDiff, ref.Pixels.size())
            << "pixel " << firstDiff / 4 << " channel " << firstDiff % 4 << ": ours "
            << int(ours.Pixels[firstDiff < ours.Pixels.size() ? firstDiff : 0]) << " libpng "
            << int(ref.Pixels[firstDiff < ref.Pixels.size() ? firstDiff : 0]);
    }
}

TEST(PngSuite, BrokenFilesRaiseTheirClass)
{
    KELVO_REQUIRE_CORPUS(PngSuiteDir());
    auto files = SuiteFiles(true);
    using TCheck = std::function<bool(const std::exception&)>;
    auto is = [](auto* tag) -> TCheck {
        using E = std::remove_pointer_t<decltype(tag)>;
        return [](const std::exception& e) { return dynamic_cast<const E*>(&e) != nullptr; };
    };
    const struct {
        const char* Name;
        TCheck Fits;
        const char* ClassName;
    } table[] = {
        {"xs1n0g01.png", is((EPNGInvalidFileHeader*)nullptr), "EPNGInvalidFileHeader"},
        {"xs2n0g01.png", is((EPNGInvalidFileHeader*)nullptr), "EPNGInvalidFileHeader"},
        {"xs4n0g01.png", is((EPNGInvalidFileHeader*)nullptr), "EPNGInvalidFileHeader"},
        {"xs7n0g01.png", is((EPNGInvalidFileHeader*)nullptr), "EPNGInvalidFileHeader"},
        {"xcrn0g04.png", is((EPNGInvalidFileHeader*)nullptr), "EPNGInvalidFileHeader"},
        {"xlfn0g04.png", is((EPNGInvalidFileHeader*)nullptr), "EPNGInvalidFileHeader"},
        {"xhdn0g08.png", is((EPngInvalidCRC*)nullptr), "EPngInvalidCRC"},
        {"xc1n0g08.png", is((EPngInvalidIHDR*)nullptr), "EPngInvalidIHDR"},
        {"xc9n2c08.png", is((EPngInvalidIHDR*)nullptr), "EPngInvalidIHDR"},
        {"xd0n2c08.png", is((EPngInvalidIHDR*)nullptr), "EPngInvalidIHDR"},
        {"xd3n2c08.png", is((EPngInvalidIHDR*)nullptr), "EPngInvalidIHDR"},
        {"xd9n2c08.png", is((EPngInvalidIHDR*)nullptr), "EPngInvalidIHDR"},
        {"xdtn0g01.png", is((EPNGNoImageData*)nullptr), "EPNGNoImageData"},
        {"xcsn0g01.png", is((EPngInvalidCRC*)nullptr), "EPngInvalidCRC"},
    };
    EXPECT_EQ(files.size(), std::size(table));
    for (const auto& row : table) {
        SCOPED_TRACE(row.Name);
        auto bytes = ReadFile(PngSuiteDir() / row.Name);
        ASSERT_FALSE(bytes.empty());
        try {
            LoadPng(bytes);
            ADD_FAILURE() << "loaded without error, expected " << row.ClassName;
        } catch (const std::exception& e) {
            EXPECT_TRUE(row.Fits(e)) << "expected " << row.ClassName << ", got: " << e.what();
        }
    }
}
