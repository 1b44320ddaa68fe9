// Colour tables.
#include <algorithm>

#include "gif/gif_colormap.h"
#include "gif/gif_image.h"

TGIFColorMap::TGIFColorMap() = default;
TGIFColorMap::~TGIFColorMap() = default;

void TGIFColorMap::Assign(const TPersistent& source)
{
    if (const auto* map = dynamic_cast<const TGIFColorMap*>(&source)) {
        if (map == this)
            return;
        entries_.assign(map->entries_.begin(), map->entries_.begin() + map->count_);
        count_ = map->count_;
        optimized_ = map->optimized_;
        Changed();
        return;
    }
    TPersistent::Assign(source);
}

void TGIFColorMap::Warning(TGIFSeverity, const std::string&) {}

TColor TGIFColorMap::Color2RGB(const TGIFColor& color)
{
    return RGB(color.Red, color.Green, color.Blue);
}

TGIFColor TGIFColorMap::RGB2Color(TColor color)
{
    return TGIFColor{GetRValue(color), GetGValue(color), GetBValue(color)};
}

void TGIFColorMap::SetCapacity(int capacity)
{
    capacity = std::clamp(capacity, count_, 256);
    entries_.resize(std::size_t(capacity));
}

int TGIFColorMap::Add(TColor color)
{
    if (count_ >= 256)
        RaiseGIFError(sTooManyColors);
    if (count_ >= Capacity())
        SetCapacity(std::max(16, std::min(256, Capacity() * 2)));
    entries_[std::size_t(count_)] = RGB2Color(color);
    const int index = count_++;
    optimized_ = false;
    Changed();
    return index;
}

int TGIFColorMap::AddUnique(TColor color)
{
    const int index = IndexOf(color);
    return index >= 0 ? index : Add(color);
}

int TGIFColorMap::IndexOf(TColor color) const
{
    const TGIFColor c = RGB2Color(color);
    for (int i = 0; i < count_; ++i)
        if (entries_[std::size_t(i)] == c)
            return i;
    return -1;
}

bool TGIFColorMap::CheckIndex(int index)
{
    if (index >= 0 && index < count_)
        return true;
    Warning(gsWarning, LoadGIFString(sBadColorIndex));
    return false;
}

void TGIFColorMap::Delete(int index)
{
    if (!CheckIndex(index))
        return;
    entries_.erase(entries_.begin() + index);
    --count_;
    Changed();
}

void TGIFColorMap::Clear()
{
    entries_.clear();
    count_ = 0;
    optimized_ = false;
    Changed();
}

TColor TGIFColorMap::GetColor(int index)
{
    if (!CheckIndex(index)) {
        if (count_ == 0)
            RaiseGIFError(sEmptyColorMap);
        index = 0;
    }
    return Color2RGB(entries_[std::size_t(index)]);
}

void TGIFColorMap::SetColor(int index, TColor color)
{
    if (!CheckIndex(index))
        return;
    entries_[std::size_t(index)] = RGB2Color(color);
    Changed();
}

void TGIFColorMap::ImportColorMap(const TGIFColor* map, int count)
{
    if (count > 256)
        RaiseGIFError(sTooManyColors);
    count = std::max(count, 0);
    entries_.assign(map, map + count);
    count_ = count;
    Changed();
}

void TGIFColorMap::ImportPalette(HPALETTE palette)
{
    const int n = GetPaletteEntries(palette, 0, 0, nullptr);
    if (n > 256)
        RaiseGIFError(sTooManyColors);
    std::vector<TPaletteEntry> pe(std::size_t(std::max(n, 0)));
    if (n > 0)
        GetPaletteEntries(palette, 0, n, pe.data());
    entries_.resize(pe.size());
    for (std::size_t i = 0; i < pe.size(); ++i)
        entries_[i] = TGIFColor{pe[i].peRed, pe[i].peGreen, pe[i].peBlue};
    count_ = int(pe.size());
    Changed();
}

void TGIFColorMap::ImportColorTable(const TRGBQuad* table, int count)
{
    if (count > 256)
        RaiseGIFError(sTooManyColors);
    count = std::max(count, 0);
    entries_.resize(std::size_t(count));
    for (int i = 0; i < count; ++i)
        entries_[std::size_t(i)] = TGIFColor{table[i].rgbRed, table[i].rgbGreen, table[i].rgbBlue};
    count_ = count;
    Changed();
}

HPALETTE TGIFColorMap::ExportPalette() const
{
    std::vector<TPaletteEntry> pe(static_cast<std::size_t>(count_));
    for (int i = 0; i < count_; ++i) {
        const TGIFColor& c = entries_[std::size_t(i)];
        pe[std::size_t(i)] = TPaletteEntry{c.Red, c.Green, c.Blue, 0};
    }
    return CreatePalette(pe.data(), count_);
}

// ---- shared pixel walks ------------------------------------------------------------------

namespace {

void CountFrame(TGIFSubImage& frame, TGIFColorMap& map, TGIFUsageCount& usage)
{
    if (frame.GetEmpty())
        return;
    BYTE* p = frame.Data();
    const std::size_t n = frame.DataSize();
    const int count = map.Count();
    bool warned = false;
    for (std::size_t i = 0; i < n; ++i) {
        if (p[i] >= count) {
            if (!warned) {
                map.Warning(gsWarning, LoadGIFString(sInvalidColor));
                warned = true;
            }
            p[i] = 0;
        }
        ++usage[p[i]];
    }
}

void MapFrame(TGIFSubImage& frame, const TGIFIndexMap& map)
{
    BYTE* p = frame.Data();
    const std::size_t n = frame.DataSize();
    for (std::size_t i = 0; i < n; ++i)
        p[i] = map[p[i]];
    if (frame.Transparent() && frame.GraphicControlExtension()) {
        TGIFGraphicControlExtension* gce = frame.GraphicControlExtension();
        gce->SetTransparentColorIndex(map[gce->GetTransparentColorIndex()]);
    }
    frame.FreeBitmap();
}

} // namespace

// ---- global table ------------------------------------------------------------------------

TGIFImage* TGIFGlobalColorMap::Image() const
{
    return header_ ? header_->Image() : nullptr;
}

void TGIFGlobalColorMap::Warning(TGIFSeverity severity, const std::string& message)
{
    if (TGIFImage* image = Image())
        image->Warning(this, severity, message);
}

void TGIFGlobalColorMap::BuildHistogram(TGIFUsageCount& usageCount)
{
    usageCount.fill(0);
    TGIFImage* image = Image();
    if (!image)
        return;
    for (int i = 0; i < image->Images().GetCount(); ++i) {
        TGIFSubImage* frame = image->Images().GetImage(i);
        if (frame->ColorMap().Count() == 0)
            CountFrame(*frame, *this, usageCount);
    }
}

void TGIFGlobalColorMap::MapImages(const TGIFIndexMap& map)
{
    TGIFImage* image = Image();
    if (!image)
        return;
    for (int i = 0; i < image->Images().GetCount(); ++i) {
        TGIFSubImage* frame = image->Images().GetImage(i);
        if (frame->ColorMap().Count() == 0)
            MapFrame(*frame, map);
    }
}

void TGIFGlobalColorMap::Changed()
{
    if (TGIFImage* image = Image())
        image->FreePalette();
}

// ---- local table -------------------------------------------------------------------------

TGIFImage* TGIFLocalColorMap::Image() const
{
    return subImage_ ? subImage_->Image() : nullptr;
}

void TGIFLocalColorMap::Warning(TGIFSeverity severity, const std::string& message)
{
    if (TGIFImage* image = Image())
        image->Warning(this, severity, message);
}

void TGIFLocalColorMap::BuildHistogram(TGIFUsageCount& usageCount)
{
    usageCount.fill(0);
    if (subImage_)
        CountFrame(*subImage_, *this, usageCount);
}

void TGIFLocalColorMap::MapImages(const TGIFIndexMap& map)
{
    if (subImage_)
        MapFrame(*subImage_, map);
}

void TGIFLocalColorMap::Changed()
{
    if (subImage_)
        subImage_->FreePalette();
}
