#pragma once
// Colour tables: the global one of the logical screen and the local one of a frame.
#include <array>
#include <vector>

#include "gif/gif_types.h"
#include "platform/graphic.h"
#include "platform/palette.h"

class TGIFHeader;

// Uses of each entry, indexed by colour index.
using TGIFUsageCount = std::array<std::uint32_t, 256>;
// Old index -> new index.
using TGIFIndexMap = std::array<BYTE, 256>;

class TGIFColorMap : public TPersistent {
public:
    TGIFColorMap();
    ~TGIFColorMap() override;
    TGIFColorMap(const TGIFColorMap&) = delete;
    TGIFColorMap& operator=(const TGIFColorMap&) = delete;

    std::string ClassName() const override { return "TGIFColorMap"; }
    // Copies entries and count from another colour table.
    void Assign(const TPersistent& source) override;
    virtual void Warning(TGIFSeverity severity, const std::string& message);
    // Counts how often each entry is used by the frames this table colours.
    virtual void BuildHistogram(TGIFUsageCount& usageCount) = 0;
    // Renumbers the pixels (and transparent indices) of the frames this table colours.
    virtual void MapImages(const TGIFIndexMap& map) = 0;
    // Drops the palette cached from this table.
    virtual void Changed() = 0;
    // The image the table belongs to (may be null for a table without owner).
    virtual TGIFImage* Image() const = 0;
    // The frame of a local table; null for the global one.
    virtual TGIFSubImage* SubImage() const { return nullptr; }

    // Ordering by use (defined with the optimiser). Optimize answers false for a global
    // table of an image without frames, else DoOptimize's answer.
    bool Optimize();
    bool DoOptimize();

    static TColor Color2RGB(const TGIFColor& color);
    static TGIFColor RGB2Color(TColor color);

    int Count() const { return count_; }
    int Capacity() const { return int(entries_.size()); }
    void SetCapacity(int capacity);
    bool Optimized() const { return optimized_; }
    void SetOptimized(bool value) { optimized_ = value; }
    // The entries, Count() of them.
    TGIFColor* Data() { return entries_.data(); }
    const TGIFColor* Data() const { return entries_.data(); }
    const TGIFColor& Entry(int index) const { return entries_[std::size_t(index)]; }

    int Add(TColor color);
    int AddUnique(TColor color);
    int IndexOf(TColor color) const;
    void Delete(int index);
    void Clear();
    TColor GetColor(int index);
    void SetColor(int index, TColor color);

    void ImportPalette(HPALETTE palette);
    void ImportColorMap(const TGIFColor* map, int count);
    void ImportColorTable(const TRGBQuad* table, int count);
    // A new logical palette of the entries (the caller owns it).
    HPALETTE ExportPalette() const;

    int GetBitsPerPixel() const { return BitsForColorCount(count_); }

private:
    bool CheckIndex(int index);
    std::vector<TGIFColor> entries_;
    int count_ = 0;
    bool optimized_ = false;
};

class TGIFGlobalColorMap : public TGIFColorMap {
public:
    explicit TGIFGlobalColorMap(TGIFHeader* header) : header_(header) {}
    std::string ClassName() const override { return "TGIFGlobalColorMap"; }
    void Warning(TGIFSeverity severity, const std::string& message) override;
    void BuildHistogram(TGIFUsageCount& usageCount) override;
    void MapImages(const TGIFIndexMap& map) override;
    void Changed() override;
    TGIFImage* Image() const override;
    TGIFHeader* Header() const { return header_; }

private:
    TGIFHeader* header_;
};

class TGIFLocalColorMap : public TGIFColorMap {
public:
    explicit TGIFLocalColorMap(TGIFSubImage* subImage) : subImage_(subImage) {}
    std::string ClassName() const override { return "TGIFLocalColorMap"; }
    void Warning(TGIFSeverity severity, const std::string& message) override;
    void BuildHistogram(TGIFUsageCount& usageCount) override;
    void MapImages(const TGIFIndexMap& map) override;
    void Changed() override;
    TGIFImage* Image() const override;
    TGIFSubImage* SubImage() const override { return subImage_; }

private:
    TGIFSubImage* subImage_;
};
