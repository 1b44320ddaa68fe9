#pragma once
// Helpers shared by the PNG tests: loading files, the picture's pixels as RGBA, and a
// reference decode through libpng.
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "png/pngimage.h"

namespace pngtest {

struct TRgbaImage {
    int Width = 0;
    int Height = 0;
    std::vector<std::uint8_t> Pixels; // R, G, B, A per pixel, rows top-down
};

std::vector<std::uint8_t> ReadFile(const std::filesystem::path& path);
std::unique_ptr<TPNGObject> LoadPng(const std::vector<std::uint8_t>& bytes);
std::unique_ptr<TPNGObject> LoadPng(const std::filesystem::path& path);
std::vector<std::uint8_t> SavePng(const TPNGObject& png);

// What the picture shows: colour-table colours for palette DIBs, the alpha plane, the
// palette opacities or the colour key.
TRgbaImage PictureRgba(const TPNGObject& png);

// libpng's decode expanded to 8-bit RGBA (high bytes of 16-bit samples). An empty image
// with the error text in error when libpng refuses the data.
TRgbaImage LibpngRgba(const std::vector<std::uint8_t>& bytes, std::string* error = nullptr);

std::filesystem::path PngSuiteDir();

} // namespace pngtest
