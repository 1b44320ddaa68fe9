#pragma once
// The clipboard as pictures use it: a bitmap, plus data blocks under numbered formats.
// The program talks to Clipboard(); the Qt side installs the system clipboard, tests keep
// the in-memory one.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/graphic.h"
#include "platform/types.h"

class TBitmap;

class TClipboard {
public:
    virtual ~TClipboard();
    // CF_BITMAP and CF_DIB answer for the bitmap; other formats for their data blocks.
    virtual bool HasFormat(UINT format) = 0;
    // An empty block when the format is not there. CF_DIB gives the bitmap as DIB bytes.
    virtual std::vector<uint8_t> GetData(UINT format) = 0;
    // Adds one format to what is on the clipboard, as the platform does while it is open;
    // CF_DIB and CF_BITMAP data replace the bitmap.
    virtual void SetData(UINT format, const std::vector<uint8_t>& data) = 0;
    virtual void Clear() = 0;
    virtual bool HasBitmap() = 0;
    // False, with the bitmap untouched, when there is no bitmap on the clipboard.
    virtual bool GetBitmap(TBitmap& bitmap) = 0;
    // Empties the clipboard and puts a copy of the bitmap on it, like assigning a picture to
    // the class library's clipboard: what was there before would no longer match it.
    virtual void SetBitmap(const TBitmap& bitmap) = 0;
};

// The clipboard in use; an in-memory one until SetClipboard installs another.
TClipboard& Clipboard();
// Installs a clipboard (not owned); nullptr returns to the in-memory one.
void SetClipboard(TClipboard* clipboard);

// A name for a format that stays the same across processes: the platform's names for its
// own formats, the name a registered format was made from when it is known, else "#" and
// the number.
std::string ClipboardFormatName(UINT format);

// A process-local clipboard: the default, and the test double of the system one.
class TMemoryClipboard : public TClipboard {
public:
    TMemoryClipboard();
    ~TMemoryClipboard() override;
    bool HasFormat(UINT format) override;
    std::vector<uint8_t> GetData(UINT format) override;
    void SetData(UINT format, const std::vector<uint8_t>& data) override;
    void Clear() override;
    bool HasBitmap() override;
    bool GetBitmap(TBitmap& bitmap) override;
    void SetBitmap(const TBitmap& bitmap) override;

private:
    std::unique_ptr<TBitmap> bitmap_;
    std::vector<std::pair<UINT, std::vector<uint8_t>>> blocks_;
};
