// What decoding and encoding the image data share: the Adam7 pass tables and widths, row
// sizes, zlib's errors and raw chunks; and whole-buffer inflate and deflate for compressed text.
#include <algorithm>
#include <cstring>
#include <zlib.h>

#include "png/png_idat.h"
#include "png/png_internal.h"
#include "png/pngimage.h"

const BYTE RowStart[7] = {0, 0, 4, 0, 2, 0, 1};
const BYTE ColumnStart[7] = {0, 4, 0, 2, 0, 1, 0};
const BYTE RowIncrement[7] = {8, 8, 8, 4, 4, 2, 2};
const BYTE ColumnIncrement[7] = {8, 8, 4, 4, 2, 2, 1};

// ---------------------------------------------------------------------------------------
// Shared pieces

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

bool IsIdentity(const BYTE* table)
{
    for (int i = 0; i < 256; ++i)
        if (table[i] != i)
            return false;
    return true;
}

unsigned PassWidth(DWORD width, int pass)
{
    std::int64_t w = (std::int64_t(width) - ColumnStart[pass] + ColumnIncrement[pass] - 1) /
                     ColumnIncrement[pass];
    return w > 0 ? unsigned(w) : 0;
}

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
