#pragma once
// What the entry points share: the input as a stream, and the end of a run that found a fault
// the sanitizers cannot see (a file we wrote that we cannot read back).
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "platform/streams.h"

namespace fuzz {

inline void LoadInput(TMemoryStream& stream, const std::uint8_t* data, std::size_t size)
{
    if (size > 0)
        stream.WriteBuffer(data, std::int64_t(size));
    stream.SetPosition(0);
}

[[noreturn]] inline void Fault(const char* what)
{
    std::fprintf(stderr, "fuzz fault: %s\n", what);
    std::abort();
}

// Drawing and saving cost time in the pixels a picture has; beyond this many the run stops
// after loading, which is where untrusted sizes are met.
constexpr std::uint64_t MaxPixelsToRender = std::uint64_t(1) << 20;

} // namespace fuzz
