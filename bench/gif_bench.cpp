// GIF decoding and encoding against giflib on frames made here: a 640x480 animation of 100
// frames (gradients with noise) and one 1920x1080 frame of photo-like content. Both sides
// code the same indices with the same colour table in the same run.
#include <benchmark/benchmark.h>
#include <gif_lib.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "gif/gifimage.h"

#include "ratio_reporter.h"

namespace {

using Bytes = std::vector<BYTE>;

struct TFrames {
    int Width = 0;
    int Height = 0;
    std::vector<Bytes> Frames;
};

TFrames MakeAnimation()
{
    TFrames f;
    f.Width = 640;
    f.Height = 480;
    unsigned state = 12345;
    for (int n = 0; n < 100; ++n) {
        Bytes p(std::size_t(f.Width) * std::size_t(f.Height));
        for (int y = 0; y < f.Height; ++y)
            for (int x = 0; x < f.Width; ++x) {
                state = state * 1103515245u + 12345u;
                const int noise = int((state >> 16) & 7);
                p[std::size_t(y) * std::size_t(f.Width) + std::size_t(x)] =
                    BYTE(((x + n * 4) / 3 + y / 5 + noise) & 0xFF);
            }
        f.Frames.push_back(std::move(p));
    }
    return f;
}

TFrames MakePhoto()
{
    TFrames f;
    f.Width = 1920;
    f.Height = 1080;
    Bytes p(std::size_t(f.Width) * std::size_t(f.Height));
    unsigned state = 777;
    for (int y = 0; y < f.Height; ++y)
        for (int x = 0; x < f.Width; ++x) {
            state = state * 1103515245u + 12345u;
            const double v = 110 + 60 * std::sin(x / 97.0) * std::cos(y / 61.0) + 40 * std::sin((x + y) / 300.0) +
                             double((state >> 16) % 9) - 4;
            p[std::size_t(y) * std::size_t(f.Width) + std::size_t(x)] = BYTE(std::lround(std::fmin(255, std::fmax(0, v))));
        }
    f.Frames.push_back(std::move(p));
    return f;
}

const TFrames& Animation()
{
    static const TFrames f = MakeAnimation();
    return f;
}

const TFrames& Photo()
{
    static const TFrames f = MakePhoto();
    return f;
}

TGIFColor Entry(int i)
{
    return TGIFColor{BYTE(i), BYTE(255 - i), BYTE((i * 5) & 0xFF)};
}

// ---- ours --------------------------------------------------------------------------------

void BuildImage(TGIFImage& image, const TFrames& frames)
{
    TGIFColor table[256];
    for (int i = 0; i < 256; ++i)
        table[i] = Entry(i);
    image.GetColorMap().ImportColorMap(table, 256);
    for (const Bytes& pixels : frames.Frames) {
        auto* frame = new TGIFSubImage(&image);
        image.Add(frame);
        frame->SetBoundsRect(Bounds(0, 0, frames.Width, frames.Height));
        std::memcpy(frame->Data(), pixels.data(), pixels.size());
    }
}

Bytes OursEncode(const TGIFImage& image)
{
    TMemoryStream stream;
    image.SaveToStream(stream);
    return stream.Bytes();
}

// ---- giflib ------------------------------------------------------------------------------

int WriteToMemory(GifFileType* gif, const GifByteType* buffer, int count)
{
    auto* out = static_cast<Bytes*>(gif->UserData);
    out->insert(out->end(), buffer, buffer + count);
    return count;
}

struct TReader {
    const Bytes* Data;
    std::size_t Pos = 0;
};

int ReadFromMemory(GifFileType* gif, GifByteType* buffer, int count)
{
    auto* r = static_cast<TReader*>(gif->UserData);
    const std::size_t n = std::min<std::size_t>(std::size_t(count), r->Data->size() - r->Pos);
    std::memcpy(buffer, r->Data->data() + r->Pos, n);
    r->Pos += n;
    return int(n);
}

Bytes GiflibEncode(const TFrames& frames)
{
    Bytes out;
    out.reserve(1 << 20);
    int error = 0;
    GifFileType* gif = EGifOpen(&out, WriteToMemory, &error);
    GifColorType colors[256];
    for (int i = 0; i < 256; ++i) {
        const TGIFColor e = Entry(i);
        colors[i] = GifColorType{e.Red, e.Green, e.Blue};
    }
    ColorMapObject* map = GifMakeMapObject(256, colors);
    EGifPutScreenDesc(gif, frames.Width, frames.Height, 8, 0, map);
    for (const Bytes& pixels : frames.Frames) {
        EGifPutImageDesc(gif, 0, 0, frames.Width, frames.Height, false, nullptr);
        for (int y = 0; y < frames.Height; ++y)
            EGifPutLine(gif, const_cast<GifPixelType*>(pixels.data()) + std::size_t(y) * std::size_t(frames.Width),
                        frames.Width);
    }
    EGifCloseFile(gif, &error);
    GifFreeMapObject(map);
    return out;
}

int GiflibDecode(const Bytes& bytes)
{
    TReader reader{&bytes};
    int error = 0;
    GifFileType* gif = DGifOpen(&reader, ReadFromMemory, &error);
    DGifSlurp(gif);
    const int count = gif->ImageCount;
    DGifCloseFile(gif, &error);
    return count;
}

// ---- benchmarks --------------------------------------------------------------------------

std::int64_t PixelCount(const TFrames& f)
{
    return std::int64_t(f.Width) * f.Height * std::int64_t(f.Frames.size());
}

void BM_OursDecode(benchmark::State& state, const TFrames& (*frames)())
{
    TGIFImage source;
    BuildImage(source, frames());
    const Bytes bytes = OursEncode(source);
    TMemoryStream stream;
    stream.WriteBuffer(bytes.data(), std::int64_t(bytes.size()));
    for (auto _ : state) {
        stream.SetPosition(0);
        TGIFImage image;
        image.LoadFromStream(stream);
        benchmark::DoNotOptimize(image.Images().GetImage(0)->Data());
    }
    state.SetItemsProcessed(state.iterations() * PixelCount(frames()));
}

void BM_GiflibDecode(benchmark::State& state, const TFrames& (*frames)())
{
    TGIFImage source;
    BuildImage(source, frames());
    const Bytes bytes = OursEncode(source);
    for (auto _ : state)
        benchmark::DoNotOptimize(GiflibDecode(bytes));
    state.SetItemsProcessed(state.iterations() * PixelCount(frames()));
}

void BM_OursEncode(benchmark::State& state, const TFrames& (*frames)())
{
    TGIFImage image;
    BuildImage(image, frames());
    // giflib codes on one thread; so do we here, so the ratio compares the coders per core.
    image.SaveThreads = 1;
    for (auto _ : state) {
        TMemoryStream stream;
        image.SaveToStream(stream);
        benchmark::DoNotOptimize(stream.Memory());
    }
    state.SetItemsProcessed(state.iterations() * PixelCount(frames()));
}

void BM_GiflibEncode(benchmark::State& state, const TFrames& (*frames)())
{
    frames();
    for (auto _ : state) {
        Bytes out = GiflibEncode(frames());
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(state.iterations() * PixelCount(frames()));
}

BENCHMARK_CAPTURE(BM_OursDecode, animation, Animation)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_GiflibDecode, animation, Animation)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_OursDecode, photo, Photo)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_GiflibDecode, photo, Photo)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_OursEncode, animation, Animation)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_GiflibEncode, animation, Animation)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_OursEncode, photo, Photo)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_GiflibEncode, photo, Photo)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    TRatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    // Each comparison is the geometric mean of its two data sets, so that neither the long
    // animation nor the single large frame alone decides it.
    auto ratio = [&](const char* label, const std::string& ours, const std::string& ref) {
        double product = 1;
        int n = 0;
        for (const char* set : {"animation", "photo"}) {
            const auto value = reporter.Ratio(ours + "/" + set, ref + "/" + set);
            if (!value)
                continue;
            std::printf("ratio %s_%s %.2f\n", label, set, *value);
            product *= *value;
            ++n;
        }
        if (n > 0)
            std::printf("ratio %s %.2f\n", label, std::pow(product, 1.0 / n));
    };
    ratio("gif_decode_vs_giflib", "BM_OursDecode", "BM_GiflibDecode");
    ratio("gif_encode_vs_giflib", "BM_OursEncode", "BM_GiflibEncode");
    benchmark::Shutdown();
    return 0;
}
