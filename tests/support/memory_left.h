#pragma once
// The memory guard's figure of what the system has left, set by a test for as long as it
// lives; the one before comes back after.
#include <cstdint>
#include <functional>
#include <utility>

#include "platform/memory_guard.h"

namespace kelvo::test {

class TMemoryLeft {
public:
    // `bytes` are left now, and what the guard lets through from here on is taken from them:
    // exactly what a machine whose memory only the guarded requests use would answer.
    explicit TMemoryLeft(std::int64_t bytes)
        : TMemoryLeft(bytes, [] { return std::int64_t(MemoryLetThrough()); })
    {
    }
    // `bytes` are left now, and whatever `used` grows by from here on is taken from them: a
    // machine whose memory the program's real allocations use.
    TMemoryLeft(std::int64_t bytes, std::function<std::int64_t()> used)
        : previous_(SetMemoryLeftSource([bytes, used, start = used()] { return bytes - (used() - start); }))
    {
    }
    ~TMemoryLeft() { SetMemoryLeftSource(std::move(previous_)); }
    TMemoryLeft(const TMemoryLeft&) = delete;
    TMemoryLeft& operator=(const TMemoryLeft&) = delete;

private:
    TMemoryLeftSource previous_;
};

} // namespace kelvo::test
