#pragma once
// Colour reduction and dither choices. The numeric values are stored in project files and
// in the GIF colour options, so the order of the enumerators must never change.

enum TColorReduction : int {
    rmNone = 0,
    rmWindows20 = 1,
    rmWindows256 = 2,
    rmWindowsGray = 3,
    rmMonochrome = 4,
    rmGrayScale = 5,
    rmNetscape = 6,
    rmQuantize = 7,
    rmQuantizeWindows = 8,
    rmPalette = 9,
};

enum TDitherMode : int {
    dmNearest = 0,
    dmFloydSteinberg = 1,
    dmStucki = 2,
    dmSierra = 3,
    dmJaJuNI = 4,
    dmSteveArche = 5,
    dmBurkes = 6,
};

constexpr bool IsValidColorReduction(int value) { return value >= rmNone && value <= rmPalette; }
constexpr bool IsValidDitherMode(int value) { return value >= dmNearest && value <= dmBurkes; }
