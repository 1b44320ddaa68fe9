#pragma once
// The objects behind the AVI handles: the file being written, and its streams, raw and
// compressing. Shared by the file's calls and the streams' calls; not part of the interface.
#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "output/avi_compressors.h"
#include "output/avi_file.h"

// The headers are written last, when every length is known, into room kept in front of the
// frames; what they leave of it becomes a JUNK chunk. Two streams with the largest frame
// format (256-colour table) need about 1.4 KB.
constexpr std::uint64_t HeaderRoom = 4096;
constexpr std::uint64_t HeaderLimit = HeaderRoom - 8; // the JUNK chunk's header always fits
constexpr std::uint64_t MoviListAt = HeaderRoom;
constexpr std::uint64_t MoviFourCCAt = MoviListAt + 8;
constexpr std::uint64_t FirstChunkAt = MoviListAt + 12;
constexpr std::size_t MaxStreams = 100; // chunk ids hold two decimal digits

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
