#include "gif/color_reduction.h"

#include <cstring>
#include <new>

#include "gif/gif_types.h"
#include "gif/dither.h"
#include "platform/bitmap.h"

namespace {

constexpr BYTE PC_NOCOLLAPSE = 0x04;

HPALETTE MakePalette(const std::vector<TPaletteEntry>& entries)
{
    return CreatePalette(entries.data(), int(entries.size()));
}

std::vector<TPaletteEntry> PaletteEntries(HPALETTE palette)
{
    std::vector<TPaletteEntry> entries;
    if (!palette)
        return entries;
    const int count = GetPaletteEntries(palette, 0, 0, nullptr);
    if (count <= 0)
        return entries;
    entries.resize(std::size_t(count));
    entries.resize(std::size_t(GetPaletteEntries(palette, 0, count, entries.data())));
    return entries;
}

// A 24-bit view of any bitmap: the bitmap itself when it already is one, else a converted copy.
class TBitmap24 {
public:
    explicit TBitmap24(const TBitmap& source) : FSource(&source)
    {
        if (source.PixelFormat() != pf24bit) {
            FCopy = std::make_unique<TBitmap>(source);
            FCopy->SetPixelFormat(pf24bit);
            FSource = FCopy.get();
        }
    }
    const TBitmap& Get() const { return *FSource; }

private:
    const TBitmap* FSource;
    std::unique_ptr<TBitmap> FCopy;
};

void CheckColorCount(int colors)
{
    if (colors < 1 || colors > 256)
        RaiseGIFError(sInvalidBitSize);
}

void CheckColorBits(int colorBits)
{
    if (colorBits < 1 || colorBits > 8)
        RaiseGIFError(sInvalidBitSize);
}

HPALETTE BuildOctreePalette(TColorQuantizer& quantizer, int colors, bool windows)
{
    std::vector<TPaletteEntry> entries;
    if (windows) {
        const std::vector<TPaletteEntry>& system = DefaultPalette20();
        entries.assign(256, TPaletteEntry{});
        for (int i = 0; i < 10; ++i) {
            entries[std::size_t(i)] = system[std::size_t(i)];
            entries[std::size_t(246 + i)] = system[std::size_t(10 + i)];
        }
        quantizer.GetColorTable(entries.data() + 10, 236);
    } else {
        entries.assign(std::size_t(colors), TPaletteEntry{});
        quantizer.GetColorTable(entries.data(), colors);
    }
    return MakePalette(entries);
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Colour lookups

TColorLookup::TColorLookup(HPALETTE palette) : FPalette(palette) {}

TColorLookup::~TColorLookup() = default;

TMonochromeLookup::TMonochromeLookup(HPALETTE palette) : TColorLookup(palette) {}

int TMonochromeLookup::Lookup(BYTE& red, BYTE& green, BYTE& blue)
{
    if (77 * red + 150 * green + 29 * blue > 32512) {
        red = green = blue = 255;
        return 1;
    }
    red = green = blue = 0;
    return 0;
}

TGrayScaleLookup::TGrayScaleLookup(HPALETTE palette) : TColorLookup(palette) {}

int TGrayScaleLookup::Lookup(BYTE& red, BYTE& green, BYTE& blue)
{
    const int index = (77 * red + 150 * green + 29 * blue) >> 8;
    red = green = blue = BYTE(index);
    return index;
}

TNetscapeColorLookup::TNetscapeColorLookup(HPALETTE palette) : TColorLookup(palette) {}

int TNetscapeColorLookup::Lookup(BYTE& red, BYTE& green, BYTE& blue)
{
    const int r = (red + 3) / 51;
    const int g = (green + 3) / 51;
    const int b = (blue + 3) / 51;
    red = BYTE(r * 51);
    green = BYTE(g * 51);
    blue = BYTE(b * 51);
    return r * 36 + g * 6 + b;
}

TFastColorLookup::TFastColorLookup(HPALETTE palette) : TColorLookup(palette), FCache(32768, EmptySlot)
{
    const std::vector<TPaletteEntry> entries = PaletteEntries(palette);
    FCount = int(std::min<std::size_t>(entries.size(), 256));
    for (int i = 0; i < FCount; ++i)
        FEntries[i] = entries[std::size_t(i)];
    // A palette colour answers itself, and so does every colour sharing its key.
    for (int i = 0; i < FCount; ++i) {
        std::uint16_t& slot = FCache[std::size_t(Key(FEntries[i].peRed, FEntries[i].peGreen, FEntries[i].peBlue))];
        if (slot == EmptySlot)
            slot = std::uint16_t(i);
    }
}

int TFastColorLookup::Search(int red, int green, int blue) const
{
    int best = 0;
    int bestDistance = 1 << 30;
    for (int i = 0; i < FCount; ++i) {
        const TPaletteEntry& e = FEntries[i];
        const int dr = e.peRed - red;
        const int dg = e.peGreen - green;
        const int db = e.peBlue - blue;
        const int distance = (dr < 0 ? -dr : dr) + (dg < 0 ? -dg : dg) + (db < 0 ? -db : db);
        if (distance < bestDistance) {
            bestDistance = distance;
            best = i;
            if (distance == 0)
                break;
        }
    }
    return best;
}

int TFastColorLookup::Lookup(BYTE& red, BYTE& green, BYTE& blue)
{
    if (FCount == 0) {
        red = green = blue = 0;
        return 0;
    }
    std::uint16_t& slot = FCache[std::size_t(Key(red, green, blue))];
    if (slot == EmptySlot)
        slot = std::uint16_t(Search(red, green, blue));
    const TPaletteEntry& e = FEntries[slot];
    red = e.peRed;
    green = e.peGreen;
    blue = e.peBlue;
    return slot;
}

// ---------------------------------------------------------------------------------------------
// Octree quantizer

TColorQuantizer::TColorQuantizer(int maxColors, int colorBits)
    : FMaxColors(maxColors), FColorBits(colorBits)
{
    CheckColorCount(maxColors);
    CheckColorBits(colorBits);
    // Leaves plus the nodes above them; the tree never holds more than the requested colours
    // plus the children of one node.
    FNodes.reserve(std::size_t(maxColors + 9) * std::size_t(colorBits + 1));
    FTree = NewNode(0);
}

std::int32_t TColorQuantizer::NewNode(int level)
{
    std::int32_t node;
    if (FFreeList >= 0) {
        node = FFreeList;
        FFreeList = FNodes[std::size_t(node)].Next;
        FNodes[std::size_t(node)] = TOctreeNode{};
    } else {
        node = std::int32_t(FNodes.size());
        FNodes.emplace_back();
    }
    TOctreeNode& n = FNodes[std::size_t(node)];
    if (level == FColorBits) {
        n.Leaf = true;
        ++FLeafCount;
    } else {
        n.Next = FReducibleNodes[level];
        FReducibleNodes[level] = node;
    }
    return node;
}

void TColorQuantizer::FreeNode(std::int32_t node)
{
    FNodes[std::size_t(node)].Next = FFreeList;
    FFreeList = node;
}

void TColorQuantizer::AddColor(BYTE red, BYTE green, BYTE blue)
{
    std::int32_t node = FTree;
    int level = 0;
    while (!FNodes[std::size_t(node)].Leaf) {
        const int shift = 7 - level;
        const int child = (((red >> shift) & 1) << 2) | (((green >> shift) & 1) << 1) | ((blue >> shift) & 1);
        std::int32_t next = FNodes[std::size_t(node)].Children[child];
        if (next < 0) {
            next = NewNode(level + 1);
            FNodes[std::size_t(node)].Children[child] = next;
        }
        node = next;
        ++level;
    }
    TOctreeNode& leaf = FNodes[std::size_t(node)];
    ++leaf.PixelCount;
    leaf.RedSum += red;
    leaf.GreenSum += green;
    leaf.BlueSum += blue;
    while (FLeafCount > FMaxColors)
        ReduceTree();
}

void TColorQuantizer::ReduceTree()
{
    int level = FColorBits - 1;
    while (level > 0 && FReducibleNodes[level] < 0)
        --level;
    const std::int32_t node = FReducibleNodes[level];
    if (node < 0) // only possible when the root itself is already a leaf
        return;
    TOctreeNode& n = FNodes[std::size_t(node)];
    FReducibleNodes[level] = n.Next;
    n.Next = -1;
    int children = 0;
    for (std::int32_t& child : n.Children) {
        if (child < 0)
            continue;
        const TOctreeNode& c = FNodes[std::size_t(child)];
        n.PixelCount += c.PixelCount;
        n.RedSum += c.RedSum;
        n.GreenSum += c.GreenSum;
        n.BlueSum += c.BlueSum;
        FreeNode(child);
        child = -1;
        ++children;
    }
    n.Leaf = true;
    FLeafCount -= children - 1;
}

void TColorQuantizer::AddRow(const BYTE* bgr, int width)
{
    for (int x = 0; x < width; ++x, bgr += 3)
        AddColor(bgr[2], bgr[1], bgr[0]);
}

void TColorQuantizer::ProcessImage(const TBitmap& bitmap)
{
    const TBitmap24 source(bitmap);
    const TBitmap& b = source.Get();
    for (int y = 0; y < b.Height(); ++y)
        AddRow(b.ScanLine(y), b.Width());
}

void TColorQuantizer::CollectColors(std::int32_t node, TPaletteEntry* entries, int capacity, int& index) const
{
    const TOctreeNode& n = FNodes[std::size_t(node)];
    if (n.Leaf) {
        if (index < capacity) {
            TPaletteEntry e{};
            if (n.PixelCount > 0) {
                e.peRed = BYTE(n.RedSum / n.PixelCount);
                e.peGreen = BYTE(n.GreenSum / n.PixelCount);
                e.peBlue = BYTE(n.BlueSum / n.PixelCount);
            }
            entries[index] = e;
        }
        ++index;
        return;
    }
    for (const std::int32_t child : n.Children)
        if (child >= 0)
            CollectColors(child, entries, capacity, index);
}

int TColorQuantizer::GetColorTable(TPaletteEntry* entries, int capacity) const
{
    int index = 0;
    CollectColors(FTree, entries, capacity, index);
    return std::min(index, capacity);
}

// ---------------------------------------------------------------------------------------------
// Palettes

HPALETTE WebPalette()
{
    std::vector<TPaletteEntry> entries;
    entries.reserve(216);
    for (int r = 0; r < 6; ++r)
        for (int g = 0; g < 6; ++g)
            for (int b = 0; b < 6; ++b)
                entries.push_back(TPaletteEntry{BYTE(r * 51), BYTE(g * 51), BYTE(b * 51), 0});
    return MakePalette(entries);
}

HPALETTE CreateGrayScalePalette()
{
    std::vector<TPaletteEntry> entries(256);
    for (int i = 0; i < 256; ++i)
        entries[std::size_t(i)] = TPaletteEntry{BYTE(i), BYTE(i), BYTE(i), PC_NOCOLLAPSE};
    return MakePalette(entries);
}

HPALETTE CreateMonochromePalette()
{
    return MakePalette({TPaletteEntry{0, 0, 0, PC_NOCOLLAPSE}, TPaletteEntry{255, 255, 255, PC_NOCOLLAPSE}});
}

HPALETTE CreateWindowsGrayPalette()
{
    std::vector<TPaletteEntry> entries;
    for (const BYTE level : {BYTE(0x00), BYTE(0x80), BYTE(0xC0), BYTE(0xFF)})
        entries.push_back(TPaletteEntry{level, level, level, PC_NOCOLLAPSE});
    return MakePalette(entries);
}

HPALETTE CreateWindowsHalftonePalette()
{
    return CreateHalftonePalette();
}

HPALETTE CreateWindowsDefaultPalette()
{
    return CopyPalette(GetStockDefaultPalette());
}

HPALETTE CreateOptimizedPaletteFromBitmap(const TBitmap& dib, int colors, int colorBits, bool windows)
{
    if (!windows)
        CheckColorCount(colors);
    TColorQuantizer quantizer(windows ? 236 : colors, colorBits);
    quantizer.ProcessImage(dib);
    return BuildOctreePalette(quantizer, colors, windows);
}

HPALETTE CreateOptimizedPaletteFromManyBitmaps(const std::vector<TBitmap*>* bitmaps, int colors,
                                               int colorBits, bool windows)
{
    if (!bitmaps || bitmaps->empty())
        RaiseGIFError(sInvalidBitmapList);
    for (const TBitmap* bitmap : *bitmaps)
        if (!bitmap)
            RaiseGIFError(sInvalidBitmapList);
    if (!windows)
        CheckColorCount(colors);
    TColorQuantizer quantizer(windows ? 236 : colors, colorBits);
    for (const TBitmap* bitmap : *bitmaps)
        quantizer.ProcessImage(*bitmap);
    return BuildOctreePalette(quantizer, colors, windows);
}

// ---------------------------------------------------------------------------------------------
// ReduceColors

std::unique_ptr<TBitmap> ReduceColors(const TBitmap& bitmap, TColorReduction colorReduction,
                                      TDitherMode ditherMode, int reductionBits, HPALETTE customPalette)
{
    if (!IsValidColorReduction(colorReduction) || (colorReduction == rmPalette && !customPalette) ||
        !IsValidDitherMode(ditherMode))
        RaiseGIFError(sInvalidReduction);
    // The bit count can come from a project file; it must be sane before it sizes anything.
    if (reductionBits < 1 || reductionBits > 8)
        RaiseGIFError(sInvalidBitSize);

    if (colorReduction == rmNone) {
        auto copy = std::make_unique<TBitmap>(bitmap);
        copy->SetPixelFormat(pf24bit);
        return copy;
    }

    const int width = bitmap.Width();
    const int height = bitmap.Height();
    if (width <= 0 || height <= 0)
        RaiseGIFError(sBadDimension);

    try {
        const TBitmap24 source(bitmap);
        const TBitmap& src = source.Get();

        TPaletteHolder palette;
        switch (colorReduction) {
        case rmWindows20: palette.Reset(CreateWindowsDefaultPalette()); break;
        case rmWindows256: palette.Reset(CreateWindowsHalftonePalette()); break;
        case rmWindowsGray: palette.Reset(CreateWindowsGrayPalette()); break;
        case rmMonochrome: palette.Reset(CreateMonochromePalette()); break;
        case rmGrayScale: palette.Reset(CreateGrayScalePalette()); break;
        case rmNetscape: palette.Reset(WebPalette()); break;
        case rmQuantize:
            palette.Reset(CreateOptimizedPaletteFromBitmap(src, 1 << reductionBits, 8, false));
            break;
        case rmQuantizeWindows: palette.Reset(CreateOptimizedPaletteFromBitmap(src, 256, 8, true)); break;
        case rmPalette: palette.Reset(CopyPalette(customPalette)); break;
        case rmNone: break;
        }
        const std::vector<TPaletteEntry> entries = PaletteEntries(palette.Get());
        if (entries.empty())
            RaiseGIFError(sInvalidReduction);

        std::unique_ptr<TColorLookup> lookup;
        switch (colorReduction) {
        case rmMonochrome: lookup = std::make_unique<TMonochromeLookup>(palette.Get()); break;
        case rmGrayScale: lookup = std::make_unique<TGrayScaleLookup>(palette.Get()); break;
        case rmNetscape: lookup = std::make_unique<TNetscapeColorLookup>(palette.Get()); break;
        default: lookup = std::make_unique<TFastColorLookup>(palette.Get()); break;
        }
        const std::unique_ptr<TDitherEngine> engine = CreateDitherEngine(ditherMode, width, lookup.get());

        auto result = std::make_unique<TBitmap>();
        result->SetPixelFormat(pf8bit);
        std::vector<TRGBQuad> table(entries.size());
        for (std::size_t i = 0; i < entries.size(); ++i)
            table[i] = TRGBQuad{entries[i].peBlue, entries[i].peGreen, entries[i].peRed, 0};
        result->SetColorTable(table);
        result->SetSize(width, height);

        for (int y = 0; y < height; ++y) {
            const BYTE* in = src.ScanLine(y);
            BYTE* out = result->ScanLine(y);
            for (int i = 0; i < width; ++i) {
                const int x = engine->Column;
                const BYTE* p = in + std::size_t(x) * 3;
                BYTE red = p[2];
                BYTE green = p[1];
                BYTE blue = p[0];
                out[x] = BYTE(engine->Dither(red, green, blue));
            }
            engine->NextLine();
        }
        return result;
    } catch (const std::bad_alloc&) {
        RaiseGIFError(sOutOfMemDIB);
    } catch (const EOutOfResources&) {
        RaiseGIFError(sOutOfMemDIB);
    }
}
