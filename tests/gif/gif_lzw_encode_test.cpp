// An index that is no colour of the table stops the LZW encoder; what it wrote up to there
// is what a valid frame of the pixels before it begins with, in the order they are coded.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "gif/lzw.h"

namespace {

using Bytes = std::vector<BYTE>;

// The sub-blocks' data after the code size byte.
Bytes Payload(const Bytes& encoded)
{
    Bytes payload;
    for (std::size_t i = 1; i < encoded.size() && encoded[i] != 0; i += std::size_t(encoded[i]) + 1)
        payload.insert(payload.end(), encoded.begin() + std::ptrdiff_t(i + 1),
                       encoded.begin() + std::ptrdiff_t(std::min(encoded.size(), i + 1 + encoded[i])));
    return payload;
}

// The rows in the order an interlaced frame codes them.
Bytes CodingOrder(const Bytes& pixels, int width, int height, bool interlaced)
{
    if (!interlaced)
        return pixels;
    Bytes out;
    static const int start[4] = {0, 4, 2, 1};
    static const int step[4] = {8, 8, 4, 2};
    for (int pass = 0; pass < 4; ++pass)
        for (int row = start[pass]; row < height; row += step[pass])
            out.insert(out.end(), pixels.begin() + std::ptrdiff_t(row) * width,
                       pixels.begin() + std::ptrdiff_t(row + 1) * width);
    return out;
}

// Where in the payload the code before the end code starts, read as a decoder reads the
// codes; the payload must end with the end code's byte.
std::size_t LastStringBit(const Bytes& payload, int bits)
{
    const int clear = 1 << bits;
    int width = bits + 1;
    int next = clear + 2;
    bool first = true;
    std::size_t at = 0;
    std::size_t last = 0;
    for (;;) {
        int code = 0;
        for (int i = 0; i < width; ++i, ++at)
            code |= ((payload.at(at / 8) >> (at % 8)) & 1) << i;
        if (code == clear + 1)
            break;
        last = at - std::size_t(width);
        if (code == clear) {
            width = bits + 1;
            next = clear + 2;
            first = true;
            continue;
        }
        if (!first && next < 4096 && ++next == (1 << width) && width < 12)
            ++width;
        first = false;
    }
    EXPECT_EQ((at + 7) / 8, payload.size()) << "the reader lost its place";
    return last;
}

TEST(GifLzwEncode, ABadIndexLeavesTheCodesOfThePixelsBeforeIt)
{
    struct TCase {
        const char* Name;
        int Width, Height;
        bool Interlaced;
        int Bits, Colors;
        std::size_t Bad; // index in the pixels as stored
    } cases[] = {
        {"the first pixel", 16, 4, false, 3, 5, 0},
        {"the second pixel", 16, 4, false, 3, 5, 1},
        {"inside the first row", 16, 4, false, 3, 5, 9},
        {"a row's first pixel", 16, 4, false, 3, 5, 32},
        {"the last pixel", 16, 4, false, 3, 5, 63},
        {"after clears, 8-bit codes", 300, 200, false, 8, 200, 300 * 150 + 17},
        {"interlaced, a row of the last pass", 30, 21, true, 4, 11, 30 * 3 + 4},
        {"interlaced, the first pass", 30, 21, true, 4, 11, 30 * 16 + 29},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        Bytes pixels(std::size_t(c.Width) * std::size_t(c.Height));
        std::mt19937 rng(11);
        for (std::size_t i = 0; i < pixels.size(); ++i)
            pixels[i] = BYTE(i % 97 < 40 ? rng() % unsigned(c.Colors) : (i / 7) % unsigned(c.Colors));
        pixels[c.Bad] = BYTE(c.Colors);
        TMemoryStream failed;
        std::string error;
        try {
            TLZWEncoder().Compress(failed, c.Bits, c.Width, c.Height, c.Interlaced, pixels.data(), c.Colors);
        } catch (const GIFException& e) {
            error = e.Message;
        }
        ASSERT_EQ(error, "Color not in color table");

        const Bytes ordered = CodingOrder(pixels, c.Width, c.Height, c.Interlaced);
        const std::size_t before = std::size_t(std::find(ordered.begin(), ordered.end(), BYTE(c.Colors)) - ordered.begin());
        const Bytes got = Payload(failed.Bytes());
        if (before == 0) {
            EXPECT_EQ(failed.Size(), 1) << "only the code size";
            continue;
        }
        TMemoryStream valid;
        TLZWEncoder().Compress(valid, c.Bits, int(before), 1, false, ordered.data(), c.Colors);
        const Bytes whole = Payload(valid.Bytes());
        // The last string and the end code are not yet out when the bad index is met: the
        // whole bytes before them are.
        const std::size_t cut = LastStringBit(whole, std::max(c.Bits, 2)) / 8;
        EXPECT_EQ(got, Bytes(whole.begin(), whole.begin() + std::ptrdiff_t(cut)));
    }
}

} // namespace
