#pragma once
// Helpers shared by the PNG units; not part of the library's interface.
#include <cstddef>
#include <cstdint>

#include "platform/streams.h"
#include "platform/types.h"

class TPNGObject;

inline DWORD GetBE32(const BYTE* p)
{
    return (DWORD(p[0]) << 24) | (DWORD(p[1]) << 16) | (DWORD(p[2]) << 8) | DWORD(p[3]);
}
inline void PutBE32(BYTE* p, DWORD v)
{
    p[0] = BYTE(v >> 24);
    p[1] = BYTE(v >> 16);
    p[2] = BYTE(v >> 8);
    p[3] = BYTE(v);
}

// Raise EPngUnexpectedEnd when the stream comes up short.
void PngReadExact(TPNGObject* owner, TStream& stream, void* buffer, std::int64_t count);
DWORD PngReadDWord(TPNGObject* owner, TStream& stream);
// Raises EPngUnexpectedEnd when fewer than count bytes are left in a stream that knows its size.
void PngCheckAvailable(TPNGObject* owner, TStream& stream, std::uint64_t count);

// Rounded k * 255 / (n - 1), the scaling of the grey ramps.
inline int MulDiv(int a, int b, int c) { return c == 0 ? -1 : (a * b + c / 2) / c; }

// The zlib stream's Adler-32 check value, continued over more data.
DWORD ZlibAdler32(DWORD adler, const BYTE* data, std::size_t size);
// count pixels from PNG order (R, G, B[, A]) to the DIB's B, G, R (and the alpha plane).
void SwapRgbToBgr(const BYTE* src, BYTE* dst, std::size_t count);
void SwapRgbaToBgr(const BYTE* src, BYTE* dst, BYTE* alpha, std::size_t count);
