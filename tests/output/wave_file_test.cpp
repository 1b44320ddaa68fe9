#include <gtest/gtest.h>

#include "avi_test_util.h"
#include "output/avifunction.h"
#include "output/wave_file.h"
#include "platform/qt/services.h"
#include "support/paths.h"
#include "support/qt/fake_dialogs.h"

using namespace kelvo::test;

namespace {

int Layout(const std::vector<std::uint8_t>& image, TWaveLayout& layout)
{
    TWaveMemorySource source(image.data(), image.size());
    return ReadWaveLayout(source, layout);
}

TEST(WaveLayout, ChunksAreWalkedWithTheirSizesCheckedAgainstTheFile)
{
    TWavShape plain;
    plain.Data = {1, 2, 3, 4, 5, 6, 7, 8};
    TWaveLayout layout;
    ASSERT_EQ(Layout(MakeWav(plain), layout), 0);
    EXPECT_EQ(layout.DataOffset, 44u) << "the plainest layout";
    EXPECT_EQ(layout.DataSize, 8u);
    EXPECT_EQ(layout.Format.nBlockAlign, 4);

    // LIST in front, and a format chunk longer than 16 bytes: found all the same.
    TWavShape padded = plain;
    padded.ListFirst = true;
    padded.FmtSize = 18;
    const auto paddedImage = MakeWav(padded);
    ASSERT_EQ(Layout(paddedImage, layout), 0);
    EXPECT_EQ(layout.DataOffset, 44u + 16 + 2);
    EXPECT_EQ(layout.Format.nSamplesPerSec, 44100u);
    EXPECT_EQ(std::memcmp(&paddedImage[layout.DataOffset], plain.Data.data(), 8), 0);

    // A data size past the end counts the bytes that are there.
    TWavShape lying = plain;
    lying.DataSizeField = 0xFFFFFFF0;
    ASSERT_EQ(Layout(MakeWav(lying), layout), 0);
    EXPECT_EQ(layout.DataSize, 8u);

    // Cut short, missing parts and junk.
    auto noFormat = MakeWav(plain);
    std::memcpy(&noFormat[12], "abcd", 4);
    auto shortFormat = MakeWav(plain);
    shortFormat[16] = 12;
    TWavShape noData = plain;
    noData.NoData = true;
    auto huge = MakeWav(plain);
    std::memcpy(&huge[16], "\xFF\xFF\xFF\xFF", 4); // format chunk claims 4 GB
    auto headerOnly = MakeWav(plain);
    headerOnly.resize(30);
    const struct {
        const char* Name;
        std::vector<std::uint8_t> Image;
        int Code;
    } bad[] = {
        {"empty", {}, MMIOERR_CHUNKNOTFOUND},
        {"not RIFF", std::vector<std::uint8_t>(64, 'x'), MMIOERR_CHUNKNOTFOUND},
        {"no format", noFormat, MMIOERR_CHUNKNOTFOUND},
        {"format under 16 bytes", shortFormat, MMIOERR_CANNOTREAD},
        {"no data", MakeWav(noData), MMIOERR_CHUNKNOTFOUND},
        {"cut in the format", headerOnly, MMIOERR_CANNOTREAD},
        {"format past the end", huge, MMIOERR_CHUNKNOTFOUND},
    };
    for (const auto& c : bad)
        EXPECT_EQ(Layout(c.Image, layout), c.Code) << c.Name;

    WAVEFORMATEX f = layout.Format;
    f.nChannels = 2;
    f.nSamplesPerSec = 8000;
    f.nBlockAlign = 0;
    EXPECT_EQ(CheckWaveFormat(f), std::int32_t(0x80044066));
    f.nBlockAlign = 4;
    EXPECT_EQ(CheckWaveFormat(f), 0);
}

class WaveDurationTest : public ::testing::Test {
protected:
    void SetUp() override { SetMessageBoxes(&boxes); }
    void TearDown() override { SetMessageBoxes(nullptr); }
    int Duration(const TWavShape& shape)
    {
        WriteBytes(dir / "a.wav", MakeWav(shape));
        return WaveDurationMs((dir / "a.wav").string());
    }
    TTempDir dir;
    TFakeMessageBoxes boxes;
};

TEST_F(WaveDurationTest, LengthFromTheDataOrTheFactChunk)
{
    TWavShape tenSeconds;
    tenSeconds.Data.resize(1764000);
    EXPECT_EQ(Duration(tenSeconds), 10000);

    TWavShape mono8;
    mono8.Channels = 1;
    mono8.Bits = 8;
    mono8.Rate = 8000;
    mono8.Data.resize(7999);
    EXPECT_EQ(Duration(mono8), 999) << "truncated";

    TWavShape compressed;
    compressed.Tag = 2;
    compressed.Bits = 4;
    compressed.FmtSize = 20;
    compressed.FactSamples = 22050;
    compressed.Data.resize(100);
    EXPECT_EQ(Duration(compressed), 500);
    TWavShape pcmWithFact = tenSeconds;
    pcmWithFact.FactSamples = 1;
    EXPECT_EQ(Duration(pcmWithFact), 10000) << "PCM ignores the fact chunk";

    TWavShape noBits = mono8;
    noBits.Bits = 0;
    EXPECT_EQ(Duration(noBits), -1);
    EXPECT_TRUE(boxes.Asked.empty());
}

TEST_F(WaveDurationTest, FailuresAreShownAndGiveMinusOne)
{
    EXPECT_EQ(WaveDurationMs((dir / "missing.wav").string()), -1);
    TWavShape noData;
    noData.NoData = true;
    EXPECT_EQ(Duration(noData), -1);
    ASSERT_EQ(boxes.Asked.size(), 2u);
    EXPECT_EQ(boxes.Asked[0].Text, "Error opening file.");
    EXPECT_EQ(boxes.Asked[0].Caption, "Error Message");
    EXPECT_EQ(boxes.Asked[1].Text, "MMIO Error. Error Code: 265");
    EXPECT_EQ(boxes.Asked[1].Caption, "MMIO Error");
}

} // namespace
