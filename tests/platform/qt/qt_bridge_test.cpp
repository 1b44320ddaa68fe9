// Bitmaps through QImage and back, painting, colours, text drawn by Qt and the system
// clipboard (on the offscreen platform).
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <QPainter>
#include <QPixmap>

#include <cstring>

#include "platform/bitmap.h"
#include "platform/canvas.h"
#include "platform/clipboard.h"
#include "platform/qt/qt_bridge.h"
#include "support/qt/application.h"

namespace {

class QtBridge : public ::testing::Test {
protected:
    static void SetUpTestSuite() { EnsureApplication(); }
};

// 5x3, no two rows or columns alike, in colours every depth holds exactly.
TBitmap Asymmetric(TPixelFormat format)
{
    const TColor colours[] = {clBlack, clWhite, clRed, clLime, clBlue, clYellow, clAqua, clFuchsia};
    const int usable = format == pf1bit ? 2 : 8;
    TBitmap bmp(5, 3, pf24bit);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x)
            bmp.SetPixel(x, y, colours[(x * 3 + y * 5 + x * y) % usable]);
    bmp.SetPixelFormat(format);
    return bmp;
}

// The bytes of a row that carry pixels (32-bit pixels without their unused fourth byte).
bool SameRows(const TBitmap& a, const TBitmap& b)
{
    for (int y = 0; y < a.Height(); ++y) {
        const BYTE* p = a.ScanLine(y);
        const BYTE* q = b.ScanLine(y);
        for (int x = 0; x < a.Width(); ++x) {
            const int bits = a.BitsPerPixel();
            if (bits < 8) {
                const int bit = x * bits;
                const unsigned mask = ((1u << bits) - 1) << (8 - bits - bit % 8);
                if ((p[bit / 8] & mask) != (q[bit / 8] & mask))
                    return false;
            } else if (std::memcmp(p + x * bits / 8, q + x * bits / 8, bits == 32 ? 3 : bits / 8) != 0) {
                return false;
            }
        }
    }
    return true;
}

} // namespace

class QImageRoundTrip : public QtBridge, public ::testing::WithParamInterface<TPixelFormat> {};

TEST_P(QImageRoundTrip, KeepsEveryPixelAndTheFormat)
{
    const TBitmap bmp = Asymmetric(GetParam());
    const QImage image = BitmapToQImage(bmp);
    ASSERT_EQ(image.width(), 5);
    ASSERT_EQ(image.height(), 3);
    const bool reduced = bmp.BitsPerPixel() == 16; // Qt scales 5- and 6-bit channels itself
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x) {
            const TColor c = bmp.GetPixel(x, y);
            const QRgb q = image.pixel(x, y);
            const int shift = reduced ? 3 : 0;
            EXPECT_EQ(qRed(q) >> shift, GetRValue(c) >> shift) << x << "," << y;
            EXPECT_EQ(qGreen(q) >> shift, GetGValue(c) >> shift) << x << "," << y;
            EXPECT_EQ(qBlue(q) >> shift, GetBValue(c) >> shift) << x << "," << y;
        }

    TBitmap back;
    QImageToBitmap(image, back);
    EXPECT_EQ(back.PixelFormat(), bmp.PixelFormat());
    ASSERT_EQ(back.Width(), 5);
    ASSERT_EQ(back.Height(), 3);
    EXPECT_EQ(back.ColorTable(), bmp.ColorTable());
    EXPECT_TRUE(SameRows(back, bmp));
}

static std::string FormatName(const ::testing::TestParamInfo<TPixelFormat>& info)
{
    static const char* const names[] = {"Device", "Bits1", "Bits4", "Bits8", "Bits15", "Bits16", "Bits24", "Bits32"};
    return names[info.param];
}

INSTANTIATE_TEST_SUITE_P(EveryFormat, QImageRoundTrip,
                         ::testing::Values(pfDevice, pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit),
                         FormatName);

TEST_F(QtBridge, ForeignImagesBecomeBitmapsOfAFittingFormat)
{
    struct TCase {
        QImage::Format qt;
        TPixelFormat expected;
    };
    for (const TCase c : {TCase{QImage::Format_ARGB32_Premultiplied, pf32bit}, TCase{QImage::Format_RGB888, pf24bit},
                          TCase{QImage::Format_Grayscale8, pf32bit}, TCase{QImage::Format_MonoLSB, pf1bit}}) {
        QImage image(7, 2, c.qt);
        if (c.qt == QImage::Format_MonoLSB) {
            image.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
            image.fill(1u);
        } else {
            image.fill(Qt::white);
        }
        image.setPixel(6, 1, c.qt == QImage::Format_MonoLSB ? 0 : qRgb(0, 0, 0));
        TBitmap bmp;
        QImageToBitmap(image, bmp);
        EXPECT_EQ(bmp.PixelFormat(), c.expected) << c.qt;
        EXPECT_EQ(bmp.GetPixel(0, 0), clWhite) << c.qt;
        EXPECT_EQ(bmp.GetPixel(6, 1), clBlack) << c.qt;
    }
    TBitmap bmp(3, 3);
    QImageToBitmap(QImage(), bmp);
    EXPECT_TRUE(bmp.Empty());
}

// A pixmap made from the image for pixmaps shows what one made from the plain image shows.
TEST_F(QtBridge, PixmapImagesGiveThePixmapsOfThePlainImages)
{
    for (TPixelFormat format : {pf24bit, pf32bit, pf8bit, pf1bit}) {
        SCOPED_TRACE(int(format));
        const TBitmap bitmap = Asymmetric(format);
        const QImage plain = QPixmap::fromImage(BitmapToQImage(bitmap)).toImage();
        const QImage direct = QPixmap::fromImage(BitmapToPixmapImage(bitmap)).toImage();
        EXPECT_EQ(direct.format(), plain.format());
        EXPECT_EQ(direct, plain);
    }
    EXPECT_TRUE(BitmapToPixmapImage(TBitmap()).isNull());
}

TEST_F(QtBridge, ColoursConvertBothWays)
{
    EXPECT_EQ(ColorToQColor(clRed), QColor(255, 0, 0));
    EXPECT_EQ(ColorToQColor(RGB(1, 2, 3)), QColor(1, 2, 3));
    const TColor face = ColorToRGB(clBtnFace);
    EXPECT_EQ(ColorToQColor(clBtnFace), QColor(GetRValue(face), GetGValue(face), GetBValue(face)));
    EXPECT_EQ(ColorToQColor(clNone).alpha(), 0);
    EXPECT_EQ(QColorToColor(QColor(10, 20, 30)), RGB(10, 20, 30));
    EXPECT_EQ(QColorToColor(QColor::fromHsv(0, 255, 255)), clRed);
}

TEST_F(QtBridge, PaintsBitmapsAtSizeStretchedAndTransparently)
{
    TBitmap bmp(2, 1, pf24bit);
    bmp.SetPixel(0, 0, clRed);
    bmp.SetPixel(1, 0, clBlue);

    QImage target(4, 2, QImage::Format_RGB32);
    target.fill(Qt::white);
    {
        QPainter painter(&target);
        DrawBitmap(painter, 1, 1, bmp);
    }
    EXPECT_EQ(target.pixel(1, 1), qRgb(255, 0, 0));
    EXPECT_EQ(target.pixel(2, 1), qRgb(0, 0, 255));
    EXPECT_EQ(target.pixel(0, 1), qRgb(255, 255, 255));
    EXPECT_EQ(target.pixel(1, 0), qRgb(255, 255, 255));

    target.fill(Qt::white);
    {
        QPainter painter(&target);
        DrawBitmap(painter, QRect(0, 0, 4, 2), bmp);
    }
    for (int y = 0; y < 2; ++y) {
        EXPECT_EQ(target.pixel(0, y), qRgb(255, 0, 0));
        EXPECT_EQ(target.pixel(1, y), qRgb(255, 0, 0));
        EXPECT_EQ(target.pixel(2, y), qRgb(0, 0, 255));
        EXPECT_EQ(target.pixel(3, y), qRgb(0, 0, 255));
    }

    // The transparent colour is matched in our colours, whatever Qt makes of 5-bit channels.
    for (TPixelFormat format : {pf24bit, pf15bit, pf16bit, pf8bit}) {
        TBitmap keyed = bmp;
        keyed.SetPixelFormat(format);
        keyed.SetTransparent(true);
        keyed.SetTransparentColor(keyed.GetPixel(1, 0));
        target.fill(Qt::green);
        {
            QPainter painter(&target);
            DrawBitmap(painter, 0, 0, keyed);
        }
        EXPECT_NE(target.pixel(0, 0), qRgb(0, 255, 0)) << format;
        EXPECT_EQ(target.pixel(1, 0), qRgb(0, 255, 0)) << format;
    }
    // A system colour as the transparent one stands for the desktop's colour.
    TBitmap faced = bmp;
    faced.SetPixel(1, 0, ColorToRGB(clBtnFace));
    faced.SetTransparent(true);
    faced.SetTransparentColor(clBtnFace);
    target.fill(Qt::green);
    {
        QPainter painter(&target);
        DrawBitmap(painter, 0, 0, faced);
    }
    EXPECT_EQ(target.pixel(0, 0), qRgb(255, 0, 0));
    EXPECT_EQ(target.pixel(1, 0), qRgb(0, 255, 0));
}

class QtText : public QtBridge {
protected:
    void SetUp() override { InstallQtTextRenderer(); }
    void TearDown() override { SetTextRenderer(nullptr); }

    static int CountNot(const TBitmap& bmp, TColor background, TRect* bounds = nullptr)
    {
        int n = 0;
        TRect box{bmp.Width(), bmp.Height(), 0, 0};
        for (int y = 0; y < bmp.Height(); ++y)
            for (int x = 0; x < bmp.Width(); ++x)
                if (bmp.GetPixel(x, y) != background) {
                    ++n;
                    box = TRect{std::min(box.Left, x), std::min(box.Top, y), std::max(box.Right, x + 1),
                                std::max(box.Bottom, y + 1)};
                }
        if (bounds)
            *bounds = box;
        return n;
    }
};

TEST_F(QtText, TextIsMeasuredAndDrawnInTheFontColour)
{
    TBitmap bmp(120, 40, pf24bit);
    TCanvas& canvas = bmp.Canvas();
    canvas.Font().Size = 12;
    canvas.Font().Color = clRed;
    canvas.Brush().Style = bsClear;
    const TSize size = canvas.TextExtent("Kelvo");
    EXPECT_GT(size.cx, 10);
    EXPECT_GT(size.cy, 8);
    canvas.TextOut(5, 5, "Kelvo");
    TRect box;
    EXPECT_GT(CountNot(bmp, clWhite, &box), 20);
    EXPECT_GE(box.Left, 5);
    EXPECT_GE(box.Top, 5);
    EXPECT_LE(box.Right, 5 + size.cx + 2);
    EXPECT_LE(box.Bottom, 5 + size.cy + 1);
    bool sawRed = false;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 120; ++x)
            sawRed = sawRed || bmp.GetPixel(x, y) == clRed;
    EXPECT_TRUE(sawRed);
}

TEST_F(QtText, StylesAndSizesChangeTheText)
{
    TFont plain;
    plain.Size = 10;
    TFont big = plain;
    big.Size = 20;
    TFont bold = plain;
    bold.Style.Include(fsBold);
    TQtTextRenderer renderer;
    const TSize p = renderer.Measure("Kelvo text", plain);
    EXPECT_GT(renderer.Measure("Kelvo text", big).cy, p.cy);
    EXPECT_GT(renderer.Measure("Kelvo text", big).cx, p.cx);
    EXPECT_GE(renderer.Measure("Kelvo text", bold).cx, p.cx);

    // Underline and strike-out draw lines the plain text does not have.
    auto inked = [&](const TFont& font) {
        TBitmap bmp(120, 40, pf24bit);
        renderer.DrawText(bmp, 2, 2, "Kelvo text", font, TBrush{clWhite, bsClear}, nullptr);
        return CountNot(bmp, clWhite);
    };
    TFont underline = plain, strike = plain;
    underline.Style.Include(fsUnderline);
    strike.Style.Include(fsStrikeOut);
    EXPECT_GT(inked(underline), inked(plain));
    EXPECT_GT(inked(strike), inked(plain));
}

TEST_F(QtText, OpaqueBrushFillsTheBoxAndClipsStayClipped)
{
    TBitmap bmp(100, 30, pf24bit);
    TCanvas& canvas = bmp.Canvas();
    canvas.Brush().Color = clYellow;
    canvas.Brush().Style = bsSolid;
    canvas.Font().Color = clBlack;
    canvas.TextOut(0, 0, "Ab");
    EXPECT_EQ(bmp.GetPixel(0, 0), clYellow);
    const TSize size = canvas.TextExtent("Ab");
    EXPECT_EQ(bmp.GetPixel(size.cx + 3, 0), clWhite);

    TBitmap clipped(100, 30, pf24bit);
    TCanvas& c2 = clipped.Canvas();
    c2.Brush().Style = bsClear;
    c2.Font().Color = clBlack;
    c2.Font().Size = 14;
    c2.TextRect(TRect{0, 0, 6, 30}, 0, 0, "WWWW");
    TRect box;
    ASSERT_GT(CountNot(clipped, clWhite, &box), 0);
    EXPECT_LE(box.Right, 6);
}

TEST_F(QtText, PaletteBitmapsGetOnlyTheirOwnColours)
{
    TBitmap bmp(80, 30, pf1bit);
    TCanvas& canvas = bmp.Canvas();
    canvas.Brush().Style = bsClear;
    canvas.Font().Color = clBlack;
    canvas.TextOut(2, 2, "Kelvo");
    int black = 0;
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 80; ++x) {
            const TColor c = bmp.GetPixel(x, y);
            ASSERT_TRUE(c == clBlack || c == clWhite);
            black += c == clBlack;
        }
    EXPECT_GT(black, 10);
}

class QtClipboard : public QtBridge {
protected:
    void SetUp() override
    {
        InstallQtClipboard();
        Clipboard().Clear();
    }
    void TearDown() override { SetClipboard(nullptr); }
};

TEST_F(QtClipboard, BitmapGoesOutAsAnImageAndComesBack)
{
    const TBitmap bmp = Asymmetric(pf24bit);
    Clipboard().SetBitmap(bmp);
    ASSERT_TRUE(QGuiApplication::clipboard()->mimeData()->hasImage());
    EXPECT_TRUE(Clipboard().HasBitmap());
    EXPECT_TRUE(Clipboard().HasFormat(CF_DIB));
    TBitmap back;
    ASSERT_TRUE(Clipboard().GetBitmap(back));
    ASSERT_EQ(back.Width(), 5);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x)
            EXPECT_EQ(back.GetPixel(x, y), bmp.GetPixel(x, y));
    // A DIB for readers of the bitmap formats.
    const std::vector<uint8_t> dib = Clipboard().GetData(CF_DIB);
    TBitmap fromDib;
    fromDib.LoadFromDIB(dib.data(), dib.size());
    EXPECT_EQ(fromDib.GetPixel(4, 2), bmp.GetPixel(4, 2));
}

TEST_F(QtClipboard, RegisteredFormatsTravelAsNamedMimeDataBesideTheImage)
{
    const UINT gif = RegisterClipboardFormat("GIF Image");
    Clipboard().SetBitmap(Asymmetric(pf8bit));
    Clipboard().SetData(gif, {'G', 'I', 'F'});
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    EXPECT_EQ(data->data("application/x-kelvo-format-GIF Image"), QByteArray("GIF"));
    EXPECT_TRUE(data->hasImage());
    EXPECT_TRUE(Clipboard().HasFormat(gif));
    EXPECT_EQ(Clipboard().GetData(gif), (std::vector<uint8_t>{'G', 'I', 'F'}));

    // A new bitmap replaces the old content, the GIF data with it.
    Clipboard().SetBitmap(Asymmetric(pf24bit));
    EXPECT_FALSE(Clipboard().HasFormat(gif));
    Clipboard().Clear();
    EXPECT_FALSE(Clipboard().HasBitmap());
    TBitmap untouched(2, 2);
    EXPECT_FALSE(Clipboard().GetBitmap(untouched));
}
