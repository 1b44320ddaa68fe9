// Access to the in-memory image: scan lines, single pixels, transparency, the drawing
// palette and the conversions to and from a TBitmap.
#include <cstring>

#include "platform/colors.h"
#include "png/png_internal.h"
#include "png/pngimage.h"

namespace {

int DibBits(const TChunkIHDR* h) { return h->DibBitsPerPixel(); }

// Bits per sample for single-pixel access of grey and palette images: the DIB's own.
int SampleBits(const TChunkIHDR* h)
{
    int d = DibBits(h);
    return d > 8 ? 8 : d;
}

} // namespace

BYTE* TPNGObject::GetScanline(int y) const
{
    TChunkIHDR* h = Header();
    if (!h || y < 0 || DWORD(y) >= h->Height || h->ImageData.empty())
        return nullptr;
    return const_cast<BYTE*>(h->ImageData.data()) + std::size_t(h->Height - 1 - DWORD(y)) * h->BytesPerRow;
}

BYTE* TPNGObject::GetAlphaScanline(int y) const
{
    TChunkIHDR* h = Header();
    if (!h || y < 0 || DWORD(y) >= h->Height || h->ImageAlpha.empty())
        return nullptr;
    if (h->ColorType != COLOR_GRAYSCALEALPHA && h->ColorType != COLOR_RGBALPHA)
        return nullptr;
    return h->ImageAlpha.data() + std::size_t(y) * h->Width;
}

TPNGTransparencyMode TPNGObject::GetTransparencyMode() const
{
    TChunkIHDR* h = Header();
    if (!h)
        return ptmNone;
    TChunktRNS* trns = Chunks.ItemFromClass<TChunktRNS>();
    switch (h->ColorType) {
    case COLOR_GRAYSCALE:
    case COLOR_RGB:
        return trns ? ptmBit : ptmNone;
    case COLOR_PALETTE:
        if (!trns)
            return ptmNone;
        return trns->BitTransparency ? ptmBit : ptmPartial;
    case COLOR_GRAYSCALEALPHA:
    case COLOR_RGBALPHA:
        return ptmPartial;
    default:
        return ptmNone;
    }
}

// ---------------------------------------------------------------------------------------
// Transparent colour. The key is kept in the file's sample form and given out as the colour
// the pixels of that sample show (through the gamma table), so that drawing can compare it
// with the DIB and setting it again gives the same key.

TColor TChunktRNS::GetTransparentColor() const
{
    TChunkIHDR* h = GetHeader();
    if (!h)
        return 0;
    auto byteAt = [&](DWORD i) -> BYTE { return i < DataSize && i < Data.size() ? Data[i] : 0; };
    auto sample = [&](DWORD i) -> unsigned { return (unsigned(byteAt(i)) << 8) | byteAt(i + 1); };
    const BYTE* g = Owner->GammaTable;
    // The level a sample shows in memory: high bytes of 16-bit samples, the ramp below 8.
    auto level = [&](unsigned s) -> BYTE {
        if (h->BitDepth == 16)
            return BYTE(s >> 8);
        if (h->BitDepth < 8) {
            int max = (1 << h->BitDepth) - 1;
            return BYTE(MulDiv(int(s) & max, 255, max));
        }
        return BYTE(s);
    };
    switch (h->ColorType) {
    case COLOR_RGB:
        return RGB(g[level(sample(0))], g[level(sample(2))], g[level(sample(4))]);
    case COLOR_GRAYSCALE: {
        BYTE v = g[level(sample(0))];
        return RGB(v, v, v);
    }
    case COLOR_PALETTE: {
        TChunkPLTE* plte = Owner->Chunks.ItemFromClass<TChunkPLTE>();
        for (DWORD k = 0; k < DataSize && k < 256; ++k)
            if (PaletteValues[k] == 0) {
                if (!plte)
                    Owner->RaiseError<EPngError>(LoadPngText(EPNGUnknownPalEntryText));
                TRGBQuad q = plte->GetPaletteItem(int(k));
                return RGB(q.rgbRed, q.rgbGreen, q.rgbBlue);
            }
        return 0;
    }
    default:
        return 0;
    }
}

void TChunktRNS::SetTransparentColor(TColor color)
{
    TChunkIHDR* h = GetHeader();
    if (!h)
        return;
    std::memset(PaletteValues, 0, sizeof PaletteValues);
    BitTransparency = true;
    const BYTE* ig = Owner->InverseGamma;
    auto sampleOf = [&](BYTE shown) -> unsigned {
        BYTE v = ig[shown];
        if (h->BitDepth == 16)
            return unsigned(v) << 8;
        if (h->BitDepth < 8) {
            int max = (1 << h->BitDepth) - 1;
            return unsigned(MulDiv(v, max, 255));
        }
        return v;
    };
    auto put = [&](DWORD i, unsigned s) {
        Data[i] = BYTE(s >> 8);
        Data[i + 1] = BYTE(s);
    };
    switch (h->ColorType) {
    case COLOR_GRAYSCALE:
        ResizeData(2);
        put(0, sampleOf(GetRValue(color)));
        break;
    case COLOR_RGB:
        ResizeData(6);
        put(0, sampleOf(GetRValue(color)));
        put(2, sampleOf(GetGValue(color)));
        put(4, sampleOf(GetBValue(color)));
        break;
    case COLOR_PALETTE: {
        TChunkPLTE* plte = Owner->Chunks.ItemFromClass<TChunkPLTE>();
        int count = plte ? plte->Count() : 0;
        int limit = h->BitDepth <= 8 ? 1 << h->BitDepth : 256;
        if (count > limit)
            count = limit;
        int found = -1;
        for (int k = 0; k < count && found < 0; ++k) {
            const TRGBQuad& q = h->BitmapInfo.bmiColors[k];
            if (q.rgbRed == GetRValue(color) && q.rgbGreen == GetGValue(color) &&
                q.rgbBlue == GetBValue(color))
                found = k;
        }
        if (found < 0) {
            // A colour the palette lacks makes no entry transparent.
            std::memset(PaletteValues, 255, sizeof PaletteValues);
            BitTransparency = false;
            ResizeData(1);
            Data[0] = 255;
            break;
        }
        std::memset(PaletteValues, 255, std::size_t(found));
        PaletteValues[found] = 0;
        ResizeData(DWORD(found) + 1);
        std::memcpy(Data.data(), PaletteValues, std::size_t(found) + 1);
        break;
    }
    default:
        break;
    }
}

TColor TPNGObject::GetTransparentColor() const
{
    TChunktRNS* trns = Chunks.ItemFromClass<TChunktRNS>();
    return trns ? trns->GetTransparentColor() : 0;
}

void TPNGObject::SetTransparentColor(TColor color)
{
    TChunkIHDR* h = Header();
    if (!h)
        return;
    if (h->ColorType == COLOR_GRAYSCALEALPHA || h->ColorType == COLOR_RGBALPHA)
        RaiseError<EPNGCannotChangeTransparent>(LoadPngText(EPNGCannotChangeTransparentText));
    TChunktRNS* trns = Chunks.ItemFromClass<TChunktRNS>();
    if (!trns)
        trns = Chunks.Add<TChunktRNS>();
    trns->SetTransparentColor(ColorToRGB(color));
    Changed();
}

void TPNGObject::RemoveTransparency()
{
    if (TChunktRNS* trns = Chunks.ItemFromClass<TChunktRNS>())
        Chunks.RemoveChunk(trns);
}

void TPNGObject::CreateAlpha()
{
    TChunkIHDR* h = Header();
    if (!h)
        return;
    switch (h->ColorType) {
    case COLOR_GRAYSCALE:
    case COLOR_RGB: {
        if (h->ColorType == COLOR_GRAYSCALE && h->DibBitsPerPixel() < 8) {
            // The alpha forms only exist with 8-bit grey: spread the levels over 0..255,
            // which shows the same colours through the 8-bit ramp.
            std::vector<BYTE> old = h->ImageData;
            DWORD oldStride = h->BytesPerRow;
            int d = h->DibBitsPerPixel();
            int max = (1 << d) - 1;
            h->BitDepth = 8;
            h->ColorType = COLOR_GRAYSCALEALPHA;
            h->PrepareImageData();
            for (DWORD y = 0; y < h->Height; ++y) {
                const BYTE* src = old.data() + std::size_t(y) * oldStride;
                BYTE* dst = h->ImageData.data() + std::size_t(y) * h->BytesPerRow;
                for (DWORD x = 0; x < h->Width; ++x) {
                    unsigned bit = x * unsigned(d);
                    int v = (src[bit >> 3] >> (8 - d - int(bit & 7))) & max;
                    dst[x] = BYTE(MulDiv(v, 255, max));
                }
            }
        } else {
            h->ColorType = h->ColorType == COLOR_GRAYSCALE ? COLOR_GRAYSCALEALPHA : COLOR_RGBALPHA;
            if (h->ColorType == COLOR_GRAYSCALEALPHA)
                h->PreparePalette();
            ResetTempPalette();
        }
        h->ImageAlpha.assign(std::size_t(h->Width) * h->Height, 255);
        // A colour key is not allowed beside an alpha channel.
        RemoveTransparency();
        break;
    }
    case COLOR_PALETTE: {
        TChunktRNS* trns = Chunks.ItemFromClass<TChunktRNS>();
        if (!trns)
            trns = Chunks.Add<TChunktRNS>();
        std::memset(trns->PaletteValues, 255, sizeof trns->PaletteValues);
        DWORD n = h->BitDepth <= 8 ? DWORD(1) << h->BitDepth : 256;
        trns->ResizeData(n);
        std::memset(trns->Data.data(), 255, n);
        trns->BitTransparency = false;
        break;
    }
    default:
        break;
    }
    Changed();
}

HPALETTE TPNGObject::GetPalette() const
{
    TChunkIHDR* h = Header();
    if (h && (h->ColorType == COLOR_GRAYSCALE || h->ColorType == COLOR_PALETTE) && !TempPalette) {
        TPaletteEntry entries[256];
        for (int k = 0; k < 256; ++k) {
            const TRGBQuad& q = h->BitmapInfo.bmiColors[k];
            entries[k] = TPaletteEntry{q.rgbRed, q.rgbGreen, q.rgbBlue, 0};
        }
        TempPalette = CreatePalette(entries, 256);
    }
    return TempPalette;
}

// ---------------------------------------------------------------------------------------
// Single pixels

TColor TPNGObject::GetPixels(int x, int y) const
{
    TChunkIHDR* h = Header();
    if (!h || x < 0 || y < 0 || DWORD(x) >= h->Width || DWORD(y) >= h->Height)
        return 0;
    const BYTE* row = GetScanline(y);
    switch (h->ColorType) {
    case COLOR_GRAYSCALE:
    case COLOR_PALETTE:
    case COLOR_GRAYSCALEALPHA: {
        int d = SampleBits(h);
        int perByte = 8 / d;
        int sample = (row[x / perByte] >> (8 - d - (x % perByte) * d)) & ((1 << d) - 1);
        if (h->ColorType == COLOR_PALETTE) {
            TChunkPLTE* plte = Chunks.ItemFromClass<TChunkPLTE>();
            if (!plte)
                RaiseError<EPngError>(LoadPngText(EPNGUnknownPalEntryText));
            TRGBQuad q = plte->GetPaletteItem(sample);
            return RGB(q.rgbRed, q.rgbGreen, q.rgbBlue);
        }
        BYTE v = GammaTable[MulDiv(sample, 255, (1 << d) - 1)];
        return RGB(v, v, v);
    }
    default: {
        const BYTE* p = row + std::size_t(x) * 3;
        return RGB(p[2], p[1], p[0]);
    }
    }
}

void TPNGObject::SetPixels(int x, int y, TColor color)
{
    TChunkIHDR* h = Header();
    if (!h || x < 0 || y < 0 || DWORD(x) >= h->Width || DWORD(y) >= h->Height)
        return;
    BYTE* row = GetScanline(y);
    TColor rgb = ColorToRGB(color);
    switch (h->ColorType) {
    case COLOR_GRAYSCALE:
    case COLOR_PALETTE:
    case COLOR_GRAYSCALEALPHA: {
        int d = SampleBits(h);
        int count = 1 << d;
        if (h->ColorType == COLOR_PALETTE) {
            TChunkPLTE* plte = Chunks.ItemFromClass<TChunkPLTE>();
            int own = plte ? plte->Count() : 0;
            count = own < count ? own : count;
        }
        if (count <= 0)
            return;
        TPaletteEntry entries[256];
        for (int k = 0; k < count; ++k) {
            const TRGBQuad& q = h->BitmapInfo.bmiColors[k];
            entries[k] = TPaletteEntry{q.rgbRed, q.rgbGreen, q.rgbBlue, 0};
        }
        int index = NearestIndex(entries, count, rgb);
        if (index < 0)
            return;
        int perByte = 8 / d;
        int shift = 8 - d - (x % perByte) * d;
        BYTE mask = BYTE(((1 << d) - 1) << shift);
        BYTE& b = row[x / perByte];
        b = BYTE((b & ~mask) | ((index << shift) & mask));
        break;
    }
    default: {
        BYTE* p = row + std::size_t(x) * 3;
        p[0] = GetBValue(rgb);
        p[1] = GetGValue(rgb);
        p[2] = GetRValue(rgb);
        break;
    }
    }
    Changed();
}

// ---------------------------------------------------------------------------------------
// Bitmaps

void TPNGObject::AssignTo(TPersistent& dest) const
{
    if (auto png = dynamic_cast<TPNGObject*>(&dest)) {
        png->AssignPNG(*this);
        return;
    }
    auto bmp = dynamic_cast<TBitmap*>(&dest);
    TChunkIHDR* h = Header();
    if (!bmp || !h) {
        TPersistent::AssignTo(dest);
        return;
    }
    int bpp = h->DibBitsPerPixel();
    TPixelFormat format = bpp == 1 ? pf1bit : bpp == 4 ? pf4bit : bpp == 8 ? pf8bit : bpp == 32 ? pf32bit : pf24bit;
    TBitmap result(0, 0, format);
    result.SetPixelFormat(format);
    if (bpp <= 8) {
        std::vector<TRGBQuad> table(h->BitmapInfo.bmiColors, h->BitmapInfo.bmiColors + (1 << bpp));
        result.SetColorTable(table);
    }
    result.SetSize(int(h->Width), int(h->Height));
    std::size_t stride = std::min<std::size_t>(std::size_t(result.BytesPerScanLine()), h->BytesPerRow);
    for (DWORD y = 0; y < h->Height; ++y)
        std::memcpy(result.ScanLine(int(y)), GetScanline(int(y)), stride);
    if (GetTransparencyMode() == ptmBit) {
        result.SetTransparentColor(GetTransparentColor());
        result.SetTransparent(true);
    }
    *bmp = result;
}

void TPNGObject::AssignHandle(const TBitmap& bitmap, bool transparent, TColor transparentColor)
{
    int bpp = bitmap.BitsPerPixel();
    int width = bitmap.Width();
    int height = bitmap.Height() < 0 ? -bitmap.Height() : bitmap.Height();
    bool palette = bpp < 16;

    ClearChunks();
    ResetTempPalette();
    auto ihdrOwned = TChunkIHDR::Class()->Create(this);
    auto ihdr = static_cast<TChunkIHDR*>(ihdrOwned.get());
    Chunks.AddOwned(std::move(ihdrOwned));
    ihdr->Width = DWORD(width);
    ihdr->Height = DWORD(height);
    ihdr->ColorType = palette ? COLOR_PALETTE : COLOR_RGB;
    ihdr->BitDepth = palette ? BYTE(bpp) : 8;
    ihdr->CompressionMethod = 0;
    ihdr->FilterMethod = 0;
    ihdr->InterlaceMethod = 0;
    if (palette) {
        auto plte = TChunkPLTE::Class()->Create(this);
        static_cast<TChunkPLTE*>(plte.get())->SetCount(1 << bpp);
        Chunks.AddOwned(std::move(plte));
    }
    if (transparent)
        Chunks.AddOwned(TChunktRNS::Class()->Create(this));
    Chunks.AddOwned(TChunkIDAT::Class()->Create(this));
    Chunks.AddOwned(TChunkIEND::Class()->Create(this));
    ihdr->PrepareImageData();

    if (width > 0 && height > 0) {
        if (palette) {
            const std::vector<TRGBQuad>& table = bitmap.ColorTableRef();
            for (std::size_t k = 0; k < table.size() && k < 256; ++k)
                ihdr->BitmapInfo.bmiColors[k] = TRGBQuad{table[k].rgbBlue, table[k].rgbGreen, table[k].rgbRed, 0};
            std::size_t stride = std::min<std::size_t>(std::size_t(bitmap.BytesPerScanLine()), ihdr->BytesPerRow);
            for (int y = 0; y < height; ++y)
                std::memcpy(GetScanline(y), bitmap.ScanLine(y), stride);
        } else if (bpp == 24) {
            for (int y = 0; y < height; ++y)
                std::memcpy(GetScanline(y), bitmap.ScanLine(y), std::size_t(width) * 3);
        } else if (bpp == 32) {
            for (int y = 0; y < height; ++y) {
                const BYTE* s = bitmap.ScanLine(y);
                BYTE* d = GetScanline(y);
                for (int x = 0; x < width; ++x, s += 4, d += 3) {
                    d[0] = s[0];
                    d[1] = s[1];
                    d[2] = s[2];
                }
            }
        } else {
            TBitmap copy(bitmap);
            copy.SetPixelFormat(pf24bit);
            for (int y = 0; y < height; ++y)
                std::memcpy(GetScanline(y), copy.ScanLine(y), std::size_t(width) * 3);
        }
    }
    if (transparent)
        Chunks.ItemFromClass<TChunktRNS>()->SetTransparentColor(ColorToRGB(transparentColor));
    Changed();
}
