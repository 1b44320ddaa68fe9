#include "platform/palette.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr TPaletteEntry E(int r, int g, int b) { return TPaletteEntry{BYTE(r), BYTE(g), BYTE(b), 0}; }

std::vector<TPaletteEntry> MakeDefault20()
{
    return {E(0, 0, 0),       E(128, 0, 0),     E(0, 128, 0),     E(128, 128, 0),
            E(0, 0, 128),     E(128, 0, 128),   E(0, 128, 128),   E(192, 192, 192),
            E(192, 220, 192), E(166, 202, 240), E(255, 251, 240), E(160, 160, 164),
            E(128, 128, 128), E(255, 0, 0),     E(0, 255, 0),     E(255, 255, 0),
            E(0, 0, 255),     E(255, 0, 255),   E(0, 255, 255),   E(255, 255, 255)};
}

std::vector<TPaletteEntry> MakeHalftone()
{
    const auto& d = DefaultPalette20();
    std::vector<TPaletteEntry> p(d.begin(), d.begin() + 10);
    for (int r = 0; r < 6; ++r)
        for (int g = 0; g < 6; ++g)
            for (int b = 0; b < 6; ++b)
                p.push_back(E(r * 51, g * 51, b * 51));
    // Greys between the cube's levels, so grey pictures keep some shading.
    for (int i = 1; i <= 20; ++i) {
        const int v = (i * 255 + 10) / 21;
        p.push_back(E(v, v, v));
    }
    p.insert(p.end(), d.begin() + 10, d.end());
    return p;
}

} // namespace

const std::vector<TPaletteEntry>& DefaultPalette20()
{
    static const std::vector<TPaletteEntry> p = MakeDefault20();
    return p;
}

const std::vector<TPaletteEntry>& StandardPalette16()
{
    static const std::vector<TPaletteEntry> p = [] {
        const auto& d = DefaultPalette20();
        std::vector<TPaletteEntry> v(d.begin(), d.begin() + 7);
        v.push_back(d[7]);                       // silver
        v.insert(v.end(), d.begin() + 12, d.end()); // grey, red .. white
        return v;
    }();
    return p;
}

const std::vector<TPaletteEntry>& HalftonePalette256()
{
    static const std::vector<TPaletteEntry> p = MakeHalftone();
    return p;
}

const std::vector<TPaletteEntry>& MonochromePalette()
{
    static const std::vector<TPaletteEntry> p = {E(0, 0, 0), E(255, 255, 255)};
    return p;
}

HPALETTE CreatePalette(const TPaletteEntry* entries, int count)
{
    if (count < 0 || count > 256 || (count > 0 && !entries))
        return nullptr;
    auto* p = new TPaletteObject;
    p->Entries.assign(entries, entries + count);
    return p;
}

void DeleteObject(HPALETTE palette)
{
    if (palette && !palette->Stock)
        delete palette;
}

int GetPaletteEntries(HPALETTE palette, int start, int count, TPaletteEntry* out)
{
    if (!palette)
        return 0;
    const int n = int(palette->Entries.size());
    if (!out)
        return n;
    if (start < 0 || count <= 0 || start >= n)
        return 0;
    const int copied = std::min(count, n - start);
    std::memcpy(out, palette->Entries.data() + start, std::size_t(copied) * sizeof(TPaletteEntry));
    return copied;
}

int NearestIndex(const TPaletteEntry* entries, int count, TColor color)
{
    const int r = GetRValue(color), g = GetGValue(color), b = GetBValue(color);
    int best = -1;
    int bestDist = 0x7FFFFFFF;
    for (int i = 0; i < count; ++i) {
        const int dr = entries[i].peRed - r, dg = entries[i].peGreen - g, db = entries[i].peBlue - b;
        const int dist = dr * dr + dg * dg + db * db;
        if (dist < bestDist) {
            bestDist = dist;
            best = i;
            if (dist == 0)
                break;
        }
    }
    return best;
}

int GetNearestPaletteIndex(HPALETTE palette, TColor color)
{
    if (!palette)
        return -1;
    return NearestIndex(palette->Entries.data(), int(palette->Entries.size()), color);
}

HPALETTE CopyPalette(HPALETTE palette)
{
    if (!palette)
        return nullptr;
    return CreatePalette(palette->Entries.data(), int(palette->Entries.size()));
}

HPALETTE CreateHalftonePalette()
{
    const auto& p = HalftonePalette256();
    return CreatePalette(p.data(), int(p.size()));
}

HPALETTE GetStockDefaultPalette()
{
    static TPaletteObject stock{DefaultPalette20(), true};
    return &stock;
}
