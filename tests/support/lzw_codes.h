#pragma once
// Hand-made GIF image data, for the tests of the GIF library and of the program that reads
// GIF files.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace kelvo::test {

// LZW data made of the given codes, each packed at the width a decoder reads it at: the code
// size byte, the codes in sub-blocks, the terminator.
inline std::vector<std::uint8_t> PackCodes(int codeSize, const std::vector<int>& codes)
{
    const int clear = 1 << codeSize;
    int width = codeSize + 1, next = clear + 2, maxCode = 2 * clear;
    bool first = true;
    std::vector<std::uint8_t> packed;
    std::uint64_t bits = 0;
    int count = 0;
    for (int code : codes) {
        bits |= std::uint64_t(code) << count;
        count += width;
        for (; count >= 8; count -= 8, bits >>= 8)
            packed.push_back(std::uint8_t(bits));
        if (code == clear) {
            width = codeSize + 1, next = clear + 2, maxCode = 2 * clear, first = true;
        } else if (code == clear + 1) {
        } else if (first) {
            first = false;
        } else if (next < 4096 && ++next >= maxCode && maxCode < 4096) {
            maxCode *= 2;
            ++width;
        }
    }
    if (count > 0)
        packed.push_back(std::uint8_t(bits));
    std::vector<std::uint8_t> out{std::uint8_t(codeSize)};
    for (std::size_t pos = 0; pos < packed.size(); pos += 255) {
        const std::size_t n = std::min<std::size_t>(255, packed.size() - pos);
        out.push_back(std::uint8_t(n));
        out.insert(out.end(), packed.begin() + std::ptrdiff_t(pos), packed.begin() + std::ptrdiff_t(pos + n));
    }
    out.push_back(0);
    return out;
}

// A GIF of `images` images of side x side pixels on a screen of that size, black and white.
// Each image's data is a clear code and then single pixels of the two colours by turns, about
// dataBytes of them, and no end code: data that stop early, so that a large image of a small
// file describes only its first pixels and the rest keeps the fill.
inline std::vector<std::uint8_t> EarlyEndingGif(int images, int side, std::size_t dataBytes)
{
    std::vector<int> codes = {4};
    // 12 bits a code once the table has grown: enough codes for the bytes asked.
    for (std::size_t i = 0; i < dataBytes * 8 / 12; ++i)
        codes.push_back(int(i & 1));
    const auto lo = std::uint8_t(side), hi = std::uint8_t(side >> 8);
    std::vector<std::uint8_t> image = {0x2C, 0, 0, 0, 0, lo, hi, lo, hi, 0};
    const std::vector<std::uint8_t> data = PackCodes(2, codes);
    image.insert(image.end(), data.begin(), data.end());
    std::vector<std::uint8_t> out = {'G', 'I', 'F', '8', '9', 'a', lo, hi, lo, hi, 0x80, 0, 0, 0, 0, 0, 255, 255, 255};
    out.reserve(out.size() + std::size_t(std::max(images, 0)) * image.size() + 1);
    for (int i = 0; i < images; ++i)
        out.insert(out.end(), image.begin(), image.end());
    out.push_back(0x3B);
    return out;
}

// The data bytes of an image of side x side that keep the proportion of pixels to bytes of
// the file that once cost gigabytes: 40 images of 16384 x 16384 in 981,140 bytes.
inline std::size_t EarlyEndingDataBytes(int side)
{
    const double pixelsPerByte = 40.0 * 16384 * 16384 / 981140;
    return std::size_t(double(side) * side / pixelsPerByte);
}

} // namespace kelvo::test
