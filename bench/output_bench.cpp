// Writing a 200-frame 640x480 project as an AVI file, uncompressed and as Motion JPEG, and as
// an animated GIF with the default frame options, against ffmpeg run as a process on the same
// frames handed to it raw.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <map>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "gif/gifimage.h"
#include "output/avifunction.h"
#include "output/gif_animation.h"
#include "ratio_reporter.h"

namespace {

constexpr int Width = 640, Height = 480, FrameCount = 200, Period = 40;
constexpr int DepthBytes = 3; // a 24-bit screen: the same bytes ffmpeg gets as bgr24

std::filesystem::path WorkDir()
{
    static const std::filesystem::path dir = [] {
        auto d = std::filesystem::temp_directory_path() / ("kelvo-output-bench-" + std::to_string(::getpid()));
        std::filesystem::create_directories(d);
        return d;
    }();
    return dir;
}

// A project whose frames move and shade smoothly, with some fine texture, as photos and
// drawings do; each frame is a little smaller than the project frame and placed off the
// corner, so the white surround is written too.
const std::vector<std::unique_ptr<TBitmap>>& Project()
{
    static const auto frames = [] {
        std::vector<std::unique_ptr<TBitmap>> list;
        for (int f = 0; f < FrameCount; ++f) {
            auto b = std::make_unique<TBitmap>(Width - 40, Height - 30, pf24bit);
            for (int y = 0; y < b->Height(); ++y) {
                BYTE* row = b->ScanLine(y);
                for (int x = 0; x < b->Width(); ++x) {
                    const unsigned noise = (unsigned(x * 7919 + y * 104729 + f * 31) * 2654435761u) >> 29;
                    row[3 * x] = BYTE((x + 2 * f) / 3 + noise);
                    row[3 * x + 1] = BYTE((y * 2 + f) / 4 + noise);
                    row[3 * x + 2] = BYTE(((x - 320) * (x - 320) + (y - 240) * (y - 240) + f * 100) >> 9);
                }
            }
            list.push_back(std::move(b));
        }
        return list;
    }();
    return frames;
}

TPoint Origin(int f) { return {20 + f % 10, 15}; }

// The composed frames, top row first, as ffmpeg's raw input.
const std::filesystem::path& RawFrames()
{
    static const std::filesystem::path path = [] {
        const auto p = WorkDir() / "frames.bgr";
        std::ofstream out(p, std::ios::binary);
        for (int f = 0; f < FrameCount; ++f) {
            const TBitmap canvas = ComposeAviFrame(*Project()[std::size_t(f)], Origin(f), Width, Height, DepthBytes);
            for (int y = 0; y < Height; ++y)
                out.write(reinterpret_cast<const char*>(canvas.ScanLine(y)), Width * 3);
        }
        return p;
    }();
    return path;
}

std::vector<std::pair<std::string, std::uintmax_t>> sizes;

// The ratio reporter, also keeping the CPU time per iteration.
class TTimesReporter : public TRatioReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& r : runs)
            if (r.run_type == Run::RT_Iteration && r.iterations > 0)
                CpuTimes[r.benchmark_name()] = r.GetAdjustedCPUTime();
        TRatioReporter::ReportRuns(runs);
    }
    std::map<std::string, double> CpuTimes;
};

void RecordSize(const std::string& name, const std::filesystem::path& file)
{
    for (auto& s : sizes)
        if (s.first == name)
            return;
    sizes.emplace_back(name, std::filesystem::file_size(file));
}

class TPickHandler : public TAviSaveOptionsChooser {
public:
    explicit TPickHandler(FOURCC handler) : handler_(handler) {}
    bool Choose(void*, PAVISTREAM, AVICOMPRESSOPTIONS& options) override
    {
        options.fccHandler = handler_;
        return true;
    }

private:
    FOURCC handler_;
};

// What writing the project does: every frame onto the white project canvas, into a DIB
// section, through the writer.
void WriteProject(const std::filesystem::path& file, FOURCC handler)
{
    TPickHandler chooser(handler);
    SetAviSaveOptionsChooser(&chooser);
    AviWriter* writer = AviWriterOpen(file.string(), Period, nullptr);
    for (int f = 0; f < FrameCount && writer; ++f) {
        const TBitmap canvas = ComposeAviFrame(*Project()[std::size_t(f)], Origin(f), Width, Height, DepthBytes);
        const auto section = MakeDibSection(canvas, DepthBytes);
        if (f == 0 && AviWriterSetCompression(writer, section.get(), nullptr, true, nullptr) != AVIERR_OK)
            break;
        if (AviWriterAddFrame(writer, section.get()) != AVIERR_OK)
            break;
    }
    SetAviSaveOptionsChooser(nullptr);
    if (!writer || writer->frameCount != FrameCount) {
        std::fprintf(stderr, "writing %s failed\n", file.c_str());
        std::exit(1);
    }
    AviWriterClose(writer);
}

void BM_OursAvi(benchmark::State& state, FOURCC handler, const char* name)
{
    Project();
    const auto file = WorkDir() / (std::string("ours_") + name + ".avi");
    for (auto _ : state)
        WriteProject(file, handler);
    state.SetItemsProcessed(state.iterations() * FrameCount);
    RecordSize(std::string("avi_") + name + "_ours", file);
}

void BM_FfmpegAvi(benchmark::State& state, const char* codec, const char* name)
{
    const auto file = WorkDir() / (std::string("ffmpeg_") + name + ".avi");
    const std::string command = "ffmpeg -nostdin -v error -y -f rawvideo -pix_fmt bgr24 -s " + std::to_string(Width) +
                                "x" + std::to_string(Height) + " -r " + std::to_string(1000 / Period) + " -i '" +
                                RawFrames().string() + "' -c:v " + codec + " '" + file.string() + "'";
    for (auto _ : state) {
        if (std::system(command.c_str()) != 0) {
            state.SkipWithError("ffmpeg failed");
            return;
        }
    }
    state.SetItemsProcessed(state.iterations() * FrameCount);
    RecordSize(std::string("avi_") + name + "_ffmpeg", file);
}

// What the create command does for a GIF: every frame converted with the options a new frame
// gets, placed, timed, and the image saved; the frames converted and encoded on one thread or
// on as many as there are cores (0).
void BM_OursGif(benchmark::State& state, unsigned threads)
{
    Project();
    const auto file = WorkDir() / "ours.gif";
    const GIFOPTIONS defaults{0, 7, 8, 0, 0, clWhite, 0, false};
    std::vector<TGifAnimationFrame> frames;
    for (int f = 0; f < FrameCount; ++f) {
        const TBitmap& b = *Project()[std::size_t(f)];
        frames.push_back({&b, WORD(Period), defaults, MYRECT{Origin(f).X, Origin(f).Y, b.Width(), b.Height()}});
    }
    for (auto _ : state) {
        TGIFImage gif;
        // The save encodes the frames on as many threads as the conversion uses.
        gif.SaveThreads = threads;
        TGifAnimationOptions options;
        options.Threads = threads;
        BuildGifAnimation(gif, frames, options);
        gif.SaveToFile(file.string());
    }
    state.SetItemsProcessed(state.iterations() * FrameCount);
    RecordSize(threads == 1 ? "gif_ours_one_thread" : "gif_ours", file);
}

void BM_FfmpegGif(benchmark::State& state)
{
    const auto file = WorkDir() / "ffmpeg.gif";
    const std::string command = "ffmpeg -nostdin -v error -y -f rawvideo -pix_fmt bgr24 -s " + std::to_string(Width) +
                                "x" + std::to_string(Height) + " -r " + std::to_string(1000 / Period) + " -i '" +
                                RawFrames().string() + "' -f gif '" + file.string() + "'";
    for (auto _ : state) {
        if (std::system(command.c_str()) != 0) {
            state.SkipWithError("ffmpeg failed");
            return;
        }
    }
    state.SetItemsProcessed(state.iterations() * FrameCount);
    RecordSize("gif_ffmpeg", file);
}

BENCHMARK_CAPTURE(BM_OursAvi, raw, comptypeDIB, "raw")->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2);
BENCHMARK_CAPTURE(BM_FfmpegAvi, raw, "rawvideo", "raw")->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2);
BENCHMARK_CAPTURE(BM_OursAvi, mjpeg, comptypeMJPG, "mjpeg")->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2);
BENCHMARK_CAPTURE(BM_FfmpegAvi, mjpeg, "mjpeg", "mjpeg")->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2);
// The process's CPU time, so that the threads' work shows next to the time it took.
BENCHMARK_CAPTURE(BM_OursGif, one_thread, 1u)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime()->MinTime(2);
BENCHMARK_CAPTURE(BM_OursGif, all_cores, 0u)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime()->MinTime(2);
BENCHMARK(BM_FfmpegGif)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2);

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (std::system("command -v ffmpeg >/dev/null 2>&1") != 0)
        std::fprintf(stderr, "ffmpeg is not installed: only our side runs\n");
    TTimesReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    auto ratio = [&](const char* label, const std::string& ours, const std::string& ref) {
        if (const auto value = reporter.Ratio(ours, ref))
            std::printf("ratio %s %.2f\n", label, *value);
    };
    ratio("avi_raw_vs_ffmpeg", "BM_OursAvi/raw/min_time:2.000/real_time", "BM_FfmpegAvi/raw/min_time:2.000/real_time");
    ratio("avi_mjpeg_vs_ffmpeg", "BM_OursAvi/mjpeg/min_time:2.000/real_time", "BM_FfmpegAvi/mjpeg/min_time:2.000/real_time");
    const std::string oneThread = "BM_OursGif/one_thread/min_time:2.000/process_time/real_time";
    const std::string allCores = "BM_OursGif/all_cores/min_time:2.000/process_time/real_time";
    ratio("gif_vs_ffmpeg", allCores, "BM_FfmpegGif/min_time:2.000/real_time");
    // Frames per second of the whole write, and how many cores were busy on average: the CPU
    // time of the process over the time it took.
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    for (const auto& [name, label] : {std::pair{oneThread, std::string("one_thread")},
                                      std::pair{allCores, "all_cores_" + std::to_string(cores)}}) {
        const auto real = reporter.Times.find(name);
        const auto cpu = reporter.CpuTimes.find(name);
        if (real == reporter.Times.end() || real->second <= 0)
            continue;
        // The times are in the benchmarks' unit, milliseconds.
        std::printf("fps gif_%s %.1f\n", label.c_str(), FrameCount * 1000.0 / real->second);
        if (cpu != reporter.CpuTimes.end())
            std::printf("cpu gif_%s cores_busy %.2f\n", label.c_str(), cpu->second / real->second);
    }
    ratio("gif_all_cores_vs_one_thread", allCores, oneThread);
    for (const auto& [name, bytes] : sizes)
        std::printf("size %s %ju\n", name.c_str(), bytes);
    std::error_code ec;
    std::filesystem::remove_all(WorkDir(), ec);
    benchmark::Shutdown();
    return 0;
}
