// The in-memory clipboard that stands in for the system one in tests and headless runs.
#include <gtest/gtest.h>

#include "platform/bitmap.h"
#include "platform/clipboard.h"

namespace {

TBitmap SmallPicture()
{
    TBitmap bmp(3, 2, pf24bit);
    bmp.SetPixel(0, 0, clRed);
    bmp.SetPixel(2, 1, clBlue);
    return bmp;
}

} // namespace

TEST(MemoryClipboard, BitmapComesBackAndReplacesEverythingElse)
{
    TMemoryClipboard clipboard;
    const UINT custom = RegisterClipboardFormat("Kelvo test format");
    clipboard.SetData(custom, {1, 2, 3});
    clipboard.SetBitmap(SmallPicture());
    EXPECT_FALSE(clipboard.HasFormat(custom));
    EXPECT_TRUE(clipboard.HasBitmap());
    EXPECT_TRUE(clipboard.HasFormat(CF_DIB));
    EXPECT_TRUE(clipboard.HasFormat(CF_BITMAP));

    TBitmap back;
    ASSERT_TRUE(clipboard.GetBitmap(back));
    EXPECT_EQ(back.Width(), 3);
    EXPECT_EQ(back.GetPixel(0, 0), clRed);
    EXPECT_EQ(back.GetPixel(2, 1), clBlue);

    // The same picture as DIB bytes, which a reader of CF_DIB gets.
    TBitmap fromDib;
    const std::vector<uint8_t> dib = clipboard.GetData(CF_DIB);
    fromDib.LoadFromDIB(dib.data(), dib.size());
    EXPECT_EQ(fromDib.GetPixel(2, 1), clBlue);
}

TEST(MemoryClipboard, DataFormatsAddToTheBitmap)
{
    TMemoryClipboard clipboard;
    const UINT custom = RegisterClipboardFormat("Kelvo test format");
    clipboard.SetBitmap(SmallPicture());
    clipboard.SetData(custom, {1, 2, 3});
    clipboard.SetData(custom, {4, 5});
    EXPECT_TRUE(clipboard.HasBitmap());
    EXPECT_EQ(clipboard.GetData(custom), (std::vector<uint8_t>{4, 5}));
    EXPECT_TRUE(clipboard.GetData(RegisterClipboardFormat("Kelvo other format")).empty());

    clipboard.Clear();
    EXPECT_FALSE(clipboard.HasBitmap());
    EXPECT_FALSE(clipboard.HasFormat(custom));
    TBitmap untouched(2, 2);
    EXPECT_FALSE(clipboard.GetBitmap(untouched));
    EXPECT_EQ(untouched.Width(), 2);
}

TEST(MemoryClipboard, DamagedDibIsRefusedAndChangesNothing)
{
    TMemoryClipboard clipboard;
    clipboard.SetBitmap(SmallPicture());
    EXPECT_THROW(clipboard.SetData(CF_DIB, {40, 0, 0, 0, 1}), EInvalidGraphic);
    TBitmap back;
    ASSERT_TRUE(clipboard.GetBitmap(back));
    EXPECT_EQ(back.GetPixel(0, 0), clRed);
}

TEST(MemoryClipboard, InstalledClipboardIsTheOneInUse)
{
    TMemoryClipboard mine;
    SetClipboard(&mine);
    Clipboard().SetBitmap(SmallPicture());
    EXPECT_TRUE(mine.HasBitmap());
    SetClipboard(nullptr);
    EXPECT_NE(&Clipboard(), &mine);
}

TEST(MemoryClipboard, FormatNamesAreStable)
{
    EXPECT_EQ(ClipboardFormatName(RegisterClipboardFormat("GIF Image")), "GIF Image");
    EXPECT_EQ(ClipboardFormatName(CF_DIB), "DIB");
    // Any registered format keeps its name, not only the ones the program knows of.
    const UINT other = RegisterClipboardFormat("Kelvo Format Of Another Program");
    EXPECT_EQ(ClipboardFormatName(other), "Kelvo Format Of Another Program");
    EXPECT_EQ(ClipboardFormatName(RegisterClipboardFormat("kelvo format of another program")), "Kelvo Format Of Another Program");
    EXPECT_EQ(ClipboardFormatName(0xBFFF), "#49151");
}
