#include "platform/memory_guard.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <mutex>
#include <string_view>
#include <utility>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include "platform/dib.h"
#include "platform/exceptions.h"

namespace {

constexpr std::int64_t kUnlimited = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t kMiB = std::int64_t(1) << 20;

// The machine's reserve. A user-space out-of-memory daemon starts ending processes, by default,
// once less than a tenth of the memory is available (the kernel's own killer only near none):
// the reserve sits a little above that line, so that the program refuses before anything else
// is ended. On small machines a tenth is no room for the desktop, hence the floor; the ceiling
// of an eighth keeps the margin above the line in proportion on machines of a few gigabytes.
constexpr std::int64_t kLeastReserve = 256 * kMiB;
constexpr std::int64_t kReserveAboveTheLine = 128 * kMiB;

// cgroup v1 writes "no limit" as the largest page-aligned value; no machine has 2^60 bytes.
constexpr std::int64_t kNoCgroupLimit = std::int64_t(1) << 60;
// Bounds the reading however deep the hierarchy or long the files.
constexpr int kMostCgroupLevels = 64;
constexpr std::size_t kStatBytes = 8 << 10;

// Reading the figure costs a system call and some parsing; between readings the requests let
// through are subtracted from it. Frames of a few kilobytes come by the thousand, so neither
// bound may be small, and what the rest of the desktop takes meanwhile must show soon enough.
constexpr std::uint64_t kReadAfterBytes = std::uint64_t(32) << 20;
constexpr auto kReadAfterTime = std::chrono::milliseconds(200);

// A path built in place: the figure is read often enough that it should not allocate. Too long
// a path reads as a missing file.
class TPath {
public:
    TPath() { text_[0] = '\0'; }
    TPath& operator<<(std::string_view part)
    {
        if (part.size() >= sizeof text_ - size_)
            overflow_ = true;
        // An empty part may have no characters at all to copy from (the real root's).
        if (!overflow_ && !part.empty()) {
            std::memcpy(text_ + size_, part.data(), part.size());
            size_ += part.size();
            text_[size_] = '\0';
        }
        return *this;
    }
    const char* Text() const { return overflow_ ? nullptr : text_; }

private:
    char text_[PATH_MAX];
    std::size_t size_ = 0;
    bool overflow_ = false;
};

// The start of a file, as text, into `text`. A longer file is cut after its last whole line,
// so that no number is read cut short. False when it cannot be read.
bool ReadText(const char* path, char* text, std::size_t capacity)
{
    if (!path)
        return false;
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    std::size_t size = 0;
    bool failed = false;
    while (size < capacity - 1) {
        const ssize_t got = ::read(fd, text + size, capacity - 1 - size);
        if (got < 0)
            failed = true;
        if (got <= 0)
            break;
        size += std::size_t(got);
    }
    ::close(fd);
    if (size == capacity - 1)
        while (size > 0 && text[size - 1] != '\n')
            --size;
    text[size] = '\0';
    return !failed;
}

// The count at the start of `text`; -1 when there is none or it is past what 63 bits hold.
std::int64_t CountOf(const char* text)
{
    char* end = nullptr;
    errno = 0;
    const long long value = std::strtoll(text, &end, 10);
    if (end == text || value < 0 || errno == ERANGE)
        return -1;
    return std::int64_t(value);
}

// The value of a "name value" line (memory.stat) or a "name: value" one (/proc/meminfo); -1
// when no line starts with `name`.
std::int64_t LineValue(const char* text, std::string_view name)
{
    for (const char* line = text; *line; ++line) {
        if (std::strncmp(line, name.data(), name.size()) == 0 &&
            (line[name.size()] == ' ' || line[name.size()] == ':'))
            return CountOf(line + name.size() + 1);
        line = std::strchr(line, '\n');
        if (!line)
            break;
    }
    return -1;
}

std::int64_t ReadCount(const TPath& path)
{
    char text[64];
    return ReadText(path.Text(), text, sizeof text) ? CountOf(text) : -1;
}

// A cgroup limit file: "max", a value past any machine's memory, or no file at all set none.
std::int64_t ReadLimit(const TPath& path)
{
    const std::int64_t limit = ReadCount(path);
    return limit < 0 || limit >= kNoCgroupLimit ? kUnlimited : limit;
}

// The machine's room.
std::int64_t MachineMemoryLeft(std::string_view root)
{
    char text[1024]; // both lines are among the first few
    if (!ReadText((TPath() << root << "/proc/meminfo").Text(), text, sizeof text))
        return kUnlimited;
    const std::int64_t totalKiB = LineValue(text, "MemTotal");
    const std::int64_t availableKiB = LineValue(text, "MemAvailable");
    constexpr std::int64_t mostKiB = kNoCgroupLimit / 1024;
    if (availableKiB < 0 || availableKiB >= mostKiB)
        return kUnlimited;
    std::int64_t reserve = kLeastReserve;
    if (totalKiB > 0 && totalKiB < mostKiB) {
        const std::int64_t total = totalKiB * 1024;
        reserve = std::max(kLeastReserve, std::min(total / 10 + kReserveAboveTheLine, total / 8));
    }
    return availableKiB * 1024 - reserve;
}

// Where the two cgroup versions keep a level's limits and use.
struct TCgroupFiles {
    std::string_view Mount; // under <root>/sys/fs/cgroup
    std::string_view Limits[2];
    std::string_view Usage;
    // Page cache the kernel takes back before it ends anything, out of memory.stat.
    std::int64_t (*Reclaimable)(const char* stat);
};

constexpr TCgroupFiles kCgroupV2{
    "", {"memory.max", "memory.high"}, "memory.current", [](const char* stat) {
        return std::max<std::int64_t>(0, LineValue(stat, "active_file")) +
               std::max<std::int64_t>(0, LineValue(stat, "inactive_file"));
    }};
// v1's working set, as the tools that watch v1 containers count it, is the usage less the
// inactive file pages; the hierarchical figure covers the level's children, as the usage does.
constexpr TCgroupFiles kCgroupV1{
    "/memory", {"memory.limit_in_bytes", {}}, "memory.usage_in_bytes", [](const char* stat) {
        const std::int64_t total = LineValue(stat, "total_inactive_file");
        return std::max<std::int64_t>(0, total >= 0 ? total : LineValue(stat, "inactive_file"));
    }};

// One level's room; kUnlimited where it has no limit, or one whose use cannot be read.
std::int64_t CgroupLevelLeft(const TCgroupFiles& files, std::string_view root, std::string_view level)
{
    const auto path = [&](std::string_view name) {
        return TPath() << root << "/sys/fs/cgroup" << files.Mount << level << "/" << name;
    };
    std::int64_t limit = kUnlimited;
    for (std::string_view name : files.Limits)
        if (!name.empty())
            limit = std::min(limit, ReadLimit(path(name)));
    if (limit == kUnlimited)
        return kUnlimited;
    std::int64_t usage = ReadCount(path(files.Usage));
    if (usage < 0 || usage >= kNoCgroupLimit)
        return kUnlimited;
    char stat[kStatBytes];
    if (ReadText(path("memory.stat").Text(), stat, sizeof stat))
        usage = std::max<std::int64_t>(0, usage - files.Reclaimable(stat));
    return limit - usage - limit / 10;
}

// The memory cgroup's room: the least over the process's level and its ancestors, since any
// of them may be the one whose limit is reached. Inside a container the path named may not
// exist under the mount; its levels read as unlimited and the root of the mount still counts.
std::int64_t CgroupMemoryLeft(std::string_view root)
{
    char text[8 << 10];
    if (!ReadText((TPath() << root << "/proc/self/cgroup").Text(), text, sizeof text))
        return kUnlimited;
    // "id:controllers:path" lines. A v1 hierarchy that holds the memory controller is the
    // one that limits memory, also where v2 is mounted beside it.
    const TCgroupFiles* files = nullptr;
    std::string_view path;
    for (std::string_view rest = text; !rest.empty() && files != &kCgroupV1;) {
        const std::size_t end = std::min(rest.find('\n'), rest.size());
        const std::string_view line = rest.substr(0, end);
        rest.remove_prefix(std::min(end + 1, rest.size()));
        const std::size_t first = line.find(':');
        const std::size_t second = first == line.npos ? line.npos : line.find(':', first + 1);
        if (second == line.npos)
            continue;
        const std::string_view id = line.substr(0, first);
        std::string_view controllers = line.substr(first + 1, second - first - 1);
        if (id == "0" && controllers.empty()) {
            files = &kCgroupV2;
            path = line.substr(second + 1);
        }
        while (!controllers.empty()) {
            const std::size_t comma = std::min(controllers.find(','), controllers.size());
            if (controllers.substr(0, comma) == "memory") {
                files = &kCgroupV1;
                path = line.substr(second + 1);
                break;
            }
            controllers.remove_prefix(std::min(comma + 1, controllers.size()));
        }
    }
    if (!files)
        return kUnlimited;
    std::int64_t left = kUnlimited;
    std::string_view level = path;
    for (int i = 0; i < kMostCgroupLevels; ++i) {
        while (!level.empty() && level.back() == '/')
            level.remove_suffix(1);
        left = std::min(left, CgroupLevelLeft(*files, root, level));
        if (level.empty())
            break;
        const std::size_t slash = level.rfind('/');
        level = slash == level.npos ? std::string_view() : level.substr(0, slash);
    }
    return left;
}

std::int64_t SystemMemoryLeftUnder(std::string_view root)
{
    return std::min(MachineMemoryLeft(root), CgroupMemoryLeft(root));
}

struct TGuard {
    std::mutex Mutex;
    TMemoryLeftSource Source;
    bool Read = false;
    std::int64_t Left = 0; // at the last reading
    std::uint64_t TakenSince = 0;
    std::chrono::steady_clock::time_point ReadAt;
    std::atomic<std::uint64_t> LetThrough{0};

    std::int64_t ReadNow()
    {
        Left = Source ? Source() : SystemMemoryLeft();
        TakenSince = 0;
        ReadAt = std::chrono::steady_clock::now();
        Read = true;
        return Left;
    }
};

TGuard& Guard()
{
    static TGuard guard;
    return guard;
}

bool Fits(std::int64_t left, std::uint64_t taken, std::uint64_t bytes)
{
    if (left == kUnlimited)
        return true;
    if (left < 0)
        return false;
    const std::uint64_t room = std::uint64_t(left);
    return taken <= room && bytes <= room - taken;
}

} // namespace

std::int64_t SystemMemoryLeft() { return SystemMemoryLeftUnder({}); }

std::int64_t SystemMemoryLeft(const std::string& root) { return SystemMemoryLeftUnder(root); }

TMemoryLeftSource SetMemoryLeftSource(TMemoryLeftSource source)
{
    TGuard& guard = Guard();
    std::lock_guard<std::mutex> lock(guard.Mutex);
    std::swap(guard.Source, source);
    guard.Read = false;
    return source;
}

void ReserveMemory(std::uint64_t bytes)
{
    // Nothing asked for is nothing taken, however short the system is.
    if (bytes == 0)
        return;
    TGuard& guard = Guard();
    std::lock_guard<std::mutex> lock(guard.Mutex);
    const bool stale = !guard.Read || guard.TakenSince >= kReadAfterBytes ||
                       std::chrono::steady_clock::now() - guard.ReadAt >= kReadAfterTime;
    if (stale || !Fits(guard.Left, guard.TakenSince, bytes)) {
        if (!Fits(guard.ReadNow(), 0, bytes)) {
#if defined(__GLIBC__)
            // Memory this process freed may still sit in the C library's heap, where the
            // system does not count it as available: give it back and look again.
            malloc_trim(0);
#endif
            if (!Fits(guard.ReadNow(), 0, bytes))
                throw EOutOfMemory(SOutOfMemory);
        }
    }
    guard.TakenSince += bytes;
    guard.LetThrough.fetch_add(bytes, std::memory_order_relaxed);
}

std::uint64_t BitmapMemoryBytes(int width, int height, int bitsPerPixel)
{
    if (width <= 0 || height <= 0)
        return 0;
    return std::uint64_t(DIBBytesPerRow(width, bitsPerPixel)) * std::uint64_t(height);
}

void ReserveBitmapMemory(int width, int height, int bitsPerPixel)
{
    ReserveMemory(BitmapMemoryBytes(width, height, bitsPerPixel));
}

std::uint64_t MemoryLetThrough() { return Guard().LetThrough.load(std::memory_order_relaxed); }
