#include "platform/graphic.h"

#include <algorithm>
#include <cstdlib>
#include <cctype>
#include <cxxabi.h>
#include <map>
#include <mutex>
#include <typeinfo>

#include "platform/bitmap.h"
#include "platform/canvas.h"
#include "platform/icon_image.h"
#include "platform/jpeg_image.h"

TPersistent::~TPersistent() = default;

void TPersistent::Assign(const TPersistent& source) { source.AssignTo(*this); }

std::string TPersistent::ClassName() const
{
    const char* mangled = typeid(*this).name();
    int status = 0;
    char* plain = abi::__cxa_demangle(mangled, nullptr, nullptr, &status);
    std::string name = status == 0 && plain ? plain : mangled;
    std::free(plain);
    // Only the class's own name counts, as in the class library; namespaces are ours.
    const auto colon = name.rfind("::");
    return colon == std::string::npos ? name : name.substr(colon + 2);
}

void TPersistent::AssignTo(TPersistent& dest) const
{
    throw EConvertError("Cannot assign a " + ClassName() + " to a " + dest.ClassName());
}

void TGraphic::SetTransparent(bool value)
{
    if (value == transparent_)
        return;
    transparent_ = value;
    Changed();
}

void TGraphic::LoadFromFile(const std::string& fileName)
{
    TFileStream stream(fileName, fmOpenRead);
    LoadFromStream(stream);
}

void TGraphic::SaveToFile(const std::string& fileName) const
{
    TFileStream stream(fileName, fmCreate);
    SaveToStream(stream);
}

void TGraphic::LoadFromClipboardFormat(UINT, const std::vector<uint8_t>&)
{
    throw EInvalidGraphic("Unsupported clipboard format");
}

void TGraphic::SaveToClipboardFormat(UINT&, std::vector<uint8_t>&) const
{
    throw EInvalidGraphic("Unsupported clipboard format");
}

std::unique_ptr<TGraphic> TGraphic::Clone() const
{
    const TFileFormatEntry* entry = TPicture::FindGraphicClass(ClassName());
    std::unique_ptr<TGraphic> copy = entry && entry->Factory ? entry->Factory() : nullptr;
    if (!copy)
        throw EConvertError("Cannot assign a " + ClassName() + " to a TPicture");
    copy->Assign(*this);
    return copy;
}

void TGraphic::Changed()
{
    modified_ = true;
    if (OnChange)
        OnChange(*this);
}

void TGraphic::Progress(TProgressStage stage, BYTE percent, bool redrawNow, const TRect& rect,
                        const std::string& msg)
{
    if (OnProgress)
        OnProgress(*this, stage, percent, redrawNow, rect, msg);
}

void TGraphic::AssignTo(TPersistent& dest) const
{
    if (auto* bitmap = dynamic_cast<TBitmap*>(&dest)) {
        bitmap->Clear();
        bitmap->SetTransparent(false);
        bitmap->SetSize(Width(), Height());
        Draw(bitmap->Canvas(), TRect{0, 0, Width(), Height()});
        return;
    }
    TPersistent::AssignTo(dest);
}

// ---------------------------------------------------------------------------------------------
// The registry of picture formats.

namespace {

std::string Lower(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return s;
}

std::string NormalExtension(const std::string& ext)
{
    return Lower(!ext.empty() && ext[0] == '.' ? ext.substr(1) : ext);
}

struct TRegistry {
    std::mutex lock;
    std::vector<TFileFormatEntry> files;
    std::vector<TClipboardFormatEntry> clipboard;
    TRegistry()
    {
        auto bitmap = [] { return std::unique_ptr<TGraphic>(new TBitmap); };
        files.push_back({"bmp", "Bitmaps", "TBitmap", bitmap});
        clipboard.push_back({CF_DIB, "TBitmap", bitmap});
        clipboard.push_back({CF_BITMAP, "TBitmap", bitmap});
        auto jpeg = [] { return std::unique_ptr<TGraphic>(new TJPEGImage); };
        files.push_back({"jpg", "JPEG Image File", "TJPEGImage", jpeg});
        files.push_back({"jpeg", "JPEG Image File", "TJPEGImage", jpeg});
        files.push_back({"ico", "Icon", "TIcon", [] { return std::unique_ptr<TGraphic>(new TIcon); }});
    }
};

TRegistry& Registry()
{
    static TRegistry r;
    return r;
}

} // namespace

TPicture::TPicture() = default;
TPicture::~TPicture() { Detach(); }

void TPicture::Attach()
{
    if (!graphic_)
        return;
    graphic_->OnChange = [this](TGraphic&) { GraphicChanged(); };
    graphic_->OnProgress = [this](TGraphic& g, TProgressStage stage, BYTE percent, bool redrawNow,
                                  const TRect& rect, const std::string& msg) {
        if (OnProgress)
            OnProgress(g, stage, percent, redrawNow, rect, msg);
    };
}

void TPicture::Detach()
{
    if (SharesGraphic()) {
        graphic_->OnChange = nullptr;
        graphic_->OnProgress = nullptr;
    }
}

void TPicture::GraphicChanged()
{
    if (OnChange)
        OnChange(*this);
}

void TPicture::Replace(TGraphic* graphic, bool owned)
{
    Detach();
    graphic_ = std::unique_ptr<TGraphic, TGraphicRelease>(graphic, TGraphicRelease{owned});
    Attach();
    GraphicChanged();
}

void TPicture::SetGraphic(std::unique_ptr<TGraphic> graphic) { Replace(graphic.release(), true); }

void TPicture::ShareGraphic(TGraphic* graphic) { Replace(graphic, false); }

TBitmap& TPicture::Bitmap()
{
    auto* bitmap = dynamic_cast<TBitmap*>(graphic_.get());
    if (!bitmap) {
        auto fresh = std::make_unique<TBitmap>();
        bitmap = fresh.get();
        SetGraphic(std::move(fresh));
    }
    return *bitmap;
}

int TPicture::Width() const { return graphic_ ? graphic_->Width() : 0; }
int TPicture::Height() const { return graphic_ ? graphic_->Height() : 0; }

void TPicture::LoadFromFile(const std::string& fileName)
{
    const auto slash = fileName.find_last_of('/');
    const auto dot = fileName.find_last_of('.');
    const std::string ext =
        dot == std::string::npos || (slash != std::string::npos && dot < slash) ? "" : fileName.substr(dot);
    const TFileFormatEntry* entry = FindFileFormat(ext);
    if (!entry || !entry->Factory)
        throw EInvalidGraphic("Unknown picture file extension (" + Lower(ext) + ")");
    std::unique_ptr<TGraphic> graphic = entry->Factory();
    graphic->OnProgress = OnProgress
        ? [this](TGraphic& g, TProgressStage stage, BYTE percent, bool redrawNow, const TRect& rect,
                 const std::string& msg) { OnProgress(g, stage, percent, redrawNow, rect, msg); }
        : decltype(graphic->OnProgress)();
    graphic->LoadFromFile(fileName);
    SetGraphic(std::move(graphic));
}

void TPicture::SaveToFile(const std::string& fileName) const
{
    if (graphic_)
        graphic_->SaveToFile(fileName);
}

void TPicture::LoadFromClipboardFormat(UINT format, const std::vector<uint8_t>& data)
{
    TGraphicFactory factory;
    {
        TRegistry& r = Registry();
        std::lock_guard<std::mutex> guard(r.lock);
        for (const auto& e : r.clipboard)
            if (e.Format == format) {
                factory = e.Factory;
                break;
            }
    }
    if (!factory)
        throw EInvalidGraphic("Unsupported clipboard format");
    std::unique_ptr<TGraphic> graphic = factory();
    graphic->LoadFromClipboardFormat(format, data);
    SetGraphic(std::move(graphic));
}

void TPicture::SaveToClipboardFormat(UINT& format, std::vector<uint8_t>& data) const
{
    if (graphic_)
        graphic_->SaveToClipboardFormat(format, data);
}

void TPicture::Assign(const TGraphic* graphic)
{
    SetGraphic(graphic ? graphic->Clone() : nullptr);
}

void TPicture::RegisterFileFormat(const std::string& extension, const std::string& description,
                                  const std::string& className, TGraphicFactory factory)
{
    TRegistry& r = Registry();
    std::lock_guard<std::mutex> guard(r.lock);
    const std::string ext = NormalExtension(extension);
    // A later registration of an extension wins, as the newest picture class should.
    r.files.erase(std::remove_if(r.files.begin(), r.files.end(),
                                 [&](const TFileFormatEntry& e) { return e.Extension == ext; }),
                  r.files.end());
    r.files.push_back({ext, description, className, std::move(factory)});
}

void TPicture::RegisterClipboardFormat(UINT format, const std::string& className, TGraphicFactory factory)
{
    TRegistry& r = Registry();
    std::lock_guard<std::mutex> guard(r.lock);
    r.clipboard.erase(std::remove_if(r.clipboard.begin(), r.clipboard.end(),
                                     [&](const TClipboardFormatEntry& e) { return e.Format == format; }),
                      r.clipboard.end());
    r.clipboard.push_back({format, className, std::move(factory)});
}

void TPicture::UnregisterGraphicClass(const std::string& className)
{
    TRegistry& r = Registry();
    std::lock_guard<std::mutex> guard(r.lock);
    r.files.erase(std::remove_if(r.files.begin(), r.files.end(),
                                 [&](const TFileFormatEntry& e) { return e.ClassName == className; }),
                  r.files.end());
    r.clipboard.erase(std::remove_if(r.clipboard.begin(), r.clipboard.end(),
                                     [&](const TClipboardFormatEntry& e) { return e.ClassName == className; }),
                      r.clipboard.end());
}

// Entries are never moved while a caller could hold one except by (un)registration, which
// happens at start-up and shut-down; a deque would not help callers that keep a pointer across it.
const TFileFormatEntry* TPicture::FindFileFormat(const std::string& extension)
{
    TRegistry& r = Registry();
    std::lock_guard<std::mutex> guard(r.lock);
    const std::string ext = NormalExtension(extension);
    for (const auto& e : r.files)
        if (e.Extension == ext)
            return &e;
    return nullptr;
}

const TFileFormatEntry* TPicture::FindGraphicClass(const std::string& className)
{
    TRegistry& r = Registry();
    std::lock_guard<std::mutex> guard(r.lock);
    for (const auto& e : r.files)
        if (e.ClassName == className)
            return &e;
    return nullptr;
}

bool TPicture::SupportsClipboardFormat(UINT format)
{
    TRegistry& r = Registry();
    std::lock_guard<std::mutex> guard(r.lock);
    for (const auto& e : r.clipboard)
        if (e.Format == format)
            return true;
    return false;
}

std::vector<TFileFormatEntry> TPicture::FileFormats()
{
    TRegistry& r = Registry();
    std::lock_guard<std::mutex> guard(r.lock);
    return r.files;
}

namespace {

struct TClipboardNames {
    std::mutex lock;
    std::map<std::string, UINT> ids;     // by lower-case name
    std::map<UINT, std::string> names;   // the name as first registered
};

TClipboardNames& ClipboardNames()
{
    static TClipboardNames names;
    return names;
}

} // namespace

UINT RegisterClipboardFormat(const std::string& name)
{
    TClipboardNames& r = ClipboardNames();
    std::lock_guard<std::mutex> guard(r.lock);
    const std::string key = Lower(name);
    auto it = r.ids.find(key);
    if (it != r.ids.end())
        return it->second;
    const UINT id = 0xC000 + UINT(r.ids.size());
    r.ids.emplace(key, id);
    r.names.emplace(id, name);
    return id;
}

std::string GetClipboardFormatName(UINT format)
{
    TClipboardNames& r = ClipboardNames();
    std::lock_guard<std::mutex> guard(r.lock);
    auto it = r.names.find(format);
    return it == r.names.end() ? std::string() : it->second;
}
