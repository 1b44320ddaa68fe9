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
#include <cstring>
#include <vector>

#include "gif/gif_stream_util.h"
#include "gif/lzw.h"

namespace {

constexpr int TableSize = 4096;
// A walk through at most every entry, ending in a string of at most every entry, and the
// pixel pushed before it.
constexpr int StackSize = 2 * TableSize + 2;

class TDecoder {
public:
    TDecoder(TStream& stream, const TLZWDecodeTarget& target) : stream_(stream), target_(target) {}
    std::size_t Run();

private:
    bool FetchBlock();
    void Warn(int id)
    {
        if (target_.Warning)
            target_.Warning(id);
    }
    void SkipRest();

    // -1 at the end of the data.
    int ReadCode()
    {
        if (bitCount_ < codeWidth_ && !Refill())
            return -1;
        const int code = int(bits_ & ((1u << codeWidth_) - 1));
        bits_ >>= codeWidth_;
        bitCount_ -= codeWidth_;
        return code;
    }
    bool Refill();

    TStream& stream_;
    const TLZWDecodeTarget& target_;

    BYTE block_[256];
    int blockPos_ = 0;
    int blockEnd_ = 0;
    std::uint64_t bits_ = 0;
    int bitCount_ = 0;
    bool lastBlockSeen_ = false; // the 0 terminator has been read (or the stream ended)
    int codeWidth_ = 0;

    // Where each entry's string was written and how long it is (entries of the fast path).
    std::uint32_t start_[TableSize];
    std::uint16_t length_[TableSize];
    // Entries made while walking damaged data, as prefix code and last pixel.
    std::uint16_t prefix_[TableSize];
    BYTE suffix_[TableSize];
    BYTE stack_[StackSize];
};

bool TDecoder::FetchBlock()
{
    if (lastBlockSeen_)
        return false;
    BYTE count = 0;
    if (stream_.Read(&count, 1) != 1 || count == 0) {
        lastBlockSeen_ = true;
        return false;
    }
    const std::int64_t n = stream_.Read(block_, count);
    blockPos_ = 0;
    blockEnd_ = int(n > 0 ? n : 0);
    if (n < count) {
        Warn(sOutOfData);
        // The stream has ended; nothing can follow this block.
        lastBlockSeen_ = true;
    }
    return blockEnd_ > 0;
}

bool TDecoder::Refill()
{
    while (bitCount_ < codeWidth_) {
        if (blockPos_ >= blockEnd_ && !FetchBlock()) {
            if (bitCount_ == 0)
                Warn(sDecodeTooFewBits);
            return false;
        }
        // Take as many bytes as fit so that most codes need no refill at all.
        while (bitCount_ <= 56 && blockPos_ < blockEnd_) {
            bits_ |= std::uint64_t(block_[blockPos_++]) << bitCount_;
            bitCount_ += 8;
        }
    }
    return true;
}

void TDecoder::SkipRest()
{
    if (!lastBlockSeen_)
        gif_io::SkipSubBlocks(stream_);
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


    for (bool done = false; !done;) {
        // Data that starts without a clear code is read as if it had one.
        int damaged = -1;
        while (pos < total) {
            const int code = ReadCode();
            if (code < 0 || code == endCode)
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
            const std::size_t here = pos;
            if (code < clearCode) {
                out[pos++] = BYTE(code);
            } else {
                // A code not yet in the table (code == nextCode) is the previous string plus
                // its own first pixel: the same copy, one longer, from where the previous one
                // starts.
                const std::size_t from = code == nextCode ? oldPos : start_[code];
                std::size_t n = code == nextCode ? std::size_t(oldCode < clearCode ? 1 : length_[oldCode]) + 1
                                                 : std::size_t(length_[code]);
                if (n > total - pos)
                    n = total - pos;
                const BYTE* src = out + from;
                BYTE* dst = out + pos;
                if (n <= 16 && from + 16 <= pos && pos + 16 <= total) {
                    // Short strings are the common case: one fixed-size move, whose extra
                    // bytes the following codes overwrite (or the caller's fill puts back).
                    std::memcpy(dst, src, 16);
                } else if (from + n <= pos) {
                    std::memcpy(dst, src, n);
                } else {
                    for (std::size_t i = 0; i < n; ++i)
                        dst[i] = src[i];
                }
                pos += n;
            }
            if (nextCode < TableSize) {
                start_[nextCode] = std::uint32_t(oldPos);
                length_[nextCode] = std::uint16_t((oldCode < clearCode ? 1 : length_[oldCode]) + 1);
                ++nextCode;
                if (nextCode >= maxCode && maxCode < TableSize) {
                    maxCode *= 2;
                    ++codeWidth_;
                }
            }
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
            if (code < 0 || code == endCode) {
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

std::uint64_t LZWPixelBound(TStream& stream)
{
    const std::int64_t start = stream.Position();
    const std::int64_t size = stream.Size();
    std::uint64_t bytes = 0;
    // The code size byte, then count bytes and their data up to the terminator.
    std::int64_t pos = start + 1;
    BYTE count = 0;
    while (pos < size) {
        stream.SetPosition(pos);
        if (!gif_io::ReadByte(stream, count) || count == 0)
            break;
        ++pos;
        bytes += std::uint64_t(std::min<std::int64_t>(count, size - pos));
        pos += count;
    }
    stream.SetPosition(start);
    // A code of w bits stands for at most about 2^w pixels, which is most per bit at 12 bits.
    return bytes * 2732 + 2 * TableSize;
}
