#include "output/wave_file.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr DWORD FourCC(const char (&s)[5])
{
    return DWORD(BYTE(s[0])) | DWORD(BYTE(s[1])) << 8 | DWORD(BYTE(s[2])) << 16 | DWORD(BYTE(s[3])) << 24;
}

DWORD Le32(const BYTE* p) { return DWORD(p[0]) | DWORD(p[1]) << 8 | DWORD(p[2]) << 16 | DWORD(p[3]) << 24; }
WORD Le16(const BYTE* p) { return WORD(p[0] | p[1] << 8); }

} // namespace

bool TWaveMemorySource::ReadAt(std::uint64_t offset, void* into, std::size_t count)
{
    if (offset > size_ || count > size_ - offset)
        return false;
    if (count)
        std::memcpy(into, data_ + offset, count);
    return true;
}

TWaveFileSource::TWaveFileSource(std::FILE* file) : file_(file)
{
    if (std::fseek(file_, 0, SEEK_END) == 0) {
        const long end = std::ftell(file_);
        size_ = end > 0 ? std::uint64_t(end) : 0;
    }
}

bool TWaveFileSource::ReadAt(std::uint64_t offset, void* into, std::size_t count)
{
    if (offset > size_ || count > size_ - offset)
        return false;
    if (std::fseek(file_, long(offset), SEEK_SET) != 0)
        return false;
    return std::fread(into, 1, count, file_) == count;
}

int ReadWaveLayout(TWaveSource& source, TWaveLayout& layout)
{
    layout = TWaveLayout{};
    BYTE header[12];
    if (!source.ReadAt(0, header, sizeof header) || Le32(header) != FourCC("RIFF"))
        return MMIOERR_CHUNKNOTFOUND;
    // A RIFF size beyond the file's end is believed only as far as the bytes go.
    const std::uint64_t riffEnd = std::min<std::uint64_t>(8 + std::uint64_t(Le32(header + 4)), source.Size());

    bool haveFormat = false, haveData = false;
    std::uint64_t pos = 12;
    while (pos + 8 <= riffEnd) {
        BYTE chunk[8];
        if (!source.ReadAt(pos, chunk, sizeof chunk))
            break;
        const DWORD id = Le32(chunk);
        const std::uint64_t size = Le32(chunk + 4);
        const std::uint64_t body = pos + 8;
        const std::uint64_t present = riffEnd - body;
        if (id == FourCC("fmt ") && !haveFormat) {
            if (size < 16 || present < 16)
                return MMIOERR_CANNOTREAD;
            BYTE f[18] = {};
            const std::size_t take = std::size_t(std::min<std::uint64_t>({size, present, 18}));
            if (!source.ReadAt(body, f, take))
                return MMIOERR_CANNOTREAD;
            layout.Format.wFormatTag = Le16(f);
            layout.Format.nChannels = Le16(f + 2);
            layout.Format.nSamplesPerSec = Le32(f + 4);
            layout.Format.nAvgBytesPerSec = Le32(f + 8);
            layout.Format.nBlockAlign = Le16(f + 12);
            layout.Format.wBitsPerSample = Le16(f + 14);
            layout.Format.cbSize = take >= 18 ? Le16(f + 16) : 0;
            haveFormat = true;
        } else if (id == FourCC("fact") && !layout.HasFact && size >= 4 && present >= 4) {
            BYTE f[4];
            if (source.ReadAt(body, f, 4)) {
                layout.HasFact = true;
                layout.FactSamples = Le32(f);
            }
        } else if (id == FourCC("data") && !haveData) {
            layout.DataOffset = body;
            layout.DataSize = DWORD(std::min(size, present));
            haveData = true;
        }
        pos = body + size + (size & 1);
    }
    if (!haveFormat || !haveData)
        return MMIOERR_CHUNKNOTFOUND;
    return 0;
}

std::int32_t CheckWaveFormat(const WAVEFORMATEX& format)
{
    if (format.nChannels == 0 || format.nSamplesPerSec == 0 || format.nBlockAlign == 0)
        return std::int32_t(0x80044066);
    return 0;
}

std::int64_t WaveLayoutDurationMs(const TWaveLayout& layout)
{
    const WAVEFORMATEX& f = layout.Format;
    if (layout.HasFact && f.wFormatTag != WAVE_FORMAT_PCM) {
        if (f.nSamplesPerSec == 0)
            return -1;
        return std::int64_t(std::uint64_t(layout.FactSamples) * 1000 / f.nSamplesPerSec);
    }
    // bits x channels x rate reaches 2^64 in the worst case, so the division is done wide.
    const unsigned __int128 divisor =
        (unsigned __int128)f.wBitsPerSample * f.nChannels * f.nSamplesPerSec;
    if (divisor == 0)
        return -1;
    return std::int64_t((unsigned __int128)layout.DataSize * 8000 / divisor);
}
