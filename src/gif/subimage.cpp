// Frames: bounds, pixels, descriptor, reading and writing.
#include <algorithm>

#include "gif/gif_image.h"
#include "gif/gif_stream_util.h"
#include "gif/gif_subimage.h"
#include "gif/lzw.h"

using namespace gif_io;

TGIFSubImage::TGIFSubImage(TGIFImage* image)
    : TGIFItem(image),
      colorMap_(std::make_unique<TGIFLocalColorMap>(this)),
      extensions_(std::make_unique<TGIFExtensionList>(image))
{
}

TGIFSubImage::~TGIFSubImage()
{
    // The graphic control extension unlinks itself from this frame as it goes.
    extensions_->Clear();
    FreePalette();
    if (TGIFMemoryBudget* budget = Budget())
        budget->Hold(-std::int64_t(charged_));
}

TGIFMemoryBudget* TGIFSubImage::Budget() const
{
    TGIFImage* image = Image();
    return image ? &image->MemoryBudget() : nullptr;
}

void TGIFSubImage::CheckRoom(std::uint64_t bytes) const
{
    if (const TGIFMemoryBudget* budget = Budget())
        budget->Check(bytes);
}

std::int64_t TGIFSubImage::HeldBytes() const
{
    std::size_t bytes = data_.capacity();
    if (pending_)
        bytes += pending_->Decoded.capacity();
    if (bitmap_)
        bytes += bitmap_->BitsSize();
    if (mask_)
        bytes += mask_->BitsSize();
    return std::int64_t(bytes);
}

void TGIFSubImage::Recharge() const
{
    const std::int64_t held = HeldBytes();
    if (TGIFMemoryBudget* budget = Budget())
        budget->Hold(held - std::int64_t(charged_));
    charged_ = std::uint32_t(held);
}

void TGIFSubImage::SetImage(TGIFImage* image)
{
    // What the frame holds moves to the budget of its new image.
    if (TGIFMemoryBudget* budget = Budget())
        budget->Hold(-std::int64_t(charged_));
    charged_ = 0;
    TGIFItem::SetImage(image);
    Recharge();
    extensions_->SetImage(image);
    for (int i = 0; i < extensions_->GetCount(); ++i)
        extensions_->GetExtension(i)->SetSubImage(this);
}

void TGIFSubImage::Clear()
{
    extensions_->Clear();
    colorMap_->Clear();
    FreeImage();
    desc_.Left = desc_.Top = desc_.Width = desc_.Height = 0;
    gce_ = nullptr;
    transparent_ = false;
    FreeBitmap();
}

bool TGIFSubImage::GetEmpty() const
{
    return (data_.empty() && !pending_ && !coded_) || desc_.Width == 0 || desc_.Height == 0;
}

WORD TGIFSubImage::GetBounds(int index) const
{
    switch (index) {
    case 1: return desc_.Left;
    case 2: return desc_.Top;
    case 3: return desc_.Width;
    case 4: return desc_.Height;
    default: return 0;
    }
}

void TGIFSubImage::SetBounds(int index, WORD value)
{
    switch (index) {
    case 1: DoSetBounds(value, desc_.Top, desc_.Width, desc_.Height); break;
    case 2: DoSetBounds(desc_.Left, value, desc_.Width, desc_.Height); break;
    case 3: DoSetBounds(desc_.Left, desc_.Top, value, desc_.Height); break;
    case 4: DoSetBounds(desc_.Left, desc_.Top, desc_.Width, value); break;
    default: break;
    }
}

TRect TGIFSubImage::GetBoundsRect() const
{
    return Bounds(desc_.Left, desc_.Top, desc_.Width, desc_.Height);
}

void TGIFSubImage::SetBoundsRect(const TRect& rect)
{
    DoSetBounds(rect.Left, rect.Top, rect.Width(), rect.Height());
}

void TGIFSubImage::DoSetBounds(int left, int top, int width, int height)
{
    left = std::clamp(left, 0, 0xFFFF);
    top = std::clamp(top, 0, 0xFFFF);
    width = std::clamp(width, 0, 0xFFFF);
    height = std::clamp(height, 0, 0xFFFF);
    if (width != desc_.Width || height != desc_.Height) {
        const std::uint64_t pixels = std::uint64_t(width) * std::uint64_t(height);
        if (pixels > GIFMaxPixels)
            RaiseGIFError(sBadDimension);
        FreeBitmap();
        FreeImage();
        desc_.Width = WORD(width);
        desc_.Height = WORD(height);
        if (pixels > 0) {
            CheckRoom(pixels);
            data_ = gif_io::AllocatePixels(std::size_t(pixels), 0);
            Recharge();
        }
    }
    desc_.Left = WORD(left);
    desc_.Top = WORD(top);
    TGIFImage* image = Image();
    if (!image)
        return;
    TGIFHeader& header = image->Header();
    bool warned = false;
    if (left + width > header.Width()) {
        const bool hadWidth = header.Width() != 0;
        header.SetWidth(WORD(std::min(left + width, 0xFFFF)));
        if (hadWidth) {
            Warning(gsWarning, LoadGIFString(sBadWidth));
            warned = true;
        }
    }
    if (top + height > header.Height()) {
        const bool hadHeight = header.Height() != 0;
        header.SetHeight(WORD(std::min(top + height, 0xFFFF)));
        if (hadHeight) {
            Warning(gsWarning, LoadGIFString(sBadHeight));
            warned = true;
        }
    }
    if (warned)
        Warning(gsWarning, LoadGIFString(sScreenSizeExceeded));
}

void TGIFSubImage::SetInterlaced(bool value)
{
    desc_.PackedFields = BYTE(value ? (desc_.PackedFields | idInterlaced) : (desc_.PackedFields & ~idInterlaced));
}

TGIFColorMap& TGIFSubImage::GetActiveColorMap()
{
    if (colorMap_->Count() > 0)
        return *colorMap_;
    if (TGIFImage* image = Image())
        if (image->GetColorMap().Count() > 0)
            return image->GetColorMap();
    return *colorMap_;
}

int TGIFSubImage::GetBitsPerPixel() const
{
    return BitsForColorCount(colorMap_->Count());
}

void TGIFSubImage::NeedImage()
{
    if (GetEmpty())
        RaiseGIFError(sEmptyImage);
}

BYTE TGIFSubImage::GetPixel(int x, int y)
{
    if (x < 0 || y < 0 || x >= desc_.Width || y >= desc_.Height)
        RaiseGIFError(sBadPixelCoordinates);
    NeedImage();
    NeedPixels();
    return data_[std::size_t(y) * desc_.Width + std::size_t(x)];
}

BYTE* TGIFSubImage::GetScanline(int row)
{
    if (row < 0 || row >= desc_.Height)
        RaiseGIFError(sBadPixelCoordinates);
    NeedImage();
    NeedPixels();
    coded_.reset();
    return data_.data() + std::size_t(row) * desc_.Width;
}

void TGIFSubImage::NewImage()
{
    const std::uint64_t pixels = std::uint64_t(desc_.Width) * desc_.Height;
    if (pixels == 0 || pixels > GIFMaxPixels)
        RaiseGIFError(sBadDimension);
    FreeImage();
    CheckRoom(pixels);
    data_ = gif_io::AllocatePixels(std::size_t(pixels), 0);
    Recharge();
}

void TGIFSubImage::FreeImage()
{
    coded_.reset();
    DropPixels();
}

void TGIFSubImage::ReleasePixels()
{
    FreeBitmap();
    if (coded_)
        DropPixels();
}

void TGIFSubImage::DropPixels()
{
    pending_.reset();
    data_.clear();
    data_.shrink_to_fit();
    Recharge();
}

std::vector<BYTE> TGIFSubImage::ExpandPending() const
{
    const std::size_t width = desc_.Width;
    const std::size_t total = width * desc_.Height;
    std::vector<BYTE> full = gif_io::AllocatePixels(total, pending_->Fill);
    const std::vector<BYTE>& decoded = pending_->Decoded;
    const std::size_t n = std::min(decoded.size(), total);
    if (!pending_->Interlaced) {
        std::copy_n(decoded.begin(), n, full.begin());
        return full;
    }
    const std::vector<int> rows = gif_io::InterlacedRowOrder(desc_.Height);
    for (std::size_t i = 0; i * width < n; ++i)
        std::copy_n(decoded.begin() + std::ptrdiff_t(i * width), std::min(width, n - i * width),
                    full.begin() + std::ptrdiff_t(std::size_t(rows[i]) * width));
    return full;
}

void TGIFSubImage::MakePendingPixels() const
{
    CheckRoom(std::uint64_t(desc_.Width) * desc_.Height);
    data_ = ExpandPending();
    pending_.reset();
    Recharge();
}

std::vector<BYTE> TGIFSubImage::DecodeCoded() const
{
    const std::size_t total = std::size_t(desc_.Width) * desc_.Height;
    std::vector<BYTE> pixels = AllocatePixels(total, 0);
    // Whatever the data have to say was said when they were read.
    TLZWDecodeTarget target;
    target.Pixels = pixels.data();
    target.Capacity = total;
    TGIFDataReader reader(coded_->Data.data(), coded_->Data.size());
    const std::size_t decoded = DecodeLZW(reader, target);
    std::fill(pixels.begin() + std::ptrdiff_t(std::min(decoded, total)), pixels.end(), coded_->Fill);
    if (coded_->Interlaced)
        DeinterlaceRows(pixels.data(), desc_.Width, desc_.Height);
    return pixels;
}

void TGIFSubImage::MakeCodedPixels() const
{
    CheckRoom(std::uint64_t(desc_.Width) * desc_.Height);
    data_ = DecodeCoded();
    Recharge();
}

BYTE TGIFSubImage::FillIndex() const
{
    return (transparent_ && gce_) ? gce_->GetTransparentColorIndex() : 0;
}

TGIFVersion TGIFSubImage::GetVersion() const
{
    if (colorMap_->Optimized())
        return gv89a;
    TGIFVersion version = gv87a;
    for (int i = 0; i < extensions_->GetCount() && version != gv89a; ++i)
        version = std::max(version, extensions_->GetExtension(i)->GetVersion());
    return version;
}

void TGIFSubImage::Prepare()
{
    BYTE packed = desc_.PackedFields;
    if (colorMap_->Count() > 0) {
        packed = BYTE((packed & idInterlaced) | idLocalColorTable);
        if (colorMap_->Optimized())
            packed |= idSort;
        packed |= BYTE(std::clamp(GetColorResolution(), 0, 7));
    } else {
        packed &= 0x58;
    }
    desc_.PackedFields = packed;
}

void TGIFSubImage::SetCachedPalette(HPALETTE palette)
{
    if (palette_ != palette)
        DeleteObject(palette_);
    palette_ = palette;
}

void TGIFSubImage::FreeBitmap()
{
    bitmap_.reset();
    FreeMask();
}

void TGIFSubImage::FreeMask()
{
    mask_.reset();
    needMask_ = true;
    Recharge();
}

void TGIFSubImage::FreePalette()
{
    SetCachedPalette(nullptr);
}

// ---- reading and writing -----------------------------------------------------------------

void TGIFSubImage::LoadFromStream(TStream& stream)
{
    extensions_->LoadFromStream(stream, this);
    const int next = PeekByte(stream);
    // Extensions without an image, or a block that is no image descriptor: the frame list
    // decides what comes next.
    if (next != 0x2C)
        return;
    BYTE raw[10];
    ReadCheck(stream, raw, 10);
    desc_.Separator = raw[0];
    desc_.Left = WORD(raw[1] | (raw[2] << 8));
    desc_.Top = WORD(raw[3] | (raw[4] << 8));
    desc_.Width = WORD(raw[5] | (raw[6] << 8));
    desc_.Height = WORD(raw[7] | (raw[8] << 8));
    desc_.PackedFields = raw[9];
    if (desc_.Width == 0 || desc_.Height == 0) {
        if (TGIFImage* image = Image()) {
            if (desc_.Width == 0)
                desc_.Width = WORD(image->GetWidth());
            if (desc_.Height == 0)
                desc_.Height = WORD(image->GetHeight());
        }
        Warning(gsWarning, LoadGIFString(sScreenSizeExceeded));
    }
    const std::uint64_t pixels = std::uint64_t(desc_.Width) * desc_.Height;
    if (pixels == 0 || pixels > GIFMaxPixels)
        RaiseGIFError(sBadDimension);
    if (desc_.PackedFields & idLocalColorTable) {
        const int count = 2 << (desc_.PackedFields & idColorTableSize);
        if (count < 2 || count > 256)
            RaiseGIFError(sImageBadColorSize);
        ReadColorTable(stream, *colorMap_, count);
        colorMap_->SetOptimized((desc_.PackedFields & idSort) != 0);
    }
    Decompress(stream);
    if (GIFImageRenderOnLoad)
        RenderOnLoad();
}

void TGIFSubImage::RenderOnLoad()
{
    // A frame without any colours has nothing to render with until a table is given; that
    // is left to drawing, which says so.
    if (GetActiveColorMap().Count() == 0)
        return;
    GetBitmap();
}

void TGIFSubImage::SaveToStream(TStream& stream)
{
    extensions_->SaveToStream(stream);
    if (GetEmpty())
        return;
    Prepare();
    const BYTE raw[10] = {0x2C,
                          BYTE(desc_.Left), BYTE(desc_.Left >> 8),
                          BYTE(desc_.Top), BYTE(desc_.Top >> 8),
                          BYTE(desc_.Width), BYTE(desc_.Width >> 8),
                          BYTE(desc_.Height), BYTE(desc_.Height >> 8),
                          desc_.PackedFields};
    stream.WriteBuffer(raw, 10);
    WriteColorTable(stream, *colorMap_);
    Compress(stream);
}

void TGIFSubImage::Decompress(TStream& stream)
{
    const TRecharge recharge(*this);
    FreeImage();
    const std::uint64_t total = std::uint64_t(desc_.Width) * desc_.Height;
    if (total == 0 || total > GIFMaxPixels)
        RaiseGIFError(sBadDimension);
    // Room for what the data can describe, not for what the descriptor claims.
    const std::int64_t start = stream.Position();
    const TLZWDataExtent extent = FindLZWData(stream);
    const std::uint64_t room = std::min(total, extent.PixelBound());
    // The pixels are kept while the image's frames hold little; the data are decoded now
    // all the same, so that what they have to say comes while the file is read. A frame
    // whose pixels are not kept whole keeps its data, to decode them again when its pixels
    // are needed.
    TGIFMemoryBudget* budget = Budget();
    const std::uint64_t held = budget ? std::uint64_t(std::max<std::int64_t>(budget->Held(), 0)) : 0;
    const bool keep = held + room <= GIFKeptPixelBytes || !budget;
    std::shared_ptr<TCodedPixels> coded;
    auto readCoded = [&] {
        coded = std::make_shared<TCodedPixels>();
        coded->Fill = FillIndex();
        coded->Interlaced = GetInterlaced();
        coded->Data = AllocatePixels(std::size_t(extent.End - start), 0);
        stream.SetPosition(start);
        ReadCheck(stream, coded->Data.data(), std::int64_t(coded->Data.size()));
    };
    std::vector<BYTE> pixels = AllocatePixels(std::size_t(room), 0);
    TLZWDecodeTarget target;
    target.Pixels = pixels.data();
    target.Capacity = pixels.size();
    target.Warning = [this](int id) { Warning(gsWarning, LoadGIFString(id)); };
    std::size_t decoded = 0;
    if (keep) {
        decoded = DecodeLZW(stream, target);
        if (decoded < total) {
            const std::int64_t end = stream.Position();
            readCoded();
            stream.SetPosition(end);
        }
    } else {
        readCoded();
        TGIFDataReader reader(coded->Data.data(), coded->Data.size());
        decoded = DecodeLZW(reader, target);
        stream.SetPosition(start + reader.Position());
    }
    coded_ = std::move(coded);
    if (decoded >= total && budget)
        budget->AllowAtLeast(TGIFMemoryBudget::ForWholeFrame(desc_.Width, desc_.Height));
    if (!keep)
        return;
    const BYTE fill = FillIndex();
    if (room == total) {
        std::fill(pixels.begin() + std::ptrdiff_t(decoded), pixels.end(), fill);
        if (GetInterlaced())
            DeinterlaceRows(pixels.data(), desc_.Width, desc_.Height);
        data_ = std::move(pixels);
        return;
    }
    pixels.resize(decoded);
    pixels.shrink_to_fit();
    pending_ = std::make_unique<TPendingPixels>();
    pending_->Decoded = std::move(pixels);
    pending_->Fill = fill;
    pending_->Interlaced = GetInterlaced();
}

void TGIFSubImage::Compress(TStream& stream)
{
    if (Image() && Image()->WritePrecompressed(this, stream))
        return;
    EncodeWith(EncodeSettings(), stream);
}

TGIFSubImage::TEncodeSettings TGIFSubImage::EncodeSettings() const
{
    TEncodeSettings settings;
    if (colorMap_->Count() > 0) {
        settings.Bits = colorMap_->GetBitsPerPixel();
        settings.Colors = colorMap_->Count();
    } else {
        settings.Bits = Image() ? Image()->GetBitsPerPixel() : 8;
        settings.Colors = 1 << settings.Bits;
    }
    settings.Rle = Image() && Image()->Compression == gcRLE;
    settings.Width = desc_.Width;
    settings.Height = desc_.Height;
    settings.Interlaced = GetInterlaced();
    settings.Empty = GetEmpty();
    settings.Budget = Budget();
    return settings;
}

// Reads only the frame's own pixels, so it may run on another thread while the image is saved.
void TGIFSubImage::EncodeWith(const TEncodeSettings& s, TStream& stream) const
{
    // A frame whose data stopped early is written from a buffer made for the purpose, so that
    // saving many of them never holds more than one per encoding thread.
    // The same goes for a frame that holds only its data.
    const bool expand = (pending_ || data_.empty()) && !s.Empty;
    const TGIFBudgetClaim claim(expand ? s.Budget : nullptr, std::uint64_t(s.Width) * std::uint64_t(s.Height));
    std::vector<BYTE> expanded;
    if (expand)
        expanded = pending_ ? ExpandPending() : DecodeCoded();
    const BYTE* pixels = s.Empty ? nullptr : expand ? expanded.data() : data_.data();
    if (s.Rle) {
        TRLEEncoder encoder;
        encoder.Compress(stream, s.Bits, s.Width, s.Height, s.Interlaced, pixels, s.Colors);
    } else {
        TLZWEncoder encoder;
        encoder.Compress(stream, s.Bits, s.Width, s.Height, s.Interlaced, pixels, s.Colors);
    }
}

std::function<void(TStream&)> TGIFSubImage::CompressJob() const
{
    return [this, settings = EncodeSettings()](TStream& stream) { EncodeWith(settings, stream); };
}
