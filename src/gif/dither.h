#pragma once
// Dither engines: they pick a palette index per pixel in serpentine order (rows alternate
// left-to-right and right-to-left). The diffusion engines carry each pixel's colour error to
// pixels not yet visited with the kernel of their kind.
#include <memory>
#include <vector>

#include "gif/color_reduction.h"
#include "gif/color_types.h"

class TDitherEngine {
public:
    TDitherEngine(int width, TColorLookup* lookup);
    virtual ~TDitherEngine();
    TDitherEngine(const TDitherEngine&) = delete;
    TDitherEngine& operator=(const TDitherEngine&) = delete;

    // Answers the index of the pixel at Column and replaces the colour by the chosen one.
    virtual int Dither(BYTE& red, BYTE& green, BYTE& blue);
    virtual void NextLine();

    int Direction = 1;
    int Column = 0;
    int Width;

protected:
    TColorLookup* FLookup; // not owned
};

// One weight of a diffusion kernel: `Row` rows below, `Offset` columns ahead in scan direction.
struct TDiffusionWeight {
    int Row;
    int Offset;
    int Weight;
};

struct TDiffusionKernel {
    int Rows;    // error rows per channel, the current one included
    int Divisor;
    int Count;
    TDiffusionWeight Weights[16];
};

// Error diffusion driven by a kernel table. Errors are kept multiplied by the divisor in
// integer rows (three channels interleaved) with a margin on each side, so that a kernel that
// reaches past the picture's edge writes into the margin and the error is dropped.
class TErrorDiffusionDitherer : public TDitherEngine {
public:
    void NextLine() override;

protected:
    TErrorDiffusionDitherer(int width, TColorLookup* lookup, const TDiffusionKernel& kernel);

    // The per-pixel step with the kernel known at compile time, so that the divisions and the
    // weight loop compile down to constants; the concrete engines' Dither calls it.
    template <const TDiffusionKernel& Kernel>
    int DitherWith(BYTE& red, BYTE& green, BYTE& blue);

    static constexpr int Margin = 3; // the widest kernel reaches three columns sideways

    const TDiffusionKernel& FKernel;
    std::vector<int> FStorage;  // all error rows, allocated once per picture
    int* FRows[4] = {};         // FRows[r]: r rows below the current one
    int FPosition = 0;          // index of the current column's red error within a row
};

class TFloydSteinbergDitherer final : public TErrorDiffusionDitherer {
public:
    TFloydSteinbergDitherer(int width, TColorLookup* lookup);
    int Dither(BYTE& red, BYTE& green, BYTE& blue) override;
};

// The engines whose kernel spans five columns and three rows.
class T5by3Ditherer : public TErrorDiffusionDitherer {
protected:
    T5by3Ditherer(int width, TColorLookup* lookup, const TDiffusionKernel& kernel);
};

class TStuckiDitherer final : public T5by3Ditherer {
public:
    TStuckiDitherer(int width, TColorLookup* lookup);
    int Dither(BYTE& red, BYTE& green, BYTE& blue) override;
};

class TSierraDitherer final : public T5by3Ditherer {
public:
    TSierraDitherer(int width, TColorLookup* lookup);
    int Dither(BYTE& red, BYTE& green, BYTE& blue) override;
};

class TJaJuNiDitherer final : public T5by3Ditherer {
public:
    TJaJuNiDitherer(int width, TColorLookup* lookup);
    int Dither(BYTE& red, BYTE& green, BYTE& blue) override;
};

class TSteveArcheDitherer final : public TErrorDiffusionDitherer {
public:
    TSteveArcheDitherer(int width, TColorLookup* lookup);
    int Dither(BYTE& red, BYTE& green, BYTE& blue) override;
};

class TBurkesDitherer final : public TErrorDiffusionDitherer {
public:
    TBurkesDitherer(int width, TColorLookup* lookup);
    int Dither(BYTE& red, BYTE& green, BYTE& blue) override;
};

// The engine for a dither mode; an unknown mode raises "Invalid reduction method".
std::unique_ptr<TDitherEngine> CreateDitherEngine(TDitherMode mode, int width, TColorLookup* lookup);
