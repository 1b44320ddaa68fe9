#pragma once
// A drawing surface over one TBitmap: pixels, brush, pen, font, fills, frames, lines,
// drawing other graphics, copying rectangles and text through an installable renderer.
#include <mutex>
#include <string>

#include "platform/colors.h"
#include "platform/types.h"

class TBitmap;
class TGraphic;

enum TFontStyle { fsBold, fsItalic, fsUnderline, fsStrikeOut };

class TFontStyles {
public:
    constexpr TFontStyles() = default;
    constexpr TFontStyles(std::initializer_list<TFontStyle> styles)
    {
        for (TFontStyle s : styles)
            bits_ |= 1u << s;
    }
    constexpr bool Contains(TFontStyle s) const { return (bits_ >> s) & 1u; }
    constexpr void Include(TFontStyle s) { bits_ |= 1u << s; }
    constexpr void Exclude(TFontStyle s) { bits_ &= ~(1u << s); }
    constexpr bool IsEmpty() const { return bits_ == 0; }
    constexpr unsigned Bits() const { return bits_; }
    friend constexpr bool operator==(const TFontStyles&, const TFontStyles&) = default;

private:
    unsigned bits_ = 0;
};

class TFont {
public:
    std::string Name = "MS Sans Serif";
    int Size = 8; // points
    TColor Color = clWindowText;
    TFontStyles Style;
    static constexpr int PixelsPerInch = 96;
    // Character height in pixels, negative as the platform gives it (-Size * 96 / 72, rounded).
    int Height() const;
    void SetHeight(int height);
    void Assign(const TFont& other) { *this = other; }
};

enum TBrushStyle { bsSolid, bsClear };
struct TBrush {
    TColor Color = clWhite;
    TBrushStyle Style = bsSolid;
};

// Every visible pen style draws solid lines; only psClear differs.
enum TPenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };
enum TPenMode { pmBlack, pmWhite, pmNop, pmNot, pmCopy, pmNotCopy, pmMerge, pmMask, pmXor };
struct TPen {
    TColor Color = clBlack;
    int Width = 1;
    TPenStyle Style = psSolid;
    TPenMode Mode = pmCopy;
};

using TCopyMode = DWORD;
constexpr TCopyMode cmSrcCopy = 0x00CC0020;
constexpr TCopyMode cmSrcPaint = 0x00EE0086;
constexpr TCopyMode cmSrcAnd = 0x008800C6;
constexpr TCopyMode cmSrcInvert = 0x00660046;
constexpr TCopyMode cmSrcErase = 0x00440328;
constexpr TCopyMode cmNotSrcCopy = 0x00330008;
constexpr TCopyMode cmNotSrcErase = 0x001100A6;
constexpr TCopyMode cmMergePaint = 0x00BB0226;
constexpr TCopyMode cmDstInvert = 0x00550009;
constexpr TCopyMode cmBlackness = 0x00000042;
constexpr TCopyMode cmWhiteness = 0x00FF0062;

class TCanvas {
public:
    explicit TCanvas(TBitmap& target) : target_(&target) {}
    TCanvas(const TCanvas&) = delete;
    TCanvas& operator=(const TCanvas&) = delete;

    TBitmap& Target() const { return *target_; }
    TFont& Font() { return font_; }
    TBrush& Brush() { return brush_; }
    TPen& Pen() { return pen_; }
    const TFont& Font() const { return font_; }
    const TBrush& Brush() const { return brush_; }
    const TPen& Pen() const { return pen_; }
    TCopyMode CopyMode = cmSrcCopy;
    TPoint PenPos;

    // Outside the bitmap: CLR_INVALID.
    TColor Pixels(int x, int y) const;
    void SetPixels(int x, int y, TColor color);

    // Rectangles exclude their right and bottom edge, as on the platform.
    void FillRect(const TRect& rect);                  // brush
    void Rectangle(const TRect& rect);                 // pen outline, brush inside
    void Rectangle(int x1, int y1, int x2, int y2) { Rectangle(TRect{x1, y1, x2, y2}); }
    void FrameRect(const TRect& rect);                 // one-pixel border in the brush colour
    void MoveTo(int x, int y) { PenPos = TPoint{x, y}; }
    void LineTo(int x, int y);                         // the end point is not drawn

    // A transparent TBitmap skips the pixels that are exactly its transparent colour.
    void Draw(int x, int y, const TGraphic& graphic);
    void StretchDraw(const TRect& rect, const TGraphic& graphic);
    // StretchBlt in CopyMode; a rectangle with Right < Left or Bottom < Top mirrors.
    void CopyRect(const TRect& dest, const TCanvas& source, const TRect& src);

    void TextOut(int x, int y, const std::string& utf8);
    void TextRect(const TRect& rect, int x, int y, const std::string& utf8);
    TSize TextExtent(const std::string& utf8) const;
    int TextWidth(const std::string& utf8) const { return TextExtent(utf8).cx; }
    int TextHeight(const std::string& utf8) const { return TextExtent(utf8).cy; }

    // For painters that draw from more than one thread.
    void Lock() { lock_.lock(); }
    void Unlock() { lock_.unlock(); }

private:
    void PenPoint(int x, int y, DWORD penBGRX);
    TBitmap* target_;
    TFont font_;
    TBrush brush_;
    TPen pen_;
    std::recursive_mutex lock_;
};

// Text goes through a renderer that the Qt side installs; without one, text draws nothing
// and measures 0.
class TTextRenderer {
public:
    virtual ~TTextRenderer();
    // Draws with the font's colour; the brush's colour fills the text's box unless the brush is bsClear.
    virtual void DrawText(TBitmap& target, int x, int y, const std::string& utf8, const TFont& font,
                          const TBrush& brush, const TRect* clip) = 0;
    virtual TSize Measure(const std::string& utf8, const TFont& font) = 0;
};
void SetTextRenderer(TTextRenderer* renderer);
TTextRenderer* GetTextRenderer();
