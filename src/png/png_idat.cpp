// Image data: the zlib pull-reader across consecutive IDAT chunks and the splitting writer,
// the five row filters both ways, the Adam7 passes, and the row copiers and encoders that
// move samples between PNG rows and the in-memory DIB.
#include <algorithm>
#include <cstring>
#include <zlib.h>

#include "png/png_internal.h"
#include "png/pngimage.h"

const BYTE RowStart[7] = {0, 0, 4, 0, 2, 0, 1};
const BYTE ColumnStart[7] = {0, 4, 0, 2, 0, 1, 0};
const BYTE RowIncrement[7] = {8, 8, 8, 4, 4, 2, 2};
const BYTE ColumnIncrement[7] = {8, 8, 4, 4, 2, 2, 1};

namespace {

constexpr std::size_t ZlibInputSize = 65535;
// Decoded bytes asked of zlib at a time: large enough that its fast loop does nearly all the
// work, small enough to stay in the cache for unfiltering.
constexpr std::size_t DecodeBatchBytes = 256 * 1024;
// What zlib can still produce from the bits and the match it holds once its input is used
// up is at most a few kilobytes.
constexpr std::size_t RowByRowTailBytes = 16 * 1024;

[[noreturn]] void RaiseZlib(TPNGObject* owner, const z_stream& z, int code)
{
    std::string message = z.msg ? z.msg : zError(code);
    owner->RaiseError<EPNGZLIBError>(LoadPngText(EPNGZLIBErrorText) + message);
}

void WriteRawChunk(TStream& stream, const char* name, const BYTE* data, DWORD size)
{
    BYTE head[8];
    PutBE32(head, size);
    std::memcpy(head + 4, name, 4);
    stream.WriteBuffer(head, 8);
    if (size)
        stream.WriteBuffer(data, size);
    BYTE crc[4];
    PutBE32(crc, ChunkCrc(name, data, size));
    stream.WriteBuffer(crc, 4);
}

// ---------------------------------------------------------------------------------------
// The reader: one inflate stream fed from the current IDAT chunk; at a chunk's end its CRC
// is checked and the next chunk must be IDAT again.

class TIdatReader {
public:
    TIdatReader(TPNGObject* owner, TStream& stream, DWORD size)
        : owner_(owner), stream_(stream), input_(ZlibInputSize), remaining_(size)
    {
        std::memset(&z_, 0, sizeof z_);
        int r = inflateInit(&z_);
        if (r != Z_OK)
            RaiseZlib(owner_, z_, r);
        // zlib's own check value is the slowest part of its inflate; ours is computed as
        // the output arrives and compared where zlib would compare it.
        inflateValidate(&z_, 0);
        const BYTE name[4] = {'I', 'D', 'A', 'T'};
        crc_ = UpdateCrc(0xFFFFFFFFu, name, 4);
    }
    ~TIdatReader() { inflateEnd(&z_); }
    TIdatReader(const TIdatReader&) = delete;
    TIdatReader& operator=(const TIdatReader&) = delete;

    // Fills up to count bytes; fewer only when the compressed stream has ended.
    std::size_t IDATZlibRead(BYTE* buffer, std::size_t count)
    {
        z_.next_out = buffer;
        z_.avail_out = uInt(count);
        while (z_.avail_out > 0 && !ended_) {
            if (z_.avail_in == 0) {
                if (remaining_ == 0) {
                    NextChunk();
                    continue;
                }
                std::size_t n = std::min<std::size_t>(remaining_, ZlibInputSize);
                KeepConsumedTail();
                PngReadExact(owner_, stream_, input_.data(), std::int64_t(n));
                crc_ = UpdateCrc(crc_, input_.data(), n);
                remaining_ -= DWORD(n);
                filled_ = n;
                z_.next_in = input_.data();
                z_.avail_in = uInt(n);
            }
            BYTE* produced = z_.next_out;
            int r = inflate(&z_, Z_NO_FLUSH);
            adler_ = ZlibAdler32(adler_, produced, std::size_t(z_.next_out - produced));
            if (r == Z_STREAM_END) {
                ended_ = true;
                CheckAdler();
            } else if (r == Z_BUF_ERROR) {
                // Only an empty input explains no progress; anything else would loop forever.
                if (z_.avail_in != 0)
                    RaiseZlib(owner_, z_, r);
            } else if (r != Z_OK) {
                RaiseZlib(owner_, z_, r);
            }
        }
        return count - z_.avail_out;
    }

    // Reads what is left of the current chunk and checks its CRC.
    void Finish()
    {
        while (remaining_ > 0) {
            std::size_t n = std::min<std::size_t>(remaining_, ZlibInputSize);
            PngReadExact(owner_, stream_, input_.data(), std::int64_t(n));
            crc_ = UpdateCrc(crc_, input_.data(), n);
            remaining_ -= DWORD(n);
        }
        CheckCrc();
    }

    // Bytes placed in the last buffer given to IDATZlibRead so far, also when it raised.
    std::size_t Produced(const BYTE* buffer) const { return std::size_t(z_.next_out - buffer); }

private:
    // The four bytes before the current input buffer, for a check value split across two.
    void KeepConsumedTail()
    {
        for (std::size_t i = filled_ > 4 ? filled_ - 4 : 0; i < filled_; ++i)
            consumedTail_ = (consumedTail_ << 8) | input_[i];
        filled_ = 0;
    }

    // At the end of the stream the last four bytes read are its big-endian check value.
    void CheckAdler()
    {
        DWORD stored = consumedTail_;
        std::size_t used = std::size_t(z_.next_in - input_.data());
        for (std::size_t i = used > 4 ? used - 4 : 0; i < used; ++i)
            stored = (stored << 8) | input_[i];
        if (stored != adler_)
            owner_->RaiseError<EPNGZLIBError>(LoadPngText(EPNGZLIBErrorText) + "incorrect data check");
    }

    void CheckCrc()
    {
        if (PngReadDWord(owner_, stream_) != (crc_ ^ 0xFFFFFFFFu))
            owner_->RaiseError<EPngInvalidCRC>(LoadPngText(EPngInvalidCRCText));
    }

    void NextChunk()
    {
        CheckCrc();
        BYTE head[8];
        PngReadExact(owner_, stream_, head, 8);
        if (std::memcmp(head + 4, "IDAT", 4) != 0)
            owner_->RaiseError<EPNGMissingMultipleIDAT>(LoadPngText(EPNGMissingMultipleIDATText));
        DWORD length = GetBE32(head);
        if (length > 0x7FFFFFFFu)
            owner_->RaiseError<EPngUnexpectedEnd>(LoadPngText(EPNGUnexpectedEndText));
        PngCheckAvailable(owner_, stream_, std::uint64_t(length) + 4);
        remaining_ = length;
        crc_ = UpdateCrc(0xFFFFFFFFu, head + 4, 4);
    }

    TPNGObject* owner_;
    TStream& stream_;
    std::vector<BYTE> input_;
    DWORD remaining_;
    DWORD crc_ = 0;
    DWORD adler_ = 1;
    DWORD consumedTail_ = 0;
    std::size_t filled_ = 0;
    z_stream z_;
    bool ended_ = false;
};

// ---------------------------------------------------------------------------------------
// The writer: one deflate stream whose output buffer goes out as an IDAT chunk each time it
// fills.

class TIdatWriter {
public:
    TIdatWriter(TPNGObject* owner, TStream& stream)
        : owner_(owner), stream_(stream), output_(owner->MaxIdatSize())
    {
        std::memset(&z_, 0, sizeof z_);
        // A raw stream with the zlib header and check value of our own: zlib's check value
        // is slower than ours, and the bytes are the same as its own wrapping makes.
        const int level = owner->CompressionLevel();
        int r = deflateInit2(&z_, level, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
        if (r != Z_OK)
            RaiseZlib(owner_, z_, r);
        unsigned header = (Z_DEFLATED + ((MAX_WBITS - 8) << 4)) << 8;
        header |= unsigned(level < 2 ? 0 : level < 6 ? 1 : level == 6 ? 2 : 3) << 6;
        header += 31 - header % 31;
        output_[0] = BYTE(header >> 8);
        output_[1] = BYTE(header);
        z_.next_out = output_.data() + 2;
        z_.avail_out = uInt(output_.size() - 2);
    }
    ~TIdatWriter() { deflateEnd(&z_); }
    TIdatWriter(const TIdatWriter&) = delete;
    TIdatWriter& operator=(const TIdatWriter&) = delete;

    void IDATZlibWrite(const BYTE* data, std::size_t size)
    {
        adler_ = ZlibAdler32(adler_, data, size);
        z_.next_in = const_cast<BYTE*>(data);
        z_.avail_in = uInt(size);
        while (z_.avail_in > 0) {
            if (z_.avail_out == 0)
                FlushBuffer();
            int r = deflate(&z_, Z_NO_FLUSH);
            if (r != Z_OK)
                RaiseZlib(owner_, z_, r);
        }
    }

    void FinishIDATZlib()
    {
        z_.next_in = nullptr;
        z_.avail_in = 0;
        for (;;) {
            if (z_.avail_out == 0)
                FlushBuffer();
            int r = deflate(&z_, Z_FINISH);
            if (r == Z_STREAM_END)
                break;
            if (r != Z_OK)
                RaiseZlib(owner_, z_, r);
        }
        BYTE check[4];
        PutBE32(check, adler_);
        for (BYTE b : check) {
            if (z_.avail_out == 0)
                FlushBuffer();
            *z_.next_out++ = b;
            --z_.avail_out;
        }
        std::size_t produced = output_.size() - z_.avail_out;
        if (produced > 0)
            WriteRawChunk(stream_, "IDAT", output_.data(), DWORD(produced));
        z_.next_out = output_.data();
        z_.avail_out = uInt(output_.size());
    }

private:
    void FlushBuffer()
    {
        WriteRawChunk(stream_, "IDAT", output_.data(), DWORD(output_.size()));
        z_.next_out = output_.data();
        z_.avail_out = uInt(output_.size());
    }

    TPNGObject* owner_;
    TStream& stream_;
    std::vector<BYTE> output_;
    DWORD adler_ = 1;
    z_stream z_;
};

// ---------------------------------------------------------------------------------------
// Copiers: one PNG row (after unfiltering) into a DIB row and an alpha row. Pixels go to
// columns x0, x0 + dx, ... for count pixels; the non-interlaced forms use 0 and 1.

struct TCopyContext {
    const BYTE* Gamma;
    bool IdentityGamma;
    int BitDepth;
};

using TCopyProc = void (*)(const TCopyContext& c, const BYTE* src, BYTE* dib, BYTE* alpha,
                           unsigned x0, unsigned dx, unsigned count);

template <bool I>
void CopyPalette148(const TCopyContext& c, const BYTE* src, BYTE* dib, BYTE*, unsigned x0,
                    unsigned dx, unsigned count)
{
    const unsigned d = unsigned(c.BitDepth);
    if (!I) {
        std::memcpy(dib, src, (std::size_t(count) * d + 7) / 8);
        return;
    }
    if (d == 8) {
        for (unsigned i = 0, x = x0; i < count; ++i, x += dx)
            dib[x] = src[i];
        return;
    }
    const unsigned mask = (1u << d) - 1;
    for (unsigned i = 0, x = x0; i < count; ++i, x += dx) {
        unsigned sbit = i * d;
        unsigned v = (src[sbit >> 3] >> (8 - d - (sbit & 7))) & mask;
        unsigned dbit = x * d;
        dib[dbit >> 3] = BYTE(dib[dbit >> 3] | (v << (8 - d - (dbit & 7))));
    }
}

// 2-bit samples become 4-bit DIB indices; grey levels are spread over 0..15 (times 5).
template <bool I, unsigned Scale>
void CopyTwoBit(const TCopyContext&, const BYTE* src, BYTE* dib, BYTE*, unsigned x0, unsigned dx,
                unsigned count)
{
    if (!I)
        std::memset(dib, 0, (std::size_t(count) + 1) / 2);
    for (unsigned i = 0, x = I ? x0 : 0; i < count; ++i, x += I ? dx : 1) {
        unsigned v = ((src[i >> 2] >> (6 - 2 * (i & 3))) & 3u) * Scale;
        dib[x >> 1] = BYTE(dib[x >> 1] | ((x & 1) ? v : v << 4));
    }
}

template <bool I>
void CopyGrayscale16(const TCopyContext&, const BYTE* src, BYTE* dib, BYTE*, unsigned x0,
                     unsigned dx, unsigned count)
{
    for (unsigned i = 0, x = I ? x0 : 0; i < count; ++i, x += I ? dx : 1)
        dib[x] = src[2 * i];
}

template <bool I, unsigned Step, unsigned Sample, bool Alpha>
void CopyRGB(const TCopyContext& c, const BYTE* src, BYTE* dib, BYTE* alpha, unsigned x0,
             unsigned dx, unsigned count)
{
    const BYTE* g = c.Gamma;
    if (c.IdentityGamma) {
        if constexpr (!I && Sample == 1) {
            if constexpr (Alpha)
                SwapRgbaToBgr(src, dib, alpha, count);
            else
                SwapRgbToBgr(src, dib, count);
            return;
        }
        for (unsigned i = 0, x = I ? x0 : 0; i < count; ++i, x += I ? dx : 1) {
            const BYTE* s = src + std::size_t(i) * Step;
            BYTE* d = dib + std::size_t(x) * 3;
            d[0] = s[2 * Sample];
            d[1] = s[Sample];
            d[2] = s[0];
            if (Alpha)
                alpha[x] = s[3 * Sample];
        }
        return;
    }
    for (unsigned i = 0, x = I ? x0 : 0; i < count; ++i, x += I ? dx : 1) {
        const BYTE* s = src + std::size_t(i) * Step;
        BYTE* d = dib + std::size_t(x) * 3;
        d[0] = g[s[2 * Sample]];
        d[1] = g[s[Sample]];
        d[2] = g[s[0]];
        if (Alpha)
            alpha[x] = s[3 * Sample];
    }
}

template <bool I, unsigned Sample>
void CopyGrayscaleAlpha(const TCopyContext&, const BYTE* src, BYTE* dib, BYTE* alpha, unsigned x0,
                        unsigned dx, unsigned count)
{
    for (unsigned i = 0, x = I ? x0 : 0; i < count; ++i, x += I ? dx : 1) {
        dib[x] = src[2 * Sample * i];
        alpha[x] = src[2 * Sample * i + Sample];
    }
}

TCopyProc SelectCopier(BYTE colorType, BYTE depth, bool interlaced)
{
#define KELVO_PICK(F) (interlaced ? TCopyProc(&F<true>) : TCopyProc(&F<false>))
#define KELVO_PICK2(F, ...) (interlaced ? TCopyProc(&F<true, __VA_ARGS__>) : TCopyProc(&F<false, __VA_ARGS__>))
    switch (colorType) {
    case COLOR_GRAYSCALE:
        if (depth == 2)
            return KELVO_PICK2(CopyTwoBit, 5);
        if (depth == 16)
            return KELVO_PICK(CopyGrayscale16);
        return KELVO_PICK(CopyPalette148);
    case COLOR_PALETTE:
        if (depth == 2)
            return KELVO_PICK2(CopyTwoBit, 1);
        if (depth == 16)
            return KELVO_PICK(CopyGrayscale16);
        return KELVO_PICK(CopyPalette148);
    case COLOR_RGB:
        return depth == 16 ? KELVO_PICK2(CopyRGB, 6, 2, false) : KELVO_PICK2(CopyRGB, 3, 1, false);
    case COLOR_GRAYSCALEALPHA:
        return depth == 16 ? KELVO_PICK2(CopyGrayscaleAlpha, 2) : KELVO_PICK2(CopyGrayscaleAlpha, 1);
    case COLOR_RGBALPHA:
        return depth == 16 ? KELVO_PICK2(CopyRGB, 8, 2, true) : KELVO_PICK2(CopyRGB, 4, 1, true);
    default:
        return nullptr;
    }
}

// ---------------------------------------------------------------------------------------
// Encoders: a DIB row (and its alpha row) into one PNG row, gathering columns x0, x0 + dx...

struct TEncodeContext {
    const BYTE* InverseGamma;
    bool IdentityGamma;
    int BitDepth;
};

using TEncodeProc = void (*)(const TEncodeContext& c, const BYTE* dib, const BYTE* alpha, BYTE* out,
                             unsigned x0, unsigned dx, unsigned count);

template <bool I>
void EncodePalette148(const TEncodeContext& c, const BYTE* dib, const BYTE*, BYTE* out, unsigned x0,
                      unsigned dx, unsigned count)
{
    const unsigned d = unsigned(c.BitDepth);
    std::size_t bytes = (std::size_t(count) * d + 7) / 8;
    if (!I) {
        std::memcpy(out, dib, bytes);
        return;
    }
    if (d == 8) {
        for (unsigned i = 0, x = x0; i < count; ++i, x += dx)
            out[i] = dib[x];
        return;
    }
    std::memset(out, 0, bytes);
    const unsigned mask = (1u << d) - 1;
    for (unsigned i = 0, x = x0; i < count; ++i, x += dx) {
        unsigned sbit = x * d;
        unsigned v = (dib[sbit >> 3] >> (8 - d - (sbit & 7))) & mask;
        unsigned dbit = i * d;
        out[dbit >> 3] = BYTE(out[dbit >> 3] | (v << (8 - d - (dbit & 7))));
    }
}

template <bool I>
void EncodeGrayscale16(const TEncodeContext&, const BYTE* dib, const BYTE*, BYTE* out, unsigned x0,
                       unsigned dx, unsigned count)
{
    for (unsigned i = 0, x = I ? x0 : 0; i < count; ++i, x += I ? dx : 1) {
        out[2 * i] = dib[x];
        out[2 * i + 1] = 0;
    }
}

template <bool I, unsigned Step, unsigned Sample, bool Alpha>
void EncodeRGB(const TEncodeContext& c, const BYTE* dib, const BYTE* alpha, BYTE* out, unsigned x0,
               unsigned dx, unsigned count)
{
    const BYTE* ig = c.InverseGamma;
    if (Sample == 2)
        std::memset(out, 0, std::size_t(count) * Step);
    if constexpr (!I && Sample == 1 && !Alpha) {
        // Swapping B and R is its own inverse.
        if (c.IdentityGamma) {
            SwapRgbToBgr(dib, out, count);
            return;
        }
    }
    if (c.IdentityGamma) {
        for (unsigned i = 0, x = I ? x0 : 0; i < count; ++i, x += I ? dx : 1) {
            const BYTE* s = dib + std::size_t(x) * 3;
            BYTE* o = out + std::size_t(i) * Step;
            o[0] = s[2];
            o[Sample] = s[1];
            o[2 * Sample] = s[0];
            if (Alpha)
                o[3 * Sample] = alpha[x];
        }
        return;
    }
    for (unsigned i = 0, x = I ? x0 : 0; i < count; ++i, x += I ? dx : 1) {
        const BYTE* s = dib + std::size_t(x) * 3;
        BYTE* o = out + std::size_t(i) * Step;
        o[0] = ig[s[2]];
        o[Sample] = ig[s[1]];
        o[2 * Sample] = ig[s[0]];
        if (Alpha)
            o[3 * Sample] = alpha[x];
    }
}

template <bool I, unsigned Sample>
void EncodeGrayscaleAlpha(const TEncodeContext&, const BYTE* dib, const BYTE* alpha, BYTE* out,
                          unsigned x0, unsigned dx, unsigned count)
{
    for (unsigned i = 0, x = I ? x0 : 0; i < count; ++i, x += I ? dx : 1) {
        BYTE* o = out + std::size_t(i) * 2 * Sample;
        o[0] = dib[x];
        o[Sample] = alpha[x];
        if (Sample == 2) {
            o[1] = 0;
            o[3] = 0;
        }
    }
}

TEncodeProc SelectEncoder(BYTE colorType, BYTE depth, bool interlaced)
{
#define KELVO_EPICK(F) (interlaced ? TEncodeProc(&F<true>) : TEncodeProc(&F<false>))
#define KELVO_EPICK2(F, ...) (interlaced ? TEncodeProc(&F<true, __VA_ARGS__>) : TEncodeProc(&F<false, __VA_ARGS__>))
    switch (colorType) {
    case COLOR_GRAYSCALE:
    case COLOR_PALETTE:
        if (depth == 16)
            return KELVO_EPICK(EncodeGrayscale16);
        if (depth == 1 || depth == 4 || depth == 8)
            return KELVO_EPICK(EncodePalette148);
        return nullptr;
    case COLOR_RGB:
        return depth == 16 ? KELVO_EPICK2(EncodeRGB, 6, 2, false) : KELVO_EPICK2(EncodeRGB, 3, 1, false);
    case COLOR_GRAYSCALEALPHA:
        return depth == 16 ? KELVO_EPICK2(EncodeGrayscaleAlpha, 2) : KELVO_EPICK2(EncodeGrayscaleAlpha, 1);
    case COLOR_RGBALPHA:
        return depth == 16 ? KELVO_EPICK2(EncodeRGB, 8, 2, true) : KELVO_EPICK2(EncodeRGB, 4, 1, true);
    default:
        return nullptr;
    }
}

bool IsIdentity(const BYTE* table)
{
    for (int i = 0; i < 256; ++i)
        if (table[i] != i)
            return false;
    return true;
}

// ---------------------------------------------------------------------------------------
// Filtering for the encoder

// Bytes equal to one of the two before them: runs that deflate will find cheap.
std::size_t FilterScore(const BYTE* b, std::size_t length)
{
    std::size_t score = 0;
    for (std::size_t i = 2; i < length; ++i)
        score += (b[i] == b[i - 1]) | (b[i] == b[i - 2]);
    return score;
}

void FilterSub(const BYTE* __restrict r, BYTE* __restrict out, std::size_t n, std::size_t off)
{
    std::size_t i = 0;
    for (; i < off && i < n; ++i)
        out[i] = r[i];
    for (; i < n; ++i)
        out[i] = BYTE(r[i] - r[i - off]);
}

void FilterUp(const BYTE* __restrict r, const BYTE* __restrict p, BYTE* __restrict out, std::size_t n)
{
    for (std::size_t i = 0; i < n; ++i)
        out[i] = BYTE(r[i] - p[i]);
}

void FilterAverage(const BYTE* __restrict r, const BYTE* __restrict p, BYTE* __restrict out,
                   std::size_t n, std::size_t off)
{
    std::size_t i = 0;
    for (; i < off && i < n; ++i)
        out[i] = BYTE(r[i] - (p[i] >> 1));
    for (; i < n; ++i)
        out[i] = BYTE(r[i] - ((unsigned(p[i]) + r[i - off]) >> 1));
}

void FilterPaeth(const BYTE* __restrict r, const BYTE* __restrict p, BYTE* __restrict out,
                 std::size_t n, std::size_t off)
{
    std::size_t i = 0;
    for (; i < off && i < n; ++i)
        out[i] = BYTE(r[i] - p[i]);
    for (; i < n; ++i)
        out[i] = BYTE(r[i] - PaethPredictor(r[i - off], p[i], p[i - off]));
}

class TRowEncoder {
public:
    TRowEncoder(TFilters filters, std::size_t maxRow, std::size_t offset)
        : filters_(filters), offset_(offset)
    {
        rawBuf_.assign(maxRow + 1, 0);
        noneBuf_.assign(maxRow + 1, 0);
        raw_ = rawBuf_.data();
        none_ = noneBuf_.data();
        onlyNone_ = filters.Empty() || filters == TFilters{pfNone};
        for (int f = pfSub; f <= pfPaeth; ++f)
            if (!onlyNone_ && filters.Contains(TFilter(f))) {
                out_[f].assign(maxRow + 1, 0);
                out_[f][0] = BYTE(f);
                ++others_;
            }
        single_ = !onlyNone_ && (others_ + (filters.Contains(pfNone) ? 1 : 0)) == 1;
    }

    // Where the encoder builds the raw row.
    BYTE* RawRow() { return raw_ + 1; }
    // The previous raw row is zero at the start of the image and of each pass.
    void ClearPrevious(std::size_t length) { std::memset(none_, 0, length + 1); }

    // Filters the raw row; answers the row to write (type byte first).
    const BYTE* FilterToEncode(std::size_t length)
    {
        const BYTE* r = raw_ + 1;
        const BYTE* p = none_ + 1;
        if (!onlyNone_) {
            if (filters_.Contains(pfSub))
                FilterSub(r, out_[pfSub].data() + 1, length, offset_);
            if (filters_.Contains(pfUp))
                FilterUp(r, p, out_[pfUp].data() + 1, length);
            if (filters_.Contains(pfAverage))
                FilterAverage(r, p, out_[pfAverage].data() + 1, length, offset_);
            if (filters_.Contains(pfPaeth))
                FilterPaeth(r, p, out_[pfPaeth].data() + 1, length, offset_);
        }
        // The raw row becomes the None output and the next row's previous row.
        std::swap(raw_, none_);
        none_[0] = 0;
        if (onlyNone_)
            return none_;
        int best = pfNone;
        if (single_) {
            for (int f = pfNone; f <= pfPaeth; ++f)
                if (filters_.Contains(TFilter(f)))
                    best = f;
        } else {
            std::size_t bestScore = 0;
            for (int f = pfNone; f <= pfPaeth; ++f) {
                if (!filters_.Contains(TFilter(f)))
                    continue;
                const BYTE* b = f == pfNone ? none_ + 1 : out_[f].data() + 1;
                std::size_t s = FilterScore(b, length);
                if (s > bestScore) {
                    bestScore = s;
                    best = f;
                }
            }
        }
        return best == pfNone ? none_ : out_[best].data();
    }

private:
    TFilters filters_;
    std::size_t offset_;
    std::vector<BYTE> rawBuf_, noneBuf_;
    BYTE* raw_;
    BYTE* none_;
    std::vector<BYTE> out_[5];
    bool onlyNone_ = false;
    bool single_ = false;
    int others_ = 0;
};

unsigned PassWidth(DWORD width, int pass)
{
    std::int64_t w = (std::int64_t(width) - ColumnStart[pass] + ColumnIncrement[pass] - 1) /
                     ColumnIncrement[pass];
    return w > 0 ? unsigned(w) : 0;
}

} // namespace

// ---------------------------------------------------------------------------------------
// Shared pieces

BYTE PaethPredictor(BYTE a, BYTE b, BYTE c)
{
    int p = int(a) + int(b) - int(c);
    int pa = p > a ? p - a : a - p;
    int pb = p > b ? p - b : b - p;
    int pc = p > c ? p - c : c - p;
    if (pa <= pb && pa <= pc)
        return a;
    return pb <= pc ? b : c;
}

std::size_t RowBytesForPixels(std::uint64_t pixels, BYTE colorType, BYTE bitDepth)
{
    switch (colorType) {
    case COLOR_GRAYSCALE:
    case COLOR_PALETTE:
        return std::size_t((pixels * bitDepth + 7) / 8);
    case COLOR_RGB:
        return std::size_t(pixels * bitDepth * 3 / 8);
    case COLOR_GRAYSCALEALPHA:
        return std::size_t(pixels * bitDepth * 2 / 8);
    case COLOR_RGBALPHA:
        return std::size_t(pixels * bitDepth * 4 / 8);
    default:
        return 0;
    }
}

void TPNGObject::GetPixelInfo(std::size_t& lineSize, std::size_t& offset) const
{
    TChunkIHDR* h = Header();
    if (!h) {
        lineSize = 0;
        offset = 0;
        return;
    }
    lineSize = RowBytesForPixels(h->Width, h->ColorType, h->BitDepth);
    switch (h->ColorType) {
    case COLOR_GRAYSCALE:
        offset = h->BitDepth == 16 ? 2 : 1;
        break;
    case COLOR_RGB:
        offset = std::size_t(h->BitDepth) * 3 / 8;
        break;
    case COLOR_GRAYSCALEALPHA:
        offset = std::size_t(h->BitDepth) * 2 / 8;
        break;
    case COLOR_RGBALPHA:
        offset = std::size_t(h->BitDepth) * 4 / 8;
        break;
    default:
        offset = 1;
        break;
    }
    if (offset == 0)
        offset = 1;
}

// ---------------------------------------------------------------------------------------
// Decoding

bool TChunkIDAT::LoadFromStream(TStream& stream, const std::string& name, DWORD size)
{
    ChunkName = name;
    TChunkIHDR* h = GetHeader();
    if (!h)
        Owner->RaiseError<EPNGHeaderNotPresent>(LoadPngText(EPNGHeaderNotPresentText));
    if (h->ColorType == COLOR_PALETTE && !Owner->Chunks.ItemFromClass<TChunkPLTE>())
        Owner->RaiseError<EPNGMissingPalette>(LoadPngText(EPNGMissingPaletteText));
    PngCheckAvailable(Owner, stream, std::uint64_t(size) + 4);
    if (h->ColorType == COLOR_GRAYSCALE || h->ColorType == COLOR_GRAYSCALEALPHA)
        h->PreparePalette();

    std::size_t rowBytes = 0, offset = 1;
    Owner->GetPixelInfo(rowBytes, offset);
    bool interlaced = h->InterlaceMethod == 1;
    TCopyProc copy = SelectCopier(h->ColorType, h->BitDepth, interlaced);
    if (!copy)
        Owner->RaiseError<EPngInvalidIHDR>(LoadPngText(EPNGInvalidIHDRText));
    TCopyContext ctx{Owner->GammaTable, IsIdentity(Owner->GammaTable), h->BitDepth};

    TIdatReader reader(Owner, stream, size);
    const bool hasAlpha = !h->ImageAlpha.empty();
    const DWORD width = h->Width;
    auto emit = [&](BYTE* row, const BYTE* prev, DWORD y) {
        UnfilterRow(row, prev, rowBytes, offset);
        copy(ctx, row + 1, Owner->GetScanline(int(y)),
             hasAlpha ? h->ImageAlpha.data() + std::size_t(y) * width : nullptr, 0, 1, width);
    };

    if (!interlaced) {
        // DecodeNonInterlaced: many rows per inflate call keep zlib in its fast loop. The
        // buffer starts with the two rows before the current batch: the row above, and the
        // row whose bytes a row cut short by the end of the stream keeps, as it always has.
        // The last rows are read one at a time, as all rows once were: a reader that
        // stopped at each row's end moved on to the next chunk at a row boundary, and near
        // the end of the data that decides which chunks are read and checked, and whether a
        // damaged stream is refused, so it is kept.
        const std::size_t stride = rowBytes + 1;
        const std::size_t batchRows =
            std::min<std::size_t>(h->Height, std::max<std::size_t>(1, DecodeBatchBytes / stride));
        const std::size_t tailRows = (RowByRowTailBytes + stride - 1) / stride;
        std::vector<BYTE> buffer((batchRows + 2) * stride, 0);
        BYTE* const batch = buffer.data() + 2 * stride;
        for (DWORD y = 0; y < h->Height;) {
            const std::size_t left = h->Height - y;
            const std::size_t want = left > tailRows ? std::min(batchRows, left - tailRows) : 1;
            std::size_t got = 0;
            try {
                got = reader.IDATZlibRead(batch, want * stride);
            } catch (...) {
                // What was decoded before the damage stays in the picture, less the row
                // that the failing read completed, which a read of that row alone left out.
                const std::size_t produced = reader.Produced(batch);
                const std::size_t whole = produced ? (produced - 1) / stride : 0;
                for (std::size_t i = 0; i < whole; ++i)
                    emit(batch + i * stride, batch + (std::ptrdiff_t(i) - 1) * std::ptrdiff_t(stride), DWORD(y + i));
                throw;
            }
            const std::size_t whole = got / stride;
            for (std::size_t i = 0; i < whole; ++i)
                emit(batch + i * stride, batch + (std::ptrdiff_t(i) - 1) * std::ptrdiff_t(stride), DWORD(y + i));
            if (whole < want) {
                if (const std::size_t part = got % stride) {
                    BYTE* row = batch + whole * stride;
                    std::memcpy(row + part, row - 2 * stride + part, stride - part);
                    emit(row, row - stride, DWORD(y + whole));
                }
                break;
            }
            y += DWORD(want);
            std::memmove(buffer.data(), buffer.data() + want * stride, 2 * stride);
        }
    } else {
        // DecodeInterlacedAdam7
        std::vector<BYTE> rows[2] = {std::vector<BYTE>(rowBytes + 1, 0), std::vector<BYTE>(rowBytes + 1, 0)};
        int cur = 1;
        for (int pass = 0; pass < 7; ++pass) {
            unsigned passWidth = PassWidth(width, pass);
            std::size_t length = RowBytesForPixels(passWidth, h->ColorType, h->BitDepth);
            std::memset(rows[1 - cur].data(), 0, rows[1 - cur].size());
            if (length == 0)
                continue;
            for (DWORD y = RowStart[pass]; y < h->Height; y += RowIncrement[pass]) {
                BYTE* row = rows[cur].data();
                if (reader.IDATZlibRead(row, length + 1) == 0)
                    break;
                UnfilterRow(row, rows[1 - cur].data(), length, offset);
                copy(ctx, row + 1, Owner->GetScanline(int(y)),
                     hasAlpha ? h->ImageAlpha.data() + std::size_t(y) * width : nullptr,
                     ColumnStart[pass], ColumnIncrement[pass], passWidth);
                cur = 1 - cur;
            }
        }
    }
    reader.Finish();
    return true;
}

// ---------------------------------------------------------------------------------------
// Encoding

bool TChunkIDAT::SaveToStream(TStream& stream)
{
    TChunkIHDR* h = GetHeader();
    if (!h)
        return false;
    bool interlaced = Owner->InterlaceMethod == imAdam7;
    TEncodeProc encode = SelectEncoder(h->ColorType, h->BitDepth, interlaced);
    if (!encode)
        Owner->RaiseError<EPngInvalidIHDR>(LoadPngText(EPNGInvalidIHDRText));
    TEncodeContext ctx{Owner->InverseGamma, IsIdentity(Owner->InverseGamma), h->BitDepth};
    std::size_t rowBytes = 0, offset = 1;
    Owner->GetPixelInfo(rowBytes, offset);

    TIdatWriter writer(Owner, stream);
    TRowEncoder rows(Owner->Filters, rowBytes, offset);
    const bool hasAlpha = !h->ImageAlpha.empty();
    const DWORD width = h->Width;

    if (!interlaced) {
        // EncodeNonInterlaced
        for (DWORD y = 0; y < h->Height; ++y) {
            encode(ctx, Owner->GetScanline(int(y)),
                   hasAlpha ? h->ImageAlpha.data() + std::size_t(y) * width : nullptr,
                   rows.RawRow(), 0, 1, width);
            writer.IDATZlibWrite(rows.FilterToEncode(rowBytes), rowBytes + 1);
        }
    } else {
        // EncodeInterlacedAdam7
        for (int pass = 0; pass < 7; ++pass) {
            unsigned passWidth = PassWidth(width, pass);
            std::size_t length = RowBytesForPixels(passWidth, h->ColorType, h->BitDepth);
            if (length == 0)
                continue;
            rows.ClearPrevious(length);
            for (DWORD y = RowStart[pass]; y < h->Height; y += RowIncrement[pass]) {
                encode(ctx, Owner->GetScanline(int(y)),
                       hasAlpha ? h->ImageAlpha.data() + std::size_t(y) * width : nullptr,
                       rows.RawRow(), ColumnStart[pass], ColumnIncrement[pass], passWidth);
                writer.IDATZlibWrite(rows.FilterToEncode(length), length + 1);
            }
        }
    }
    writer.FinishIDATZlib();
    return true;
}

// ---------------------------------------------------------------------------------------
// Compressed text

bool InflateBuffer(const BYTE* input, std::size_t size, std::vector<BYTE>& output,
                   std::string& errorText, std::size_t maxOutput)
{
    output.clear();
    z_stream z;
    std::memset(&z, 0, sizeof z);
    int r = inflateInit(&z);
    if (r != Z_OK) {
        errorText = z.msg ? z.msg : zError(r);
        return false;
    }
    BYTE work[256];
    z.next_in = const_cast<BYTE*>(input);
    z.avail_in = uInt(size);
    bool ok = true;
    for (;;) {
        z.next_out = work;
        z.avail_out = sizeof work;
        r = inflate(&z, Z_NO_FLUSH);
        output.insert(output.end(), work, work + (sizeof work - z.avail_out));
        if (r == Z_STREAM_END)
            break;
        if (r != Z_OK || output.size() > maxOutput) {
            // Errors, a preset dictionary, input that ends early (no progress) or a text
            // beyond the cap all end here.
            errorText = r == Z_OK ? std::string("text too long") : z.msg ? z.msg : zError(r);
            ok = false;
            break;
        }
    }
    inflateEnd(&z);
    if (!ok)
        output.clear();
    return ok;
}

bool DeflateBuffer(const BYTE* input, std::size_t size, int level, std::vector<BYTE>& output,
                   std::string& errorText)
{
    output.clear();
    z_stream z;
    std::memset(&z, 0, sizeof z);
    int r = deflateInit(&z, std::clamp(level, 0, 9));
    if (r != Z_OK) {
        errorText = z.msg ? z.msg : zError(r);
        return false;
    }
    BYTE work[256];
    z.next_in = const_cast<BYTE*>(input);
    z.avail_in = uInt(size);
    bool ok = true;
    for (;;) {
        z.next_out = work;
        z.avail_out = sizeof work;
        r = deflate(&z, Z_FINISH);
        output.insert(output.end(), work, work + (sizeof work - z.avail_out));
        if (r == Z_STREAM_END)
            break;
        if (r != Z_OK) {
            errorText = z.msg ? z.msg : zError(r);
            ok = false;
            break;
        }
    }
    deflateEnd(&z);
    if (!ok)
        output.clear();
    return ok;
}
