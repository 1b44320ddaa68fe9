#pragma once
// Enumerations, small value types, the message table, the exception class and the
// library-wide defaults of the GIF library.
#include <cstdint>
#include <initializer_list>
#include <string>

#include "gif/color_types.h"
#include "platform/exceptions.h"
#include "platform/types.h"

class TGIFImage;
class TGIFSubImage;

enum TGIFVersion : int { gvUnknown, gv87a, gv89a };
enum TGIFSeverity : int { gsInfo, gsWarning, gsError };
enum TDisposalMethod : int { dmNone, dmNoDisposal, dmBackground, dmPrevious };
enum TGIFCompression : int { gcLZW, gcRLE };

enum TGIFOptimizeOption : int { ooCrop, ooMerge, ooCleanup, ooColorMap, ooReduceColors };

enum TGIFDrawOption : int {
    goAsync,
    goTransparent,
    goAnimate,
    goLoop,
    goLoopContinously,
    goValidateCanvas,
    goDirectDraw,
    goClearOnLoop,
    goTile,
    goDither,
    goAutoDither
};

// A set of enumerators stored as bits (bit n = enumerator n), the way the library's sets
// are kept in project files and defaults.
template <typename E, typename Rep>
class TEnumSet {
public:
    constexpr TEnumSet() = default;
    constexpr TEnumSet(std::initializer_list<E> items)
    {
        for (E e : items)
            bits_ = Rep(bits_ | Bit(e));
    }
    static constexpr TEnumSet FromBits(Rep bits)
    {
        TEnumSet s;
        s.bits_ = bits;
        return s;
    }
    constexpr Rep Bits() const { return bits_; }
    constexpr bool Contains(E e) const { return (bits_ & Bit(e)) != 0; }
    constexpr bool IsEmpty() const { return bits_ == 0; }
    constexpr TEnumSet& Include(E e)
    {
        bits_ = Rep(bits_ | Bit(e));
        return *this;
    }
    constexpr TEnumSet& Exclude(E e)
    {
        bits_ = Rep(bits_ & ~Bit(e));
        return *this;
    }
    friend constexpr bool operator==(const TEnumSet&, const TEnumSet&) = default;
    friend constexpr TEnumSet operator+(TEnumSet a, TEnumSet b) { return FromBits(Rep(a.bits_ | b.bits_)); }
    friend constexpr TEnumSet operator-(TEnumSet a, TEnumSet b) { return FromBits(Rep(a.bits_ & ~b.bits_)); }
    friend constexpr TEnumSet operator*(TEnumSet a, TEnumSet b) { return FromBits(Rep(a.bits_ & b.bits_)); }

private:
    static constexpr Rep Bit(E e) { return Rep(Rep(1) << int(e)); }
    Rep bits_ = 0;
};

using TGIFDrawOptions = TEnumSet<TGIFDrawOption, std::uint16_t>;
using TGIFOptimizeOptions = TEnumSet<TGIFOptimizeOption, std::uint8_t>;

// The class library's thread priorities, kept for the painters' threads.
enum TGIFThreadPriority : int { tpIdle, tpLowest, tpLower, tpNormal, tpHigher, tpHighest, tpTimeCritical };

// One colour table entry as it is stored in the file.
struct TGIFColor {
    BYTE Red = 0;
    BYTE Green = 0;
    BYTE Blue = 0;
    friend bool operator==(const TGIFColor&, const TGIFColor&) = default;
};
static_assert(sizeof(TGIFColor) == 3);

// ---- Message table ------------------------------------------------------------------------

enum : int {
    sEmptyColorMap = 65488,
    sEmptyImage = 65489,
    sInvalidBitmapList = 65490,
    sInvalidReduction = 65491,
    sGIFImageFile = 65492,
    sProgressLoading = 65493,
    sProgressSaving = 65494,
    sProgressConverting = 65495,
    sProgressRendering = 65496,
    sProgressCopying = 65497,
    sProgressOptimizing = 65498,
    sBadBlock = 65504,
    sUnsupportedClass = 65505,
    sInvalidData = 65506,
    sBadHeight = 65507,
    sBadWidth = 65508,
    sFailedPaste = 65509,
    sScreenSizeExceeded = 65510,
    sNoColorTable = 65511,
    sBadPixelCoordinates = 65512,
    sUnsupportedBitmap = 65513,
    sInvalidPixelFormat = 65514,
    sBadDimension = 65515,
    sNoDIB = 65516,
    sInvalidStream = 65517,
    sInvalidColor = 65518,
    sInvalidBitSize = 65519,
    sOutOfData = 65520,
    sTooManyColors = 65521,
    sBadColorIndex = 65522,
    sBadVersion = 65523,
    sBadSignature = 65524,
    sScreenBadColorSize = 65525,
    sImageBadColorSize = 65526,
    sUnknownExtension = 65527,
    sBadExtensionLabel = 65528,
    sOutOfMemDIB = 65529,
    sDIBCreate = 65530,
    sDecodeTooFewBits = 65531,
    sDecodeCircular = 65532,
    sBadTrailer = 65533,
    sBadExtensionInstance = 65534,
    sBadBlockSize = 65535,
};

// The text of a message id ("" for an id the library does not own).
const std::string& LoadGIFString(int id);

// ---- Errors -------------------------------------------------------------------------------

class GIFException : public EInvalidGraphic {
public:
    using EInvalidGraphic::EInvalidGraphic;
};

// Every error of the library leaves through one of these.
[[noreturn]] void RaiseGIFError(const std::string& message);
[[noreturn]] void RaiseGIFError(int messageId);

// A non-zero handle or result unchanged; zero raises EOutOfResources with the system's text
// for the last error, or the class library's own text when there is none.
[[noreturn]] void RaiseOutOfResources();
template <typename T>
T CheckGDIResult(T value)
{
    if (!value)
        RaiseOutOfResources();
    return value;
}

// ---- Library-wide settings ----------------------------------------------------------------

extern int GIFDelayExp;
extern int GIFDefaultDelay;
extern int GIFMinimumDelay;
extern int GIFMaximumDelay;
extern const char GIFVersions[2][4]; // by TGIFVersion less one
extern TGIFDrawOptions GIFImageDefaultDrawOptions;
extern TColorReduction GIFImageDefaultColorReduction;
extern int GIFImageDefaultColorReductionBits;
extern TDitherMode GIFImageDefaultDitherMode;
extern TGIFCompression GIFImageDefaultCompression;
extern TGIFThreadPriority GIFImageDefaultThreadPriority;
extern int GIFImageDefaultAnimationSpeed;
extern bool DoAutoDither;
extern bool PaletteDevice;
extern bool GIFImageRenderOnLoad;
extern bool GIFImageOptimizeOnStream;

// The clipboard format "GIF Image" (0 until the library has started).
extern UINT CF_GIF;

// Library start and end, counted: the first start registers the picture class "GIF" and the
// clipboard format and reads the screen depth; the last end unregisters and frees the
// extension registries. The program calls the start once before it loads pictures.
void GIFLibraryStartup();
void GIFLibraryShutdown();
// Takes goLoop out of the default draw options.
void Register();

// Smallest n with count <= 2^n (0 for 0 colours, 1 for 1 or 2).
int BitsForColorCount(int count);
