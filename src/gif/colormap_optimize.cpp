// Colour tables after the frames were built: one global table for the whole image with its
// entries ordered by use, and each table ordered by use on its own.
#include <algorithm>
#include <cstdlib>
#include <limits>
#include <memory>
#include <vector>

#include "gif/gif_image.h"
#include "gif/optimize_frames.h"

namespace {

constexpr std::uint32_t MaxCount = 2147483647u;

// ---------------------------------------------------------------------------------------------
// One global colour table for the whole image

struct TColorEntry {
    std::uint32_t Count = 0;
    int OldIndex = 0;
    int NewIndex = 256; // none yet
    TGIFColor Color;
    TColorEntry* Link = nullptr; // the entry this one was folded into

    std::int32_t Value() const { return std::int32_t(Color.Red | (Color.Green << 8) | (Color.Blue << 16)); }
};

struct THistogram {
    TGIFColorMap* Map = nullptr; // not owned
    int ColorCount = 0;
    std::vector<TColorEntry> Entries;
    std::vector<TColorEntry*> List;
    std::vector<TGIFSubImage*> Frames;
};

class TColorMapOptimizer {
public:
    explicit TColorMapOptimizer(TGIFImage& image) : FImage(image) {}
    void Optimize();

private:
    void ProcessImage();
    void ProcessSubImage(THistogram& histogram, TGIFSubImage& frame);
    void Prune();
    void MergeColors();
    void BuildColorMap();
    void ReplaceColorMaps();
    void MapImages();

    THistogram& NewHistogram(TGIFColorMap& map);

    TGIFImage& FImage;
    std::vector<std::unique_ptr<THistogram>> FHistograms;
    std::vector<TColorEntry*> FPool;
    int FKeptColors = 0;
    bool FTransparencyUsed = false;
    int FNewTransparentIndex = 0;
    TGIFColor FNewMap[256] = {};
    int FNewCount = 0;
    // Transparent frames whose transparent index no pixel holds: after the remap that index
    // would name a visible colour, so they lose their transparency instead.
    std::vector<TGIFSubImage*> FUnusedTransparency;
};

THistogram& TColorMapOptimizer::NewHistogram(TGIFColorMap& map)
{
    auto histogram = std::make_unique<THistogram>();
    histogram->Map = &map;
    histogram->ColorCount = map.Count();
    histogram->Entries.resize(std::size_t(map.Count()));
    for (int i = 0; i < map.Count(); ++i) {
        TColorEntry& e = histogram->Entries[std::size_t(i)];
        e.OldIndex = i;
        e.Color = map.Entry(i);
    }
    for (TColorEntry& e : histogram->Entries)
        histogram->List.push_back(&e);
    FHistograms.push_back(std::move(histogram));
    return *FHistograms.back();
}

void TColorMapOptimizer::ProcessSubImage(THistogram& histogram, TGIFSubImage& frame)
{
    histogram.Frames.push_back(&frame);
    BYTE* p = FramePixels(frame);
    if (!p)
        return;
    const std::size_t size = std::size_t(frame.Width()) * frame.Height();
    const bool transparent = IsTransparentFrame(frame);
    const int transparentIndex = transparent ? frame.GraphicControlExtension()->GetTransparentColorIndex() : -1;
    bool transparentSeen = false;
    bool counting = true;
    bool warned = false;
    for (std::size_t i = 0; i < size; ++i) {
        if (p[i] == transparentIndex) {
            transparentSeen = true;
            continue;
        }
        if (p[i] >= histogram.ColorCount) {
            if (!warned) {
                frame.Warning(gsWarning, LoadGIFString(sInvalidColor));
                warned = true;
            }
            p[i] = 0;
        }
        if (!counting)
            continue;
        TColorEntry& e = histogram.Entries[p[i]];
        if (e.Count >= MaxCount) {
            counting = false; // the rest of this frame only gets checked
            continue;
        }
        ++e.Count;
    }
    if (transparentSeen)
        FTransparencyUsed = true;
    else if (transparent)
        FUnusedTransparency.push_back(&frame);
}

void TColorMapOptimizer::ProcessImage()
{
    TGIFImageList& images = FImage.Images();
    TGIFGlobalColorMap& global = FImage.GetColorMap();
    if (global.Count() > 0) {
        THistogram& histogram = NewHistogram(global);
        for (int i = 0; i < images.GetCount(); ++i) {
            TGIFSubImage* frame = images.GetImage(i);
            if (!frame->GetEmpty() && frame->ColorMap().Count() == 0)
                ProcessSubImage(histogram, *frame);
        }
        if (histogram.Frames.empty())
            FHistograms.pop_back();
    }
    for (int i = 0; i < images.GetCount(); ++i) {
        TGIFSubImage* frame = images.GetImage(i);
        if (!frame->GetEmpty() && frame->ColorMap().Count() > 0)
            ProcessSubImage(NewHistogram(frame->ColorMap()), *frame);
    }
}

void TColorMapOptimizer::Prune()
{
    for (auto& histogram : FHistograms) {
        auto& list = histogram->List;
        std::stable_sort(list.begin(), list.end(),
                         [](const TColorEntry* a, const TColorEntry* b) { return a->Count > b->Count; });
        for (TColorEntry* e : list) {
            if (e->Count == 0)
                e->NewIndex = -1;
            else
                FPool.push_back(e);
        }
        list.erase(std::remove_if(list.begin(), list.end(), [](const TColorEntry* e) { return e->Count == 0; }),
                   list.end());
    }
}

void TColorMapOptimizer::MergeColors()
{
    std::stable_sort(FPool.begin(), FPool.end(),
                     [](const TColorEntry* a, const TColorEntry* b) { return a->Value() - b->Value() < 0; });
    for (std::size_t i = 0; i < FPool.size();) {
        TColorEntry* first = FPool[i];
        std::size_t j = i + 1;
        for (; j < FPool.size() && FPool[j]->Value() == first->Value(); ++j) {
            TColorEntry* other = FPool[j];
            const std::uint64_t sum = std::uint64_t(first->Count) + other->Count;
            first->Count = std::uint32_t(std::min<std::uint64_t>(sum, std::numeric_limits<std::uint32_t>::max()));
            other->Count = 0;
            other->Link = first;
        }
        i = j;
    }
}

void TColorMapOptimizer::BuildColorMap()
{
    std::stable_sort(FPool.begin(), FPool.end(),
                     [](const TColorEntry* a, const TColorEntry* b) { return a->Count > b->Count; });
    const int limit = FTransparencyUsed ? 255 : 256;
    FKeptColors = 0;
    for (TColorEntry* e : FPool) {
        if (e->Count == 0)
            continue;
        if (FKeptColors < limit) {
            e->NewIndex = FKeptColors;
            FNewMap[FKeptColors] = e->Color;
            ++FKeptColors;
            continue;
        }
        // A colour that did not fit goes to the kept colour whose components differ least
        // in sum.
        int best = 765;
        int bestIndex = 0;
        for (int k = 0; k < FKeptColors; ++k) {
            const TGIFColor& kept = FNewMap[k];
            const int distance = std::abs((kept.Red - e->Color.Red) + (kept.Green - e->Color.Green) +
                                          (kept.Blue - e->Color.Blue));
            if (distance < best) {
                best = distance;
                bestIndex = k;
            }
        }
        e->NewIndex = bestIndex;
    }
    for (TColorEntry* e : FPool)
        if (e->Count == 0 && e->Link)
            e->NewIndex = e->Link->NewIndex;
    FNewCount = FKeptColors;
    if (FTransparencyUsed) {
        FNewTransparentIndex = FKeptColors;
        FNewMap[FNewCount++] = TGIFColor{0, 0, 0};
    }
}

void TColorMapOptimizer::ReplaceColorMaps()
{
    TGIFImageList& images = FImage.Images();
    for (int i = 0; i < images.GetCount(); ++i)
        images.GetImage(i)->ColorMap().Clear();
    TGIFGlobalColorMap& global = FImage.GetColorMap();
    global.Clear();
    global.ImportColorMap(FNewMap, FNewCount);
    global.SetOptimized(true);
}

void TColorMapOptimizer::MapImages()
{
    for (TGIFSubImage* frame : FUnusedTransparency)
        frame->GraphicControlExtension()->SetTransparent(false);
    for (auto& histogram : FHistograms) {
        BYTE map[256] = {};
        for (const TColorEntry& e : histogram->Entries)
            map[e.OldIndex] = BYTE(e.NewIndex >= 0 && e.NewIndex < 256 ? e.NewIndex : 0);
        for (TGIFSubImage* frame : histogram->Frames) {
            BYTE* p = FramePixels(*frame);
            const bool transparent = FTransparencyUsed && IsTransparentFrame(*frame);
            const int oldTransparent = transparent ? frame->GraphicControlExtension()->GetTransparentColorIndex() : -1;
            if (p) {
                const std::size_t size = std::size_t(frame->Width()) * frame->Height();
                for (std::size_t i = 0; i < size; ++i)
                    p[i] = p[i] == oldTransparent ? BYTE(FNewTransparentIndex) : map[p[i]];
            }
            if (transparent)
                frame->GraphicControlExtension()->SetTransparentColorIndex(BYTE(FNewTransparentIndex));
        }
    }
}

void TColorMapOptimizer::Optimize()
{
    FImage.PaintStop();
    TGIFPainterLock lock(FImage.Painters());
    ProcessImage();
    Prune();
    MergeColors();
    BuildColorMap();
    ReplaceColorMaps();
    MapImages();
    TGIFImageList& images = FImage.Images();
    for (int i = 0; i < images.GetCount(); ++i) {
        images.GetImage(i)->FreeBitmap();
        images.GetImage(i)->FreePalette();
    }
    FImage.FreeBitmap();
    FImage.FreePalette();
}
} // namespace

// ---------------------------------------------------------------------------------------------
// TGIFColorMap

bool TGIFColorMap::Optimize()
{
    if (!SubImage()) {
        TGIFImage* image = Image();
        if (!image || image->Images().GetCount() == 0)
            return false;
    }
    return DoOptimize();
}

bool TGIFColorMap::DoOptimize()
{
    if (Count() <= 1)
        return false;
    SetOptimized(true);
    TGIFUsageCount usage{};
    BuildHistogram(usage);
    struct TUse {
        std::uint32_t Count;
        int Index;
    };
    const std::size_t colors = std::size_t(Count());
    std::vector<TUse> uses(colors);
    for (int i = 0; i < Count(); ++i)
        uses[std::size_t(i)] = TUse{usage[std::size_t(i)], i};
    std::stable_sort(uses.begin(), uses.end(), [](const TUse& a, const TUse& b) { return a.Count > b.Count; });
    bool unchanged = true;
    for (int i = 0; i < Count(); ++i)
        if (uses[std::size_t(i)].Index != i)
            unchanged = false;
    if (unchanged)
        return true;

    TGIFIndexMap map{};
    for (int i = 0; i < 256; ++i)
        map[std::size_t(i)] = BYTE(i);
    for (int i = 0; i < Count(); ++i)
        map[std::size_t(uses[std::size_t(i)].Index)] = BYTE(i);
    MapImages(map);

    int keep = 0;
    while (keep < Count() && uses[std::size_t(keep)].Count > 0)
        ++keep;
    // The screen's background colour moves with its entry and is kept even when no pixel
    // uses it.
    TGIFHeader* header = nullptr;
    if (!SubImage())
        if (TGIFImage* image = Image())
            header = &image->Header();
    if (header && header->BackgroundColorIndex() < Count()) {
        const BYTE background = map[header->BackgroundColorIndex()];
        header->Descriptor().BackgroundColorIndex = background;
        keep = std::max(keep, int(background) + 1);
    }
    std::vector<TGIFColor> reordered(colors);
    for (int i = 0; i < Count(); ++i)
        reordered[std::size_t(i)] = Entry(uses[std::size_t(i)].Index);
    ImportColorMap(reordered.data(), keep);
    SetOptimized(true);
    return true;
}

// ---------------------------------------------------------------------------------------------
// TGIFImage

void TGIFImage::OptimizeColorMap()
{
    TColorMapOptimizer optimizer(*this);
    optimizer.Optimize();
}
