// The item base, the owning lists (with the frame-level reading loop), the header and the
// trailer.
#include <algorithm>
#include <cctype>
#include <cstring>
#include <new>
#include <stdexcept>

#include "gif/gif_image.h"
#include "gif/gif_items.h"
#include "gif/gif_stream_util.h"
#include "platform/dib.h"

using namespace gif_io;

// ---- TGIFMemoryBudget --------------------------------------------------------------------

std::uint64_t TGIFMemoryBudget::ForStreamSize(std::int64_t bytes)
{
    // A KiB a file byte keeps a file under a megabyte under a gibibyte with every frame drawn.
    // Animations of 300 frames of 640 x 480 (photographic, cartoon and screen-recording
    // content, whole frames or optimised) hold 4 to 190 bytes a file byte then; the file that
    // held over 8,000 was one of frames whose data stop early. The floor is the bound the
    // pixels of any file had before; a frame its data describe whole is given room to be
    // drawn whatever the file's size (ForWholeFrame), as reading finds it.
    constexpr std::uint64_t perByte = 1024;
    constexpr std::uint64_t floor = std::uint64_t(1) << 28;
    const std::uint64_t size = std::uint64_t(std::max<std::int64_t>(bytes, 0));
    if (size > NoLimit / perByte)
        return NoLimit;
    return std::max(floor, size * perByte);
}

std::uint64_t TGIFMemoryBudget::ForWholeFrame(int width, int height)
{
    // The frame's own pixels, its 8-bit bitmap and its mask, as GetBitmap makes them.
    const std::uint64_t rows = std::uint64_t(std::max(height, 0));
    const std::uint64_t pixels = std::uint64_t(std::max(width, 0)) * rows;
    return GIFKeptPixelBytes + pixels + std::uint64_t(DIBBytesPerRow(width, 8)) * rows +
           std::uint64_t(DIBBytesPerRow(width, 1)) * rows;
}

void TGIFMemoryBudget::AllowAtLeast(std::uint64_t bytes)
{
    std::uint64_t limit = limit_;
    while (limit < bytes && !limit_.compare_exchange_weak(limit, bytes)) {
    }
}

namespace {

bool Fits(std::int64_t held, std::uint64_t bytes, std::uint64_t limit)
{
    const std::uint64_t used = std::uint64_t(std::max<std::int64_t>(held, 0));
    return used <= limit && bytes <= limit - used;
}

} // namespace

void TGIFMemoryBudget::Check(std::uint64_t bytes) const
{
    if (bytes != 0 && !Fits(held_, bytes, limit_))
        RaiseGIFError(sOutOfMemDIB);
}

void TGIFMemoryBudget::Claim(std::uint64_t bytes)
{
    std::int64_t held = held_;
    do {
        if (bytes != 0 && !Fits(held, bytes, limit_))
            RaiseGIFError(sOutOfMemDIB);
    } while (!held_.compare_exchange_weak(held, held + std::int64_t(bytes)));
}

std::vector<BYTE> gif_io::AllocatePixels(std::size_t n, BYTE value)
{
    try {
        return std::vector<BYTE>(n, value);
    } catch (const std::bad_alloc&) {
        RaiseGIFError(sOutOfMemDIB);
    } catch (const std::length_error&) {
        RaiseGIFError(sOutOfMemDIB);
    }
}

std::vector<int> gif_io::InterlacedRowOrder(int height)
{
    static const int startRow[4] = {0, 4, 2, 1};
    static const int step[4] = {8, 8, 4, 2};
    std::vector<int> rows;
    rows.reserve(std::size_t(std::max(height, 0)));
    for (int pass = 0; pass < 4; ++pass)
        for (int r = startRow[pass]; r < height; r += step[pass])
            rows.push_back(r);
    return rows;
}

void gif_io::DeinterlaceRows(BYTE* pixels, int width, int height)
{
    // The rows are moved in place along the cycles of the permutation, so that a large
    // frame needs no second buffer.
    const std::vector<int> rowOf = InterlacedRowOrder(height);
    const std::size_t w = std::size_t(width);
    std::vector<BYTE> carry(w), spare(w);
    std::vector<bool> done(std::size_t(height), false);
    auto row = [&](int r) { return pixels + std::size_t(r) * w; };
    for (int s = 0; s < height; ++s) {
        if (done[std::size_t(s)])
            continue;
        std::memcpy(carry.data(), row(s), w);
        for (int i = s;;) {
            const int d = rowOf[std::size_t(i)];
            done[std::size_t(i)] = true;
            if (d == s) {
                std::memcpy(row(s), carry.data(), w);
                break;
            }
            std::memcpy(spare.data(), row(d), w);
            std::memcpy(row(d), carry.data(), w);
            std::swap(carry, spare);
            i = d;
        }
    }
}

// ---- TGIFItem ----------------------------------------------------------------------------

void TGIFItem::Warning(TGIFSeverity severity, const std::string& message)
{
    if (image_)
        image_->Warning(this, severity, message);
}

void TGIFItem::SaveToFile(const std::string& fileName)
{
    TFileStream stream(fileName, fmCreate);
    SaveToStream(stream);
}

void TGIFItem::LoadFromFile(const std::string& fileName)
{
    TFileStream stream(fileName, fmOpenRead);
    LoadFromStream(stream);
}

// ---- TGIFList ----------------------------------------------------------------------------

TGIFList::~TGIFList()
{
    // Items may look at the list while they go (a frame's extensions unlink themselves), so
    // free them one by one from the end.
    while (!items_.empty()) {
        std::unique_ptr<TGIFItem> item = std::move(items_.back());
        items_.pop_back();
    }
}

void TGIFList::CheckIndex(int index) const
{
    if (index < 0 || index >= GetCount())
        throw EInvalidOperation("List index out of bounds (" + std::to_string(index) + ")");
}

TGIFItem* TGIFList::GetItem(int index) const
{
    CheckIndex(index);
    return items_[std::size_t(index)].get();
}

void TGIFList::SetItem(int index, TGIFItem* item)
{
    CheckIndex(index);
    std::unique_ptr<TGIFItem> old = std::move(items_[std::size_t(index)]);
    items_[std::size_t(index)].reset(item);
}

int TGIFList::Add(TGIFItem* item)
{
    items_.emplace_back(item);
    return GetCount() - 1;
}

void TGIFList::Clear()
{
    while (!items_.empty()) {
        std::unique_ptr<TGIFItem> item = std::move(items_.back());
        items_.pop_back();
    }
}

void TGIFList::Delete(int index)
{
    CheckIndex(index);
    std::unique_ptr<TGIFItem> item = std::move(items_[std::size_t(index)]);
    items_.erase(items_.begin() + index);
}

void TGIFList::Exchange(int index1, int index2)
{
    CheckIndex(index1);
    CheckIndex(index2);
    std::swap(items_[std::size_t(index1)], items_[std::size_t(index2)]);
}

TGIFItem* TGIFList::First() const
{
    return GetItem(0);
}

TGIFItem* TGIFList::Last() const
{
    return GetItem(GetCount() - 1);
}

int TGIFList::IndexOf(const TGIFItem* item) const
{
    for (int i = 0; i < GetCount(); ++i)
        if (items_[std::size_t(i)].get() == item)
            return i;
    return -1;
}

void TGIFList::Insert(int index, TGIFItem* item)
{
    if (index < 0 || index > GetCount()) {
        delete item;
        CheckIndex(index);
    }
    items_.emplace(items_.begin() + index, item);
}

void TGIFList::Move(int curIndex, int newIndex)
{
    if (curIndex == newIndex)
        return;
    CheckIndex(curIndex);
    CheckIndex(newIndex);
    std::unique_ptr<TGIFItem> item = std::move(items_[std::size_t(curIndex)]);
    items_.erase(items_.begin() + curIndex);
    items_.insert(items_.begin() + newIndex, std::move(item));
}

std::unique_ptr<TGIFItem> TGIFList::Remove(TGIFItem* item)
{
    const int index = IndexOf(item);
    if (index < 0)
        return nullptr;
    std::unique_ptr<TGIFItem> result = std::move(items_[std::size_t(index)]);
    items_.erase(items_.begin() + index);
    return result;
}

void TGIFList::Warning(TGIFSeverity severity, const std::string& message)
{
    if (image_)
        image_->Warning(this, severity, message);
}

void TGIFList::SaveToStream(TStream& stream)
{
    for (auto& item : items_)
        item->SaveToStream(stream);
}

// ---- TGIFExtensionList -------------------------------------------------------------------

TGIFExtension* TGIFExtensionList::GetExtension(int index) const
{
    return static_cast<TGIFExtension*>(GetItem(index));
}

void TGIFExtensionList::SetExtension(int index, TGIFExtension* extension)
{
    SetItem(index, extension);
}

void TGIFExtensionList::LoadFromStream(TStream& stream, TPersistent* parent)
{
    auto* frame = dynamic_cast<TGIFSubImage*>(parent);
    BYTE b = 0;
    while (ReadByte(stream, b)) {
        // Stray zero bytes between blocks are padding, here as between frames.
        if (b == 0)
            continue;
        if (b == 0x2C || b == 0x3B) {
            stream.Seek(-1, soCurrent);
            return;
        }
        if (b != 0x21) {
            Warning(gsWarning, LoadGIFString(sBadExtensionLabel));
            stream.Seek(-1, soCurrent);
            return;
        }
        const TGIFExtensionClass* cls = TGIFExtension::FindExtension(stream);
        if (!cls)
            RaiseGIFError(sUnknownExtension);
        stream.Seek(-1, soCurrent);
        std::unique_ptr<TGIFExtension> extension = cls->Create(frame);
        TGIFExtension* raw = extension.get();
        Add(extension.release());
        raw->LoadFromStream(stream);
    }
}

// ---- TGIFImageList -----------------------------------------------------------------------

TGIFSubImage* TGIFImageList::GetImage(int index) const
{
    return static_cast<TGIFSubImage*>(GetItem(index));
}

void TGIFImageList::SetImage(int index, TGIFSubImage* image)
{
    SetItem(index, image);
}

void TGIFImageList::SaveToStream(TStream& stream)
{
    TGIFImage* image = Image();
    const int count = GetCount();
    for (int i = 0; i < count; ++i) {
        GetItem(i)->SaveToStream(stream);
        if (image)
            image->Progress(psRunning, BYTE((i + 1) * 100 / count), false, TRect{},
                            LoadGIFString(sProgressSaving));
    }
}

void TGIFImageList::LoadFromStream(TStream& stream, TPersistent* parent)
{
    auto* image = dynamic_cast<TGIFImage*>(parent);
    BYTE b = 0;
    while (ReadByte(stream, b)) {
        if (b == 0)
            continue;
        stream.Seek(-1, soCurrent);
        if (b == 0x3B)
            break;
        if (b != 0x21 && b != 0x2C) {
            Warning(gsWarning, LoadGIFString(sBadBlock));
            break;
        }
        auto frame = std::make_unique<TGIFSubImage>(image);
        frame->LoadFromStream(stream);
        Add(frame.release());
        if (image) {
            const std::int64_t size = std::max<std::int64_t>(1, stream.Size());
            image->Progress(psRunning, BYTE(std::min<std::int64_t>(100, stream.Position() * 100 / size)),
                            GIFImageRenderOnLoad, TRect{}, LoadGIFString(sProgressLoading));
        }
    }
}

// ---- TGIFHeader --------------------------------------------------------------------------

TGIFHeader::TGIFHeader(TGIFImage* image)
    : TGIFItem(image), colorMap_(std::make_unique<TGIFGlobalColorMap>(this))
{
}

TGIFHeader::~TGIFHeader() = default;

void TGIFHeader::Assign(const TPersistent& source)
{
    if (const auto* header = dynamic_cast<const TGIFHeader*>(&source)) {
        if (header == this)
            return;
        lsd_ = header->lsd_;
        colorMap_->Assign(*header->colorMap_);
        return;
    }
    TGIFItem::Assign(source);
}

void TGIFHeader::Clear()
{
    colorMap_->Clear();
    lsd_.ScreenWidth = 0;
    lsd_.ScreenHeight = 0;
    lsd_.BackgroundColorIndex = 0;
    lsd_.AspectRatio = 0;
    Prepare();
}

void TGIFHeader::Prepare()
{
    BYTE packed = 0;
    const int tableBits = colorMap_->GetBitsPerPixel();
    if (colorMap_->Count() > 0)
        packed |= 0x80;
    if (colorMap_->Optimized())
        packed |= 0x08;
    TGIFImage* image = Image();
    const int resolution = image ? image->GetColorResolution() : GetColorResolution();
    packed |= BYTE((std::clamp(resolution, 0, 7) & 7) << 4);
    // The size bits must describe the table that follows, whatever the frames need.
    const int sizeBits = colorMap_->Count() > 0 ? tableBits
                                                : (image ? image->GetBitsPerPixel() : tableBits);
    packed |= BYTE(std::clamp(sizeBits - 1, 0, 7));
    lsd_.PackedFields = packed;
}

TGIFVersion TGIFHeader::GetVersion() const
{
    return (colorMap_->Optimized() || lsd_.AspectRatio != 0) ? gv89a : gv87a;
}

void TGIFHeader::SetBackgroundColorIndex(BYTE index)
{
    if (colorMap_->Count() > 0 && index >= colorMap_->Count()) {
        Warning(gsWarning, LoadGIFString(sBadColorIndex));
        index = 0;
    }
    lsd_.BackgroundColorIndex = index;
}

TColor TGIFHeader::GetBackgroundColor()
{
    return colorMap_->GetColor(lsd_.BackgroundColorIndex);
}

void TGIFHeader::SetBackgroundColor(TColor color)
{
    SetBackgroundColorIndex(BYTE(colorMap_->AddUnique(color)));
}

int TGIFHeader::GetBitsPerPixel() const
{
    return colorMap_->GetBitsPerPixel();
}

int TGIFHeader::GetColorResolution() const
{
    return GetBitsPerPixel() - 1;
}

void gif_io::ReadColorTable(TStream& stream, TGIFColorMap& map, int count)
{
    TGIFColor colors[256];
    ReadCheck(stream, colors, std::int64_t(count) * 3);
    map.ImportColorMap(colors, count);
}

void gif_io::WriteColorTable(TStream& stream, const TGIFColorMap& map)
{
    if (map.Count() == 0)
        return;
    TGIFColor colors[256] = {};
    std::copy(map.Data(), map.Data() + map.Count(), colors);
    const int entries = 1 << std::max(1, map.GetBitsPerPixel());
    stream.WriteBuffer(colors, std::int64_t(entries) * 3);
}

void TGIFHeader::LoadFromStream(TStream& stream)
{
    const std::int64_t start = stream.Position();
    char signature[6];
    auto matches = [&] {
        return std::toupper(static_cast<unsigned char>(signature[0])) == 'G' &&
               std::toupper(static_cast<unsigned char>(signature[1])) == 'I' &&
               std::toupper(static_cast<unsigned char>(signature[2])) == 'F';
    };
    if (stream.Read(signature, 6) != 6 || !matches()) {
        // Some writers put a few bytes in front of the signature.
        stream.SetPosition(start + 4);
        if (stream.Read(signature, 6) != 6 || !matches())
            RaiseGIFError(sBadSignature);
    }
    ReadCheck(stream, &lsd_, sizeof lsd_);
    if (std::uint64_t(lsd_.ScreenWidth) * lsd_.ScreenHeight > GIFMaxPixels)
        RaiseGIFError(sBadDimension);
    if (lsd_.PackedFields & 0x80) {
        const int count = 2 << (lsd_.PackedFields & 7);
        if (count < 2 || count > 256)
            RaiseGIFError(sScreenBadColorSize);
        ReadColorTable(stream, *colorMap_, count);
        colorMap_->SetOptimized((lsd_.PackedFields & 0x08) != 0);
    } else {
        colorMap_->Clear();
    }
}

void TGIFHeader::SaveToStream(TStream& stream)
{
    TGIFImage* image = Image();
    const TGIFVersion version = image ? image->GetVersion() : GetVersion();
    if (version == gvUnknown)
        RaiseGIFError(sBadVersion);
    stream.WriteBuffer("GIF", 3);
    stream.WriteBuffer(GIFVersions[int(version) - 1], 3);
    Prepare();
    stream.WriteBuffer(&lsd_, sizeof lsd_);
    if (lsd_.PackedFields & 0x80)
        WriteColorTable(stream, *colorMap_);
}

// ---- TGIFTrailer -------------------------------------------------------------------------

void TGIFTrailer::SaveToStream(TStream& stream)
{
    WriteByte(stream, 0x3B);
}

void TGIFTrailer::LoadFromStream(TStream& stream)
{
    BYTE b = 0;
    if (!ReadByte(stream, b))
        return;
    if (b != 0x3B)
        Warning(gsWarning, LoadGIFString(sBadTrailer));
}
