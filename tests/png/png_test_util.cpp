#include "png_test_util.h"

#include <csetjmp>
#include <cstring>
#include <fstream>
#include <iterator>

#include "support/paths.h"
#ifdef KELVO_HAVE_LIBPNG
#include <png.h>
#endif

namespace pngtest {

std::vector<std::uint8_t> ReadFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

std::unique_ptr<TPNGObject> LoadPng(const std::vector<std::uint8_t>& bytes)
{
    TMemoryStream stream;
    if (!bytes.empty())
        stream.Write(bytes.data(), std::int64_t(bytes.size()));
    stream.SetPosition(0);
    auto png = std::make_unique<TPNGObject>();
    png->LoadFromStream(stream);
    return png;
}

std::unique_ptr<TPNGObject> LoadPng(const std::filesystem::path& path) { return LoadPng(ReadFile(path)); }

std::vector<std::uint8_t> SavePng(const TPNGObject& png)
{
    TMemoryStream stream;
    png.SaveToStream(stream);
    return stream.Bytes();
}

TRgbaImage PictureRgba(const TPNGObject& png)
{
    TRgbaImage out;
    TChunkIHDR* h = png.Header();
    if (!h)
        return out;
    out.Width = int(h->Width);
    out.Height = int(h->Height);
    out.Pixels.resize(std::size_t(out.Width) * out.Height * 4);
    const int bpp = h->DibBitsPerPixel();
    TChunktRNS* trns = png.Chunks.ItemFromClass<TChunktRNS>();
    TColor key = png.GetTransparentColor();
    for (int y = 0; y < out.Height; ++y) {
        const BYTE* row = png.GetScanline(y);
        const BYTE* alpha = png.GetAlphaScanline(y);
        for (int x = 0; x < out.Width; ++x) {
            std::uint8_t* p = &out.Pixels[(std::size_t(y) * out.Width + x) * 4];
            int index = -1;
            if (bpp == 24) {
                p[0] = row[x * 3 + 2];
                p[1] = row[x * 3 + 1];
                p[2] = row[x * 3];
            } else {
                if (bpp == 8)
                    index = row[x];
                else if (bpp == 4)
                    index = (x & 1) ? row[x / 2] & 15 : row[x / 2] >> 4;
                else
                    index = (row[x / 8] >> (7 - x % 8)) & 1;
                const TRGBQuad& q = h->BitmapInfo.bmiColors[index];
                p[0] = q.rgbRed;
                p[1] = q.rgbGreen;
                p[2] = q.rgbBlue;
            }
            if (alpha)
                p[3] = alpha[x];
            else if (trns && h->ColorType == COLOR_PALETTE)
                p[3] = trns->PaletteValues[index];
            else if (trns)
                p[3] = RGB(p[0], p[1], p[2]) == key ? 0 : 255;
            else
                p[3] = 255;
        }
    }
    return out;
}

#ifdef KELVO_HAVE_LIBPNG
namespace {
struct TReadSource {
    const std::vector<std::uint8_t>* Bytes;
    std::size_t Pos;
};
void ReadData(png_structp p, png_bytep out, png_size_t n)
{
    auto src = static_cast<TReadSource*>(png_get_io_ptr(p));
    if (src->Pos + n > src->Bytes->size())
        png_error(p, "read beyond end");
    std::memcpy(out, src->Bytes->data() + src->Pos, n);
    src->Pos += n;
}
void Error(png_structp p, png_const_charp msg)
{
    auto text = static_cast<std::string*>(png_get_error_ptr(p));
    if (text)
        *text = msg;
    png_longjmp(p, 1);
}
void Warning(png_structp, png_const_charp) {}
} // namespace
#endif

TRgbaImage LibpngRgba(const std::vector<std::uint8_t>& bytes, std::string* error)
{
    TRgbaImage out;
#ifdef KELVO_HAVE_LIBPNG
    std::string text;
    png_structp p = png_create_read_struct(PNG_LIBPNG_VER_STRING, &text, Error, Warning);
    png_infop info = png_create_info_struct(p);
    TReadSource src{&bytes, 0};
    std::vector<png_bytep> rows;
    if (setjmp(png_jmpbuf(p))) {
        png_destroy_read_struct(&p, &info, nullptr);
        if (error)
            *error = text;
        return TRgbaImage{};
    }
    png_set_read_fn(p, &src, ReadData);
    png_set_crc_action(p, PNG_CRC_ERROR_QUIT, PNG_CRC_ERROR_QUIT);
    png_read_info(p, info);
    png_set_expand(p);
    png_set_strip_16(p);
    png_set_gray_to_rgb(p);
    png_set_add_alpha(p, 0xFF, PNG_FILLER_AFTER);
    png_set_interlace_handling(p);
    png_read_update_info(p, info);
    out.Width = int(png_get_image_width(p, info));
    out.Height = int(png_get_image_height(p, info));
    out.Pixels.assign(std::size_t(out.Width) * out.Height * 4, 0);
    rows.resize(std::size_t(out.Height));
    for (int y = 0; y < out.Height; ++y)
        rows[std::size_t(y)] = out.Pixels.data() + std::size_t(y) * out.Width * 4;
    png_read_image(p, rows.data());
    png_read_end(p, nullptr);
    png_destroy_read_struct(&p, &info, nullptr);
#else
    (void)bytes;
    if (error)
        *error = "no libpng";
#endif
    return out;
}

std::filesystem::path PngSuiteDir() { return kelvo::test::CorporaDir() / "pngsuite"; }

} // namespace pngtest

#include <zlib.h>

namespace pngtest {

std::vector<std::uint8_t> MakeChunk(const std::string& name, const std::vector<std::uint8_t>& data)
{
    std::vector<std::uint8_t> out;
    // One allocation for length, name, data and CRC; growing from empty in three steps
    // also led GCC 12 at -O3 to warn of writes past a zero-sized buffer.
    out.reserve(4 + name.size() + data.size() + 4);
    auto put32 = [&](std::uint32_t v) {
        for (int s = 24; s >= 0; s -= 8)
            out.push_back(std::uint8_t(v >> s));
    };
    put32(std::uint32_t(data.size()));
    out.insert(out.end(), name.begin(), name.end());
    out.insert(out.end(), data.begin(), data.end());
    put32(ChunkCrc(name, data.data(), data.size()));
    return out;
}

std::vector<std::uint8_t> MakePng(const std::vector<std::vector<std::uint8_t>>& chunks)
{
    std::vector<std::uint8_t> out = {0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A};
    for (const auto& c : chunks)
        out.insert(out.end(), c.begin(), c.end());
    return out;
}

std::vector<std::uint8_t> IhdrData(std::uint32_t width, std::uint32_t height, int depth, int colorType,
                                   int interlace)
{
    std::vector<std::uint8_t> d;
    for (std::uint32_t v : {width, height})
        for (int s = 24; s >= 0; s -= 8)
            d.push_back(std::uint8_t(v >> s));
    d.push_back(std::uint8_t(depth));
    d.push_back(std::uint8_t(colorType));
    d.push_back(0);
    d.push_back(0);
    d.push_back(std::uint8_t(interlace));
    return d;
}

std::vector<std::uint8_t> Zlib(const std::vector<std::uint8_t>& raw)
{
    uLongf size = compressBound(uLong(raw.size()));
    std::vector<std::uint8_t> out(size);
    compress(out.data(), &size, raw.data(), uLong(raw.size()));
    out.resize(size);
    return out;
}

std::vector<TChunkInfo> ListChunks(const std::vector<std::uint8_t>& bytes)
{
    std::vector<TChunkInfo> out;
    std::size_t pos = 8;
    while (pos + 12 <= bytes.size()) {
        std::uint32_t len = (std::uint32_t(bytes[pos]) << 24) | (std::uint32_t(bytes[pos + 1]) << 16) |
                            (std::uint32_t(bytes[pos + 2]) << 8) | bytes[pos + 3];
        out.push_back({std::string(reinterpret_cast<const char*>(&bytes[pos + 4]), 4), len});
        pos += 12 + std::size_t(len);
    }
    return out;
}

} // namespace pngtest
