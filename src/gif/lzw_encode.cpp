// The sub-block writer and the two frame encoders.
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
    for (std::int64_t i = 0; i < count; ++i)
        PutByte(p[i]);
    return count;
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

template <typename F>
void TGIFEncoder::ForEachRow(F&& f)
{
    if (!interlaced_) {
        for (int row = 0; row < height_; ++row)
            f(pixels_ + std::size_t(row) * std::size_t(width_));
        return;
    }
    static const int start[4] = {0, 4, 2, 1};
    static const int step[4] = {8, 8, 4, 2};
    for (int pass = 0; pass < 4; ++pass)
        for (int row = start[pass]; row < height_; row += step[pass])
            f(pixels_ + std::size_t(row) * std::size_t(width_));
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

void TLZWEncoder::DoCompress()
{
    table_ = std::make_unique<THashTable>();
    nextCode_ = clearCode_ + 2;
    Clear();
    const int colors = colorCount_;
    const bool check = colors < 256;
    int prefix = -1;
    THashTable& table = *table_;
    TGIFWriter& writer = *writer_;
    // The coder's state lives in locals for the pixel loop (it is the hot path of every save)
    // and goes back into the members for the final codes.
    std::uint64_t acc = accumulator_;
    int bits = bitCount_;
    int width = codeWidth_;
    int maxCode = maxCode_;
    int next = nextCode_;
    const int clearCode = clearCode_;
    auto put = [&](int code) {
        acc |= std::uint64_t(code) << bits;
        bits += width;
        while (bits >= 8) {
            writer.PutByte(BYTE(acc));
            acc >>= 8;
            bits -= 8;
        }
    };
    ForEachRow([&](const BYTE* row) {
        const BYTE* p = row;
        const BYTE* end = row + width_;
        if (prefix < 0) {
            if (check && *p >= colors)
                BadColor();
            prefix = *p++;
        }
        for (; p < end; ++p) {
            const int pixel = *p;
            if (check && pixel >= colors)
                BadColor();
            const std::uint32_t key = (std::uint32_t(prefix) << 8) | std::uint32_t(pixel);
            int slot;
            const int code = table.Find(key, slot);
            if (code >= 0) {
                prefix = code;
                continue;
            }
            put(prefix);
            if (next > maxCode) {
                ++width;
                maxCode = width >= 12 ? 4096 : (1 << width) - 1;
            }
            prefix = pixel;
            if (next >= 4095) {
                put(clearCode);
                width = initialCodeWidth_;
                maxCode = (1 << width) - 1;
                table.Clear();
                next = clearCode + 2;
            } else {
                table.InsertAt(slot, key, next++);
            }
        }
    });
    accumulator_ = acc;
    bitCount_ = bits;
    codeWidth_ = width;
    maxCode_ = maxCode;
    nextCode_ = next;
    justCleared_ = false;
    Output(prefix);
    table_.reset();
}

// ---- run-length --------------------------------------------------------------------------

unsigned IntegerSqrt(unsigned x)
{
    if (x < 2)
        return x;
    unsigned r = 1;
    for (unsigned v = x; v; v >>= 2)
        r <<= 1;
    for (;;) {
        const unsigned v = (x / r + r) / 2;
        if (v == r || v == r + 1)
            return r;
        r = v;
    }
}

unsigned CountRunCodes(unsigned count, unsigned maxLength)
{
    const unsigned perRepeat = maxLength * (maxLength + 1) / 2;
    unsigned cost = 0;
    if (perRepeat > 0) {
        cost = (count / perRepeat) * maxLength;
        count %= perRepeat;
    }
    if (count > 0) {
        unsigned n = IntegerSqrt(count);
        while (n > 0 && n * (n + 1) >= 2 * count)
            --n;
        while (n * (n + 1) < 2 * count)
            ++n;
        cost += n;
    }
    return cost;
}

void TRLEEncoder::Clear()
{
    outBump_ = outBumpInit_;
    outClear_ = outClearInit_;
    outCount_ = 0;
    runTableMax_ = 0;
    TGIFEncoder::Clear();
    codeWidth_ = initialCodeWidth_;
}

void TRLEEncoder::EmitPlainCode(int code)
{
    justCleared_ = false;
    Output(code);
    ++outCount_;
    if (outCount_ >= outBump_) {
        ++codeWidth_;
        outBump_ += 1 << (codeWidth_ - 1);
    }
    if (outCount_ >= outClear_)
        Clear();
}

void TRLEEncoder::RestoreClearLimit()
{
    outClear_ = outClearInit_;
    if (outCount_ >= outClear_)
        Clear();
}

void TRLEEncoder::EmitRunWithTable(int count)
{
    UseFullTable();
    runTablePixel_ = runPixel_;
    int k = 1;
    while (count > 0) {
        if (k == 1) {
            runTableMax_ = 1;
            EmitPlainCode(runPixel_);
            --count;
        } else if (count >= k) {
            runTableMax_ = k;
            EmitPlainCode(runBaseCode_ + k - 2);
            count -= k;
        } else if (count == 1) {
            ++runTableMax_;
            EmitPlainCode(runPixel_);
            count = 0;
        } else {
            ++runTableMax_;
            EmitPlainCode(runBaseCode_ + count - 2);
            count = 0;
        }
        k = (outCount_ == 0) ? 1 : k + 1;
    }
    RestoreClearLimit();
}

void TRLEEncoder::EmitRunAfterClear(int count)
{
    const unsigned withClear = 1 + CountRunCodes(unsigned(count), unsigned(maxOCodes_));
    if (withClear < unsigned(count)) {
        Clear();
        EmitRunWithTable(count);
    } else {
        for (; count > 0; --count)
            EmitPlainCode(runPixel_);
    }
}

void TRLEEncoder::EmitRunReusingCodes(int count)
{
    int repeats = count / runTableMax_;
    int leftover = count % runTableMax_;
    int extra = leftover ? 1 : 0;
    if (outCount_ + repeats + extra > maxOCodes_) {
        repeats = maxOCodes_ - outCount_;
        leftover = count - repeats * runTableMax_;
        extra = 1 + int(CountRunCodes(unsigned(leftover), unsigned(maxOCodes_)));
    }
    if (1 + int(CountRunCodes(unsigned(count), unsigned(maxOCodes_))) < repeats + extra) {
        Clear();
        EmitRunWithTable(count);
        return;
    }
    UseFullTable();
    for (; repeats > 0; --repeats)
        EmitPlainCode(runBaseCode_ + runTableMax_ - 2);
    if (leftover) {
        if (justCleared_)
            EmitRunWithTable(leftover);
        else if (leftover == 1)
            EmitPlainCode(runPixel_);
        else
            EmitPlainCode(runBaseCode_ + leftover - 2);
    }
    RestoreClearLimit();
}

void TRLEEncoder::FlushRun(int count)
{
    if (count == 1)
        EmitPlainCode(runPixel_);
    else if (justCleared_)
        EmitRunWithTable(count);
    else if (runTableMax_ < 2 || runTablePixel_ != runPixel_)
        EmitRunAfterClear(count);
    else
        EmitRunReusingCodes(count);
}

void TRLEEncoder::DoCompress()
{
    outBumpInit_ = clearCode_ - 1;
    outClearInit_ = (bitsPerPixel_ <= 3) ? 9 : clearCode_ - 2;
    maxOCodes_ = 4095 - (clearCode_ + 2);
    runBaseCode_ = clearCode_ + 2;
    runPixel_ = -1;
    runCount_ = 0;
    runTablePixel_ = -1;
    runTableMax_ = 0;
    Clear();
    const int colors = colorCount_;
    const bool check = colors < 256;
    ForEachRow([&](const BYTE* row) {
        for (const BYTE* p = row, *end = row + width_; p < end; ++p) {
            const int pixel = *p;
            if (check && pixel >= colors)
                BadColor();
            if (runCount_ > 0 && pixel != runPixel_) {
                FlushRun(runCount_);
                runCount_ = 0;
            }
            if (pixel == runPixel_) {
                ++runCount_;
            } else {
                runPixel_ = pixel;
                runCount_ = 1;
            }
        }
    });
    if (runCount_ > 0)
        FlushRun(runCount_);
}
