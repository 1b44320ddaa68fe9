#include "output/avi_compressors.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <jpeglib.h>

namespace {

// Reads the bitmap information header at the front of a frame format; false when it is
// too short or describes nothing a frame could be.
bool ReadFrameHeader(const std::vector<BYTE>& format, TBitmapInfoHeader& header)
{
    if (format.size() < sizeof header)
        return false;
    std::memcpy(&header, format.data(), sizeof header);
    return header.biSize >= sizeof header && header.biWidth > 0 && header.biHeight != 0 &&
           header.biHeight != INT32_MIN && header.biPlanes == 1;
}

char UpperAscii(BYTE c) { return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : char(c); }

FOURCC UpperFourCC(FOURCC f)
{
    return MakeFourCC(UpperAscii(BYTE(f)), UpperAscii(BYTE(f >> 8)), UpperAscii(BYTE(f >> 16)),
                      UpperAscii(BYTE(f >> 24)));
}

// ---- "DIB ": frames are written as they come ------------------------------------------------

class TDibEncoder final : public TAviEncoder {
public:
    HRESULT OutputFormat(const std::vector<BYTE>& input, std::vector<BYTE>& output) override
    {
        TBitmapInfoHeader h;
        if (!ReadFrameHeader(input, h) || h.biCompression != BI_RGB)
            return AVIERR_BADFORMAT;
        output = input;
        return AVIERR_OK;
    }
    HRESULT Encode(const BYTE* bits, std::size_t size, const BYTE*& out, std::size_t& outSize) override
    {
        out = bits;
        outSize = size;
        return AVIERR_OK;
    }
};

// ---- "MJPG": every frame a baseline JPEG ----------------------------------------------------

struct TJpegError {
    jpeg_error_mgr Manager;
    std::jmp_buf Jump;
};

struct TJpegDestination {
    jpeg_destination_mgr Manager;
    std::vector<BYTE>* Out;
};

extern "C" {
static void JpegErrorExit(j_common_ptr cinfo)
{
    std::longjmp(reinterpret_cast<TJpegError*>(cinfo->err)->Jump, 1);
}
static void JpegOutputMessage(j_common_ptr) {}

static void JpegInitDestination(j_compress_ptr cinfo)
{
    auto* d = reinterpret_cast<TJpegDestination*>(cinfo->dest);
    d->Manager.next_output_byte = d->Out->data();
    d->Manager.free_in_buffer = d->Out->size();
}
static boolean JpegEmptyOutputBuffer(j_compress_ptr cinfo)
{
    auto* d = reinterpret_cast<TJpegDestination*>(cinfo->dest);
    const std::size_t used = d->Out->size();
    bool grown = true;
    try {
        d->Out->resize(used * 2);
    } catch (...) {
        grown = false;
    }
    if (!grown)
        cinfo->err->error_exit(reinterpret_cast<j_common_ptr>(cinfo));
    d->Manager.next_output_byte = d->Out->data() + used;
    d->Manager.free_in_buffer = d->Out->size() - used;
    return TRUE;
}
static void JpegTermDestination(j_compress_ptr) {}
}

class TMjpegEncoder final : public TAviEncoder {
public:
    explicit TMjpegEncoder(int quality) : quality_(quality)
    {
        cinfo_.err = jpeg_std_error(&error_.Manager);
        error_.Manager.error_exit = JpegErrorExit;
        error_.Manager.output_message = JpegOutputMessage;
        jpeg_create_compress(&cinfo_);
        dest_.Manager.init_destination = JpegInitDestination;
        dest_.Manager.empty_output_buffer = JpegEmptyOutputBuffer;
        dest_.Manager.term_destination = JpegTermDestination;
        dest_.Out = &out_;
        cinfo_.dest = &dest_.Manager;
    }
    ~TMjpegEncoder() override { jpeg_destroy_compress(&cinfo_); }

    HRESULT OutputFormat(const std::vector<BYTE>& input, std::vector<BYTE>& output) override
    {
        TBitmapInfoHeader h;
        if (!ReadFrameHeader(input, h) || h.biCompression != BI_RGB || (h.biBitCount != 24 && h.biBitCount != 32) ||
            h.biWidth > JPEG_MAX_DIMENSION || std::abs(std::int64_t(h.biHeight)) > JPEG_MAX_DIMENSION)
            return AVIERR_BADFORMAT;
        width_ = h.biWidth;
        height_ = int(std::abs(std::int64_t(h.biHeight)));
        bottomUp_ = h.biHeight > 0;
        bytesPerPixel_ = h.biBitCount / 8;
        stride_ = std::size_t(DIBBytesPerRow(width_, h.biBitCount));
        rows_.resize(std::size_t(height_));

        TBitmapInfoHeader o;
        o.biWidth = width_;
        o.biHeight = height_;
        o.biBitCount = 24;
        o.biCompression = comptypeMJPG;
        o.biSizeImage = DWORD(std::int64_t(width_) * height_ * 3);
        output.resize(sizeof o);
        std::memcpy(output.data(), &o, sizeof o);
        return AVIERR_OK;
    }

    HRESULT Encode(const BYTE* bits, std::size_t size, const BYTE*& out, std::size_t& outSize) override
    {
        if (!width_ || size < stride_ * std::size_t(height_))
            return AVIERR_BADSIZE;
        for (int y = 0; y < height_; ++y)
            rows_[std::size_t(y)] = const_cast<BYTE*>(bits) + stride_ * std::size_t(bottomUp_ ? height_ - 1 - y : y);
        if (out_.size() < 65536)
            out_.resize(std::max<std::size_t>(65536, std::size_t(width_) * std::size_t(height_) / 4));
        if (!Compress())
            return AVIERR_CANTCOMPRESS;
        out = out_.data();
        outSize = out_.size() - dest_.Manager.free_in_buffer;
        return AVIERR_OK;
    }

private:
    // No object with a destructor lives in this frame: the library's errors leave it by
    // a long jump.
    bool Compress()
    {
        if (setjmp(error_.Jump)) {
            jpeg_abort_compress(&cinfo_);
            return false;
        }
        cinfo_.image_width = JDIMENSION(width_);
        cinfo_.image_height = JDIMENSION(height_);
        cinfo_.input_components = bytesPerPixel_;
        cinfo_.in_color_space = bytesPerPixel_ == 3 ? JCS_EXT_BGR : JCS_EXT_BGRX;
        jpeg_set_defaults(&cinfo_);
        jpeg_set_quality(&cinfo_, quality_, TRUE);
        jpeg_start_compress(&cinfo_, TRUE);
        while (cinfo_.next_scanline < cinfo_.image_height)
            jpeg_write_scanlines(&cinfo_, rows_.data() + cinfo_.next_scanline,
                                 cinfo_.image_height - cinfo_.next_scanline);
        jpeg_finish_compress(&cinfo_);
        return true;
    }

    int quality_;
    jpeg_compress_struct cinfo_{};
    TJpegError error_{};
    TJpegDestination dest_{};
    std::vector<BYTE> out_;
    std::vector<JSAMPROW> rows_;
    int width_ = 0, height_ = 0, bytesPerPixel_ = 3;
    bool bottomUp_ = true;
    std::size_t stride_ = 0;
};

} // namespace

const std::vector<TAviCompressorInfo>& AviCompressors()
{
    static const std::vector<TAviCompressorInfo> list = {
        {comptypeDIB, "Full frames (uncompressed)"},
        {comptypeMJPG, "Motion JPEG"},
    };
    return list;
}

int AviCompressorIndex(FOURCC handler)
{
    const auto& list = AviCompressors();
    for (std::size_t i = 0; i < list.size(); ++i)
        if (UpperFourCC(list[i].Handler) == UpperFourCC(handler))
            return int(i);
    return -1;
}

int AviCompressorInitialIndex(const AVICOMPRESSOPTIONS& options)
{
    return std::max(0, AviCompressorIndex(options.fccHandler));
}

std::unique_ptr<TAviEncoder> MakeAviEncoder(const AVICOMPRESSOPTIONS& options)
{
    switch (AviCompressorIndex(options.fccHandler)) {
    case 0: return std::make_unique<TDibEncoder>();
    case 1: {
        // Options carry quality in hundredths of a percent; zeroed options, and the "default"
        // value past 10000, take the compressor's own.
        const DWORD q = options.dwQuality;
        const int quality = q == 0 || q > 10000 ? AviDefaultJpegQuality : int(std::max<DWORD>(q / 100, 1));
        return std::make_unique<TMjpegEncoder>(quality);
    }
    default: return nullptr;
    }
}
