// libFuzzer entry point for the JPEG picture: any bytes either decode or raise an invalid
// picture error; what decodes also compresses and decodes again.
// fuzz-seeds: jpeg
#include <cstddef>
#include <cstdint>

#include "platform/bitmap.h"
#include "platform/jpeg_image.h"
#include "platform/streams.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // Huge claimed sizes are legal JPEG; keep them within the fuzzer's memory and time.
    static const bool limited = (SetJpegPixelLimit(std::uint64_t(1) << 22), true);
    (void)limited;
    TMemoryStream input;
    if (size)
        input.WriteBuffer(data, std::int64_t(size));
    input.SetPosition(0);
    TJPEGImage jpeg;
    TBitmap picture;
    try {
        jpeg.LoadFromStream(input);
        picture.Assign(jpeg); // the pixels are decoded here, and damage in them found
    } catch (const EInvalidGraphic&) {
        return 0;
    }
    if (picture.Width() * std::int64_t(picture.Height()) > 256 * 256)
        return 0;
    TJPEGImage again;
    again.Assign(picture);
    again.SetCompressionQuality(int(size % 101));
    TMemoryStream output;
    again.SaveToStream(output);
    output.SetPosition(0);
    again.LoadFromStream(output);
    return 0;
}
