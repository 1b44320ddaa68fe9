#pragma once
// The JPEG picture: decodes through libjpeg into a 24-bit bitmap as soon as it is loaded, and
// compresses a bitmap with a quality of 0..100 when it is saved.
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

    int Width() const override { return bitmap_->Width(); }
    int Height() const override { return bitmap_->Height(); }
    bool Empty() const override { return bitmap_->Empty(); }
    void Draw(TCanvas& canvas, const TRect& rect) const override;

    // Reads the rest of the stream and decodes it at once; greyscale, CMYK and YCCK pictures
    // become RGB. Raises EJPEG on anything libjpeg refuses; the picture then stays as it was.
    void LoadFromStream(TStream& stream) override;
    // Writes the compressed data, compressing the bitmap first when it has none yet.
    void SaveToStream(TStream& stream) const override;

    // From a TJPEGImage a copy; from a TBitmap its pixels (any format) as the picture to
    // compress. Other graphics are drawn onto a 24-bit bitmap of their size.
    void Assign(const TPersistent& source) override;

    int CompressionQuality() const { return quality_; }
    // Clamped to 0..100; drops compressed data made with another quality.
    void SetCompressionQuality(int quality);
    // Compresses the bitmap now (EJPEG when libjpeg refuses, e.g. an empty picture).
    void Compress();
    // The pixels are decoded on loading already; kept for the callers that ask for them.
    void DIBNeeded() {}
    // The decoded or assigned picture, 24 bits per pixel.
    const TBitmap& Bitmap() const { return *bitmap_; }
    // The compressed bytes (empty until loaded or compressed).
    const std::vector<BYTE>& Data() const { return data_; }

protected:
    // A TBitmap receives the 24-bit pixels themselves, not a drawing of them.
    void AssignTo(TPersistent& dest) const override;

private:
    std::unique_ptr<TBitmap> bitmap_; // never null; a pointer so that a decode moves in whole
    mutable std::vector<BYTE> data_;
    int quality_ = 90;
};
