// Decoding the image data: the zlib pull-reader across consecutive IDAT chunks, the row
// copiers that move samples from PNG rows into the in-memory DIB, and the rows in turn, whole
// images in batches or the seven Adam7 passes.
#include <algorithm>
#include <cstring>
#include <zlib.h>

#include "png/png_idat.h"
#include "png/png_internal.h"
#include "png/pngimage.h"

namespace {

constexpr std::size_t ZlibInputSize = 65535;
// Decoded bytes asked of zlib at a time: large enough that its fast loop does nearly all the
// work, small enough to stay in the cache for unfiltering.
constexpr std::size_t DecodeBatchBytes = 256 * 1024;
// What zlib can still produce from the bits and the match it holds once its input is used
// up is at most a few kilobytes.
constexpr std::size_t RowByRowTailBytes = 16 * 1024;

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

} // namespace

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
