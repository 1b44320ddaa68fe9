// The run-length encoder: runs of one index sent as strings of growing length, in codes any
// LZW decoder reads.
#include "gif/lzw.h"

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
