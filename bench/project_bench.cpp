// Opening a 500-frame project of 640x480 pictures (BMP, then JPEG) through the window's
// project reader, against decoding the same picture files one after another with the
// graphics layer's bare loaders. The difference is what a project costs beyond its pictures:
// thumbnails, frame bitmaps, strip cells.
//
// Before those, the memory a 1000-frame project of 640x480 pictures costs at its peak while it
// opens, everything included, against its frame bitmaps' own bytes; the budget is one and a
// half times those bytes.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QCoreApplication>
#include <QEvent>

#include <malloc.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "app/createavi.h"
#include "app/start_platform.h"
#include "platform/jpeg_image.h"
#include "platform/registry.h"
#include "platform/streams.h"
#include "ratio_reporter.h"

namespace {

constexpr int Width = 640, Height = 480, FrameCount = 500;
constexpr int MemoryFrameCount = 1000;
constexpr double MemoryBudget = 1.5;

std::filesystem::path WorkDir()
{
    static const std::filesystem::path dir = [] {
        auto d = std::filesystem::temp_directory_path() / ("kelvo-project-bench-" + std::to_string(::getpid()));
        std::filesystem::create_directories(d);
        return d;
    }();
    return dir;
}

// Smooth shading with some fine texture, different in every frame.
TBitmap Picture(int f)
{
    TBitmap b(Width, Height, pf24bit);
    for (int y = 0; y < Height; ++y) {
        BYTE* row = b.ScanLine(y);
        for (int x = 0; x < Width; ++x) {
            const unsigned noise = (unsigned(x * 7919 + y * 104729 + f * 31) * 2654435761u) >> 29;
            row[3 * x] = BYTE((x + 2 * f) / 3 + noise);
            row[3 * x + 1] = BYTE((y * 2 + f) / 4 + noise);
            row[3 * x + 2] = BYTE(((x - 320) * (x - 320) + (y - 240) * (y - 240) + f * 100) >> 9);
        }
    }
    return b;
}

struct TProject {
    std::string File;
    std::vector<std::string> Pictures;
};

TProject MakeProject(const std::string& ext, int frameCount = FrameCount, const std::string& name = "")
{
    TProject p;
    p.File = (WorkDir() / (name + ext + ".mcp")).string();
    std::ofstream out(p.File);
    out << "[Parameters]\nWidth=" << Width << "\nHeight=" << Height << "\nStretch=0\nType=0\nTime=40\n[Files]\n";
    for (int f = 0; f < frameCount; ++f) {
        const std::string path = (WorkDir() / (name + "frame" + std::to_string(f) + "." + ext)).string();
        const TBitmap picture = Picture(f);
        if (ext == "bmp") {
            picture.SaveToFile(path);
        } else {
            TJPEGImage jpeg;
            jpeg.Assign(picture);
            jpeg.SetCompressionQuality(90);
            jpeg.SaveToFile(path);
        }
        p.Pictures.push_back(path);
        out << "File_" << f + 1 << "=" << path << "\n";
    }
    return p;
}

const TProject& BmpProject()
{
    static const TProject p = MakeProject("bmp");
    return p;
}

const TProject& JpegProject()
{
    static const TProject p = MakeProject("jpg");
    return p;
}

TAVIForm& Window()
{
    static TAVIForm* form = [] {
        SetRegistryStorePath(WorkDir() / "registry.ini");
        return new TAVIForm();
    }();
    return *form;
}

// Kilobytes of a line of /proc/self/status ("VmRSS", "VmHWM"); -1 when it cannot be read.
long StatusKilobytes(const std::string& key)
{
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line))
        if (line.compare(0, key.size() + 1, key + ":") == 0)
            return std::strtol(line.c_str() + key.size() + 1, nullptr, 10);
    return -1;
}

// Starts the peak resident size over from the present one, so that a peak reached earlier
// in the run (the memory check's) does not hide the next one.
bool ResetPeak()
{
    std::ofstream out("/proc/self/clear_refs");
    out << "5";
    out.flush();
    return bool(out);
}

long PeakKilobytes()
{
    if (const long peak = StatusKilobytes("VmHWM"); peak >= 0)
        return peak;
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

void OpenProject(benchmark::State& state, const TProject& project)
{
    TAVIForm& form = Window();
    ResetPeak();
    const long before = PeakKilobytes();
    for (auto _ : state) {
        form.ReadProjectFile(project.File);
        if (form.FrameCount() != std::size_t(FrameCount))
            state.SkipWithError("frames were lost");
    }
    state.counters["peak_kb_per_frame"] = double(PeakKilobytes() - before) / FrameCount;
    state.SetItemsProcessed(std::int64_t(state.iterations()) * FrameCount);
}

void BM_ProjectOpenBmp(benchmark::State& state) { OpenProject(state, BmpProject()); }
void BM_ProjectOpenJpeg(benchmark::State& state) { OpenProject(state, JpegProject()); }

void BM_DecodeBmp(benchmark::State& state)
{
    const TProject& project = BmpProject();
    for (auto _ : state)
        for (const std::string& path : project.Pictures) {
            TBitmap picture;
            picture.LoadFromFile(path);
            picture.SetPixelFormat(pf24bit);
            benchmark::DoNotOptimize(picture.ScanLine(0));
        }
    state.SetItemsProcessed(std::int64_t(state.iterations()) * FrameCount);
}

void BM_DecodeJpeg(benchmark::State& state)
{
    const TProject& project = JpegProject();
    for (auto _ : state)
        for (const std::string& path : project.Pictures) {
            TMemoryStream stream;
            stream.LoadFromFile(path);
            stream.SetPosition(0);
            TJPEGImage jpeg;
            jpeg.LoadFromStream(stream);
            TBitmap picture;
            picture.Assign(jpeg);
            picture.SetPixelFormat(pf24bit);
            benchmark::DoNotOptimize(picture.ScanLine(0));
        }
    state.SetItemsProcessed(std::int64_t(state.iterations()) * FrameCount);
}

void SettleEvents()
{
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// Opens the 1000-frame project in a window of its own and prints its peak per frame and
// against the frame bitmaps; the peak counts from just before the open, so what the process
// held already is left out.
void CheckProjectMemory()
{
    const TProject project = MakeProject("jpg", MemoryFrameCount, "memory");
    SetRegistryStorePath(WorkDir() / "registry.ini");
    auto form = std::make_unique<TAVIForm>();
    SettleEvents();
    malloc_trim(0);
    const long before = StatusKilobytes("VmRSS");
    if (before < 0 || !ResetPeak()) {
        std::fprintf(stderr, "the resident size of the process cannot be read: no memory check\n");
        return;
    }
    form->ReadProjectFile(project.File);
    SettleEvents();
    const long peak = StatusKilobytes("VmHWM");
    if (form->FrameCount() != std::size_t(MemoryFrameCount)) {
        std::fprintf(stderr, "the project opened with %zu of its %d frames: no memory check\n", form->FrameCount(),
                     MemoryFrameCount);
        return;
    }
    double bitmapBytes = 0;
    for (std::size_t f = 0; f < form->FrameCount(); ++f) {
        const TBitmap& b = *form->FrameBitmaps.at(f);
        bitmapBytes += double(b.BytesPerScanLine()) * b.Height();
    }
    const double peakBytes = double(peak - before) * 1024;
    const TBitmap& first = *form->FrameBitmaps.at(0);
    std::printf("memory project_open %d frames, frame bitmaps %dx%d of %d bits\n", MemoryFrameCount, first.Width(),
                first.Height(), first.BitsPerPixel());
    std::printf("memory project_open_frame_bitmap_bytes_per_frame %.0f\n", bitmapBytes / MemoryFrameCount);
    std::printf("memory project_open_peak_bytes_per_frame %.0f\n", peakBytes / MemoryFrameCount);
    std::printf("memory project_open_peak_vs_frame_bitmaps %.2f (budget %.2f)\n", peakBytes / bitmapBytes,
                MemoryBudget);
    // Above 1 the open stays inside its budget.
    std::printf("ratio project_open_memory_budget %.2f\n", MemoryBudget * bitmapBytes / peakBytes);
    form.reset();
    SettleEvents();
    std::error_code ec;
    std::filesystem::remove(project.File, ec);
    for (const std::string& path : project.Pictures)
        std::filesystem::remove(path, ec);
}

BENCHMARK(BM_DecodeBmp)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ProjectOpenBmp)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_DecodeJpeg)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ProjectOpenJpeg)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

int main(int argc, char** argv)
{
    // The window is never shown; it needs a GUI application all the same.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    StartPlatform();
    benchmark::Initialize(&argc, argv);
    // First, before the benchmarks have grown the heap.
    CheckProjectMemory();
    TRatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    auto ratio = [&](const char* label, const std::string& ours, const std::string& ref) {
        if (const auto value = reporter.Ratio(ours, ref))
            std::printf("ratio %s %.2f\n", label, *value);
    };
    ratio("project_open_bmp_vs_decode", "BM_ProjectOpenBmp/iterations:3", "BM_DecodeBmp/iterations:3");
    ratio("project_open_jpeg_vs_decode", "BM_ProjectOpenJpeg/iterations:3", "BM_DecodeJpeg/iterations:3");
    benchmark::Shutdown();
    std::error_code ec;
    std::filesystem::remove_all(WorkDir(), ec);
    return 0;
}
