// TPNGObject itself: loading and saving the chunk list, copies and the header chunk.
#include <algorithm>
#include <cctype>
#include <cstring>

#include "png/png_internal.h"
#include "png/pngimage.h"

namespace {

const BYTE PngSignature[8] = {0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A};

bool ValidColorAndDepth(BYTE colorType, BYTE depth)
{
    switch (colorType) {
    case COLOR_GRAYSCALE:
        return depth == 1 || depth == 2 || depth == 4 || depth == 8 || depth == 16;
    case COLOR_PALETTE:
        return depth == 1 || depth == 2 || depth == 4 || depth == 8;
    case COLOR_RGB:
    case COLOR_GRAYSCALEALPHA:
    case COLOR_RGBALPHA:
        return depth == 8 || depth == 16;
    default:
        return false;
    }
}

} // namespace

// ---------------------------------------------------------------------------------------
// TPNGObject

TPNGObject::TPNGObject() : Chunks(this) { ResetGamma(); }

TPNGObject::~TPNGObject()
{
    Chunks.Clear();
    ResetTempPalette();
}

void TPNGObject::ResetGamma()
{
    for (int i = 0; i < 256; ++i) {
        GammaTable[i] = BYTE(i);
        InverseGamma[i] = BYTE(i);
    }
}

void TPNGObject::ResetTempPalette() const
{
    DeleteObject(TempPalette);
    TempPalette = nullptr;
}

TChunkIHDR* TPNGObject::Header() const
{
    TChunk* first = Chunks.GetItem(0);
    return first && first->ClassType() == TChunkIHDR::Class() ? static_cast<TChunkIHDR*>(first)
                                                               : nullptr;
}

bool TPNGObject::HeaderPresent() const { return Header() != nullptr; }
bool TPNGObject::Empty() const { return Chunks.Count() == 0; }
int TPNGObject::Width() const { return Header() ? int(Header()->Width) : 0; }
int TPNGObject::Height() const { return Header() ? int(Header()->Height) : 0; }
bool TPNGObject::Transparent() const { return GetTransparencyMode() != ptmNone; }

void TPNGObject::SetWidth(int) { RaiseError<EPngError>(LoadPngText(EPNGCannotChangeSizeText)); }
void TPNGObject::SetHeight(int) { RaiseError<EPngError>(LoadPngText(EPNGCannotChangeSizeText)); }

void TPNGObject::ClearChunks() { Chunks.Clear(); }

TChunktEXt* TPNGObject::AddtEXt(const std::string& keyword, const std::string& text)
{
    auto c = Chunks.Add<TChunktEXt>();
    c->Keyword = keyword;
    c->Text = text;
    return c;
}

TChunkzTXt* TPNGObject::AddzTXt(const std::string& keyword, const std::string& text)
{
    auto c = Chunks.Add<TChunkzTXt>();
    c->Keyword = keyword;
    c->Text = text;
    return c;
}

void TPNGObject::LoadFromStream(TStream& stream)
{
    ClearChunks();
    ResetGamma();
    ResetTempPalette();

    BYTE signature[8];
    if (stream.Read(signature, 8) != 8 || std::memcmp(signature, PngSignature, 8) != 0)
        RaiseError<EPNGInvalidFileHeader>(LoadPngText(EPNGInvalidFileHeaderText));

    bool hasIDAT = false;
    for (int count = 1;; ++count) {
        BYTE head[8];
        if (stream.Read(head, 4) != 4)
            RaiseError<EPngUnexpectedEnd>(LoadPngText(EPNGUnexpectedEndText));
        PngReadExact(this, stream, head + 4, 4);
        DWORD length = GetBE32(head);
        std::string name(reinterpret_cast<const char*>(head + 4), 4);

        if (count == 1 && name != "IHDR")
            RaiseError<EPNGIHDRNotFirst>(LoadPngText(EPNGIHDRNotFirstText));
        // Chunk lengths are limited to 31 bits; anything larger is damage.
        if (length > 0x7FFFFFFFu)
            RaiseError<EPngUnexpectedEnd>(LoadPngText(EPNGUnexpectedEndText));

        if (name == "cHRM" || (name == "IDAT" && hasIDAT)) {
            PngCheckAvailable(this, stream, std::uint64_t(length) + 4);
            stream.Seek(std::int64_t(length) + 4, soCurrent);
            continue;
        }
        if (count > 1 && !KeepsFileValid(name, hasIDAT)) {
            // Read and checked like any chunk but not kept: written back it would make a file
            // that other readers refuse. Only the first header, palette, gamma and colour key
            // count, and only in their places, as for those readers.
            TChunk discarded(this);
            discarded.LoadFromStream(stream, name, length);
            continue;
        }

        std::unique_ptr<TChunk> made = CreateClassChunk(this, name);
        if (made->ClassType() == TChunk::Class() && std::isupper(static_cast<unsigned char>(name[0])))
            RaiseError<EPNGUnknownCriticalChunk>(LoadPngText(EPNGUnknownCriticalChunkText));
        TChunk* chunk = made.get();
        Chunks.AddOwned(std::move(made));
        if (name == "IDAT")
            hasIDAT = true;
        if (!chunk->LoadFromStream(stream, name, length))
            break;
        if (name == "IEND")
            break;
    }
    if (!hasIDAT)
        RaiseError<EPNGNoImageData>(LoadPngText(EPNGNoImageDataText));
    Changed();
}

bool TPNGObject::KeepsFileValid(const std::string& name, bool afterImageData) const
{
    for (char c : name)
        if (!std::isalpha(static_cast<unsigned char>(c)))
            return false;
    auto present = [&](const char* other) {
        for (std::size_t i = 0; i < Chunks.Count(); ++i)
            if (Chunks.GetItem(i)->ChunkName == other)
                return true;
        return false;
    };
    const TChunkIHDR* header = Header();
    const BYTE type = header ? header->ColorType : 0;
    if (name == "IHDR")
        return false;
    if (name == "PLTE")
        return !afterImageData && !present("PLTE") && type != COLOR_GRAYSCALE && type != COLOR_GRAYSCALEALPHA;
    if (name == "gAMA")
        return !afterImageData && !present("gAMA") && !present("PLTE");
    if (name == "tRNS")
        return !afterImageData && !present("tRNS") && (type != COLOR_PALETTE || present("PLTE"));
    return true;
}

void TPNGObject::LoadFromResourceName(TModuleInstance instance, const std::string& name)
{
    const std::vector<BYTE>* data = nullptr;
    if (instance) {
        auto it = instance->RawData.find(name);
        if (it != instance->RawData.end())
            data = &it->second;
    }
    if (!data)
        RaiseError<EPNGCouldNotLoadResource>(LoadPngText(EPNGCouldNotLoadResourceText));
    TMemoryStream stream;
    if (!data->empty())
        stream.Write(data->data(), std::int64_t(data->size()));
    stream.SetPosition(0);
    LoadFromStream(stream);
}

void TPNGObject::LoadFromResourceID(TModuleInstance instance, int resourceId)
{
    std::string name(1, '#');
    name.append(std::to_string(resourceId));
    LoadFromResourceName(instance, name);
}

void TPNGObject::SaveToStream(TStream& stream) const
{
    stream.WriteBuffer(PngSignature, 8);
    for (std::size_t i = 0; i < Chunks.Count(); ++i)
        Chunks.GetItem(i)->SaveToStream(stream);
}

void TPNGObject::AssignPNG(const TPNGObject& source)
{
    if (&source == this)
        return;
    InterlaceMethod = source.InterlaceMethod;
    SetMaxIdatSize(source.MaxIdatSize());
    SetCompressionLevel(source.CompressionLevel());
    Filters = source.Filters;
    // The gamma tables belong to the pixels that were mapped through them.
    std::memcpy(GammaTable, source.GammaTable, 256);
    std::memcpy(InverseGamma, source.InverseGamma, 256);

    ClearChunks();
    ResetTempPalette();
    Chunks.SetSize(source.Chunks.Count());
    for (std::size_t i = 0; i < source.Chunks.Count(); ++i) {
        const TChunk* from = source.Chunks.GetItem(i);
        std::unique_ptr<TChunk> chunk = from->ClassType()->Create(this);
        TChunk* raw = chunk.release();
        Chunks.SetItem(i, raw);
        raw->Assign(*from);
    }
    Changed();
}

void TPNGObject::Assign(const TPersistent& source)
{
    if (auto png = dynamic_cast<const TPNGObject*>(&source)) {
        AssignPNG(*png);
    } else if (auto bmp = dynamic_cast<const TBitmap*>(&source)) {
        AssignHandle(*bmp, bmp->Transparent(), ColorToRGB(bmp->TransparentColor()));
    } else {
        TGraphic::Assign(source);
    }
}

// ---------------------------------------------------------------------------------------
// IHDR

TChunkIHDR::TChunkIHDR(TPNGObject* owner) : TChunk(owner) {}

TChunkIHDR::~TChunkIHDR() { FreeImageData(); }

void TChunkIHDR::FreeImageData()
{
    std::vector<BYTE>().swap(ImageData);
    std::vector<BYTE>().swap(ImageAlpha);
}

void TChunkIHDR::PrepareImageData()
{
    FreeImageData();
    if (std::uint64_t(Width) * Height > PngMaxPixels)
        Owner->RaiseError<EPNGOutMemory>(LoadPngText(EPNGOutMemoryText));

    int bpp = 8;
    HasPalette = true;
    switch (ColorType) {
    case COLOR_GRAYSCALE:
    case COLOR_PALETTE:
        bpp = BitDepth == 2 ? 4 : BitDepth > 8 ? 8 : BitDepth;
        if (bpp != 1 && bpp != 4)
            bpp = 8;
        break;
    case COLOR_RGB:
    case COLOR_RGBALPHA:
        bpp = 24;
        HasPalette = false;
        break;
    case COLOR_GRAYSCALEALPHA:
    default:
        bpp = 8;
        break;
    }
    BitmapInfo = TPngBitmapInfo{};
    TBitmapInfoHeader& h = BitmapInfo.bmiHeader;
    h.biSize = sizeof(TBitmapInfoHeader);
    h.biWidth = LONG(Width);
    h.biHeight = LONG(Height);
    h.biPlanes = 1;
    h.biBitCount = WORD(bpp);
    h.biCompression = BI_RGB;
    BytesPerRow = DWORD(DIBBytesPerRow(Width, bpp));
    try {
        ImageData.assign(std::size_t(BytesPerRow) * Height, 0);
        if (ColorType == COLOR_GRAYSCALEALPHA || ColorType == COLOR_RGBALPHA)
            ImageAlpha.assign(std::size_t(Width) * Height, 0);
    } catch (const std::bad_alloc&) {
        FreeImageData();
        Owner->RaiseError<EPNGOutMemory>(LoadPngText(EPNGOutMemoryText));
    }
    if (ColorType == COLOR_GRAYSCALE || ColorType == COLOR_GRAYSCALEALPHA)
        PreparePalette();
    Owner->ResetTempPalette();
}

void TChunkIHDR::PreparePalette()
{
    int n = 1 << DibBitsPerPixel();
    if (n > 256)
        return;
    for (int k = 0; k < n; ++k) {
        BYTE v = Owner->GammaTable[MulDiv(k, 255, n - 1)];
        BitmapInfo.bmiColors[k] = TRGBQuad{v, v, v, 0};
    }
}

void TChunkIHDR::Assign(const TChunk& source)
{
    if (source.ClassType() != Class())
        Owner->RaiseError<EPngError>(LoadPngText(EPNGCannotAssignChunkText));
    TChunk::Assign(source);
    const auto& s = static_cast<const TChunkIHDR&>(source);
    Width = s.Width;
    Height = s.Height;
    BitDepth = s.BitDepth;
    ColorType = s.ColorType;
    CompressionMethod = s.CompressionMethod;
    FilterMethod = s.FilterMethod;
    InterlaceMethod = s.InterlaceMethod;
    PrepareImageData();
    if (s.ImageData.size() == ImageData.size())
        ImageData = s.ImageData;
    if (s.ImageAlpha.size() == ImageAlpha.size())
        ImageAlpha = s.ImageAlpha;
    std::memcpy(BitmapInfo.bmiColors, s.BitmapInfo.bmiColors, sizeof BitmapInfo.bmiColors);
}

bool TChunkIHDR::LoadFromStream(TStream& stream, const std::string& name, DWORD size)
{
    TChunk::LoadFromStream(stream, name, size);
    if (DataSize < 13)
        Owner->RaiseError<EPngInvalidIHDR>(LoadPngText(EPNGInvalidIHDRText));
    const BYTE* d = Data.data();
    Width = GetBE32(d);
    Height = GetBE32(d + 4);
    BitDepth = d[8];
    ColorType = d[9];
    CompressionMethod = d[10];
    FilterMethod = d[11];
    InterlaceMethod = d[12];
    // A repeated header is kept as read; only the first one describes the image.
    if (Owner->Header() != this)
        return true;
    if (Width == 0 || Height == 0)
        Owner->RaiseError<EPngInvalidIHDR>(LoadPngText(EPNGInvalidIHDRText));
    if (Width >= 65536 || Height >= 65536)
        Owner->RaiseError<EPNGSizeExceeds>(LoadPngText(EPNGSizeExceedsText));
    if (CompressionMethod != 0)
        Owner->RaiseError<EPNGUnknownCompression>(LoadPngText(EPNGUnknownCompressionText));
    if (InterlaceMethod > 1)
        Owner->RaiseError<EPNGUnknownInterlace>(LoadPngText(EPNGUnknownInterlaceText));
    if (!ValidColorAndDepth(ColorType, BitDepth))
        Owner->RaiseError<EPngInvalidIHDR>(LoadPngText(EPNGInvalidIHDRText));
    Owner->InterlaceMethod = InterlaceMethod == 1 ? imAdam7 : imNone;
    CheckDescribedByImageData(stream);
    PrepareImageData();
    return true;
}

namespace {

struct TImageDataAhead {
    std::uint64_t Bytes = 0; // compressed bytes present in the first run of IDAT chunks
    bool Cut = true;         // the stream ends before a chunk that follows the run, or IEND
};

// The first run of IDAT chunks after the stream's position, found by walking the chunk frames
// only; the position is put back.
TImageDataAhead ImageDataAhead(TStream& stream)
{
    const std::int64_t start = stream.Position();
    const std::int64_t size = stream.Size();
    TImageDataAhead ahead;
    bool inData = false;
    std::int64_t pos = start;
    BYTE head[8];
    while (pos >= 0 && size - pos >= 8) {
        stream.SetPosition(pos);
        if (stream.Read(head, 8) != 8)
            break;
        const std::int64_t length = GetBE32(head);
        const bool idat = std::memcmp(head + 4, "IDAT", 4) == 0;
        if (idat) {
            inData = true;
            ahead.Bytes += std::uint64_t(std::min<std::int64_t>(length, size - pos - 8));
        } else if (inData || std::memcmp(head + 4, "IEND", 4) == 0) {
            ahead.Cut = false;
            break;
        }
        pos += 8 + length + 4;
    }
    stream.SetPosition(start);
    return ahead;
}

} // namespace

void TChunkIHDR::CheckDescribedByImageData(TStream& stream)
{
    // Deflate makes at most about 1032 bytes of one, so image data too short to fill the
    // pixels by a wide margin is a header asking for memory it has no use for. The margin
    // leaves small damaged files to the errors that describe their damage.
    constexpr std::uint64_t MaxInflateRatio = 1032;
    constexpr std::uint64_t Margin = 1 << 16;
    int samples = 1;
    switch (ColorType) {
    case COLOR_RGB: samples = 3; break;
    case COLOR_GRAYSCALEALPHA: samples = 2; break;
    case COLOR_RGBALPHA: samples = 4; break;
    default: break;
    }
    const std::uint64_t pixelBytes = std::uint64_t(Width) * Height * std::uint64_t(samples) * BitDepth / 8;
    if (pixelBytes <= Margin)
        return;
    const TImageDataAhead ahead = ImageDataAhead(stream);
    if (pixelBytes - Margin <= ahead.Bytes * MaxInflateRatio)
        return;
    // Too little data because the file ends inside it: the file is cut, whatever it asks for.
    if (ahead.Cut)
        Owner->RaiseError<EPngUnexpectedEnd>(LoadPngText(EPNGUnexpectedEndText));
    Owner->RaiseError<EPNGOutMemory>(LoadPngText(EPNGOutMemoryText));
}

bool TChunkIHDR::SaveToStream(TStream& stream)
{
    if (BitDepth == 2 && Owner->Header() == this) {
        // There is no 2-bit writer: the 4-bit DIB is written as a 4-bit image, and a grey
        // key level has to follow its pixels.
        BitDepth = 4;
        if (ColorType == COLOR_GRAYSCALE)
            if (auto trns = Owner->Chunks.ItemFromClass<TChunktRNS>(); trns && trns->DataSize >= 2) {
                unsigned v = ((unsigned(trns->Data[0]) << 8) | trns->Data[1]) * 5u;
                trns->Data[0] = BYTE(v >> 8);
                trns->Data[1] = BYTE(v);
            }
    }
    InterlaceMethod = Owner->InterlaceMethod == imAdam7 ? 1 : 0;
    BYTE d[13];
    PutBE32(d, Width);
    PutBE32(d + 4, Height);
    d[8] = BitDepth;
    d[9] = ColorType;
    d[10] = CompressionMethod;
    d[11] = FilterMethod;
    d[12] = InterlaceMethod;
    WriteChunk(stream, d, 13);
    return true;
}
