// Icon files: the image chosen, masks and alpha over what lies underneath, PNG images through
// the registered PNG class, and damaged files refused without a crash.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#ifdef KELVO_HAVE_LIBPNG
#include <png.h>
#endif

#include "platform/bitmap.h"
#include "platform/canvas.h"
#include "platform/icon_image.h"
#include "platform/streams.h"
#include "support/paths.h"

namespace fs = std::filesystem;
using kelvo::test::CorporaDir;
using kelvo::test::RunCommand;

namespace {

void Put16(std::vector<BYTE>& v, unsigned x) { v.insert(v.end(), {BYTE(x), BYTE(x >> 8)}); }
void Put32(std::vector<BYTE>& v, std::uint32_t x)
{
    v.insert(v.end(), {BYTE(x), BYTE(x >> 8), BYTE(x >> 16), BYTE(x >> 24)});
}

// One BMP image of an icon: header, colour table, colour rows and mask rows, both bottom-up.
struct TIconImage {
    int width = 0, height = 0, bits = 24;
    std::vector<BYTE> table;  // B,G,R,0 entries
    std::vector<BYTE> colour; // as stored
    std::vector<BYTE> mask;   // as stored
    std::vector<BYTE> Bytes() const
    {
        std::vector<BYTE> v;
        Put32(v, 40);
        Put32(v, std::uint32_t(width));
        Put32(v, std::uint32_t(height * 2));
        Put16(v, 1);
        Put16(v, unsigned(bits));
        for (int i = 0; i < 6; ++i)
            Put32(v, 0);
        v.insert(v.end(), table.begin(), table.end());
        v.insert(v.end(), colour.begin(), colour.end());
        v.insert(v.end(), mask.begin(), mask.end());
        return v;
    }
};

std::vector<BYTE> IconFile(const std::vector<std::vector<BYTE>>& images, const std::vector<int>& sizes = {})
{
    std::vector<BYTE> v;
    Put16(v, 0);
    Put16(v, 1);
    Put16(v, unsigned(images.size()));
    std::uint32_t offset = std::uint32_t(6 + 16 * images.size());
    for (std::size_t i = 0; i < images.size(); ++i) {
        const int s = i < sizes.size() ? sizes[i] : 0;
        v.insert(v.end(), {BYTE(s), BYTE(s), 0, 0});
        Put16(v, 1);
        Put16(v, 0);
        Put32(v, std::uint32_t(images[i].size()));
        Put32(v, offset);
        offset += std::uint32_t(images[i].size());
    }
    for (const auto& image : images)
        v.insert(v.end(), image.begin(), image.end());
    return v;
}

// A square image of one colour index per row group, for choosing among entries.
std::vector<BYTE> PlainImage(int size, int bits)
{
    TIconImage im;
    im.width = im.height = size;
    im.bits = bits;
    if (bits <= 8)
        im.table.assign(std::size_t(4) << bits, 0x40);
    im.colour.assign(std::size_t(DIBBytesPerRow(size, bits) * size), 0);
    im.mask.assign(std::size_t(DIBBytesPerRow(size, 1) * size), 0);
    return im.Bytes();
}

TIcon LoadIcon(const std::vector<BYTE>& bytes)
{
    TMemoryStream m;
    if (!bytes.empty())
        m.WriteBuffer(bytes.data(), std::int64_t(bytes.size()));
    m.SetPosition(0);
    TIcon icon;
    icon.LoadFromStream(m);
    return icon;
}

TIcon LoadIcon(const fs::path& file)
{
    TMemoryStream m;
    m.LoadFromFile(file.string());
    return LoadIcon(m.Bytes());
}

// The icon drawn at (0, 0) over a 24-bit bitmap of its size filled with under.
TBitmap DrawnOver(const TIcon& icon, TColor under)
{
    TBitmap b(icon.Width(), icon.Height(), pf24bit);
    b.Canvas().Brush().Color = under;
    b.Canvas().FillRect(TRect{0, 0, b.Width(), b.Height()});
    b.Canvas().Draw(0, 0, icon);
    return b;
}

#ifdef KELVO_HAVE_LIBPNG
// Stands in for the PNG library, which this test program does not link: libpng decodes, and
// the drawing blends over the target as the real class does.
class TLibpngPicture : public TGraphic {
public:
    int Width() const override { return int(width_); }
    int Height() const override { return int(height_); }
    bool Empty() const override { return pixels_.empty(); }
    void Draw(TCanvas& canvas, const TRect& rect) const override
    {
        TBitmap& t = canvas.Target();
        for (int y = std::max(rect.Top, 0); y < std::min<int>(rect.Top + int(height_), t.Height()); ++y)
            for (int x = std::max(rect.Left, 0); x < std::min<int>(rect.Left + int(width_), t.Width()); ++x) {
                const BYTE* p = &pixels_[(std::size_t(y - rect.Top) * width_ + std::size_t(x - rect.Left)) * 4];
                const TColor u = t.GetPixel(x, y);
                auto mix = [&](int s, int d) { return (s * p[3] + d * (255 - p[3]) + 127) / 255; };
                t.SetPixel(x, y, RGB(mix(p[2], GetRValue(u)), mix(p[1], GetGValue(u)), mix(p[0], GetBValue(u))));
            }
    }
    void LoadFromStream(TStream& stream) override
    {
        std::vector<BYTE> bytes(std::size_t(stream.Size() - stream.Position()));
        stream.ReadBuffer(bytes.data(), std::int64_t(bytes.size()));
        png_image image;
        std::memset(&image, 0, sizeof image);
        image.version = PNG_IMAGE_VERSION;
        if (!png_image_begin_read_from_memory(&image, bytes.data(), bytes.size()))
            throw Exception("libpng refused the image");
        image.format = PNG_FORMAT_BGRA;
        pixels_.resize(PNG_IMAGE_SIZE(image));
        if (!png_image_finish_read(&image, nullptr, pixels_.data(), 0, nullptr))
            throw Exception("libpng refused the image");
        width_ = image.width;
        height_ = image.height;
    }
    void SaveToStream(TStream&) const override {}

private:
    png_uint_32 width_ = 0, height_ = 0;
    std::vector<BYTE> pixels_;
};

struct TPngStandIn {
    TPngStandIn()
    {
        TPicture::RegisterFileFormat("png", "PNG", "TLibpngPicture", [] { return std::make_unique<TLibpngPicture>(); });
    }
    ~TPngStandIn() { TPicture::UnregisterGraphicClass("TLibpngPicture"); }
};
#endif

} // namespace

TEST(Icon, EveryCorpusFileLoadsOrIsRefusedAsAnInvalidPicture)
{
#ifdef KELVO_HAVE_LIBPNG
    TPngStandIn png;
#endif
    KELVO_REQUIRE_CORPUS(CorporaDir() / "ico" / "valid-or-lenient");
    KELVO_REQUIRE_CORPUS(CorporaDir() / "ico" / "bad");
    const auto good = kelvo::test::CorpusFiles(CorporaDir() / "ico" / "valid-or-lenient");
    const auto bad = kelvo::test::CorpusFiles(CorporaDir() / "ico" / "bad");
    // A clone without the reference still checks the loads; where the suites are required the
    // pixels must be compared as well.
    const std::string noConvert = kelvo::test::MissingReferenceTool("convert");
    if (!noConvert.empty() && kelvo::test::CorporaRequired())
        FAIL() << noConvert;
    for (const auto& file : good) {
        const std::string name = file.filename().string();
        TIcon icon;
        try {
            icon = LoadIcon(file);
        } catch (const EInvalidGraphic& e) {
            ADD_FAILURE() << name << ": " << e.Message;
            continue;
        }
        const TBitmap ours = DrawnOver(icon, clWhite);
        // The reference applies the embedded colour profile; icons are drawn without one.
        if (!noConvert.empty() || name == "bmp_v5_with_icc.ico")
            continue;
        const std::string rgb = RunCommand("convert '" + file.string() + "[" + std::to_string(icon.ImageIndex()) +
                                           "]' -background white -alpha remove -depth 8 rgb:- 2>/dev/null");
        ASSERT_EQ(rgb.size(), std::size_t(icon.Width()) * icon.Height() * 3) << name;
        int failures = 0;
        for (int y = 0; y < icon.Height() && failures < 3; ++y)
            for (int x = 0; x < icon.Width() && failures < 3; ++x) {
                const auto* r = reinterpret_cast<const unsigned char*>(rgb.data()) + (std::size_t(y) * icon.Width() + x) * 3;
                const TColor c = ours.GetPixel(x, y);
                if (std::abs(int(GetRValue(c)) - r[0]) > 1 || std::abs(int(GetGValue(c)) - r[1]) > 1 ||
                    std::abs(int(GetBValue(c)) - r[2]) > 1) {
                    ++failures;
                    ADD_FAILURE() << name << " (" << x << "," << y << "): ours " << std::hex << c << " reference "
                                  << int(r[0]) << "," << int(r[1]) << "," << int(r[2]);
                }
            }
    }
    for (const auto& file : bad)
        EXPECT_THROW(LoadIcon(file), EInvalidGraphic) << file.filename();
}

TEST(Icon, TheLargestImageIsUsedAndAmongEquallyLargeOnesTheDeepest)
{
    struct TCase {
        const char* what;
        std::vector<std::pair<int, int>> images; // size, bits
        int index;
    } cases[] = {
        {"one image", {{16, 8}}, 0},
        {"larger wins over deeper", {{16, 32}, {32, 4}}, 1},
        {"deeper among equal sizes", {{32, 4}, {32, 24}, {32, 8}, {16, 32}}, 1},
        {"the first of equal ones", {{32, 8}, {32, 8}}, 0},
        // The directory's own size and depth fields are 0 here; the image headers decide.
        {"1-bit among larger", {{8, 1}, {48, 1}, {24, 24}}, 1},
    };
    for (const auto& c : cases) {
        std::vector<std::vector<BYTE>> images;
        for (const auto& [size, bits] : c.images)
            images.push_back(PlainImage(size, bits));
        const TIcon icon = LoadIcon(IconFile(images));
        EXPECT_EQ(icon.ImageIndex(), c.index) << c.what;
        EXPECT_EQ(icon.Width(), c.images[std::size_t(c.index)].first) << c.what;
        EXPECT_EQ(icon.BitsPerPixel(), c.images[std::size_t(c.index)].second) << c.what;
    }
}

// Three pixels in a row over blue: what shows where the mask or the alpha says so.
TEST(Icon, MaskAndAlphaLetWhatIsUnderneathShowThrough)
{
    const TColor under = RGB(0, 0, 200);
    auto row = [](int bits, std::vector<BYTE> pixel, BYTE maskBits) {
        TIconImage im;
        im.width = 3;
        im.height = 1;
        im.bits = bits;
        im.colour = pixel;
        im.colour.resize(std::size_t(DIBBytesPerRow(3, bits)), 0);
        im.mask = {maskBits, 0, 0, 0};
        return im.Bytes();
    };
    struct TCase {
        const char* what;
        std::vector<BYTE> bytes;
        TColor expected[3];
    } cases[] = {
        {"24-bit, middle pixel masked",
         row(24, {10, 20, 30, 40, 50, 60, 70, 80, 90}, 0x40),
         {RGB(30, 20, 10), under, RGB(90, 80, 70)}},
        {"32-bit alpha 255, 0 and 128; the mask is ignored",
         row(32, {10, 20, 30, 255, 40, 50, 60, 0, 100, 100, 100, 128}, 0xE0),
         {RGB(30, 20, 10), under, RGB(50, 50, 150)}},
        {"32-bit without alpha falls back to the mask",
         row(32, {10, 20, 30, 0, 40, 50, 60, 0, 70, 80, 90, 0}, 0x20),
         {RGB(30, 20, 10), RGB(60, 50, 40), under}},
    };
    for (const auto& c : cases) {
        const TBitmap b = DrawnOver(LoadIcon(IconFile({c.bytes})), under);
        for (int x = 0; x < 3; ++x)
            EXPECT_EQ(b.GetPixel(x, 0), c.expected[x]) << c.what << " pixel " << x;
    }
}

TEST(Icon, PaletteImagesAndRowOrder)
{
    // 4 bits, 2 x 2: bottom row stored first.
    TIconImage im;
    im.width = im.height = 2;
    im.bits = 4;
    im.table.assign(64, 0);
    const BYTE red[4] = {0, 0, 255, 0}, green[4] = {0, 255, 0, 0};
    std::memcpy(&im.table[4], red, 4);
    std::memcpy(&im.table[8], green, 4);
    im.colour = {0x12, 0, 0, 0, 0x21, 0, 0, 0}; // bottom row: 1,2; top row: 2,1
    im.mask.assign(8, 0);
    const TBitmap b = DrawnOver(LoadIcon(IconFile({im.Bytes()})), clWhite);
    EXPECT_EQ(b.GetPixel(0, 0), RGB(0, 255, 0));
    EXPECT_EQ(b.GetPixel(1, 0), RGB(255, 0, 0));
    EXPECT_EQ(b.GetPixel(0, 1), RGB(255, 0, 0));
    EXPECT_EQ(b.GetPixel(1, 1), RGB(0, 255, 0));
}

TEST(Icon, DamagedFilesAreInvalidPicturesAndLeaveTheIconAsItWas)
{
    const std::vector<BYTE> good = IconFile({PlainImage(16, 8)});
    auto with = [&](std::size_t at, std::vector<BYTE> bytes) {
        std::vector<BYTE> v = good;
        std::copy(bytes.begin(), bytes.end(), v.begin() + std::ptrdiff_t(at));
        return v;
    };
    const std::size_t image = 22; // the first image's header
    TIconImage colourShort;
    colourShort.width = colourShort.height = 16;
    colourShort.colour.assign(16 * 48 - 1, 0);
    struct TCase {
        const char* what;
        std::vector<BYTE> bytes;
    } cases[] = {
        {"empty", {}},
        {"not an icon", {'B', 'M', 0, 0, 0, 0, 0, 0}},
        {"no images", {0, 0, 1, 0, 0, 0}},
        {"directory cut short", std::vector<BYTE>(good.begin(), good.begin() + 14)},
        {"image beyond the end", with(18, {0xFF, 0xFF, 0, 0})},
        {"image length beyond the end", with(14, {0xFF, 0xFF, 0xFF, 0x7F})},
        {"colour rows cut short", IconFile({colourShort.Bytes()})},
        {"huge width with a few bytes", with(image + 4, {0xFF, 0xFF, 0xFF, 0x0F})},
        {"negative height", with(image + 8, {0xE0, 0xFF, 0xFF, 0xFF})},
        {"unsupported depth", with(image + 14, {3, 0})},
        {"compressed", with(image + 16, {1, 0, 0, 0})},
        {"colour table longer than the depth allows", with(image + 32, {0, 2, 0, 0})},
        {"unknown header", with(image, {20, 0, 0, 0})},
        {"PNG without a registered PNG class",
         IconFile({{0x89, 'P', 'N', 'G', 13, 10, 26, 10, 0, 0, 0, 13, 'I', 'H', 'D', 'R', 0, 0, 0, 1, 0, 0, 0, 1, 8, 6, 0, 0, 0}})},
        {"PNG without a header chunk", IconFile({{0x89, 'P', 'N', 'G', 13, 10, 26, 10, 0, 0, 0, 0}})},
    };
    for (const auto& c : cases) {
        TIcon icon = LoadIcon(good);
        TMemoryStream m;
        if (!c.bytes.empty())
            m.WriteBuffer(c.bytes.data(), std::int64_t(c.bytes.size()));
        m.SetPosition(0);
        EXPECT_THROW(icon.LoadFromStream(m), EInvalidGraphic) << c.what;
        EXPECT_EQ(icon.Width(), 16) << c.what;
    }
}

// Every cut of a file of several entries of different depths: refused or loaded, never a read
// past the bytes given.
TEST(Icon, CutOffFilesNeverReadPastTheirEnd)
{
    const std::vector<BYTE> bytes = IconFile({PlainImage(16, 4), PlainImage(16, 8), PlainImage(32, 24), PlainImage(16, 1)},
                                             {16, 16, 32, 16});
    ASSERT_EQ(LoadIcon(bytes).Width(), 32);
    for (std::size_t len = 0; len < bytes.size(); len += len < 300 ? 1 : 61) {
        try {
            LoadIcon(std::vector<BYTE>(bytes.begin(), bytes.begin() + std::ptrdiff_t(len)));
        } catch (const EInvalidGraphic&) {
        }
    }
}
