#include "output/avifunction.h"

#include <cstdio>
#include <cstring>
#include <new>

#include "platform/blit.h"

namespace {

// What the platform asked of a bitmap before taking it as a DIB section: a header that
// describes the pixels that are really there.
bool IsDibSection(const TDibSection* frame)
{
    if (!frame)
        return false;
    const TBitmapInfoHeader& h = frame->Info;
    if (h.biSize != sizeof(TBitmapInfoHeader) || h.biWidth <= 0 || h.biHeight == 0 || h.biHeight == INT32_MIN ||
        h.biPlanes != 1 || h.biCompression != BI_RGB)
        return false;
    const std::int64_t rows = h.biHeight < 0 ? -std::int64_t(h.biHeight) : h.biHeight;
    const std::int64_t bytes = DIBBytesPerRow(h.biWidth, h.biBitCount) * rows;
    return bytes > 0 && h.biSizeImage >= bytes && frame->Bits.size() >= h.biSizeImage &&
           frame->Colors.size() >= h.biClrUsed;
}

// The stored format: header then the colours it says it uses.
std::vector<BYTE> FrameFormat(const TDibSection& frame)
{
    std::vector<BYTE> format(sizeof frame.Info + 4 * std::size_t(frame.Info.biClrUsed));
    std::memcpy(format.data(), &frame.Info, sizeof frame.Info);
    if (frame.Info.biClrUsed)
        std::memcpy(format.data() + sizeof frame.Info, frame.Colors.data(), 4 * std::size_t(frame.Info.biClrUsed));
    return format;
}

HRESULT Fail(AviWriter* writer, HRESULT code)
{
    writer->failed = true;
    return code;
}

// What every call that takes a frame checks first: a writer, a frame, and no earlier failure.
HRESULT CheckFrameCall(const AviWriter* writer, const TDibSection* frame)
{
    if (!writer)
        return AVIERR_BADHANDLE;
    if (!IsDibSection(frame))
        return AVIERR_BADPARAM;
    if (writer->failed)
        return AVIERR_ERROR;
    return AVIERR_OK;
}

HRESULT MakeVideoStream(AviWriter* writer, const TDibSection& frame)
{
    if (writer->videoStream)
        return AVIERR_OK;
    AVISTREAMINFOA info;
    info.fccType = streamtypeVIDEO;
    info.dwScale = DWORD(writer->framePeriod);
    info.dwRate = 1000;
    info.dwSuggestedBufferSize = frame.Info.biSizeImage;
    info.rcFrame = Rect(0, 0, frame.Info.biWidth, frame.Info.biHeight < 0 ? -frame.Info.biHeight : frame.Info.biHeight);
    return AVIFileCreateStreamA(writer->file, &writer->videoStream, &info);
}

HRESULT MakeCompressedStream(AviWriter* writer, const TDibSection& frame, const AVICOMPRESSOPTIONS& options)
{
    HRESULT hr = AVIMakeCompressedStream(&writer->compressedStream, writer->videoStream, &options, nullptr);
    if (hr != AVIERR_OK)
        return hr;
    const std::vector<BYTE> format = FrameFormat(frame);
    return AVIStreamSetFormat(writer->compressedStream, 0, format.data(), LONG(format.size()));
}

// Reads a whole file into memory; the file-open code when it cannot be opened or read.
HRESULT ReadWholeFile(const char* name, std::vector<BYTE>& bytes)
{
    std::FILE* f = std::fopen(name, "rb");
    if (!f)
        return AVIERR_FILEOPEN;
    HRESULT hr = AVIERR_OK;
    if (std::fseek(f, 0, SEEK_END) != 0) {
        hr = AVIERR_FILEREAD;
    } else {
        const long size = std::ftell(f);
        try {
            bytes.resize(size > 0 ? std::size_t(size) : 0);
        } catch (const std::bad_alloc&) {
            hr = AVIERR_MEMORY;
        }
        if (hr == AVIERR_OK && (std::fseek(f, 0, SEEK_SET) != 0 ||
                                std::fread(bytes.data(), 1, bytes.size(), f) != bytes.size()))
            hr = AVIERR_FILEREAD;
    }
    std::fclose(f);
    return hr;
}

} // namespace

AviWriter* AviWriterOpen(const std::string& fileName, int framePeriod, const WAVEFORMATEX* audioFormat)
{
    // A period below a millisecond has no frame rate the stream header can carry.
    if (framePeriod < 1)
        return nullptr;
    AVIFileInit();
    PAVIFILE file = nullptr;
    if (AVIFileOpenA(&file, fileName.c_str(), OF_WRITE | OF_CREATE, nullptr) != AVIERR_OK) {
        AVIFileExit();
        return nullptr;
    }
    auto* writer = new AviWriter;
    writer->file = file;
    if (audioFormat)
        writer->waveFormat = *audioFormat;
    writer->framePeriod = framePeriod;
    return writer;
}

HRESULT AviWriterSetCompression(AviWriter* writer, const TDibSection* frame, const AVICOMPRESSOPTIONS* options,
                                bool showChoice, void* owner)
{
    if (const HRESULT checked = CheckFrameCall(writer, frame); checked != AVIERR_OK)
        return checked;
    if (writer->compressedStream)
        return AVIERR_COMPRESSOR;
    HRESULT hr = MakeVideoStream(writer, *frame);
    if (hr != AVIERR_OK)
        return Fail(writer, hr);
    AVICOMPRESSOPTIONS chosen;
    if (options)
        chosen = *options;
    AVICOMPRESSOPTIONS* list[1] = {&chosen};
    if (showChoice && !AVISaveOptions(owner, 0, 1, &writer->videoStream, list)) {
        AVISaveOptionsFree(1, list);
        return Fail(writer, AVIERR_USERABORT);
    }
    hr = MakeCompressedStream(writer, *frame, chosen);
    AVISaveOptionsFree(1, list);
    if (hr != AVIERR_OK)
        return Fail(writer, hr);
    return AVIERR_OK;
}

HRESULT AviWriterAddFrame(AviWriter* writer, const TDibSection* frame)
{
    if (const HRESULT checked = CheckFrameCall(writer, frame); checked != AVIERR_OK)
        return checked;
    HRESULT hr = MakeVideoStream(writer, *frame);
    if (hr != AVIERR_OK)
        return Fail(writer, hr);
    if (!writer->compressedStream) {
        AVICOMPRESSOPTIONS plain;
        plain.fccType = streamtypeVIDEO;
        plain.fccHandler = comptypeDIB;
        hr = MakeCompressedStream(writer, *frame, plain);
        if (hr != AVIERR_OK)
            return Fail(writer, hr);
    }
    hr = AVIStreamWrite(writer->compressedStream, LONG(writer->frameCount), 1, frame->Bits.data(),
                        LONG(frame->Info.biSizeImage), AVIIF_KEYFRAME, nullptr, nullptr);
    if (hr != AVIERR_OK)
        return Fail(writer, hr);
    ++writer->frameCount;
    return AVIERR_OK;
}

HRESULT AviWriterAddWave(AviWriter* writer, const void* source, DWORD flags, std::size_t imageSize)
{
    if (!writer)
        return AVIERR_BADHANDLE;
    if (flags != AVI_WAVE_MEMORY && flags != AVI_WAVE_FILENAME)
        return AVIERR_BADFLAGS;
    if (!source)
        return AVIERR_BADPARAM;
    if (writer->failed)
        return AVIERR_ERROR;

    std::vector<BYTE> fileImage;
    const BYTE* image = static_cast<const BYTE*>(source);
    if (flags == AVI_WAVE_FILENAME) {
        const HRESULT hr = ReadWholeFile(static_cast<const char*>(source), fileImage);
        if (hr != AVIERR_OK)
            return Fail(writer, hr);
        image = fileImage.data();
        imageSize = fileImage.size();
    }
    // The chunks are walked rather than read at the offsets of the plainest layout, so that
    // a LIST chunk or a longer format chunk in front of the data is no obstacle.
    TWaveMemorySource bytes(image, imageSize);
    TWaveLayout layout;
    if (ReadWaveLayout(bytes, layout) != 0 || CheckWaveFormat(layout.Format) != 0)
        return AVIERR_BADFORMAT;
    WAVEFORMATEX format = layout.Format;
    format.cbSize = 0;
    if (writer->waveFormat.nChannels == 0)
        writer->waveFormat = format;
    else if (!(writer->waveFormat == format))
        return AVIERR_BADFORMAT;

    if (!writer->audioStream) {
        AVISTREAMINFOA info;
        info.fccType = streamtypeAUDIO;
        info.dwScale = format.nBlockAlign;
        info.dwRate = format.nSamplesPerSec * format.nBlockAlign;
        info.dwSampleSize = format.nBlockAlign;
        info.dwQuality = 0xFFFFFFFF;
        HRESULT hr = AVIFileCreateStreamA(writer->file, &writer->audioStream, &info);
        if (hr != AVIERR_OK)
            return Fail(writer, hr);
        hr = AVIStreamSetFormat(writer->audioStream, 0, &writer->waveFormat, LONG(sizeof writer->waveFormat));
        if (hr != AVIERR_OK)
            return Fail(writer, hr);
    }
    // Whole blocks only: a torn last block would make the stream's length and bytes disagree.
    const DWORD samples = layout.DataSize / format.nBlockAlign;
    const std::uint64_t bytesToWrite = std::uint64_t(samples) * format.nBlockAlign;
    if (bytesToWrite > 0x7FFFFFFF)
        return Fail(writer, AVIERR_FILEWRITE);
    const HRESULT hr = AVIStreamWrite(writer->audioStream, LONG(writer->sampleCount), LONG(samples),
                                      image + layout.DataOffset, LONG(bytesToWrite), 0, nullptr, nullptr);
    fileImage = {};
    if (hr != AVIERR_OK)
        return Fail(writer, hr);
    writer->sampleCount += samples;
    return AVIERR_OK;
}

HRESULT AviWriterClose(AviWriter* writer)
{
    if (!writer)
        return AVIERR_BADHANDLE;
    if (writer->audioStream)
        AVIStreamRelease(writer->audioStream);
    if (writer->compressedStream)
        AVIStreamRelease(writer->compressedStream);
    if (writer->videoStream)
        AVIStreamRelease(writer->videoStream);
    HRESULT finished = AVIERR_OK;
    AVIFileRelease(writer->file, &finished);
    AVIFileExit();
    delete writer;
    return finished;
}

std::string AviResultText(HRESULT code)
{
    switch (code) {
    case AVIERR_OK: return "Success";
    case REGDB_E_CLASSNOTREG: return "File type not recognised.";
    case AVIERR_UNSUPPORTED: return "Compression is not supported for this type of data.";
    case AVIERR_BADFORMAT: return "Corrupt file or unrecognized format. Try to select another codec.";
    case AVIERR_MEMORY: return "Insufficient memory.";
    case AVIERR_INTERNAL: return "Internal error.";
    case AVIERR_BADFLAGS: return "AVIERR_BADFLAGS";
    case AVIERR_BADPARAM: return "AVIERR_BADPARAM";
    case AVIERR_BADSIZE: return "AVIERR_BADSIZE";
    case AVIERR_BADHANDLE: return "AVIERR_BADHANDLE";
    case AVIERR_FILEREAD: return "Disk error while reading file.";
    case AVIERR_FILEWRITE: return "Disk error while writing file.";
    case AVIERR_FILEOPEN: return "Disk error while opening file.";
    case AVIERR_COMPRESSOR: return "AVIERR_COMPRESSOR";
    case AVIERR_NOCOMPRESSOR: return "A suitable compressor could not be found. Try to select another codec.";
    case AVIERR_READONLY: return "File attribute is read-only.";
    case AVIERR_NODATA: return "AVIERR_NODATA";
    case AVIERR_BUFFERTOOSMALL: return "AVIERR_BUFFERTOOSMALL";
    case AVIERR_CANTCOMPRESS: return "AVIERR_CANTCOMPRESS";
    case AVIERR_USERABORT: return "AVIERR_USERABORT";
    case AVIERR_ERROR: return "AVIERR_ERROR";
    default: return "Unknown avi result code.";
    }
}

std::unique_ptr<TDibSection> MakeDibSection(const TBitmap& bitmap, int screenDepthBytes)
{
    const int bits = screenDepthBytes == 3 ? 24 : 32;
    const int width = bitmap.Width(), height = bitmap.Height();
    if (width <= 0 || height <= 0)
        return nullptr;
    const std::int64_t stride = DIBBytesPerRow(width, bits);
    if (stride * height > 0x7FFFFFFF)
        return nullptr;
    auto dib = std::make_unique<TDibSection>();
    dib->Info.biWidth = width;
    dib->Info.biHeight = height; // bottom-up
    dib->Info.biBitCount = WORD(bits);
    dib->Info.biSizeImage = DWORD(stride * height);
    try {
        if (bitmap.BitsPerPixel() == bits && bitmap.Kind() == (bits == 24 ? pk24 : pk32) &&
            std::int64_t(bitmap.BitsSize()) == stride * height) {
            // Same layout already: bottom row first, rows padded alike.
            dib->Bits.assign(bitmap.Bits(), bitmap.Bits() + bitmap.BitsSize());
        } else {
            TBitmap converted(bitmap);
            converted.SetPixelFormat(bits == 24 ? pf24bit : pf32bit);
            if (std::int64_t(converted.BitsSize()) != stride * height)
                return nullptr;
            dib->Bits.assign(converted.Bits(), converted.Bits() + converted.BitsSize());
        }
    } catch (const std::exception&) {
        return nullptr;
    }
    return dib;
}

TBitmap ComposeAviFrame(const TBitmap& frame, TPoint origin, int frameWidth, int frameHeight, int screenDepthBytes)
{
    if (frameWidth <= 0 || frameHeight <= 0)
        return TBitmap(); // becomes no section, which the caller reports
    // Made in the section's own pixel format, so that turning it into a section is one copy.
    TBitmap canvas(frameWidth, frameHeight, screenDepthBytes == 3 ? pf24bit : pf32bit);
    // A project-size area is asked for: the whole frame bitmap arrives, clipped to both.
    BitBlt(canvas, origin.X, origin.Y, frameWidth, frameHeight, frame, 0, 0, SRCCOPY);
    return canvas;
}
