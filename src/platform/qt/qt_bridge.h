#pragma once
// Where our bitmaps meet Qt: pictures to QImage and back, painting them on widgets, colours,
// text drawn with Qt's fonts into a bitmap, and the system clipboard behind TClipboard.
#include <QColor>
#include <QFont>
#include <QImage>
#include <QRect>

#include "platform/bitmap.h"
#include "platform/canvas.h"
#include "platform/clipboard.h"

class QPainter;

// System colours through ColorToRGB; clNone is a fully transparent colour.
QColor ColorToQColor(TColor color);
TColor QColorToColor(const QColor& color);

// A deep copy in the QImage format that holds the pixels unchanged: 1 bit Mono, 4 and 8 bits
// Indexed8 (with the colour table), 15 bits RGB555, 16 bits RGB16, 24 bits BGR888, 32 bits
// RGB32. The image remembers the bitmap's pixel format so that QImageToBitmap restores it.
QImage BitmapToQImage(const TBitmap& bitmap);
// For a pixmap: 24- and 32-bit bitmaps straight as RGB32, the format a pixmap of opaque
// pixels holds on a true-colour screen, so that making the pixmap converts nothing; other
// bitmaps as BitmapToQImage.
QImage BitmapToPixmapImage(const TBitmap& bitmap);
// The bitmap becomes the image: the pixel format that matches the image's format (an image
// made by BitmapToQImage gets its original format back), anything else 32 bits.
void QImageToBitmap(const QImage& image, TBitmap& bitmap);

// Paints the bitmap at its own size, or stretched (nearest neighbour, like the blits) to
// target. A transparent bitmap leaves the pixels of its transparent colour unpainted.
void DrawBitmap(QPainter& painter, int x, int y, const TBitmap& bitmap);
void DrawBitmap(QPainter& painter, const QRect& target, const TBitmap& bitmap);

// The font at the platform's 96 pixels per inch.
QFont FontToQFont(const TFont& font);

class TQtTextRenderer : public TTextRenderer {
public:
    void DrawText(TBitmap& target, int x, int y, const std::string& utf8, const TFont& font,
                  const TBrush& brush, const TRect* clip) override;
    TSize Measure(const std::string& utf8, const TFont& font) override;
};
// Makes canvases draw and measure text through Qt (needs a QGuiApplication).
void InstallQtTextRenderer();

// The system clipboard: the bitmap as an image, other formats as MIME data
// "application/x-kelvo-format-<name>".
class TQtClipboard : public TClipboard {
public:
    bool HasFormat(UINT format) override;
    std::vector<uint8_t> GetData(UINT format) override;
    void SetData(UINT format, const std::vector<uint8_t>& data) override;
    void Clear() override;
    bool HasBitmap() override;
    bool GetBitmap(TBitmap& bitmap) override;
    void SetBitmap(const TBitmap& bitmap) override;

    static QString MimeType(UINT format);
};
// Makes Clipboard() the system clipboard (needs a QGuiApplication).
void InstallQtClipboard();
