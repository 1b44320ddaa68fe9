// The chunk model: the class registry, the chunk list and its placement rules, the CRC, and
// the base chunk; the small chunks' bodies are in png_small_chunks.cpp.
#include <algorithm>
#include <cstring>

#include "png/png_internal.h"
#include "png/pngimage.h"

// ---------------------------------------------------------------------------------------
// Class records

std::string TChunkClassRec::Name() const
{
    std::string n = ClassName;
    return n.size() > 6 ? n.substr(6) : std::string();
}

#define KELVO_PNG_CHUNK_CLASS_REC(T)                                                        \
    TChunkClass T::Class()                                                                  \
    {                                                                                       \
        static const TChunkClassRec rec{#T, [](TPNGObject* owner) -> std::unique_ptr<TChunk> { \
                                            auto chunk = std::make_unique<T>(owner);        \
                                            std::string name = T::Class()->Name();          \
                                            if (name.size() == 4)                           \
                                                chunk->ChunkName = name;                    \
                                            return chunk;                                   \
                                        }};                                                 \
        return &rec;                                                                        \
    }

KELVO_PNG_CHUNK_CLASS_REC(TChunk)
KELVO_PNG_CHUNK_CLASS_REC(TChunkIEND)
KELVO_PNG_CHUNK_CLASS_REC(TChunkIHDR)
KELVO_PNG_CHUNK_CLASS_REC(TChunkgAMA)
KELVO_PNG_CHUNK_CLASS_REC(TChunkPLTE)
KELVO_PNG_CHUNK_CLASS_REC(TChunktRNS)
KELVO_PNG_CHUNK_CLASS_REC(TChunkIDAT)
KELVO_PNG_CHUNK_CLASS_REC(TChunktIME)
KELVO_PNG_CHUNK_CLASS_REC(TChunktEXt)
KELVO_PNG_CHUNK_CLASS_REC(TChunkzTXt)

namespace {

TPNGPointerList& Registry()
{
    static TPNGPointerList list;
    return list;
}

} // namespace

const TPNGPointerList& ChunkClasses()
{
    TPNGPointerList& list = Registry();
    if (list.Count() == 0) {
        // Fixed order: a name read from a file takes the first class that matches.
        RegisterChunk(TChunkIEND::Class());
        RegisterChunk(TChunkIHDR::Class());
        RegisterChunk(TChunkIDAT::Class());
        RegisterChunk(TChunkPLTE::Class());
        RegisterChunk(TChunkgAMA::Class());
        RegisterChunk(TChunktRNS::Class());
        RegisterChunk(TChunktIME::Class());
        RegisterChunk(TChunktEXt::Class());
        RegisterChunk(TChunkzTXt::Class());
    }
    return list;
}

void RegisterChunk(TChunkClass chunkClass)
{
    Registry().Add(const_cast<TChunkClassRec*>(chunkClass));
}

std::unique_ptr<TChunk> CreateClassChunk(TPNGObject* owner, const std::string& name)
{
    const TPNGPointerList& classes = ChunkClasses();
    for (std::size_t i = 0; i < classes.Count(); ++i) {
        auto rec = static_cast<TChunkClass>(classes.GetItem(i));
        if (rec->Name() == name)
            return rec->Create(owner);
    }
    auto chunk = std::make_unique<TChunk>(owner);
    chunk->ChunkName = name;
    return chunk;
}

// ---------------------------------------------------------------------------------------
// Lists

void TPNGPointerList::Insert(void* item, std::size_t index)
{
    if (index > FItems.size())
        index = FItems.size();
    FItems.insert(FItems.begin() + std::ptrdiff_t(index), item);
}

void* TPNGPointerList::Remove(void* item)
{
    auto it = std::find(FItems.begin(), FItems.end(), item);
    if (it == FItems.end())
        return nullptr;
    FItems.erase(it);
    return item;
}

void TPNGPointerList::SetItem(std::size_t index, void* item)
{
    if (index < FItems.size())
        FItems[index] = item;
}

TPNGList::~TPNGList() { Clear(); }

void TPNGList::Clear()
{
    std::vector<void*> items;
    items.swap(FItems);
    for (void* p : items)
        delete static_cast<TChunk*>(p);
}

void TPNGList::AddOwned(std::unique_ptr<TChunk> chunk) { FItems.push_back(chunk.release()); }

std::size_t TPNGList::IndexOf(const TChunk* chunk) const
{
    for (std::size_t i = 0; i < FItems.size(); ++i)
        if (FItems[i] == chunk)
            return i;
    return std::size_t(-1);
}

TChunk* TPNGList::ItemFromClass(TChunkClass chunkClass) const
{
    for (void* p : FItems) {
        auto c = static_cast<TChunk*>(p);
        if (c && c->ClassType() == chunkClass)
            return c;
    }
    return nullptr;
}

void TPNGList::RemoveChunk(TChunk* chunk)
{
    if (Remove(chunk))
        delete chunk;
}

TChunk* TPNGList::Add(TChunkClass chunkClass)
{
    TPNGObject* owner = FOwner;
    if (chunkClass == TChunkIHDR::Class() || chunkClass == TChunkIDAT::Class() ||
        chunkClass == TChunkPLTE::Class() || chunkClass == TChunkIEND::Class() ||
        (chunkClass == TChunkgAMA::Class() && ItemFromClass(TChunkgAMA::Class())) ||
        (chunkClass == TChunktRNS::Class() && ItemFromClass(TChunktRNS::Class())))
        owner->RaiseError<EPngError>(LoadPngText(EPNGCannotAddChunkText));
    TChunk* ihdr = ItemFromClass(TChunkIHDR::Class());
    TChunk* iend = ItemFromClass(TChunkIEND::Class());
    if (!ihdr || !iend)
        owner->RaiseError<EPngError>(LoadPngText(EPNGCannotAddInvalidImageText));

    std::unique_ptr<TChunk> chunk = chunkClass->Create(owner);
    std::size_t at;
    if (chunkClass == TChunkgAMA::Class()) {
        at = IndexOf(ihdr) + 1;
    } else if (chunkClass == TChunktRNS::Class()) {
        if (TChunk* plte = ItemFromClass(TChunkPLTE::Class()))
            at = IndexOf(plte) + 1;
        else if (TChunk* idat = ItemFromClass(TChunkIDAT::Class()))
            at = IndexOf(idat);
        else
            at = IndexOf(ihdr) + 1;
    } else {
        at = IndexOf(iend);
    }
    TChunk* result = chunk.get();
    Insert(chunk.release(), at);
    return result;
}

// ---------------------------------------------------------------------------------------
// CRC-32

namespace {

// The classic table, plus seven derived ones so that image data is checked eight bytes at a
// time: CRCs of large IDAT chunks would otherwise cost as much as inflating them.
DWORD CrcTable[8][256];

void MakeCrcTable()
{
    for (DWORD n = 0; n < 256; ++n) {
        DWORD c = n;
        for (int k = 0; k < 8; ++k)
            c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        CrcTable[0][n] = c;
    }
    for (DWORD n = 0; n < 256; ++n)
        for (int t = 1; t < 8; ++t)
            CrcTable[t][n] = (CrcTable[t - 1][n] >> 8) ^ CrcTable[0][CrcTable[t - 1][n] & 0xFF];
}

} // namespace

DWORD UpdateCrc(DWORD crc, const BYTE* data, std::size_t size)
{
    // Built on the first CRC; pictures may be loaded on more than one thread.
    static const bool tableBuilt = (MakeCrcTable(), true);
    (void)tableBuilt;
    while (size >= 8) {
        DWORD lo = crc ^ (DWORD(data[0]) | (DWORD(data[1]) << 8) | (DWORD(data[2]) << 16) | (DWORD(data[3]) << 24));
        DWORD hi = DWORD(data[4]) | (DWORD(data[5]) << 8) | (DWORD(data[6]) << 16) | (DWORD(data[7]) << 24);
        crc = CrcTable[7][lo & 0xFF] ^ CrcTable[6][(lo >> 8) & 0xFF] ^ CrcTable[5][(lo >> 16) & 0xFF] ^
              CrcTable[4][lo >> 24] ^ CrcTable[3][hi & 0xFF] ^ CrcTable[2][(hi >> 8) & 0xFF] ^
              CrcTable[1][(hi >> 16) & 0xFF] ^ CrcTable[0][hi >> 24];
        data += 8;
        size -= 8;
    }
    for (std::size_t i = 0; i < size; ++i)
        crc = CrcTable[0][(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
    return crc;
}

DWORD ChunkCrc(const std::string& name, const BYTE* data, std::size_t size)
{
    BYTE n[4] = {0, 0, 0, 0};
    std::memcpy(n, name.data(), std::min<std::size_t>(4, name.size()));
    DWORD crc = UpdateCrc(0xFFFFFFFFu, n, 4);
    return UpdateCrc(crc, data, size) ^ 0xFFFFFFFFu;
}

// ---------------------------------------------------------------------------------------
// Stream helpers

void PngReadExact(TPNGObject* owner, TStream& stream, void* buffer, std::int64_t count)
{
    if (count > 0 && stream.Read(buffer, count) != count)
        owner->RaiseError<EPngUnexpectedEnd>(LoadPngText(EPNGUnexpectedEndText));
}

DWORD PngReadDWord(TPNGObject* owner, TStream& stream)
{
    BYTE b[4];
    PngReadExact(owner, stream, b, 4);
    return GetBE32(b);
}

void PngCheckAvailable(TPNGObject* owner, TStream& stream, std::uint64_t count)
{
    // A length the stream cannot hold is refused before anything is allocated for it.
    std::int64_t size = stream.Size();
    std::int64_t pos = stream.Position();
    if (size >= 0 && pos >= 0 && (pos > size || std::uint64_t(size - pos) < count))
        owner->RaiseError<EPngUnexpectedEnd>(LoadPngText(EPNGUnexpectedEndText));
}

// ---------------------------------------------------------------------------------------
// TChunk

// The chunk name of a class is set by its class record's Create, which every list and
// loader goes through: a constructor cannot see the class it is building.
TChunk::TChunk(TPNGObject* owner) : Data(1, 0), Owner(owner) {}

void TChunk::ResizeData(DWORD size)
{
    Data.assign(std::max<DWORD>(size, 1), 0);
    DataSize = size;
}

TChunkIHDR* TChunk::GetHeader() const { return Owner ? Owner->Header() : nullptr; }

void TChunk::Assign(const TChunk& source)
{
    ChunkName = source.ChunkName;
    Data = source.Data;
    DataSize = source.DataSize;
}

void TChunk::ReadBase(TStream& stream, DWORD size)
{
    PngCheckAvailable(Owner, stream, std::uint64_t(size) + 4);
    ResizeData(size);
    PngReadExact(Owner, stream, Data.data(), size);
    DWORD crc = PngReadDWord(Owner, stream);
    if (crc != ChunkCrc(ChunkName, Data.data(), size))
        Owner->RaiseError<EPngInvalidCRC>(LoadPngText(EPngInvalidCRCText));
}

bool TChunk::LoadFromStream(TStream& stream, const std::string& name, DWORD size)
{
    ChunkName = name;
    ReadBase(stream, size);
    return true;
}

void TChunk::WriteChunk(TStream& stream, const BYTE* data, DWORD size)
{
    BYTE head[8];
    PutBE32(head, size);
    std::memset(head + 4, 0, 4);
    std::memcpy(head + 4, ChunkName.data(), std::min<std::size_t>(4, ChunkName.size()));
    stream.WriteBuffer(head, 8);
    if (size)
        stream.WriteBuffer(data, size);
    BYTE crc[4];
    PutBE32(crc, ChunkCrc(ChunkName, data, size));
    stream.WriteBuffer(crc, 4);
}

bool TChunk::SaveToStream(TStream& stream)
{
    WriteChunk(stream, Data.data(), DataSize);
    return true;
}
