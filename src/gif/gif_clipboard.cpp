// The picture on the clipboard: the GIF stream under "GIF Image", and the whole-image bitmap
// for programs that only read bitmaps.
#include "gif/gif_image.h"
#include "platform/clipboard.h"

void TGIFImage::LoadFromClipboardFormat(UINT format, const std::vector<uint8_t>& data)
{
    if (CF_GIF != 0 && format == CF_GIF) {
        TMemoryStream stream;
        if (!data.empty())
            stream.WriteBuffer(data.data(), std::int64_t(data.size()));
        stream.SetPosition(0);
        LoadFromStream(stream);
        return;
    }
    if (format == CF_BITMAP || format == CF_DIB) {
        TBitmap bitmap;
        bitmap.LoadFromClipboardFormat(format, data);
        Assign(bitmap);
        return;
    }
    throw GIFException("Unsupported clipboard format");
}

void TGIFImage::SaveToClipboardFormat(UINT& format, std::vector<uint8_t>& data) const
{
    if (CF_GIF == 0)
        RaiseGIFError(sFailedPaste);
    TMemoryStream stream;
    SaveToStream(stream);
    data = stream.Bytes();
    format = CF_GIF;
}

void TGIFImage::CopyToClipboard(TClipboard& clipboard) const
{
    if (!GetEmpty())
        if (TBitmap* bitmap = const_cast<TGIFImage*>(this)->GetBitmap())
            clipboard.SetBitmap(*bitmap);
    UINT format = 0;
    std::vector<uint8_t> data;
    SaveToClipboardFormat(format, data);
    clipboard.SetData(format, data);
    if (!clipboard.HasFormat(format))
        RaiseGIFError(sFailedPaste);
}

bool TGIFImage::PasteFromClipboard(TClipboard& clipboard)
{
    if (CF_GIF != 0 && clipboard.HasFormat(CF_GIF)) {
        LoadFromClipboardFormat(CF_GIF, clipboard.GetData(CF_GIF));
        return true;
    }
    TBitmap bitmap;
    if (!clipboard.HasBitmap() || !clipboard.GetBitmap(bitmap))
        return false;
    Assign(bitmap);
    return true;
}
