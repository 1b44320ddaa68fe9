#include "platform/canvas.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "platform/bitmap.h"
#include "platform/blit.h"

namespace {

TTextRenderer* gTextRenderer = nullptr;

TRect Clip(const TRect& r, const TBitmap& b)
{
    return TRect{std::max(r.Left, 0), std::max(r.Top, 0), std::min(r.Right, b.Width()), std::min(r.Bottom, b.Height())};
}

DWORD PenResult(TPenMode mode, DWORD pen, DWORD dest)
{
    constexpr DWORD M = 0x00FFFFFF;
    switch (mode) {
    case pmBlack: return 0;
    case pmWhite: return M;
    case pmNop: return dest;
    case pmNot: return ~dest & M;
    case pmCopy: return pen;
    case pmNotCopy: return ~pen & M;
    case pmMerge: return pen | dest;
    case pmMask: return pen & dest;
    case pmXor: return pen ^ dest;
    }
    return pen;
}

// Fills a clipped rectangle with one colour combined with the pixels by mode.
void FillArea(TBitmap& bitmap, const TRect& rect, DWORD bgrx, TPenMode mode = pmCopy)
{
    const TRect r = Clip(rect, bitmap);
    if (r.IsEmpty())
        return;
    const int n = r.Width();
    const TPixelKind kind = bitmap.Kind();
    TNearestIndex nearest(bitmap.TableBGRX(), bitmap.TableSize());
    TNearestIndex* finder = bitmap.BitsPerPixel() <= 8 ? &nearest : nullptr;
    std::vector<DWORD> colours(std::size_t(n), bgrx);
    if (mode == pmCopy) {
        // One encoded row, copied into every row of the rectangle.
        std::vector<BYTE> pattern(std::size_t(bitmap.BytesPerScanLine()));
        EncodeRow(kind, pattern.data(), r.Left, n, colours.data(), finder);
        for (int y = r.Top; y < r.Bottom; ++y)
            CopyPixels(kind, pattern.data(), r.Left, bitmap.ScanLine(y), r.Left, n);
        return;
    }
    std::vector<DWORD> row(static_cast<std::size_t>(n));
    for (int y = r.Top; y < r.Bottom; ++y) {
        BYTE* line = bitmap.ScanLine(y);
        DecodeRow(kind, line, r.Left, n, bitmap.TableBGRX(), bitmap.TableSize(), row.data());
        for (int i = 0; i < n; ++i)
            row[std::size_t(i)] = PenResult(mode, bgrx, row[std::size_t(i)]);
        EncodeRow(kind, line, r.Left, n, row.data(), finder);
    }
}

DWORD Bgrx(TColor c) { return ColorToBGRX(ColorToRGB(c)); }

} // namespace

int TFont::Height() const { return -((Size * PixelsPerInch + 36) / 72); }

void TFont::SetHeight(int height)
{
    const int h = std::abs(height);
    Size = (h * 72 + PixelsPerInch / 2) / PixelsPerInch;
}

TTextRenderer::~TTextRenderer() = default;
void SetTextRenderer(TTextRenderer* renderer) { gTextRenderer = renderer; }
TTextRenderer* GetTextRenderer() { return gTextRenderer; }

TColor TCanvas::Pixels(int x, int y) const { return target_->GetPixel(x, y); }

void TCanvas::SetPixels(int x, int y, TColor color) { target_->SetPixel(x, y, color); }

void TCanvas::FillRect(const TRect& rect)
{
    if (brush_.Style == bsClear)
        return;
    FillArea(*target_, rect, Bgrx(brush_.Color));
}

void TCanvas::FrameRect(const TRect& rect)
{
    if (rect.IsEmpty() || brush_.Style == bsClear)
        return;
    const DWORD c = Bgrx(brush_.Color);
    FillArea(*target_, TRect{rect.Left, rect.Top, rect.Right, rect.Top + 1}, c);
    FillArea(*target_, TRect{rect.Left, rect.Bottom - 1, rect.Right, rect.Bottom}, c);
    FillArea(*target_, TRect{rect.Left, rect.Top + 1, rect.Left + 1, rect.Bottom - 1}, c);
    FillArea(*target_, TRect{rect.Right - 1, rect.Top + 1, rect.Right, rect.Bottom - 1}, c);
}

void TCanvas::Rectangle(const TRect& rectIn)
{
    TRect rect = rectIn;
    if (rect.Left > rect.Right)
        std::swap(rect.Left, rect.Right);
    if (rect.Top > rect.Bottom)
        std::swap(rect.Top, rect.Bottom);
    if (pen_.Style == psClear) {
        // Without a pen the platform fills one pixel less in each direction.
        if (brush_.Style != bsClear)
            FillArea(*target_, TRect{rect.Left, rect.Top, rect.Right - 1, rect.Bottom - 1}, Bgrx(brush_.Color));
        return;
    }
    if (rect.Width() < 1 || rect.Height() < 1)
        return;
    if (brush_.Style != bsClear)
        FillArea(*target_, TRect{rect.Left + 1, rect.Top + 1, rect.Right - 1, rect.Bottom - 1}, Bgrx(brush_.Color));
    // The outline is centred on the rectangle's edge pixels; an inside-frame pen stays within.
    const int w = std::max(1, pen_.Width);
    const int a = pen_.Style == psInsideFrame ? 0 : w / 2;
    const DWORD c = Bgrx(pen_.Color);
    const int l = rect.Left - a, t = rect.Top - a, r = rect.Right - 1 + a - (w - 1), b = rect.Bottom - 1 + a - (w - 1);
    FillArea(*target_, TRect{l, t, r + w, t + w}, c, pen_.Mode);
    FillArea(*target_, TRect{l, std::max(b, t + w), r + w, b + w}, c, pen_.Mode);
    FillArea(*target_, TRect{l, t + w, l + w, b}, c, pen_.Mode);
    FillArea(*target_, TRect{std::max(r, l + w), t + w, r + w, b}, c, pen_.Mode);
}

void TCanvas::PenPoint(int x, int y, DWORD penBGRX)
{
    const int w = std::max(1, pen_.Width);
    if (w == 1 && pen_.Mode == pmCopy) {
        target_->SetPixel(x, y, BGRXToColor(penBGRX));
        return;
    }
    const int a = w / 2;
    FillArea(*target_, TRect{x - a, y - a, x - a + w, y - a + w}, penBGRX, pen_.Mode);
}

void TCanvas::LineTo(int x, int y)
{
    const int x0 = PenPos.X, y0 = PenPos.Y;
    PenPos = TPoint{x, y};
    if (pen_.Style == psClear)
        return;
    // A line that passes nowhere near the bitmap draws nothing; skip the walk.
    const int reach = std::max(1, pen_.Width);
    if (std::max(x0, x) < -reach || std::min(x0, x) >= target_->Width() + reach || std::max(y0, y) < -reach ||
        std::min(y0, y) >= target_->Height() + reach)
        return;
    const DWORD c = Bgrx(pen_.Color);
    // Bresenham; like the platform, the end point itself is left out.
    const std::int64_t dx = std::abs(std::int64_t(x) - x0), dy = -std::abs(std::int64_t(y) - y0);
    const int stepX = x0 < x ? 1 : -1, stepY = y0 < y ? 1 : -1;
    std::int64_t err = dx + dy;
    int cx = x0, cy = y0;
    // Points far outside the bitmap are walked past without drawing; the walk is bounded by
    // the line's length, which callers keep to sensible sizes.
    while (!(cx == x && cy == y)) {
        PenPoint(cx, cy, c);
        const std::int64_t e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            cx += stepX;
        }
        if (e2 <= dx) {
            err += dx;
            cy += stepY;
        }
    }
}

void TCanvas::Draw(int x, int y, const TGraphic& graphic)
{
    if (const auto* bitmap = dynamic_cast<const TBitmap*>(&graphic)) {
        if (bitmap->Empty())
            return;
        const int w = bitmap->Width(), h = bitmap->Height();
        if (bitmap->Transparent())
            TransparentStretchBlt(*target_, x, y, w, h, *bitmap, 0, 0, w, h, bitmap->TransparentColor());
        else
            BitBlt(*target_, x, y, w, h, *bitmap, 0, 0, CopyMode);
        return;
    }
    graphic.Draw(*this, Bounds(x, y, graphic.Width(), graphic.Height()));
}

void TCanvas::StretchDraw(const TRect& rect, const TGraphic& graphic) { graphic.Draw(*this, rect); }

void TCanvas::CopyRect(const TRect& dest, const TCanvas& source, const TRect& src)
{
    StretchBlt(*target_, dest.Left, dest.Top, dest.Width(), dest.Height(), *source.target_, src.Left, src.Top,
               src.Width(), src.Height(), CopyMode);
}

void TCanvas::TextOut(int x, int y, const std::string& utf8)
{
    if (gTextRenderer)
        gTextRenderer->DrawText(*target_, x, y, utf8, font_, brush_, nullptr);
    PenPos = TPoint{x + TextWidth(utf8), y};
}

void TCanvas::TextRect(const TRect& rect, int x, int y, const std::string& utf8)
{
    // The whole rectangle takes the brush, then the text is drawn clipped to it.
    FillRect(rect);
    if (gTextRenderer) {
        TBrush clear = brush_;
        clear.Style = bsClear;
        gTextRenderer->DrawText(*target_, x, y, utf8, font_, clear, &rect);
    }
}

TSize TCanvas::TextExtent(const std::string& utf8) const
{
    return gTextRenderer ? gTextRenderer->Measure(utf8, font_) : TSize{};
}
