#pragma once
// What the image-data decoder and encoder share; not part of the library's interface.
#include <zlib.h>

#include "png/png_internal.h"

[[noreturn]] void RaiseZlib(TPNGObject* owner, const z_stream& z, int code);
void WriteRawChunk(TStream& stream, const char* name, const BYTE* data, DWORD size);
// True when the gamma table maps every value to itself.
bool IsIdentity(const BYTE* table);
// Pixels in one row of an Adam7 pass over an image this wide.
unsigned PassWidth(DWORD width, int pass);
