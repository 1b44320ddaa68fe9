#pragma once
// Logical palettes behind a handle, the way the platform hands them out: created from
// entries, queried, searched for the nearest colour and deleted by whoever owns them.
#include <vector>

#include "platform/types.h"

struct TPaletteObject {
    std::vector<TPaletteEntry> Entries;
    bool Stock = false; // shared palettes ignore DeleteObject
};
using HPALETTE = TPaletteObject*;

// Copies the entries; count may be 0..256 (a negative count or one above 256 answers nullptr).
HPALETTE CreatePalette(const TPaletteEntry* entries, int count);
void DeleteObject(HPALETTE palette); // nullptr ok; stock palettes are never freed
// Copies up to count entries from start into out and answers how many it copied; with
// out == nullptr it answers the number of entries of the palette.
int GetPaletteEntries(HPALETTE palette, int start, int count, TPaletteEntry* out);
// Smallest squared RGB distance, the first of equals wins; -1 for no or an empty palette.
int GetNearestPaletteIndex(HPALETTE palette, TColor color);
int NearestIndex(const TPaletteEntry* entries, int count, TColor color);
HPALETTE CopyPalette(HPALETTE palette);
// A new 256-colour halftone palette (the caller frees it): the first 10 default colours, a
// 6x6x6 colour cube, a ramp of 20 greys and the last 10 default colours.
HPALETTE CreateHalftonePalette();
// The 20-colour system default palette (shared, never freed).
HPALETTE GetStockDefaultPalette();

// The colours behind those palettes, for bitmaps that need a default colour table.
const std::vector<TPaletteEntry>& DefaultPalette20();
const std::vector<TPaletteEntry>& StandardPalette16(); // the 16 standard colours in VGA order
const std::vector<TPaletteEntry>& HalftonePalette256();
const std::vector<TPaletteEntry>& MonochromePalette(); // black, white

// Owns one palette handle; deletes it when it goes.
class TPaletteHolder {
public:
    TPaletteHolder() = default;
    explicit TPaletteHolder(HPALETTE p) : p_(p) {}
    ~TPaletteHolder() { DeleteObject(p_); }
    TPaletteHolder(const TPaletteHolder&) = delete;
    TPaletteHolder& operator=(const TPaletteHolder&) = delete;
    HPALETTE Get() const { return p_; }
    HPALETTE Release() { HPALETTE p = p_; p_ = nullptr; return p; }
    void Reset(HPALETTE p = nullptr) { if (p != p_) DeleteObject(p_); p_ = p; }

private:
    HPALETTE p_ = nullptr;
};
