// PNG decoding and encoding, ours against libpng on the same images, zlib level and filter;
// decoding also against libspng when it is installed.
#include <benchmark/benchmark.h>
#include <png.h>
#include <zlib.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#ifdef KELVO_HAVE_SPNG
#include <spng.h>
#endif

#include "platform/bitmap.h"
#include "png/pngimage.h"

#include "ratio_reporter.h"

namespace {

constexpr int Level = 6;

struct TImage {
    int Width = 0, Height = 0;
    bool Palette = false;
    std::vector<png_byte> Rows;      // libpng's layout: RGB or indices, top-down
    std::vector<png_color> Colors;   // palette images
    TBitmap Bitmap;                  // the same pixels for us
};

// Smooth gradients with fine noise, like a photograph.
TImage MakePhoto()
{
    TImage im;
    im.Width = 1920;
    im.Height = 1080;
    im.Rows.resize(std::size_t(im.Width) * im.Height * 3);
    im.Bitmap = TBitmap(im.Width, im.Height, pf24bit);
    std::mt19937 random(42);
    for (int y = 0; y < im.Height; ++y) {
        BYTE* dib = im.Bitmap.ScanLine(y);
        for (int x = 0; x < im.Width; ++x) {
            double fx = x / 1920.0, fy = y / 1080.0;
            int n = int(random() % 7) - 3;
            int r = int(128 + 100 * std::sin(fx * 6.0 + fy * 2.0)) + n;
            int g = int(128 + 90 * std::cos(fy * 5.0 - fx * 3.0)) + n;
            int b = int(100 + 80 * std::sin((fx + fy) * 4.0)) + n;
            BYTE c[3] = {BYTE(std::clamp(r, 0, 255)), BYTE(std::clamp(g, 0, 255)), BYTE(std::clamp(b, 0, 255))};
            png_byte* p = &im.Rows[(std::size_t(y) * im.Width + x) * 3];
            p[0] = c[0];
            p[1] = c[1];
            p[2] = c[2];
            dib[x * 3] = c[2];
            dib[x * 3 + 1] = c[1];
            dib[x * 3 + 2] = c[0];
        }
    }
    return im;
}

TImage MakePaletteImage()
{
    TImage im;
    im.Width = 640;
    im.Height = 480;
    im.Palette = true;
    im.Rows.resize(std::size_t(im.Width) * im.Height);
    im.Bitmap = TBitmap(im.Width, im.Height, pf8bit);
    std::vector<TRGBQuad> table(256);
    im.Colors.resize(256);
    for (int i = 0; i < 256; ++i) {
        BYTE r = BYTE(i * 7), g = BYTE(255 - i), b = BYTE(i * 3);
        table[std::size_t(i)] = TRGBQuad{b, g, r, 0};
        im.Colors[std::size_t(i)] = png_color{r, g, b};
    }
    im.Bitmap.SetColorTable(table);
    std::mt19937 random(7);
    for (int y = 0; y < im.Height; ++y) {
        BYTE* dib = im.Bitmap.ScanLine(y);
        for (int x = 0; x < im.Width; ++x) {
            int v = ((x / 16) ^ (y / 16)) * 9 + int(random() % 4);
            dib[x] = BYTE(v);
            im.Rows[std::size_t(y) * im.Width + x] = BYTE(v);
        }
    }
    return im;
}

const TImage& Photo()
{
    static TImage im = MakePhoto();
    return im;
}
const TImage& PaletteImage()
{
    static TImage im = MakePaletteImage();
    return im;
}

void WriteToVector(png_structp p, png_bytep data, png_size_t n)
{
    auto out = static_cast<std::vector<png_byte>*>(png_get_io_ptr(p));
    out->insert(out->end(), data, data + n);
}
void NoFlush(png_structp) {}

std::vector<png_byte> LibpngEncode(const TImage& im)
{
    std::vector<png_byte> out;
    png_structp p = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(p);
    if (setjmp(png_jmpbuf(p))) {
        png_destroy_write_struct(&p, &info);
        return {};
    }
    png_set_write_fn(p, &out, WriteToVector, NoFlush);
    png_set_IHDR(p, info, png_uint_32(im.Width), png_uint_32(im.Height), 8,
                 im.Palette ? PNG_COLOR_TYPE_PALETTE : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (im.Palette)
        png_set_PLTE(p, info, im.Colors.data(), int(im.Colors.size()));
    png_set_compression_level(p, Level);
    png_set_compression_strategy(p, Z_DEFAULT_STRATEGY);
    png_set_compression_buffer_size(p, 65535);
    png_set_filter(p, 0, PNG_FILTER_SUB);
    png_write_info(p, info);
    std::size_t stride = std::size_t(im.Width) * (im.Palette ? 1 : 3);
    for (int y = 0; y < im.Height; ++y)
        png_write_row(p, const_cast<png_byte*>(&im.Rows[std::size_t(y) * stride]));
    png_write_end(p, info);
    png_destroy_write_struct(&p, &info);
    return out;
}

struct TReadSource {
    const std::vector<png_byte>* Bytes;
    std::size_t Pos;
};
void ReadFromVector(png_structp p, png_bytep out, png_size_t n)
{
    auto src = static_cast<TReadSource*>(png_get_io_ptr(p));
    if (src->Pos + n > src->Bytes->size())
        png_error(p, "short");
    std::memcpy(out, src->Bytes->data() + src->Pos, n);
    src->Pos += n;
}

void LibpngDecode(const std::vector<png_byte>& bytes, std::vector<png_byte>& pixels)
{
    png_structp p = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(p);
    TReadSource src{&bytes, 0};
    if (setjmp(png_jmpbuf(p))) {
        png_destroy_read_struct(&p, &info, nullptr);
        return;
    }
    png_set_read_fn(p, &src, ReadFromVector);
    png_read_info(p, info);
    png_uint_32 w = png_get_image_width(p, info), h = png_get_image_height(p, info);
    std::size_t stride = png_get_rowbytes(p, info);
    pixels.resize(stride * h);
    for (png_uint_32 y = 0; y < h; ++y)
        png_read_row(p, &pixels[y * stride], nullptr);
    png_read_end(p, nullptr);
    png_destroy_read_struct(&p, &info, nullptr);
    (void)w;
}

std::unique_ptr<TPNGObject> OurPicture(const TImage& im)
{
    auto png = std::make_unique<TPNGObject>();
    png->Assign(im.Bitmap);
    png->SetCompressionLevel(Level);
    png->Filters = TFilters{pfSub};
    return png;
}

void BM_OursEncode(benchmark::State& state, const TImage& (*image)())
{
    auto png = OurPicture(image());
    for (auto _ : state) {
        TMemoryStream out;
        png->SaveToStream(out);
        benchmark::DoNotOptimize(out.Memory());
    }
}

void BM_LibpngEncode(benchmark::State& state, const TImage& (*image)())
{
    const TImage& im = image();
    for (auto _ : state) {
        auto out = LibpngEncode(im);
        benchmark::DoNotOptimize(out.data());
    }
}

void BM_OursDecode(benchmark::State& state, const TImage& (*image)())
{
    auto bytes = LibpngEncode(image());
    TMemoryStream in;
    in.Write(bytes.data(), std::int64_t(bytes.size()));
    TPNGObject png;
    for (auto _ : state) {
        in.SetPosition(0);
        png.LoadFromStream(in);
        benchmark::DoNotOptimize(png.GetScanline(0));
    }
}

void BM_LibpngDecode(benchmark::State& state, const TImage& (*image)())
{
    auto bytes = LibpngEncode(image());
    std::vector<png_byte> pixels;
    for (auto _ : state) {
        LibpngDecode(bytes, pixels);
        benchmark::DoNotOptimize(pixels.data());
    }
}

#ifdef KELVO_HAVE_SPNG
// Into the file's own layout, as libpng decodes above: RGB triples or palette indices.
void BM_SpngDecode(benchmark::State& state, const TImage& (*image)())
{
    auto bytes = LibpngEncode(image());
    std::vector<unsigned char> pixels;
    for (auto _ : state) {
        spng_ctx* ctx = spng_ctx_new(0);
        std::size_t size = 0;
        if (!ctx || spng_set_png_buffer(ctx, bytes.data(), bytes.size()) != 0 ||
            spng_decoded_image_size(ctx, SPNG_FMT_PNG, &size) != 0) {
            spng_ctx_free(ctx);
            state.SkipWithError("libspng refused the image");
            break;
        }
        pixels.resize(size);
        if (spng_decode_image(ctx, pixels.data(), size, SPNG_FMT_PNG, 0) != 0)
            state.SkipWithError("libspng could not decode the image");
        spng_ctx_free(ctx);
        benchmark::DoNotOptimize(pixels.data());
    }
}
BENCHMARK_CAPTURE(BM_SpngDecode, rgb, Photo)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_SpngDecode, palette, PaletteImage)->Unit(benchmark::kMillisecond);
#endif

BENCHMARK_CAPTURE(BM_OursDecode, rgb, Photo)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_LibpngDecode, rgb, Photo)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_OursDecode, palette, PaletteImage)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_LibpngDecode, palette, PaletteImage)->Unit(benchmark::kMillisecond);
// Encoding is nearly all deflate, the same for both, so the difference is small: several
// iterations keep one disturbed run from deciding it.
BENCHMARK_CAPTURE(BM_OursEncode, rgb, Photo)->Unit(benchmark::kMillisecond)->MinTime(3);
BENCHMARK_CAPTURE(BM_LibpngEncode, rgb, Photo)->Unit(benchmark::kMillisecond)->MinTime(3);
BENCHMARK_CAPTURE(BM_OursEncode, palette, PaletteImage)->Unit(benchmark::kMillisecond)->MinTime(1);
BENCHMARK_CAPTURE(BM_LibpngEncode, palette, PaletteImage)->Unit(benchmark::kMillisecond)->MinTime(1);

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    TRatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    auto ratio = [&](const char* label, const std::string& ours, const std::string& ref) {
        if (const auto value = reporter.Ratio(ours, ref))
            std::printf("ratio %s %.2f\n", label, *value);
    };
    ratio("png_decode_rgb_vs_libpng", "BM_OursDecode/rgb", "BM_LibpngDecode/rgb");
    ratio("png_decode_palette_vs_libpng", "BM_OursDecode/palette", "BM_LibpngDecode/palette");
    ratio("png_decode_rgb_vs_libspng", "BM_OursDecode/rgb", "BM_SpngDecode/rgb");
    ratio("png_decode_palette_vs_libspng", "BM_OursDecode/palette", "BM_SpngDecode/palette");
    ratio("png_encode_rgb_vs_libpng", "BM_OursEncode/rgb/min_time:3.000", "BM_LibpngEncode/rgb/min_time:3.000");
    ratio("png_encode_palette_vs_libpng", "BM_OursEncode/palette/min_time:1.000",
          "BM_LibpngEncode/palette/min_time:1.000");
    benchmark::Shutdown();
    return 0;
}
