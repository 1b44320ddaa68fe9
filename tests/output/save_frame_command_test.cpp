#include <QAction>
#include <QCheckBox>
#include <QPushButton>
#include <QGuiApplication>

#include <cstring>
#include <filesystem>

#include "avi_test_util.h"
#include "editing/gifoptions.h"
#include "gif/gifimage.h"
#include "output/bmpoptions.h"
#include "output/jpgoptions.h"
#include "output/pngoptions.h"
#include "gif_test_util.h"
#include "output_fixture.h"
#include "platform/clipboard.h"
#include "png/pngimage.h"
#include "support/error_of.h"

#ifdef KELVO_HAVE_GIFLIB
#include <gif_lib.h>
#endif

using namespace kelvo::test;

namespace {

std::string Head(const std::filesystem::path& file, std::size_t n)
{
    const auto bytes = ReadBytes(file);
    return std::string(bytes.begin(), bytes.begin() + std::ptrdiff_t(std::min(n, bytes.size())));
}

struct TPngChunk {
    std::string Type;
    std::vector<std::uint8_t> Data;
};

std::vector<TPngChunk> PngChunks(const std::vector<std::uint8_t>& bytes)
{
    std::vector<TPngChunk> chunks;
    std::size_t at = 8;
    while (at + 12 <= bytes.size()) {
        const std::size_t length = std::size_t(bytes[at]) << 24 | bytes[at + 1] << 16 | bytes[at + 2] << 8 | bytes[at + 3];
        if (at + 12 + length > bytes.size())
            break;
        TPngChunk chunk;
        chunk.Type.assign(bytes.begin() + std::ptrdiff_t(at + 4), bytes.begin() + std::ptrdiff_t(at + 8));
        chunk.Data.assign(bytes.begin() + std::ptrdiff_t(at + 8), bytes.begin() + std::ptrdiff_t(at + 8 + length));
        chunks.push_back(std::move(chunk));
        at += 12 + length;
    }
    return chunks;
}

} // namespace

// A shown frame of 8 x 6: black on the left, white on the right, the top two rows of the
// right half red.
class SaveFrame : public TOutputTest {
protected:
    void SetUp() override
    {
        TOutputTest::SetUp();
        TOutputForm& form = Form();
        form.ShowBmpOptions = form.ShowGifOptions = form.ShowJpegOptions = form.ShowPngOptions = false;
        AddFrame(clWhite, 100);
        TCanvas& canvas = form.FrameBitmaps[0]->Canvas();
        canvas.Brush().Color = clBlack;
        canvas.FillRect(TRect{0, 0, 4, 6});
        canvas.Brush().Color = clRed;
        canvas.FillRect(TRect{4, 0, 8, 2});
        form.SelectFrame(0);
        form.ShowFrame(0);
        form.UpdateFrameActions(true);
    }

    // Types the name into the frame dialog and saves, as the user would.
    void Save(const std::filesystem::path& typed)
    {
        dialogs_.Next().Type(typed.string()).ChooseTyped();
        Form().FindAction("ActionSaveFrame")->trigger();
    }

    static void ExpectFrame(const TBitmap& bitmap, bool withRed = true)
    {
        ASSERT_EQ(bitmap.Width(), 8);
        ASSERT_EQ(bitmap.Height(), 6);
        EXPECT_EQ(bitmap.Canvas().Pixels(0, 0), clBlack);
        EXPECT_EQ(bitmap.Canvas().Pixels(3, 5), clBlack);
        EXPECT_EQ(bitmap.Canvas().Pixels(7, 5), clWhite);
        if (withRed) {
            EXPECT_EQ(bitmap.Canvas().Pixels(5, 1), clRed);
        }
    }
};

TEST_F(SaveFrame, TheExtensionPicksTheFormatAndTheProjectStaysAsItWas)
{
    struct TCase {
        const char* Typed;
        const char* Written;  // the file that appears
        const char* Head;     // its first bytes; nothing written when empty
    };
    const TCase cases[] = {
        {"a.JPEG", "a.JPEG", "\xFF\xD8\xFF"},
        {"b.jpg", "b.jpg", "\xFF\xD8\xFF"},
        {"c.Png", "c.Png", "\x89PNG"},
        {"d.gif", "d.gif", "GIF89a"},
        {"e.BMP", "e.BMP", "BM"},
        {"f", "f.bmp", "BM"},
        {"g.txt", "g.txt", ""},
    };
    for (const bool modified : {false, true}) {
        Form().SetProjectModified(modified);
        Form().OptionsChanged = modified;
        for (const TCase& c : cases) {
            SCOPED_TRACE(c.Typed);
            const auto file = temp_ / c.Written;
            std::filesystem::remove(file);
            Save(temp_ / c.Typed);
            EXPECT_EQ(Form().OutputFileName, c.Written);
            if (*c.Head)
                EXPECT_EQ(Head(file, std::strlen(c.Head)), c.Head);
            else
                EXPECT_FALSE(std::filesystem::exists(file));
            EXPECT_EQ(Form().ProjectModified(), modified);
            EXPECT_EQ(Form().OptionsChanged, modified);
        }
    }
    ASSERT_FALSE(dialogs_.Shown.empty());
    EXPECT_EQ(dialogs_.Shown.back().Title, "Сохранить кадр");
    EXPECT_EQ(dialogs_.Shown.back().Filter, "Bitmaps(*.bmp)|*.bmp|GIF Image(*.gif)|*.gif|JPEG Image(*.jpg)|*.jpg|"
                                            "Portable Network Graphics(*.png)|*.png");
    EXPECT_TRUE(boxes_.Asked.empty());

    dialogs_.Cancel();
    Form().FindAction("ActionSaveFrame")->trigger();
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(temp_.Path()), {}), 6);
}

TEST_F(SaveFrame, OptionsDialogShowsByItsFlagAndOnlyOkSaves)
{
    TOutputForm& form = Form();
    form.ShowBmpOptions = form.ShowGifOptions = form.ShowJpegOptions = form.ShowPngOptions = true;
    struct TCase {
        const char* Name;
        const char* Dialog;
    };
    const TCase cases[] = {{"a.bmp", "TBMPForm"}, {"b.jpg", "TJPGForm"}, {"c.png", "TPNGForm"}, {"d.gif", "TGifOptionForm"}};
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        std::string caption;
        QWidget* owner = nullptr;
        desktop_.ModalDialogs.Answers.push_back([&](QDialog& dialog) {
            caption = dialog.windowTitle().toStdString();
            owner = dialog.parentWidget();
            dialog.reject();
        });
        Save(temp_ / c.Name);
        ASSERT_FALSE(desktop_.ModalDialogs.Shown.empty());
        EXPECT_EQ(desktop_.ModalDialogs.Shown.back().ClassName, c.Dialog);
        EXPECT_EQ(caption, c.Name);
        EXPECT_EQ(owner, &form) << "it opens over the window";
        EXPECT_FALSE(std::filesystem::exists(temp_ / c.Name));
    }

    // What the dialog's OK stores is what the file gets.
    desktop_.ModalDialogs.Answer<TBMPForm>([](TBMPForm& dialog) {
        dialog.RadioGroup1->SetItemIndex(0); // 1 bit
        dialog.Button1->click();
    });
    Save(temp_ / "a.bmp");
    EXPECT_EQ(Le16(&ReadBytes(temp_ / "a.bmp").at(28)), 1);
    desktop_.ModalDialogs.Answer<TPNGForm>([](TPNGForm& dialog) {
        dialog.CheckBox1->setChecked(true); // interlaced
        dialog.Button1->click();
    });
    Save(temp_ / "c.png");
    const auto png = ReadBytes(temp_ / "c.png");
    ASSERT_GT(png.size(), 28u);
    EXPECT_EQ(png[28], 1);
    desktop_.ModalDialogs.Answer<TGifOptionForm>([](TGifOptionForm& dialog) {
        dialog.WorkOptions.GIFTransparent = true;
        dialog.WorkOptions.TransparentColor = clRed;
        dialog.Button1->click();
    });
    Save(temp_ / "d.gif");
    EXPECT_FALSE(form.GifOptionsForFrames);
    EXPECT_TRUE(form.GifSaveTransparent);
    const auto images = WalkGif(ReadBytes(temp_ / "d.gif"));
    ASSERT_EQ(images.size(), 1u);
    ASSERT_EQ(images[0].Extensions.size(), 1u);
    EXPECT_EQ(images[0].Extensions[0].Label, 0xF9);
    EXPECT_FALSE(form.ProjectModified());
}

TEST_F(SaveFrame, TypedNameFollowsTheFilterInBothSaveDialogs)
{
    // The frame dialog: the name gets the filter's extension and is saved in that format.
    dialogs_.Next().Type((temp_ / "name").string()).SwitchToFilter(2).ChooseTyped();
    Form().FindAction("ActionSaveFrame")->trigger();
    EXPECT_EQ(Head(temp_ / "name.gif", 6), "GIF89a");
    EXPECT_EQ(Form().FrameDialogFileText, (temp_ / "name").string());

    dialogs_.Next().Type("a.jpeg").SwitchToFilter(1).SwitchToFilter(4).Cancel();
    Form().FindAction("ActionSaveFrame")->trigger();
    EXPECT_EQ(dialogs_.Shown.back().TypedName, "a.png");
    EXPECT_EQ(Form().FrameDialogFileText, "a.bmp");

    // An empty field stays empty, and the text of an earlier showing is forgotten.
    dialogs_.Next().Type("").SwitchToFilter(2).Cancel();
    Form().FindAction("ActionSaveFrame")->trigger();
    EXPECT_EQ(dialogs_.Shown.back().TypedName, "");
    EXPECT_EQ(Form().FrameDialogFileText, "");

    // The output dialog: AVI for its first filter, GIF for any other.
    Form().OutputDialogFileText = "stale";
    dialogs_.Next().Type("x.gif").SwitchToFilter(1).Cancel();
    EXPECT_FALSE(Form().SaveDialog1->Execute());
    EXPECT_EQ(dialogs_.Shown.back().TypedName, "x.avi");
    EXPECT_EQ(Form().OutputDialogFileText, "x.gif");
    dialogs_.Next().Type("x").SwitchToFilter(2).Cancel();
    EXPECT_FALSE(Form().SaveDialog1->Execute());
    EXPECT_EQ(dialogs_.Shown.back().TypedName, "x.gif");
}

// A name typed after the switch, without extension, is saved in the format of the filter
// chosen, through that format's options dialog.
TEST_F(SaveFrame, ABareNameTypedAfterTheSwitchTakesTheChosenFiltersFormat)
{
    Form().ShowPngOptions = Form().ShowBmpOptions = true;
    desktop_.ModalDialogs.AnswerOk();
    dialogs_.Next().SwitchToFilter(4).Type((temp_ / "shot").string()).ChooseTyped();
    Form().FindAction("ActionSaveFrame")->trigger();
    ASSERT_EQ(desktop_.ModalDialogs.Shown.size(), 1u);
    EXPECT_EQ(desktop_.ModalDialogs.Shown[0].ClassName, "TPNGForm");
    EXPECT_EQ(Head(temp_ / "shot.png", 4), "\x89PNG");
    EXPECT_FALSE(std::filesystem::exists(temp_ / "shot.bmp"));

    // The create dialog alike: an AVI project's dialog switched to its GIF filter.
    Form().ProjectType = 0;
    Form().ShowProjectType(true);
    Form().ShowAniGifOptions = false;
    dialogs_.Next().SwitchToFilter(2).Type((temp_ / "anim").string()).ChooseTyped();
    Form().FindAction("ActionCreate")->trigger();
    EXPECT_EQ(Head(temp_ / "anim.gif", 6), "GIF89a");
    EXPECT_FALSE(std::filesystem::exists(temp_ / "anim.avi"));

    // A new project's create dialog has no default extension of its own; the filter still names it.
    Form().SaveDialog1->DefaultExt.clear();
    dialogs_.Next().SwitchToFilter(2).Type((temp_ / "new").string()).ChooseTyped();
    Form().FindAction("ActionCreate")->trigger();
    EXPECT_EQ(Head(temp_ / "new.gif", 6), "GIF89a");
}

TEST_F(SaveFrame, PngNamesItsTransparentColourAndFollowsInterlaceAndLevel)
{
    struct TCase {
        bool Interlaced;
        int Level;
        TColor Transparent;
        std::uint8_t InterlaceByte;
        std::uint8_t ZlibLevelBits; // FLEVEL of the zlib header: 0 fastest .. 3 smallest
        std::vector<std::uint8_t> Trns; // 16-bit red, green, blue
    };
    const TCase cases[] = {
        {false, 9, clWhite, 0, 3, {0, 255, 0, 255, 0, 255}}, // the window's defaults
        {true, 0, clRed, 1, 0, {0, 255, 0, 0, 0, 0}},
        {false, 0x105, clBlack, 0, 1, {0, 0, 0, 0, 0, 0}}, // only the low byte counts: 5
    };
    int n = 0;
    for (const TCase& c : cases) {
        SCOPED_TRACE(n);
        Form().PngInterlaced = c.Interlaced;
        Form().PngCompressionLevel = c.Level;
        Form().PngTransparentColor = c.Transparent;
        const auto file = temp_ / ("f" + std::to_string(n++) + ".png");
        Form().SaveFramePng(file.string());

        const auto chunks = PngChunks(ReadBytes(file));
        std::vector<std::string> types;
        for (const auto& chunk : chunks)
            if (chunk.Type != "IDAT" || types.empty() || types.back() != "IDAT")
                types.push_back(chunk.Type);
        // Nothing else is asked for; the order is the one readers require.
        auto position = [&](const char* type) { return std::find(types.begin(), types.end(), type) - types.begin(); };
        ASSERT_EQ(types.front(), "IHDR");
        EXPECT_LT(position("tRNS"), position("IDAT"));
        EXPECT_LT(position("IDAT"), position("IEND"));
        EXPECT_EQ(types.back(), "IEND");
        for (const auto& chunk : chunks) {
            if (chunk.Type == "IHDR") {
                EXPECT_EQ(chunk.Data[9], 2) << "truecolour";
                EXPECT_EQ(chunk.Data[12], c.InterlaceByte);
            } else if (chunk.Type == "tRNS") {
                EXPECT_EQ(chunk.Data, c.Trns);
            }
        }
        const auto idat = std::find_if(chunks.begin(), chunks.end(), [](const auto& k) { return k.Type == "IDAT"; });
        ASSERT_NE(idat, chunks.end());
        EXPECT_EQ(idat->Data[1] >> 6, c.ZlibLevelBits);

        TPNGObject back;
        back.LoadFromFile(file.string());
        TBitmap pixels;
        pixels.Assign(back);
        pixels.SetTransparent(false);
        ExpectFrame(pixels);
    }
    if (!HaveTool("pngcheck"))
        GTEST_SKIP() << "pngcheck not available";
    int code = -1;
    const std::string report = RunCommand("pngcheck -q " + temp_.Path().string() + "/*.png 2>&1", &code);
    EXPECT_EQ(code, 0) << report;
}

TEST_F(SaveFrame, BmpIsWrittenAtTheChosenDepth)
{
    const std::pair<TPixelFormat, int> depths[] = {{pf1bit, 1},   {pf4bit, 4},   {pf8bit, 8},
                                                   {pf16bit, 16}, {pf24bit, 24}, {pf32bit, 32}};
    for (const auto& [format, bits] : depths) {
        SCOPED_TRACE(bits);
        Form().BmpPixelFormat = format;
        const auto file = temp_ / ("f" + std::to_string(bits) + ".bmp");
        Form().SaveFrameBmp(file.string());
        const auto bytes = ReadBytes(file);
        ASSERT_GT(bytes.size(), 30u);
        EXPECT_EQ(Le16(&bytes[28]), bits);
        TBitmap back;
        back.LoadFromFile(file.string());
        // Two colours cannot hold the red, which the other depths keep.
        ExpectFrame(back, bits > 1);
    }
    // The shown frame itself is not converted.
    EXPECT_NE(Form().PreviewBitmap->PixelFormat(), pf1bit);
    ExpectFrame(*Form().PreviewBitmap);
}

TEST_F(SaveFrame, GifWithAndWithoutTransparency)
{
    for (const bool transparent : {false, true}) {
        SCOPED_TRACE(transparent ? "transparent" : "opaque");
        Form().GifSaveTransparent = transparent;
        Form().GifSaveTransparentColor = clRed;
        const auto file = temp_ / (transparent ? "t.gif" : "o.gif");
        Form().SaveFrameGif(file.string());
        EXPECT_FALSE(Form().PreviewBitmap->Transparent());

        const auto images = WalkGif(ReadBytes(file));
        ASSERT_EQ(images.size(), 1u);
        EXPECT_EQ(images[0].Width, 8);
        EXPECT_EQ(images[0].Height, 6);
        int controls = 0;
        for (const auto& extension : images[0].Extensions) {
            EXPECT_NE(extension.Label, 0xFF) << "a single picture has no loop extension";
            if (extension.Label == 0xF9) {
                ++controls;
                ASSERT_EQ(extension.Data.size(), 4u);
                EXPECT_EQ(extension.Data[0] & 1, 1) << "transparent index in use";
                EXPECT_EQ(Le16(&extension.Data[1]), 0) << "no delay";
            }
        }
        EXPECT_EQ(controls, transparent ? 1 : 0);
#ifdef KELVO_HAVE_GIFLIB
        int error = 0;
        GifFileType* gif = DGifOpenFileName(file.string().c_str(), &error);
        ASSERT_NE(gif, nullptr);
        ASSERT_EQ(DGifSlurp(gif), GIF_OK);
        GraphicsControlBlock gcb;
        gcb.TransparentColor = NO_TRANSPARENT_COLOR;
        DGifSavedExtensionToGCB(gif, 0, &gcb);
        const SavedImage& image = gif->SavedImages[0];
        const ColorMapObject* map = image.ImageDesc.ColorMap ? image.ImageDesc.ColorMap : gif->SColorMap;
        for (int y = 0; y < 6; ++y)
            for (int x = 0; x < 8; ++x) {
                const int index = image.RasterBits[y * 8 + x];
                const bool red = x >= 4 && y < 2;
                EXPECT_EQ(index == gcb.TransparentColor, transparent && red) << x << "," << y;
                if (index != gcb.TransparentColor) {
                    const GifColorType rgb = map->Colors[index];
                    const int expected = x < 4 ? 0 : red ? 0xFF0000 : 0xFFFFFF;
                    EXPECT_EQ(rgb.Red << 16 | rgb.Green << 8 | rgb.Blue, expected) << x << "," << y;
                }
            }
        DGifCloseFile(gif, &error);
#endif
    }
}

// A colour the picture does not have leaves it opaque; it is no reason to refuse the save.
TEST_F(SaveFrame, GifTransparentColourMissingFromThePicture)
{
    Form().GifSaveTransparent = true;
    Form().GifSaveTransparentColor = clLime;
    for (const int reduction : {0, 6, 7}) { // none, the fixed palette, a quantized one
        SCOPED_TRACE(reduction);
        Form().GifSaveReduction = std::int8_t(reduction);
        const auto file = temp_ / "m.gif";
        EXPECT_EQ(ErrorOf([&] { Form().SaveFrameGif(file.string()); }), "(no error)");
        const auto images = WalkGif(ReadBytes(file));
        ASSERT_EQ(images.size(), 1u);
        for (const auto& extension : images[0].Extensions)
            if (extension.Label == 0xF9) {
                EXPECT_EQ(extension.Data.at(0) & 1, 0) << "no transparent index";
            }
        TGIFImage back;
        back.LoadFromFile(file.string());
        TBitmap pixels;
        pixels.Assign(back);
        ExpectFrame(pixels);
    }
}

TEST_F(SaveFrame, JpegQualityDecidesTheSize)
{
    // Detail to lose: a 64 x 64 pattern.
    Form().PreviewBitmap = std::make_unique<TBitmap>(PatternFrame(64, 64, 3));
    for (const int quality : {10, 100}) {
        Form().JpegQuality = quality;
        Form().SaveFrameJpeg((temp_ / (std::to_string(quality) + ".jpg")).string());
    }
    EXPECT_LT(std::filesystem::file_size(temp_ / "10.jpg"), std::filesystem::file_size(temp_ / "100.jpg"));
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

TEST_F(SaveFrame, ErrorsReachTheCallerWithCursorAndPreviewRestored)
{
    Form().GifSaveTransparent = true;
    const auto missing = temp_ / "no" / "such";
    using TSaver = void (TAVIForm::*)(const std::string&);
    for (const TSaver saver : {&TAVIForm::SaveFrameBmp, &TAVIForm::SaveFrameJpeg, &TAVIForm::SaveFramePng,
                               &TAVIForm::SaveFrameGif}) {
        EXPECT_NE(ErrorOf([&] { (Form().*saver)((missing / "f").string()); }), "(no error)");
        EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
        EXPECT_FALSE(Form().PreviewBitmap->Transparent());
    }

    // The GIF library refuses the colour bits; an earlier file is left as it was.
    const auto file = temp_ / "old.gif";
    WriteBytes(file, {'o', 'l', 'd'});
    Form().GifSaveReductionBits = 9;
    EXPECT_EQ(ErrorOf<GIFException>([&] { Form().SaveFrameGif(file.string()); }), "Invalid Bits Per Pixel value");
    EXPECT_FALSE(Form().PreviewBitmap->Transparent());
    EXPECT_EQ(Head(file, 10), "old");
}

TEST_F(SaveFrame, CopyPutsTheShownFrameOnTheClipboard)
{
    // Not the system's clipboard, whatever the platform installed first.
    SetClipboard(&desktop_.Clipboard);
    Form().FindAction("ActionCopy")->trigger();
    TBitmap pasted;
    ASSERT_TRUE(desktop_.Clipboard.GetBitmap(pasted));
    EXPECT_EQ(pasted.PixelFormat(), Form().PreviewBitmap->PixelFormat());
    ExpectFrame(pasted);
    EXPECT_FALSE(Form().ProjectModified());
}

