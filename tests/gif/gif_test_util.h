#pragma once
// Helpers shared by the GIF library tests.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "gif/gifimage.h"

namespace giftest {

inline std::vector<BYTE> SaveToBytes(const TGIFImage& image)
{
    TMemoryStream stream;
    image.SaveToStream(stream);
    return stream.Bytes();
}

inline void LoadFromBytes(TGIFImage& image, const std::vector<BYTE>& bytes)
{
    TMemoryStream stream;
    if (!bytes.empty())
        stream.WriteBuffer(bytes.data(), std::int64_t(bytes.size()));
    stream.SetPosition(0);
    image.LoadFromStream(stream);
}

inline std::vector<BYTE> ReadFileBytes(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<BYTE>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Appends a frame of the given pixels (w x h, rows top to bottom) at (left, top).
inline TGIFSubImage* AddFrame(TGIFImage& image, int w, int h, const std::vector<BYTE>& pixels, int left = 0,
                              int top = 0)
{
    auto* frame = new TGIFSubImage(&image);
    image.Add(frame);
    frame->SetBoundsRect(Bounds(left, top, w, h));
    if (!pixels.empty())
        std::memcpy(frame->Data(), pixels.data(), pixels.size());
    return frame;
}

// A grey ramp of n colours.
inline void FillColorMap(TGIFColorMap& map, int n)
{
    for (int i = 0; i < n; ++i) {
        const int v = n > 1 ? i * 255 / (n - 1) : 0;
        map.Add(RGB(v, 255 - v, (v * 7) & 0xFF));
    }
}

// LZW data made of the given codes, each packed at the width a decoder reads it at: the code
// size byte, the codes in sub-blocks, the terminator.
inline std::vector<BYTE> PackCodes(int codeSize, const std::vector<int>& codes)
{
    const int clear = 1 << codeSize;
    int width = codeSize + 1, next = clear + 2, maxCode = 2 * clear;
    bool first = true;
    std::vector<BYTE> packed;
    std::uint64_t bits = 0;
    int count = 0;
    for (int code : codes) {
        bits |= std::uint64_t(code) << count;
        count += width;
        for (; count >= 8; count -= 8, bits >>= 8)
            packed.push_back(BYTE(bits));
        if (code == clear) {
            width = codeSize + 1, next = clear + 2, maxCode = 2 * clear, first = true;
        } else if (code == clear + 1) {
        } else if (first) {
            first = false;
        } else if (next < 4096 && ++next >= maxCode && maxCode < 4096) {
            maxCode *= 2;
            ++width;
        }
    }
    if (count > 0)
        packed.push_back(BYTE(bits));
    std::vector<BYTE> out{BYTE(codeSize)};
    for (std::size_t pos = 0; pos < packed.size(); pos += 255) {
        const std::size_t n = std::min<std::size_t>(255, packed.size() - pos);
        out.push_back(BYTE(n));
        out.insert(out.end(), packed.begin() + std::ptrdiff_t(pos), packed.begin() + std::ptrdiff_t(pos + n));
    }
    out.push_back(0);
    return out;
}

// An image descriptor at (0, 0) without a local table, followed by the given data.
inline std::vector<BYTE> FrameBlock(int w, int h, const std::vector<BYTE>& data, bool interlaced = false)
{
    std::vector<BYTE> out = {0x2C, 0, 0, 0, 0, BYTE(w), BYTE(w >> 8), BYTE(h), BYTE(h >> 8),
                             BYTE(interlaced ? 0x40 : 0)};
    out.insert(out.end(), data.begin(), data.end());
    return out;
}

struct TWarningLog {
    std::vector<std::string> Messages;
    void Attach(TGIFImage& image)
    {
        image.OnWarning = [this](TPersistent*, TGIFSeverity, const std::string& m) { Messages.push_back(m); };
    }
    bool Has(const std::string& m) const
    {
        for (const auto& s : Messages)
            if (s == m)
                return true;
        return false;
    }
};

} // namespace giftest
