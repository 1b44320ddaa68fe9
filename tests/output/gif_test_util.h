#pragma once
// Walks the blocks of a GIF file and keeps, per image, its descriptor and the extension blocks
// in front of it, byte for byte; and makes solid frames to build animations from.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/bitmap.h"
#include "platform/canvas.h"

namespace kelvo::test {

struct TGifBlockImage {
    // Each extension: its label, then its sub-blocks' data joined.
    struct TExtension {
        std::uint8_t Label = 0;
        std::vector<std::uint8_t> Data;
    };
    std::vector<TExtension> Extensions;
    int Left = 0, Top = 0, Width = 0, Height = 0;
    bool Interlaced = false;
};

// The images of a GIF stream; fails the test (and gives what it found) on a malformed stream.
inline std::vector<TGifBlockImage> WalkGif(const std::vector<std::uint8_t>& bytes)
{
    std::vector<TGifBlockImage> images;
    auto fail = [&](const char* why) {
        ADD_FAILURE() << why;
        return images;
    };
    if (bytes.size() < 13 || std::string(bytes.begin(), bytes.begin() + 6) != "GIF89a")
        return fail("no GIF89a header");
    std::size_t at = 13;
    if (bytes[10] & 0x80)
        at += 3u << ((bytes[10] & 7) + 1);
    auto subBlocks = [&](std::vector<std::uint8_t>* into) {
        while (at < bytes.size() && bytes[at] != 0) {
            const std::size_t n = bytes[at];
            if (into)
                into->insert(into->end(), bytes.begin() + std::ptrdiff_t(at + 1),
                             bytes.begin() + std::ptrdiff_t(std::min(bytes.size(), at + 1 + n)));
            at += n + 1;
        }
        ++at;
    };
    TGifBlockImage current;
    while (at < bytes.size()) {
        const std::uint8_t block = bytes[at++];
        if (block == 0x3B)
            return images;
        if (block == 0x21 && at < bytes.size()) {
            TGifBlockImage::TExtension ext;
            ext.Label = bytes[at++];
            subBlocks(&ext.Data);
            current.Extensions.push_back(ext);
        } else if (block == 0x2C && at + 9 <= bytes.size()) {
            const std::uint8_t* d = &bytes[at];
            current.Left = d[0] | d[1] << 8;
            current.Top = d[2] | d[3] << 8;
            current.Width = d[4] | d[5] << 8;
            current.Height = d[6] | d[7] << 8;
            current.Interlaced = (d[8] & 0x40) != 0;
            at += 9;
            if (d[8] & 0x80)
                at += 3u << ((d[8] & 7) + 1);
            ++at; // LZW minimum code size
            subBlocks(nullptr);
            images.push_back(current);
            current = {};
        } else {
            return fail("unexpected block");
        }
    }
    return fail("no trailer");
}

// A bitmap of one colour.
inline TBitmap SolidBitmap(int width, int height, TColor color)
{
    TBitmap bitmap(width, height, pf24bit);
    bitmap.Canvas().Brush().Color = color;
    bitmap.Canvas().FillRect(TRect{0, 0, width, height});
    return bitmap;
}

} // namespace kelvo::test
