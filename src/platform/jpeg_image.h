#pragma once
// The JPEG picture: decodes through libjpeg into a 24-bit bitmap and compresses a bitmap with
// a quality of 0..100 when it is saved.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/bitmap.h"
#include "platform/graphic.h"

// Everything libjpeg refuses. It is an invalid picture, so callers that catch those catch it.
class EJPEG : public EInvalidGraphic {
public:
    using EInvalidGraphic::EInvalidGraphic;
};

// Pictures whose header promises more pixels than this are refused before anything is
// allocated. The default is 2^28; a tool with a small memory budget (the fuzzer) lowers it.
std::uint64_t JpegPixelLimit();
void SetJpegPixelLimit(std::uint64_t pixels);

class TJPEGImage : public TGraphic {
public:
    TJPEGImage();
    TJPEGImage(const TJPEGImage& other);
    TJPEGImage& operator=(const TJPEGImage& other);
    ~TJPEGImage() override;

    std::string ClassName() const override { return "TJPEGImage"; }

    int Width() const override { return width_; }
    int Height() const override { return height_; }
    bool Empty() const override { return width_ == 0 || height_ == 0; }
    void Draw(TCanvas& canvas, const TRect& rect) const override;

    // Reads the rest of the stream and its header; EJPEG when libjpeg refuses the header or it
    // promises more than JpegPixelLimit() pixels, and the picture then stays as it was. The
    // pixels are decoded when first needed (greyscale, CMYK and YCCK become RGB); damage
    // found then raises EJPEG there.
    void LoadFromStream(TStream& stream) override;
    // Writes the compressed data, compressing the pixels first when there is none.
    void SaveToStream(TStream& stream) const override;

    // From a TJPEGImage a copy; from a TBitmap its pixels (any format) as the picture to
    // compress. Other graphics are drawn onto a 24-bit bitmap of their size.
    void Assign(const TPersistent& source) override;

    int CompressionQuality() const { return quality_; }
    // Clamped to 0..100; used by the next Compress.
    void SetCompressionQuality(int quality);
    // Compresses the pixels now (EJPEG when libjpeg refuses, e.g. an empty picture).
    void Compress();
    // Decodes the pixels now unless they are there already.
    void DIBNeeded() const;
    // The decoded or assigned picture, 24 bits per pixel.
    const TBitmap& Bitmap() const
    {
        DIBNeeded();
        return *bitmap_;
    }
    // The compressed bytes (empty until loaded or compressed).
    const std::vector<BYTE>& Data() const { return data_; }

protected:
    // A TBitmap receives 24-bit pixels; when they are not decoded yet they are decoded
    // straight into it, which may leave it partly changed when the data is damaged.
    void AssignTo(TPersistent& dest) const override;

private:
    void DecodeInto(TBitmap& target) const;
    void SetPixels(std::unique_ptr<TBitmap> bitmap);

    mutable std::unique_ptr<TBitmap> bitmap_; // never null
    mutable bool decoded_ = true;             // bitmap_ holds the pixels of data_ (or of an assignment)
    mutable std::vector<BYTE> data_;
    int width_ = 0;
    int height_ = 0;
    int quality_ = 90;
};
