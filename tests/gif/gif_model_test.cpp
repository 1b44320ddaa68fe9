// The document model: defaults, colour tables, frame bounds, extension links, ownership.
#include <gtest/gtest.h>

#include <cerrno>

#include "gif_test_util.h"
#include "platform/bitmap.h"
#include "support/error_of.h"

using namespace giftest;

namespace {

TEST(GifModel, NewImageIsEmptyAndTakesTheDefaults)
{
    TGIFImage image;
    EXPECT_TRUE(image.GetEmpty());
    EXPECT_EQ(image.GetWidth(), 0);
    EXPECT_EQ(image.GetHeight(), 0);
    EXPECT_EQ(image.GetVersion(), gvUnknown);
    EXPECT_EQ(image.DrawOptions().Bits(), 0x060F);
    EXPECT_EQ(image.ColorReduction, rmNetscape);
    EXPECT_EQ(image.ReductionBits(), 8);
    EXPECT_EQ(image.Compression, gcLZW);
    EXPECT_EQ(image.AnimationSpeed(), 100);
    EXPECT_EQ(image.DrawBackgroundColor, clNone);

    const auto saved = GIFImageDefaultCompression;
    const auto savedReduction = GIFImageDefaultColorReduction;
    GIFImageDefaultCompression = gcRLE;
    GIFImageDefaultColorReduction = rmQuantize;
    TGIFImage second;
    EXPECT_EQ(second.Compression, gcRLE);
    EXPECT_EQ(second.ColorReduction, rmQuantize);
    GIFImageDefaultCompression = saved;
    GIFImageDefaultColorReduction = savedReduction;

    EXPECT_EQ(ErrorOf([&] { image.SetReductionBits(0); }), "Invalid Bits Per Pixel value");
    EXPECT_EQ(ErrorOf([&] { image.SetReductionBits(9); }), "Invalid Bits Per Pixel value");
    image.SetAnimationSpeed(5000);
    EXPECT_EQ(image.AnimationSpeed(), 1000);
}

TEST(GifModel, MessagesAndErrors)
{
    EXPECT_EQ(LoadGIFString(sDecodeCircular), "Circular decoder table entry");
    EXPECT_EQ(LoadGIFString(sBadBlockSize), "Unsupported Application Extension block size");
    EXPECT_EQ(LoadGIFString(sEmptyColorMap), "Color table is empty");
    EXPECT_EQ(LoadGIFString(65500), ""); // the PNG library's block
    try {
        RaiseGIFError(sBadSignature);
        FAIL();
    } catch (const EInvalidGraphic& e) {
        EXPECT_NE(dynamic_cast<const GIFException*>(&e), nullptr);
        EXPECT_EQ(e.Message, "Invalid GIF signature");
    }
}

TEST(GifModel, CheckGDIResultPassesValuesAndRaisesOnZero)
{
    int handle = 5;
    EXPECT_EQ(CheckGDIResult(&handle), &handle);
    EXPECT_EQ(CheckGDIResult(7), 7);
    errno = 0;
    try {
        CheckGDIResult(0);
        FAIL();
    } catch (const EOutOfResources& e) {
        EXPECT_EQ(e.Message, "Out of system resources");
    }
}

TEST(GifModel, LibraryStartupRegistersPictureAndClipboardFormat)
{
    SetScreenBitsPerPixel(8);
    GIFLibraryStartup();
    EXPECT_TRUE(PaletteDevice);
    EXPECT_TRUE(DoAutoDither);
    const TFileFormatEntry* entry = TPicture::FindFileFormat("GIF");
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->Description, "GIF Image");
    EXPECT_EQ(entry->Factory()->ClassName(), "TGIFImage");
    EXPECT_GE(CF_GIF, 0xC000u);
    EXPECT_TRUE(TPicture::SupportsClipboardFormat(CF_GIF));
    GIFLibraryShutdown();
    EXPECT_EQ(TPicture::FindFileFormat("gif"), nullptr);

    SetScreenBitsPerPixel(24);
    GIFLibraryStartup();
    EXPECT_FALSE(PaletteDevice);
    EXPECT_FALSE(DoAutoDither);

    const auto saved = GIFImageDefaultDrawOptions;
    Register();
    EXPECT_FALSE(GIFImageDefaultDrawOptions.Contains(goLoop));
    GIFImageDefaultDrawOptions = saved;
}

TEST(GifModel, ColorTableLimitsAndBadIndices)
{
    TGIFImage image;
    TWarningLog log;
    log.Attach(image);
    TGIFColorMap& map = image.GetColorMap();
    EXPECT_EQ(ErrorOf([&] { map.GetColor(0); }), "Color table is empty");
    EXPECT_TRUE(log.Has("Invalid color index"));

    for (int i = 0; i < 256; ++i)
        map.Add(RGB(i, 0, 0));
    EXPECT_EQ(ErrorOf([&] { map.Add(clWhite); }), "Color table overflow");
    EXPECT_EQ(map.AddUnique(RGB(7, 0, 0)), 7);
    EXPECT_EQ(map.Count(), 256);

    TGIFColor many[257] = {};
    EXPECT_EQ(ErrorOf([&] { map.ImportColorMap(many, 257); }), "Color table overflow");

    map.Clear();
    for (int i = 0; i < 4; ++i)
        map.Add(RGB(10 * i, 1, 2));
    log.Messages.clear();
    EXPECT_EQ(map.GetColor(5), RGB(0, 1, 2));
    EXPECT_TRUE(log.Has("Invalid color index"));

    log.Messages.clear();
    map.SetColor(4, clWhite);
    map.Delete(-1);
    map.Delete(4);
    EXPECT_EQ(log.Messages.size(), 3u);
    EXPECT_EQ(map.Count(), 4);
    EXPECT_EQ(map.GetColor(3), RGB(30, 1, 2));
    map.Delete(0);
    EXPECT_EQ(map.Count(), 3);
    EXPECT_EQ(map.GetColor(0), RGB(10, 1, 2));
    EXPECT_EQ(map.IndexOf(RGB(30, 1, 2)), 2);
    EXPECT_EQ(map.IndexOf(clWhite), -1);

    image.Header().SetBackgroundColorIndex(9);
    EXPECT_EQ(image.GetBackgroundColorIndex(), 0);
}

TEST(GifModel, BitsPerPixelFollowTheColourCount)
{
    const int table[][2] = {{0, 0}, {1, 1}, {2, 1}, {3, 2}, {4, 2}, {5, 3}, {16, 4}, {17, 5}, {129, 8}, {256, 8}};
    for (const auto& row : table)
        EXPECT_EQ(BitsForColorCount(row[0]), row[1]) << row[0];

    TGIFImage image;
    TGIFSubImage* frame = AddFrame(image, 2, 2, {});
    FillColorMap(frame->ColorMap(), 3);
    EXPECT_EQ(frame->GetBitsPerPixel(), 2);
    EXPECT_EQ(frame->GetColorResolution(), 1);
    FillColorMap(image.GetColorMap(), 20);
    EXPECT_EQ(image.GetBitsPerPixel(), 5);
}

TEST(GifModel, FrameBoundsWidenTheScreen)
{
    TGIFImage image;
    TWarningLog log;
    log.Attach(image);
    TGIFSubImage* frame = AddFrame(image, 10, 5, {}, 2, 3);
    EXPECT_EQ(image.GetWidth(), 12);
    EXPECT_EQ(image.GetHeight(), 8);
    EXPECT_TRUE(log.Messages.empty()); // a screen of 0 x 0 just grows
    EXPECT_EQ(frame->DataSize(), 50u);

    frame->SetWidth(20);
    EXPECT_EQ(image.GetWidth(), 22);
    EXPECT_EQ(frame->DataSize(), 100u);
    ASSERT_EQ(log.Messages.size(), 2u);
    EXPECT_EQ(log.Messages[0], "Image width too small for contained frames");
    EXPECT_EQ(log.Messages[1], "Image exceeds Logical Screen size");

    EXPECT_EQ(ErrorOf([&] { image.SetWidth(21); }), "Image width too small for contained frames");
    EXPECT_EQ(ErrorOf([&] { image.SetHeight(7); }), "Image height too small for contained frames");
    image.SetWidth(30);
    EXPECT_EQ(image.GetWidth(), 30);

    EXPECT_EQ(frame->GetBounds(1), 2);
    EXPECT_EQ(frame->GetBounds(4), 5);
    EXPECT_EQ(frame->GetBounds(7), 0);
    EXPECT_EQ(ErrorOf([&] { frame->GetPixel(20, 0); }), "Invalid pixel coordinates");
    EXPECT_EQ(ErrorOf([&] { frame->GetScanline(-1); }), "Invalid pixel coordinates");
    TGIFSubImage* empty = AddFrame(image, 0, 0, {});
    EXPECT_TRUE(empty->GetEmpty());
    EXPECT_EQ(ErrorOf([&] { empty->SetBoundsRect(Bounds(0, 0, 65535, 65535)); }), "Invalid image dimensions");
}

TEST(GifModel, GraphicControlLinkAndTransparency)
{
    TGIFImage image;
    TGIFSubImage* frame = AddFrame(image, 1, 1, {});
    auto* first = new TGIFGraphicControlExtension(frame);
    frame->Extensions().Add(first);
    auto* second = new TGIFGraphicControlExtension(frame);
    frame->Extensions().Add(second);
    EXPECT_EQ(frame->GraphicControlExtension(), first);

    first->SetTransparent(true);
    first->SetDisposal(dmPrevious);
    first->SetDelay(7);
    EXPECT_TRUE(frame->Transparent());
    EXPECT_TRUE(image.GetIsTransparent());
    EXPECT_EQ(first->GetDisposal(), dmPrevious);
    EXPECT_EQ(first->Rec().PackedFields, 0x0D);

    frame->Extensions().Delete(0);
    EXPECT_EQ(frame->GraphicControlExtension(), nullptr);
    EXPECT_FALSE(frame->Transparent());
    EXPECT_FALSE(image.GetIsTransparent());
    EXPECT_EQ(frame->GetVersion(), gv89a);
}

TEST(GifModel, AddTakesOwnershipAndRejectsOtherObjects)
{
    TGIFImage image;
    auto* frame = new TGIFSubImage(&image);
    EXPECT_EQ(image.Add(frame), 0);
    EXPECT_EQ(image.Images().GetImage(0), frame);

    // A frame made for another image moves over with its extensions.
    TGIFImage other;
    auto* foreign = new TGIFSubImage(&other);
    foreign->Extensions().Add(new TGIFCommentExtension(foreign));
    EXPECT_EQ(image.Add(foreign), 1);
    EXPECT_EQ(foreign->Image(), &image);
    EXPECT_EQ(foreign->Extensions().GetExtension(0)->Image(), &image);

    TGIFColorMap* notAGraphic = &image.GetColorMap();
    EXPECT_EQ(ErrorOf([&] { image.Add(notAGraphic); }), "Object type not supported for operation");
    EXPECT_EQ(image.Images().GetCount(), 2);

    image.Clear();
    EXPECT_TRUE(image.GetEmpty());
    EXPECT_EQ(image.GetWidth(), 0);
}

} // namespace
