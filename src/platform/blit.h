#pragma once
// Block transfers between bitmaps with raster operations.
//
// Stretching is nearest-neighbour in both directions: every destination pixel takes one
// source pixel. The platform's default shrink mode combined the pixels it dropped (AND or
// OR of them); we keep the plain nearest pixel so that results do not depend on a mode.
#include "platform/bitmap.h"
#include "platform/dib.h"

constexpr DWORD SRCCOPY = 0x00CC0020;
constexpr DWORD SRCPAINT = 0x00EE0086;
constexpr DWORD SRCAND = 0x008800C6;
constexpr DWORD SRCINVERT = 0x00660046;
constexpr DWORD SRCERASE = 0x00440328;
constexpr DWORD NOTSRCCOPY = 0x00330008;
constexpr DWORD NOTSRCERASE = 0x001100A6;
constexpr DWORD MERGEPAINT = 0x00BB0226;
constexpr DWORD DSTINVERT = 0x00550009;
constexpr DWORD BLACKNESS = 0x00000042;
constexpr DWORD WHITENESS = 0x00FF0062;

// Signed extents: a negative width or height mirrors that direction (the block then covers
// x+w+1 .. x, as the platform maps it). Both rectangles are clipped to their bitmaps.
// Source and destination may be the same bitmap. Unknown raster operations answer false.
bool BitBlt(TBitmap& dst, int x, int y, int w, int h, const TBitmap& src, int sx, int sy, DWORD rop);
bool StretchBlt(TBitmap& dst, int x, int y, int w, int h, const TBitmap& src, int sx, int sy,
                int sw, int sh, DWORD rop);
// Blits a raw DIB (header, colour table or masks, bits); sx, sy count from the top-left.
// A malformed header answers false.
bool StretchDIBits(TBitmap& dst, int x, int y, int w, int h, int sx, int sy, int sw, int sh,
                   const void* bits, const TBitmapInfoHeader* info, const TRGBQuad* colors, DWORD rop);
// Blits every source pixel except those whose colour is exactly transparent (RGB).
bool TransparentStretchBlt(TBitmap& dst, int x, int y, int w, int h, const TBitmap& src, int sx,
                           int sy, int sw, int sh, TColor transparent);
