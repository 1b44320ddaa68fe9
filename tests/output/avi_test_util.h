#pragma once
// A small RIFF reader that checks what it walks (sizes inside their parent, even padding),
// WAV images made to measure, and frames with a colour for every pixel.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "output/avi_file.h"
#include "platform/bitmap.h"

namespace kelvo::test {

inline std::vector<std::uint8_t> ReadBytes(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void WriteBytes(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes)
{
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

inline std::uint32_t Le32(const std::uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | std::uint32_t(p[3]) << 24; }
inline std::uint16_t Le16(const std::uint8_t* p) { return std::uint16_t(p[0] | p[1] << 8); }

struct TChunk {
    std::string Id;       // "RIFF", "LIST", "avih", ...
    std::string ListType; // for RIFF and LIST
    std::size_t Offset = 0; // of the chunk header in the file
    std::uint32_t Size = 0;
    const std::uint8_t* Data = nullptr; // after the list type for lists
    std::vector<TChunk> Children;

    std::uint32_t U32(std::size_t at) const { return Le32(Data + at); }
    std::uint16_t U16(std::size_t at) const { return Le16(Data + at); }
    // The first child with this id (or list type), else nullptr.
    const TChunk* Find(const std::string& id) const
    {
        for (const TChunk& c : Children)
            if (c.Id == id || c.ListType == id)
                return &c;
        return nullptr;
    }
    std::vector<const TChunk*> All(const std::string& id) const
    {
        std::vector<const TChunk*> found;
        for (const TChunk& c : Children)
            if (c.Id == id || c.ListType == id)
                found.push_back(&c);
        return found;
    }
};

inline void ParseChildren(const std::vector<std::uint8_t>& file, TChunk& parent, std::size_t from, std::size_t end)
{
    std::size_t pos = from;
    while (pos < end) {
        if (pos % 2 != 0)
            ADD_FAILURE() << "chunk at odd offset " << pos;
        if (end - pos < 8) {
            ADD_FAILURE() << "truncated chunk header at " << pos;
            return;
        }
        TChunk c;
        c.Id.assign(reinterpret_cast<const char*>(&file[pos]), 4);
        c.Offset = pos;
        c.Size = Le32(&file[pos + 4]);
        const std::size_t bodyEnd = pos + 8 + c.Size;
        if (bodyEnd > end) {
            ADD_FAILURE() << c.Id << " at " << pos << " runs past its parent";
            return;
        }
        c.Data = &file[pos + 8];
        if (c.Id == "LIST" && c.Size >= 4) {
            c.ListType.assign(reinterpret_cast<const char*>(c.Data), 4);
            c.Data += 4;
            ParseChildren(file, c, pos + 12, bodyEnd);
        }
        parent.Children.push_back(std::move(c));
        pos = bodyEnd + (bodyEnd & 1);
    }
    if (pos != end)
        ADD_FAILURE() << "padding runs past the end of " << parent.Id;
}

// The file as a tree: one RIFF chunk that fills the file exactly.
inline TChunk ParseRiff(const std::vector<std::uint8_t>& file)
{
    TChunk root;
    root.Id = "file";
    if (file.size() < 12 || std::memcmp(file.data(), "RIFF", 4) != 0) {
        ADD_FAILURE() << "not a RIFF file";
        return root;
    }
    EXPECT_EQ(Le32(&file[4]) + 8ull, file.size()) << "RIFF size";
    ParseChildren(file, root, 0, file.size());
    return root;
}

inline std::string FourCCText(std::uint32_t f) { return std::string(reinterpret_cast<const char*>(&f), 4); }

// A WAV image: RIFF/WAVE, optional chunks before the format, 'fmt ' of fmtSize bytes, data.
struct TWavShape {
    std::uint16_t Tag = 1, Channels = 2;
    std::uint32_t Rate = 44100;
    std::uint16_t Bits = 16;
    std::uint16_t BlockAlign = 0; // 0: from channels and bits
    std::uint32_t FmtSize = 16;
    std::vector<std::uint8_t> Data;
    bool ListFirst = false;
    bool NoData = false;
    std::int64_t DataSizeField = -1; // -1: the real size
    std::int64_t FactSamples = -1;   // >= 0: a fact chunk after the format
};

inline std::vector<std::uint8_t> MakeWav(const TWavShape& s)
{
    std::vector<std::uint8_t> w;
    auto u32 = [&](std::uint32_t v) { for (int i = 0; i < 4; ++i) w.push_back(std::uint8_t(v >> (8 * i))); };
    auto u16 = [&](std::uint16_t v) { w.push_back(std::uint8_t(v)); w.push_back(std::uint8_t(v >> 8)); };
    auto id = [&](const char* f) { for (int i = 0; i < 4; ++i) w.push_back(std::uint8_t(f[i])); };
    const std::uint16_t align = s.BlockAlign ? s.BlockAlign : std::uint16_t(s.Channels * s.Bits / 8);
    id("RIFF");
    u32(0);
    id("WAVE");
    if (s.ListFirst) {
        id("LIST");
        u32(7);
        for (const char c : {'I', 'N', 'F', 'O', 'x', 'y', 'z', '\0'}) // 7 bytes and a pad byte
            w.push_back(std::uint8_t(c));
    }
    id("fmt ");
    u32(s.FmtSize);
    u16(s.Tag);
    u16(s.Channels);
    u32(s.Rate);
    u32(s.Rate * align);
    u16(align);
    u16(s.Bits);
    for (std::uint32_t i = 16; i < s.FmtSize; ++i)
        w.push_back(0);
    if (s.FmtSize & 1)
        w.push_back(0);
    if (s.FactSamples >= 0) {
        id("fact");
        u32(4);
        u32(std::uint32_t(s.FactSamples));
    }
    if (!s.NoData) {
        id("data");
        u32(s.DataSizeField < 0 ? std::uint32_t(s.Data.size()) : std::uint32_t(s.DataSizeField));
        w.insert(w.end(), s.Data.begin(), s.Data.end());
        if (s.Data.size() & 1)
            w.push_back(0);
    }
    const std::uint32_t riff = std::uint32_t(w.size() - 8);
    std::memcpy(&w[4], &riff, 4);
    return w;
}

// A frame whose pixels all differ: red from x, green from y, blue from the seed.
inline TBitmap PatternFrame(int width, int height, int seed, TPixelFormat format = pf24bit)
{
    TBitmap b(width, height, format);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            b.SetPixel(x, y, RGB(20 + 37 * x, 10 + 53 * y, 30 * seed + 7));
    return b;
}

} // namespace kelvo::test
