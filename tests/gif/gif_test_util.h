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
#include "support/lzw_codes.h"

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

using kelvo::test::PackCodes;

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
