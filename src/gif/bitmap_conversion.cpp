// Frames to bitmaps and back, the palettes that go with them, and drawing a frame onto a
// canvas through its transparency mask.
#include <algorithm>
#include <cstring>
#include <new>

#include "gif/color_reduction.h"
#include "gif/dither.h"
#include "gif/gif_image.h"
#include "gif/gif_subimage.h"
#include "platform/blit.h"
#include "platform/canvas.h"
#include "platform/dib.h"

namespace {

constexpr int ProgressRows = 32;

// Reports a stage of a long conversion through the owning image's progress event.
class TFrameProgress {
public:
    TFrameProgress(TGIFImage* image, int textId, int rows)
        : image_(image), text_(LoadGIFString(textId)), rows_(std::max(rows, 1))
    {
        if (image_)
            image_->Progress(psStarting, 0, false, TRect{}, text_);
    }
    ~TFrameProgress()
    {
        if (image_)
            image_->Progress(psEnding, 100, false, TRect{}, text_);
    }
    TFrameProgress(const TFrameProgress&) = delete;
    TFrameProgress& operator=(const TFrameProgress&) = delete;
    void Row(int row)
    {
        if (image_ && row > 0 && row % ProgressRows == 0)
            image_->Progress(psRunning, BYTE(std::int64_t(row) * 100 / rows_), false, TRect{}, text_);
    }

private:
    TGIFImage* image_;
    const std::string& text_;
    int rows_;
};

// The palette's colours as a bitmap's colour table, padded with black up to `needed`
// entries: a frame's pixels may point past its table, and a bitmap's may not.
std::vector<TRGBQuad> BitmapTable(HPALETTE palette, int needed)
{
    const int n = std::clamp(GetPaletteEntries(palette, 0, 0, nullptr), 0, 256);
    std::vector<TRGBQuad> table(std::size_t(std::clamp(std::max(n, needed), 1, 256)));
    std::vector<TPaletteEntry> entries(static_cast<std::size_t>(n));
    if (n > 0)
        GetPaletteEntries(palette, 0, n, entries.data());
    for (int i = 0; i < n; ++i)
        table[std::size_t(i)] = TRGBQuad{entries[std::size_t(i)].peBlue, entries[std::size_t(i)].peGreen,
                                         entries[std::size_t(i)].peRed, 0};
    return table;
}

int HighestIndex(const BYTE* pixels, std::size_t count)
{
    BYTE highest = 0;
    for (std::size_t i = 0; i < count && highest != 255; ++i)
        highest = std::max(highest, pixels[i]);
    return highest;
}

bool IsMaskBitSet(const TBitmap& mask, int x, int y)
{
    return (mask.ScanLine(y)[x >> 3] & (0x80 >> (x & 7))) != 0;
}

// The bytes of a width x height bitmap of that depth.
std::uint64_t BitmapBytes(int width, int height, int bits)
{
    return std::uint64_t(DIBBytesPerRow(width, bits)) * std::uint64_t(std::max(height, 0));
}

} // namespace

// ---- bitmap to frame -----------------------------------------------------------------------

void TGIFSubImage::Assign(const TPersistent& source)
{
    if (&source == this)
        return;
    if (const auto* frame = dynamic_cast<const TGIFSubImage*>(&source))
        AssignFrame(*frame);
    else if (const auto* bitmap = dynamic_cast<const TBitmap*>(&source))
        AssignBitmap(*bitmap);
    else if (const auto* graphic = dynamic_cast<const TGraphic*>(&source))
        AssignGraphic(*graphic);
    else
        TGIFItem::Assign(source);
}

void TGIFSubImage::AssignFrame(const TGIFSubImage& source)
{
    const TRecharge recharge(*this);
    Clear();
    // The size first, so that placing the frame makes no buffer: what the copy holds is
    // decided below.
    desc_.Width = source.desc_.Width;
    desc_.Height = source.desc_.Height;
    DoSetBounds(source.desc_.Left, source.desc_.Top, source.desc_.Width, source.desc_.Height);
    desc_.PackedFields = source.desc_.PackedFields;
    if (source.coded_) {
        // A frame read from a stream is copied as its data, decoded when the copy's pixels
        // are needed: the copy of a large frame costs what its data cost.
        coded_ = source.coded_;
    } else if (source.pending_) {
        CheckRoom(source.pending_->Decoded.size());
        pending_ = std::make_unique<TPendingPixels>(*source.pending_);
    } else if (!source.GetEmpty()) {
        CheckRoom(source.data_.size());
        data_ = source.data_;
    }
    colorMap_->Assign(*source.colorMap_);
    colorMap_->SetOptimized(source.colorMap_->Optimized());
    // The blocks are copied through their file form, which every extension class knows.
    TMemoryStream stream;
    const_cast<TGIFExtensionList&>(*source.extensions_).SaveToStream(stream);
    stream.SetPosition(0);
    extensions_->LoadFromStream(stream, this);
    if (source.bitmap_) {
        Recharge();
        CheckRoom(source.bitmap_->BitsSize());
        bitmap_ = std::make_unique<TBitmap>(*source.bitmap_);
    }
}

void TGIFSubImage::AssignBitmap(const TBitmap& source)
{
    TGIFImage* image = Image();
    const TGIFConversionSettings settings =
        image ? TGIFConversionSettings{image->ColorReduction, image->DitherMode, image->ReductionBits()}
              : TGIFConversionSettings{GIFImageDefaultColorReduction, GIFImageDefaultDitherMode,
                                       GIFImageDefaultColorReductionBits};
    AssignBitmap(source, settings);
}

void TGIFSubImage::AssignBitmap(const TBitmap& source, const TGIFConversionSettings& settings)
{
    const TRecharge recharge(*this);
    Clear();
    if (source.Width() > 0xFFFF || source.Height() > 0xFFFF)
        RaiseGIFError(sBadDimension);
    DoSetBounds(0, 0, source.Width(), source.Height());
    std::unique_ptr<TBitmap> cached;
    if (source.PixelFormat() == pfDevice || source.BitsPerPixel() > 8) {
        cached = ReduceColors(source, settings.ColorReduction, settings.DitherMode, settings.ReductionBits);
    } else {
        cached = std::make_unique<TBitmap>(source);
    }
    NewImage();
    ImportRows(*cached);
    bitmap_ = std::move(cached);
}

void TGIFSubImage::ImportRows(const TBitmap& source)
{
    const int width = desc_.Width;
    const int height = desc_.Height;
    std::unique_ptr<TBitmap> converted;
    const TBitmap* bitmap = &source;
    const int bits = source.BitsPerPixel();
    const bool convert = source.PixelFormat() == pfDevice || (bits != 1 && bits != 4 && bits != 8 && bits != 24);
    const TGIFBudgetClaim claim(convert ? Budget() : nullptr,
                                source.BitsSize() + BitmapBytes(source.Width(), source.Height(), 24));
    if (convert) {
        converted = std::make_unique<TBitmap>(source);
        converted->SetPixelFormat(pf24bit);
        bitmap = converted.get();
    }
    const int depth = bitmap->BitsPerPixel();

    TFrameProgress progress(Image(), sProgressConverting, height);
    if (depth <= 8) {
        const std::vector<TRGBQuad>& table = bitmap->ColorTableRef();
        if (!table.empty()) {
            colorMap_->ImportColorTable(table.data(), int(table.size()));
        } else if (HPALETTE palette = bitmap->Palette()) {
            colorMap_->ImportPalette(palette);
        }
    }
    // The last eight colours met and their indices: photographs repeat colours in runs, and a
    // table search per pixel would dominate the conversion.
    struct TRecent {
        TColor Color;
        int Index;
    };
    TRecent recent[8];
    int recentCount = 0;
    int recentNext = 0;
    int highest = -1;

    for (int y = 0; y < height; ++y) {
        const BYTE* in = bitmap->ScanLine(y);
        BYTE* out = data_.data() + std::size_t(y) * std::size_t(width);
        switch (depth) {
        case 8:
            std::memcpy(out, in, std::size_t(width));
            break;
        case 4:
            for (int x = 0; x < width; ++x)
                out[x] = BYTE((x & 1) ? (in[x >> 1] & 0x0F) : (in[x >> 1] >> 4));
            break;
        case 1:
            for (int x = 0; x < width; ++x)
                out[x] = BYTE((in[x >> 3] >> (7 - (x & 7))) & 1);
            break;
        default:
            for (int x = 0; x < width; ++x) {
                const BYTE* p = in + std::size_t(x) * 3;
                const TColor color = RGB(p[2], p[1], p[0]);
                int index = -1;
                for (int i = 0; i < recentCount; ++i)
                    if (recent[i].Color == color) {
                        index = recent[i].Index;
                        break;
                    }
                if (index < 0) {
                    index = colorMap_->AddUnique(color);
                    recent[recentNext] = TRecent{color, index};
                    recentNext = (recentNext + 1) % 8;
                    recentCount = std::min(recentCount + 1, 8);
                }
                out[x] = BYTE(index);
            }
            break;
        }
        if (depth <= 8)
            for (int x = 0; x < width; ++x)
                highest = std::max(highest, int(out[x]));
        progress.Row(y + 1);
    }
    // A colour table shorter than the indices its pixels use would make a file whose pixels
    // point past its table; the missing entries become black.
    while (depth <= 8 && colorMap_->Count() <= highest)
        colorMap_->Add(RGB(0, 0, 0));
}

void TGIFSubImage::AssignGraphic(const TGraphic& source)
{
    const int width = source.Width();
    const int height = source.Height();
    TBitmap onWhite(width, height, pf24bit);
    onWhite.Canvas().Brush().Color = clWhite;
    onWhite.Canvas().FillRect(Rect(0, 0, width, height));
    source.Draw(onWhite.Canvas(), Rect(0, 0, width, height));

    // What the graphic leaves uncovered shows the background: drawn once on white and once
    // on black, those pixels differ.
    std::vector<bool> marked;
    bool anyMarked = false;
    if (source.Transparent() && width > 0 && height > 0) {
        TBitmap onBlack(width, height, pf24bit);
        onBlack.Canvas().Brush().Color = clBlack;
        onBlack.Canvas().FillRect(Rect(0, 0, width, height));
        source.Draw(onBlack.Canvas(), Rect(0, 0, width, height));
        marked.assign(std::size_t(width) * std::size_t(height), false);
        for (int y = 0; y < height; ++y) {
            const BYTE* w = onWhite.ScanLine(y);
            const BYTE* b = onBlack.ScanLine(y);
            for (int x = 0; x < width; ++x)
                if ((w[x * 3] ^ b[x * 3]) | (w[x * 3 + 1] ^ b[x * 3 + 1]) | (w[x * 3 + 2] ^ b[x * 3 + 2])) {
                    marked[std::size_t(y) * std::size_t(width) + std::size_t(x)] = true;
                    anyMarked = true;
                }
        }
    }

    AssignBitmap(onWhite);
    if (!anyMarked)
        return;
    colorMap_->Optimize();
    if (colorMap_->Count() < 1 || colorMap_->Count() >= 256)
        return;
    const int index = colorMap_->Add(clWhite);
    for (std::size_t i = 0; i < marked.size(); ++i)
        if (marked[i])
            data_[i] = BYTE(index);
    auto* gce = new TGIFGraphicControlExtension(this);
    extensions_->Add(gce);
    gce->SetTransparentColorIndex(BYTE(index));
    gce->SetTransparent(true);
    // The bitmap kept from the conversion knows nothing of the transparency.
    FreeBitmap();
}

// ---- frame to bitmap -----------------------------------------------------------------------

void TGIFSubImage::AssignTo(TPersistent& dest) const
{
    if (auto* bitmap = dynamic_cast<TBitmap*>(&dest)) {
        bitmap->Assign(const_cast<TGIFSubImage*>(this)->GetBitmap());
        return;
    }
    TGIFItem::AssignTo(dest);
}

TBitmap& TGIFSubImage::GetBitmap()
{
    if (!bitmap_) {
        const TRecharge recharge(*this);
        TGIFImage* image = Image();
        try {
            bitmap_ = (image && image->GetDoDither()) ? DoGetDitherBitmap() : DoGetBitmap();
            Recharge();
            if (needMask_)
                BuildMask();
        } catch (const std::bad_alloc&) {
            RaiseGIFError(sOutOfMemDIB);
        }
    }
    return *bitmap_;
}

TBitmap* TGIFSubImage::GetMask()
{
    if (needMask_)
        BuildMask();
    return mask_.get();
}

void TGIFSubImage::BuildMask()
{
    const TRecharge recharge(*this);
    mask_.reset();
    if (!transparent_ || GetEmpty()) {
        needMask_ = false;
        return;
    }
    const BYTE index = FillIndex();
    const int width = desc_.Width;
    const int height = desc_.Height;
    NeedPixels();
    if (std::find(data_.begin(), data_.end(), index) == data_.end()) {
        needMask_ = false;
        return;
    }
    // Checked before the mask counts as built, so that a refused mask is asked for again.
    Recharge();
    CheckRoom(BitmapBytes(width, height, 1));
    needMask_ = false;
    auto mask = std::make_unique<TBitmap>();
    mask->SetPixelFormat(pf1bit);
    mask->SetSize(width, height);
    std::vector<TRGBQuad> table{TRGBQuad{0, 0, 0, 0}, TRGBQuad{255, 255, 255, 0}};
    mask->SetColorTable(table);
    for (int y = 0; y < height; ++y) {
        BYTE* row = mask->ScanLine(y);
        std::memset(row, 0, std::size_t(mask->BytesPerScanLine()));
        const BYTE* in = data_.data() + std::size_t(y) * std::size_t(width);
        for (int x = 0; x < width; ++x)
            if (in[x] == index)
                row[x >> 3] = BYTE(row[x >> 3] | (0x80 >> (x & 7)));
    }
    mask_ = std::move(mask);
}

std::unique_ptr<TBitmap> TGIFSubImage::DoGetBitmap()
{
    const int width = desc_.Width;
    const int height = desc_.Height;
    auto bitmap = std::make_unique<TBitmap>();
    bitmap->SetPixelFormat(pf8bit);
    if (GetEmpty()) {
        CheckRoom(BitmapBytes(width, height, 8));
        bitmap->SetColorTable(BitmapTable(GetPalette(), 0));
        bitmap->SetSize(width, height);
        return bitmap;
    }
    NeedPixels();
    CheckRoom(BitmapBytes(width, height, 8));
    bitmap->SetColorTable(BitmapTable(GetPalette(), HighestIndex(data_.data(), data_.size()) + 1));
    TFrameProgress progress(Image(), sProgressRendering, height);
    bitmap->SetSize(width, height);
    for (int y = 0; y < height; ++y) {
        std::memcpy(bitmap->ScanLine(y), data_.data() + std::size_t(y) * std::size_t(width), std::size_t(width));
        progress.Row(y + 1);
    }
    return bitmap;
}

std::unique_ptr<TBitmap> TGIFSubImage::DoGetDitherBitmap()
{
    const int width = desc_.Width;
    const int height = desc_.Height;
    TPaletteHolder web(WebPalette());
    NeedPixels();
    CheckRoom(BitmapBytes(width, height, 8));
    auto bitmap = std::make_unique<TBitmap>();
    bitmap->SetPixelFormat(pf8bit);
    bitmap->SetColorTable(BitmapTable(web.Get(), 0));
    bitmap->SetSize(width, height);
    if (GetEmpty())
        return bitmap;
    TFrameProgress progress(Image(), sProgressRendering, height);
    TGIFColorMap& map = GetActiveColorMap();
    TGIFColor colors[256] = {};
    for (int i = 0; i < map.Count(); ++i)
        colors[i] = map.Entry(i);
    TNetscapeColorLookup lookup(web.Get());
    TFloydSteinbergDitherer engine(width, &lookup);
    for (int y = 0; y < height; ++y) {
        const BYTE* in = data_.data() + std::size_t(y) * std::size_t(width);
        BYTE* out = bitmap->ScanLine(y);
        for (int i = 0; i < width; ++i) {
            const int x = engine.Column;
            const TGIFColor& c = colors[in[x]];
            BYTE red = c.Red, green = c.Green, blue = c.Blue;
            out[x] = BYTE(engine.Dither(red, green, blue));
        }
        engine.NextLine();
        progress.Row(y + 1);
    }
    return bitmap;
}

// ---- palettes --------------------------------------------------------------------------------

HPALETTE TGIFSubImage::GetPalette()
{
    if (bitmap_ && bitmap_->PixelFormat() != pfDevice && bitmap_->BitsPerPixel() <= 8)
        return bitmap_->Palette();
    if (!palette_) {
        TGIFImage* image = Image();
        if (image && image->GetDoDither())
            palette_ = WebPalette();
        else if (colorMap_->Count() == 0) {
            if (!image)
                RaiseGIFError(sNoColorTable);
            palette_ = CopyPalette(image->GetPalette());
        } else
            palette_ = colorMap_->ExportPalette();
    }
    return palette_;
}

bool TGIFImage::GetDoDither() const
{
    return drawOptions_.Contains(goDither) && (!drawOptions_.Contains(goAutoDither) || DoAutoDither);
}

HPALETTE TGIFImage::GetPalette()
{
    // The first frame without a local table asks the image again: neither has colours.
    if (paletteGuard_)
        RaiseGIFError(sNoColorTable);
    if (bitmap_ && bitmap_->Palette())
        return bitmap_->Palette();
    if (!palette_) {
        paletteGuard_ = true;
        try {
            if (GetDoDither())
                palette_ = WebPalette();
            else if (GetColorMap().Count() > 0)
                palette_ = GetColorMap().ExportPalette();
            else if (images_->GetCount() > 0)
                palette_ = CopyPalette(images_->GetImage(0)->GetPalette());
        } catch (...) {
            paletteGuard_ = false;
            throw;
        }
        paletteGuard_ = false;
    }
    return palette_;
}

// ---- drawing a frame -------------------------------------------------------------------------

void TGIFSubImage::Draw(TCanvas& canvas, const TRect& rect, bool transparent, bool tile)
{
    StretchDraw(canvas, rect, transparent, tile);
}

void TGIFSubImage::StretchDraw(TCanvas& canvas, const TRect& rect, bool transparent, bool tile)
{
    if (rect.IsEmpty() || desc_.Width == 0 || desc_.Height == 0)
        return;
    if (!tile) {
        DrawScaled(canvas, rect, rect, transparent);
        return;
    }
    const int w = desc_.Width, h = desc_.Height;
    for (int y = rect.Top; y < rect.Bottom; y += h)
        for (int x = rect.Left; x < rect.Right; x += w)
            DrawScaled(canvas, Bounds(x, y, w, h), rect, transparent);
}

void TGIFSubImage::DrawScaled(TCanvas& canvas, const TRect& dest, const TRect& clip, bool transparent)
{
    TBitmap& bitmap = GetBitmap();
    TBitmap& target = canvas.Target();
    TBitmap* mask = transparent ? GetMask() : nullptr;
    const int sw = bitmap.Width(), sh = bitmap.Height();
    const int dw = dest.Width(), dh = dest.Height();
    const int x0 = std::max({dest.Left, clip.Left, 0}), x1 = std::min({dest.Right, clip.Right, target.Width()});
    const int y0 = std::max({dest.Top, clip.Top, 0}), y1 = std::min({dest.Bottom, clip.Bottom, target.Height()});
    if (x0 >= x1 || y0 >= y1 || sw <= 0 || sh <= 0)
        return;
    canvas.Lock();
    if (!mask) {
        if (dw == sw && dh == sh)
            BitBlt(target, x0, y0, x1 - x0, y1 - y0, bitmap, x0 - dest.Left, y0 - dest.Top, SRCCOPY);
        else
            StretchBlt(target, dest.Left, dest.Top, dw, dh, bitmap, 0, 0, sw, sh, SRCCOPY);
        canvas.Unlock();
        return;
    }
    // Nearest-neighbour like the blits: every target pixel takes one frame pixel, and the
    // transparent ones leave the target as it is. Only the pixels drawn are looked at, so a
    // large frame shown through a small window costs no more than the window.
    for (int y = y0; y < y1; ++y) {
        const int sy = int(std::int64_t(y - dest.Top) * sh / dh);
        for (int x = x0; x < x1; ++x) {
            const int sx = int(std::int64_t(x - dest.Left) * sw / dw);
            if (!IsMaskBitSet(*mask, sx, sy))
                target.SetPixel(x, y, bitmap.GetPixel(sx, sy));
        }
    }
    canvas.Unlock();
}

// ---- the image as a bitmap -------------------------------------------------------------------

TBitmap* TGIFImage::GetBitmap()
{
    if (bitmap_ || images_->GetCount() == 0)
        return bitmap_.get();
    TGIFSubImage* first = images_->GetImage(0);
    if (first->Left() == 0 && first->Top() == 0 && first->Width() == GetWidth() && first->Height() == GetHeight()) {
        const TBitmap& frame = first->GetBitmap();
        budget_.Check(frame.BitsSize());
        SetCachedBitmap(std::make_unique<TBitmap>(frame));
    } else {
        // Counted from before it is made, so that drawing the first frame sees it.
        const TGIFBudgetClaim claim(&budget_, BitmapBytes(GetWidth(), GetHeight(), 24));
        auto bitmap = std::make_unique<TBitmap>(GetWidth(), GetHeight(), pf24bit);
        bitmap->SetPalette(CopyPalette(GetPalette()));
        bitmap->Canvas().FillRect(Rect(0, 0, GetWidth(), GetHeight()));
        first->Draw(bitmap->Canvas(), first->GetBoundsRect(), drawOptions_.Contains(goTransparent), false);
        SetCachedBitmap(std::move(bitmap));
    }
    return bitmap_.get();
}

void TGIFImage::SetCachedBitmap(std::unique_ptr<TBitmap> bitmap)
{
    bitmap_ = std::move(bitmap);
    const std::int64_t held = bitmap_ ? std::int64_t(bitmap_->BitsSize()) : 0;
    budget_.Hold(held - bitmapCharged_);
    bitmapCharged_ = held;
}

void TGIFImage::AssignTo(TPersistent& dest) const
{
    if (auto* bitmap = dynamic_cast<TBitmap*>(&dest)) {
        if (TBitmap* own = const_cast<TGIFImage*>(this)->GetBitmap())
            bitmap->Assign(*own);
        else
            bitmap->Clear();
        return;
    }
    TGraphic::AssignTo(dest);
}

void TGIFImage::Assign(const TPersistent& source)
{
    if (&source == this)
        return;
    if (const auto* other = dynamic_cast<const TGIFImage*>(&source)) {
        const std::string& text = LoadGIFString(sProgressCopying);
        Progress(psStarting, 0, false, TRect{}, text);
        try {
            Clear();
            // A copy of an image read from a file is held to the same bound.
            budget_.SetLimit(other->budget_.Limit());
            header_->Assign(*other->header_);
            const int count = other->images_->GetCount();
            for (int i = 0; i < count; ++i) {
                auto frame = std::make_unique<TGIFSubImage>(this);
                frame->Assign(*other->images_->GetImage(i));
                images_->Add(frame.release());
                Progress(psRunning, BYTE((i + 1) * 100 / count), false, TRect{}, text);
            }
        } catch (...) {
            Progress(psEnding, 0, false, TRect{}, text);
            throw;
        }
        Progress(psEnding, 100, false, TRect{}, text);
        Changed();
        return;
    }
    if (const auto* graphic = dynamic_cast<const TGraphic*>(&source)) {
        Clear();
        Add(const_cast<TGraphic*>(graphic));
        return;
    }
    TGraphic::Assign(source);
}

void TGIFImage::Assign(const TPicture& picture)
{
    if (picture.Graphic())
        Assign(*picture.Graphic());
    else
        Clear();
}

int TGIFImage::Add(const TPicture& picture)
{
    if (!picture.Graphic())
        RaiseGIFError(sUnsupportedClass);
    return Add(picture.Graphic());
}
