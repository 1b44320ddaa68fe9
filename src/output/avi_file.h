#pragma once
// Our own AVI file service: a RIFF 'AVI ' (version 1.0) writer behind the handful of calls
// the AVI writer makes — open a file, add streams, set their formats, append samples through
// an optional compressor, release. Frames go straight to disk as they come; the headers and
// the index are finished when the file is released. Nothing here needs Qt.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "output/wave_file.h"
#include "platform/dib.h"
#include "platform/types.h"

using HRESULT = std::int32_t;
using FOURCC = DWORD;

constexpr FOURCC MakeFourCC(char a, char b, char c, char d)
{
    return FOURCC(BYTE(a)) | FOURCC(BYTE(b)) << 8 | FOURCC(BYTE(c)) << 16 | FOURCC(BYTE(d)) << 24;
}
constexpr FOURCC streamtypeVIDEO = MakeFourCC('v', 'i', 'd', 's');
constexpr FOURCC streamtypeAUDIO = MakeFourCC('a', 'u', 'd', 's');
constexpr FOURCC comptypeDIB = MakeFourCC('D', 'I', 'B', ' ');
constexpr FOURCC comptypeMJPG = MakeFourCC('M', 'J', 'P', 'G');

// Result codes.
constexpr HRESULT AVIERR_OK = 0;
constexpr HRESULT REGDB_E_CLASSNOTREG = HRESULT(0x80040154);
constexpr HRESULT AVIERR_UNSUPPORTED = HRESULT(0x80044065);
constexpr HRESULT AVIERR_BADFORMAT = HRESULT(0x80044066);
constexpr HRESULT AVIERR_MEMORY = HRESULT(0x80044067);
constexpr HRESULT AVIERR_INTERNAL = HRESULT(0x80044068);
constexpr HRESULT AVIERR_BADFLAGS = HRESULT(0x80044069);
constexpr HRESULT AVIERR_BADPARAM = HRESULT(0x8004406A);
constexpr HRESULT AVIERR_BADSIZE = HRESULT(0x8004406B);
constexpr HRESULT AVIERR_BADHANDLE = HRESULT(0x8004406C);
constexpr HRESULT AVIERR_FILEREAD = HRESULT(0x8004406D);
constexpr HRESULT AVIERR_FILEWRITE = HRESULT(0x8004406E);
constexpr HRESULT AVIERR_FILEOPEN = HRESULT(0x8004406F);
constexpr HRESULT AVIERR_COMPRESSOR = HRESULT(0x80044070);
constexpr HRESULT AVIERR_NOCOMPRESSOR = HRESULT(0x80044071);
constexpr HRESULT AVIERR_READONLY = HRESULT(0x80044072);
constexpr HRESULT AVIERR_NODATA = HRESULT(0x80044073);
constexpr HRESULT AVIERR_BUFFERTOOSMALL = HRESULT(0x80044074);
constexpr HRESULT AVIERR_CANTCOMPRESS = HRESULT(0x80044075);
constexpr HRESULT AVIERR_USERABORT = HRESULT(0x800440C6);
constexpr HRESULT AVIERR_ERROR = HRESULT(0x800440C7);

// Open modes.
constexpr UINT OF_READ = 0x0000;
constexpr UINT OF_WRITE = 0x0001;
constexpr UINT OF_CREATE = 0x1000;

// Sample flags.
constexpr DWORD AVIIF_KEYFRAME = 0x10;

#pragma pack(push, 1)
// What a new stream is made from.
struct AVISTREAMINFOA {
    FOURCC fccType = 0;
    FOURCC fccHandler = 0;
    DWORD dwFlags = 0;
    WORD wPriority = 0;
    WORD wLanguage = 0;
    DWORD dwScale = 0;
    DWORD dwRate = 0;              // samples per second = dwRate / dwScale
    DWORD dwStart = 0;
    DWORD dwLength = 0;
    DWORD dwInitialFrames = 0;
    DWORD dwSuggestedBufferSize = 0;
    DWORD dwQuality = 0;           // 0..10000; 0xFFFFFFFF: the default
    DWORD dwSampleSize = 0;        // 0: one sample per chunk
    TRect rcFrame;
    char szName[64] = {};
};

// What the compressor choice fills in.
struct AVICOMPRESSOPTIONS {
    FOURCC fccType = 0;
    FOURCC fccHandler = 0;
    DWORD dwKeyFrameEvery = 0;
    DWORD dwQuality = 0;           // 0..10000; 0: the compressor's default
    DWORD dwBytesPerSecond = 0;
    DWORD dwFlags = 0;
    DWORD dwInterleaveEvery = 0;
};
#pragma pack(pop)

struct TAviFileObject;
struct TAviStreamObject;
using PAVIFILE = TAviFileObject*;
using PAVISTREAM = TAviStreamObject*;

// Counted; the service needs no global set-up, so these only keep the calls balanced.
void AVIFileInit();
void AVIFileExit();

// Creates (or truncates) fileName for writing; mode must hold OF_WRITE, handler must be null.
HRESULT AVIFileOpenA(PAVIFILE* file, const char* fileName, UINT mode, const void* handler);
// Adds a video or audio stream; streams are numbered in the order they are made.
HRESULT AVIFileCreateStreamA(PAVIFILE file, PAVISTREAM* stream, const AVISTREAMINFOA* info);
// The last reference writes the index and the final headers and closes the file; when that
// fails, finishResult (if given) receives AVIERR_FILEWRITE. Answers the references left.
DWORD AVIFileRelease(PAVIFILE file, HRESULT* finishResult = nullptr);

// A stream's format, once, at sample 0: a bitmap information header (+ colour table) for
// video, a wave format for audio. Through a compressed stream: the format of what will be
// written to it, from which the compressor makes the stored one.
HRESULT AVIStreamSetFormat(PAVISTREAM stream, LONG position, const void* format, LONG formatSize);
// Appends samples at the stream's end (start must be its current length).
HRESULT AVIStreamWrite(PAVISTREAM stream, LONG start, LONG samples, const void* buffer, LONG bufferSize,
                       DWORD flags, LONG* samplesWritten, LONG* bytesWritten);
DWORD AVIStreamRelease(PAVISTREAM stream);
DWORD AVIStreamAddRef(PAVISTREAM stream);

// A stream that compresses the frames written to it with options->fccHandler ("DIB " writes
// them unchanged) and hands them to source; it holds a reference to source.
HRESULT AVIMakeCompressedStream(PAVISTREAM* compressed, PAVISTREAM source, const AVICOMPRESSOPTIONS* options,
                                const void* classId);

// ---- Compressors -----------------------------------------------------------------------------

struct TAviCompressorInfo {
    FOURCC Handler;
    std::string Name;
};
// The compressors on offer; the first is always the uncompressed "DIB ".
const std::vector<TAviCompressorInfo>& AviCompressors();
// Index of a handler (letters compared without case), -1 when there is no such compressor.
int AviCompressorIndex(FOURCC handler);
// The entry a choice opens on: the preselected handler when it is on offer, else the first.
int AviCompressorInitialIndex(const AVICOMPRESSOPTIONS& options);

// ---- The compressor choice -------------------------------------------------------------------

// Shows the choice for one stream, options preselected; fills them in and answers true on
// OK, false when cancelled. The program installs a dialog; without one the choice is
// answered OK with the entry it opens on.
class TAviSaveOptionsChooser {
public:
    virtual ~TAviSaveOptionsChooser() = default;
    virtual bool Choose(void* owner, PAVISTREAM stream, AVICOMPRESSOPTIONS& options) = 0;
};
TAviSaveOptionsChooser& AviSaveOptionsChooser();
void SetAviSaveOptionsChooser(TAviSaveOptionsChooser* chooser); // nullptr restores the default

BOOL AVISaveOptions(void* owner, UINT flags, int streamCount, PAVISTREAM* streams, AVICOMPRESSOPTIONS** options);
HRESULT AVISaveOptionsFree(int streamCount, AVICOMPRESSOPTIONS** options);

// ---- Limits ----------------------------------------------------------------------------------

// RIFF sizes are 32-bit: a write that would take the file, its index included, past this
// many bytes fails with AVIERR_FILEWRITE instead of wrapping them. Answers the old limit.
std::uint64_t SetAviFileSizeLimit(std::uint64_t bytes);
constexpr std::uint64_t AviDefaultFileSizeLimit = 0xFFFFFFFFull;
