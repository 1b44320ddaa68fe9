#pragma once
// Animations as this program writes them by default: every image whole (no optimisation),
// white but for a band of black marks that differs from image to image, so that the data
// of a large image are a few kilobytes. For the tests of programs that link the GIF library.
#include <cstdint>
#include <vector>

#include "gif/gifimage.h"

namespace kelvo::test {

// The colour index of pixel (x, y) of image i: 1 (black) for the marks, else 0 (white).
inline BYTE FlatGifPixel(int i, int x, int y, int height)
{
    const int band = height / 2;
    return BYTE(y >= band && y < band + 2 && (x / 3) % 9 == i % 9 && ((x + y) & 1) == 0);
}

// images images of width x height, each with a delay of 4 hundredths, written by the
// library's own writer.
inline std::vector<std::uint8_t> FlatGif(int images, int width, int height)
{
    TGIFImage gif;
    gif.GetColorMap().Add(RGB(255, 255, 255));
    gif.GetColorMap().Add(RGB(0, 0, 0));
    for (int i = 0; i < images; ++i) {
        auto* frame = new TGIFSubImage(&gif);
        gif.Add(frame);
        frame->SetBoundsRect(Bounds(0, 0, width, height));
        BYTE* pixels = frame->Data();
        for (int y = height / 2; y < height / 2 + 2 && y < height; ++y)
            for (int x = 0; x < width; ++x)
                pixels[std::size_t(y) * std::size_t(width) + std::size_t(x)] = FlatGifPixel(i, x, y, height);
        auto* control = new TGIFGraphicControlExtension(frame);
        frame->Extensions().Add(control);
        control->SetDelay(4);
    }
    TMemoryStream stream;
    gif.SaveToStream(stream);
    return stream.Bytes();
}

} // namespace kelvo::test
