#pragma once
// LZW decoding of frame data and the two encoders (true LZW and a run-length scheme that
// only emits codes an ordinary decoder understands), with the sub-block writer they share.
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "gif/gif_types.h"
#include "platform/streams.h"

// A stream the library hands out for one purpose only: every operation but the ones a
// subclass allows raises "Invalid stream operation".
class TGIFStream : public TStream {
public:
    std::int64_t Read(void* buffer, std::int64_t count) override;
    std::int64_t Write(const void* buffer, std::int64_t count) override;
    std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
};

// Reads bytes held elsewhere: a frame's data as it was read, decoded again. Seeking past the
// end is allowed, as on a file, and reads nothing there.
class TGIFDataReader final : public TGIFStream {
public:
    TGIFDataReader(const BYTE* data, std::size_t size) : data_(data), size_(std::int64_t(size)) {}
    std::int64_t Read(void* buffer, std::int64_t count) override;
    std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;

private:
    const BYTE* data_;
    std::int64_t size_;
    std::int64_t position_ = 0;
};

// Packs written bytes into data sub-blocks of at most 255 bytes on the target stream.
class TGIFWriter final : public TGIFStream {
public:
    explicit TGIFWriter(TStream& target) : target_(target) {}
    // Writes a partly filled block.
    ~TGIFWriter() override;
    std::int64_t Write(const void* buffer, std::int64_t count) override;
    void PutByte(BYTE b)
    {
        dirty_ = true;
        buffer_[pos_++] = b;
        if (pos_ == 256)
            FlushBlock();
    }
    void FlushBlock();

private:
    TStream& target_;
    BYTE buffer_[256] = {};
    int pos_ = 1; // byte 0 is the count
    bool dirty_ = false;
};

// The LZW encoder's string table: 16384 slots, key (prefix * 256 + pixel) in the high 20 bits,
// code in the low 12, all ones for an empty slot.
class THashTable {
public:
    static constexpr int HashBits = 14;
    static constexpr int HashSize = 1 << HashBits;
    static constexpr std::uint32_t Empty = 0xFFFFFFFFu;
    THashTable() { Clear(); }
    void Clear();
    void Insert(std::uint32_t key, int code);
    // The code stored for key, or -1.
    int Lookup(std::uint32_t key) const
    {
        int empty;
        return Find(key, empty);
    }
    // Like Lookup; on a miss, emptySlot is where Insert would put the key, so that the
    // encoder does not walk the probe sequence twice for every new string.
    int Find(std::uint32_t key, int& emptySlot) const
    {
        int h = Home(key);
        for (;;) {
            const std::uint32_t slot = slots_[h];
            if (slot == Empty) {
                emptySlot = h;
                return -1;
            }
            if ((slot >> 12) == key)
                return int(slot & 0xFFF);
            h = Next(h);
        }
    }
    void InsertAt(int emptySlot, std::uint32_t key, int code)
    {
        slots_[emptySlot] = (key << 12) | std::uint32_t(code & 0xFFF);
    }

    // Home slot: the pixel's part is a multiplicative hash, the prefix's a multiple of 9.
    // Each found string's code is the next prefix, so the prefix's part sits on the
    // encoder's critical path and must be one address computation rather than a multiply;
    // for one pixel no two prefixes share a home, and the pixel part scatters the rest. The
    // table never holds more than 4093 strings, so it stays at most a quarter full: most
    // lookups end at their home slot, and the probe loop's branch is rarely mispredicted.
    static int Home(std::uint32_t prefix, std::uint32_t pixel)
    {
        return int((prefix * 9 + ((pixel * 0x9E3779B1u) >> (32 - HashBits))) & (HashSize - 1));
    }
    static int Home(std::uint32_t key) { return Home(key >> 8, key & 0xFF); }
    static int Next(int h) { return (h + 1) & (HashSize - 1); }
    std::uint32_t& At(int h) { return slots_[h]; }

private:
    std::uint32_t slots_[HashSize];
};

class TGIFEncoder {
public:
    virtual ~TGIFEncoder() = default;
    // The common driver: code size byte, the codes in sub-blocks, the end code and the 0
    // terminator. pixels holds width x height indices, rows top to bottom.
    void Compress(TStream& stream, int bitsPerPixel, int width, int height, bool interlaced,
                  const BYTE* pixels, int colorCount);

protected:
    virtual void Output(int code);
    virtual void Clear();
    virtual void DoCompress() = 0;

    // Row order of the frame (interlaced or not); calls f(rowPointer) for each row.
    template <typename F>
    void ForEachRow(F&& f);
    [[noreturn]] static void BadColor();

    void BaseOutput(int code)
    {
        accumulator_ |= std::uint64_t(code) << bitCount_;
        bitCount_ += codeWidth_;
        while (bitCount_ >= 8) {
            writer_->PutByte(BYTE(accumulator_));
            accumulator_ >>= 8;
            bitCount_ -= 8;
        }
        if (code == endCode_ && bitCount_ > 0) {
            writer_->PutByte(BYTE(accumulator_));
            accumulator_ = 0;
            bitCount_ = 0;
        }
    }

    int bitsPerPixel_ = 0;
    int colorCount_ = 0;
    int width_ = 0;
    int height_ = 0;
    bool interlaced_ = false;
    const BYTE* pixels_ = nullptr;
    std::unique_ptr<TGIFWriter> writer_;
    int initialCodeWidth_ = 0;
    int codeWidth_ = 0;
    int maxCode_ = 0;
    int clearCode_ = 0;
    int endCode_ = 0;
    int firstFreeCode_ = 0;
    std::uint64_t accumulator_ = 0;
    int bitCount_ = 0;
    bool justCleared_ = false;
};

class TLZWEncoder final : public TGIFEncoder {
protected:
    void Output(int code) override;
    void Clear() override;
    void DoCompress() override;

private:
    int nextCode_ = 0;
    std::unique_ptr<THashTable> table_;
};

class TRLEEncoder final : public TGIFEncoder {
protected:
    void Clear() override;
    void DoCompress() override;

private:
    void EmitPlainCode(int code);
    void FlushRun(int count);
    void EmitRunWithTable(int count);
    void EmitRunAfterClear(int count);
    void EmitRunReusingCodes(int count);
    void RestoreClearLimit();
    void UseFullTable() { outClear_ = maxOCodes_; }

    int runPixel_ = -1;
    int runCount_ = 0;
    int runTablePixel_ = -1;
    int runTableMax_ = 0;
    int outCount_ = 0;
    int outBump_ = 0;
    int outClear_ = 0;
    int outBumpInit_ = 0;
    int outClearInit_ = 0;
    int maxOCodes_ = 0;
    int runBaseCode_ = 0;
};

// Codes needed to send count pixels with strings of lengths 1, 2, 3 ... up to maxLength.
unsigned CountRunCodes(unsigned count, unsigned maxLength);
unsigned IntegerSqrt(unsigned x);

// Where the decoder puts the pixels and tells about what it met; warnings are forwarded,
// errors raise.
struct TLZWDecodeTarget {
    BYTE* Pixels = nullptr;
    std::size_t Capacity = 0; // no pixel is written at or beyond this many
    std::function<void(int messageId)> Warning;
};

// Reads the code size byte and the data sub-blocks up to their terminator and writes the
// pixels in the order the data holds them (an interlaced frame's rows pass by pass); answers
// how many. Bytes after those may have been written over.
std::size_t DecodeLZW(TStream& stream, const TLZWDecodeTarget& target);
// Where the LZW data at the stream's position stand, found by walking their sub-blocks; the
// position is put back.
struct TLZWDataExtent {
    std::int64_t End = 0;        // past the terminator, or the end of the stream
    std::uint64_t DataBytes = 0; // the bytes of the sub-blocks' data
    // The most pixels the data can describe.
    std::uint64_t PixelBound() const;
};
TLZWDataExtent FindLZWData(TStream& stream);
