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

namespace pngtest {

// One chunk in file form (length, name, data, CRC) and a file made of chunks.
std::vector<std::uint8_t> MakeChunk(const std::string& name, const std::vector<std::uint8_t>& data);
std::vector<std::uint8_t> MakePng(const std::vector<std::vector<std::uint8_t>>& chunks);
std::vector<std::uint8_t> IhdrData(std::uint32_t width, std::uint32_t height, int depth, int colorType,
                                   int interlace = 0);
// zlib stream of the bytes (default level).
std::vector<std::uint8_t> Zlib(const std::vector<std::uint8_t>& raw);

struct TChunkInfo {
    std::string Name;
    std::uint32_t Length;
};
// The chunks of a file in order (stops at the first damaged framing).
std::vector<TChunkInfo> ListChunks(const std::vector<std::uint8_t>& bytes);

} // namespace pngtest
