// LZW decoding of a frame's data sub-blocks into one byte per pixel.
//
// Strings are written straight into the frame when they fit in the current row (for a
// frame without interlacing the whole frame is one row); only strings that cross a row go
// through the bounded pixel stack.
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
    // -1 at the end of the data.
    int ReadCode();
    bool FetchBlock();
    void Warn(int id)
    {
        if (target_.Warning)
            target_.Warning(id);
    }
    // Moves to the next row in the frame's row order; false when every row is done.
    bool NextRow();
    void Emit(const BYTE* reversed, int length);
    void SkipRest();

    TStream& stream_;
    const TLZWDecodeTarget& target_;

    // Bit reader.
    BYTE block_[256];
    int blockPos_ = 0;
    int blockEnd_ = 0;
    std::uint64_t bits_ = 0;
    int bitCount_ = 0;
    bool lastBlockSeen_ = false; // the 0 terminator has been read
    int codeWidth_ = 0;

    // Output cursor.
    std::vector<int> rowOrder_;
    int rowIndex_ = 0;
    BYTE* out_ = nullptr;
    BYTE* rowEnd_ = nullptr;
    bool full_ = false;

    std::uint16_t prefix_[TableSize];
    BYTE suffix_[TableSize];
    std::uint16_t length_[TableSize];
    BYTE stack_[TableSize + 1];
};

bool TDecoder::FetchBlock()
{
    if (lastBlockSeen_)
        return false;
    BYTE count = 0;
    if (stream_.Read(&count, 1) != 1) {
        lastBlockSeen_ = true;
        return false;
    }
    if (count == 0) {
        lastBlockSeen_ = true;
        return false;
    }
    const std::int64_t n = stream_.Read(block_, count);
    if (n < count)
        Warn(sOutOfData);
    blockPos_ = 0;
    blockEnd_ = int(n > 0 ? n : 0);
    if (n < count) {
        // The stream has ended; nothing after this block can come.
        lastBlockSeen_ = true;
    }
    return blockEnd_ > 0 || !lastBlockSeen_;
}

int TDecoder::ReadCode()
{
    while (bitCount_ < codeWidth_) {
        if (blockPos_ >= blockEnd_) {
            if (!FetchBlock()) {
                if (bitCount_ == 0)
                    Warn(sDecodeTooFewBits);
                return -1;
            }
            continue;
        }
        // Take as many bytes as fit so that most codes need no refill at all.
        while (bitCount_ <= 56 && blockPos_ < blockEnd_) {
            bits_ |= std::uint64_t(block_[blockPos_++]) << bitCount_;
            bitCount_ += 8;
        }
    }
    const int code = int(bits_ & ((1u << codeWidth_) - 1));
    bits_ >>= codeWidth_;
    bitCount_ -= codeWidth_;
    return code;
}

bool TDecoder::NextRow()
{
    if (!target_.Interlaced) {
        full_ = true;
        return false;
    }
    ++rowIndex_;
    if (rowIndex_ >= int(rowOrder_.size())) {
        full_ = true;
        return false;
    }
    out_ = target_.Pixels + std::size_t(rowOrder_[std::size_t(rowIndex_)]) * std::size_t(target_.Width);
    rowEnd_ = out_ + target_.Width;
    return true;
}

// reversed[length - 1] is the first pixel of the string.
void TDecoder::Emit(const BYTE* reversed, int length)
{
    while (length > 0) {
        if (out_ == rowEnd_ && !NextRow())
            return;
        int n = int(rowEnd_ - out_);
        if (n > length)
            n = length;
        for (int i = 0; i < n; ++i)
            out_[i] = reversed[length - 1 - i];
        out_ += n;
        length -= n;
    }
    if (out_ == rowEnd_)
        NextRow();
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
    if (target_.Interlaced) {
        rowOrder_.reserve(std::size_t(height));
        static const int start[4] = {0, 4, 2, 1};
        static const int step[4] = {8, 8, 4, 2};
        for (int pass = 0; pass < 4; ++pass)
            for (int row = start[pass]; row < height; row += step[pass])
                rowOrder_.push_back(row);
        out_ = target_.Pixels + std::size_t(rowOrder_[0]) * std::size_t(width);
        rowEnd_ = out_ + width;
    } else {
        out_ = target_.Pixels;
        rowEnd_ = out_ + std::size_t(width) * std::size_t(height);
    }

    const int clearCode = 1 << codeSize;
    const int endCode = clearCode + 1;
    const int initialWidth = codeSize + 1;
    codeWidth_ = initialWidth;
    int maxCode = 2 * clearCode;
    int nextCode = clearCode + 2;
    int oldCode = -1;
    BYTE firstCode = 0;

    // Data that starts without a clear code is read as if it had one.
    while (!full_) {
        int code = ReadCode();
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
            firstCode = BYTE(code);
            if (out_ < rowEnd_) {
                *out_++ = firstCode;
                if (out_ == rowEnd_)
                    NextRow();
            }
            continue;
        }
        if (code > nextCode || (code == nextCode && nextCode >= TableSize))
            RaiseGIFError(sDecodeCircular);
        const bool repeat = code == nextCode;
        const int chainStart = repeat ? oldCode : code;
        const int length = (chainStart < clearCode ? 1 : length_[chainStart]) + (repeat ? 1 : 0);
        if (length > TableSize)
            RaiseGIFError(sDecodeCircular);
        // Write the string backwards, straight into the row when it fits.
        const bool direct = length <= rowEnd_ - out_;
        BYTE* q = direct ? out_ + length - 1 : stack_ + 0;
        const int dir = direct ? -1 : 1;
        if (repeat) {
            *q = firstCode;
            q += dir;
        }
        int c = chainStart;
        while (c >= clearCode) {
            *q = suffix_[c];
            q += dir;
            c = prefix_[c];
        }
        *q = BYTE(c);
        firstCode = BYTE(c);
        if (direct) {
            out_ += length;
            if (out_ == rowEnd_)
                NextRow();
        } else {
            Emit(stack_, length);
        }
        if (nextCode < TableSize) {
            prefix_[nextCode] = std::uint16_t(oldCode);
            suffix_[nextCode] = firstCode;
            length_[nextCode] = std::uint16_t((oldCode < clearCode ? 1 : length_[oldCode]) + 1);
            ++nextCode;
            if (nextCode >= maxCode && maxCode < TableSize) {
                maxCode *= 2;
                ++codeWidth_;
            }
        }
        oldCode = code;
    }
    // The end code and whatever data follows the last pixel belong to this frame.
    SkipRest();
}

} // namespace

void DecodeLZW(TStream& stream, const TLZWDecodeTarget& target)
{
    TDecoder decoder(stream, target);
    decoder.Run();
}
