#include "platform/graphics.h"

#include <gtest/gtest.h>

#include "support/paths.h"

namespace {

// A graphic that is not a bitmap: a solid colour of a given size.
class TSolidGraphic : public TGraphic {
public:
    int Width() const override { return w; }
    int Height() const override { return h; }
    bool Empty() const override { return w == 0 || h == 0; }
    void Draw(TCanvas& canvas, const TRect& rect) const override
    {
        canvas.Brush().Color = colour;
        canvas.FillRect(rect);
    }
    void LoadFromStream(TStream& s) override
    {
        BYTE b[3];
        s.ReadBuffer(b, 3);
        w = b[0];
        h = b[1];
        colour = RGB(b[2], 0, 0);
        loaded = true;
    }
    void SaveToStream(TStream& s) const override
    {
        const BYTE b[3] = {BYTE(w), BYTE(h), GetRValue(colour)};
        s.WriteBuffer(b, 3);
    }
    void Assign(const TPersistent& source) override
    {
        if (auto* o = dynamic_cast<const TSolidGraphic*>(&source)) {
            w = o->w;
            h = o->h;
            colour = o->colour;
            return;
        }
        TGraphic::Assign(source);
    }
    int w = 2, h = 1;
    TColor colour = clRed;
    bool loaded = false;
};

TEST(Picture, ChoosesTheGraphicClassByExtension)
{
    TPicture::RegisterFileFormat("SLD", "Solid pictures", "TSolidGraphic", [] { return std::make_unique<TSolidGraphic>(); });
    ASSERT_NE(TPicture::FindFileFormat(".sld"), nullptr);
    EXPECT_EQ(TPicture::FindFileFormat("sld")->Description, "Solid pictures");
    ASSERT_NE(TPicture::FindFileFormat("BMP"), nullptr);
    EXPECT_EQ(TPicture::FindFileFormat("bmp")->ClassName, "TBitmap");

    kelvo::test::TTempDir dir;
    const std::string file = (dir / "x.Sld").string();
    {
        TSolidGraphic g;
        g.w = 4;
        g.h = 3;
        g.SaveToFile(file);
    }
    TPicture p;
    int changes = 0;
    p.OnChange = [&](TPicture&) { ++changes; };
    p.LoadFromFile(file);
    ASSERT_NE(dynamic_cast<TSolidGraphic*>(p.Graphic()), nullptr);
    EXPECT_EQ(p.Width(), 4);
    EXPECT_EQ(p.Height(), 3);
    EXPECT_EQ(changes, 1);

    try {
        p.LoadFromFile((dir / "a.XYZ").string());
        FAIL();
    } catch (const EInvalidGraphic& e) {
        EXPECT_EQ(e.Message, "Unknown picture file extension (.xyz)");
    }
    EXPECT_THROW(p.LoadFromFile((dir / "missing.sld").string()), EFOpenError);
    EXPECT_EQ(p.Width(), 4); // a failed load keeps the old graphic

    // Bitmap() swaps a non-bitmap graphic for an empty bitmap; Assign copies.
    TPicture q;
    q.Assign(*p.Graphic());
    EXPECT_EQ(q.Width(), 4);
    EXPECT_TRUE(p.Bitmap().Empty());
    EXPECT_NE(dynamic_cast<TBitmap*>(p.Graphic()), nullptr);

    TPicture::UnregisterGraphicClass("TSolidGraphic");
    EXPECT_EQ(TPicture::FindFileFormat("sld"), nullptr);
}

TEST(Picture, AssignDrawsOtherGraphicsOntoBitmapsAndRefusesTheRest)
{
    TSolidGraphic g;
    TBitmap b(5, 5, pf8bit);
    b.Assign(g);
    EXPECT_EQ(b.Width(), 2);
    EXPECT_EQ(b.Height(), 1);
    EXPECT_EQ(b.GetPixel(1, 0), clRed);

    TSolidGraphic other;
    try {
        other.Assign(b);
        FAIL();
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message, "Cannot assign a TBitmap to a TSolidGraphic");
    }
}

TEST(Picture, ClipboardFormatsAndTheBitmapsOwnTransfer)
{
    const UINT a = RegisterClipboardFormat("GIF Image");
    EXPECT_GE(a, 0xC000u);
    EXPECT_EQ(RegisterClipboardFormat("gif image"), a);
    EXPECT_NE(RegisterClipboardFormat("PNG"), a);
    EXPECT_TRUE(TPicture::SupportsClipboardFormat(CF_DIB));
    EXPECT_FALSE(TPicture::SupportsClipboardFormat(a));

    TBitmap b(2, 1, pf24bit);
    b.SetPixel(1, 0, clBlue);
    UINT format = 0;
    std::vector<uint8_t> data;
    b.SaveToClipboardFormat(format, data);
    EXPECT_EQ(format, CF_DIB);
    TPicture p;
    p.LoadFromClipboardFormat(format, data);
    ASSERT_NE(dynamic_cast<TBitmap*>(p.Graphic()), nullptr);
    EXPECT_EQ(p.Bitmap().GetPixel(1, 0), clBlue);
    EXPECT_THROW(p.LoadFromClipboardFormat(a, data), EInvalidGraphic);
}

TEST(Picture, GraphicEventsAndModifiedMark)
{
    TBitmap b;
    int changes = 0;
    b.OnChange = [&](TGraphic&) { ++changes; };
    EXPECT_FALSE(b.Modified());
    b.SetSize(3, 3);
    EXPECT_EQ(changes, 1);
    EXPECT_TRUE(b.Modified());
    std::string stage;
    b.OnProgress = [&](TGraphic&, TProgressStage s, BYTE pct, bool, const TRect&, const std::string& msg) {
        stage = std::to_string(int(s)) + " " + std::to_string(pct) + " " + msg;
    };
    b.Progress(psRunning, 50, false, TRect{}, "Converting...");
    EXPECT_EQ(stage, "1 50 Converting...");
    // A copy does not take the events with it.
    TBitmap c(b);
    c.SetSize(1, 1);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(b.ClassName(), "TBitmap");
}

} // namespace
