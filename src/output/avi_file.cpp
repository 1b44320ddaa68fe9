// Writing an AVI file: room for the headers in front, the chunks appended as they come, and
// at the end the index and the headers; the file's calls. The streams' calls are in
// avi_streams.cpp.
#include "output/avi_file.h"

#include <algorithm>
#include <cstring>
#include <cerrno>
#include <fcntl.h>
#include <sys/uio.h>
#include <unistd.h>

#include "output/avi_file_objects.h"

namespace {

int initCount = 0;
std::uint64_t fileSizeLimit = AviDefaultFileSizeLimit;

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

std::uint64_t SetAviFileSizeLimit(std::uint64_t bytes)
{
    const std::uint64_t old = fileSizeLimit;
    fileSizeLimit = std::min(bytes, AviDefaultFileSizeLimit);
    return old;
}
