#pragma once
// The whole project written as an AVI file, with every message the user sees on the way.
// The main window hands over what it holds; this side needs no window, so it is tested
// without one.
#include <functional>
#include <string>
#include <vector>

#include "platform/bitmap.h"
#include "platform/types.h"

struct TAviMovie {
    int FrameWidth = 0;
    int FrameHeight = 0;
    int AviFrameTime = 0;
    // Each frame's bitmap and where its top-left corner lands in the project frame.
    std::vector<const TBitmap*> Frames;
    std::vector<TPoint> Origins;
    bool ShowCodecDialog = false;
    bool AddSound = false;
    std::string WavFile;
    int ScreenDepthBytes = 4;
    void* Owner = nullptr; // the window the compressor choice belongs to
    // Deletes an existing target; tests put a failing one in (as root every delete works).
    std::function<bool(const std::string&)> DeleteFile;
};

// Writes fileName; failures are shown, never thrown at the caller (but for out of memory).
void WriteAviMovie(const TAviMovie& movie, const std::string& fileName);
