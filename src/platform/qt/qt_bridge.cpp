#include "platform/qt/qt_bridge.h"

#include <QClipboard>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QMimeData>
#include <QPainter>

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace {

// Kept in the image's text so that a bitmap comes back in its own format and with its own
// colour table length.
const QString kFormatKey = QStringLiteral("KelvoPixelFormat");
const QString kColorsKey = QStringLiteral("KelvoColorCount");

QRgb QuadToRgb(const TRGBQuad& q) { return qRgb(q.rgbRed, q.rgbGreen, q.rgbBlue); }

QVector<QRgb> QtColorTable(const TBitmap& bitmap, int size)
{
    QVector<QRgb> table;
    for (const TRGBQuad& q : bitmap.ColorTableRef())
        table.push_back(QuadToRgb(q));
    // Qt looks colours up without checking the index; a short table is padded with black.
    while (table.size() < size)
        table.push_back(qRgb(0, 0, 0));
    return table;
}

std::vector<TRGBQuad> BitmapColorTable(const QImage& image, int limit)
{
    std::vector<TRGBQuad> table;
    bool ok = false;
    const int kept = image.text(kColorsKey).toInt(&ok);
    const int count = std::min<int>(ok && kept > 0 ? kept : image.colorCount(), limit);
    for (int i = 0; i < std::min<int>(count, image.colorCount()); ++i) {
        const QRgb c = image.color(i);
        table.push_back(TRGBQuad{BYTE(qBlue(c)), BYTE(qGreen(c)), BYTE(qRed(c)), 0});
    }
    if (table.empty())
        table.push_back(TRGBQuad{0, 0, 0, 0});
    return table;
}

bool HaveGuiApplication() { return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr; }

QClipboard* SystemClipboard() { return HaveGuiApplication() ? QGuiApplication::clipboard() : nullptr; }

} // namespace

QColor ColorToQColor(TColor color)
{
    if (color == clNone)
        return QColor(0, 0, 0, 0);
    const TColor rgb = ColorToRGB(color);
    return QColor(GetRValue(rgb), GetGValue(rgb), GetBValue(rgb));
}

TColor QColorToColor(const QColor& color)
{
    const QColor c = color.toRgb();
    return RGB(c.red(), c.green(), c.blue());
}

namespace {

// A 24- or 32-bit bitmap's pixels as RGB32.
QImage TrueColourToRGB32(const TBitmap& bitmap)
{
    const int w = bitmap.Width(), h = bitmap.Height(), bytes = bitmap.BitsPerPixel() / 8;
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y) {
        const BYTE* src = bitmap.ScanLine(y);
        auto* dst = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < w; ++x, src += bytes)
            dst[x] = qRgb(src[2], src[1], src[0]);
    }
    return image;
}

} // namespace

QImage BitmapToQImage(const TBitmap& bitmap)
{
    const int w = bitmap.Width(), h = bitmap.Height();
    if (bitmap.Empty())
        return QImage();
    QImage image;
    switch (bitmap.BitsPerPixel()) {
    case 1:
        image = QImage(w, h, QImage::Format_Mono);
        image.setColorTable(QtColorTable(bitmap, 2));
        for (int y = 0; y < h; ++y)
            std::memcpy(image.scanLine(y), bitmap.ScanLine(y), std::size_t((w + 7) / 8));
        break;
    case 4:
        image = QImage(w, h, QImage::Format_Indexed8);
        image.setColorTable(QtColorTable(bitmap, 16));
        for (int y = 0; y < h; ++y) {
            const BYTE* src = bitmap.ScanLine(y);
            uchar* dst = image.scanLine(y);
            for (int x = 0; x < w; ++x)
                dst[x] = (x & 1) ? src[x / 2] & 0x0F : src[x / 2] >> 4;
        }
        break;
    case 8:
        image = QImage(w, h, QImage::Format_Indexed8);
        image.setColorTable(QtColorTable(bitmap, 256));
        for (int y = 0; y < h; ++y)
            std::memcpy(image.scanLine(y), bitmap.ScanLine(y), std::size_t(w));
        break;
    case 16: {
        const bool rgb555 = bitmap.PixelFormat() != pf16bit;
        image = QImage(w, h, rgb555 ? QImage::Format_RGB555 : QImage::Format_RGB16);
        for (int y = 0; y < h; ++y) {
            const BYTE* src = bitmap.ScanLine(y);
            uchar* dst = image.scanLine(y);
            for (int x = 0; x < w; ++x) {
                // Qt wants the unused top bit of a 5-5-5 pixel clear.
                const unsigned v = unsigned(src[2 * x] | (src[2 * x + 1] << 8)) & (rgb555 ? 0x7FFFu : 0xFFFFu);
                const quint16 word = quint16(v);
                std::memcpy(dst + 2 * x, &word, 2);
            }
        }
        break;
    }
    case 24:
        image = QImage(w, h, QImage::Format_BGR888);
        for (int y = 0; y < h; ++y)
            std::memcpy(image.scanLine(y), bitmap.ScanLine(y), std::size_t(w) * 3);
        break;
    default:
        image = TrueColourToRGB32(bitmap);
        break;
    }
    image.setText(kFormatKey, QString::number(int(bitmap.PixelFormat())));
    if (bitmap.BitsPerPixel() <= 8)
        image.setText(kColorsKey, QString::number(bitmap.TableSize()));
    return image;
}

QImage BitmapToPixmapImage(const TBitmap& bitmap)
{
    if (bitmap.Empty() || bitmap.BitsPerPixel() < 24)
        return BitmapToQImage(bitmap);
    return TrueColourToRGB32(bitmap);
}

void QImageToBitmap(const QImage& source, TBitmap& bitmap)
{
    TBitmap result;
    if (source.isNull()) {
        bitmap = result;
        return;
    }
    bool known = false;
    const int remembered = source.text(kFormatKey).toInt(&known);
    const TPixelFormat wanted = known && remembered >= pfDevice && remembered <= pf32bit
                                    ? TPixelFormat(remembered)
                                    : pfCustom;
    const int w = source.width(), h = source.height();

    QImage image = source;
    switch (image.format()) {
    case QImage::Format_MonoLSB:
        image = image.convertToFormat(QImage::Format_Mono);
        [[fallthrough]];
    case QImage::Format_Mono:
        result.SetPixelFormat(pf1bit);
        result.SetSize(w, h);
        result.SetColorTable(BitmapColorTable(image, 2));
        for (int y = 0; y < h; ++y)
            std::memcpy(result.ScanLine(y), image.constScanLine(y), std::size_t((w + 7) / 8));
        break;
    case QImage::Format_Indexed8: {
        bool fits4 = wanted == pf4bit;
        for (int y = 0; y < h && fits4; ++y) {
            const uchar* src = image.constScanLine(y);
            fits4 = std::all_of(src, src + w, [](uchar v) { return v < 16; });
        }
        result.SetPixelFormat(fits4 ? pf4bit : pf8bit);
        result.SetSize(w, h);
        result.SetColorTable(BitmapColorTable(image, fits4 ? 16 : 256));
        for (int y = 0; y < h; ++y) {
            const uchar* src = image.constScanLine(y);
            BYTE* dst = result.ScanLine(y);
            if (fits4) {
                std::memset(dst, 0, std::size_t(result.BytesPerScanLine()));
                for (int x = 0; x < w; ++x)
                    dst[x / 2] |= BYTE((x & 1) ? src[x] : src[x] << 4);
            } else {
                std::memcpy(dst, src, std::size_t(w));
            }
        }
        break;
    }
    case QImage::Format_RGB555:
    case QImage::Format_RGB16:
        result.SetPixelFormat(image.format() == QImage::Format_RGB555 ? pf15bit : pf16bit);
        result.SetSize(w, h);
        for (int y = 0; y < h; ++y) {
            const uchar* src = image.constScanLine(y);
            BYTE* dst = result.ScanLine(y);
            for (int x = 0; x < w; ++x) {
                quint16 word;
                std::memcpy(&word, src + 2 * x, 2);
                dst[2 * x] = BYTE(word & 0xFF);
                dst[2 * x + 1] = BYTE(word >> 8);
            }
        }
        break;
    case QImage::Format_RGB888:
        image = image.convertToFormat(QImage::Format_BGR888);
        [[fallthrough]];
    case QImage::Format_BGR888:
        result.SetPixelFormat(wanted == pfDevice && DeviceBitsPerPixel() == 24 ? pfDevice : pf24bit);
        result.SetSize(w, h);
        for (int y = 0; y < h; ++y)
            std::memcpy(result.ScanLine(y), image.constScanLine(y), std::size_t(w) * 3);
        break;
    default: {
        if (image.format() != QImage::Format_RGB32 && image.format() != QImage::Format_ARGB32)
            image = image.convertToFormat(QImage::Format_RGB32);
        result.SetPixelFormat(wanted == pfDevice && DeviceBitsPerPixel() == 32 ? pfDevice : pf32bit);
        result.SetSize(w, h);
        for (int y = 0; y < h; ++y) {
            const auto* src = reinterpret_cast<const QRgb*>(image.constScanLine(y));
            BYTE* dst = result.ScanLine(y);
            for (int x = 0; x < w; ++x, dst += 4) {
                dst[0] = BYTE(qBlue(src[x]));
                dst[1] = BYTE(qGreen(src[x]));
                dst[2] = BYTE(qRed(src[x]));
                dst[3] = 0;
            }
        }
        break;
    }
    }
    bitmap = result;
}

namespace {

QImage PaintableImage(const TBitmap& bitmap)
{
    if (!bitmap.Transparent())
        return BitmapToQImage(bitmap);
    QImage image = BitmapToQImage(bitmap).convertToFormat(QImage::Format_ARGB32);
    // Compared in our own colours: Qt widens 15- and 16-bit channels its own way.
    const TColor key = ColorToRGB(bitmap.TransparentColor());
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x)
            if (bitmap.GetPixel(x, y) == key)
                line[x] = 0;
    }
    return image;
}

} // namespace

void DrawBitmap(QPainter& painter, int x, int y, const TBitmap& bitmap)
{
    if (!bitmap.Empty())
        painter.drawImage(QPoint(x, y), PaintableImage(bitmap));
}

void DrawBitmap(QPainter& painter, const QRect& target, const TBitmap& bitmap)
{
    if (bitmap.Empty() || target.isEmpty())
        return;
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.drawImage(target, PaintableImage(bitmap));
    painter.restore();
}

QFont FontToQFont(const TFont& font)
{
    QFont f(QString::fromStdString(font.Name));
    const int pixels = std::abs(font.Height());
    f.setPixelSize(pixels > 0 ? pixels : 11);
    f.setBold(font.Style.Contains(fsBold));
    f.setItalic(font.Style.Contains(fsItalic));
    f.setUnderline(font.Style.Contains(fsUnderline));
    f.setStrikeOut(font.Style.Contains(fsStrikeOut));
    return f;
}

void TQtTextRenderer::DrawText(TBitmap& target, int x, int y, const std::string& utf8, const TFont& font,
                               const TBrush& brush, const TRect* clip)
{
    if (target.Empty() || !HaveGuiApplication())
        return;
    const QString text = QString::fromStdString(utf8);
    QFont qfont = FontToQFont(font);
    // Palette bitmaps cannot hold the in-between shades of smoothed edges.
    if (target.BitsPerPixel() <= 8)
        qfont.setStyleStrategy(QFont::NoAntialias);
    const QFontMetrics metrics(qfont);
    const QRect box(x, y, metrics.horizontalAdvance(text), metrics.height());

    // Only the pixels near the text can change: work on that part of the bitmap alone.
    QRect area = box.united(metrics.boundingRect(text).translated(x, y + metrics.ascent()))
                     .adjusted(-2, -2, 2, 2);
    QRect clipRect;
    if (clip) {
        clipRect = QRect(QPoint(clip->Left, clip->Top), QPoint(clip->Right - 1, clip->Bottom - 1));
        area = brush.Style == bsClear ? area.intersected(clipRect) : area.united(clipRect).intersected(clipRect);
    }
    area = area.intersected(QRect(0, 0, target.Width(), target.Height()));
    if (area.isEmpty())
        return;

    QImage work(area.size(), QImage::Format_RGB32);
    for (int row = 0; row < area.height(); ++row) {
        auto* line = reinterpret_cast<QRgb*>(work.scanLine(row));
        for (int col = 0; col < area.width(); ++col) {
            const TColor c = target.GetPixel(area.left() + col, area.top() + row);
            line[col] = qRgb(GetRValue(c), GetGValue(c), GetBValue(c));
        }
    }
    const QImage before = work;
    {
        QPainter painter(&work);
        painter.translate(-area.left(), -area.top());
        if (clip)
            painter.setClipRect(clipRect);
        if (brush.Style != bsClear)
            painter.fillRect(clip ? clipRect : box, ColorToQColor(brush.Color));
        painter.setFont(qfont);
        painter.setPen(ColorToQColor(font.Color));
        painter.drawText(QPoint(x, y + metrics.ascent()), text);
    }
    for (int row = 0; row < area.height(); ++row) {
        const auto* now = reinterpret_cast<const QRgb*>(work.constScanLine(row));
        const auto* was = reinterpret_cast<const QRgb*>(before.constScanLine(row));
        for (int col = 0; col < area.width(); ++col)
            if (now[col] != was[col])
                target.SetPixel(area.left() + col, area.top() + row,
                                RGB(qRed(now[col]), qGreen(now[col]), qBlue(now[col])));
    }
}

TSize TQtTextRenderer::Measure(const std::string& utf8, const TFont& font)
{
    if (!HaveGuiApplication())
        return TSize{};
    const QFontMetrics metrics(FontToQFont(font));
    return TSize{metrics.horizontalAdvance(QString::fromStdString(utf8)), metrics.height()};
}

void InstallQtTextRenderer()
{
    static TQtTextRenderer renderer;
    SetTextRenderer(&renderer);
}

QString TQtClipboard::MimeType(UINT format)
{
    return QStringLiteral("application/x-kelvo-format-") + QString::fromStdString(ClipboardFormatName(format));
}

bool TQtClipboard::HasFormat(UINT format)
{
    if (format == CF_BITMAP || format == CF_DIB)
        return HasBitmap();
    QClipboard* clipboard = SystemClipboard();
    const QMimeData* data = clipboard ? clipboard->mimeData() : nullptr;
    return data && data->hasFormat(MimeType(format));
}

std::vector<uint8_t> TQtClipboard::GetData(UINT format)
{
    if (format == CF_BITMAP || format == CF_DIB) {
        TBitmap bitmap;
        return GetBitmap(bitmap) ? bitmap.SaveToDIB() : std::vector<uint8_t>();
    }
    QClipboard* clipboard = SystemClipboard();
    const QMimeData* data = clipboard ? clipboard->mimeData() : nullptr;
    if (!data)
        return {};
    const QByteArray bytes = data->data(MimeType(format));
    return std::vector<uint8_t>(bytes.begin(), bytes.end());
}

void TQtClipboard::SetData(UINT format, const std::vector<uint8_t>& bytes)
{
    QClipboard* clipboard = SystemClipboard();
    if (!clipboard)
        return;
    auto* data = new QMimeData;
    TBitmap bitmap;
    const bool isBitmap = format == CF_BITMAP || format == CF_DIB;
    try {
        if (isBitmap)
            bitmap.LoadFromDIB(bytes.data(), bytes.size());
    } catch (...) {
        delete data;
        throw;
    }
    // The clipboard holds one set of data: keep what is there and add this format to it.
    if (const QMimeData* old = clipboard->mimeData()) {
        for (const QString& type : old->formats())
            if (type != QLatin1String("application/x-qt-image") && !type.startsWith(QLatin1String("image/")))
                data->setData(type, old->data(type));
        if (old->hasImage() && !isBitmap)
            data->setImageData(old->imageData());
    }
    if (isBitmap)
        data->setImageData(BitmapToQImage(bitmap));
    else
        data->setData(MimeType(format), QByteArray(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size())));
    clipboard->setMimeData(data);
}

void TQtClipboard::Clear()
{
    if (QClipboard* clipboard = SystemClipboard())
        clipboard->clear();
}

bool TQtClipboard::HasBitmap()
{
    QClipboard* clipboard = SystemClipboard();
    const QMimeData* data = clipboard ? clipboard->mimeData() : nullptr;
    return data && data->hasImage();
}

bool TQtClipboard::GetBitmap(TBitmap& bitmap)
{
    QClipboard* clipboard = SystemClipboard();
    if (!clipboard)
        return false;
    const QImage image = clipboard->image();
    if (image.isNull())
        return false;
    QImageToBitmap(image, bitmap);
    return true;
}

void TQtClipboard::SetBitmap(const TBitmap& bitmap)
{
    QClipboard* clipboard = SystemClipboard();
    if (!clipboard)
        return;
    auto* data = new QMimeData;
    data->setImageData(BitmapToQImage(bitmap));
    clipboard->setMimeData(data);
}

void InstallQtClipboard()
{
    static TQtClipboard clipboard;
    SetClipboard(&clipboard);
}
