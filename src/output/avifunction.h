#pragma once
// The AVI writer: one video stream of equally long frames, compressed or not, and at most
// one audio stream taken whole from a WAV file, written through our AVI file service.
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "output/avi_file.h"
#include "output/wave_file.h"
#include "platform/bitmap.h"

// A device-independent bitmap section: header, colour table and pixel bits (rows padded to
// 4 bytes, bottom-up for a positive height).
struct TDibSection {
    TBitmapInfoHeader Info;
    std::vector<TRGBQuad> Colors;
    std::vector<BYTE> Bits;
};

struct AviWriter {
    PAVIFILE file = nullptr;
    WAVEFORMATEX waveFormat;
    int framePeriod = 0;
    PAVISTREAM audioStream = nullptr;
    PAVISTREAM videoStream = nullptr;
    PAVISTREAM compressedStream = nullptr;
    DWORD frameCount = 0;
    DWORD sampleCount = 0;
    bool failed = false;
};

// The source of AviWriterAddWave.
constexpr DWORD AVI_WAVE_MEMORY = 0x4;      // a WAV image in memory
constexpr DWORD AVI_WAVE_FILENAME = 0x20000; // a file name

// Creates fileName for writing; framePeriod is milliseconds per frame, at least 1. nullptr
// when the period is below 1 ms or the file cannot be created.
AviWriter* AviWriterOpen(const std::string& fileName, int framePeriod, const WAVEFORMATEX* audioFormat);
// Makes the video stream and the stream frames are compressed through, from the frame's
// format; options nullptr means zeroed ones. With showChoice the compressor choice is asked
// first (owner is the window it belongs to); cancelling it gives AVIERR_USERABORT.
HRESULT AviWriterSetCompression(AviWriter* writer, const TDibSection* frame, const AVICOMPRESSOPTIONS* options,
                                bool showChoice, void* owner);
// Appends one key frame; the first one without SetCompression makes an uncompressed stream.
HRESULT AviWriterAddFrame(AviWriter* writer, const TDibSection* frame);
// Adds a whole WAV as the audio stream. flags: AVI_WAVE_FILENAME (source is a file name,
// const char*) or AVI_WAVE_MEMORY (source is the image, imageSize bytes long).
HRESULT AviWriterAddWave(AviWriter* writer, const void* source, DWORD flags, std::size_t imageSize = 0);
// Finishes the file and frees the writer. 0, AVIERR_BADHANDLE for nullptr, or AVIERR_FILEWRITE
// when the index or the headers could not be written.
HRESULT AviWriterClose(AviWriter* writer);

// The English text of a result code.
std::string AviResultText(HRESULT code);

// A DIB section with a copy of the bitmap's pixels: 24 bits per pixel when the screen has 3
// bytes per pixel, else 32. nullptr when the bitmap is empty or too large.
std::unique_ptr<TDibSection> MakeDibSection(const TBitmap& bitmap, int screenDepthBytes);

// The project-size canvas of one frame: white, with the frame copied in at its origin, in
// the pixel format of the section it becomes.
TBitmap ComposeAviFrame(const TBitmap& frame, TPoint origin, int frameWidth, int frameHeight, int screenDepthBytes);

// The length of a WAV file in milliseconds, -1 on failure (reported in a message box) or
// when the length cannot be computed.
int WaveDurationMs(const std::string& fileName);
