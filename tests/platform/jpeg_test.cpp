// JPEG pictures: decoding against ImageMagick, greyscale and CMYK/YCCK made by libjpeg
// itself, compression quality, and damaged or oversized data refused as invalid pictures.
#include <gtest/gtest.h>

#include <algorithm>
#include <csetjmp>
#include <cstring>
#include <filesystem>
#include <functional>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include <jpeglib.h>

#include "platform/bitmap.h"
#include "platform/icon_image.h"
#include "platform/jpeg_image.h"
#include "platform/streams.h"
#include "support/paths.h"

namespace fs = std::filesystem;
using kelvo::test::CorporaDir;
using kelvo::test::HaveTool;
using kelvo::test::RunCommand;
using kelvo::test::TTempDir;

namespace {

// Four coloured quadrants with a soft gradient, so that both colour and position errors show.
TBitmap Quadrants(int w, int h, TPixelFormat format = pf24bit)
{
    TBitmap b(w, h, format);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const int g = (x + y) % 32;
            const bool right = x >= w / 2, bottom = y >= h / 2;
            b.SetPixel(x, y, !right && !bottom ? RGB(220, 30 + g, 30) : right && !bottom ? RGB(30, 200 + g, 40)
                             : !right ? RGB(40, 30 + g, 210) : RGB(230, 230, 40 + g));
        }
    return b;
}

std::vector<BYTE> Compressed(const TBitmap& picture, int quality)
{
    TJPEGImage jpeg;
    jpeg.Assign(picture);
    jpeg.SetCompressionQuality(quality);
    TMemoryStream m;
    jpeg.SaveToStream(m);
    return m.Bytes();
}

TJPEGImage Decoded(const std::vector<BYTE>& bytes)
{
    TMemoryStream m;
    if (!bytes.empty())
        m.WriteBuffer(bytes.data(), std::int64_t(bytes.size()));
    m.SetPosition(0);
    TJPEGImage jpeg;
    jpeg.LoadFromStream(m);
    return jpeg;
}

int MaxDifference(TColor a, TColor b)
{
    return std::max({std::abs(int(GetRValue(a)) - int(GetRValue(b))), std::abs(int(GetGValue(a)) - int(GetGValue(b))),
                     std::abs(int(GetBValue(a)) - int(GetBValue(b)))});
}

// A JPEG written by libjpeg from 4-channel CMYK rows: YCCK or CMYK, with or without the
// Adobe marker that says the values are stored inverted.
struct TErr {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
};

std::vector<BYTE> FourChannelJpeg(int w, int h, const BYTE cmyk[4], J_COLOR_SPACE space, bool adobe)
{
    jpeg_compress_struct c;
    TErr err;
    c.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = [](j_common_ptr info) { std::longjmp(reinterpret_cast<TErr*>(info->err)->jump, 1); };
    unsigned char* out = nullptr;
    unsigned long size = 0;
    std::vector<BYTE> row(std::size_t(w) * 4);
    for (int x = 0; x < w; ++x)
        std::memcpy(&row[std::size_t(x) * 4], cmyk, 4);
    jpeg_create_compress(&c);
    if (setjmp(err.jump)) {
        jpeg_destroy_compress(&c);
        return {};
    }
    jpeg_mem_dest(&c, &out, &size);
    c.image_width = JDIMENSION(w);
    c.image_height = JDIMENSION(h);
    c.input_components = 4;
    c.in_color_space = JCS_CMYK;
    jpeg_set_defaults(&c);
    jpeg_set_colorspace(&c, space);
    c.write_Adobe_marker = adobe;
    jpeg_set_quality(&c, 100, TRUE);
    jpeg_start_compress(&c, TRUE);
    JSAMPROW r = row.data();
    while (c.next_scanline < c.image_height)
        jpeg_write_scanlines(&c, &r, 1);
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    std::vector<BYTE> bytes(out, out + size);
    std::free(out);
    return bytes;
}

// libjpeg's own compression at quality 100 of rows that fill hands out one at a time.
std::vector<BYTE> LibjpegCompressed(int w, int h, int components, J_COLOR_SPACE space, bool progressive,
                                    const std::function<void(int y, BYTE* row)>& fill)
{
    jpeg_compress_struct c;
    jpeg_error_mgr err;
    c.err = jpeg_std_error(&err);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_create_compress(&c);
    jpeg_mem_dest(&c, &out, &size);
    c.image_width = JDIMENSION(w);
    c.image_height = JDIMENSION(h);
    c.input_components = components;
    c.in_color_space = space;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, 100, TRUE);
    if (progressive)
        jpeg_simple_progression(&c);
    jpeg_start_compress(&c, TRUE);
    std::vector<BYTE> row(std::size_t(w) * std::size_t(components));
    while (c.next_scanline < c.image_height) {
        fill(int(c.next_scanline), row.data());
        JSAMPROW r = row.data();
        jpeg_write_scanlines(&c, &r, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    std::vector<BYTE> bytes(out, out + size);
    std::free(out);
    return bytes;
}

std::vector<BYTE> GreyJpeg(int w, int h)
{
    return LibjpegCompressed(w, h, 1, JCS_GRAYSCALE, false,
                             [&](int y, BYTE* row) { std::memset(row, y < h / 2 ? 40 : 200, std::size_t(w)); });
}

// Offset of the frame header's height field.
std::size_t FrameHeaderSize(const std::vector<BYTE>& bytes)
{
    for (std::size_t i = 2; i + 9 < bytes.size(); ++i)
        if (bytes[i] == 0xFF && (bytes[i + 1] == 0xC0 || bytes[i + 1] == 0xC2))
            return i + 5;
    return 0;
}

// The pixels as a bitmap that starts white gets them: libjpeg's rows written over white, as
// far as libjpeg got when it gave up; nothing when the header is refused. Not for CMYK.
struct TWhiteDecode {
    bool Failed = false;
    int Width = 0, Height = 0, Stride = 0;
    std::vector<BYTE> Rows; // top-down, Stride bytes each, the padding zero
};

// The libjpeg part, changing nothing of its own after setjmp: false when libjpeg gave up,
// with *header telling whether it had read the header.
bool DecodeOverWhite(jpeg_decompress_struct* d, TErr* err, const std::vector<BYTE>* bytes, TWhiteDecode* out,
                     std::vector<JSAMPROW>* rows, bool* header)
{
    if (setjmp(err->jump))
        return false;
    jpeg_mem_src(d, bytes->data(), static_cast<unsigned long>(bytes->size()));
    jpeg_read_header(d, TRUE);
    d->out_color_space = JCS_EXT_BGR;
    jpeg_calc_output_dimensions(d);
    *header = true;
    out->Width = int(d->output_width);
    out->Height = int(d->output_height);
    out->Stride = (out->Width * 3 + 3) / 4 * 4;
    out->Rows.assign(std::size_t(out->Stride) * std::size_t(out->Height), 0);
    for (int y = 0; y < out->Height; ++y) {
        BYTE* row = &out->Rows[std::size_t(y) * std::size_t(out->Stride)];
        std::memset(row, 0xFF, std::size_t(out->Width) * 3);
        rows->push_back(row);
    }
    jpeg_start_decompress(d);
    while (d->output_scanline < d->output_height)
        jpeg_read_scanlines(d, rows->data() + d->output_scanline, d->output_height - d->output_scanline);
    jpeg_finish_decompress(d);
    return true;
}

std::optional<TWhiteDecode> DecodedOverWhite(const std::vector<BYTE>& bytes)
{
    jpeg_decompress_struct d;
    TErr err;
    d.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = [](j_common_ptr info) { std::longjmp(reinterpret_cast<TErr*>(info->err)->jump, 1); };
    err.pub.output_message = [](j_common_ptr) {};
    jpeg_create_decompress(&d);
    TWhiteDecode out;
    std::vector<JSAMPROW> rows;
    bool header = false;
    out.Failed = !DecodeOverWhite(&d, &err, &bytes, &out, &rows, &header);
    jpeg_destroy_decompress(&d);
    if (!header)
        return std::nullopt;
    return out;
}

std::vector<BYTE> ProgressiveJpeg(const TBitmap& picture)
{
    return LibjpegCompressed(picture.Width(), picture.Height(), 3, JCS_EXT_BGR, true, [&](int y, BYTE* row) {
        std::memcpy(row, picture.ScanLine(y), std::size_t(picture.Width()) * 3);
    });
}

// Where the first marker (0xFF, code) begins, or npos.
std::size_t MarkerAt(const std::vector<BYTE>& bytes, BYTE code)
{
    for (std::size_t i = 2; i + 1 < bytes.size(); ++i)
        if (bytes[i] == 0xFF && bytes[i + 1] == code)
            return i;
    return std::string::npos;
}

} // namespace

TEST(Jpeg, DecodesAsImageMagickDoes)
{
    if (!HaveTool("convert"))
        GTEST_SKIP() << "ImageMagick convert is not installed";
    TTempDir dir;
    const fs::path file = dir / "q.jpg";
    {
        TMemoryStream m;
        const auto bytes = Compressed(Quadrants(67, 45), 85);
        m.WriteBuffer(bytes.data(), std::int64_t(bytes.size()));
        m.SaveToFile(file.string());
    }
    TJPEGImage jpeg;
    jpeg.LoadFromFile(file.string());
    const std::string rgb = RunCommand("convert '" + file.string() + "' -depth 8 rgb:- 2>/dev/null");
    ASSERT_EQ(rgb.size(), std::size_t(67 * 45 * 3));
    const TBitmap& b = jpeg.Bitmap();
    EXPECT_EQ(b.PixelFormat(), pf24bit);
    int worst = 0;
    for (int y = 0; y < 45; ++y)
        for (int x = 0; x < 67; ++x) {
            const auto* p = reinterpret_cast<const unsigned char*>(rgb.data()) + (y * 67 + x) * 3;
            worst = std::max(worst, MaxDifference(b.GetPixel(x, y), RGB(p[0], p[1], p[2])));
        }
    EXPECT_EQ(worst, 0);
}

TEST(Jpeg, CompressionKeepsThePictureAndFollowsTheQuality)
{
    const TBitmap source = Quadrants(40, 30, pf32bit);
    const auto best = Compressed(source, 100);
    const auto worst = Compressed(source, 0);
    ASSERT_GE(best.size(), 2u);
    EXPECT_EQ(best[0], 0xFF);
    EXPECT_EQ(best[1], 0xD8);
    EXPECT_LT(worst.size(), best.size());

    const TJPEGImage back = Decoded(best);
    ASSERT_EQ(back.Width(), 40);
    ASSERT_EQ(back.Height(), 30);
    // Away from the quadrant edges a quality of 100 is near exact.
    for (const auto& [x, y] : {std::pair{5, 5}, {34, 5}, {5, 24}, {34, 24}})
        EXPECT_LE(MaxDifference(back.Bitmap().GetPixel(x, y), source.GetPixel(x, y)), 3) << x << "," << y;

    // A bitmap assigned from the picture gets its 24-bit pixels.
    TBitmap assigned;
    assigned.Assign(back);
    EXPECT_EQ(assigned.PixelFormat(), pf24bit);
    EXPECT_EQ(assigned.GetPixel(34, 24), back.Bitmap().GetPixel(34, 24));

    TJPEGImage q;
    q.SetCompressionQuality(150);
    EXPECT_EQ(q.CompressionQuality(), 100);
    q.SetCompressionQuality(-3);
    EXPECT_EQ(q.CompressionQuality(), 0);
    EXPECT_THROW(q.Compress(), EJPEG); // nothing to compress
}

TEST(Jpeg, GreyscaleAndFourChannelPicturesBecomeRgb)
{
    const TJPEGImage grey = Decoded(GreyJpeg(16, 16));
    EXPECT_EQ(grey.Bitmap().GetPixel(3, 2), RGB(40, 40, 40));
    EXPECT_EQ(grey.Bitmap().GetPixel(3, 13), RGB(200, 200, 200));

    // Ink C 0.2, M 0.6, Y 0.0, K 0.25 of full: red 0.8 * 0.75, green 0.4 * 0.75, blue 0.75.
    const TColor expected = RGB(153, 77, 191);
    const BYTE plain[4] = {51, 153, 0, 64};
    const BYTE inverted[4] = {204, 102, 255, 191};
    struct TCase {
        const char* what;
        const BYTE* stored;
        J_COLOR_SPACE space;
        bool adobe;
    } cases[] = {
        {"CMYK with the Adobe marker, stored inverted", inverted, JCS_CMYK, true},
        {"YCCK with the Adobe marker, stored inverted", inverted, JCS_YCCK, true},
        {"CMYK without the marker, stored plain", plain, JCS_CMYK, false},
    };
    for (const auto& c : cases) {
        const auto bytes = FourChannelJpeg(16, 16, c.stored, c.space, c.adobe);
        ASSERT_FALSE(bytes.empty()) << c.what;
        const TJPEGImage jpeg = Decoded(bytes);
        EXPECT_EQ(jpeg.Bitmap().PixelFormat(), pf24bit) << c.what;
        EXPECT_LE(MaxDifference(jpeg.Bitmap().GetPixel(8, 8), expected), 2)
            << c.what << ": " << std::hex << jpeg.Bitmap().GetPixel(8, 8);
    }
}

TEST(Jpeg, DamagedAndOversizedDataAreInvalidPicturesAndLeaveThePictureAsItWas)
{
    const auto good = Compressed(Quadrants(16, 8), 90);
    const std::size_t sof = FrameHeaderSize(good);
    ASSERT_NE(sof, 0u);
    auto with = [&](std::size_t at, std::vector<BYTE> bytes) {
        std::vector<BYTE> v = good;
        std::copy(bytes.begin(), bytes.end(), v.begin() + std::ptrdiff_t(at));
        return v;
    };
    struct TCase {
        const char* what;
        std::vector<BYTE> bytes;
    } cases[] = {
        {"empty", {}},
        {"not a JPEG", {'B', 'M', 1, 2, 3, 4}},
        {"only the start marker", {0xFF, 0xD8}},
        {"cut inside the headers", std::vector<BYTE>(good.begin(), good.begin() + std::ptrdiff_t(sof + 4))},
        {"zero height", with(sof, {0, 0})},
        {"zero width", with(sof + 2, {0, 0})},
        {"precision 12", with(sof - 1, {12})},
        // 65000 x 65000 promises far more than 2^28 pixels; refused before any allocation.
        {"too many pixels", with(sof, {0xFD, 0xE8, 0xFD, 0xE8})},
        {"16385 x 16384 is one row too many", with(sof, {0x40, 0x01, 0x40, 0x00})},
    };
    for (const auto& c : cases) {
        TJPEGImage jpeg = Decoded(good);
        TMemoryStream m;
        if (!c.bytes.empty())
            m.WriteBuffer(c.bytes.data(), std::int64_t(c.bytes.size()));
        m.SetPosition(0);
        EXPECT_THROW(jpeg.LoadFromStream(m), EInvalidGraphic) << c.what;
        EXPECT_EQ(jpeg.Width(), 16) << c.what;
    }
}

// Damage past the header shows when the pixels are decoded: on assignment to a bitmap too.
TEST(Jpeg, DamageFoundWhileDecodingIsAnInvalidPictureError)
{
    // A frame and a scan, but no quantization or Huffman tables.
    const std::vector<BYTE> noTables = {0xFF, 0xD8, 0xFF, 0xC0, 0x00, 0x11, 0x08, 0x00, 0x1C, 0x00, 0x24, 0x03,
                                        0x01, 0x11, 0x00, 0x02, 0x11, 0x01, 0x03, 0x11, 0x01, 0xFF, 0xDA, 0x00,
                                        0x0C, 0x03, 0x01, 0x00, 0x02, 0x11, 0x03};
    const TJPEGImage jpeg = Decoded(noTables);
    EXPECT_EQ(jpeg.Width(), 36);
    TBitmap picture;
    EXPECT_THROW(picture.Assign(jpeg), EJPEG);
    EXPECT_THROW(jpeg.Bitmap(), EJPEG);
}

// A bitmap gets every pixel from libjpeg, not from being made white first; the rows a failed
// decode leaves are white all the same, as they were in a bitmap that started white.
TEST(Jpeg, DecodedBitmapsAreThePixelsOverWhiteAlsoWhenTheDecodeFails)
{
    // An odd width, so that every row ends in padding.
    const TBitmap picture = Quadrants(37, 29);
    const auto baseline = Compressed(picture, 90);
    const auto progressive = ProgressiveJpeg(picture);
    struct TCase {
        std::string what;
        std::vector<BYTE> bytes;
    };
    std::vector<TCase> cases = {{"baseline", baseline}, {"progressive", progressive}};
    // No quantization tables: refused when the decode starts, before any row.
    auto noTables = baseline;
    for (std::size_t at; (at = MarkerAt(noTables, 0xDB)) != std::string::npos;)
        noTables.erase(noTables.begin() + std::ptrdiff_t(at),
                       noTables.begin() + std::ptrdiff_t(at + 2 + std::size_t(noTables[at + 2] << 8 | noTables[at + 3])));
    cases.push_back({"no quantization tables", noTables});
    // A second scan in a one-scan file: refused after the last row.
    auto twoScans = baseline;
    const std::size_t sos = MarkerAt(twoScans, 0xDA), eoi = twoScans.size() - 2;
    ASSERT_NE(sos, std::string::npos);
    const std::vector<BYTE> scan(twoScans.begin() + std::ptrdiff_t(sos), twoScans.begin() + std::ptrdiff_t(eoi));
    twoScans.insert(twoScans.begin() + std::ptrdiff_t(eoi), scan.begin(), scan.end());
    cases.push_back({"a second scan", twoScans});
    // Bits flipped after the tables (in the progressive file, among its later tables too).
    std::mt19937 random(20260101);
    for (const auto* source : {&baseline, &progressive})
        for (int i = 0; i < 150; ++i) {
            auto bytes = *source;
            const std::size_t from = MarkerAt(bytes, source == &baseline ? 0xDA : 0xC4);
            for (int k = 0; k < 3; ++k)
                bytes[from + random() % (bytes.size() - from)] ^= BYTE(1u << (random() % 8));
            cases.push_back({(source == &baseline ? "baseline damaged #" : "progressive damaged #") + std::to_string(i),
                             bytes});
        }

    int failures = 0;
    for (const TCase& c : cases) {
        const auto expected = DecodedOverWhite(c.bytes);
        if (!expected)
            continue; // refused with its header: no bitmap is made
        const TJPEGImage jpeg = Decoded(c.bytes);
        TBitmap bitmap;
        bool failed = false;
        try {
            bitmap.Assign(jpeg);
        } catch (const EJPEG&) {
            failed = true;
        }
        failures += failed;
        EXPECT_EQ(failed, expected->Failed) << c.what;
        ASSERT_EQ(bitmap.Width(), expected->Width) << c.what;
        ASSERT_EQ(bitmap.Height(), expected->Height) << c.what;
        ASSERT_EQ(bitmap.BytesPerScanLine(), expected->Stride) << c.what;
        int rowsDiffering = 0;
        for (int y = 0; y < bitmap.Height(); ++y)
            rowsDiffering += std::memcmp(bitmap.ScanLine(y), &expected->Rows[std::size_t(y) * std::size_t(expected->Stride)],
                                         std::size_t(expected->Stride)) != 0;
        EXPECT_EQ(rowsDiffering, 0) << c.what;
    }
    EXPECT_GE(failures, 2) << "a failure before the first row and one after the last are among the cases";
}

// A file cut anywhere after its headers still gives a picture (libjpeg fills the rest), and
// no cut reads past the bytes given.
TEST(Jpeg, CutOffFilesLoadOrAreRefusedCleanly)
{
    const auto bytes = Compressed(Quadrants(48, 40), 75);
    for (std::size_t len = 0; len <= bytes.size(); len += len < 700 ? 3 : 1) {
        try {
            const TJPEGImage jpeg = Decoded(std::vector<BYTE>(bytes.begin(), bytes.begin() + std::ptrdiff_t(len)));
            EXPECT_EQ(jpeg.Bitmap().Width(), 48) << len;
        } catch (const EInvalidGraphic&) {
        }
    }
}

TEST(Jpeg, EveryCorpusFileLoadsOrIsRefusedAsAnInvalidPicture)
{
    const fs::path dir = CorporaDir() / "jpeg";
    KELVO_REQUIRE_CORPUS(dir);
    for (const auto& file : kelvo::test::CorpusFiles(dir, {".jpeg", ".jpg"})) {
        try {
            TJPEGImage jpeg;
            jpeg.LoadFromFile(file.string());
            EXPECT_FALSE(jpeg.Bitmap().Empty()) << file.filename();
        } catch (const EInvalidGraphic&) {
        }
    }
}

TEST(Jpeg, PicturesPickTheJpegAndIconClassesByExtension)
{
    for (const char* ext : {".jpg", ".JPEG", "jpeg"})
        ASSERT_NE(TPicture::FindFileFormat(ext), nullptr) << ext;
    EXPECT_EQ(TPicture::FindFileFormat(".Jpg")->ClassName, "TJPEGImage");
    EXPECT_EQ(TPicture::FindFileFormat("jpeg")->Factory()->ClassName(), "TJPEGImage");
    EXPECT_EQ(TPicture::FindFileFormat(".ico")->Factory()->ClassName(), "TIcon");

    TTempDir dir;
    const fs::path file = dir / "PICTURE.JPEG";
    {
        const auto bytes = Compressed(Quadrants(8, 6), 90);
        TMemoryStream m;
        m.WriteBuffer(bytes.data(), std::int64_t(bytes.size()));
        m.SaveToFile(file.string());
    }
    TPicture picture;
    picture.LoadFromFile(file.string());
    ASSERT_NE(dynamic_cast<TJPEGImage*>(picture.Graphic()), nullptr);
    EXPECT_EQ(picture.Width(), 8);
}
