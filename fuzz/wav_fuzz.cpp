// WAV images of any shape through the chunk walker: whatever the layout says, every byte it
// points at must lie inside the image.
// fuzz-sources: src/output/wave_file.cpp
// fuzz-libs: kelvo_platform
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "output/wave_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    TWaveMemorySource source(data, size);
    TWaveLayout layout;
    if (ReadWaveLayout(source, layout) != 0)
        return 0;
    if (layout.DataOffset > size || layout.DataSize > size - layout.DataOffset)
        std::abort();
    // Touch the data the writer would copy, so a sanitizer sees any read past the end.
    volatile std::uint8_t sum = 0;
    for (std::uint64_t i = 0; i < layout.DataSize; i += 997)
        sum = std::uint8_t(sum + data[layout.DataOffset + i]);
    if (layout.DataSize)
        sum = std::uint8_t(sum + data[layout.DataOffset + layout.DataSize - 1]);
    (void)CheckWaveFormat(layout.Format);
    (void)WaveLayoutDurationMs(layout);
    return 0;
}
