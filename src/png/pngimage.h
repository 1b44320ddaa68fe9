#pragma once
// The PNG picture: a graphic that keeps the file as its list of chunks and the image as a
// device-independent bitmap (plus an alpha plane) that the platform draws directly.
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/bitmap.h"
#include "platform/dib.h"
#include "platform/graphic.h"
#include "platform/palette.h"
#include "platform/streams.h"
#include "platform/types.h"
#include "png/pngexceptions.h"
#include "png/pnglang.h"

class TPNGObject;
class TChunk;
class TChunkIHDR;
class TClipboard;

// A module's raw-data resources by name (numeric identifiers are named "#" and the number),
// the stand-in for the resources the platform keeps inside an executable.
struct TPngResourceModule {
    std::map<std::string, std::vector<BYTE>> RawData;
};
using TModuleInstance = const TPngResourceModule*;

// ---------------------------------------------------------------------------------------
// Settings

enum TFilter { pfNone, pfSub, pfUp, pfAverage, pfPaeth };

// A set of row filters in one byte, bit n for filter n.
class TFilters {
public:
    constexpr TFilters() = default;
    constexpr TFilters(std::initializer_list<TFilter> filters)
    {
        for (TFilter f : filters)
            bits_ = BYTE(bits_ | (1u << f));
    }
    static constexpr TFilters FromBits(BYTE bits)
    {
        TFilters s;
        s.bits_ = BYTE(bits & 0x1F);
        return s;
    }
    constexpr BYTE Bits() const { return bits_; }
    constexpr bool Contains(TFilter f) const { return (bits_ >> f) & 1u; }
    constexpr bool Empty() const { return bits_ == 0; }
    void Include(TFilter f) { bits_ = BYTE(bits_ | (1u << f)); }
    void Exclude(TFilter f) { bits_ = BYTE(bits_ & ~(1u << f)); }
    friend constexpr bool operator==(TFilters, TFilters) = default;

private:
    BYTE bits_ = 0;
};

enum TInterlaceMethod { imNone, imAdam7 };
enum TPNGTransparencyMode { ptmNone, ptmBit, ptmPartial };

constexpr BYTE COLOR_GRAYSCALE = 0;
constexpr BYTE COLOR_RGB = 2;
constexpr BYTE COLOR_PALETTE = 3;
constexpr BYTE COLOR_GRAYSCALEALPHA = 4;
constexpr BYTE COLOR_RGBALPHA = 6;

// Bigger images are refused before their buffers are made.
constexpr std::uint64_t PngMaxPixels = std::uint64_t(1) << 28;

// ---------------------------------------------------------------------------------------
// Chunk classes

// What the registry and the list know about a chunk class: its class name (the chunk name
// is that name from the seventh character on) and how to make one.
struct TChunkClassRec {
    const char* ClassName;
    std::unique_ptr<TChunk> (*Create)(TPNGObject* owner);
    std::string Name() const;
};
using TChunkClass = const TChunkClassRec*;

#define KELVO_PNG_CHUNK_CLASS(T)                                      \
public:                                                               \
    static TChunkClass Class();                                       \
    TChunkClass ClassType() const override { return Class(); }        \
    static std::string GetName() { return Class()->Name(); }

class TChunk {
public:
    explicit TChunk(TPNGObject* owner);
    virtual ~TChunk() = default;
    TChunk(const TChunk&) = delete;
    TChunk& operator=(const TChunk&) = delete;

    static TChunkClass Class();
    virtual TChunkClass ClassType() const { return Class(); }
    static std::string GetName() { return Class()->Name(); }

    // Copies the name and the data bytes; subclasses copy their own fields as well.
    virtual void Assign(const TChunk& source);
    // Reads size data bytes and the CRC; answers whether loading may go on.
    virtual bool LoadFromStream(TStream& stream, const std::string& name, DWORD size);
    // Writes length, name, data and CRC; false when the chunk was not written.
    virtual bool SaveToStream(TStream& stream);

    void ResizeData(DWORD size);
    TPNGObject* GetOwner() const { return Owner; }
    TChunkIHDR* GetHeader() const;

    std::vector<BYTE> Data;
    DWORD DataSize = 0;
    TPNGObject* Owner;
    std::string ChunkName;

protected:
    // The base reading: data and CRC, which must match.
    void ReadBase(TStream& stream, DWORD size);
    // Writes the chunk with the given data.
    void WriteChunk(TStream& stream, const BYTE* data, DWORD size);
};

// Bitmap header with the full colour table, as the image buffers are described.
struct TPngBitmapInfo {
    TBitmapInfoHeader bmiHeader;
    TRGBQuad bmiColors[256];
};

class TChunkIHDR : public TChunk {
    KELVO_PNG_CHUNK_CLASS(TChunkIHDR)
public:
    explicit TChunkIHDR(TPNGObject* owner);
    ~TChunkIHDR() override;
    void Assign(const TChunk& source) override;
    bool LoadFromStream(TStream& stream, const std::string& name, DWORD size) override;
    bool SaveToStream(TStream& stream) override;

    // Frees the old buffers and makes new, zeroed ones for the current header values.
    void PrepareImageData();
    void FreeImageData();
    // The grey ramp of colour types 0 and 4 through the owner's gamma table.
    void PreparePalette();
    // Bits per pixel of the in-memory DIB.
    int DibBitsPerPixel() const { return BitmapInfo.bmiHeader.biBitCount; }

    bool HasPalette = false;
    TPngBitmapInfo BitmapInfo{};
    DWORD BytesPerRow = 0;
    std::vector<BYTE> ImageData;  // bottom-up DIB rows
    std::vector<BYTE> ImageAlpha; // top-down, width per row; empty when there is none

    DWORD Width = 0;
    DWORD Height = 0;
    BYTE BitDepth = 0;
    BYTE ColorType = 0;
    BYTE CompressionMethod = 0;
    BYTE FilterMethod = 0;
    BYTE InterlaceMethod = 0;

private:
    // Raises EPNGOutMemory when the image data that follows in the stream could never fill
    // the pixels this header asks for, EPngUnexpectedEnd instead when that data is short
    // because the stream ends inside it.
    void CheckDescribedByImageData(TStream& stream);
};

class TChunkIEND : public TChunk {
    KELVO_PNG_CHUNK_CLASS(TChunkIEND)
public:
    using TChunk::TChunk;
};

class TChunkgAMA : public TChunk {
    KELVO_PNG_CHUNK_CLASS(TChunkgAMA)
public:
    explicit TChunkgAMA(TPNGObject* owner);
    void Assign(const TChunk& source) override;
    bool LoadFromStream(TStream& stream, const std::string& name, DWORD size) override;
    // The gamma times 100000 (1 when the chunk holds no 4-byte value).
    DWORD GetValue() const;
    void SetValue(DWORD value);
};

class TChunkPLTE : public TChunk {
    KELVO_PNG_CHUNK_CLASS(TChunkPLTE)
public:
    using TChunk::TChunk;
    void Assign(const TChunk& source) override;
    bool LoadFromStream(TStream& stream, const std::string& name, DWORD size) override;
    bool SaveToStream(TStream& stream) override;
    // The colour-table entry; an index beyond the count raises EPngError.
    TRGBQuad GetPaletteItem(int index) const;
    int Count() const { return FCount; }
    void SetCount(int count) { FCount = count; }

private:
    int FCount = 0;
};

class TChunktRNS : public TChunk {
    KELVO_PNG_CHUNK_CLASS(TChunktRNS)
public:
    explicit TChunktRNS(TPNGObject* owner);
    void Assign(const TChunk& source) override;
    bool LoadFromStream(TStream& stream, const std::string& name, DWORD size) override;
    bool SaveToStream(TStream& stream) override;
    TColor GetTransparentColor() const;
    void SetTransparentColor(TColor color);

    BYTE PaletteValues[256];
    bool BitTransparency = false;
};

class TChunktIME : public TChunk {
    KELVO_PNG_CHUNK_CLASS(TChunktIME)
public:
    using TChunk::TChunk;
    void Assign(const TChunk& source) override;
    bool LoadFromStream(TStream& stream, const std::string& name, DWORD size) override;
    bool SaveToStream(TStream& stream) override;

    WORD Year = 0;
    BYTE Month = 0, Day = 0, Hour = 0, Minute = 0, Second = 0;
};

class TChunktEXt : public TChunk {
    KELVO_PNG_CHUNK_CLASS(TChunktEXt)
public:
    using TChunk::TChunk;
    void Assign(const TChunk& source) override;
    bool LoadFromStream(TStream& stream, const std::string& name, DWORD size) override;
    bool SaveToStream(TStream& stream) override;

    std::string Keyword;
    std::string Text;
};

class TChunkzTXt : public TChunktEXt {
    KELVO_PNG_CHUNK_CLASS(TChunkzTXt)
public:
    using TChunktEXt::TChunktEXt;
    bool LoadFromStream(TStream& stream, const std::string& name, DWORD size) override;
    bool SaveToStream(TStream& stream) override;
};

class TChunkIDAT : public TChunk {
    KELVO_PNG_CHUNK_CLASS(TChunkIDAT)
public:
    using TChunk::TChunk;
    // Decodes the image data that starts with this chunk, reading on across the
    // consecutive IDAT chunks that follow it.
    bool LoadFromStream(TStream& stream, const std::string& name, DWORD size) override;
    // Encodes the image buffers as one or more IDAT chunks.
    bool SaveToStream(TStream& stream) override;
};

// ---------------------------------------------------------------------------------------
// Lists

class TPNGPointerList {
public:
    explicit TPNGPointerList(TPNGObject* owner = nullptr) : FOwner(owner) {}
    virtual ~TPNGPointerList() = default;
    TPNGPointerList(const TPNGPointerList&) = delete;
    TPNGPointerList& operator=(const TPNGPointerList&) = delete;

    void Add(void* item) { FItems.push_back(item); }
    void Insert(void* item, std::size_t index);
    // Takes the item out of the list and answers it (nullptr when it is not there).
    virtual void* Remove(void* item);
    void* GetItem(std::size_t index) const { return index < FItems.size() ? FItems[index] : nullptr; }
    void SetItem(std::size_t index, void* item);
    void SetSize(std::size_t size) { FItems.resize(size, nullptr); }
    std::size_t Count() const { return FItems.size(); }
    TPNGObject* Owner() const { return FOwner; }

protected:
    std::vector<void*> FItems;
    TPNGObject* FOwner;
};

class TPNGList : public TPNGPointerList {
public:
    using TPNGPointerList::TPNGPointerList;
    ~TPNGList() override;

    // Adds an ancillary chunk to a complete image at its proper place.
    TChunk* Add(TChunkClass chunkClass);
    template <class T>
    T* Add()
    {
        return static_cast<T*>(Add(T::Class()));
    }
    // Takes the chunk out of the list and frees it.
    void RemoveChunk(TChunk* chunk);
    TChunk* GetItem(std::size_t index) const { return static_cast<TChunk*>(TPNGPointerList::GetItem(index)); }
    TChunk* ItemFromClass(TChunkClass chunkClass) const;
    template <class T>
    T* ItemFromClass() const
    {
        return static_cast<T*>(ItemFromClass(T::Class()));
    }
    // Frees every chunk and empties the list.
    void Clear();
    // Appends a chunk the list then owns.
    void AddOwned(std::unique_ptr<TChunk> chunk);
    std::size_t IndexOf(const TChunk* chunk) const;
};

// The chunk classes in the order a name read from a file is looked up.
const TPNGPointerList& ChunkClasses();
void RegisterChunk(TChunkClass chunkClass);
// A chunk for a name: the first registered class of that name, else a raw TChunk.
std::unique_ptr<TChunk> CreateClassChunk(TPNGObject* owner, const std::string& name);

// ---------------------------------------------------------------------------------------
// CRC-32 and compressed text

DWORD UpdateCrc(DWORD crc, const BYTE* data, std::size_t size);
// The CRC of one chunk: over its four name characters and its data.
DWORD ChunkCrc(const std::string& name, const BYTE* data, std::size_t size);

// Memory to memory through zlib. The result is the produced bytes; false with the zlib
// message in errorText on failure. Inflating stops at maxOutput bytes (a failure too).
bool InflateBuffer(const BYTE* input, std::size_t size, std::vector<BYTE>& output,
                   std::string& errorText, std::size_t maxOutput);
bool DeflateBuffer(const BYTE* input, std::size_t size, int level, std::vector<BYTE>& output,
                   std::string& errorText);

// Unfiltering and filtering of one row, exposed for the tests and the benchmark.
BYTE PaethPredictor(BYTE a, BYTE b, BYTE c);
// row[0] is the filter type; row + 1 holds length bytes. prev has the same layout.
void UnfilterRow(BYTE* row, const BYTE* prev, std::size_t length, std::size_t offset);

// The bytes a PNG row of that many pixels takes (0 for an unknown colour type).
std::size_t RowBytesForPixels(std::uint64_t pixels, BYTE colorType, BYTE bitDepth);

// Adam7 pass pattern.
extern const BYTE RowStart[7];
extern const BYTE ColumnStart[7];
extern const BYTE RowIncrement[7];
extern const BYTE ColumnIncrement[7];

// ---------------------------------------------------------------------------------------
// The picture

class TPNGObject : public TGraphic {
public:
    TPNGObject();
    ~TPNGObject() override;
    TPNGObject(const TPNGObject&) = delete;
    TPNGObject& operator=(const TPNGObject&) = delete;

    std::string ClassName() const override { return "TPNGObject"; }

    // TGraphic
    void Assign(const TPersistent& source) override;
    void Draw(TCanvas& canvas, const TRect& rect) const override;
    bool Empty() const override;
    int Width() const override;
    int Height() const override;
    HPALETTE Palette() const override { return GetPalette(); }
    bool Transparent() const override;
    void SetWidth(int value) override;
    void SetHeight(int value) override;
    void LoadFromStream(TStream& stream) override;
    void SaveToStream(TStream& stream) const override;
    void LoadFromClipboardFormat(UINT format, const std::vector<uint8_t>& data) override;
    void SaveToClipboardFormat(UINT& format, std::vector<uint8_t>& data) const override;

    // The clipboard seam: the picture goes there as the bitmap it draws, and comes back
    // from the clipboard's bitmap (false when there is none).
    void CopyToClipboard(TClipboard& clipboard) const;
    bool PasteFromClipboard(TClipboard& clipboard);

    void LoadFromResourceName(TModuleInstance instance, const std::string& name);
    void LoadFromResourceID(TModuleInstance instance, int resourceId);

    bool GetEmpty() const { return Empty(); }
    int GetWidth() const { return Width(); }
    int GetHeight() const { return Height(); }
    bool GetTransparent() const { return Transparent(); }
    HPALETTE GetPalette() const;

    // Single pixels (no gamma for truecolour; grey and palette through their tables).
    virtual TColor GetPixels(int x, int y) const;
    virtual void SetPixels(int x, int y, TColor color);

    void AssignPNG(const TPNGObject& source);
    // Rebuilds the picture from a bitmap: palette image below 16 bits, else truecolour.
    void AssignHandle(const TBitmap& bitmap, bool transparent, TColor transparentColor);

    bool HeaderPresent() const;
    TChunkIHDR* Header() const;
    TPNGTransparencyMode GetTransparencyMode() const;
    TColor GetTransparentColor() const;
    void SetTransparentColor(TColor color);
    void RemoveTransparency();
    void CreateAlpha();

    // Row y counted from the top.
    BYTE* GetScanline(int y) const;
    // Alpha row y for colour types 4 and 6, else nullptr.
    BYTE* GetAlphaScanline(int y) const;
    // Byte length of one PNG row (without its filter byte) and bytes per complete pixel.
    void GetPixelInfo(std::size_t& lineSize, std::size_t& offset) const;

    TChunktEXt* AddtEXt(const std::string& keyword, const std::string& text);
    TChunkzTXt* AddzTXt(const std::string& keyword, const std::string& text);
    void ClearChunks();

    template <class E>
    [[noreturn]] void RaiseError(const std::string& text) const
    {
        throw E(text);
    }

    DWORD MaxIdatSize() const { return FMaxIdatSize; }
    void SetMaxIdatSize(DWORD value) { FMaxIdatSize = value < 65535 ? 65535 : value; }
    BYTE CompressionLevel() const { return FCompressionLevel; }
    void SetCompressionLevel(int value) { FCompressionLevel = BYTE(value < 0 ? 0 : value > 9 ? 9 : value); }

    // Deletes the cached drawing palette (the next GetPalette makes a new one).
    void ResetTempPalette() const;

    BYTE GammaTable[256];
    BYTE InverseGamma[256];
    mutable HPALETTE TempPalette = nullptr;
    TFilters Filters{pfSub};
    TInterlaceMethod InterlaceMethod = imNone;
    TPNGList Chunks;

protected:
    void AssignTo(TPersistent& dest) const override;

private:
    void ResetGamma();
    // False for a chunk met while loading that written back would make an invalid file.
    bool KeepsFileValid(const std::string& name, bool afterImageData) const;
    TBitmap DrawnBitmap() const;
    void DrawPartialTrans(TBitmap& target, const TRect& rect) const;
    BYTE FCompressionLevel = 7;
    DWORD FMaxIdatSize = 65535;
};

// Draws a DIB stretched into rect, leaving the target where the DIB has the key colour.
void DrawColorKeyedDib(TBitmap& target, const BYTE* bits, const TPngBitmapInfo& info, TColor key,
                       const TRect& rect);
