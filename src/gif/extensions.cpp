// Extension blocks: their registries, reading and writing.
#include <cstring>
#include <mutex>
#include <utility>

#include "gif/gif_extensions.h"
#include "gif/gif_image.h"
#include "gif/gif_stream_util.h"

using namespace gif_io;

namespace {

struct TRegistries {
    std::vector<std::pair<BYTE, const TGIFExtensionClass*>> Labels;
    std::vector<std::pair<std::string, const TGIFExtensionClass*>> Applications;
    bool LabelsMade = false;
    bool ApplicationsMade = false;
};

std::recursive_mutex registryMutex;

TRegistries& Registries()
{
    static TRegistries registries;
    return registries;
}

std::vector<std::pair<BYTE, const TGIFExtensionClass*>>& LabelRegistry()
{
    TRegistries& r = Registries();
    if (!r.LabelsMade) {
        r.LabelsMade = true;
        r.Labels.emplace_back(bsPlainTextExtension, TGIFTextExtension::Class());
        r.Labels.emplace_back(bsGraphicControlExtension, TGIFGraphicControlExtension::Class());
        r.Labels.emplace_back(bsCommentExtension, TGIFCommentExtension::Class());
        r.Labels.emplace_back(bsApplicationExtension, TGIFApplicationExtension::Class());
    }
    return r.Labels;
}

std::vector<std::pair<std::string, const TGIFExtensionClass*>>& ApplicationRegistry()
{
    TRegistries& r = Registries();
    if (!r.ApplicationsMade) {
        r.ApplicationsMade = true;
        r.Applications.emplace_back("NETSCAPE2.0", TGIFAppExtNSLoop::Class());
        r.Applications.emplace_back("ANIMEXTS1.0", TGIFAppExtNSLoop::Class());
    }
    return r.Applications;
}

template <typename T>
TGIFExtensionClass MakeClass(const char* name)
{
    TGIFExtensionClass cls;
    cls.Name = name;
    cls.Create = [](TGIFSubImage* frame) { return std::unique_ptr<TGIFExtension>(new T(frame)); };
    return cls;
}

} // namespace

void FreeExtensionRegistries()
{
    std::lock_guard<std::recursive_mutex> lock(registryMutex);
    TRegistries& r = Registries();
    r.Labels.clear();
    r.Applications.clear();
    r.LabelsMade = false;
    r.ApplicationsMade = false;
}

// ---- TGIFExtension -----------------------------------------------------------------------

TGIFExtension::TGIFExtension(TGIFSubImage* subImage)
    : TGIFItem(subImage ? subImage->Image() : nullptr), subImage_(subImage)
{
}

void TGIFExtension::SetSubImage(TGIFSubImage* subImage)
{
    subImage_ = subImage;
    SetImage(subImage ? subImage->Image() : nullptr);
}

void TGIFExtension::RegisterExtension(BYTE label, const TGIFExtensionClass* cls)
{
    std::lock_guard<std::recursive_mutex> lock(registryMutex);
    LabelRegistry().emplace_back(label, cls);
}

const TGIFExtensionClass* TGIFExtension::FindExtension(TStream& stream)
{
    std::lock_guard<std::recursive_mutex> lock(registryMutex);
    const std::int64_t start = stream.Position();
    BYTE label = 0;
    if (!ReadByte(stream, label))
        return nullptr;
    const TGIFExtensionClass* cls = nullptr;
    const auto& labels = LabelRegistry();
    for (auto it = labels.rbegin(); it != labels.rend(); ++it)
        if (it->first == label) {
            cls = it->second;
            break;
        }
    // Each class may hand over to a more specific one; a handful of steps is all any chain of
    // registered classes needs.
    for (int step = 0; cls && step < 16; ++step) {
        const std::int64_t afterLabel = start + 1;
        stream.SetPosition(afterLabel);
        const TGIFExtensionClass* next = cls->FindSubExtension ? cls->FindSubExtension(stream) : cls;
        if (next == cls || !next)
            break;
        cls = next;
    }
    stream.SetPosition(start);
    return cls;
}

void TGIFExtension::ReadExtensionStart(TStream& stream)
{
    BYTE b = 0;
    if (!ReadByte(stream, b) || b != 0x21)
        RaiseGIFError(sBadExtensionLabel);
    if (!ReadByte(stream, b))
        RaiseGIFError(sOutOfData);
    if (b != GetExtensionType())
        RaiseGIFError(sBadExtensionInstance);
}

void TGIFExtension::WriteExtensionStart(TStream& stream)
{
    WriteByte(stream, 0x21);
    WriteByte(stream, GetExtensionType());
}

// ---- graphic control ---------------------------------------------------------------------

const TGIFExtensionClass* TGIFGraphicControlExtension::Class()
{
    static const TGIFExtensionClass cls = MakeClass<TGIFGraphicControlExtension>("TGIFGraphicControlExtension");
    return &cls;
}

TGIFGraphicControlExtension::TGIFGraphicControlExtension(TGIFSubImage* subImage) : TGIFExtension(subImage)
{
    if (subImage && !subImage->GraphicControlExtension())
        subImage->SetGraphicControlExtension(this);
}

TGIFGraphicControlExtension::~TGIFGraphicControlExtension()
{
    if (TGIFSubImage* frame = SubImage()) {
        if (GetTransparent())
            frame->SetTransparentFlag(false);
        if (frame->GraphicControlExtension() == this)
            frame->SetGraphicControlExtension(nullptr);
    }
}

void TGIFGraphicControlExtension::SetTransparent(bool value)
{
    gce_.PackedFields = BYTE(value ? (gce_.PackedFields | 0x01) : (gce_.PackedFields & ~0x01));
    if (TGIFSubImage* frame = SubImage())
        frame->SetTransparentFlag(value);
}

void TGIFGraphicControlExtension::SetUserInput(bool value)
{
    gce_.PackedFields = BYTE(value ? (gce_.PackedFields | 0x02) : (gce_.PackedFields & ~0x02));
}

void TGIFGraphicControlExtension::SetDisposal(TDisposalMethod value)
{
    gce_.PackedFields = BYTE((gce_.PackedFields & ~0x1C) | ((int(value) & 7) << 2));
}

void TGIFGraphicControlExtension::SetTransparentColorIndex(BYTE index)
{
    if (TGIFSubImage* frame = SubImage()) {
        TGIFColorMap& map = frame->GetActiveColorMap();
        if (map.Count() > 0 && index >= map.Count())
            Warning(gsWarning, LoadGIFString(sBadColorIndex));
    }
    gce_.TransparentColorIndex = index;
}

TColor TGIFGraphicControlExtension::GetTransparentColor()
{
    if (!SubImage())
        RaiseGIFError(sEmptyColorMap);
    return SubImage()->GetActiveColorMap().GetColor(gce_.TransparentColorIndex);
}

void TGIFGraphicControlExtension::SetTransparentColor(TColor color)
{
    if (!SubImage())
        return;
    SetTransparentColorIndex(BYTE(SubImage()->GetActiveColorMap().AddUnique(color)));
}

void TGIFGraphicControlExtension::LoadFromStream(TStream& stream)
{
    ReadExtensionStart(stream);
    // Read by the block's own size, and whatever sub-blocks some writers add after it up to
    // the terminator: a block of another size than 4 must not take the next block's bytes.
    BYTE size = 0;
    BYTE raw[255] = {};
    bool complete = ReadByte(stream, size);
    if (complete)
        complete = stream.Read(raw, size) == size;
    if (complete) {
        BYTE count = 0;
        for (;;) {
            if (!ReadByte(stream, count)) {
                complete = false;
                break;
            }
            if (count == 0)
                break;
            BYTE skipped[255];
            if (stream.Read(skipped, count) != count) {
                complete = false;
                break;
            }
        }
    }
    if (!complete)
        Warning(gsWarning, LoadGIFString(sOutOfData));
    gce_.BlockSize = 4;
    gce_.PackedFields = raw[0];
    gce_.DelayTime = WORD(raw[1] | (raw[2] << 8));
    gce_.TransparentColorIndex = raw[3];
    gce_.Terminator = 0;
    if (GetTransparent() && SubImage())
        SubImage()->SetTransparentFlag(true);
}

void TGIFGraphicControlExtension::SaveToStream(TStream& stream)
{
    WriteExtensionStart(stream);
    const BYTE raw[6] = {4, BYTE(gce_.PackedFields & 0x1F), BYTE(gce_.DelayTime), BYTE(gce_.DelayTime >> 8),
                         gce_.TransparentColorIndex, 0};
    stream.WriteBuffer(raw, 6);
}

// ---- plain text --------------------------------------------------------------------------

const TGIFExtensionClass* TGIFTextExtension::Class()
{
    static const TGIFExtensionClass cls = MakeClass<TGIFTextExtension>("TGIFTextExtension");
    return &cls;
}

TColor TGIFTextExtension::GetForegroundColor()
{
    return SubImage()->GetActiveColorMap().GetColor(rec_.TextFGColorIndex);
}

void TGIFTextExtension::SetForegroundColor(TColor color)
{
    rec_.TextFGColorIndex = BYTE(SubImage()->GetActiveColorMap().AddUnique(color));
}

TColor TGIFTextExtension::GetBackgroundColor()
{
    return SubImage()->GetActiveColorMap().GetColor(rec_.TextBGColorIndex);
}

void TGIFTextExtension::SetBackgroundColor(TColor color)
{
    rec_.TextBGColorIndex = BYTE(SubImage()->GetActiveColorMap().AddUnique(color));
}

void TGIFTextExtension::LoadFromStream(TStream& stream)
{
    ReadExtensionStart(stream);
    ReadCheck(stream, &rec_, sizeof rec_);
    ReadStrings(stream, Text);
}

void TGIFTextExtension::SaveToStream(TStream& stream)
{
    WriteExtensionStart(stream);
    TPlainTextExtensionRec rec = rec_;
    rec.BlockSize = 12;
    stream.WriteBuffer(&rec, sizeof rec);
    WriteStrings(stream, Text);
}

// ---- comment -----------------------------------------------------------------------------

const TGIFExtensionClass* TGIFCommentExtension::Class()
{
    static const TGIFExtensionClass cls = MakeClass<TGIFCommentExtension>("TGIFCommentExtension");
    return &cls;
}

void TGIFCommentExtension::LoadFromStream(TStream& stream)
{
    ReadExtensionStart(stream);
    ReadStrings(stream, Text);
}

void TGIFCommentExtension::SaveToStream(TStream& stream)
{
    WriteExtensionStart(stream);
    WriteStrings(stream, Text);
}

// ---- application -------------------------------------------------------------------------

const TGIFExtensionClass* TGIFApplicationExtension::Class()
{
    static const TGIFExtensionClass cls = [] {
        TGIFExtensionClass c;
        c.Name = "TGIFApplicationExtension";
        // Never made itself: it always hands over to the registered or the unknown class.
        c.Create = [](TGIFSubImage* frame) {
            return std::unique_ptr<TGIFExtension>(new TGIFUnknownAppExtension(frame));
        };
        c.FindSubExtension = [](TStream& stream) -> const TGIFExtensionClass* {
            BYTE size = 0;
            char ident[11];
            if (!ReadByte(stream, size) || stream.Read(ident, 11) != 11)
                return TGIFUnknownAppExtension::Class();
            const std::string key(ident, 11);
            std::lock_guard<std::recursive_mutex> lock(registryMutex);
            const auto& apps = ApplicationRegistry();
            for (auto it = apps.rbegin(); it != apps.rend(); ++it)
                if (it->first == key)
                    return it->second;
            return TGIFUnknownAppExtension::Class();
        };
        return c;
    }();
    return &cls;
}

void TGIFApplicationExtension::RegisterExtension(const std::string& identifierAndAuthentication,
                                                 const TGIFExtensionClass* cls)
{
    std::lock_guard<std::recursive_mutex> lock(registryMutex);
    std::string key = identifierAndAuthentication.substr(0, 11);
    key.resize(11, '\0');
    ApplicationRegistry().emplace_back(key, cls);
}

std::string TGIFApplicationExtension::GetIdentifier() const
{
    return std::string(ident_.Identifier, 8);
}

void TGIFApplicationExtension::SetIdentifier(const std::string& value)
{
    std::memset(ident_.Identifier, 0, 8);
    std::memcpy(ident_.Identifier, value.data(), std::min<std::size_t>(8, value.size()));
}

std::string TGIFApplicationExtension::GetAuthentication() const
{
    return std::string(ident_.Authentication, 3);
}

void TGIFApplicationExtension::SetAuthentication(const std::string& value)
{
    std::memset(ident_.Authentication, 0, 3);
    std::memcpy(ident_.Authentication, value.data(), std::min<std::size_t>(3, value.size()));
}

void TGIFApplicationExtension::LoadFromStream(TStream& stream)
{
    ReadExtensionStart(stream);
    BYTE size = 0;
    if (!ReadByte(stream, size))
        RaiseGIFError(sOutOfData);
    if (size < 10)
        RaiseGIFError(sBadBlockSize);
    ReadCheck(stream, &ident_, sizeof ident_);
    if (size == 10) {
        // A block one byte short: the byte read too many belongs to the data.
        stream.Seek(-1, soCurrent);
    } else if (size > 11) {
        const std::int64_t skip = size - 11;
        const std::int64_t before = stream.Position();
        if (stream.Seek(skip, soCurrent) - before < skip || before + skip > stream.Size())
            RaiseGIFError(sOutOfData);
    }
    LoadData(stream);
}

void TGIFApplicationExtension::SaveToStream(TStream& stream)
{
    WriteExtensionStart(stream);
    WriteByte(stream, 11);
    stream.WriteBuffer(&ident_, sizeof ident_);
    SaveData(stream);
}

// ---- unknown application -----------------------------------------------------------------

const TGIFExtensionClass* TGIFUnknownAppExtension::Class()
{
    static const TGIFExtensionClass cls = MakeClass<TGIFUnknownAppExtension>("TGIFUnknownAppExtension");
    return &cls;
}

void TGIFUnknownAppExtension::LoadData(TStream& stream)
{
    Blocks.clear();
    BYTE count = 0;
    while (ReadByte(stream, count) && count != 0) {
        TGIFBlock block;
        block.Data.resize(count);
        const std::int64_t n = stream.Read(block.Data.data(), count);
        block.Data.resize(std::size_t(n));
        if (n > 0)
            Blocks.push_back(std::move(block));
        if (n < count)
            break;
    }
}

void TGIFUnknownAppExtension::SaveData(TStream& stream)
{
    for (const TGIFBlock& block : Blocks) {
        if (block.Data.empty())
            continue;
        const std::size_t n = std::min<std::size_t>(255, block.Data.size());
        WriteByte(stream, BYTE(n));
        stream.WriteBuffer(block.Data.data(), std::int64_t(n));
    }
    WriteByte(stream, 0);
}

// ---- loop --------------------------------------------------------------------------------

const TGIFExtensionClass* TGIFAppExtNSLoop::Class()
{
    static const TGIFExtensionClass cls = MakeClass<TGIFAppExtNSLoop>("TGIFAppExtNSLoop");
    return &cls;
}

TGIFAppExtNSLoop::TGIFAppExtNSLoop(TGIFSubImage* subImage) : TGIFApplicationExtension(subImage)
{
    SetIdentifier("NETSCAPE");
    SetAuthentication("2.0");
}

void TGIFAppExtNSLoop::LoadData(TStream& stream)
{
    BYTE count = 0;
    BYTE data[255];
    while (ReadByte(stream, count) && count != 0) {
        const std::int64_t n = stream.Read(data, count);
        if (n < count)
            RaiseGIFError(sOutOfData);
        switch (data[0] & 7) {
        case 1:
            if (count < 3)
                RaiseGIFError(sInvalidData);
            Loops = WORD(data[1] | (data[2] << 8));
            break;
        case 2:
            if (count < 5)
                RaiseGIFError(sInvalidData);
            BufferSize = DWORD(data[1]) | (DWORD(data[2]) << 8) | (DWORD(data[3]) << 16) | (DWORD(data[4]) << 24);
            break;
        default:
            break;
        }
    }
}

void TGIFAppExtNSLoop::SaveData(TStream& stream)
{
    const BYTE loop[4] = {3, 1, BYTE(Loops), BYTE(Loops >> 8)};
    stream.WriteBuffer(loop, 4);
    if (BufferSize != 0) {
        const BYTE buffer[6] = {5, 2, BYTE(BufferSize), BYTE(BufferSize >> 8), BYTE(BufferSize >> 16),
                                BYTE(BufferSize >> 24)};
        stream.WriteBuffer(buffer, 6);
    }
    WriteByte(stream, 0);
}
