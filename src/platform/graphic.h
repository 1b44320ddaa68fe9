#pragma once
// The picture classes' common base and the picture object that chooses a graphic class by
// file extension or clipboard format from a process-wide registry.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/exceptions.h"
#include "platform/palette.h"
#include "platform/streams.h"
#include "platform/types.h"

class TCanvas;
class TBitmap;

class TPersistent {
public:
    virtual ~TPersistent();
    // Copies source into this object; the default asks source.AssignTo(*this).
    virtual void Assign(const TPersistent& source);
    // The class's own name ("TBitmap"), used in messages and to find a graphic's factory.
    virtual std::string ClassName() const;

protected:
    // The default raises EConvertError "Cannot assign a <src> to a <dst>".
    virtual void AssignTo(TPersistent& dest) const;
};

enum TProgressStage { psStarting, psRunning, psEnding };

// Clipboard formats of the platform that pictures use.
constexpr UINT CF_BITMAP = 2;
constexpr UINT CF_DIB = 8;
constexpr UINT CF_PALETTE = 9;

class TGraphic : public TPersistent {
public:
    TGraphic() = default;
    // Events and the modified mark are not copied with a graphic.
    TGraphic(const TGraphic& other) : TPersistent(), transparent_(other.transparent_) {}
    TGraphic& operator=(const TGraphic& other)
    {
        transparent_ = other.transparent_;
        return *this;
    }

    virtual int Width() const = 0;
    virtual int Height() const = 0;
    virtual void SetWidth(int) {}
    virtual void SetHeight(int) {}
    virtual bool Empty() const = 0;
    virtual bool Transparent() const { return transparent_; }
    virtual void SetTransparent(bool value);
    virtual HPALETTE Palette() const { return nullptr; }
    virtual void SetPalette(HPALETTE) {}
    // Draws the graphic stretched to rect.
    virtual void Draw(TCanvas& canvas, const TRect& rect) const = 0;
    virtual void LoadFromStream(TStream& stream) = 0;
    virtual void SaveToStream(TStream& stream) const = 0;
    virtual void LoadFromFile(const std::string& fileName);
    virtual void SaveToFile(const std::string& fileName) const;
    // The defaults raise EInvalidGraphic "Unsupported clipboard format".
    virtual void LoadFromClipboardFormat(UINT format, const std::vector<uint8_t>& data);
    virtual void SaveToClipboardFormat(UINT& format, std::vector<uint8_t>& data) const;
    // A new graphic of the same class holding a copy of this one. The default makes one
    // through the factory registered under ClassName() and assigns this graphic to it.
    virtual std::unique_ptr<TGraphic> Clone() const;

    std::function<void(TGraphic& sender)> OnChange;
    std::function<void(TGraphic& sender, TProgressStage stage, BYTE percent, bool redrawNow,
                       const TRect& rect, const std::string& msg)>
        OnProgress;
    void Changed();
    void Progress(TProgressStage stage, BYTE percent, bool redrawNow, const TRect& rect,
                  const std::string& msg);
    bool Modified() const { return modified_; }
    void SetModified(bool value) { modified_ = value; }

protected:
    // A graphic assigned to a TBitmap is drawn onto it (size of the graphic, white first).
    void AssignTo(TPersistent& dest) const override;

    bool transparent_ = false;

private:
    bool modified_ = false;
};

using TGraphicFactory = std::function<std::unique_ptr<TGraphic>()>;

struct TFileFormatEntry {
    std::string Extension;   // lower case, without the dot
    std::string Description; // e.g. "Bitmaps"
    std::string ClassName;
    TGraphicFactory Factory;
};

struct TClipboardFormatEntry {
    UINT Format = 0;
    std::string ClassName;
    TGraphicFactory Factory;
};

// How a picture lets go of its graphic: frees the ones it owns only.
struct TGraphicRelease {
    bool Owned = true;
    void operator()(TGraphic* graphic) const
    {
        if (Owned)
            delete graphic;
    }
};

class TPicture {
public:
    TPicture();
    ~TPicture();
    TPicture(const TPicture&) = delete;
    TPicture& operator=(const TPicture&) = delete;

    TGraphic* Graphic() const { return graphic_.get(); }
    void SetGraphic(std::unique_ptr<TGraphic> graphic);
    // Shows a graphic that stays its owner's: the picture draws it and passes on its events
    // but never frees it, so that a picture that only shows a large graphic costs nothing.
    // The owner stops whatever draws it on other threads and takes it back (SetGraphic with
    // another graphic or none) before the graphic or the picture goes.
    void ShareGraphic(TGraphic* graphic);
    bool SharesGraphic() const { return graphic_ && !graphic_.get_deleter().Owned; }
    // The graphic as a bitmap; a missing or non-bitmap graphic is replaced by an empty TBitmap.
    TBitmap& Bitmap();
    int Width() const;
    int Height() const;

    // The graphic class is chosen by the lower-case file extension; an unknown one raises
    // EInvalidGraphic "Unknown picture file extension (.xyz)". On failure the old graphic stays.
    void LoadFromFile(const std::string& fileName);
    void SaveToFile(const std::string& fileName) const;
    // Unknown formats raise EInvalidGraphic "Unsupported clipboard format".
    void LoadFromClipboardFormat(UINT format, const std::vector<uint8_t>& data);
    void SaveToClipboardFormat(UINT& format, std::vector<uint8_t>& data) const;
    // A copy of the graphic (nullptr or an empty picture clears).
    void Assign(const TGraphic* graphic);
    void Assign(const TGraphic& graphic) { Assign(&graphic); }
    void Assign(const TPicture& picture) { Assign(picture.Graphic()); }

    std::function<void(TPicture& sender)> OnChange;
    std::function<void(TGraphic& sender, TProgressStage stage, BYTE percent, bool redrawNow,
                       const TRect& rect, const std::string& msg)>
        OnProgress;

    static void RegisterFileFormat(const std::string& extension, const std::string& description,
                                   const std::string& className, TGraphicFactory factory);
    static void RegisterClipboardFormat(UINT format, const std::string& className,
                                        TGraphicFactory factory);
    // Removes every file and clipboard registration of the class.
    static void UnregisterGraphicClass(const std::string& className);
    // The extension with or without its dot, any case; nullptr when unknown.
    static const TFileFormatEntry* FindFileFormat(const std::string& extension);
    static const TFileFormatEntry* FindGraphicClass(const std::string& className);
    static bool SupportsClipboardFormat(UINT format);
    static std::vector<TFileFormatEntry> FileFormats();

private:
    void Replace(TGraphic* graphic, bool owned);
    void Attach();
    // A shared graphic is handed back without the picture's events.
    void Detach();
    void GraphicChanged();
    std::unique_ptr<TGraphic, TGraphicRelease> graphic_;
};

// A stable id per name (case-blind), >= 0xC000, process-wide.
UINT RegisterClipboardFormat(const std::string& name);
// The name a format was registered under; "" for a number nobody registered.
std::string GetClipboardFormatName(UINT format);
