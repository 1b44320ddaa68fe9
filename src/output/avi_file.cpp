#include "output/avi_file.h"

#include <algorithm>
#include <cstring>
#include <cerrno>
#include <fcntl.h>
#include <sys/uio.h>
#include <unistd.h>

#include "output/avi_compressors.h"

namespace {

int initCount = 0;
std::uint64_t fileSizeLimit = AviDefaultFileSizeLimit;

// The headers are written last, when every length is known, into room kept in front of the
// frames; what they leave of it becomes a JUNK chunk. Two streams with the largest frame
// format (256-colour table) need about 1.4 KB.
constexpr std::uint64_t HeaderRoom = 4096;
constexpr std::uint64_t HeaderLimit = HeaderRoom - 8; // the JUNK chunk's header always fits
constexpr std::uint64_t MoviListAt = HeaderRoom;
constexpr std::uint64_t MoviFourCCAt = MoviListAt + 8;
constexpr std::uint64_t FirstChunkAt = MoviListAt + 12;
constexpr std::size_t MaxStreams = 100; // chunk ids hold two decimal digits

constexpr DWORD AVIF_HASINDEX = 0x10;

// Writes all the pieces at the current position, going on after short writes.
bool WriteAll(int handle, iovec* pieces, int count)
{
    while (count > 0) {
        const ssize_t done = ::writev(handle, pieces, count);
        if (done < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        std::size_t left = std::size_t(done);
        while (count > 0 && left >= pieces->iov_len) {
            left -= pieces->iov_len;
            ++pieces;
            --count;
        }
        if (count > 0) {
            pieces->iov_base = static_cast<char*>(pieces->iov_base) + left;
            pieces->iov_len -= left;
        }
    }
    return true;
}

bool WriteAt(int handle, std::uint64_t offset, const void* data, std::size_t size)
{
    if (::lseek(handle, off_t(offset), SEEK_SET) < 0)
        return false;
    iovec piece{const_cast<void*>(data), size};
    return WriteAll(handle, &piece, 1);
}

class TByteWriter {
public:
    std::vector<BYTE> Bytes;
    void U32(DWORD v)
    {
        for (int i = 0; i < 4; ++i)
            Bytes.push_back(BYTE(v >> (8 * i)));
    }
    void U16(WORD v)
    {
        Bytes.push_back(BYTE(v));
        Bytes.push_back(BYTE(v >> 8));
    }
    void Raw(const void* p, std::size_t n)
    {
        const auto* b = static_cast<const BYTE*>(p);
        Bytes.insert(Bytes.end(), b, b + n);
    }
    std::size_t Mark() const { return Bytes.size(); }
    // Fills in the size of a chunk whose size field sits at mark.
    void EndChunk(std::size_t mark)
    {
        const DWORD size = DWORD(Bytes.size() - mark - 4);
        for (int i = 0; i < 4; ++i)
            Bytes[mark + std::size_t(i)] = BYTE(size >> (8 * i));
        if (size & 1)
            Bytes.push_back(0);
    }
};

} // namespace

// ---- Streams ---------------------------------------------------------------------------------

struct TRawStream;

struct TAviStreamObject {
    DWORD References = 1;
    virtual ~TAviStreamObject() = default;
    virtual TRawStream* Raw() { return nullptr; }
    virtual HRESULT SetFormat(LONG position, const void* format, LONG size) = 0;
    virtual HRESULT Write(LONG start, LONG samples, const void* buffer, LONG size, DWORD flags,
                          LONG* samplesWritten, LONG* bytesWritten) = 0;
    virtual void LastReleased() = 0;
};

struct TAviFileObject {
    DWORD References = 1;
    int Handle = -1;
    std::vector<std::unique_ptr<TRawStream>> Streams;
    struct TIndexEntry {
        FOURCC Id;
        DWORD Flags;
        DWORD Offset; // from the 'movi' code
        DWORD Size;
    };
    std::vector<TIndexEntry> Index;
    std::uint64_t End = FirstChunkAt;
    bool WriteFailed = false;

    std::size_t HeaderSize(std::size_t extraStreams, std::size_t extraFormat) const;
    HRESULT AppendChunk(FOURCC id, const void* data, std::size_t size, DWORD indexFlags);
    bool Finish();
};

struct TRawStream final : TAviStreamObject {
    TAviFileObject* File = nullptr;
    unsigned Number = 0;
    AVISTREAMINFOA Info;
    std::vector<BYTE> Format;
    DWORD Length = 0;
    DWORD LargestChunk = 0;

    TRawStream* Raw() override { return this; }

    HRESULT SetFormat(LONG position, const void* format, LONG size) override
    {
        if (position != 0 || !format || size <= 0)
            return AVIERR_BADPARAM;
        const auto* bytes = static_cast<const BYTE*>(format);
        std::vector<BYTE> wanted(bytes, bytes + size);
        if (!Format.empty())
            return wanted == Format ? AVIERR_OK : AVIERR_UNSUPPORTED; // one format per stream
        if (Info.fccType == streamtypeVIDEO && std::size_t(size) < sizeof(TBitmapInfoHeader))
            return AVIERR_BADFORMAT;
        if (Info.fccType == streamtypeAUDIO && size < 16)
            return AVIERR_BADFORMAT;
        if (File->HeaderSize(0, (std::size_t(size) + 1) & ~std::size_t(1)) > HeaderLimit)
            return AVIERR_BADSIZE;
        Format = std::move(wanted);
        return AVIERR_OK;
    }

    FOURCC ChunkId() const
    {
        char kind[2] = {'w', 'b'};
        if (Info.fccType == streamtypeVIDEO) {
            TBitmapInfoHeader h;
            std::memcpy(&h, Format.data(), sizeof h);
            kind[0] = 'd';
            kind[1] = h.biCompression == BI_RGB ? 'b' : 'c';
        }
        return MakeFourCC(char('0' + Number / 10), char('0' + Number % 10), kind[0], kind[1]);
    }

    HRESULT Write(LONG start, LONG samples, const void* buffer, LONG size, DWORD flags, LONG* samplesWritten,
                  LONG* bytesWritten) override
    {
        if (samples < 0 || size < 0 || (size > 0 && !buffer))
            return AVIERR_BADPARAM;
        if (DWORD(start) != Length)
            return AVIERR_BADPARAM; // samples are only ever appended
        if (Format.empty())
            return AVIERR_BADFORMAT;
        if (Info.fccType == streamtypeVIDEO && samples != 1)
            return AVIERR_BADPARAM;
        if (DWORD(samples) > 0xFFFFFFFFu - Length)
            return AVIERR_FILEWRITE;
        // Every audio block decodes on its own, so audio chunks are always key chunks.
        const DWORD indexFlags = Info.fccType == streamtypeAUDIO ? AVIIF_KEYFRAME : (flags & AVIIF_KEYFRAME);
        const HRESULT hr = File->AppendChunk(ChunkId(), buffer, std::size_t(size), indexFlags);
        if (hr != AVIERR_OK)
            return hr;
        Length += DWORD(samples);
        LargestChunk = std::max(LargestChunk, DWORD(size));
        if (samplesWritten)
            *samplesWritten = samples;
        if (bytesWritten)
            *bytesWritten = size;
        return AVIERR_OK;
    }

    // The file keeps the stream for its headers; the stream's reference on the file goes.
    void LastReleased() override { AVIFileRelease(File); }
};

class TCompressedStream final : public TAviStreamObject {
public:
    TCompressedStream(TRawStream* target, std::unique_ptr<TAviEncoder> encoder, FOURCC handler)
        : target_(target), encoder_(std::move(encoder)), handler_(handler)
    {
        AVIStreamAddRef(target_);
    }

    HRESULT SetFormat(LONG position, const void* format, LONG size) override
    {
        if (position != 0 || !format || size < LONG(sizeof(TBitmapInfoHeader)))
            return AVIERR_BADPARAM;
        const auto* bytes = static_cast<const BYTE*>(format);
        std::vector<BYTE> input(bytes, bytes + size), output;
        TBitmapInfoHeader h;
        std::memcpy(&h, input.data(), sizeof h);
        // The colour table the header announces must be there.
        const std::uint64_t colours = h.biClrUsed ? h.biClrUsed : (h.biBitCount <= 8 ? 1u << h.biBitCount : 0);
        if (h.biSize < sizeof h || h.biSize + colours * 4 > std::uint64_t(size))
            return AVIERR_BADFORMAT;
        const HRESULT hr = encoder_->OutputFormat(input, output);
        if (hr != AVIERR_OK)
            return hr;
        const std::int64_t rows = h.biHeight < 0 ? -std::int64_t(h.biHeight) : h.biHeight;
        const std::int64_t frameBytes = DIBBytesPerRow(h.biWidth, h.biBitCount) * rows;
        if (frameBytes <= 0 || frameBytes > 0x7FFFFFFF)
            return AVIERR_BADSIZE;
        const HRESULT stored = target_->SetFormat(position, output.data(), LONG(output.size()));
        if (stored != AVIERR_OK)
            return stored;
        target_->Info.fccHandler = handler_;
        frameBytes_ = std::size_t(frameBytes);
        return AVIERR_OK;
    }

    HRESULT Write(LONG start, LONG samples, const void* buffer, LONG size, DWORD flags, LONG* samplesWritten,
                  LONG* bytesWritten) override
    {
        if (!frameBytes_)
            return AVIERR_BADFORMAT;
        if (samples != 1 || !buffer)
            return AVIERR_BADPARAM;
        // A frame of another size than the format set would be cut or read past its end.
        if (size < 0 || std::size_t(size) != frameBytes_)
            return AVIERR_BADSIZE;
        const BYTE* out = nullptr;
        std::size_t outSize = 0;
        const HRESULT hr = encoder_->Encode(static_cast<const BYTE*>(buffer), frameBytes_, out, outSize);
        if (hr != AVIERR_OK)
            return hr;
        if (outSize > 0x7FFFFFFF)
            return AVIERR_BADSIZE;
        // Our compressors make every frame on its own.
        return target_->Write(start, 1, out, LONG(outSize), flags | AVIIF_KEYFRAME, samplesWritten, bytesWritten);
    }

    void LastReleased() override
    {
        AVIStreamRelease(target_);
        delete this;
    }

private:
    TRawStream* target_;
    std::unique_ptr<TAviEncoder> encoder_;
    FOURCC handler_;
    std::size_t frameBytes_ = 0;
};

// ---- The file --------------------------------------------------------------------------------

std::size_t TAviFileObject::HeaderSize(std::size_t extraStreams, std::size_t extraFormat) const
{
    std::size_t size = 12 + 12 + 8 + 56; // RIFF, LIST hdrl, avih
    for (const auto& s : Streams)
        size += 12 + 8 + 56 + 8 + ((s->Format.size() + 1) & ~std::size_t(1));
    size += extraStreams * (12 + 8 + 56 + 8) + extraFormat;
    return size;
}

HRESULT TAviFileObject::AppendChunk(FOURCC id, const void* data, std::size_t size, DWORD indexFlags)
{
    if (WriteFailed)
        return AVIERR_FILEWRITE;
    const std::uint64_t padded = std::uint64_t(size) + (size & 1);
    const std::uint64_t needed = End + 8 + padded + 8 + 16 * (std::uint64_t(Index.size()) + 1);
    if (needed > fileSizeLimit)
        return AVIERR_FILEWRITE;
    BYTE header[8];
    std::memcpy(header, &id, 4);
    const DWORD size32 = DWORD(size);
    std::memcpy(header + 4, &size32, 4);
    static const BYTE pad = 0;
    // One call per chunk, straight from the caller's bytes: frames are large.
    iovec pieces[3] = {{header, 8}, {const_cast<void*>(data), size}, {const_cast<BYTE*>(&pad), size & 1}};
    if (!WriteAll(Handle, pieces, 3)) {
        // Whatever part of the chunk went out is cut off again when the file is finished.
        WriteFailed = true;
        return AVIERR_FILEWRITE;
    }
    Index.push_back({id, indexFlags, DWORD(End - MoviFourCCAt), size32});
    End += 8 + padded;
    return AVIERR_OK;
}

bool TAviFileObject::Finish()
{
    bool ok = !WriteFailed;

    TByteWriter index;
    index.U32(MakeFourCC('i', 'd', 'x', '1'));
    index.U32(DWORD(Index.size() * 16));
    for (const auto& e : Index) {
        index.U32(e.Id);
        index.U32(e.Flags);
        index.U32(e.Offset);
        index.U32(e.Size);
    }
    const std::uint64_t fileEnd = End + index.Bytes.size();

    const TRawStream* video = nullptr;
    DWORD largest = 0, bytesPerSecond = 0;
    for (const auto& s : Streams) {
        if (!video && s->Info.fccType == streamtypeVIDEO)
            video = s.get();
        largest = std::max({largest, s->LargestChunk, s->Info.dwSuggestedBufferSize});
        if (s->Info.dwScale)
            bytesPerSecond += DWORD(std::min<std::uint64_t>(
                std::uint64_t(s->Info.dwSampleSize ? s->Info.dwSampleSize : s->LargestChunk) * s->Info.dwRate /
                    s->Info.dwScale,
                0xFFFFFFFFu - bytesPerSecond));
    }

    TByteWriter h;
    h.U32(MakeFourCC('R', 'I', 'F', 'F'));
    h.U32(DWORD(fileEnd - 8));
    h.U32(MakeFourCC('A', 'V', 'I', ' '));
    h.U32(MakeFourCC('L', 'I', 'S', 'T'));
    const std::size_t hdrl = h.Mark();
    h.U32(0);
    h.U32(MakeFourCC('h', 'd', 'r', 'l'));
    h.U32(MakeFourCC('a', 'v', 'i', 'h'));
    h.U32(56);
    h.U32(video && video->Info.dwRate
              ? DWORD(std::min<std::uint64_t>(std::uint64_t(video->Info.dwScale) * 1000000 / video->Info.dwRate,
                                              0xFFFFFFFFu))
              : 0);
    h.U32(bytesPerSecond);
    h.U32(0); // padding granularity
    h.U32(AVIF_HASINDEX);
    h.U32(video ? video->Length : 0);
    h.U32(0); // initial frames
    h.U32(DWORD(Streams.size()));
    h.U32(largest);
    h.U32(video ? DWORD(video->Info.rcFrame.Width()) : 0);
    h.U32(video ? DWORD(video->Info.rcFrame.Height()) : 0);
    for (int i = 0; i < 4; ++i)
        h.U32(0);
    for (const auto& s : Streams) {
        const AVISTREAMINFOA& i = s->Info;
        h.U32(MakeFourCC('L', 'I', 'S', 'T'));
        const std::size_t strl = h.Mark();
        h.U32(0);
        h.U32(MakeFourCC('s', 't', 'r', 'l'));
        h.U32(MakeFourCC('s', 't', 'r', 'h'));
        h.U32(56);
        h.U32(i.fccType);
        h.U32(i.fccHandler);
        h.U32(i.dwFlags);
        h.U16(i.wPriority);
        h.U16(i.wLanguage);
        h.U32(i.dwInitialFrames);
        h.U32(i.dwScale);
        h.U32(i.dwRate);
        h.U32(i.dwStart);
        h.U32(s->Length);
        h.U32(std::max(i.dwSuggestedBufferSize, s->LargestChunk));
        h.U32(i.dwQuality);
        h.U32(i.dwSampleSize);
        h.U16(WORD(i.rcFrame.Left));
        h.U16(WORD(i.rcFrame.Top));
        h.U16(WORD(i.rcFrame.Right));
        h.U16(WORD(i.rcFrame.Bottom));
        h.U32(MakeFourCC('s', 't', 'r', 'f'));
        const std::size_t strf = h.Mark();
        h.U32(0);
        h.Raw(s->Format.data(), s->Format.size());
        h.EndChunk(strf);
        h.EndChunk(strl);
    }
    h.EndChunk(hdrl);
    // The room left over; stream creation and formats keep at least a chunk header's worth.
    const std::size_t gap = std::size_t(HeaderRoom) - h.Bytes.size();
    h.U32(MakeFourCC('J', 'U', 'N', 'K'));
    h.U32(DWORD(gap - 8));
    h.Bytes.resize(std::size_t(HeaderRoom), 0);
    h.U32(MakeFourCC('L', 'I', 'S', 'T'));
    h.U32(DWORD(End - MoviFourCCAt));
    h.U32(MakeFourCC('m', 'o', 'v', 'i'));

    ok = WriteAt(Handle, End, index.Bytes.data(), index.Bytes.size()) && ok;
    ok = WriteAt(Handle, 0, h.Bytes.data(), h.Bytes.size()) && ok;
    // A failed chunk may have left bytes behind the index.
    const off_t end = ::lseek(Handle, 0, SEEK_END);
    if (end < 0 || std::uint64_t(end) > fileEnd)
        ok = ::ftruncate(Handle, off_t(fileEnd)) == 0 && ok;
    ok = ::close(Handle) == 0 && ok;
    Handle = -1;
    return ok;
}

// ---- The calls -------------------------------------------------------------------------------

void AVIFileInit() { ++initCount; }
void AVIFileExit()
{
    if (initCount > 0)
        --initCount;
}

HRESULT AVIFileOpenA(PAVIFILE* file, const char* fileName, UINT mode, const void* handler)
{
    if (!file || !fileName)
        return AVIERR_BADPARAM;
    *file = nullptr;
    if (handler)
        return AVIERR_UNSUPPORTED;
    if (!(mode & OF_WRITE))
        return AVIERR_UNSUPPORTED; // we only ever write AVI files
    auto object = std::make_unique<TAviFileObject>();
    object->Handle = ::open(fileName, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (object->Handle < 0)
        return AVIERR_FILEOPEN;
    static const std::vector<BYTE> room(FirstChunkAt, 0);
    if (!WriteAt(object->Handle, 0, room.data(), room.size())) {
        ::close(object->Handle);
        return AVIERR_FILEWRITE;
    }
    *file = object.release();
    return AVIERR_OK;
}

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

DWORD AVIFileRelease(PAVIFILE file, HRESULT* finishResult)
{
    if (finishResult)
        *finishResult = AVIERR_OK;
    if (!file || file->References == 0)
        return 0;
    if (--file->References)
        return file->References;
    const bool ok = file->Finish();
    if (finishResult && !ok)
        *finishResult = AVIERR_FILEWRITE;
    delete file;
    return 0;
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

std::uint64_t SetAviFileSizeLimit(std::uint64_t bytes)
{
    const std::uint64_t old = fileSizeLimit;
    fileSizeLimit = std::min(bytes, AviDefaultFileSizeLimit);
    return old;
}
