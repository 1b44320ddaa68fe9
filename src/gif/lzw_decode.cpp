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
#include <memory>
#include <vector>

#include "gif/gif_stream_util.h"
#include "gif/lzw.h"

namespace {

constexpr int TableSize = 4096;
// The longest string a table without loops can hold, plus the two pushes around it.
constexpr int StackSize = TableSize + 2;

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

    // Where each entry's string was written and how long it is (fast path).
    std::uint32_t start_[TableSize];
    std::uint16_t length_[TableSize];
    // The same entries as prefix code and last pixel (kept on both paths); entries not yet
    // made are prefix 0, suffix 0.
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
    std::memset(prefix_, 0, sizeof prefix_);
    std::memset(suffix_, 0, sizeof suffix_);
    for (int i = 0; i < clearCode; ++i)
        suffix_[i] = BYTE(i);
    int oldCode = -1;
    int firstCode = 0;
    std::size_t oldPos = 0;
    std::size_t pos = 0;
    // Set by damaged data: strings are walked through the table until the next clear.
    bool walking = false;

    auto addEntry = [&](int prefix, BYTE suffix) {
        if (nextCode >= TableSize)
            return;
        prefix_[nextCode] = std::uint16_t(prefix);
        suffix_[nextCode] = suffix;
        ++nextCode;
        if (nextCode >= maxCode && maxCode < TableSize) {
            maxCode *= 2;
            ++codeWidth_;
        }
    };

    // Data that starts without a clear code is read as if it had one.
    while (pos < total) {
        const int code = ReadCode();
        if (code < 0)
            break;
        if (code == clearCode) {
            // Entries made since the last clear are forgotten.
            if (nextCode > clearCode + 2) {
                std::memset(prefix_ + clearCode + 2, 0, sizeof prefix_[0] * std::size_t(nextCode - clearCode - 2));
                std::memset(suffix_ + clearCode + 2, 0, std::size_t(nextCode - clearCode - 2));
            }
            codeWidth_ = initialWidth;
            maxCode = 2 * clearCode;
            nextCode = clearCode + 2;
            oldCode = -1;
            walking = false;
            continue;
        }
        if (code == endCode)
            break;
        if (oldCode < 0) {
            // The first code after a clear is taken as a pixel whatever it is; one that is no
            // single pixel has no string of its own in the table.
            oldCode = firstCode = code;
            oldPos = pos;
            out[pos++] = BYTE(code);
            walking = walking || code > clearCode;
            continue;
        }
        if (!walking && code > nextCode) {
            walking = true;
            firstCode = out[oldPos];
        }
        if (walking) {
            const int incoming = code;
            int c = code;
            int sp = 0;
            if (c >= nextCode) {
                // Not in the table yet: the previous string plus its own first pixel.
                stack_[sp++] = BYTE(firstCode);
                c = oldCode;
            }
            while (c >= clearCode) {
                if (sp >= StackSize - 1 || prefix_[c] == c)
                    RaiseGIFError(sDecodeCircular);
                stack_[sp++] = suffix_[c];
                c = prefix_[c];
            }
            firstCode = suffix_[c];
            stack_[sp++] = BYTE(firstCode);
            addEntry(oldCode, BYTE(firstCode));
            oldCode = incoming;
            while (sp > 0 && pos < total)
                out[pos++] = stack_[--sp];
            continue;
        }

        const std::size_t here = pos;
        if (code < clearCode) {
            out[pos++] = BYTE(code);
        } else {
            // A code not yet in the table (code == nextCode) is the previous string plus its
            // own first pixel: the same copy, one longer, from where the previous one starts.
            const std::size_t from = code == nextCode ? oldPos : start_[code];
            std::size_t n = code == nextCode ? std::size_t(oldCode < clearCode ? 1 : length_[oldCode]) + 1
                                             : std::size_t(length_[code]);
            if (n > total - pos)
                n = total - pos;
            const BYTE* src = out + from;
            BYTE* dst = out + pos;
            if (n <= 16 && from + 16 <= pos && pos + 16 <= total) {
                // Short strings are the common case: one fixed-size move, whose extra bytes
                // the following codes overwrite (or the caller's fill puts back).
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
        }
        addEntry(oldCode, out[here]);
        oldCode = code;
        oldPos = here;
    }
    // The end code and whatever data follows the last pixel belong to this frame.
    SkipRest();
    return pos;
}

} // namespace

std::size_t DecodeLZW(TStream& stream, const TLZWDecodeTarget& target)
{
    auto decoder = std::make_unique<TDecoder>(stream, target);
    return decoder->Run();
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
