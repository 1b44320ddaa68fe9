#pragma once
// Small GIF streams put together byte by byte, for the tests of the reader and the writer.
#include <initializer_list>
#include <vector>

#include "gif_test_util.h"

namespace giftest {

using Bytes = std::vector<BYTE>;

inline Bytes Cat(std::initializer_list<Bytes> parts)
{
    Bytes out;
    for (const Bytes& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

// GIF89a, 1 x 1 screen with black/white, the pieces in between, an image of pixel 1.
const Bytes kHeader = {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0x80, 0, 0, 0, 0, 0, 255, 255, 255};
const Bytes kImage = {0x2C, 0, 0, 0, 0, 1, 0, 1, 0, 0, 2, 2, 0x4C, 0x01, 0};
const Bytes kTrailer = {0x3B};

// An image with one white-on-black frame of the given size and pixels.
inline void MakeImage(TGIFImage& image, int w, int h, const Bytes& pixels, int colors = 2)
{
    FillColorMap(image.GetColorMap(), colors);
    AddFrame(image, w, h, pixels);
}

} // namespace giftest
