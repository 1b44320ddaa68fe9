#pragma once
// The block objects of a GIF file: the common item base, the owning lists, the header with
// the logical screen and the trailer.
#include <memory>
#include <string>
#include <vector>

#include "gif/gif_colormap.h"
#include "gif/gif_types.h"
#include "platform/graphic.h"
#include "platform/streams.h"

class TGIFExtension;

class TGIFItem : public TPersistent {
public:
    explicit TGIFItem(TGIFImage* image) : image_(image) {}
    ~TGIFItem() override = default;
    TGIFItem(const TGIFItem&) = delete;
    TGIFItem& operator=(const TGIFItem&) = delete;

    std::string ClassName() const override { return "TGIFItem"; }
    virtual TGIFVersion GetVersion() const { return gv87a; }
    // Forwards to the owning image's Warning with this item as sender.
    virtual void Warning(TGIFSeverity severity, const std::string& message);
    virtual void SaveToStream(TStream& stream) = 0;
    virtual void LoadFromStream(TStream& stream) = 0;
    virtual void SaveToFile(const std::string& fileName);
    virtual void LoadFromFile(const std::string& fileName);

    TGIFImage* Image() const { return image_; }
    // Moves the item to another image (frames added to an image other than their own).
    virtual void SetImage(TGIFImage* image) { image_ = image; }

private:
    TGIFImage* image_;
};

// An ordered list of owned items.
class TGIFList : public TPersistent {
public:
    explicit TGIFList(TGIFImage* image) : image_(image) {}
    ~TGIFList() override;
    TGIFList(const TGIFList&) = delete;
    TGIFList& operator=(const TGIFList&) = delete;

    TGIFItem* GetItem(int index) const;
    // Frees the item at index and puts item in its place (taking ownership).
    void SetItem(int index, TGIFItem* item);
    int GetCount() const { return int(items_.size()); }
    int Count() const { return GetCount(); }
    // Appends and takes ownership; answers the index.
    int Add(TGIFItem* item);
    int Add(std::unique_ptr<TGIFItem> item) { return Add(item.release()); }
    void Clear();
    // Frees the item at index.
    void Delete(int index);
    void Exchange(int index1, int index2);
    TGIFItem* First() const;
    int IndexOf(const TGIFItem* item) const;
    // Inserts before index and takes ownership.
    void Insert(int index, TGIFItem* item);
    TGIFItem* Last() const;
    void Move(int curIndex, int newIndex);
    // Takes the item out of the list without freeing it; answers it (null when absent).
    std::unique_ptr<TGIFItem> Remove(TGIFItem* item);

    virtual void Warning(TGIFSeverity severity, const std::string& message);
    virtual void SaveToStream(TStream& stream);
    virtual void LoadFromStream(TStream& stream, TPersistent* parent) = 0;

    TGIFImage* Image() const { return image_; }
    void SetImage(TGIFImage* image) { image_ = image; }

protected:
    void CheckIndex(int index) const;
    std::vector<std::unique_ptr<TGIFItem>> items_;

private:
    TGIFImage* image_;
};

class TGIFExtensionList : public TGIFList {
public:
    using TGIFList::TGIFList;
    std::string ClassName() const override { return "TGIFExtensionList"; }
    TGIFExtension* GetExtension(int index) const;
    void SetExtension(int index, TGIFExtension* extension);
    // parent is the TGIFSubImage the extensions are read for.
    void LoadFromStream(TStream& stream, TPersistent* parent) override;
};

class TGIFImageList : public TGIFList {
public:
    using TGIFList::TGIFList;
    std::string ClassName() const override { return "TGIFImageList"; }
    TGIFSubImage* GetImage(int index) const;
    void SetImage(int index, TGIFSubImage* image);
    void SaveToStream(TStream& stream) override;
    // parent is the TGIFImage the frames are read for.
    void LoadFromStream(TStream& stream, TPersistent* parent) override;
};

#pragma pack(push, 1)
struct TLogicalScreenDescriptor {
    WORD ScreenWidth = 0;
    WORD ScreenHeight = 0;
    BYTE PackedFields = 0;
    BYTE BackgroundColorIndex = 0;
    BYTE AspectRatio = 0;
};
#pragma pack(pop)
static_assert(sizeof(TLogicalScreenDescriptor) == 7);

class TGIFHeader : public TGIFItem {
public:
    explicit TGIFHeader(TGIFImage* image);
    ~TGIFHeader() override;
    std::string ClassName() const override { return "TGIFHeader"; }

    void Assign(const TPersistent& source) override;
    void Clear();
    // Rebuilds the packed byte from the global table and the image's depth.
    void Prepare();
    TGIFVersion GetVersion() const override;
    void SaveToStream(TStream& stream) override;
    void LoadFromStream(TStream& stream) override;

    WORD Width() const { return lsd_.ScreenWidth; }
    WORD Height() const { return lsd_.ScreenHeight; }
    void SetWidth(WORD value) { lsd_.ScreenWidth = value; }
    void SetHeight(WORD value) { lsd_.ScreenHeight = value; }
    BYTE PackedFields() const { return lsd_.PackedFields; }
    BYTE BackgroundColorIndex() const { return lsd_.BackgroundColorIndex; }
    void SetBackgroundColorIndex(BYTE index);
    TColor GetBackgroundColor();
    void SetBackgroundColor(TColor color);
    BYTE AspectRatio() const { return lsd_.AspectRatio; }
    void SetAspectRatio(BYTE value) { lsd_.AspectRatio = value; }
    int GetBitsPerPixel() const;
    int GetColorResolution() const;

    TGIFGlobalColorMap& ColorMap() { return *colorMap_; }
    const TGIFGlobalColorMap& ColorMap() const { return *colorMap_; }
    TLogicalScreenDescriptor& Descriptor() { return lsd_; }

private:
    TLogicalScreenDescriptor lsd_;
    std::unique_ptr<TGIFGlobalColorMap> colorMap_;
};

class TGIFTrailer : public TGIFItem {
public:
    using TGIFItem::TGIFItem;
    std::string ClassName() const override { return "TGIFTrailer"; }
    void SaveToStream(TStream& stream) override;
    void LoadFromStream(TStream& stream) override;
};
