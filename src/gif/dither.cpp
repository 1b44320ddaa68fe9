#include "gif/dither.h"

#include <algorithm>
#include <cstring>

#include "gif/gif_types.h"

namespace {

// Offsets count in scan direction: +1 is the next pixel to be visited on the same row.
constexpr TDiffusionKernel FloydSteinbergKernel{2, 16, 4, {{0, 1, 7}, {1, -1, 3}, {1, 0, 5}, {1, 1, 1}}};

constexpr TDiffusionKernel StuckiKernel{3, 42, 12,
    {{0, 1, 8}, {0, 2, 4},
     {1, -2, 2}, {1, -1, 4}, {1, 0, 8}, {1, 1, 4}, {1, 2, 2},
     {2, -2, 1}, {2, -1, 2}, {2, 0, 4}, {2, 1, 2}, {2, 2, 1}}};

constexpr TDiffusionKernel SierraKernel{3, 32, 10,
    {{0, 1, 5}, {0, 2, 3},
     {1, -2, 2}, {1, -1, 4}, {1, 0, 5}, {1, 1, 4}, {1, 2, 2},
     {2, -1, 2}, {2, 0, 3}, {2, 1, 2}}};

constexpr TDiffusionKernel JaJuNiKernel{3, 48, 12,
    {{0, 1, 7}, {0, 2, 5},
     {1, -2, 3}, {1, -1, 5}, {1, 0, 7}, {1, 1, 5}, {1, 2, 3},
     {2, -2, 1}, {2, -1, 3}, {2, 0, 5}, {2, 1, 3}, {2, 2, 1}}};

constexpr TDiffusionKernel SteveArcheKernel{4, 200, 12,
    {{0, 2, 32},
     {1, -3, 12}, {1, -1, 26}, {1, 1, 30}, {1, 3, 16},
     {2, -2, 12}, {2, 0, 26}, {2, 2, 12},
     {3, -3, 5}, {3, -1, 12}, {3, 1, 12}, {3, 3, 5}}};

constexpr TDiffusionKernel BurkesKernel{2, 32, 7,
    {{0, 1, 8}, {0, 2, 4},
     {1, -2, 2}, {1, -1, 4}, {1, 0, 8}, {1, 1, 4}, {1, 2, 2}}};

constexpr bool WeightsAddUp(const TDiffusionKernel& kernel)
{
    int sum = 0;
    for (int i = 0; i < kernel.Count; ++i)
        sum += kernel.Weights[i].Weight;
    return sum == kernel.Divisor;
}
static_assert(WeightsAddUp(FloydSteinbergKernel) && WeightsAddUp(StuckiKernel) &&
              WeightsAddUp(SierraKernel) && WeightsAddUp(JaJuNiKernel) &&
              WeightsAddUp(SteveArcheKernel) && WeightsAddUp(BurkesKernel));

inline int Clamp255(int value) { return value < 0 ? 0 : (value > 255 ? 255 : value); }

} // namespace

TDitherEngine::TDitherEngine(int width, TColorLookup* lookup) : Width(width), FLookup(lookup) {}

TDitherEngine::~TDitherEngine() = default;

int TDitherEngine::Dither(BYTE& red, BYTE& green, BYTE& blue)
{
    const int index = FLookup->Lookup(red, green, blue);
    Column += Direction;
    return index;
}

void TDitherEngine::NextLine()
{
    Direction = -Direction;
    Column = Direction == 1 ? 0 : Width - 1;
}

TErrorDiffusionDitherer::TErrorDiffusionDitherer(int width, TColorLookup* lookup,
                                                 const TDiffusionKernel& kernel)
    : TDitherEngine(width, lookup), FKernel(kernel)
{
    const std::size_t rowSize = std::size_t(std::max(width, 0) + 2 * Margin) * 3;
    FStorage.assign(rowSize * std::size_t(kernel.Rows), 0);
    for (int r = 0; r < kernel.Rows; ++r)
        FRows[r] = FStorage.data() + rowSize * std::size_t(r);
    FPosition = Margin * 3;
}

template <const TDiffusionKernel& Kernel>
int TErrorDiffusionDitherer::DitherWith(BYTE& red, BYTE& green, BYTE& blue)
{
    constexpr int rounding = Kernel.Divisor / 2;
    int* current = FRows[0] + FPosition;
    const int valueRed = Clamp255(red + (current[0] + rounding) / Kernel.Divisor);
    const int valueGreen = Clamp255(green + (current[1] + rounding) / Kernel.Divisor);
    const int valueBlue = Clamp255(blue + (current[2] + rounding) / Kernel.Divisor);
    red = BYTE(valueRed);
    green = BYTE(valueGreen);
    blue = BYTE(valueBlue);
    const int index = FLookup->Lookup(red, green, blue);
    const int errorRed = valueRed - red;
    const int errorGreen = valueGreen - green;
    const int errorBlue = valueBlue - blue;
    if (errorRed | errorGreen | errorBlue) {
        const int step = Direction * 3;
        for (int i = 0; i < Kernel.Count; ++i) {
            const TDiffusionWeight& w = Kernel.Weights[i];
            int* target = FRows[w.Row] + FPosition + w.Offset * step;
            target[0] += errorRed * w.Weight;
            target[1] += errorGreen * w.Weight;
            target[2] += errorBlue * w.Weight;
        }
    }
    FPosition += Direction * 3;
    Column += Direction;
    return index;
}

void TErrorDiffusionDitherer::NextLine()
{
    // The finished row is cleared and becomes the farthest; the others move up by one.
    int* finished = FRows[0];
    const std::size_t rowSize = std::size_t(std::max(Width, 0) + 2 * Margin) * 3;
    std::memset(finished, 0, rowSize * sizeof(int));
    for (int r = 1; r < FKernel.Rows; ++r)
        FRows[r - 1] = FRows[r];
    FRows[FKernel.Rows - 1] = finished;
    TDitherEngine::NextLine();
    FPosition = (Column + Margin) * 3;
}

TFloydSteinbergDitherer::TFloydSteinbergDitherer(int width, TColorLookup* lookup)
    : TErrorDiffusionDitherer(width, lookup, FloydSteinbergKernel)
{
}

int TFloydSteinbergDitherer::Dither(BYTE& red, BYTE& green, BYTE& blue)
{
    return DitherWith<FloydSteinbergKernel>(red, green, blue);
}

T5by3Ditherer::T5by3Ditherer(int width, TColorLookup* lookup, const TDiffusionKernel& kernel)
    : TErrorDiffusionDitherer(width, lookup, kernel)
{
}

TStuckiDitherer::TStuckiDitherer(int width, TColorLookup* lookup) : T5by3Ditherer(width, lookup, StuckiKernel) {}

int TStuckiDitherer::Dither(BYTE& red, BYTE& green, BYTE& blue)
{
    return DitherWith<StuckiKernel>(red, green, blue);
}

TSierraDitherer::TSierraDitherer(int width, TColorLookup* lookup) : T5by3Ditherer(width, lookup, SierraKernel) {}

int TSierraDitherer::Dither(BYTE& red, BYTE& green, BYTE& blue)
{
    return DitherWith<SierraKernel>(red, green, blue);
}

TJaJuNiDitherer::TJaJuNiDitherer(int width, TColorLookup* lookup) : T5by3Ditherer(width, lookup, JaJuNiKernel) {}

int TJaJuNiDitherer::Dither(BYTE& red, BYTE& green, BYTE& blue)
{
    return DitherWith<JaJuNiKernel>(red, green, blue);
}

TSteveArcheDitherer::TSteveArcheDitherer(int width, TColorLookup* lookup)
    : TErrorDiffusionDitherer(width, lookup, SteveArcheKernel)
{
}

int TSteveArcheDitherer::Dither(BYTE& red, BYTE& green, BYTE& blue)
{
    return DitherWith<SteveArcheKernel>(red, green, blue);
}

TBurkesDitherer::TBurkesDitherer(int width, TColorLookup* lookup)
    : TErrorDiffusionDitherer(width, lookup, BurkesKernel)
{
}

int TBurkesDitherer::Dither(BYTE& red, BYTE& green, BYTE& blue)
{
    return DitherWith<BurkesKernel>(red, green, blue);
}

std::unique_ptr<TDitherEngine> CreateDitherEngine(TDitherMode mode, int width, TColorLookup* lookup)
{
    switch (mode) {
    case dmNearest: return std::make_unique<TDitherEngine>(width, lookup);
    case dmFloydSteinberg: return std::make_unique<TFloydSteinbergDitherer>(width, lookup);
    case dmStucki: return std::make_unique<TStuckiDitherer>(width, lookup);
    case dmSierra: return std::make_unique<TSierraDitherer>(width, lookup);
    case dmJaJuNI: return std::make_unique<TJaJuNiDitherer>(width, lookup);
    case dmSteveArche: return std::make_unique<TSteveArcheDitherer>(width, lookup);
    case dmBurkes: return std::make_unique<TBurkesDitherer>(width, lookup);
    }
    RaiseGIFError(sInvalidReduction);
}
