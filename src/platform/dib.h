#pragma once
// The device-independent bitmap headers as they are laid out in BMP files and in memory.
#include <cstddef>
#include <cstdint>

#include "platform/types.h"

#pragma pack(push, 1)
struct TBitmapFileHeader {
    WORD bfType = 0x4D42; // "BM"
    DWORD bfSize = 0;
    WORD bfReserved1 = 0;
    WORD bfReserved2 = 0;
    DWORD bfOffBits = 0;
};

struct TBitmapInfoHeader {
    DWORD biSize = 40;
    LONG biWidth = 0;
    LONG biHeight = 0; // positive: rows bottom-up; negative: top-down
    WORD biPlanes = 1;
    WORD biBitCount = 0;
    DWORD biCompression = 0;
    DWORD biSizeImage = 0;
    LONG biXPelsPerMeter = 0;
    LONG biYPelsPerMeter = 0;
    DWORD biClrUsed = 0;
    DWORD biClrImportant = 0;
};
#pragma pack(pop)

static_assert(sizeof(TBitmapFileHeader) == 14 && sizeof(TBitmapInfoHeader) == 40);

constexpr DWORD BI_RGB = 0;
constexpr DWORD BI_RLE8 = 1;
constexpr DWORD BI_RLE4 = 2;
constexpr DWORD BI_BITFIELDS = 3;

// Bytes of one DIB row: rows are padded to whole 32-bit words. 64-bit so that no header
// value can overflow it.
constexpr std::int64_t DIBBytesPerRow(std::int64_t width, int bitsPerPixel)
{
    return ((width * bitsPerPixel + 31) / 32) * 4;
}
