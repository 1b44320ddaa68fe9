// Encoding the image data: the row encoders that gather DIB samples into PNG rows, the five
// filters and the choice among them, and the deflate writer that cuts its output into IDAT
// chunks.
#include <algorithm>
#include <cstring>
#include <zlib.h>

#include "png/png_idat.h"
#include "png/png_internal.h"
#include "png/pngimage.h"

namespace {

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

} // namespace

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
