#pragma once
// Helpers shared by the PNG tests: loading files, the picture's pixels as RGBA, and a
// reference decode through libpng.
#include <cstdint>
#include <exception>
#include <filesystem>
#include <memory>
#include <string>
#include <utility>
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

// The message of the error that loading the bytes raises, when it is of class E.
template <class E>
std::string ErrorText(const std::vector<std::uint8_t>& bytes)
{
    try {
        LoadPng(bytes);
    } catch (const E& e) {
        return e.Message;
    } catch (const std::exception& e) {
        return std::string("wrong class: ") + e.what();
    }
    return "no error";
}

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

struct TPatternOptions {
    int Interlace = 0;         // 1: Adam7
    bool MixedFilters = false; // row filters None, Sub, Up, Average, Paeth in turn
    int IdatChunks = 1;        // the image data split over this many chunks
    // Chunks besides IHDR, PLTE, IDAT and IEND. A palette picture's PLTE goes before the
    // first tRNS, bKGD or hIST among them, as the format orders them.
    std::vector<std::vector<std::uint8_t>> Extra;

    TPatternOptions& Adam7() { Interlace = 1; return *this; }
    TPatternOptions& Filtered() { MixedFilters = true; return *this; }
    TPatternOptions& Split(int chunks) { IdatChunks = chunks; return *this; }
    TPatternOptions& With(std::vector<std::uint8_t> chunk) { Extra.push_back(std::move(chunk)); return *this; }
};

// A w x h file of the colour type and depth whose samples change from pixel to pixel and
// channel to channel (16-bit samples in both bytes); a palette picture gets 2^depth distinct
// entries. Written independently of the library, for tests that need a picture of a kind.
std::vector<std::uint8_t> PatternPng(std::uint32_t width, std::uint32_t height, int depth, int colorType,
                                     const TPatternOptions& options = {});
// A gAMA chunk for the given gamma times 100000.
std::vector<std::uint8_t> GamaChunk(std::uint32_t gamma);

} // namespace pngtest
