// LZW decoding of a frame's data sub-blocks into one byte per pixel.
//
// Every table entry is the string of an earlier code plus one pixel, and that string was
// written to the output at a known place just before the pixel; so an entry is kept as the
// place and length of its string, and decoding a code copies those bytes forward (the copy
// overlaps only by the one pixel that the code adds to itself). The output is the pixels in
// stream order: the frame itself, or for an interlaced frame a buffer whose rows are put in
// their places at the end. Every copy is clamped to the pixels still missing.
#include <algorithm>
#include <cstring>
#include <vector>

#include "gif/gif_stream_util.h"
#include "gif/lzw.h"

namespace {

constexpr int TableSize = 4096;

class TDecoder {
public:
    TDecoder(TStream& stream, const TLZWDecodeTarget& target) : stream_(stream), target_(target) {}
    void Run();

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

    std::uint32_t start_[TableSize];
    std::uint16_t length_[TableSize];
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

void TDecoder::Run()
{
    BYTE codeSize = 0;
    if (stream_.Read(&codeSize, 1) != 1)
        return;
    if (codeSize > 11)
        RaiseGIFError(sInvalidData);
    const int width = target_.Width;
    const int height = target_.Height;
    if (width <= 0 || height <= 0 || !target_.Pixels) {
        SkipRest();
        return;
    }
    const std::size_t total = std::size_t(width) * std::size_t(height);
    std::vector<BYTE> streamOrder;
    BYTE* out = target_.Pixels;
    if (target_.Interlaced) {
        // The caller's fill value is in every pixel; rows that get no data keep it.
        streamOrder.assign(target_.Pixels, target_.Pixels + total);
        out = streamOrder.data();
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

    // Data that starts without a clear code is read as if it had one.
    while (pos < total) {
        const int code = ReadCode();
        if (code < 0)
            break;
        if (code == clearCode) {
            codeWidth_ = initialWidth;
            maxCode = 2 * clearCode;
            nextCode = clearCode + 2;
            oldCode = -1;
            continue;
        }
        if (code == endCode)
            break;
        if (oldCode < 0) {
            // The first code after a clear must be a single pixel.
            if (code > clearCode)
                RaiseGIFError(sDecodeCircular);
            oldCode = code;
            oldPos = pos;
            out[pos++] = BYTE(code);
            continue;
        }
        if (code > nextCode || (code == nextCode && nextCode >= TableSize))
            RaiseGIFError(sDecodeCircular);
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
                // the following codes overwrite (or the end puts back to the fill value).
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
    // The end code and whatever data follows the last pixel belong to this frame.
    SkipRest();
    if (pos < total)
        std::memset(out + pos, target_.Fill, std::min<std::size_t>(16, total - pos));

    if (target_.Interlaced) {
        static const int startRow[4] = {0, 4, 2, 1};
        static const int step[4] = {8, 8, 4, 2};
        const BYTE* row = streamOrder.data();
        for (int pass = 0; pass < 4; ++pass)
            for (int r = startRow[pass]; r < height; r += step[pass]) {
                std::memcpy(target_.Pixels + std::size_t(r) * std::size_t(width), row, std::size_t(width));
                row += width;
            }
    }
}

} // namespace

void DecodeLZW(TStream& stream, const TLZWDecodeTarget& target)
{
    TDecoder decoder(stream, target);
    decoder.Run();
}
