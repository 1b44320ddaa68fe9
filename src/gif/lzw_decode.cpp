// LZW decoding of a frame's data sub-blocks into one byte per pixel.
//
// Well-formed data takes the fast path: every table entry is the string of an earlier code
// plus one pixel, and that string was written to the output at a known place just before
// the pixel; so an entry is kept as the place and length of its string, and decoding a code
// copies those bytes forward (the copy overlaps only by the one pixel that the code adds to
// itself). Damaged data (a code beyond the next free one, a first code after a clear that
// is no single pixel) makes entries whose strings were never written out, so from there to
// the next clear the decoder walks the classic prefix/suffix table instead, which every
// common decoder uses and which shows such frames the way they do. The output is the pixels
// in stream order; every copy is clamped to the room the caller gave.
#include <algorithm>
#include <bit>
#include <cstring>
#include <vector>

#include "gif/gif_stream_util.h"
#include "gif/lzw.h"

namespace {

static_assert(std::endian::native == std::endian::little,
              "short strings are stored as the bytes of an integer, first pixel lowest");

constexpr int TableSize = 4096;
// A walk through at most every entry, ending in a string of at most every entry, and the
// pixel pushed before it.
constexpr int StackSize = 2 * TableSize + 2;
// What ReadCode answers at the end of the data: above every code, so that the one range
// test of the hot loop turns it away too.
constexpr int NoCode = 0x10000;
// Sub-block data is gathered into one run of this many bytes, so that a code is read with
// one unaligned load whichever blocks its bits came in.
constexpr std::size_t DataSize = 4096;
constexpr std::size_t NoBlock = ~std::size_t(0);

inline std::uint64_t Load64(const BYTE* p)
{
    std::uint64_t v;
    std::memcpy(&v, p, 8);
    return v;
}

class TDecoder {
public:
    TDecoder(TStream& stream, const TLZWDecodeTarget& target) : stream_(stream), target_(target) {}
    std::size_t Run();

private:
    void Warn(int id)
    {
        if (target_.Warning)
            target_.Warning(id);
    }
    void SkipRest();

    // NoCode at the end of the data.
    int ReadCode()
    {
        if (bitPos_ + std::uint64_t(codeWidth_) > limit_)
            return ReadCodeSlow();
        const int code = int((Load64(data_ + (bitPos_ >> 3)) >> (bitPos_ & 7)) & ((1u << codeWidth_) - 1));
        bitPos_ += std::uint64_t(codeWidth_);
        return code;
    }
    int ReadCodeSlow();
    void Fill();
    void SetLimit()
    {
        limit_ = 8 * std::uint64_t(shortAt_ != NoBlock && !shortWarned_ ? shortAt_ : dataEnd_);
    }

    TStream& stream_;
    const TLZWDecodeTarget& target_;

    // The data of the sub-blocks read so far and not yet used, and the next bit to read.
    // Blocks are read ahead, but what the data's end means (the warnings about a block cut
    // short or too few bits) is told only when a code reaches that far, as a reader going
    // block by block would.
    BYTE data_[DataSize + 16];
    std::size_t dataEnd_ = 0;
    std::uint64_t bitPos_ = 0;
    std::uint64_t limit_ = 0; // a code ending at or before this bit needs no look at the end
    std::size_t shortAt_ = NoBlock; // where a block the stream's end cut short begins
    bool shortWarned_ = false;
    std::int64_t shortMissing_ = 0; // what that block lacks
    bool lastBlockSeen_ = false; // the 0 terminator has been read (or the stream ended)
    int codeWidth_ = 0;

    // Every entry keeps where its string was written and how long it is; strings of up to
    // eight pixels are also kept whole, so that they are written with one store and the
    // next entry is made without reading the output back.
    std::uint64_t string_[TableSize];
    std::uint32_t start_[TableSize];
    std::uint16_t length_[TableSize];
    // Entries made while walking damaged data, as prefix code and last pixel.
    std::uint16_t prefix_[TableSize];
    BYTE suffix_[TableSize];
    BYTE stack_[StackSize];
};

void TDecoder::Fill()
{
    const std::size_t used = std::size_t(bitPos_ >> 3);
    const std::size_t keep = dataEnd_ - used;
    std::memmove(data_, data_ + used, keep);
    bitPos_ &= 7;
    dataEnd_ = keep;
    while (!lastBlockSeen_ && dataEnd_ + 255 <= DataSize) {
        BYTE count = 0;
        if (stream_.Read(&count, 1) != 1 || count == 0) {
            lastBlockSeen_ = true;
            break;
        }
        const std::int64_t n = stream_.Read(data_ + dataEnd_, count);
        if (n < count) {
            // The stream has ended; nothing can follow this block.
            shortAt_ = dataEnd_;
            shortMissing_ = count - (n > 0 ? n : 0);
            lastBlockSeen_ = true;
        }
        dataEnd_ += std::size_t(n > 0 ? n : 0);
    }
    std::memset(data_ + dataEnd_, 0, 8);
    SetLimit();
}

int TDecoder::ReadCodeSlow()
{
    if (!lastBlockSeen_)
        Fill();
    const std::uint64_t end = bitPos_ + std::uint64_t(codeWidth_);
    if (end > limit_ && shortAt_ != NoBlock && !shortWarned_) {
        Warn(sOutOfData);
        shortWarned_ = true;
        SetLimit();
    }
    if (end > limit_) {
        if (bitPos_ == 8 * std::uint64_t(dataEnd_))
            Warn(sDecodeTooFewBits);
        return NoCode;
    }
    return ReadCode();
}

void TDecoder::SkipRest()
{
    if (!lastBlockSeen_)
        gif_io::SkipSubBlocks(stream_);
    else if (shortAt_ != NoBlock && !shortWarned_)
        // A cut block the codes never reached is skipped, not read, when the data is read
        // block by block; the position lands where its count says, past the stream's end.
        stream_.Seek(shortMissing_, soCurrent);
    lastBlockSeen_ = true;
}

std::size_t TDecoder::Run()
{
    BYTE codeSize = 0;
    if (stream_.Read(&codeSize, 1) != 1)
        return 0;
    if (codeSize > 11)
        RaiseGIFError(sInvalidData);
    const std::size_t total = target_.Capacity;
    BYTE* const out = target_.Pixels;
    if (total == 0 || !out) {
        SkipRest();
        return 0;
    }

    const int clearCode = 1 << codeSize;
    const int endCode = clearCode + 1;
    const int initialWidth = codeSize + 1;
    for (int i = 0; i < clearCode; ++i) {
        string_[i] = BYTE(i);
        length_[i] = 1;
        start_[i] = 0;
    }
    codeWidth_ = initialWidth;
    int maxCode = 2 * clearCode;
    int nextCode = clearCode + 2;
    int oldCode = -1;
    std::size_t oldPos = 0;
    std::size_t pos = 0;
    // Damaged data is walked through the table from the code that showed the damage to the
    // next clear; entries below regularLimit were made before, and their strings are in the
    // output.
    bool tableZeroed = false;
    int regularLimit = clearCode + 2;
    int firstCode = 0;

    // Writes the string of an entry at pos, clamped to the room left; from is where the
    // string was written before, which may overlap the new place by its last pixel.
    auto put = [&](std::uint64_t string, std::size_t n, std::size_t from) {
        BYTE* dst = out + pos;
        if (n <= 8) {
            if (pos + 8 <= total) {
                // The bytes beyond the string are written over by the codes that follow
                // (or by the caller's fill).
                std::memcpy(dst, &string, 8);
            } else {
                n = std::min(n, total - pos);
                std::memcpy(dst, &string, n);
            }
        } else if (from + n <= pos && pos + n + 15 <= total) {
            // Sixteen bytes at a time: every byte a move reads lies before pos, so the
            // moves may overlap without harm.
            const BYTE* src = out + from;
            for (std::size_t i = 0; i < n; i += 16)
                std::memmove(dst + i, src + i, 16);
        } else {
            n = std::min(n, total - pos);
            const BYTE* src = out + from;
            for (std::size_t i = 0; i < n; ++i)
                dst[i] = src[i];
        }
        pos += n;
    };
    // The entry for the previous string plus the first pixel of the one just written.
    auto addEntry = [&](int first) {
        if (nextCode >= TableSize)
            return;
        const std::uint32_t n = length_[oldCode];
        const std::uint64_t s = string_[oldCode];
        string_[nextCode] = n < 8 ? s | (std::uint64_t(first) << (8 * n)) : s;
        length_[nextCode] = std::uint16_t(n + 1);
        start_[nextCode] = std::uint32_t(oldPos);
        ++nextCode;
        if (nextCode >= maxCode && maxCode < TableSize) {
            maxCode *= 2;
            ++codeWidth_;
        }
    };

    for (bool done = false; !done;) {
        // Data that starts without a clear code is read as if it had one.
        int damaged = -1;
        while (pos < total) {
            const int code = ReadCode();
            if (code < nextCode && unsigned(code - clearCode) >= 2 && oldCode >= 0) {
                // An entry already made: the common case by far.
                const std::size_t here = pos;
                const std::uint64_t s = string_[code];
                put(s, length_[code], start_[code]);
                addEntry(int(s & 0xFF));
                oldCode = code;
                oldPos = here;
                continue;
            }
            if (code == NoCode || code == endCode)
                break;
            if (code == clearCode) {
                codeWidth_ = initialWidth;
                maxCode = 2 * clearCode;
                nextCode = clearCode + 2;
                oldCode = -1;
                continue;
            }
            if (oldCode < 0) {
                if (code > clearCode) {
                    damaged = code;
                    break;
                }
                oldCode = code;
                oldPos = pos;
                out[pos++] = BYTE(code);
                continue;
            }
            if (code > nextCode) {
                damaged = code;
                break;
            }
            // A code not yet in the table (code == nextCode) is the previous string plus
            // its own first pixel, written from where the previous one starts.
            const std::size_t here = pos;
            const std::uint32_t n = length_[oldCode];
            const std::uint64_t s = string_[oldCode];
            const int first = int(s & 0xFF);
            put(n < 8 ? s | (std::uint64_t(first) << (8 * n)) : s, n + 1, oldPos);
            addEntry(first);
            oldCode = code;
            oldPos = here;
        }
        if (damaged < 0)
            break;
        if (!tableZeroed) {
            std::memset(prefix_, 0, sizeof prefix_);
            std::memset(suffix_, 0, sizeof suffix_);
            tableZeroed = true;
        }
        regularLimit = nextCode;
        if (oldCode >= 0)
            firstCode = out[oldPos];
        for (int code = damaged;;) {
            if (oldCode < 0) {
                // The first code after a clear is taken as a pixel whatever it is.
                oldCode = firstCode = code;
                out[pos++] = BYTE(code);
            } else {
                const int incoming = code;
                int c = code;
                int sp = 0;
                if (c >= nextCode) {
                    // Not in the table yet: the previous string plus its own first pixel.
                    stack_[sp++] = BYTE(firstCode);
                    c = oldCode;
                }
                for (int steps = 0;; ++steps) {
                    if (c < clearCode) {
                        firstCode = c;
                        stack_[sp++] = BYTE(c);
                        break;
                    }
                    if (c >= clearCode + 2 && c < regularLimit) {
                        const std::size_t from = start_[c];
                        for (std::size_t i = length_[c]; i-- > 0;)
                            stack_[sp++] = out[from + i];
                        firstCode = out[from];
                        break;
                    }
                    // Entries not made yet are prefix 0, suffix 0.
                    if (steps >= TableSize || prefix_[c] == c)
                        RaiseGIFError(sDecodeCircular);
                    stack_[sp++] = suffix_[c];
                    c = prefix_[c];
                }
                if (nextCode < TableSize) {
                    prefix_[nextCode] = std::uint16_t(oldCode);
                    suffix_[nextCode] = BYTE(firstCode);
                    ++nextCode;
                    if (nextCode >= maxCode && maxCode < TableSize) {
                        maxCode *= 2;
                        ++codeWidth_;
                    }
                }
                oldCode = incoming;
                while (sp > 0 && pos < total)
                    out[pos++] = stack_[--sp];
            }
            if (pos >= total) {
                done = true;
                break;
            }
            code = ReadCode();
            if (code == NoCode || code == endCode) {
                done = true;
                break;
            }
            if (code == clearCode) {
                // The entries made while walking are forgotten with the rest.
                if (nextCode > regularLimit) {
                    std::memset(prefix_ + regularLimit, 0, sizeof prefix_[0] * std::size_t(nextCode - regularLimit));
                    std::memset(suffix_ + regularLimit, 0, std::size_t(nextCode - regularLimit));
                }
                codeWidth_ = initialWidth;
                maxCode = 2 * clearCode;
                nextCode = clearCode + 2;
                oldCode = -1;
                break;
            }
        }
    }
    // The end code and whatever data follows the last pixel belong to this frame.
    SkipRest();
    return pos;
}

} // namespace

std::size_t DecodeLZW(TStream& stream, const TLZWDecodeTarget& target)
{
    TDecoder decoder(stream, target);
    return decoder.Run();
}

std::int64_t TGIFDataReader::Read(void* buffer, std::int64_t count)
{
    const std::int64_t n = std::clamp<std::int64_t>(size_ - position_, 0, std::max<std::int64_t>(count, 0));
    if (n > 0)
        std::memcpy(buffer, data_ + position_, std::size_t(n));
    position_ += n;
    return n;
}

std::int64_t TGIFDataReader::Seek(std::int64_t offset, TSeekOrigin origin)
{
    const std::int64_t base = origin == soCurrent ? position_ : origin == soEnd ? size_ : 0;
    position_ = std::max<std::int64_t>(0, base + offset);
    return position_;
}

TLZWDataExtent FindLZWData(TStream& stream)
{
    const std::int64_t start = stream.Position();
    const std::int64_t size = stream.Size();
    TLZWDataExtent extent;
    // The code size byte, then count bytes and their data up to the terminator.
    std::int64_t pos = start + 1;
    BYTE count = 0;
    while (pos < size) {
        stream.SetPosition(pos);
        if (!gif_io::ReadByte(stream, count))
            break;
        ++pos;
        if (count == 0)
            break;
        extent.DataBytes += std::uint64_t(std::min<std::int64_t>(count, size - pos));
        pos += count;
    }
    extent.End = std::max(start, std::min(pos, size));
    stream.SetPosition(start);
    return extent;
}

std::uint64_t TLZWDataExtent::PixelBound() const
{
    // A code of w bits stands for at most about 2^w pixels, which is most per bit at 12 bits.
    return DataBytes * 2732 + 2 * TableSize;
}
