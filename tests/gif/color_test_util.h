#pragma once
// Small picture builders shared by the colour tests.
#include <cstdint>
#include <functional>
#include <random>

#include "platform/bitmap.h"

namespace kelvo::test {

struct TRGB {
    BYTE R, G, B;
};

// A 24-bit bitmap whose pixel (x, y) is paint(x, y).
inline TBitmap MakeBitmap24(int width, int height, const std::function<TRGB(int, int)>& paint)
{
    TBitmap bitmap(width, height, pf24bit);
    for (int y = 0; y < height; ++y) {
        BYTE* row = bitmap.ScanLine(y);
        for (int x = 0; x < width; ++x) {
            const TRGB c = paint(x, y);
            row[x * 3] = c.B;
            row[x * 3 + 1] = c.G;
            row[x * 3 + 2] = c.R;
        }
    }
    return bitmap;
}

inline TBitmap RandomBitmap24(int width, int height, unsigned seed)
{
    std::mt19937 random(seed);
    return MakeBitmap24(width, height, [&](int, int) {
        return TRGB{BYTE(random() & 0xFF), BYTE(random() & 0xFF), BYTE(random() & 0xFF)};
    });
}

inline TRGB Pixel24(const TBitmap& bitmap, int x, int y)
{
    const BYTE* p = bitmap.ScanLine(y) + x * 3;
    return TRGB{p[2], p[1], p[0]};
}

} // namespace kelvo::test
