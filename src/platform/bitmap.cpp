#include "platform/bitmap.h"

#include <atomic>
#include <cstring>
#include <new>

#include "platform/blit.h"
#include "platform/canvas.h"

namespace {

std::atomic<int> gScreenBits{32};

// Bigger pixel blocks are refused outright rather than left to fail somewhere later.
constexpr std::int64_t kMaxBitmapBytes = std::int64_t(1) << 30;

TPixelKind KindFor(TPixelFormat format, int bpp)
{
    if (format == pf15bit)
        return pk555;
    if (format == pf16bit)
        return pk565;
    switch (bpp) {
    case 1: return pk1;
    case 4: return pk4;
    case 8: return pk8;
    case 16: return pk555;
    case 24: return pk24;
    default: return pk32;
    }
}

const std::vector<TPaletteEntry>& DefaultTableFor(int bpp)
{
    static const std::vector<TPaletteEntry> none;
    switch (bpp) {
    case 1: return MonochromePalette();
    case 4: return StandardPalette16();
    case 8: return HalftonePalette256();
    default: return none;
    }
}

std::vector<TRGBQuad> ToQuads(const std::vector<TPaletteEntry>& entries, std::size_t limit)
{
    std::vector<TRGBQuad> q;
    q.reserve(std::min(entries.size(), limit));
    for (std::size_t i = 0; i < entries.size() && i < limit; ++i)
        q.push_back(TRGBQuad{entries[i].peBlue, entries[i].peGreen, entries[i].peRed, 0});
    return q;
}

} // namespace

int ScreenBitsPerPixel() { return gScreenBits.load(); }
void SetScreenBitsPerPixel(int bits) { gScreenBits.store(bits); }
int DeviceBitsPerPixel() { return gScreenBits.load() == 24 ? 24 : 32; }

int PixelFormatBits(TPixelFormat format)
{
    switch (format) {
    case pfDevice: return DeviceBitsPerPixel();
    case pf1bit: return 1;
    case pf4bit: return 4;
    case pf8bit: return 8;
    case pf15bit:
    case pf16bit: return 16;
    case pf24bit: return 24;
    case pf32bit: return 32;
    case pfCustom: return 0;
    }
    return 0;
}

TBitmap::TBitmap()
{
    bpp_ = DeviceBitsPerPixel();
    kind_ = KindFor(format_, bpp_);
}

TBitmap::TBitmap(int width, int height, TPixelFormat format) : TBitmap()
{
    SetPixelFormat(format);
    SetSize(width, height);
}

TBitmap::TBitmap(const TBitmap& other) : TGraphic(other) { CopyFrom(other); }

TBitmap& TBitmap::operator=(const TBitmap& other)
{
    if (this != &other)
        CopyFrom(other);
    return *this;
}

TBitmap::~TBitmap() { DeleteObject(palette_); }

std::unique_ptr<TGraphic> TBitmap::Clone() const { return std::make_unique<TBitmap>(*this); }

void TBitmap::CopyFrom(const TBitmap& other)
{
    width_ = other.width_;
    height_ = other.height_;
    format_ = other.format_;
    bpp_ = other.bpp_;
    kind_ = other.kind_;
    stride_ = other.stride_;
    bits_ = other.bits_;
    table_ = other.table_;
    tableBGRX_ = other.tableBGRX_;
    DeleteObject(palette_);
    palette_ = other.paletteSet_ ? CopyPalette(other.palette_) : nullptr;
    paletteSet_ = palette_ != nullptr;
    transparent_ = other.transparent_;
    transparentMode_ = other.transparentMode_;
    transparentColor_ = other.transparentColor_;
}

void TBitmap::Allocate(int width, int height, int bpp, TPixelBlock& into, bool zeroed) const
{
    const std::int64_t stride = DIBBytesPerRow(width, bpp);
    if (height > 0 && stride > kMaxBitmapBytes / height)
        throw EOutOfResources("Out of system resources");
    try {
        if (zeroed)
            into.assign(std::size_t(stride * height), 0);
        else
            into.resize(std::size_t(stride * height));
    } catch (const std::bad_alloc&) {
        throw EOutOfMemory(SOutOfMemory);
    }
}

void TBitmap::TableChanged()
{
    tableBGRX_.resize(table_.size());
    for (std::size_t i = 0; i < table_.size(); ++i)
        tableBGRX_[i] = DWORD(table_[i].rgbBlue) | (DWORD(table_[i].rgbGreen) << 8) |
                        (DWORD(table_[i].rgbRed) << 16);
    if (!paletteSet_) {
        DeleteObject(palette_);
        palette_ = nullptr;
    }
}

void TBitmap::ResetTable(int bpp)
{
    table_ = ToQuads(DefaultTableFor(bpp), std::size_t(1) << std::min(bpp, 8));
    TableChanged();
}

void TBitmap::SetSize(int width, int height)
{
    if (width < 0 || height < 0)
        throw EInvalidGraphicOperation("Invalid image size");
    if (width == width_ && height == height_)
        return;
    const int newStride = int(DIBBytesPerRow(width, bpp_));
    TPixelBlock fresh;
    Allocate(width, height, bpp_, fresh);
    if (bpp_ <= 8 && table_.empty() && !paletteSet_)
        ResetTable(bpp_);
    if (!fresh.empty()) {
        // One white row, copied to every row; the overlap is written over it below.
        std::vector<DWORD> white(std::size_t(width), 0x00FFFFFF);
        TNearestIndex nearest(tableBGRX_.data(), int(tableBGRX_.size()));
        EncodeRow(kind_, fresh.data(), 0, width, white.data(), &nearest);
        for (int y = 1; y < height; ++y)
            std::memcpy(fresh.data() + std::size_t(y) * newStride, fresh.data(), std::size_t(newStride));
        const int rows = std::min(height, height_);
        const int cols = std::min(width, width_);
        for (int y = 0; y < rows; ++y) {
            const BYTE* from = bits_.data() + std::size_t(height_ - 1 - y) * stride_;
            BYTE* to = fresh.data() + std::size_t(height - 1 - y) * newStride;
            CopyPixels(kind_, from, 0, to, 0, cols);
        }
    }
    bits_.swap(fresh);
    width_ = width;
    height_ = height;
    stride_ = newStride;
    Changed();
}

void TBitmap::SetSizeForOverwrite(int width, int height)
{
    if (width < 0 || height < 0)
        throw EInvalidGraphicOperation("Invalid image size");
    const std::size_t newStride = std::size_t(DIBBytesPerRow(width, bpp_));
    if (width != width_ || height != height_) {
        TPixelBlock fresh;
        Allocate(width, height, bpp_, fresh, false);
        bits_.swap(fresh);
        width_ = width;
        height_ = height;
        stride_ = int(newStride);
        if (bpp_ <= 8 && table_.empty() && !paletteSet_)
            ResetTable(bpp_);
    }
    // From the last byte that holds a pixel bit, so that a partly used byte starts clear.
    const std::size_t used = std::size_t(width) * std::size_t(bpp_) / 8;
    if (used < newStride)
        for (int y = 0; y < height; ++y)
            std::memset(bits_.data() + std::size_t(y) * newStride + used, 0, newStride - used);
    Changed();
}

void TBitmap::SetPixelFormat(TPixelFormat format)
{
    if (format == pfCustom)
        throw EInvalidGraphicOperation("Unsupported pixel format");
    ConvertTo(format, PixelFormatBits(format), nullptr);
    Changed();
}

void TBitmap::ConvertTo(TPixelFormat format, int bpp, const std::vector<TPaletteEntry>* forcedTable)
{
    const TPixelKind newKind = KindFor(format, bpp);
    if (newKind == kind_ && !forcedTable) {
        format_ = format;
        return;
    }
    std::vector<TRGBQuad> newTable;
    bool tableFromPalette = false;
    if (bpp <= 8) {
        const std::size_t limit = std::size_t(1) << bpp;
        if (forcedTable) {
            newTable = ToQuads(*forcedTable, limit);
        } else {
            // The bitmap's own palette when it fits the depth, else the depth's default.
            HPALETTE own = (bpp_ <= 8 || paletteSet_) ? Palette() : nullptr;
            if (own && !own->Entries.empty() && own->Entries.size() <= limit) {
                newTable = ToQuads(own->Entries, limit);
                tableFromPalette = paletteSet_;
            } else {
                newTable = ToQuads(DefaultTableFor(bpp), limit);
            }
        }
    }
    std::vector<DWORD> newBGRX(newTable.size());
    for (std::size_t i = 0; i < newTable.size(); ++i)
        newBGRX[i] = DWORD(newTable[i].rgbBlue) | (DWORD(newTable[i].rgbGreen) << 8) |
                     (DWORD(newTable[i].rgbRed) << 16);

    const int newStride = int(DIBBytesPerRow(width_, bpp));
    TPixelBlock fresh;
    Allocate(width_, height_, bpp, fresh);
    if (!fresh.empty()) {
        std::vector<DWORD> row(static_cast<std::size_t>(width_));
        TNearestIndex nearest(newBGRX.data(), int(newBGRX.size()));
        for (int y = 0; y < height_; ++y) {
            DecodeRow(kind_, bits_.data() + std::size_t(y) * stride_, 0, width_, tableBGRX_.data(),
                      int(tableBGRX_.size()), row.data());
            EncodeRow(newKind, fresh.data() + std::size_t(y) * newStride, 0, width_, row.data(), &nearest);
        }
    }
    bits_.swap(fresh);
    stride_ = newStride;
    format_ = format;
    bpp_ = bpp;
    kind_ = newKind;
    if (paletteSet_ && bpp <= 8 && !tableFromPalette) {
        // The set palette no longer describes the pixels.
        DeleteObject(palette_);
        palette_ = nullptr;
        paletteSet_ = false;
    }
    table_ = std::move(newTable);
    TableChanged();
}

BYTE* TBitmap::ScanLine(int y)
{
    if (y < 0 || y >= height_)
        throw EInvalidGraphicOperation("Scan line index out of range");
    return bits_.data() + std::size_t(height_ - 1 - y) * stride_;
}

const BYTE* TBitmap::ScanLine(int y) const { return const_cast<TBitmap*>(this)->ScanLine(y); }

void TBitmap::SetColorTable(const std::vector<TRGBQuad>& table)
{
    if (bpp_ > 8)
        return;
    table_.assign(table.begin(), table.begin() + std::min(table.size(), std::size_t(1) << bpp_));
    DeleteObject(palette_);
    palette_ = nullptr;
    paletteSet_ = false;
    TableChanged();
    Changed();
}

HPALETTE TBitmap::Palette() const
{
    if (!palette_ && bpp_ <= 8) {
        std::vector<TPaletteEntry> entries(table_.size());
        for (std::size_t i = 0; i < table_.size(); ++i)
            entries[i] = TPaletteEntry{table_[i].rgbRed, table_[i].rgbGreen, table_[i].rgbBlue, 0};
        palette_ = CreatePalette(entries.data(), int(entries.size()));
    }
    return palette_;
}

void TBitmap::SetPalette(HPALETTE palette)
{
    if (palette != palette_)
        DeleteObject(palette_);
    palette_ = palette;
    paletteSet_ = palette != nullptr;
    if (palette && bpp_ <= 8) {
        table_ = ToQuads(palette->Entries, std::size_t(1) << bpp_);
        TableChanged();
    }
    Changed();
}

HPALETTE TBitmap::ReleasePalette()
{
    HPALETTE p = Palette();
    palette_ = nullptr;
    paletteSet_ = false;
    return p;
}

TCanvas& TBitmap::Canvas()
{
    if (!canvas_)
        canvas_ = std::make_unique<TCanvas>(*this);
    return *canvas_;
}

const TCanvas& TBitmap::Canvas() const { return const_cast<TBitmap*>(this)->Canvas(); }

void TBitmap::SetTransparent(bool value)
{
    if (value == transparent_)
        return;
    transparent_ = value;
    Changed();
}

TColor TBitmap::TransparentColor() const
{
    if (transparentMode_ == tmFixed)
        return transparentColor_;
    if (Empty())
        return clNone;
    return GetPixel(0, height_ - 1);
}

void TBitmap::SetTransparentColor(TColor color)
{
    transparentColor_ = color;
    transparentMode_ = color == clDefault ? tmAuto : tmFixed;
    Changed();
}

void TBitmap::SetTransparentMode(TTransparentMode mode)
{
    if (mode == transparentMode_)
        return;
    if (mode == tmAuto)
        SetTransparentColor(clDefault);
    else
        SetTransparentColor(TransparentColor());
}

void TBitmap::SetMonochrome(bool value)
{
    if (value && bpp_ != 1) {
        DeleteObject(palette_);
        palette_ = nullptr;
        paletteSet_ = false;
        ConvertTo(pf1bit, 1, &MonochromePalette());
        Changed();
    } else if (!value && bpp_ == 1) {
        SetPixelFormat(pfDevice);
    }
}

TColor TBitmap::GetPixel(int x, int y) const
{
    if (x < 0 || y < 0 || x >= width_ || y >= height_)
        return CLR_INVALID;
    DWORD v = 0;
    DecodeRow(kind_, bits_.data() + std::size_t(height_ - 1 - y) * stride_, x, 1, tableBGRX_.data(),
              int(tableBGRX_.size()), &v);
    return BGRXToColor(v);
}

void TBitmap::SetPixel(int x, int y, TColor color)
{
    if (x < 0 || y < 0 || x >= width_ || y >= height_)
        return;
    const TColor rgb = ColorToRGB(color);
    BYTE* row = bits_.data() + std::size_t(height_ - 1 - y) * stride_;
    if (bpp_ <= 8) {
        PutIndex(kind_, row, x, NearestBGRX(tableBGRX_.data(), int(tableBGRX_.size()), ColorToBGRX(rgb)));
    } else {
        const DWORD v = ColorToBGRX(rgb);
        EncodeRow(kind_, row, x, 1, &v, nullptr);
    }
}

void TBitmap::Assign(const TPersistent& source)
{
    if (const auto* other = dynamic_cast<const TBitmap*>(&source)) {
        if (other != this)
            CopyFrom(*other);
        Changed();
        return;
    }
    TPersistent::Assign(source);
}

void TBitmap::Draw(TCanvas& canvas, const TRect& rect) const
{
    if (Empty())
        return;
    if (Transparent())
        TransparentStretchBlt(canvas.Target(), rect.Left, rect.Top, rect.Width(), rect.Height(), *this, 0,
                              0, width_, height_, TransparentColor());
    else
        StretchBlt(canvas.Target(), rect.Left, rect.Top, rect.Width(), rect.Height(), *this, 0, 0, width_,
                   height_, canvas.CopyMode);
}

void TBitmap::LoadFromClipboardFormat(UINT format, const std::vector<uint8_t>& data)
{
    if (format == CF_DIB || format == CF_BITMAP) {
        LoadFromDIB(data.data(), data.size());
        return;
    }
    TGraphic::LoadFromClipboardFormat(format, data);
}

void TBitmap::SaveToClipboardFormat(UINT& format, std::vector<uint8_t>& data) const
{
    format = CF_DIB;
    data = SaveToDIB();
}

void TBitmap::Clear()
{
    bits_.clear();
    width_ = 0;
    height_ = 0;
    stride_ = 0;
    Changed();
}
