#pragma once
// The compressors behind compressed AVI streams. Both are intra-only: every frame they make
// stands alone, so every frame of the file is a key frame.
#include <memory>
#include <vector>

#include "output/avi_file.h"

class TAviEncoder {
public:
    virtual ~TAviEncoder() = default;
    // The stored format for frames of the given input format (header + colour table, as
    // written to the compressed stream); AVIERR_BADFORMAT when this input is not supported.
    virtual HRESULT OutputFormat(const std::vector<BYTE>& input, std::vector<BYTE>& output) = 0;
    // Compresses one frame of the input format set before. The result stays valid until
    // the next call.
    virtual HRESULT Encode(const BYTE* bits, std::size_t size, const BYTE*& out, std::size_t& outSize) = 0;
};

// nullptr when the registry has no such handler.
std::unique_ptr<TAviEncoder> MakeAviEncoder(const AVICOMPRESSOPTIONS& options);

// The quality a zeroed option gives.
constexpr int AviDefaultJpegQuality = 75;
