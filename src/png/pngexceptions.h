#pragma once
// The PNG library's exception classes: one general class for misuse of the object and one
// per kind of bad input, all straight from the class library's Exception.
#include "platform/exceptions.h"

#define KELVO_PNG_EXCEPTION(Name)                                     \
    class Name : public Exception {                                   \
    public:                                                           \
        using Exception::Exception;                                   \
    }

KELVO_PNG_EXCEPTION(EPNGOutMemory);
KELVO_PNG_EXCEPTION(EPngError);
KELVO_PNG_EXCEPTION(EPngUnexpectedEnd);
KELVO_PNG_EXCEPTION(EPngInvalidCRC);
KELVO_PNG_EXCEPTION(EPngInvalidIHDR);
KELVO_PNG_EXCEPTION(EPNGMissingMultipleIDAT);
KELVO_PNG_EXCEPTION(EPNGZLIBError);
KELVO_PNG_EXCEPTION(EPNGInvalidPalette);
KELVO_PNG_EXCEPTION(EPNGInvalidFileHeader);
KELVO_PNG_EXCEPTION(EPNGIHDRNotFirst);
KELVO_PNG_EXCEPTION(EPNGNotExists);
KELVO_PNG_EXCEPTION(EPNGSizeExceeds);
KELVO_PNG_EXCEPTION(EPNGMissingPalette);
KELVO_PNG_EXCEPTION(EPNGUnknownCriticalChunk);
KELVO_PNG_EXCEPTION(EPNGUnknownCompression);
KELVO_PNG_EXCEPTION(EPNGUnknownInterlace);
KELVO_PNG_EXCEPTION(EPNGNoImageData);
KELVO_PNG_EXCEPTION(EPNGCouldNotLoadResource);
KELVO_PNG_EXCEPTION(EPNGCannotChangeTransparent);
KELVO_PNG_EXCEPTION(EPNGHeaderNotPresent);

#undef KELVO_PNG_EXCEPTION
