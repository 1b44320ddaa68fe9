#pragma once
// The PNG library's English messages, kept in one table under their string-table numbers so
// that a translation only has to replace the table.
#include <string>

enum TPngTextId : int {
    EPNGOutMemoryText = 65456,
    EPNGCannotChangeTransparentText = 65457,
    EPNGHeaderNotPresentText = 65458,
    EPNGInvalidFileHeaderText = 65472,
    EPNGIHDRNotFirstText = 65473,
    EPNGNotExistsText = 65474,
    EPNGSizeExceedsText = 65475,
    EPNGUnknownPalEntryText = 65476,
    EPNGMissingPaletteText = 65477,
    EPNGUnknownCriticalChunkText = 65478,
    EPNGUnknownCompressionText = 65479,
    EPNGUnknownInterlaceText = 65480,
    EPNGCannotAssignChunkText = 65481,
    EPNGUnexpectedEndText = 65482,
    EPNGNoImageDataText = 65483,
    EPNGCannotChangeSizeText = 65484,
    EPNGCannotAddChunkText = 65485,
    EPNGCannotAddInvalidImageText = 65486,
    EPNGCouldNotLoadResourceText = 65487,
    EPngInvalidCRCText = 65499,
    EPNGInvalidIHDRText = 65500,
    EPNGMissingMultipleIDATText = 65501,
    EPNGZLIBErrorText = 65502,
    EPNGInvalidPaletteText = 65503,
};

// The text of a message; an unknown number gives an empty text.
std::string LoadPngText(int id);
