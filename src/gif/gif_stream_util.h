#pragma once
// Small reading and writing helpers shared by the block classes.
#include <algorithm>
#include <string>
#include <vector>

#include "gif/gif_types.h"
#include "platform/streams.h"

class TGIFColorMap;

namespace gif_io {

// A buffer of n pixels of the value; allocation failure raises "Failed to allocate memory
// for GIF DIB".
std::vector<BYTE> AllocatePixels(std::size_t n, BYTE value);
// Frame row of each stored row of an interlaced frame of this height.
std::vector<int> InterlacedRowOrder(int height);
// Puts the rows of an interlaced frame, stored pass by pass, in their places.
void DeinterlaceRows(BYTE* pixels, int width, int height);

// count entries of 3 bytes; raises "Premature end of data" when short.
void ReadColorTable(TStream& stream, TGIFColorMap& map, int count);
// The entries, padded with black up to a power of two; nothing for an empty table.
void WriteColorTable(TStream& stream, const TGIFColorMap& map);

// False at the end of the stream.
inline bool ReadByte(TStream& stream, BYTE& b)
{
    return stream.Read(&b, 1) == 1;
}

// The next byte without consuming it; -1 at the end.
inline int PeekByte(TStream& stream)
{
    BYTE b = 0;
    if (stream.Read(&b, 1) != 1)
        return -1;
    stream.Seek(-1, soCurrent);
    return b;
}

// Raises "Premature end of data" when the stream holds fewer bytes.
inline void ReadCheck(TStream& stream, void* buffer, std::int64_t count)
{
    if (count > 0 && stream.Read(buffer, count) != count)
        RaiseGIFError(sOutOfData);
}

inline void WriteByte(TStream& stream, BYTE b)
{
    stream.WriteBuffer(&b, 1);
}

inline void WriteWord(TStream& stream, WORD w)
{
    const BYTE b[2] = {BYTE(w), BYTE(w >> 8)};
    stream.WriteBuffer(b, 2);
}

// Skips data sub-blocks up to and including the 0 terminator (or the end of the stream).
inline void SkipSubBlocks(TStream& stream)
{
    BYTE count = 0;
    while (ReadByte(stream, count) && count != 0) {
        const std::int64_t before = stream.Position();
        if (stream.Seek(count, soCurrent) - before < count)
            break;
    }
}

// Every data sub-block up to the terminator becomes one string.
inline void ReadStrings(TStream& stream, std::vector<std::string>& list)
{
    list.clear();
    BYTE count = 0;
    char buffer[255];
    while (ReadByte(stream, count) && count != 0) {
        const std::int64_t n = stream.Read(buffer, count);
        list.emplace_back(buffer, std::size_t(n));
        if (n < count)
            break;
    }
}

// Each string as sub-blocks of at most 255 bytes, then one terminator for the list.
inline void WriteStrings(TStream& stream, const std::vector<std::string>& list)
{
    for (const std::string& s : list) {
        std::size_t pos = 0;
        while (pos < s.size()) {
            const std::size_t n = std::min<std::size_t>(255, s.size() - pos);
            WriteByte(stream, BYTE(n));
            stream.WriteBuffer(s.data() + pos, std::int64_t(n));
            pos += n;
        }
    }
    WriteByte(stream, 0);
}

} // namespace gif_io
