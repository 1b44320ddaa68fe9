#pragma once
// Row codecs shared by the bitmap, its conversions and the blits: pixels of any storage
// layout in and out of B,G,R,0 words. Internal to the graphics stand-in.
#include <array>
#include <cstdint>
#include <vector>

#include "platform/types.h"

// Storage layouts of bitmap rows.
enum TPixelKind { pk1, pk4, pk8, pk555, pk565, pk24, pk32 };

constexpr int KindBits(TPixelKind k)
{
    switch (k) {
    case pk1: return 1;
    case pk4: return 4;
    case pk8: return 8;
    case pk555:
    case pk565: return 16;
    case pk24: return 24;
    case pk32: return 32;
    }
    return 0;
}

// Palette indices beyond the table decode as black.
void DecodeRow(TPixelKind kind, const BYTE* row, int x, int count, const DWORD* table, int tableSize,
               DWORD* out);

inline int GetIndex(TPixelKind kind, const BYTE* row, int x)
{
    switch (kind) {
    case pk1: return (row[x >> 3] >> (7 - (x & 7))) & 1;
    case pk4: return (x & 1) ? row[x >> 1] & 0x0F : row[x >> 1] >> 4;
    default: return row[x];
    }
}

inline void PutIndex(TPixelKind kind, BYTE* row, int x, int index)
{
    switch (kind) {
    case pk1: {
        const BYTE bit = BYTE(0x80 >> (x & 7));
        if (index & 1)
            row[x >> 3] |= bit;
        else
            row[x >> 3] &= BYTE(~bit);
        break;
    }
    case pk4:
        if (x & 1)
            row[x >> 1] = BYTE((row[x >> 1] & 0xF0) | (index & 0x0F));
        else
            row[x >> 1] = BYTE((row[x >> 1] & 0x0F) | ((index & 0x0F) << 4));
        break;
    default: row[x] = BYTE(index); break;
    }
}

// Nearest entry of a B,G,R,0 table: smallest squared distance, the first of equals wins (0 for an empty table).
int NearestBGRX(const DWORD* table, int size, DWORD bgrx);

// Nearest entry of a colour table for B,G,R,0 words (smallest squared distance, first
// wins), remembered per colour so that whole pictures cost few searches.
class TNearestIndex {
public:
    TNearestIndex(const DWORD* table, int size);
    int Find(DWORD bgrx)
    {
        const unsigned slot = Hash(bgrx);
        if (keys_[slot] == bgrx + 1)
            return values_[slot];
        const int index = Search(bgrx);
        keys_[slot] = bgrx + 1;
        values_[slot] = std::uint8_t(index);
        return index;
    }

private:
    static unsigned Hash(DWORD v) { return (v ^ (v >> 12) ^ (v >> 20) * 7) & 4095u; }
    int Search(DWORD bgrx) const { return NearestBGRX(table_.data(), int(table_.size()), bgrx); }
    std::vector<DWORD> table_;
    std::vector<DWORD> keys_;
    std::vector<std::uint8_t> values_;
};

// Writes count pixels from x; palette kinds need the nearest-index finder.
void EncodeRow(TPixelKind kind, BYTE* row, int x, int count, const DWORD* in, TNearestIndex* nearest);

// Converts count pixels from one of the 24- and 32-bit layouts to the other, as decoding and
// encoding them would (the fourth byte of a 32-bit pixel becomes 0).
constexpr bool IsTrueColourPair(TPixelKind from, TPixelKind to)
{
    return (from == pk24 && to == pk32) || (from == pk32 && to == pk24);
}
void ConvertTrueColourPixels(TPixelKind from, const BYTE* src, int sx, BYTE* dst, int dx, int count);

// Copies count pixels of the same kind from sx of one row to dx of another (rows may be one).
void CopyPixels(TPixelKind kind, const BYTE* src, int sx, BYTE* dst, int dx, int count);
