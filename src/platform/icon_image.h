#pragma once
// The icon picture: an ICO file shown through its largest image (the deepest colour first
// among equally large ones). BMP images of 1, 4, 8, 16, 24 and 32 bits per pixel keep their
// AND mask; 32-bit images with alpha are blended over what they are drawn on.
//
// PNG images are handed to the picture class registered for the extension "png" (the PNG
// library registers itself when it is linked in). kelvo_platform cannot depend on the PNG
// library, which depends on it; without a registration a PNG image is an invalid picture.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/graphic.h"

class TIcon : public TGraphic {
public:
    TIcon();
    TIcon(const TIcon& other) = default;
    TIcon& operator=(const TIcon& other) = default;
    ~TIcon() override;

    std::string ClassName() const override { return "TIcon"; }

    int Width() const override { return width_; }
    int Height() const override { return height_; }
    bool Empty() const override { return width_ == 0 || height_ == 0; }
    // Stretched to rect; where the icon is transparent the canvas keeps its pixels.
    void Draw(TCanvas& canvas, const TRect& rect) const override;

    // Reads the rest of the stream. A damaged file raises EInvalidGraphic and leaves the icon
    // as it was; nothing is allocated by what a header claims before the bytes are there.
    void LoadFromStream(TStream& stream) override;
    // The file as it was loaded.
    void SaveToStream(TStream& stream) const override;

    void Assign(const TPersistent& source) override;

    // Bits per pixel of the image in use (PNG: bit depth times channels); 0 when empty.
    int BitsPerPixel() const { return bitsPerPixel_; }
    // Index in the file's directory of the image in use; -1 when empty.
    int ImageIndex() const { return imageIndex_; }

private:
    std::vector<BYTE> data_;
    int width_ = 0;
    int height_ = 0;
    int bitsPerPixel_ = 0;
    int imageIndex_ = -1;
    // BMP images: B,G,R,A per pixel, top row first; A 0 where the mask makes a pixel transparent.
    std::vector<BYTE> pixels_;
    // PNG images: the PNG picture that draws them. It never changes after loading, so copies
    // of the icon share it.
    std::shared_ptr<const TGraphic> png_;
};
