#pragma once
// Turning 24-bit pictures into 8-bit palette pictures: the fixed palettes, the colour lookups
// that map one colour to a palette index, the octree quantizer and ReduceColors itself.
#include <cstdint>
#include <memory>
#include <vector>

#include "gif/color_types.h"
#include "platform/palette.h"
#include "platform/types.h"

class TBitmap;

// Maps a 24-bit colour to a palette index and replaces the colour by the palette's colour.
class TColorLookup {
public:
    explicit TColorLookup(HPALETTE palette);
    virtual ~TColorLookup();
    TColorLookup(const TColorLookup&) = delete;
    TColorLookup& operator=(const TColorLookup&) = delete;

    virtual int Lookup(BYTE& red, BYTE& green, BYTE& blue) = 0;

protected:
    HPALETTE FPalette; // not owned
};

// Black or white by luminance.
class TMonochromeLookup final : public TColorLookup {
public:
    explicit TMonochromeLookup(HPALETTE palette);
    int Lookup(BYTE& red, BYTE& green, BYTE& blue) override;
};

// One of 256 greys by luminance.
class TGrayScaleLookup final : public TColorLookup {
public:
    explicit TGrayScaleLookup(HPALETTE palette);
    int Lookup(BYTE& red, BYTE& green, BYTE& blue) override;
};

// The 6x6x6 web cube, computed rather than searched.
class TNetscapeColorLookup final : public TColorLookup {
public:
    explicit TNetscapeColorLookup(HPALETTE palette);
    int Lookup(BYTE& red, BYTE& green, BYTE& blue) override;
};

// Nearest entry of any palette by the sum of absolute differences, remembered per 15-bit key
// so that a picture costs at most 32,768 full searches.
class TFastColorLookup final : public TColorLookup {
public:
    explicit TFastColorLookup(HPALETTE palette);
    int Lookup(BYTE& red, BYTE& green, BYTE& blue) override;

    static constexpr std::uint16_t EmptySlot = 65535;
    static constexpr int Key(int red, int green, int blue)
    {
        return (red >> 3) | ((green >> 3) << 5) | ((blue >> 3) << 10);
    }

private:
    int Search(int red, int green, int blue) const;

    int FCount = 0;
    TPaletteEntry FEntries[256] = {};
    std::vector<std::uint16_t> FCache; // 32,768 slots
};

// Octree colour quantizer.
struct TOctreeNode {
    bool Leaf = false;
    std::uint32_t PixelCount = 0;
    std::uint64_t RedSum = 0;
    std::uint64_t GreenSum = 0;
    std::uint64_t BlueSum = 0;
    std::int32_t Next = -1;         // next reducible node of the same level
    std::int32_t Children[8] = {-1, -1, -1, -1, -1, -1, -1, -1};
};

class TColorQuantizer {
public:
    TColorQuantizer(int maxColors, int colorBits);
    TColorQuantizer(const TColorQuantizer&) = delete;
    TColorQuantizer& operator=(const TColorQuantizer&) = delete;

    // Adds every pixel of a bitmap (any pixel format).
    void ProcessImage(const TBitmap& bitmap);
    // Adds one row of B,G,R triples.
    void AddRow(const BYTE* bgr, int width);
    void AddColor(BYTE red, BYTE green, BYTE blue);

    int ColorCount() const { return FLeafCount; }
    // Writes the leaf colours in tree order; answers how many were written (at most capacity).
    int GetColorTable(TPaletteEntry* entries, int capacity) const;

private:
    std::int32_t NewNode(int level);
    void FreeNode(std::int32_t node);
    void ReduceTree();
    void CollectColors(std::int32_t node, TPaletteEntry* entries, int capacity, int& index) const;

    std::vector<TOctreeNode> FNodes; // pool; links are indices so that growth keeps them valid
    std::int32_t FFreeList = -1;
    std::int32_t FTree = -1;
    int FLeafCount = 0;
    int FMaxColors;
    int FColorBits;
    std::int32_t FReducibleNodes[9] = {-1, -1, -1, -1, -1, -1, -1, -1, -1};
};

// Fixed palettes; every call answers a new palette that the caller frees with DeleteObject.
HPALETTE WebPalette();
HPALETTE CreateGrayScalePalette();      // 256 greys
HPALETTE CreateMonochromePalette();     // black, white
HPALETTE CreateWindowsGrayPalette();    // 4 greys
HPALETTE CreateWindowsHalftonePalette();
HPALETTE CreateWindowsDefaultPalette(); // a copy of the 20-colour stock palette

// Octree palettes: `colors` entries (256 with the system colours at both ends for `windows`).
HPALETTE CreateOptimizedPaletteFromBitmap(const TBitmap& dib, int colors, int colorBits, bool windows);
HPALETTE CreateOptimizedPaletteFromManyBitmaps(const std::vector<TBitmap*>* bitmaps, int colors,
                                               int colorBits, bool windows);

// How a bitmap deeper than 8 bits becomes a frame. The library's defaults and an image's own
// settings are one source of these; callers converting on several threads pass them
// explicitly, since the defaults are shared by the whole process.
struct TGIFConversionSettings {
    TColorReduction ColorReduction = rmNetscape;
    TDitherMode DitherMode = dmNearest;
    int ReductionBits = 8;
};

// Answers a new bitmap: 8 bits with a palette, or a 24-bit copy for rmNone. `customPalette` is
// used (not owned) for rmPalette only.
std::unique_ptr<TBitmap> ReduceColors(const TBitmap& bitmap, TColorReduction colorReduction,
                                      TDitherMode ditherMode, int reductionBits,
                                      HPALETTE customPalette = nullptr);
