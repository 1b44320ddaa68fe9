#include "platform/memory_guard.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <mutex>
#include <utility>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include "platform/dib.h"
#include "platform/exceptions.h"

namespace {

constexpr std::int64_t kUnlimited = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t kLeastMargin = std::int64_t(256) << 20;

// Reading the figure costs a system call and some parsing; between readings the requests let
// through are subtracted from it. Frames of a few kilobytes come by the thousand, so neither
// bound may be small, and what the rest of the desktop takes meanwhile must show soon enough.
constexpr std::uint64_t kReadAfterBytes = std::uint64_t(32) << 20;
constexpr auto kReadAfterTime = std::chrono::milliseconds(200);

// The value in kB of a "Name:   123 kB" line of /proc/meminfo, in bytes; -1 when absent.
std::int64_t MeminfoValue(const char* text, const char* name)
{
    const char* at = std::strstr(text, name);
    if (!at)
        return -1;
    at += std::strlen(name);
    char* end = nullptr;
    const long long kb = std::strtoll(at, &end, 10);
    if (end == at || kb < 0)
        return -1;
    return std::int64_t(kb) * 1024;
}

struct TMeminfo {
    std::int64_t Total = -1, Available = -1;
};

TMeminfo ReadMeminfo()
{
    TMeminfo info;
    const int fd = ::open("/proc/meminfo", O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return info;
    // Both lines are among the first few.
    char text[1024];
    std::size_t size = 0;
    for (;;) {
        const ssize_t got = ::read(fd, text + size, sizeof text - 1 - size);
        if (got <= 0)
            break;
        size += std::size_t(got);
        if (size == sizeof text - 1)
            break;
    }
    ::close(fd);
    text[size] = '\0';
    info.Total = MeminfoValue(text, "MemTotal:");
    info.Available = MeminfoValue(text, "MemAvailable:");
    return info;
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

std::int64_t SystemMemoryLeft()
{
    const TMeminfo info = ReadMeminfo();
    if (info.Available < 0)
        return kUnlimited;
    // The rest of the desktop goes on growing after the program stops asking (a browser, a
    // build): the margin is room for that, so that the system need not end this process, by
    // then the largest, to make it.
    const std::int64_t margin = std::max(kLeastMargin, info.Total > 0 ? info.Total / 4 : 0);
    return info.Available - margin;
}

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
