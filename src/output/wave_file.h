#pragma once
// Reading the layout of a WAV file: the RIFF chunks are walked with every size checked
// against the bytes really there, so a short, padded or oddly ordered file is read as far
// as it goes and a lying size can never send a read outside the file.
#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "platform/types.h"

#pragma pack(push, 1)
struct WAVEFORMATEX {
    WORD wFormatTag = 0;
    WORD nChannels = 0;
    DWORD nSamplesPerSec = 0;
    DWORD nAvgBytesPerSec = 0;
    WORD nBlockAlign = 0;
    WORD wBitsPerSample = 0;
    WORD cbSize = 0;
    friend bool operator==(const WAVEFORMATEX&, const WAVEFORMATEX&) = default;
};
#pragma pack(pop)
static_assert(sizeof(WAVEFORMATEX) == 18);

constexpr WORD WAVE_FORMAT_PCM = 1;

// The multimedia file I/O's error codes, as the messages show them.
constexpr int MMIOERR_CANNOTOPEN = 259;
constexpr int MMIOERR_CANNOTREAD = 261;
constexpr int MMIOERR_CANNOTSEEK = 263;
constexpr int MMIOERR_CHUNKNOTFOUND = 265;

// Where the bytes come from: a memory image or an open file, read at absolute offsets.
class TWaveSource {
public:
    virtual ~TWaveSource() = default;
    virtual std::uint64_t Size() const = 0;
    // Reads exactly count bytes at offset; false when they are not all there.
    virtual bool ReadAt(std::uint64_t offset, void* into, std::size_t count) = 0;
};

class TWaveMemorySource : public TWaveSource {
public:
    TWaveMemorySource(const void* data, std::size_t size) : data_(static_cast<const BYTE*>(data)), size_(size) {}
    std::uint64_t Size() const override { return size_; }
    bool ReadAt(std::uint64_t offset, void* into, std::size_t count) override;

private:
    const BYTE* data_;
    std::size_t size_;
};

// Does not own the file.
class TWaveFileSource : public TWaveSource {
public:
    explicit TWaveFileSource(std::FILE* file);
    std::uint64_t Size() const override { return size_; }
    bool ReadAt(std::uint64_t offset, void* into, std::size_t count) override;

private:
    std::FILE* file_;
    std::uint64_t size_ = 0;
};

struct TWaveLayout {
    WAVEFORMATEX Format;      // extra size 0 unless the format chunk holds one
    bool HasFact = false;
    DWORD FactSamples = 0;    // the fact chunk's sample count
    std::uint64_t DataOffset = 0;
    DWORD DataSize = 0;       // clamped to the bytes present
};

// Walks the first RIFF chunk (its form type is not examined). Chunks other than 'fmt ',
// 'fact' and 'data' are skipped wherever they stand; the first of each counts. Answers 0,
// MMIOERR_CHUNKNOTFOUND when the file is no RIFF file or lacks the format or data chunk, or
// MMIOERR_CANNOTREAD when the format chunk is shorter than the 16 bytes every format has.
int ReadWaveLayout(TWaveSource& source, TWaveLayout& layout);

// 0 when the samples can be counted and written by this format, else the bad-format code
// 0x80044066: no channels, no rate or a block align of 0.
std::int32_t CheckWaveFormat(const WAVEFORMATEX& format);

// The length in milliseconds, truncated: from the fact chunk's sample count for compressed
// formats, else from the data size. -1 when a rate, channel count or sample size needed
// for it is 0.
std::int64_t WaveLayoutDurationMs(const TWaveLayout& layout);
