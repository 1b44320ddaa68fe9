// Reducing a photo-like 1920x1080 picture to 256 colours: our octree with Floyd-Steinberg
// against libimagequant (default speed, default dithering) and ImageMagick's quantizer with
// Floyd-Steinberg. Every library runs on one thread so that the ratios compare the algorithms'
// cost per core.
#include <benchmark/benchmark.h>
#include <libimagequant.h>

#include <Magick++.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "gif/color_reduction.h"
#include "platform/bitmap.h"

#include "ratio_reporter.h"

namespace {

constexpr int Width = 1920;
constexpr int Height = 1080;

// Smooth gradients and soft shapes with sensor-like noise: many thousands of distinct colours
// with the local coherence of a photograph.
const std::vector<unsigned char>& PhotoRGB()
{
    static const std::vector<unsigned char> rgb = [] {
        std::vector<unsigned char> data(std::size_t(Width) * Height * 3);
        std::mt19937 random(1234);
        std::normal_distribution<double> noise(0.0, 4.0);
        struct Blob { double X, Y, R, Red, Green, Blue; };
        std::vector<Blob> blobs;
        std::uniform_real_distribution<double> u(0.0, 1.0);
        for (int i = 0; i < 40; ++i)
            blobs.push_back({u(random) * Width, u(random) * Height, 40 + u(random) * 260,
                             u(random) * 255, u(random) * 255, u(random) * 255});
        for (int y = 0; y < Height; ++y)
            for (int x = 0; x < Width; ++x) {
                double r = 90 + 70 * std::sin(x * 0.004 + y * 0.002);
                double g = 110 + 60 * std::cos(y * 0.006 - x * 0.001);
                double b = 140 + 80 * std::sin((x + y) * 0.003 + 1.0);
                for (const Blob& blob : blobs) {
                    const double dx = x - blob.X, dy = y - blob.Y;
                    const double w = std::exp(-(dx * dx + dy * dy) / (blob.R * blob.R));
                    r += (blob.Red - r) * w * 0.8;
                    g += (blob.Green - g) * w * 0.8;
                    b += (blob.Blue - b) * w * 0.8;
                }
                const auto clamp = [](double v) { return (unsigned char)(v < 0 ? 0 : v > 255 ? 255 : v); };
                unsigned char* p = &data[(std::size_t(y) * Width + x) * 3];
                p[0] = clamp(r + noise(random));
                p[1] = clamp(g + noise(random));
                p[2] = clamp(b + noise(random));
            }
        return data;
    }();
    return rgb;
}

const TBitmap& PhotoBitmap()
{
    static const TBitmap bitmap = [] {
        TBitmap b(Width, Height, pf24bit);
        const auto& rgb = PhotoRGB();
        for (int y = 0; y < Height; ++y) {
            BYTE* row = b.ScanLine(y);
            const unsigned char* in = &rgb[std::size_t(y) * Width * 3];
            for (int x = 0; x < Width; ++x) {
                row[x * 3] = in[x * 3 + 2];
                row[x * 3 + 1] = in[x * 3 + 1];
                row[x * 3 + 2] = in[x * 3];
            }
        }
        return b;
    }();
    return bitmap;
}

const std::vector<unsigned char>& PhotoRGBA()
{
    static const std::vector<unsigned char> rgba = [] {
        const auto& rgb = PhotoRGB();
        std::vector<unsigned char> data(std::size_t(Width) * Height * 4);
        for (std::size_t i = 0; i < std::size_t(Width) * Height; ++i) {
            data[i * 4] = rgb[i * 3];
            data[i * 4 + 1] = rgb[i * 3 + 1];
            data[i * 4 + 2] = rgb[i * 3 + 2];
            data[i * 4 + 3] = 255;
        }
        return data;
    }();
    return rgba;
}

// PSNR of an RGB result against the original.
double Psnr(const std::vector<unsigned char>& rgb)
{
    const auto& original = PhotoRGB();
    double sum = 0;
    for (std::size_t i = 0; i < original.size(); ++i) {
        const double d = double(original[i]) - double(rgb[i]);
        sum += d * d;
    }
    const double mse = sum / double(original.size());
    return mse == 0 ? 99.0 : 10.0 * std::log10(255.0 * 255.0 / mse);
}

std::map<std::string, double> PsnrOf;

std::vector<unsigned char> OursOnce()
{
    const auto reduced = ReduceColors(PhotoBitmap(), rmQuantize, dmFloydSteinberg, 8);
    std::vector<unsigned char> rgb(std::size_t(Width) * Height * 3);
    const auto& table = reduced->ColorTableRef();
    for (int y = 0; y < Height; ++y) {
        const BYTE* row = reduced->ScanLine(y);
        for (int x = 0; x < Width; ++x) {
            const TRGBQuad& c = table[row[x]];
            unsigned char* p = &rgb[(std::size_t(y) * Width + x) * 3];
            p[0] = c.rgbRed;
            p[1] = c.rgbGreen;
            p[2] = c.rgbBlue;
        }
    }
    return rgb;
}

void BM_Ours(benchmark::State& state)
{
    PhotoBitmap();
    for (auto _ : state) {
        auto reduced = ReduceColors(PhotoBitmap(), rmQuantize, dmFloydSteinberg, 8);
        benchmark::DoNotOptimize(reduced.get());
    }
    PsnrOf["ours"] = Psnr(OursOnce());
}

std::vector<unsigned char> LiqOnce(bool keepResult)
{
    liq_attr* attr = liq_attr_create();
    liq_image* image = liq_image_create_rgba(attr, PhotoRGBA().data(), Width, Height, 0);
    liq_result* result = nullptr;
    std::vector<unsigned char> rgb;
    if (liq_image_quantize(image, attr, &result) == LIQ_OK) {
        liq_set_dithering_level(result, 1.0f);
        std::vector<unsigned char> indices(std::size_t(Width) * Height);
        liq_write_remapped_image(result, image, indices.data(), indices.size());
        benchmark::DoNotOptimize(indices.data());
        if (keepResult) {
            const liq_palette* palette = liq_get_palette(result);
            rgb.resize(indices.size() * 3);
            for (std::size_t i = 0; i < indices.size(); ++i) {
                const liq_color& c = palette->entries[indices[i]];
                rgb[i * 3] = c.r;
                rgb[i * 3 + 1] = c.g;
                rgb[i * 3 + 2] = c.b;
            }
        }
        liq_result_destroy(result);
    }
    liq_image_destroy(image);
    liq_attr_destroy(attr);
    return rgb;
}

void BM_LibImageQuant(benchmark::State& state)
{
    PhotoRGBA();
    for (auto _ : state)
        LiqOnce(false);
    PsnrOf["libimagequant"] = Psnr(LiqOnce(true));
}

std::vector<unsigned char> MagickOnce(bool keepResult)
{
    Magick::Image image(Width, Height, "RGB", Magick::CharPixel, PhotoRGB().data());
    image.quantizeColors(256);
    image.quantizeDither(true);
    image.quantizeDitherMethod(MagickCore::FloydSteinbergDitherMethod);
    image.quantize();
    std::vector<unsigned char> rgb;
    if (keepResult) {
        rgb.resize(std::size_t(Width) * Height * 3);
        image.write(0, 0, Width, Height, "RGB", Magick::CharPixel, rgb.data());
    }
    return rgb;
}

void BM_ImageMagick(benchmark::State& state)
{
    PhotoRGB();
    for (auto _ : state)
        MagickOnce(false);
    PsnrOf["imagemagick"] = Psnr(MagickOnce(true));
}

BENCHMARK(BM_Ours)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_LibImageQuant)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_ImageMagick)->Unit(benchmark::kMillisecond)->MinTime(2.0);

} // namespace

int main(int argc, char** argv)
{
    setenv("OMP_NUM_THREADS", "1", 1); // before any library starts its thread pool
    Magick::InitializeMagick(*argv);
    Magick::ResourceLimits::thread(1);
    benchmark::Initialize(&argc, argv);
    TRatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const std::string suffix = "/min_time:2.000";
    if (const auto value = reporter.Ratio("BM_Ours" + suffix, "BM_LibImageQuant" + suffix))
        std::printf("ratio reduce_vs_libimagequant %.2f\n", *value);
    if (const auto value = reporter.Ratio("BM_Ours" + suffix, "BM_ImageMagick" + suffix))
        std::printf("ratio reduce_vs_imagemagick %.2f\n", *value);
    for (const char* name : {"ours", "libimagequant", "imagemagick"})
        if (PsnrOf.count(name))
            std::printf("psnr %s %.2f\n", name, PsnrOf[name]);
    benchmark::Shutdown();
    return 0;
}
