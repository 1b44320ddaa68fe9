// Pictures of every colour type, depth and layout, made without the library under test.
#include <algorithm>
#include <cstdlib>

#include "png_test_util.h"

namespace pngtest {

namespace {

int Channels(int colorType)
{
    switch (colorType) {
    case 2: return 3;
    case 4: return 2;
    case 6: return 4;
    default: return 1;
    }
}

std::uint32_t Sample(std::uint32_t x, std::uint32_t y, int c, int depth)
{
    const std::uint32_t h = x * 73 + y * 151 + std::uint32_t(c) * 199 + x * y * 7;
    if (depth == 16)
        return (h * 257 + x * 31 + y) & 0xFFFF;
    return h % (1u << depth);
}

std::uint8_t Paeth(int a, int b, int c)
{
    const int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
    return std::uint8_t(pa <= pb && pa <= pc ? a : pb <= pc ? b : c);
}

// One filtered row (filter byte first) from the raw bytes and the row above in the same pass.
void AppendFiltered(std::vector<std::uint8_t>& out, const std::vector<std::uint8_t>& raw,
                    const std::vector<std::uint8_t>& prior, int filter, std::size_t bpp)
{
    out.push_back(std::uint8_t(filter));
    for (std::size_t i = 0; i < raw.size(); ++i) {
        const int a = i >= bpp ? raw[i - bpp] : 0, b = prior.empty() ? 0 : prior[i];
        const int c = i >= bpp && !prior.empty() ? prior[i - bpp] : 0;
        const int predicted = filter == 1 ? a : filter == 2 ? b : filter == 3 ? (a + b) / 2 : filter == 4 ? Paeth(a, b, c) : 0;
        out.push_back(std::uint8_t(raw[i] - predicted));
    }
}

} // namespace

std::vector<std::uint8_t> PatternPng(std::uint32_t width, std::uint32_t height, int depth, int colorType,
                                     const TPatternOptions& options)
{
    struct TPass {
        std::uint32_t x0, y0, dx, dy;
    };
    static const TPass whole[] = {{0, 0, 1, 1}};
    static const TPass adam7[] = {{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
                                  {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}};
    const int channels = Channels(colorType);
    const std::size_t bitsPerPixel = std::size_t(channels) * std::size_t(depth);
    const std::size_t bpp = std::max<std::size_t>(1, bitsPerPixel / 8);

    std::vector<std::uint8_t> filtered;
    int rowNumber = 0;
    const bool interlaced = options.Interlace == 1;
    for (const TPass& pass : interlaced ? std::vector<TPass>(std::begin(adam7), std::end(adam7))
                                        : std::vector<TPass>(std::begin(whole), std::end(whole))) {
        const std::uint32_t columns = width > pass.x0 ? (width - pass.x0 + pass.dx - 1) / pass.dx : 0;
        const std::uint32_t rows = height > pass.y0 ? (height - pass.y0 + pass.dy - 1) / pass.dy : 0;
        if (columns == 0 || rows == 0)
            continue;
        std::vector<std::uint8_t> prior;
        for (std::uint32_t r = 0; r < rows; ++r) {
            const std::uint32_t y = pass.y0 + r * pass.dy;
            std::vector<std::uint8_t> raw((columns * bitsPerPixel + 7) / 8, 0);
            std::size_t bit = 0;
            for (std::uint32_t i = 0; i < columns; ++i)
                for (int c = 0; c < channels; ++c) {
                    const std::uint32_t v = Sample(pass.x0 + i * pass.dx, y, c, depth);
                    if (depth == 16) {
                        raw[bit / 8] = std::uint8_t(v >> 8);
                        raw[bit / 8 + 1] = std::uint8_t(v);
                    } else if (depth == 8) {
                        raw[bit / 8] = std::uint8_t(v);
                    } else {
                        raw[bit / 8] |= std::uint8_t(v << (8 - depth - bit % 8));
                    }
                    bit += std::size_t(depth);
                }
            AppendFiltered(filtered, raw, prior, options.MixedFilters ? rowNumber % 5 : 0, bpp);
            prior = raw;
            ++rowNumber;
        }
    }

    std::vector<std::vector<std::uint8_t>> chunks = {MakeChunk("IHDR", IhdrData(width, height, depth, colorType,
                                                                                options.Interlace))};
    std::vector<std::uint8_t> palette;
    for (int i = 0; colorType == 3 && i < (1 << depth); ++i)
        palette.insert(palette.end(), {std::uint8_t(i * 37 + 11), std::uint8_t(255 - i * 23), std::uint8_t(i * 91 + 5)});
    for (const auto& chunk : options.Extra) {
        const std::string name(chunk.begin() + 4, chunk.begin() + 8);
        if (!palette.empty() && (name == "tRNS" || name == "bKGD" || name == "hIST")) {
            chunks.push_back(MakeChunk("PLTE", palette));
            palette.clear();
        }
        chunks.push_back(chunk);
    }
    if (!palette.empty())
        chunks.push_back(MakeChunk("PLTE", palette));
    const std::vector<std::uint8_t> packed = Zlib(filtered);
    const std::size_t pieces = std::size_t(std::max(1, options.IdatChunks));
    for (std::size_t k = 0; k < pieces; ++k)
        chunks.push_back(MakeChunk("IDAT", std::vector<std::uint8_t>(packed.begin() + std::ptrdiff_t(packed.size() * k / pieces),
                                                                     packed.begin() + std::ptrdiff_t(packed.size() * (k + 1) / pieces))));
    chunks.push_back(MakeChunk("IEND", {}));
    return MakePng(chunks);
}

std::vector<std::uint8_t> GamaChunk(std::uint32_t gamma)
{
    return MakeChunk("gAMA", {std::uint8_t(gamma >> 24), std::uint8_t(gamma >> 16), std::uint8_t(gamma >> 8),
                              std::uint8_t(gamma)});
}

} // namespace pngtest
