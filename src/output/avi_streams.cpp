// The streams' calls, compressing streams made over raw ones, and the choice of compressor.
#include "output/avi_file_objects.h"

// ---- The stream calls ------------------------------------------------------------------------

HRESULT AVIFileCreateStreamA(PAVIFILE file, PAVISTREAM* stream, const AVISTREAMINFOA* info)
{
    if (!file)
        return AVIERR_BADHANDLE;
    if (!stream || !info)
        return AVIERR_BADPARAM;
    *stream = nullptr;
    if (info->fccType != streamtypeVIDEO && info->fccType != streamtypeAUDIO)
        return AVIERR_UNSUPPORTED;
    if (info->dwScale == 0 || info->dwRate == 0)
        return AVIERR_BADPARAM;
    if (file->Streams.size() >= MaxStreams || file->HeaderSize(1, 0) > HeaderLimit)
        return AVIERR_BADSIZE;
    auto s = std::make_unique<TRawStream>();
    s->File = file;
    s->Number = unsigned(file->Streams.size());
    s->Info = *info;
    s->Info.dwLength = 0;
    *stream = s.get();
    file->Streams.push_back(std::move(s));
    ++file->References;
    return AVIERR_OK;
}

HRESULT AVIStreamSetFormat(PAVISTREAM stream, LONG position, const void* format, LONG formatSize)
{
    if (!stream)
        return AVIERR_BADHANDLE;
    return stream->SetFormat(position, format, formatSize);
}

HRESULT AVIStreamWrite(PAVISTREAM stream, LONG start, LONG samples, const void* buffer, LONG bufferSize, DWORD flags,
                       LONG* samplesWritten, LONG* bytesWritten)
{
    if (samplesWritten)
        *samplesWritten = 0;
    if (bytesWritten)
        *bytesWritten = 0;
    if (!stream)
        return AVIERR_BADHANDLE;
    return stream->Write(start, samples, buffer, bufferSize, flags, samplesWritten, bytesWritten);
}

DWORD AVIStreamAddRef(PAVISTREAM stream)
{
    return stream ? ++stream->References : 0;
}

DWORD AVIStreamRelease(PAVISTREAM stream)
{
    if (!stream || stream->References == 0)
        return 0;
    if (--stream->References)
        return stream->References;
    stream->LastReleased();
    return 0;
}

HRESULT AVIMakeCompressedStream(PAVISTREAM* compressed, PAVISTREAM source, const AVICOMPRESSOPTIONS* options,
                                const void* classId)
{
    if (!compressed)
        return AVIERR_BADPARAM;
    *compressed = nullptr;
    if (!source)
        return AVIERR_BADHANDLE;
    TRawStream* raw = source->Raw();
    if (!raw || raw->Info.fccType != streamtypeVIDEO || classId)
        return AVIERR_UNSUPPORTED;
    AVICOMPRESSOPTIONS plain;
    plain.fccType = streamtypeVIDEO;
    plain.fccHandler = comptypeDIB;
    // Zeroed options ask for no compressor at all.
    const AVICOMPRESSOPTIONS& chosen = options && options->fccHandler ? *options : plain;
    auto encoder = MakeAviEncoder(chosen);
    if (!encoder)
        return AVIERR_NOCOMPRESSOR;
    const FOURCC handler = AviCompressors()[std::size_t(AviCompressorIndex(chosen.fccHandler))].Handler;
    *compressed = new TCompressedStream(raw, std::move(encoder), handler);
    return AVIERR_OK;
}

// ---- The compressor choice -------------------------------------------------------------------

namespace {

class TAnswerOk final : public TAviSaveOptionsChooser {
public:
    bool Choose(void*, PAVISTREAM, AVICOMPRESSOPTIONS& options) override
    {
        options.fccType = streamtypeVIDEO;
        options.fccHandler = AviCompressors()[std::size_t(AviCompressorInitialIndex(options))].Handler;
        return true;
    }
};

TAnswerOk defaultChooser;
TAviSaveOptionsChooser* chooser = &defaultChooser;

} // namespace

TAviSaveOptionsChooser& AviSaveOptionsChooser() { return *chooser; }
void SetAviSaveOptionsChooser(TAviSaveOptionsChooser* c) { chooser = c ? c : &defaultChooser; }

BOOL AVISaveOptions(void* owner, UINT, int streamCount, PAVISTREAM* streams, AVICOMPRESSOPTIONS** options)
{
    if (streamCount <= 0 || !streams || !options)
        return 0;
    for (int i = 0; i < streamCount; ++i) {
        if (!streams[i] || !options[i])
            return 0;
        if (!chooser->Choose(owner, streams[i], *options[i]))
            return 0;
    }
    return 1;
}

// Our options own nothing, so there is nothing to free; the call stays so that every
// choice is paired with it as the writer expects.
HRESULT AVISaveOptionsFree(int, AVICOMPRESSOPTIONS**) { return AVIERR_OK; }
