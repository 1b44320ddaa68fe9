// The LZW decoder reads sub-blocks ahead of its codes; what the data's end means must still
// be told as a reader going block by block tells it: warnings only when a code reaches that
// far, and the stream left where such a reader leaves it.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "gif/lzw.h"

namespace {

using Bytes = std::vector<BYTE>;

struct TDecoded {
    Bytes Pixels;
    std::vector<int> Warnings;
    std::int64_t PastEnd = 0; // stream position minus its size afterwards
};

TDecoded Decode(const Bytes& data, std::size_t capacity)
{
    TMemoryStream stream;
    stream.WriteBuffer(data.data(), std::int64_t(data.size()));
    stream.SetPosition(0);
    TDecoded result;
    Bytes out(capacity + 64, 0xEE);
    TLZWDecodeTarget target;
    target.Pixels = out.data();
    target.Capacity = capacity;
    target.Warning = [&](int id) { result.Warnings.push_back(id); };
    const std::size_t n = DecodeLZW(stream, target);
    result.Pixels.assign(out.begin(), out.begin() + std::ptrdiff_t(n));
    result.PastEnd = stream.Position() - stream.Size();
    return result;
}

// Code size 2, codes clear, 1, 1, 6 (three bits each), then 1 in four bits: five pixels of
// 1 in exactly two bytes, no end code.
constexpr BYTE kByte0 = 0x4C;
constexpr BYTE kByte1 = 0x1C;

TEST(GifLzwStream, TheDataEndTellsWhatABlockByBlockReaderTells)
{
    const std::vector<int> none;
    const std::vector<int> cut{sOutOfData};
    const std::vector<int> underRun{sDecodeTooFewBits};
    const std::vector<int> cutThenUnderRun{sOutOfData, sDecodeTooFewBits};
    struct TCase {
        const char* Name;
        Bytes Data;
        std::size_t Capacity;
        Bytes Pixels;
        std::vector<int> Warnings;
        std::int64_t PastEnd;
    } cases[] = {
        {"ends on a code boundary", {2, 2, kByte0, kByte1, 0}, 10, Bytes(5, 1), underRun, 0},
        {"same bits in one-byte blocks", {2, 1, kByte0, 1, kByte1, 0}, 10, Bytes(5, 1), underRun, 0},
        {"a code runs into a cut block", {2, 2, kByte0}, 10, Bytes(1, 1), cut, 0},
        {"the frame is full before a cut block", {2, 2, kByte0, kByte1, 5, 0x01}, 5, Bytes(5, 1), none, 4},
        {"codes read on in a cut block", {2, 2, kByte0, kByte1, 5, 0x01}, 10, Bytes{1, 1, 1, 1, 1, 1, 0},
         cutThenUnderRun, 0},
        {"no terminator after full data", {2, 2, kByte0, kByte1}, 10, Bytes(5, 1), underRun, 0},
    };
    for (const TCase& c : cases) {
        const TDecoded d = Decode(c.Data, c.Capacity);
        EXPECT_EQ(d.Pixels, c.Pixels) << c.Name;
        EXPECT_EQ(d.Warnings, c.Warnings) << c.Name;
        EXPECT_EQ(d.PastEnd, c.PastEnd) << c.Name;
    }
}

// Frames the payload of encoded data in sub-blocks of the given size.
Bytes Reblock(const Bytes& encoded, std::size_t blockSize)
{
    Bytes payload;
    for (std::size_t i = 1; i < encoded.size() && encoded[i] != 0; i += std::size_t(encoded[i]) + 1)
        payload.insert(payload.end(), encoded.begin() + std::ptrdiff_t(i) + 1,
                       encoded.begin() + std::ptrdiff_t(i + 1 + encoded[i]));
    Bytes out{encoded[0]};
    for (std::size_t i = 0; i < payload.size(); i += blockSize) {
        const std::size_t n = std::min(blockSize, payload.size() - i);
        out.push_back(BYTE(n));
        out.insert(out.end(), payload.begin() + std::ptrdiff_t(i), payload.begin() + std::ptrdiff_t(i + n));
    }
    out.push_back(0);
    return out;
}

TEST(GifLzwStream, CodesSpanningAnyBlockSizesDecodeAlike)
{
    // Noise over a few values and long runs: 12-bit codes, clears, and strings both short and
    // longer than sixteen pixels.
    const int width = 97;
    const int height = 131;
    Bytes pixels(std::size_t(width) * height);
    std::mt19937 rng(7);
    for (std::size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = (i / 2000) % 2 ? BYTE(rng() % 256) : BYTE((i / 300) % 3);
    TMemoryStream stream;
    TLZWEncoder().Compress(stream, 8, width, height, false, pixels.data(), 256);
    const Bytes encoded = stream.Bytes();
    for (std::size_t blockSize : {1u, 2u, 7u, 200u, 255u}) {
        const TDecoded d = Decode(Reblock(encoded, blockSize), pixels.size());
        EXPECT_EQ(d.Pixels, pixels) << blockSize;
        EXPECT_TRUE(d.Warnings.empty()) << blockSize;
        EXPECT_EQ(d.PastEnd, 0) << blockSize;
    }
}

} // namespace
