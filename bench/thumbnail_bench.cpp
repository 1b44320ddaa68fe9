// Frame thumbnails against Qt's smooth scaling, and the JPEG picture's load into a 24-bit
// bitmap against libjpeg decoding the same bytes on its own. Both sides run on one thread (Qt
// would spread a large smooth scale over its thread pool), so the ratio compares the scalers'
// cost per core, as the other benchmarks do.
#include <benchmark/benchmark.h>
#include <jpeglib.h>

#include <QImage>
#include <QThreadPool>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <random>
#include <vector>

#include "app/resample.h"
#include "platform/bitmap.h"
#include "platform/jpeg_image.h"
#include "platform/streams.h"

#include "ratio_reporter.h"

namespace {

constexpr int Width = 1920, Height = 1080;
constexpr int ThumbWidth = 168, ThumbHeight = 108;

// Smooth gradients with fine noise, like a photograph; the same pixels in both forms.
struct TPhoto {
    TBitmap Bitmap{Width, Height, pf24bit};
    QImage Image{Width, Height, QImage::Format_RGB32};
    std::vector<BYTE> Jpeg;
    TPhoto()
    {
        std::mt19937 random(42);
        for (int y = 0; y < Height; ++y) {
            BYTE* dib = Bitmap.ScanLine(y);
            auto* q = reinterpret_cast<QRgb*>(Image.scanLine(y));
            for (int x = 0; x < Width; ++x) {
                const double fx = x / double(Width), fy = y / double(Height);
                const int n = int(random() % 7) - 3;
                const int r = std::clamp(int(128 + 100 * std::sin(fx * 6.0 + fy * 2.0)) + n, 0, 255);
                const int g = std::clamp(int(128 + 90 * std::cos(fy * 5.0 - fx * 3.0)) + n, 0, 255);
                const int b = std::clamp(int(100 + 80 * std::sin((fx + fy) * 4.0)) + n, 0, 255);
                dib[x * 3] = BYTE(b);
                dib[x * 3 + 1] = BYTE(g);
                dib[x * 3 + 2] = BYTE(r);
                q[x] = qRgb(r, g, b);
            }
        }
        TJPEGImage jpeg;
        jpeg.Assign(Bitmap);
        jpeg.SetCompressionQuality(90);
        jpeg.Compress();
        Jpeg = jpeg.Data();
    }
};

const TPhoto& Photo()
{
    static const TPhoto photo;
    return photo;
}

void BM_OursThumbnail(benchmark::State& state)
{
    const TBitmap& picture = Photo().Bitmap;
    for (auto _ : state) {
        auto thumb = MakeThumbnailBitmap(picture, ThumbWidth, ThumbHeight);
        benchmark::DoNotOptimize(thumb->Bits());
    }
}

void BM_QtSmoothThumbnail(benchmark::State& state)
{
    const QImage& picture = Photo().Image;
    for (auto _ : state) {
        QImage thumb = picture.scaled(ThumbWidth, ThumbHeight, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        benchmark::DoNotOptimize(thumb.constBits());
    }
}

// As a frame is loaded: the file's bytes in a memory stream, the JPEG picture decoded from it
// and assigned to a bitmap, which is made 24-bit.
void BM_OursJpegLoad(benchmark::State& state)
{
    const std::vector<BYTE>& bytes = Photo().Jpeg;
    for (auto _ : state) {
        TMemoryStream stream;
        stream.WriteBuffer(bytes.data(), std::int64_t(bytes.size()));
        stream.SetPosition(0);
        TBitmap picture;
        {
            TJPEGImage jpeg;
            jpeg.LoadFromStream(stream);
            picture.Assign(jpeg);
        }
        picture.SetPixelFormat(pf24bit);
        benchmark::DoNotOptimize(picture.Bits());
    }
}

void BM_LibjpegDecode(benchmark::State& state)
{
    const std::vector<BYTE>& bytes = Photo().Jpeg;
    std::vector<JSAMPLE> pixels(std::size_t(Width) * Height * 3);
    for (auto _ : state) {
        jpeg_decompress_struct info;
        jpeg_error_mgr err;
        info.err = jpeg_std_error(&err);
        jpeg_create_decompress(&info);
        jpeg_mem_src(&info, bytes.data(), static_cast<unsigned long>(bytes.size()));
        jpeg_read_header(&info, TRUE);
        jpeg_start_decompress(&info);
        while (info.output_scanline < info.output_height) {
            JSAMPROW row = pixels.data() + std::size_t(info.output_scanline) * info.output_width * 3;
            jpeg_read_scanlines(&info, &row, 1);
        }
        jpeg_finish_decompress(&info);
        jpeg_destroy_decompress(&info);
        benchmark::DoNotOptimize(pixels.data());
    }
}

BENCHMARK(BM_OursThumbnail)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QtSmoothThumbnail)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OursJpegLoad)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LibjpegDecode)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    QThreadPool::globalInstance()->setMaxThreadCount(1);
    TRatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    auto ratio = [&](const char* label, const std::string& ours, const std::string& ref) {
        if (const auto value = reporter.Ratio(ours, ref))
            std::printf("ratio %s %.2f\n", label, *value);
    };
    ratio("thumbnail_vs_qt_smooth", "BM_OursThumbnail", "BM_QtSmoothThumbnail");
    ratio("jpeg_load_vs_libjpeg", "BM_OursJpegLoad", "BM_LibjpegDecode");
    benchmark::Shutdown();
    return 0;
}
