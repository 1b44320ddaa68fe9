#include "platform/jpeg_image.h"

#include <algorithm>
#include <atomic>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include <jpeglib.h>
#include <jerror.h>

#include "platform/canvas.h"

// libjpeg reports a fatal error by calling error_exit, whose default ends the process. Ours
// longjmps back to the setjmp of the phase that called libjpeg. An exception must not unwind
// through libjpeg's C frames, and a longjmp must not skip a C++ destructor, so each phase
// below is a function that holds no C++ object and only returns false; its C++ caller then
// destroys the libjpeg object and throws.

namespace {

std::atomic<std::uint64_t> gPixelLimit{std::uint64_t(1) << 28};

// libjpeg's own working memory (coefficient buffers of progressive pictures, mostly).
constexpr long kLibjpegMemoryLimit = 2L << 30;
// A damaged progressive file can repeat scans without end, each costing a pass over the image.
constexpr int kMaxScans = 1000;
constexpr std::size_t kFirstOutputBlock = 64 * 1024;

struct TErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

[[noreturn]] void ErrorExit(j_common_ptr cinfo)
{
    auto* err = reinterpret_cast<TErrorManager*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, err->message);
    std::longjmp(err->jump, 1);
}

// Warnings (a file that ends early, junk between markers) leave a usable picture; libjpeg
// would print them to stderr.
void IgnoreMessage(j_common_ptr) {}

void InitErrors(TErrorManager& err)
{
    jpeg_std_error(&err.pub);
    err.pub.error_exit = ErrorExit;
    err.pub.output_message = IgnoreMessage;
    err.message[0] = 0;
}

void LimitScans(j_common_ptr cinfo)
{
    if (!cinfo->is_decompressor)
        return;
    if (reinterpret_cast<j_decompress_ptr>(cinfo)->input_scan_number > kMaxScans) {
        auto* err = reinterpret_cast<TErrorManager*>(cinfo->err);
        std::snprintf(err->message, sizeof err->message, "Too many scans in the JPEG data");
        std::longjmp(err->jump, 1);
    }
}

struct TDecoder {
    jpeg_decompress_struct info;
    TErrorManager err;
    jpeg_progress_mgr progress;
    bool created = false;
    TDecoder()
    {
        std::memset(&info, 0, sizeof info);
        std::memset(&progress, 0, sizeof progress);
        InitErrors(err);
        info.err = &err.pub;
        progress.progress_monitor = LimitScans;
    }
    ~TDecoder()
    {
        if (created)
            jpeg_destroy_decompress(&info);
    }
    TDecoder(const TDecoder&) = delete;
    TDecoder& operator=(const TDecoder&) = delete;
};

// Phase 1: the header, and the output size it leads to.
bool ReadHeader(TDecoder* d, const unsigned char* data, unsigned long size)
{
    if (setjmp(d->err.jump))
        return false;
    jpeg_create_decompress(&d->info);
    d->created = true;
    d->info.mem->max_memory_to_use = kLibjpegMemoryLimit;
    d->info.progress = &d->progress;
    jpeg_mem_src(&d->info, data, size);
    jpeg_read_header(&d->info, TRUE);
    // libjpeg-turbo writes B,G,R straight into our rows, also from greyscale; CMYK and YCCK
    // come out as CMYK and are converted here.
    const bool cmyk = d->info.jpeg_color_space == JCS_CMYK || d->info.jpeg_color_space == JCS_YCCK;
    d->info.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGR;
    jpeg_calc_output_dimensions(&d->info);
    return true;
}

inline unsigned char Mul255(unsigned a, unsigned b) { return (unsigned char)((a * b + 127) / 255); }

// Phase 2: the pixels, into rows that the caller allocated for the output size.
bool ReadPixels(TDecoder* d, JSAMPROW* rows, JSAMPROW cmykRow)
{
    if (setjmp(d->err.jump))
        return false;
    jpeg_start_decompress(&d->info);
    const bool cmyk = d->info.out_color_space == JCS_CMYK;
    // Adobe's writers store CMYK inverted (0 is full ink); everyone else stores it plain.
    const bool inverted = d->info.saw_Adobe_marker;
    const JDIMENSION height = d->info.output_height, width = d->info.output_width;
    while (d->info.output_scanline < height) {
        const JDIMENSION y = d->info.output_scanline;
        if (!cmyk) {
            if (jpeg_read_scanlines(&d->info, rows + y, height - y) == 0)
                ERREXIT(&d->info, JERR_INPUT_EOF);
            continue;
        }
        if (jpeg_read_scanlines(&d->info, &cmykRow, 1) == 0)
            ERREXIT(&d->info, JERR_INPUT_EOF);
        unsigned char* out = rows[y];
        const unsigned char* in = cmykRow;
        for (JDIMENSION x = 0; x < width; ++x, in += 4, out += 3) {
            unsigned c = in[0], m = in[1], yy = in[2], k = in[3];
            if (!inverted) {
                c = 255 - c;
                m = 255 - m;
                yy = 255 - yy;
                k = 255 - k;
            }
            out[0] = Mul255(yy, k);
            out[1] = Mul255(m, k);
            out[2] = Mul255(c, k);
        }
    }
    jpeg_finish_decompress(&d->info);
    return true;
}

// Output into a growing malloc block: a std::vector could throw out of a libjpeg callback.
struct TDestination {
    jpeg_destination_mgr pub;
    unsigned char* buffer = nullptr;
    std::size_t capacity = 0;
    std::size_t size = 0;
};

void InitDestination(j_compress_ptr cinfo)
{
    auto* dest = reinterpret_cast<TDestination*>(cinfo->dest);
    dest->buffer = static_cast<unsigned char*>(std::malloc(kFirstOutputBlock));
    if (!dest->buffer)
        ERREXIT1(cinfo, JERR_OUT_OF_MEMORY, 0);
    dest->capacity = kFirstOutputBlock;
    dest->pub.next_output_byte = dest->buffer;
    dest->pub.free_in_buffer = dest->capacity;
}

boolean EmptyDestination(j_compress_ptr cinfo)
{
    auto* dest = reinterpret_cast<TDestination*>(cinfo->dest);
    // libjpeg calls this only when the block is full, whatever free_in_buffer says.
    const std::size_t grown = dest->capacity * 2;
    auto* p = static_cast<unsigned char*>(std::realloc(dest->buffer, grown));
    if (!p)
        ERREXIT1(cinfo, JERR_OUT_OF_MEMORY, 1);
    dest->buffer = p;
    dest->pub.next_output_byte = p + dest->capacity;
    dest->pub.free_in_buffer = grown - dest->capacity;
    dest->capacity = grown;
    return TRUE;
}

void TermDestination(j_compress_ptr cinfo)
{
    auto* dest = reinterpret_cast<TDestination*>(cinfo->dest);
    dest->size = dest->capacity - dest->pub.free_in_buffer;
}

struct TEncoder {
    jpeg_compress_struct info;
    TErrorManager err;
    TDestination dest;
    bool created = false;
    TEncoder()
    {
        std::memset(&info, 0, sizeof info);
        std::memset(&dest.pub, 0, sizeof dest.pub);
        InitErrors(err);
        info.err = &err.pub;
        dest.pub.init_destination = InitDestination;
        dest.pub.empty_output_buffer = EmptyDestination;
        dest.pub.term_destination = TermDestination;
    }
    ~TEncoder()
    {
        if (created)
            jpeg_destroy_compress(&info);
        std::free(dest.buffer);
    }
    TEncoder(const TEncoder&) = delete;
    TEncoder& operator=(const TEncoder&) = delete;
};

bool Encode(TEncoder* e, JSAMPROW* rows, JDIMENSION width, JDIMENSION height, int quality)
{
    if (setjmp(e->err.jump))
        return false;
    jpeg_create_compress(&e->info);
    e->created = true;
    e->info.dest = &e->dest.pub;
    e->info.image_width = width;
    e->info.image_height = height;
    e->info.input_components = 3;
    e->info.in_color_space = JCS_EXT_BGR;
    jpeg_set_defaults(&e->info);
    jpeg_set_quality(&e->info, quality, TRUE);
    jpeg_start_compress(&e->info, TRUE);
    while (e->info.next_scanline < height)
        jpeg_write_scanlines(&e->info, rows + e->info.next_scanline, height - e->info.next_scanline);
    jpeg_finish_compress(&e->info);
    return true;
}

} // namespace

std::uint64_t JpegPixelLimit() { return gPixelLimit.load(); }
void SetJpegPixelLimit(std::uint64_t pixels) { gPixelLimit.store(pixels); }

TJPEGImage::TJPEGImage() : bitmap_(std::make_unique<TBitmap>()) { bitmap_->SetPixelFormat(pf24bit); }

TJPEGImage::TJPEGImage(const TJPEGImage& other)
    : TGraphic(other), bitmap_(std::make_unique<TBitmap>(*other.bitmap_)), decoded_(other.decoded_),
      data_(other.data_), width_(other.width_), height_(other.height_), quality_(other.quality_)
{
}

TJPEGImage& TJPEGImage::operator=(const TJPEGImage& other)
{
    if (this != &other) {
        TGraphic::operator=(other);
        *bitmap_ = *other.bitmap_;
        decoded_ = other.decoded_;
        data_ = other.data_;
        width_ = other.width_;
        height_ = other.height_;
        quality_ = other.quality_;
    }
    return *this;
}

TJPEGImage::~TJPEGImage() = default;

void TJPEGImage::Draw(TCanvas& canvas, const TRect& rect) const
{
    DIBNeeded();
    bitmap_->Draw(canvas, rect);
}

namespace {

// Reads the header; EJPEG when libjpeg refuses it or it promises too many pixels.
void CheckedHeader(TDecoder& d, const std::vector<BYTE>& data)
{
    if (!ReadHeader(&d, data.data(), static_cast<unsigned long>(data.size())))
        throw EJPEG(d.err.message);
    const std::uint64_t width = d.info.output_width, height = d.info.output_height;
    if (width * height > JpegPixelLimit())
        throw EJPEG("JPEG image too large (" + std::to_string(width) + " x " + std::to_string(height) + ")");
}

} // namespace

void TJPEGImage::LoadFromStream(TStream& stream)
{
    std::vector<BYTE> data;
    const std::int64_t left = stream.Size() - stream.Position();
    if (left > 0) {
        data.resize(std::size_t(left));
        data.resize(std::size_t(stream.Read(data.data(), left)));
    }
    TDecoder d;
    CheckedHeader(d, data);
    width_ = int(d.info.output_width);
    height_ = int(d.info.output_height);
    data_ = std::move(data);
    bitmap_ = std::make_unique<TBitmap>();
    bitmap_->SetPixelFormat(pf24bit);
    decoded_ = false;
    Changed();
}

void TJPEGImage::DecodeInto(TBitmap& target) const
{
    TDecoder d;
    CheckedHeader(d, data_);
    const std::size_t width = d.info.output_width, height = d.info.output_height;
    target.Clear();
    target.SetTransparent(false);
    target.SetPixelFormat(pf24bit);
    // libjpeg writes every row it gets to; the rows a failure leaves are made white below,
    // which is what they would have been in a bitmap sized the usual way.
    target.SetSizeForOverwrite(int(width), int(height));
    std::vector<JSAMPROW> rows(height);
    for (std::size_t y = 0; y < height; ++y)
        rows[y] = target.ScanLine(int(y));
    std::vector<JSAMPLE> cmykRow(d.info.out_color_space == JCS_CMYK ? width * 4 : 0);
    if (!ReadPixels(&d, rows.data(), cmykRow.data())) {
        // A call to jpeg_read_scanlines decodes before it writes a row, so a failure inside
        // one has written none of the rows it was asked for: output_scanline is the number
        // of rows done, also when the failure came in jpeg_start_decompress (0) or in
        // jpeg_finish_decompress (all).
        for (std::size_t y = std::min<std::size_t>(d.info.output_scanline, height); y < height; ++y)
            std::memset(rows[y], 0xFF, width * 3);
        throw EJPEG(d.err.message);
    }
}

void TJPEGImage::DIBNeeded() const
{
    if (decoded_)
        return;
    auto bitmap = std::make_unique<TBitmap>();
    if (!data_.empty())
        DecodeInto(*bitmap);
    else
        bitmap->SetPixelFormat(pf24bit);
    bitmap_ = std::move(bitmap);
    decoded_ = true;
}

void TJPEGImage::SaveToStream(TStream& stream) const
{
    if (data_.empty())
        const_cast<TJPEGImage*>(this)->Compress();
    stream.WriteBuffer(data_.data(), std::int64_t(data_.size()));
}

void TJPEGImage::SetCompressionQuality(int quality) { quality_ = std::clamp(quality, 0, 100); }

void TJPEGImage::Compress()
{
    DIBNeeded();
    const TBitmap& b = *bitmap_;
    std::vector<JSAMPROW> rows(std::size_t(std::max(b.Height(), 0)));
    for (int y = 0; y < b.Height(); ++y)
        rows[std::size_t(y)] = const_cast<JSAMPROW>(b.ScanLine(y));
    TEncoder e;
    if (!Encode(&e, rows.data(), JDIMENSION(b.Width()), JDIMENSION(b.Height()), quality_))
        throw EJPEG(e.err.message);
    data_.assign(e.dest.buffer, e.dest.buffer + e.dest.size);
}

void TJPEGImage::SetPixels(std::unique_ptr<TBitmap> bitmap)
{
    width_ = bitmap->Width();
    height_ = bitmap->Height();
    bitmap_ = std::move(bitmap);
    decoded_ = true;
    data_.clear();
    Changed();
}

void TJPEGImage::Assign(const TPersistent& source)
{
    if (const auto* other = dynamic_cast<const TJPEGImage*>(&source)) {
        *this = *other;
        Changed();
        return;
    }
    if (const auto* bitmap = dynamic_cast<const TBitmap*>(&source)) {
        auto copy = std::make_unique<TBitmap>(*bitmap);
        copy->SetTransparent(false);
        copy->SetPixelFormat(pf24bit);
        SetPixels(std::move(copy));
        return;
    }
    if (const auto* graphic = dynamic_cast<const TGraphic*>(&source)) {
        auto drawn = std::make_unique<TBitmap>(graphic->Width(), graphic->Height(), pf24bit);
        graphic->Draw(drawn->Canvas(), TRect{0, 0, graphic->Width(), graphic->Height()});
        SetPixels(std::move(drawn));
        return;
    }
    TGraphic::Assign(source);
}

void TJPEGImage::AssignTo(TPersistent& dest) const
{
    if (auto* bitmap = dynamic_cast<TBitmap*>(&dest)) {
        // Not decoded yet: straight into the bitmap, saving a second picture-sized block.
        if (!decoded_ && !data_.empty()) {
            DecodeInto(*bitmap);
            bitmap->Changed();
        } else {
            bitmap->Assign(*bitmap_);
        }
        return;
    }
    TGraphic::AssignTo(dest);
}
