// Drawing the in-memory image onto a canvas in its three transparency modes, and the
// clipboard, which goes through a bitmap of the drawn picture.
#include <algorithm>
#include <cstring>

#include "platform/blit.h"
#include "platform/canvas.h"
#include "platform/clipboard.h"
#include "png/png_internal.h"
#include "png/pngimage.h"

namespace {

TRect Intersect(const TRect& a, const TRect& b)
{
    return TRect{std::max(a.Left, b.Left), std::max(a.Top, b.Top), std::min(a.Right, b.Right),
                 std::min(a.Bottom, b.Bottom)};
}

} // namespace

void DrawColorKeyedDib(TBitmap& target, const BYTE* bits, const TPngBitmapInfo& info, TColor key,
                       const TRect& rect)
{
    if (rect.IsEmpty() || !bits)
        return;
    const int w = info.bmiHeader.biWidth < 0 ? -info.bmiHeader.biWidth : info.bmiHeader.biWidth;
    const int h = info.bmiHeader.biHeight < 0 ? -info.bmiHeader.biHeight : info.bmiHeader.biHeight;
    if (w == 0 || h == 0)
        return;
    // Only the part of the rectangle inside the target is ever touched.
    TRect clip = Intersect(rect, Rect(0, 0, target.Width(), target.Height()));
    if (clip.IsEmpty())
        return;
    const int cw = clip.Width(), ch = clip.Height();

    // The image stretched to the whole rectangle, of which the clipped part is kept.
    TBitmap stretched(cw, ch, pf24bit);
    int tableSize = info.bmiHeader.biBitCount <= 8 ? 1 << info.bmiHeader.biBitCount : 0;
    StretchDIBits(stretched, rect.Left - clip.Left, rect.Top - clip.Top, rect.Width(), rect.Height(),
                  0, 0, w, h, bits, &info.bmiHeader, tableSize ? info.bmiColors : nullptr, SRCCOPY);
    // Where the stretched image shows the key colour the target's own pixels stay.
    TBitmap work(cw, ch, pf24bit);
    BitBlt(work, 0, 0, cw, ch, target, clip.Left, clip.Top, SRCCOPY);
    const BYTE kb = GetBValue(key), kg = GetGValue(key), kr = GetRValue(key);
    for (int y = 0; y < ch; ++y) {
        const BYTE* s = stretched.ScanLine(y);
        BYTE* d = work.ScanLine(y);
        for (int x = 0; x < cw; ++x, s += 3, d += 3)
            if (s[0] != kb || s[1] != kg || s[2] != kr) {
                d[0] = s[0];
                d[1] = s[1];
                d[2] = s[2];
            }
    }
    BitBlt(target, clip.Left, clip.Top, cw, ch, work, 0, 0, SRCCOPY);
}

void TPNGObject::Draw(TCanvas& canvas, const TRect& rect) const
{
    TChunkIHDR* h = Header();
    if (!h || rect.IsEmpty() || h->ImageData.empty())
        return;
    TBitmap& target = canvas.Target();
    switch (GetTransparencyMode()) {
    case ptmNone: {
        int tableSize = h->DibBitsPerPixel() <= 8 ? 1 : 0;
        StretchDIBits(target, rect.Left, rect.Top, rect.Width(), rect.Height(), 0, 0, int(h->Width),
                      int(h->Height), h->ImageData.data(), &h->BitmapInfo.bmiHeader,
                      tableSize ? h->BitmapInfo.bmiColors : nullptr, SRCCOPY);
        break;
    }
    case ptmBit:
        DrawColorKeyedDib(target, h->ImageData.data(), h->BitmapInfo, ColorToRGB(GetTransparentColor()), rect);
        break;
    case ptmPartial:
        DrawPartialTrans(target, rect);
        break;
    }
}

void TPNGObject::DrawPartialTrans(TBitmap& target, const TRect& rect) const
{
    TChunkIHDR* h = Header();
    const int w = int(h->Width), hh = int(h->Height);
    TRect clip = Intersect(Bounds(rect.Left, rect.Top, w, hh), Rect(0, 0, target.Width(), target.Height()));
    if (clip.IsEmpty())
        return;
    const int cw = clip.Width(), ch = clip.Height();
    const int ox = clip.Left - rect.Left, oy = clip.Top - rect.Top;

    std::unique_ptr<TBitmap> work;
    try {
        work = std::make_unique<TBitmap>(cw, ch, pf32bit);
    } catch (const std::bad_alloc&) {
        RaiseError<EPNGOutMemory>(LoadPngText(EPNGOutMemoryText));
    } catch (const EOutOfResources&) {
        RaiseError<EPNGOutMemory>(LoadPngText(EPNGOutMemoryText));
    }
    if (!work->Bits())
        RaiseError<EPNGOutMemory>(LoadPngText(EPNGOutMemoryText));
    BitBlt(*work, 0, 0, cw, ch, target, clip.Left, clip.Top, SRCCOPY);

    const int bpp = h->DibBitsPerPixel();
    const TChunktRNS* trns = Chunks.ItemFromClass<TChunktRNS>();
    const TChunkPLTE* plte = Chunks.ItemFromClass<TChunkPLTE>();
    BYTE opaque[256];
    std::memset(opaque, 255, sizeof opaque);
    const BYTE* table = trns ? trns->PaletteValues : opaque;

    auto blend = [](BYTE* d, BYTE s, unsigned a) {
        *d = BYTE((unsigned(s) * a + unsigned(*d) * (255 - a) + 255) >> 8);
    };
    for (int y = 0; y < ch; ++y) {
        const int iy = oy + y;
        const BYTE* src = GetScanline(iy);
        const BYTE* alpha = GetAlphaScanline(iy);
        BYTE* d = work->ScanLine(y);
        if (bpp == 24 && alpha) {
            for (int x = 0; x < cw; ++x, d += 4) {
                const BYTE* s = src + std::size_t(ox + x) * 3;
                unsigned a = alpha[ox + x];
                blend(d, s[0], a);
                blend(d + 1, s[1], a);
                blend(d + 2, s[2], a);
            }
        } else if (bpp <= 8 && h->ColorType == COLOR_GRAYSCALEALPHA && alpha) {
            for (int x = 0; x < cw; ++x, d += 4) {
                BYTE s = src[ox + x];
                unsigned a = alpha[ox + x];
                blend(d, s, a);
                blend(d + 1, s, a);
                blend(d + 2, s, a);
            }
        } else if (bpp <= 8) {
            for (int x = 0; x < cw; ++x, d += 4) {
                int ix = ox + x, index;
                if (bpp == 1)
                    index = (src[ix / 8] >> (7 - ix % 8)) & 1;
                else if (bpp == 4)
                    index = (ix & 1) ? src[ix / 2] & 0x0F : src[ix / 2] >> 4;
                else
                    index = src[ix];
                if (!plte)
                    RaiseError<EPngError>(LoadPngText(EPNGUnknownPalEntryText));
                TRGBQuad q = plte->GetPaletteItem(index);
                unsigned a = table[index];
                blend(d, q.rgbBlue, a);
                blend(d + 1, q.rgbGreen, a);
                blend(d + 2, q.rgbRed, a);
            }
        }
    }
    BitBlt(target, clip.Left, clip.Top, cw, ch, *work, 0, 0, SRCCOPY);
}

// ---------------------------------------------------------------------------------------
// Clipboard: the picture travels as the bitmap it draws.

TBitmap TPNGObject::DrawnBitmap() const
{
    TBitmap bitmap;
    bitmap.SetWidth(Width());
    bitmap.SetHeight(Height());
    Draw(bitmap.Canvas(), Rect(0, 0, bitmap.Width(), bitmap.Height()));
    return bitmap;
}

void TPNGObject::SaveToClipboardFormat(UINT& format, std::vector<uint8_t>& data) const
{
    DrawnBitmap().SaveToClipboardFormat(format, data);
}

void TPNGObject::LoadFromClipboardFormat(UINT format, const std::vector<uint8_t>& data)
{
    TBitmap bitmap;
    bitmap.LoadFromClipboardFormat(format, data);
    AssignHandle(bitmap, false, 0);
}

void TPNGObject::CopyToClipboard(TClipboard& clipboard) const { clipboard.SetBitmap(DrawnBitmap()); }

bool TPNGObject::PasteFromClipboard(TClipboard& clipboard)
{
    TBitmap bitmap;
    if (!clipboard.HasBitmap() || !clipboard.GetBitmap(bitmap))
        return false;
    AssignHandle(bitmap, false, 0);
    return true;
}
