// libFuzzer entry point for the icon picture: any bytes either load or raise an invalid
// picture error; what loads is drawn over a white bitmap the way frames are made from it.
// fuzz-seeds: ico
#include <cstddef>
#include <cstdint>

#include "platform/bitmap.h"
#include "platform/canvas.h"
#include "platform/icon_image.h"
#include "platform/streams.h"
#include "png/pngimage.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // PNG images of an icon go to the PNG library; using it here links its registration in.
    static const TPNGObject linkPng;
    (void)linkPng;
    TMemoryStream input;
    if (size)
        input.WriteBuffer(data, std::int64_t(size));
    input.SetPosition(0);
    TIcon icon;
    try {
        icon.LoadFromStream(input);
    } catch (const EInvalidGraphic&) {
        return 0;
    }
    if (std::int64_t(icon.Width()) * icon.Height() > 1024 * 1024)
        return 0;
    TBitmap picture;
    picture.SetSize(icon.Width(), icon.Height());
    picture.SetPixelFormat(pf24bit);
    picture.Canvas().Draw(0, 0, icon);
    return 0;
}
