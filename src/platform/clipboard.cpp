#include "platform/clipboard.h"

#include <algorithm>
#include <mutex>

#include "platform/bitmap.h"

TClipboard::~TClipboard() = default;

namespace {

std::mutex& ClipboardLock()
{
    static std::mutex lock;
    return lock;
}
TClipboard* installed = nullptr;

bool IsBitmapFormat(UINT format) { return format == CF_BITMAP || format == CF_DIB; }

} // namespace

TClipboard& Clipboard()
{
    static TMemoryClipboard memory;
    std::lock_guard<std::mutex> guard(ClipboardLock());
    return installed ? *installed : memory;
}

void SetClipboard(TClipboard* clipboard)
{
    std::lock_guard<std::mutex> guard(ClipboardLock());
    installed = clipboard;
}

std::string ClipboardFormatName(UINT format)
{
    switch (format) {
    case CF_BITMAP: return "Bitmap";
    case CF_DIB: return "DIB";
    case CF_PALETTE: return "Palette";
    default: break;
    }
    std::string name = GetClipboardFormatName(format);
    if (!name.empty())
        return name;
    // Named rather than a temporary: GCC 12 at -O3 reports a false overlapping copy
    // (-Wrestrict) for a literal prefixed to a temporary string.
    const std::string number = std::to_string(format);
    return "#" + number;
}

TMemoryClipboard::TMemoryClipboard() = default;
TMemoryClipboard::~TMemoryClipboard() = default;

bool TMemoryClipboard::HasFormat(UINT format)
{
    if (IsBitmapFormat(format))
        return HasBitmap();
    return std::any_of(blocks_.begin(), blocks_.end(), [&](const auto& b) { return b.first == format; });
}

std::vector<uint8_t> TMemoryClipboard::GetData(UINT format)
{
    if (IsBitmapFormat(format))
        return bitmap_ ? bitmap_->SaveToDIB() : std::vector<uint8_t>();
    for (const auto& b : blocks_)
        if (b.first == format)
            return b.second;
    return {};
}

void TMemoryClipboard::SetData(UINT format, const std::vector<uint8_t>& data)
{
    if (IsBitmapFormat(format)) {
        // Parsed first so that damaged data leaves the clipboard as it was.
        auto bitmap = std::make_unique<TBitmap>();
        bitmap->LoadFromDIB(data.data(), data.size());
        bitmap_ = std::move(bitmap);
        return;
    }
    for (auto& b : blocks_)
        if (b.first == format) {
            b.second = data;
            return;
        }
    blocks_.emplace_back(format, data);
}

void TMemoryClipboard::Clear()
{
    bitmap_.reset();
    blocks_.clear();
}

bool TMemoryClipboard::HasBitmap() { return bitmap_ != nullptr; }

bool TMemoryClipboard::GetBitmap(TBitmap& bitmap)
{
    if (!bitmap_)
        return false;
    bitmap.Assign(*bitmap_);
    return true;
}

void TMemoryClipboard::SetBitmap(const TBitmap& bitmap)
{
    auto copy = std::make_unique<TBitmap>(bitmap);
    Clear();
    bitmap_ = std::move(copy);
}
