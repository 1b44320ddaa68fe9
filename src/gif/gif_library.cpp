// Library-wide state: the message table, the error exit, the tunable defaults and the
// start-up that registers the picture class and the clipboard format.
#include <cerrno>
#include <cstring>
#include <map>
#include <mutex>

#include "gif/gif_extensions.h"
#include "gif/gif_image.h"
#include "gif/gif_types.h"
#include "platform/bitmap.h"
#include "platform/graphic.h"

namespace {

const std::map<int, std::string>& MessageTable()
{
    static const std::map<int, std::string> table = {
        {sEmptyColorMap, "Color table is empty"},
        {sEmptyImage, "Image is empty"},
        {sInvalidBitmapList, "Invalid bitmap list"},
        {sInvalidReduction, "Invalid reduction method"},
        {sGIFImageFile, "GIF Image"},
        {sProgressLoading, "Loading..."},
        {sProgressSaving, "Saving..."},
        {sProgressConverting, "Converting..."},
        {sProgressRendering, "Rendering..."},
        {sProgressCopying, "Copying..."},
        {sProgressOptimizing, "Optimizing..."},
        {sBadBlock, "Unknown GIF block type"},
        {sUnsupportedClass, "Object type not supported for operation"},
        {sInvalidData, "Invalid GIF data"},
        {sBadHeight, "Image height too small for contained frames"},
        {sBadWidth, "Image width too small for contained frames"},
        {sFailedPaste, "Failed to store GIF on clipboard"},
        {sScreenSizeExceeded, "Image exceeds Logical Screen size"},
        {sNoColorTable, "No global or local color table defined"},
        {sBadPixelCoordinates, "Invalid pixel coordinates"},
        {sUnsupportedBitmap, "Unsupported bitmap format"},
        {sInvalidPixelFormat, "Unsupported PixelFormat"},
        {sBadDimension, "Invalid image dimensions"},
        {sNoDIB, "Image has no DIB"},
        {sInvalidStream, "Invalid stream operation"},
        {sInvalidColor, "Color not in color table"},
        {sInvalidBitSize, "Invalid Bits Per Pixel value"},
        {sOutOfData, "Premature end of data"},
        {sTooManyColors, "Color table overflow"},
        {sBadColorIndex, "Invalid color index"},
        {sBadVersion, "Unsupported GIF version"},
        {sBadSignature, "Invalid GIF signature"},
        {sScreenBadColorSize, "Invalid number of colors specified in Screen Descriptor"},
        {sImageBadColorSize, "Invalid number of colors specified in Image Descriptor"},
        {sUnknownExtension, "Unknown extension type"},
        {sBadExtensionLabel, "Invalid extension introducer"},
        {sOutOfMemDIB, "Failed to allocate memory for GIF DIB"},
        {sDIBCreate, "Failed to create DIB from Bitmap"},
        {sDecodeTooFewBits, "Decoder bit buffer under-run"},
        {sDecodeCircular, "Circular decoder table entry"},
        {sBadTrailer, "Invalid Image trailer"},
        {sBadExtensionInstance, "Internal error: Extension Instance does not match Extension Label"},
        {sBadBlockSize, "Unsupported Application Extension block size"},
    };
    return table;
}

std::mutex startMutex;
int startCount = 0;

} // namespace

const std::string& LoadGIFString(int id)
{
    static const std::string none;
    const auto& table = MessageTable();
    const auto it = table.find(id);
    return it == table.end() ? none : it->second;
}

void RaiseGIFError(const std::string& message)
{
    throw GIFException(message);
}

void RaiseGIFError(int messageId)
{
    throw GIFException(LoadGIFString(messageId));
}

void RaiseOutOfResources()
{
    const int error = errno;
    throw EOutOfResources(error != 0 ? std::string(std::strerror(error)) : std::string("Out of system resources"));
}

int BitsForColorCount(int count)
{
    if (count <= 0)
        return 0;
    if (count <= 2)
        return 1;
    int n = 1;
    while ((1 << n) < count)
        ++n;
    return n;
}

int GIFDelayExp = 12;
int GIFDefaultDelay = 10;
int GIFMinimumDelay = 3;
int GIFMaximumDelay = 1000;
const char GIFVersions[2][4] = {"87a", "89a"};
TGIFDrawOptions GIFImageDefaultDrawOptions =
    TGIFDrawOptions{goAsync, goTransparent, goAnimate, goLoop, goDither, goAutoDither};
TColorReduction GIFImageDefaultColorReduction = rmNetscape;
int GIFImageDefaultColorReductionBits = 8;
TDitherMode GIFImageDefaultDitherMode = dmNearest;
TGIFCompression GIFImageDefaultCompression = gcLZW;
TGIFThreadPriority GIFImageDefaultThreadPriority = tpNormal;
int GIFImageDefaultAnimationSpeed = 100;
bool DoAutoDither = false;
bool PaletteDevice = false;
bool GIFImageRenderOnLoad = false;
bool GIFImageOptimizeOnStream = false;
UINT CF_GIF = 0;

void GIFLibraryStartup()
{
    std::lock_guard<std::mutex> lock(startMutex);
    if (startCount++ > 0)
        return;
    TPicture::RegisterFileFormat("gif", LoadGIFString(sGIFImageFile), "TGIFImage",
                                 [] { return std::make_unique<TGIFImage>(); });
    CF_GIF = RegisterClipboardFormat(LoadGIFString(sGIFImageFile));
    TPicture::RegisterClipboardFormat(CF_GIF, "TGIFImage", [] { return std::make_unique<TGIFImage>(); });
    // The screen has one plane here, so its depth alone decides.
    PaletteDevice = ScreenBitsPerPixel() < 9;
    DoAutoDither = PaletteDevice;
}

void GIFLibraryShutdown()
{
    std::lock_guard<std::mutex> lock(startMutex);
    if (startCount == 0 || --startCount > 0)
        return;
    FreeExtensionRegistries();
    TPicture::UnregisterGraphicClass("TGIFImage");
}

void Register()
{
    GIFImageDefaultDrawOptions.Exclude(goLoop);
}
