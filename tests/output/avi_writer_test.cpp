#include <gtest/gtest.h>

#include <filesystem>

#include "avi_test_util.h"
#include "output/avifunction.h"
#include "support/paths.h"

using namespace kelvo::test;

namespace {

// Answers the compressor choice as told and remembers what it was offered.
class TScriptedChooser : public TAviSaveOptionsChooser {
public:
    bool Answer = true;
    FOURCC Pick = comptypeDIB;
    DWORD Quality = 0;
    int Calls = 0;
    FOURCC Offered = 0;
    bool Choose(void*, PAVISTREAM, AVICOMPRESSOPTIONS& options) override
    {
        ++Calls;
        Offered = options.fccHandler;
        options.fccHandler = Pick;
        options.dwQuality = Quality;
        return Answer;
    }
};

class AviWriterTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        SetAviSaveOptionsChooser(nullptr);
        SetAviFileSizeLimit(AviDefaultFileSizeLimit);
    }
    std::string File(const std::string& name = "out.avi") const { return (dir / name).string(); }
    TTempDir dir;
};

std::vector<std::unique_ptr<TDibSection>> Frames(int count, int width, int height, int depthBytes)
{
    std::vector<std::unique_ptr<TDibSection>> frames;
    for (int i = 0; i < count; ++i)
        frames.push_back(MakeDibSection(PatternFrame(width, height, i), depthBytes));
    return frames;
}

TEST_F(AviWriterTest, UncompressedFileWithSoundHasTheHeadersChunksAndIndexOfItsStreams)
{
    struct TCase {
        int Period, DepthBytes, Width;
        std::uint32_t MicroSeconds;
    };
    for (const TCase c : {TCase{40, 3, 5, 40000}, TCase{1000, 4, 6, 1000000}, TCase{300, 3, 6, 300000}}) {
        SCOPED_TRACE(c.Period);
        const int height = 3, count = 3;
        const auto frames = Frames(count, c.Width, height, c.DepthBytes);
        TWavShape wav;
        wav.Data.resize(176400 / 100); // 441 stereo 16-bit samples
        for (std::size_t i = 0; i < wav.Data.size(); ++i)
            wav.Data[i] = std::uint8_t(i * 7);
        const auto wavImage = MakeWav(wav);

        AviWriter* w = AviWriterOpen(File(), c.Period, nullptr);
        ASSERT_NE(w, nullptr);
        for (const auto& f : frames)
            ASSERT_EQ(AviWriterAddFrame(w, f.get()), AVIERR_OK);
        ASSERT_EQ(AviWriterAddWave(w, wavImage.data(), AVI_WAVE_MEMORY, wavImage.size()), AVIERR_OK);
        EXPECT_EQ(w->frameCount, 3u);
        EXPECT_EQ(w->sampleCount, 441u);
        ASSERT_EQ(AviWriterClose(w), AVIERR_OK);

        const auto bytes = ReadBytes(File());
        const TChunk root = ParseRiff(bytes);
        ASSERT_EQ(root.Children.size(), 1u);
        const TChunk& riff = root.Children[0];
        EXPECT_EQ(riff.Id, "RIFF");
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(riff.Data), 4), "AVI ");
        // Children of RIFF start after the form type.
        TChunk avi;
        ParseChildren(bytes, avi, riff.Offset + 12, riff.Offset + 8 + riff.Size);
        const TChunk* hdrl = avi.Find("hdrl");
        const TChunk* movi = avi.Find("movi");
        const TChunk* idx1 = avi.Find("idx1");
        ASSERT_TRUE(hdrl && movi && idx1);

        const TChunk* avih = hdrl->Find("avih");
        ASSERT_TRUE(avih);
        ASSERT_EQ(avih->Size, 56u);
        EXPECT_EQ(avih->U32(0), c.MicroSeconds);
        EXPECT_EQ(avih->U32(12) & 0x10, 0x10u) << "has an index";
        EXPECT_EQ(avih->U32(16), 3u) << "total frames";
        EXPECT_EQ(avih->U32(24), 2u) << "streams";
        EXPECT_EQ(avih->U32(32), std::uint32_t(c.Width));
        EXPECT_EQ(avih->U32(36), std::uint32_t(height));

        const auto strls = hdrl->All("strl");
        ASSERT_EQ(strls.size(), 2u);
        const TChunk* vh = strls[0]->Find("strh");
        const TChunk* vf = strls[0]->Find("strf");
        ASSERT_TRUE(vh && vf);
        EXPECT_EQ(FourCCText(vh->U32(0)), "vids");
        EXPECT_EQ(FourCCText(vh->U32(4)), "DIB ");
        EXPECT_EQ(vh->U32(20), std::uint32_t(c.Period)) << "scale";
        EXPECT_EQ(vh->U32(24), 1000u) << "rate";
        EXPECT_EQ(vh->U32(32), 3u) << "length";
        EXPECT_EQ(vh->U16(52), c.Width);
        EXPECT_EQ(vh->U16(54), height);
        const int bits = c.DepthBytes == 3 ? 24 : 32;
        const std::uint32_t image = std::uint32_t(DIBBytesPerRow(c.Width, bits) * height);
        ASSERT_EQ(vf->Size, 40u);
        EXPECT_EQ(std::int32_t(vf->U32(4)), c.Width);
        EXPECT_EQ(std::int32_t(vf->U32(8)), height) << "bottom-up";
        EXPECT_EQ(vf->U16(14), bits);
        EXPECT_EQ(vf->U32(16), 0u) << "uncompressed";
        EXPECT_EQ(vf->U32(20), image);

        const TChunk* ah = strls[1]->Find("strh");
        const TChunk* af = strls[1]->Find("strf");
        ASSERT_TRUE(ah && af);
        EXPECT_EQ(FourCCText(ah->U32(0)), "auds");
        EXPECT_EQ(ah->U32(20), 4u) << "scale = block align";
        EXPECT_EQ(ah->U32(24), 44100u * 4) << "rate";
        EXPECT_EQ(ah->U32(32), 441u) << "length in blocks";
        EXPECT_EQ(ah->U32(44), 4u) << "sample size";
        ASSERT_EQ(af->Size, 18u);
        EXPECT_EQ(af->U16(0), 1);
        EXPECT_EQ(af->U16(2), 2);
        EXPECT_EQ(af->U32(4), 44100u);
        EXPECT_EQ(af->U16(12), 4);
        EXPECT_EQ(af->U16(14), 16);

        ASSERT_EQ(movi->Children.size(), 4u);
        for (int i = 0; i < count; ++i) {
            const TChunk& f = movi->Children[std::size_t(i)];
            EXPECT_EQ(f.Id, "00db");
            ASSERT_EQ(f.Size, image);
            EXPECT_EQ(std::memcmp(f.Data, frames[std::size_t(i)]->Bits.data(), image), 0) << "frame " << i;
        }
        const TChunk& audio = movi->Children[3];
        EXPECT_EQ(audio.Id, "01wb");
        ASSERT_EQ(audio.Size, wav.Data.size());
        EXPECT_EQ(std::memcmp(audio.Data, wav.Data.data(), wav.Data.size()), 0);

        ASSERT_EQ(idx1->Size, 16u * 4);
        const std::size_t moviCode = movi->Offset + 8;
        for (std::size_t i = 0; i < 4; ++i) {
            const TChunk& target = movi->Children[i];
            EXPECT_EQ(FourCCText(idx1->U32(16 * i)), target.Id);
            EXPECT_EQ(idx1->U32(16 * i + 4) & AVIIF_KEYFRAME, AVIIF_KEYFRAME) << "entry " << i;
            EXPECT_EQ(idx1->U32(16 * i + 8), target.Offset - moviCode);
            EXPECT_EQ(idx1->U32(16 * i + 12), target.Size);
        }
    }
}

TEST_F(AviWriterTest, OddChunksArePaddedAndMonoEightBitSoundIsCountedInBytes)
{
    const auto frame = MakeDibSection(PatternFrame(3, 1, 0), 3); // 12-byte rows
    TWavShape wav;
    wav.Channels = 1;
    wav.Bits = 8;
    wav.Rate = 8000;
    wav.Data = {1, 2, 3, 4, 5, 6, 7};
    const auto image = MakeWav(wav);
    AviWriter* w = AviWriterOpen(File(), 100, nullptr);
    ASSERT_EQ(AviWriterAddWave(w, image.data(), AVI_WAVE_MEMORY, image.size()), AVIERR_OK);
    ASSERT_EQ(AviWriterAddFrame(w, frame.get()), AVIERR_OK);
    EXPECT_EQ(w->sampleCount, 7u);
    ASSERT_EQ(AviWriterClose(w), AVIERR_OK);

    const auto bytes = ReadBytes(File());
    TChunk avi;
    ParseRiff(bytes);
    ParseChildren(bytes, avi, 12, bytes.size());
    const TChunk* movi = avi.Find("movi");
    ASSERT_TRUE(movi);
    ASSERT_EQ(movi->Children.size(), 2u);
    // The sound came first, so it is stream 0 here.
    EXPECT_EQ(movi->Children[0].Id, "00wb");
    EXPECT_EQ(movi->Children[0].Size, 7u);
    EXPECT_EQ(movi->Children[1].Id, "01db");
    EXPECT_EQ(movi->Children[1].Offset % 2, 0u);
}

TEST_F(AviWriterTest, MotionJpegFramesAreCompressedKeyFramesOfTheChosenHandler)
{
    TScriptedChooser chooser;
    chooser.Pick = MakeFourCC('m', 'j', 'p', 'g');
    SetAviSaveOptionsChooser(&chooser);
    const auto frames = Frames(2, 16, 8, 4);
    AviWriter* w = AviWriterOpen(File(), 40, nullptr);
    AVICOMPRESSOPTIONS options;
    options.fccHandler = MakeFourCC('d', 'i', 'v', 'x');
    ASSERT_EQ(AviWriterSetCompression(w, frames[0].get(), &options, true, nullptr), AVIERR_OK);
    EXPECT_EQ(chooser.Offered, MakeFourCC('d', 'i', 'v', 'x'));
    for (const auto& f : frames)
        ASSERT_EQ(AviWriterAddFrame(w, f.get()), AVIERR_OK);
    ASSERT_EQ(AviWriterClose(w), AVIERR_OK);

    const auto bytes = ReadBytes(File());
    TChunk avi;
    ParseRiff(bytes);
    ParseChildren(bytes, avi, 12, bytes.size());
    const TChunk* strl = avi.Find("hdrl")->Find("strl");
    EXPECT_EQ(FourCCText(strl->Find("strh")->U32(4)), "MJPG");
    EXPECT_EQ(FourCCText(strl->Find("strf")->U32(16)), "MJPG");
    const TChunk* movi = avi.Find("movi");
    ASSERT_EQ(movi->Children.size(), 2u);
    for (const TChunk& c : movi->Children) {
        EXPECT_EQ(c.Id, "00dc");
        ASSERT_GE(c.Size, 4u);
        EXPECT_EQ(c.Data[0], 0xFF);
        EXPECT_EQ(c.Data[1], 0xD8) << "a JPEG image";
    }
    const TChunk* idx1 = avi.Find("idx1");
    for (std::size_t i = 0; i < 2; ++i)
        EXPECT_EQ(idx1->U32(16 * i + 4), AVIIF_KEYFRAME);
}

TEST_F(AviWriterTest, AHandlerNotOnOfferOpensTheChoiceOnTheFirstEntry)
{
    AVICOMPRESSOPTIONS options;
    options.fccHandler = MakeFourCC('d', 'i', 'v', 'x');
    EXPECT_EQ(AviCompressorInitialIndex(options), 0);
    EXPECT_EQ(AviCompressors()[0].Name, "Full frames (uncompressed)");
    options.fccHandler = MakeFourCC('m', 'j', 'p', 'g');
    EXPECT_EQ(AviCompressors()[std::size_t(AviCompressorInitialIndex(options))].Handler, comptypeMJPG);

    // Without a dialog installed the choice is answered OK on that entry.
    const auto frame = MakeDibSection(PatternFrame(4, 4, 0), 3);
    AviWriter* w = AviWriterOpen(File(), 40, nullptr);
    options.fccHandler = MakeFourCC('d', 'i', 'v', 'x');
    ASSERT_EQ(AviWriterSetCompression(w, frame.get(), &options, true, nullptr), AVIERR_OK);
    ASSERT_EQ(AviWriterAddFrame(w, frame.get()), AVIERR_OK);
    AviWriterClose(w);
    const auto bytes = ReadBytes(File());
    TChunk avi;
    ParseChildren(bytes, avi, 12, bytes.size());
    EXPECT_EQ(avi.Find("movi")->Children.at(0).Id, "00db");

    // A handler the registry lacks, asked for without the choice, finds no compressor.
    AviWriter* w2 = AviWriterOpen(File("b.avi"), 40, nullptr);
    EXPECT_EQ(AviWriterSetCompression(w2, frame.get(), &options, false, nullptr), AVIERR_NOCOMPRESSOR);
    EXPECT_TRUE(w2->failed);
    AviWriterClose(w2);
}

TEST_F(AviWriterTest, StateTable)
{
    const auto frame = MakeDibSection(PatternFrame(4, 2, 0), 3);
    const auto wider = MakeDibSection(PatternFrame(8, 2, 0), 3);
    TDibSection torn = *frame;
    torn.Bits.resize(5);
    TScriptedChooser cancel;
    cancel.Answer = false;
    TWavShape mono;
    mono.Channels = 1;
    mono.Data = {1, 2, 3, 4};
    const auto monoImage = MakeWav(mono);
    TWavShape stereo;
    stereo.Data = {1, 2, 3, 4};
    const auto stereoImage = MakeWav(stereo);
    TWavShape noAlign = stereo;
    noAlign.BlockAlign = 0;
    auto noAlignImage = MakeWav(noAlign);
    noAlignImage[32] = noAlignImage[33] = 0; // block align field

    // Each row: the calls before, the call, its result, and whether the writer failed.
    struct TRow {
        const char* Name;
        std::function<HRESULT(AviWriter*)> Before, Call;
        HRESULT Expected;
        bool Failed;
    };
    const std::string missing = File("missing.wav");
    const std::vector<TRow> rows = {
        {"second SetCompression", [&](AviWriter* w) { return AviWriterSetCompression(w, frame.get(), nullptr, false, nullptr); },
         [&](AviWriter* w) { return AviWriterSetCompression(w, frame.get(), nullptr, false, nullptr); },
         AVIERR_COMPRESSOR, false},
        {"null frame", nullptr, [&](AviWriter* w) { return AviWriterAddFrame(w, nullptr); }, AVIERR_BADPARAM, false},
        {"not a section", nullptr, [&](AviWriter* w) { return AviWriterSetCompression(w, &torn, nullptr, false, nullptr); },
         AVIERR_BADPARAM, false},
        {"cancelled choice",
         [&](AviWriter*) { SetAviSaveOptionsChooser(&cancel); return AVIERR_OK; },
         [&](AviWriter* w) { return AviWriterSetCompression(w, frame.get(), nullptr, true, nullptr); },
         AVIERR_USERABORT, true},
        {"frame after a failure",
         [&](AviWriter* w) { SetAviSaveOptionsChooser(&cancel); return AviWriterSetCompression(w, frame.get(), nullptr, true, nullptr); },
         [&](AviWriter* w) { return AviWriterAddFrame(w, frame.get()); }, AVIERR_ERROR, true},
        {"wave after a failure",
         [&](AviWriter* w) { return AviWriterAddWave(w, missing.c_str(), AVI_WAVE_FILENAME); },
         [&](AviWriter* w) { return AviWriterAddWave(w, stereoImage.data(), AVI_WAVE_MEMORY, stereoImage.size()); },
         AVIERR_ERROR, true},
        {"missing wave file", nullptr,
         [&](AviWriter* w) { return AviWriterAddWave(w, missing.c_str(), AVI_WAVE_FILENAME); }, AVIERR_FILEOPEN, true},
        {"bad flags", nullptr, [&](AviWriter* w) { return AviWriterAddWave(w, missing.c_str(), 0x20004); },
         AVIERR_BADFLAGS, false},
        {"null source", nullptr, [&](AviWriter* w) { return AviWriterAddWave(w, nullptr, AVI_WAVE_FILENAME); },
         AVIERR_BADPARAM, false},
        {"block align 0", nullptr,
         [&](AviWriter* w) { return AviWriterAddWave(w, noAlignImage.data(), AVI_WAVE_MEMORY, noAlignImage.size()); },
         AVIERR_BADFORMAT, false},
        {"second wave of another format",
         [&](AviWriter* w) { return AviWriterAddWave(w, stereoImage.data(), AVI_WAVE_MEMORY, stereoImage.size()); },
         [&](AviWriter* w) { return AviWriterAddWave(w, monoImage.data(), AVI_WAVE_MEMORY, monoImage.size()); },
         AVIERR_BADFORMAT, false},
        {"frame of another size", [&](AviWriter* w) { return AviWriterAddFrame(w, frame.get()); },
         [&](AviWriter* w) { return AviWriterAddFrame(w, wider.get()); }, AVIERR_BADSIZE, true},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.Name);
        AviWriter* w = AviWriterOpen(File(), 40, nullptr);
        ASSERT_NE(w, nullptr);
        if (row.Before)
            row.Before(w);
        EXPECT_EQ(row.Call(w), row.Expected);
        EXPECT_EQ(w->failed, row.Failed);
        EXPECT_EQ(AviWriterClose(w), AVIERR_OK);
        SetAviSaveOptionsChooser(nullptr);
    }

    EXPECT_EQ(AviWriterSetCompression(nullptr, frame.get(), nullptr, false, nullptr), AVIERR_BADHANDLE);
    EXPECT_EQ(AviWriterAddFrame(nullptr, frame.get()), AVIERR_BADHANDLE);
    EXPECT_EQ(AviWriterAddWave(nullptr, "x", AVI_WAVE_FILENAME), AVIERR_BADHANDLE);
    EXPECT_EQ(AviWriterClose(nullptr), AVIERR_BADHANDLE);
}

TEST_F(AviWriterTest, OpenRefusesASubMillisecondPeriodAndAPlaceItCannotWrite)
{
    EXPECT_EQ(AviWriterOpen(File(), 0, nullptr), nullptr);
    EXPECT_EQ(AviWriterOpen(File(), -40, nullptr), nullptr);
    EXPECT_FALSE(std::filesystem::exists(File()));
    EXPECT_EQ(AviWriterOpen(File("no/such/folder.avi"), 40, nullptr), nullptr);
    AviWriter* w = AviWriterOpen(File(), 1, nullptr);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(AviWriterClose(w), AVIERR_OK);
}

TEST_F(AviWriterTest, PastTheSizeLimitAWriteFailsAndTheFileKeepsWhatCameBefore)
{
    const auto frames = Frames(3, 64, 64, 4); // 16 KB each
    // Room for the headers and two frames with their index, not for a third.
    SetAviFileSizeLimit(4096 + 12 + 2 * (8 + 16384) + 8 + 3 * 16 + 100);
    AviWriter* w = AviWriterOpen(File(), 40, nullptr);
    ASSERT_EQ(AviWriterAddFrame(w, frames[0].get()), AVIERR_OK);
    ASSERT_EQ(AviWriterAddFrame(w, frames[1].get()), AVIERR_OK);
    const HRESULT third = AviWriterAddFrame(w, frames[2].get());
    EXPECT_EQ(third, AVIERR_FILEWRITE);
    EXPECT_EQ(AviResultText(third), "Disk error while writing file.");
    EXPECT_TRUE(w->failed);
    EXPECT_EQ(AviWriterAddFrame(w, frames[2].get()), AVIERR_ERROR);
    ASSERT_EQ(AviWriterClose(w), AVIERR_OK);

    const auto bytes = ReadBytes(File());
    TChunk avi;
    ParseRiff(bytes);
    ParseChildren(bytes, avi, 12, bytes.size());
    EXPECT_EQ(avi.Find("movi")->Children.size(), 2u);
    EXPECT_EQ(avi.Find("idx1")->Size, 32u);
    EXPECT_EQ(avi.Find("hdrl")->Find("avih")->U32(16), 2u);
}

TEST_F(AviWriterTest, StreamsAreRefusedBeforeTheirHeadersOutgrowTheRoomKeptForThem)
{
    AVIFileInit();
    PAVIFILE file = nullptr;
    ASSERT_EQ(AVIFileOpenA(&file, File().c_str(), OF_WRITE | OF_CREATE, nullptr), AVIERR_OK);
    std::vector<BYTE> format(40 + 256 * 4);
    TBitmapInfoHeader h;
    h.biWidth = 2;
    h.biHeight = 2;
    h.biBitCount = 8;
    h.biClrUsed = 256;
    std::memcpy(format.data(), &h, sizeof h);
    std::vector<PAVISTREAM> streams;
    HRESULT refused = AVIERR_OK;
    for (int i = 0; i < 10 && refused == AVIERR_OK; ++i) {
        AVISTREAMINFOA info;
        info.fccType = streamtypeVIDEO;
        info.dwScale = 1;
        info.dwRate = 25;
        PAVISTREAM s = nullptr;
        refused = AVIFileCreateStreamA(file, &s, &info);
        if (s) {
            streams.push_back(s);
            refused = AVIStreamSetFormat(s, 0, format.data(), LONG(format.size()));
        }
    }
    EXPECT_EQ(refused, AVIERR_BADSIZE);
    for (PAVISTREAM s : streams)
        AVIStreamRelease(s);
    HRESULT finished = AVIERR_ERROR;
    EXPECT_EQ(AVIFileRelease(file, &finished), 0u);
    EXPECT_EQ(finished, AVIERR_OK);
    AVIFileExit();

    const auto bytes = ReadBytes(File());
    TChunk avi;
    ParseRiff(bytes);
    ParseChildren(bytes, avi, 12, bytes.size());
    ASSERT_TRUE(avi.Find("movi"));
    EXPECT_EQ(avi.Find("movi")->Offset, 4096u);
    EXPECT_TRUE(avi.Find("JUNK"));
}

TEST(AviResultText, EveryCodeHasItsText)
{
    const std::vector<std::pair<std::uint32_t, const char*>> table = {
        {0, "Success"},
        {0x80040154, "File type not recognised."},
        {0x80044065, "Compression is not supported for this type of data."},
        {0x80044066, "Corrupt file or unrecognized format. Try to select another codec."},
        {0x80044067, "Insufficient memory."},
        {0x80044068, "Internal error."},
        {0x80044069, "AVIERR_BADFLAGS"},
        {0x8004406A, "AVIERR_BADPARAM"},
        {0x8004406B, "AVIERR_BADSIZE"},
        {0x8004406C, "AVIERR_BADHANDLE"},
        {0x8004406D, "Disk error while reading file."},
        {0x8004406E, "Disk error while writing file."},
        {0x8004406F, "Disk error while opening file."},
        {0x80044070, "AVIERR_COMPRESSOR"},
        {0x80044071, "A suitable compressor could not be found. Try to select another codec."},
        {0x80044072, "File attribute is read-only."},
        {0x80044074, "AVIERR_BUFFERTOOSMALL"},
        {0x80044075, "AVIERR_CANTCOMPRESS"},
        {0x800440C6, "AVIERR_USERABORT"},
        {0x800440C7, "AVIERR_ERROR"},
        {1, "Unknown avi result code."},
        {0x800440C8, "Unknown avi result code."},
    };
    for (const auto& [code, text] : table)
        EXPECT_EQ(AviResultText(HRESULT(code)), text) << std::hex << code;
}

TEST(MakeDibSection, RowsBottomUpPaddedToWordsInTheScreensDepth)
{
    const TBitmap source = PatternFrame(5, 2, 1, pf32bit);
    for (const int depth : {3, 4}) {
        SCOPED_TRACE(depth);
        const auto dib = MakeDibSection(source, depth);
        ASSERT_TRUE(dib);
        const int bpp = depth == 3 ? 3 : 4;
        const std::size_t stride = depth == 3 ? 16 : 20;
        EXPECT_EQ(dib->Info.biBitCount, 8 * bpp);
        EXPECT_EQ(dib->Info.biHeight, 2);
        EXPECT_EQ(dib->Info.biSizeImage, stride * 2);
        ASSERT_EQ(dib->Bits.size(), stride * 2);
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 5; ++x) {
                const BYTE* p = &dib->Bits[stride * std::size_t(1 - y) + std::size_t(x * bpp)];
                const TColor c = source.GetPixel(x, y);
                EXPECT_EQ(p[0], GetBValue(c));
                EXPECT_EQ(p[1], GetGValue(c));
                EXPECT_EQ(p[2], GetRValue(c));
            }
    }
    TBitmap palette(3, 3, pf8bit);
    palette.SetPixel(1, 1, RGB(0, 0, 0));
    const auto fromPalette = MakeDibSection(palette, 3);
    ASSERT_TRUE(fromPalette);
    EXPECT_EQ(fromPalette->Bits[12 + 3], 0) << "black in the middle row";
    EXPECT_EQ(fromPalette->Bits[0], 0xFF) << "white elsewhere";
    EXPECT_EQ(MakeDibSection(TBitmap(), 3), nullptr);
}

} // namespace
