// The GIF picture on the clipboard.
#include <gtest/gtest.h>

#include "gif/gifimage.h"
#include "gif_test_util.h"
#include "platform/clipboard.h"

namespace {

// Takes the bitmap but drops every data block, like a clipboard that refuses the format.
class TRefusingClipboard : public TMemoryClipboard {
public:
    void SetData(UINT format, const std::vector<uint8_t>& data) override
    {
        if (format == CF_BITMAP || format == CF_DIB)
            TMemoryClipboard::SetData(format, data);
    }
};

class GifClipboard : public ::testing::Test {
protected:
    void SetUp() override
    {
        GIFLibraryStartup();
        image.SetDrawOptions(image.DrawOptions() - TGIFDrawOptions{goDither});
        image.GetColorMap().Add(RGB(255, 0, 0));
        image.GetColorMap().Add(RGB(0, 0, 255));
        giftest::AddFrame(image, 3, 2, {0, 1, 0, 1, 1, 0});
        giftest::AddFrame(image, 3, 2, {1, 1, 1, 0, 0, 0});
    }
    void TearDown() override { GIFLibraryShutdown(); }

    TGIFImage image;
};

} // namespace

TEST_F(GifClipboard, CopyPutsBitmapAndStreamPasteTakesTheStream)
{
    TMemoryClipboard clipboard;
    image.CopyToClipboard(clipboard);
    EXPECT_EQ(ClipboardFormatName(CF_GIF), "GIF Image");
    ASSERT_TRUE(clipboard.HasFormat(CF_GIF));
    TBitmap bitmap;
    ASSERT_TRUE(clipboard.GetBitmap(bitmap));
    EXPECT_EQ(bitmap.GetPixel(1, 0), RGB(0, 0, 255));

    TGIFImage pasted;
    ASSERT_TRUE(pasted.PasteFromClipboard(clipboard));
    EXPECT_EQ(pasted.Images().GetCount(), 2);
    EXPECT_EQ(giftest::SaveToBytes(pasted), giftest::SaveToBytes(image));
}

TEST_F(GifClipboard, BitmapOnlyBecomesOneFrame)
{
    TMemoryClipboard clipboard;
    TGIFImage pasted;
    EXPECT_FALSE(pasted.PasteFromClipboard(clipboard));
    TBitmap bitmap(2, 1, pf24bit);
    bitmap.SetPixel(0, 0, RGB(0, 0, 0));
    clipboard.SetBitmap(bitmap);
    ASSERT_TRUE(pasted.PasteFromClipboard(clipboard));
    ASSERT_EQ(pasted.Images().GetCount(), 1);
    EXPECT_EQ(pasted.Images().GetImage(0)->Width(), 2);
}

TEST_F(GifClipboard, RefusalsAndUnknownFormats)
{
    TRefusingClipboard refusing;
    try {
        image.CopyToClipboard(refusing);
        FAIL() << "a refused block must not pass for stored";
    } catch (const GIFException& e) {
        EXPECT_EQ(e.Message, "Failed to store GIF on clipboard");
    }
    try {
        image.LoadFromClipboardFormat(CF_PALETTE, {});
        FAIL();
    } catch (const GIFException& e) {
        EXPECT_EQ(e.Message, "Unsupported clipboard format");
    }
    EXPECT_EQ(image.Images().GetCount(), 2);
}
