#pragma once
// A bitmap that holds a device-independent bitmap the way the platform did: rows padded to
// 4 bytes and stored bottom-up, 24-bit pixels B,G,R, 32-bit pixels B,G,R,X, 1/4/8-bit
// pixels indexing a colour table, 15-bit 5-5-5 and 16-bit 5-6-5 pixels.
#include <cstddef>
#include <memory>
#include <new>
#include <utility>
#include <vector>

#include "platform/colors.h"
#include "platform/dib.h"
#include "platform/graphic.h"
#include "platform/palette.h"
#include "platform/pixel_convert.h"

enum TPixelFormat { pfDevice, pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit, pfCustom };
enum TTransparentMode { tmAuto, tmFixed };

// The screen's depth decides what a device bitmap is: 24 bits when the screen has 24, else 32.
int ScreenBitsPerPixel();
void SetScreenBitsPerPixel(int bits);
int DeviceBitsPerPixel();

// Bits per pixel of a format (pfDevice by the screen; pfCustom answers 0).
int PixelFormatBits(TPixelFormat format);

// Storage whose resize leaves new bytes as they come (assign still fills): a pixel block
// that a decoder is about to write whole is not cleared first.
template <typename T> struct TForOverwriteAllocator : std::allocator<T> {
    template <typename U> struct rebind {
        using other = TForOverwriteAllocator<U>;
    };
    TForOverwriteAllocator() = default;
    template <typename U> TForOverwriteAllocator(const TForOverwriteAllocator<U>&) noexcept {}
    template <typename U> void construct(U* p) noexcept { ::new (static_cast<void*>(p)) U; }
    template <typename U, typename... Args> void construct(U* p, Args&&... args)
    {
        ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
    }
};
using TPixelBlock = std::vector<BYTE, TForOverwriteAllocator<BYTE>>;

class TBitmap : public TGraphic {
public:
    TBitmap();
    TBitmap(int width, int height, TPixelFormat format = pfDevice);
    TBitmap(const TBitmap& other);
    TBitmap& operator=(const TBitmap& other);
    ~TBitmap() override;

    std::string ClassName() const override { return "TBitmap"; }
    std::unique_ptr<TGraphic> Clone() const override;

    int Width() const override { return width_; }
    int Height() const override { return height_; }
    void SetWidth(int width) override { SetSize(width, height_); }
    void SetHeight(int height) override { SetSize(width_, height); }
    // Keeps the overlap (top-left aligned); new area is white (palette formats: the nearest
    // entry to white). Negative sizes raise EInvalidGraphicOperation, sizes beyond memory
    // EOutOfResources.
    void SetSize(int width, int height);
    bool Empty() const override { return width_ == 0 || height_ == 0; }
    // For a caller that writes every pixel of every row next (a decoder, a copy that covers
    // the bitmap): the new size with the pixels left undefined, so they are not made white
    // only to be written over (at the same size the pixels stay as they are). The padding at
    // each row's end is zeroed. Raises as SetSize does.
    void SetSizeForOverwrite(int width, int height);

    TPixelFormat PixelFormat() const { return format_; }
    void SetPixelFormat(TPixelFormat format); // converts the pixels
    int BitsPerPixel() const { return bpp_; } // 1, 4, 8, 16 (15 and 16 bit), 24, 32
    int BytesPerScanLine() const { return stride_; }
    // Row y counted from the top; raises EInvalidGraphicOperation "Scan line index out of range".
    BYTE* ScanLine(int y);
    const BYTE* ScanLine(int y) const;
    // The whole pixel block, bottom row first (nullptr when empty).
    BYTE* Bits() { return bits_.empty() ? nullptr : bits_.data(); }
    const BYTE* Bits() const { return bits_.empty() ? nullptr : bits_.data(); }
    std::size_t BitsSize() const { return bits_.size(); }

    // The colour table of 1/4/8-bit bitmaps (2, 16 or 256 entries by default; may be shorter,
    // never longer than the depth allows). Empty above 8 bits.
    std::vector<TRGBQuad> ColorTable() const { return table_; }
    const std::vector<TRGBQuad>& ColorTableRef() const { return table_; }
    // Replaces the colours; pixel indices stay as they are.
    void SetColorTable(const std::vector<TRGBQuad>& table);
    // Owned by the bitmap: made from the colour table for palette formats; above 8 bits
    // nullptr unless one was set.
    HPALETTE Palette() const override;
    // Takes ownership; a palette format's colour table becomes its entries.
    void SetPalette(HPALETTE palette) override;
    HPALETTE ReleasePalette(); // hands the handle to the caller

    TCanvas& Canvas();
    const TCanvas& Canvas() const;

    void SetTransparent(bool value) override;
    // tmAuto: the bottom-left pixel's colour (clNone when empty); tmFixed: the set value.
    TColor TransparentColor() const;
    // Sets tmFixed; clDefault returns to tmAuto.
    void SetTransparentColor(TColor color);
    TTransparentMode TransparentMode() const { return transparentMode_; }
    void SetTransparentMode(TTransparentMode mode);

    bool Monochrome() const { return bpp_ == 1; }
    // true: 1 bit with black and white; false turns a monochrome bitmap into a device one.
    void SetMonochrome(bool value);

    // Exact colour of the pixel (the table colour for palette formats); out of range: CLR_INVALID.
    TColor GetPixel(int x, int y) const;
    // Palette formats store the nearest entry; out of range is ignored.
    void SetPixel(int x, int y, TColor color);

    // From a TBitmap a deep copy (pixels, format, colour table, palette, transparency);
    // other graphics are asked to assign themselves (by default they are drawn onto it).
    void Assign(const TPersistent& source) override;
    // Drawn stretched; transparently when Transparent() is set.
    void Draw(TCanvas& canvas, const TRect& rect) const override;

    // A BMP file (defined in bmp_codec.cpp).
    void LoadFromStream(TStream& stream) override;
    void SaveToStream(TStream& stream) const override;

    // Clipboard: loads CF_DIB and CF_BITMAP given as DIB bytes; saves CF_DIB.
    void LoadFromClipboardFormat(UINT format, const std::vector<uint8_t>& data) override;
    void SaveToClipboardFormat(UINT& format, std::vector<uint8_t>& data) const override;

    // TBitmapInfoHeader + colour table (+ three masks for pf16bit) + the bits, bottom-up.
    std::vector<BYTE> SaveToDIB() const;
    // The same layout; also top-down rows, BI_BITFIELDS, V4/V5 headers and colour tables
    // shorter than the depth. Raises EInvalidGraphic on anything malformed or truncated.
    void LoadFromDIB(const void* dib, std::size_t size);
    // Raw parts, as StretchDIBits gets them. bitsSize bounds the pixel block.
    void LoadFromDIBParts(const TBitmapInfoHeader& info, const void* masksAndColors,
                          std::size_t masksAndColorsSize, const void* bits, std::size_t bitsSize);

    // Drops pixels, palette and transparency setting: a 0x0 bitmap of the same format.
    void Clear();

    // Internal use of the blit and conversion code: the colours of the table as B,G,R,0 words.
    const DWORD* TableBGRX() const { return tableBGRX_.data(); }
    int TableSize() const { return int(table_.size()); }
    TPixelKind Kind() const { return kind_; }

private:
    // A zeroed block, or with zeroed = false one whose bytes are undefined.
    void Allocate(int width, int height, int bpp, TPixelBlock& into, bool zeroed = true) const;
    void ResetTable(int bpp);
    void TableChanged();
    void ConvertTo(TPixelFormat format, int bpp, const std::vector<TPaletteEntry>* forcedTable);
    void CopyFrom(const TBitmap& other);

    int width_ = 0;
    int height_ = 0;
    TPixelFormat format_ = pfDevice;
    int bpp_ = 32;
    TPixelKind kind_ = pk32;
    int stride_ = 0;
    TPixelBlock bits_;
    std::vector<TRGBQuad> table_;
    std::vector<DWORD> tableBGRX_;
    mutable HPALETTE palette_ = nullptr;
    bool paletteSet_ = false; // palette_ came from SetPalette, not from the table
    TTransparentMode transparentMode_ = tmAuto;
    TColor transparentColor_ = clDefault;
    mutable std::unique_ptr<TCanvas> canvas_;
};
