// The small chunks beside the header and the image data: gAMA, PLTE, tRNS, tIME, tEXt and
// zTXt, each reading and writing its own body.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "png/png_internal.h"
#include "png/pngimage.h"

// ---------------------------------------------------------------------------------------
// gAMA

TChunkgAMA::TChunkgAMA(TPNGObject* owner) : TChunk(owner)
{
    ResizeData(4);
    SetValue(1);
}

void TChunkgAMA::Assign(const TChunk& source)
{
    if (source.ClassType() != Class())
        Owner->RaiseError<EPngError>(LoadPngText(EPNGCannotAssignChunkText));
    TChunk::Assign(source);
}

DWORD TChunkgAMA::GetValue() const { return DataSize == 4 ? GetBE32(Data.data()) : 1; }

void TChunkgAMA::SetValue(DWORD value)
{
    if (DataSize != 4)
        ResizeData(4);
    PutBE32(Data.data(), value);
}

bool TChunkgAMA::LoadFromStream(TStream& stream, const std::string& name, DWORD size)
{
    TChunk::LoadFromStream(stream, name, size);
    // A value of the wrong size is kept as read but does not touch the tables.
    if (DataSize != 4)
        return true;
    DWORD g = GetValue();
    if (g != 0) {
        double exponent = 1.0 / (double(g) / 100000.0 * 2.2);
        for (int i = 0; i < 256; ++i) {
            double y = std::pow(i / 255.0, exponent);
            int v = int(std::lround(y * 255.0));
            v = std::clamp(v, 0, 255);
            Owner->GammaTable[i] = BYTE(v);
            Owner->InverseGamma[v] = BYTE(i);
        }
    }
    return true;
}

// ---------------------------------------------------------------------------------------
// PLTE: the entries live in the header's colour table.

void TChunkPLTE::Assign(const TChunk& source)
{
    if (source.ClassType() != Class())
        Owner->RaiseError<EPngError>(LoadPngText(EPNGCannotAssignChunkText));
    TChunk::Assign(source);
    FCount = static_cast<const TChunkPLTE&>(source).FCount;
}

TRGBQuad TChunkPLTE::GetPaletteItem(int index) const
{
    TChunkIHDR* header = GetHeader();
    if (index < 0 || index >= FCount || index > 255 || !header)
        Owner->RaiseError<EPngError>(LoadPngText(EPNGUnknownPalEntryText));
    return header->BitmapInfo.bmiColors[index];
}

bool TChunkPLTE::LoadFromStream(TStream& stream, const std::string& name, DWORD size)
{
    TChunk::LoadFromStream(stream, name, size);
    if (size % 3 != 0 || size / 3 > 256)
        Owner->RaiseError<EPNGInvalidPalette>(LoadPngText(EPNGInvalidPaletteText));
    FCount = int(size / 3);
    TChunkIHDR* header = GetHeader();
    if (!header)
        return true;
    const BYTE* g = Owner->GammaTable;
    for (int i = 0; i < FCount; ++i) {
        TRGBQuad& q = header->BitmapInfo.bmiColors[i];
        q.rgbRed = g[Data[std::size_t(i) * 3]];
        q.rgbGreen = g[Data[std::size_t(i) * 3 + 1]];
        q.rgbBlue = g[Data[std::size_t(i) * 3 + 2]];
        q.rgbReserved = 0;
    }
    return true;
}

bool TChunkPLTE::SaveToStream(TStream& stream)
{
    TChunkIHDR* header = GetHeader();
    int count = std::clamp(FCount, 0, 256);
    std::vector<BYTE> out(std::size_t(count) * 3 + 1);
    const BYTE* ig = Owner->InverseGamma;
    for (int i = 0; i < count && header; ++i) {
        const TRGBQuad& q = header->BitmapInfo.bmiColors[i];
        out[std::size_t(i) * 3] = ig[q.rgbRed];
        out[std::size_t(i) * 3 + 1] = ig[q.rgbGreen];
        out[std::size_t(i) * 3 + 2] = ig[q.rgbBlue];
    }
    WriteChunk(stream, out.data(), DWORD(count) * 3);
    return true;
}

// ---------------------------------------------------------------------------------------
// tRNS

TChunktRNS::TChunktRNS(TPNGObject* owner) : TChunk(owner)
{
    std::memset(PaletteValues, 255, sizeof PaletteValues);
}

void TChunktRNS::Assign(const TChunk& source)
{
    if (source.ClassType() != Class())
        Owner->RaiseError<EPngError>(LoadPngText(EPNGCannotAssignChunkText));
    TChunk::Assign(source);
    const auto& s = static_cast<const TChunktRNS&>(source);
    std::memcpy(PaletteValues, s.PaletteValues, sizeof PaletteValues);
    BitTransparency = s.BitTransparency;
}

bool TChunktRNS::LoadFromStream(TStream& stream, const std::string& name, DWORD size)
{
    TChunk::LoadFromStream(stream, name, size);
    if (size > 256)
        Owner->RaiseError<EPNGInvalidPalette>(LoadPngText(EPNGInvalidPaletteText));
    std::memset(PaletteValues, 255, sizeof PaletteValues);
    std::memcpy(PaletteValues, Data.data(), size);
    TChunkIHDR* header = GetHeader();
    BYTE type = header ? header->ColorType : 0;
    if (type == COLOR_GRAYSCALE || type == COLOR_RGB) {
        BitTransparency = true;
    } else if (type == COLOR_PALETTE) {
        // A colour key only works for one fully transparent entry; a single half-transparent
        // entry has to be blended.
        int nonOpaque = 0;
        bool allZero = true;
        for (DWORD i = 0; i < size; ++i)
            if (PaletteValues[i] != 255) {
                ++nonOpaque;
                allZero = allZero && PaletteValues[i] == 0;
            }
        BitTransparency = nonOpaque == 1 && allZero;
    }
    return true;
}

bool TChunktRNS::SaveToStream(TStream& stream)
{
    DWORD size = std::min<DWORD>(DataSize, 256);
    TChunkIHDR* header = GetHeader();
    if (header && header->ColorType == COLOR_PALETTE) {
        WriteChunk(stream, PaletteValues, size);
    } else if (header && header->BitDepth == 16) {
        // 16-bit samples are written from the high bytes kept in memory with a zero low
        // byte; the key has to be written alike or it would match none of them.
        std::vector<BYTE> key(Data.begin(), Data.begin() + std::min<DWORD>(DataSize, DWORD(Data.size())));
        for (std::size_t i = 1; i < key.size(); i += 2)
            key[i] = 0;
        WriteChunk(stream, key.data(), DWORD(key.size()));
    } else {
        WriteChunk(stream, Data.data(), std::min<DWORD>(DataSize, DWORD(Data.size())));
    }
    return true;
}

// ---------------------------------------------------------------------------------------
// tIME

void TChunktIME::Assign(const TChunk& source)
{
    TChunk::Assign(source);
    if (source.ClassType() == Class()) {
        const auto& s = static_cast<const TChunktIME&>(source);
        Year = s.Year;
        Month = s.Month;
        Day = s.Day;
        Hour = s.Hour;
        Minute = s.Minute;
        Second = s.Second;
    }
}

bool TChunktIME::LoadFromStream(TStream& stream, const std::string& name, DWORD size)
{
    TChunk::LoadFromStream(stream, name, size);
    if (DataSize == 7) {
        Year = WORD((Data[0] << 8) | Data[1]);
        Month = Data[2];
        Day = Data[3];
        Hour = Data[4];
        Minute = Data[5];
        Second = Data[6];
    }
    return true;
}

bool TChunktIME::SaveToStream(TStream& stream)
{
    BYTE d[7] = {BYTE(Year >> 8), BYTE(Year), Month, Day, Hour, Minute, Second};
    WriteChunk(stream, d, 7);
    return true;
}

// ---------------------------------------------------------------------------------------
// tEXt and zTXt

void TChunktEXt::Assign(const TChunk& source)
{
    TChunk::Assign(source);
    if (auto s = dynamic_cast<const TChunktEXt*>(&source)) {
        Keyword = s->Keyword;
        Text = s->Text;
    }
}

bool TChunktEXt::LoadFromStream(TStream& stream, const std::string& name, DWORD size)
{
    TChunk::LoadFromStream(stream, name, size);
    if (DataSize >= 3) {
        const char* p = reinterpret_cast<const char*>(Data.data());
        const char* zero = static_cast<const char*>(std::memchr(p, 0, DataSize));
        std::size_t keyLen = zero ? std::size_t(zero - p) : DataSize;
        Keyword.assign(p, keyLen);
        Text = keyLen < DataSize ? std::string(p + keyLen + 1, DataSize - keyLen - 1) : std::string();
    }
    return true;
}

bool TChunktEXt::SaveToStream(TStream& stream)
{
    std::vector<BYTE> out(Keyword.begin(), Keyword.end());
    out.push_back(0);
    out.insert(out.end(), Text.begin(), Text.end());
    WriteChunk(stream, out.data(), DWORD(out.size()));
    return true;
}

namespace {
// Inflated text beyond this is not believed: the chunk is kept raw with an empty text.
constexpr std::size_t MaxInflatedText = std::size_t(16) << 20;
} // namespace

bool TChunkzTXt::LoadFromStream(TStream& stream, const std::string& name, DWORD size)
{
    TChunk::LoadFromStream(stream, name, size);
    Keyword.clear();
    Text.clear();
    if (DataSize < 3)
        return true;
    const char* p = reinterpret_cast<const char*>(Data.data());
    const char* zero = static_cast<const char*>(std::memchr(p, 0, DataSize));
    std::size_t keyLen = zero ? std::size_t(zero - p) : DataSize;
    Keyword.assign(p, keyLen);
    if (DataSize > 3 && keyLen + 1 < DataSize && Data[keyLen + 1] == 0) {
        std::vector<BYTE> out;
        std::string error;
        std::size_t start = keyLen + 2;
        if (InflateBuffer(Data.data() + start, DataSize - start, out, error, MaxInflatedText))
            Text.assign(out.begin(), out.end());
    }
    return true;
}

bool TChunkzTXt::SaveToStream(TStream& stream)
{
    std::vector<BYTE> packed;
    std::string error;
    if (!DeflateBuffer(reinterpret_cast<const BYTE*>(Text.data()), Text.size(),
                       Owner->CompressionLevel(), packed, error))
        return false;
    std::vector<BYTE> out(Keyword.begin(), Keyword.end());
    out.push_back(0);
    out.push_back(0);
    out.insert(out.end(), packed.begin(), packed.end());
    WriteChunk(stream, out.data(), DWORD(out.size()));
    return true;
}
