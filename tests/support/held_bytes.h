#pragma once
// The counts of the counting operators new and delete that allocation_count.h puts in a test
// program: what any file of that program may read, the operators being in one file only.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <new>

namespace kelvo::test {

inline std::atomic<std::int64_t> heldBytes{0};
inline std::atomic<std::int64_t> peakBytes{0};
constexpr std::size_t AllocationHeader = 16;

inline void* CountedNew(std::size_t n)
{
    // A byte more than asked, so that what an empty allocation answers points inside its
    // block: the leak checker takes a pointer to a block's end for no pointer to it.
    void* p = std::malloc(n + AllocationHeader + 1);
    if (!p)
        throw std::bad_alloc();
    *static_cast<std::size_t*>(p) = n;
    const std::int64_t now = heldBytes += std::int64_t(n);
    std::int64_t peak = peakBytes.load();
    while (now > peak && !peakBytes.compare_exchange_weak(peak, now)) {
    }
    return static_cast<char*>(p) + AllocationHeader;
}

inline void CountedDelete(void* p) noexcept
{
    if (!p)
        return;
    char* base = static_cast<char*>(p) - AllocationHeader;
    heldBytes -= std::int64_t(*reinterpret_cast<std::size_t*>(base));
    std::free(base);
}

// The bytes held now.
inline std::int64_t HeldBytes() { return heldBytes.load(); }

// The most bytes held at once while f ran, above what was held when it started.
template <typename F>
std::int64_t PeakGrowth(F&& f)
{
    const std::int64_t start = heldBytes.load();
    peakBytes = start;
    f();
    return peakBytes.load() - start;
}

} // namespace kelvo::test
