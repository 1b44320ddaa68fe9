// The sub-block writer, the encoders' common driver and the LZW encoder.
#include <algorithm>
#include <cstring>
#include <vector>

#include "gif/lzw.h"

// ---- streams -----------------------------------------------------------------------------

std::int64_t TGIFStream::Read(void*, std::int64_t)
{
    RaiseGIFError(sInvalidStream);
}

std::int64_t TGIFStream::Write(const void*, std::int64_t)
{
    RaiseGIFError(sInvalidStream);
}

std::int64_t TGIFStream::Seek(std::int64_t, TSeekOrigin)
{
    RaiseGIFError(sInvalidStream);
}

TGIFWriter::~TGIFWriter()
{
    if (!dirty_)
        return;
    try {
        FlushBlock();
    } catch (...) {
        // A destructor may run while an error is already on its way out; the target's
        // failure then is no news.
    }
}

std::int64_t TGIFWriter::Write(const void* buffer, std::int64_t count)
{
    const BYTE* p = static_cast<const BYTE*>(buffer);
    while (count > 0) {
        const int n = int(std::min<std::int64_t>(count, 256 - pos_));
        std::memcpy(buffer_ + pos_, p, std::size_t(n));
        dirty_ = true;
        pos_ += n;
        p += n;
        count -= n;
        if (pos_ == 256)
            FlushBlock();
    }
    return std::int64_t(p - static_cast<const BYTE*>(buffer));
}

void TGIFWriter::FlushBlock()
{
    dirty_ = false;
    if (pos_ <= 1)
        return;
    buffer_[0] = BYTE(pos_ - 1);
    const int n = pos_;
    pos_ = 1;
    target_.WriteBuffer(buffer_, n);
}

// ---- hash table --------------------------------------------------------------------------

void THashTable::Clear()
{
    std::memset(slots_, 0xFF, sizeof slots_);
}

void THashTable::Insert(std::uint32_t key, int code)
{
    int h = Home(key);
    while (slots_[h] != Empty)
        h = Next(h);
    slots_[h] = (key << 12) | std::uint32_t(code & 0xFFF);
}

// ---- driver ------------------------------------------------------------------------------

void TGIFEncoder::BadColor()
{
    RaiseGIFError(sInvalidColor);
}

void TGIFEncoder::Compress(TStream& stream, int bitsPerPixel, int width, int height, bool interlaced,
                           const BYTE* pixels, int colorCount)
{
    bitsPerPixel_ = bitsPerPixel < 2 ? 2 : bitsPerPixel;
    if (bitsPerPixel_ > 8)
        RaiseGIFError(sInvalidBitSize);
    colorCount_ = colorCount;
    width_ = width;
    height_ = height;
    interlaced_ = interlaced;
    pixels_ = pixels;
    initialCodeWidth_ = bitsPerPixel_ + 1;
    const BYTE codeSize = BYTE(bitsPerPixel_);
    stream.WriteBuffer(&codeSize, 1);
    clearCode_ = 1 << bitsPerPixel_;
    endCode_ = clearCode_ + 1;
    firstFreeCode_ = clearCode_ + 2;
    codeWidth_ = initialCodeWidth_;
    maxCode_ = (1 << codeWidth_) - 1;
    accumulator_ = 0;
    bitCount_ = 0;
    justCleared_ = false;
    writer_ = std::make_unique<TGIFWriter>(stream);
    if (pixels_ && width_ >= 1 && height_ >= 1)
        DoCompress();
    Output(endCode_);
    writer_.reset();
    const BYTE terminator = 0;
    stream.WriteBuffer(&terminator, 1);
}

void TGIFEncoder::Output(int code)
{
    BaseOutput(code);
}

void TGIFEncoder::Clear()
{
    justCleared_ = true;
    Output(clearCode_);
}

// ---- LZW ---------------------------------------------------------------------------------

void TLZWEncoder::Output(int code)
{
    BaseOutput(code);
    if (nextCode_ > maxCode_ || justCleared_) {
        if (justCleared_) {
            codeWidth_ = initialCodeWidth_;
            maxCode_ = (1 << codeWidth_) - 1;
            justCleared_ = false;
        } else {
            ++codeWidth_;
            maxCode_ = codeWidth_ >= 12 ? 4096 : (1 << codeWidth_) - 1;
            if (codeWidth_ > 12)
                codeWidth_ = 12;
        }
    }
}

void TLZWEncoder::Clear()
{
    TGIFEncoder::Clear();
    table_->Clear();
    nextCode_ = clearCode_ + 2;
}

namespace {

// Packs codes of one width into bytes and hands them to the sub-block writer a few thousand
// at a time. The LZW loop only lists its codes; packing them in a loop of its own keeps both
// loops' state in registers.
class TCodePacker {
public:
    static constexpr std::size_t Batch = 1024; // codes per Pack at most

    TCodePacker(TGIFWriter& writer, std::uint64_t acc, int bits) : writer_(writer), acc_(acc), bits_(bits) {}

    void Pack(const std::uint16_t* codes, std::size_t n, int width)
    {
        if (staged_ + (Batch * 12) / 8 + 8 > StageSize)
            Flush();
        std::uint64_t acc = acc_;
        int bits = bits_;
        std::size_t staged = staged_;
        for (std::size_t i = 0; i < n; ++i) {
            acc |= std::uint64_t(codes[i]) << bits;
            bits += width;
            std::memcpy(stage_ + staged, &acc, 8);
            staged += std::size_t(bits >> 3);
            acc >>= bits & ~7;
            bits &= 7;
        }
        acc_ = acc;
        bits_ = bits;
        staged_ = staged;
    }
    void Flush()
    {
        writer_.Write(stage_, std::int64_t(staged_));
        staged_ = 0;
    }
    // The bits not yet making a whole byte.
    std::uint64_t Acc() const { return acc_; }
    int Bits() const { return bits_; }

private:
    static constexpr std::size_t StageSize = 4096;
    TGIFWriter& writer_;
    std::uint64_t acc_;
    int bits_;
    std::size_t staged_ = 0;
    BYTE stage_[StageSize + 16];
};

std::uint32_t RowMaximum(const BYTE* p, const BYTE* end)
{
    BYTE most = 0;
    for (; p < end; ++p)
        most = std::max(most, *p);
    return most;
}

} // namespace

void TLZWEncoder::DoCompress()
{
    table_ = std::make_unique<THashTable>();
    nextCode_ = clearCode_ + 2;
    Clear();
    // Indices at or above this are no colour of the table.
    const std::uint32_t colorLimit = colorCount_ < 256 ? std::uint32_t(std::max(colorCount_, 0)) : 256u;
    THashTable& table = *table_;
    TCodePacker packer(*writer_, accumulator_, bitCount_);
    std::uint16_t codes[TCodePacker::Batch + 2];
    std::uint16_t* code = codes;
    std::uint16_t* const codesEnd = codes + TCodePacker::Batch;
    int width = codeWidth_;
    int maxCode = maxCode_;
    int next = nextCode_;
    const int clearCode = clearCode_;
    const int initialWidth = initialCodeWidth_;
    // The codes up to this one need neither a wider code nor a clear.
    int quietLimit = std::min(maxCode, 4094);
    auto pack = [&]() {
        packer.Pack(codes, std::size_t(code - codes), width);
        code = codes;
    };

    static const int passStart[4] = {0, 4, 2, 1};
    static const int passStep[4] = {8, 8, 4, 2};
    int pass = 0;
    int row = 0;
    std::uint32_t prefix = pixels_[0];
    if (prefix >= colorLimit)
        BadColor();
    const BYTE* p = pixels_ + 1;
    for (int rowsLeft = height_; rowsLeft > 0; --rowsLeft) {
        const BYTE* end = pixels_ + std::size_t(row) * std::size_t(width_) + std::size_t(width_);
        // The row is searched for an index that is no colour before it is coded, so that
        // the coding loop need not look; the search is a loop the compiler vectorizes.
        const BYTE* bad = nullptr;
        if (colorLimit < 256 && RowMaximum(p, end) >= colorLimit) {
            bad = p;
            while (*bad < colorLimit)
                ++bad;
            end = bad;
        }
        for (; p < end; ++p) {
            const std::uint32_t pixel = *p;
            const std::uint32_t key = (prefix << 8) | pixel;
            int h = THashTable::Home(prefix, pixel);
            std::uint32_t slot = table.At(h);
            // An empty slot's key part is above every key, as no prefix reaches 4095.
            while (((slot >> 12) != key) & (slot != THashTable::Empty)) {
                h = THashTable::Next(h);
                slot = table.At(h);
            }
            if (slot != THashTable::Empty) {
                prefix = slot & 0xFFF;
                continue;
            }
            *code++ = std::uint16_t(prefix);
            if (code >= codesEnd)
                pack();
            if (next > quietLimit) {
                if (next > maxCode) {
                    pack();
                    ++width;
                    maxCode = width >= 12 ? 4096 : (1 << width) - 1;
                }
                if (next >= 4095) {
                    *code++ = std::uint16_t(clearCode);
                    pack();
                    width = initialWidth;
                    maxCode = (1 << width) - 1;
                    table.Clear();
                    next = clearCode + 2;
                    quietLimit = std::min(maxCode, 4094);
                    prefix = pixel;
                    continue;
                }
                quietLimit = std::min(maxCode, 4094);
            }
            table.At(h) = (key << 12) | std::uint32_t(next++);
            prefix = pixel;
        }
        if (bad) {
            // What was coded before the bad index reaches the stream, as it would byte by
            // byte.
            pack();
            packer.Flush();
            accumulator_ = packer.Acc();
            bitCount_ = packer.Bits();
            BadColor();
        }
        if (rowsLeft == 1)
            break;
        if (!interlaced_) {
            ++row;
        } else {
            row += passStep[pass];
            while (row >= height_ && pass < 3)
                row = passStart[++pass];
        }
        p = pixels_ + std::size_t(row) * std::size_t(width_);
    }
    pack();
    packer.Flush();
    accumulator_ = packer.Acc();
    bitCount_ = packer.Bits();
    codeWidth_ = width;
    maxCode_ = maxCode;
    nextCode_ = next;
    justCleared_ = false;
    Output(int(prefix));
    table_.reset();
}
