#pragma once
// Basic value types that the program and its image libraries share with the Windows
// platform they were first written for: colours as 0x00BBGGRR, rectangles, palette entries.
#include <cstdint>

using DWORD = std::uint32_t;
using WORD = std::uint16_t;
using BYTE = std::uint8_t;
using LONG = std::int32_t;
using UINT = std::uint32_t;
using BOOL = int;

// 0x00BBGGRR; values with the top byte 0x80 name a system colour (index in the low byte).
using TColor = std::int32_t;

constexpr TColor RGB(int r, int g, int b)
{
    return TColor((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}
constexpr BYTE GetRValue(TColor c) { return BYTE(c & 0xFF); }
constexpr BYTE GetGValue(TColor c) { return BYTE((c >> 8) & 0xFF); }
constexpr BYTE GetBValue(TColor c) { return BYTE((c >> 16) & 0xFF); }

struct TPoint {
    int X = 0;
    int Y = 0;
    friend bool operator==(const TPoint&, const TPoint&) = default;
};

struct TSize {
    int cx = 0;
    int cy = 0;
    friend bool operator==(const TSize&, const TSize&) = default;
};

struct TRect {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;
    constexpr int Width() const { return Right - Left; }
    constexpr int Height() const { return Bottom - Top; }
    constexpr bool IsEmpty() const { return Right <= Left || Bottom <= Top; }
    friend bool operator==(const TRect&, const TRect&) = default;
};

constexpr TRect Rect(int left, int top, int right, int bottom) { return TRect{left, top, right, bottom}; }
constexpr TRect Bounds(int left, int top, int width, int height)
{
    return TRect{left, top, left + width, top + height};
}
constexpr TPoint Point(int x, int y) { return TPoint{x, y}; }

#pragma pack(push, 1)
struct TRGBQuad {
    BYTE rgbBlue = 0;
    BYTE rgbGreen = 0;
    BYTE rgbRed = 0;
    BYTE rgbReserved = 0;
    friend bool operator==(const TRGBQuad&, const TRGBQuad&) = default;
};

struct TRGBTriple {
    BYTE rgbtBlue = 0;
    BYTE rgbtGreen = 0;
    BYTE rgbtRed = 0;
    friend bool operator==(const TRGBTriple&, const TRGBTriple&) = default;
};

struct TPaletteEntry {
    BYTE peRed = 0;
    BYTE peGreen = 0;
    BYTE peBlue = 0;
    BYTE peFlags = 0;
    friend bool operator==(const TPaletteEntry&, const TPaletteEntry&) = default;
};
#pragma pack(pop)

static_assert(sizeof(TRGBQuad) == 4 && sizeof(TRGBTriple) == 3 && sizeof(TPaletteEntry) == 4);
