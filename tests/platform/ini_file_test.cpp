#include "platform/ini_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "support/paths.h"

namespace {

std::string ReadFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

TEST(IniStrToIntDef, AcceptsDecimalAndHexOnly)
{
    const struct {
        const char* text;
        int expected;
    } cases[] = {
        {"12", 12},          {"-5", -5},          {"+7", 7},           {"0x1F", 31},
        {"0X1f", 31},        {"0xFFFFFF", 16777215}, {"0xFFFFFFFF", -1}, {"-0x10", -16},
        {"2147483647", 2147483647}, {"-2147483648", -2147483647 - 1}, {"007", 7},
        {"abc", 99},         {"", 99},            {"99999999999", 99}, {"2147483648", 99},
        {"0x", 99},          {"0x123456789", 99}, {"12abc", 99},       {"1 2", 99},
        {"-", 99},           {"0xG1", 99},        {"$1F", 99},
    };
    for (const auto& c : cases)
        EXPECT_EQ(IniStrToIntDef(c.text, 99), c.expected) << '"' << c.text << '"';
}

TEST(IniFileRead, NamesAreCaseBlindAndValuesTrimmed)
{
    const TIniFile ini = TIniFile::FromText(
        "; a comment=1\n"
        "[ Parameters ]\r\n"
        "  Width =  320  \r\n"
        "Path=\"/tmp/a b.bmp\"\n"
        "Empty=\n"
        "junk line\n"
        "[Проект]\n"
        "Ключ=да\n"
        "[parameters]\n"
        "Width=1\n"
        "Height=2\n");
    EXPECT_TRUE(ini.SectionExists("PARAMETERS"));
    EXPECT_EQ(ini.ReadInteger("parameters", "WIDTH", -1), 320);
    EXPECT_EQ(ini.ReadString("Parameters", "path", ""), "/tmp/a b.bmp");
    EXPECT_TRUE(ini.ValueExists("Parameters", "Empty"));
    EXPECT_EQ(ini.ReadInteger("Parameters", "Empty", 7), 7);
    EXPECT_FALSE(ini.ValueExists("Parameters", "junk line"));
    EXPECT_FALSE(ini.ValueExists("", "; a comment"));
    // The first of duplicate sections wins, as the platform's service reads it.
    EXPECT_FALSE(ini.ValueExists("Parameters", "Height"));
    EXPECT_EQ(ini.ReadString("пРОЕКТ", "КЛЮЧ", ""), "да");
    EXPECT_EQ(ini.ReadString("Missing", "Width", "dflt"), "dflt");
    EXPECT_TRUE(ini.ReadBool("Parameters", "Width", false));
    EXPECT_TRUE(ini.ReadBool("Parameters", "Nothing", true));
}

TEST(IniFileRead, ByteOrderMarkDoesNotHideTheFirstSection)
{
    const TIniFile ini = TIniFile::FromText("\xEF\xBB\xBF[A]\nk=1\n");
    EXPECT_EQ(ini.ReadInteger("A", "k", 0), 1);
}

TEST(IniFileWrite, KeepsOtherLinesAndOrder)
{
    TIniFile ini = TIniFile::FromText(
        "[Foreign]\n"
        "; keep me\n"
        "x = 1\n"
        "\n"
        "[Files]\n"
        "File_1=a\n"
        "File_3=c\n"
        "\n"
        "[Tail]\n"
        "y=2\n");
    ini.WriteInteger("foreign", "X", 5);  // existing key: same place, its own spelling
    ini.WriteString("Foreign", "z", "  new  ");
    ini.WriteBool("New", "Flag", true);
    ini.WriteBool("New", "Off", false);
    ini.EraseSection("files");
    EXPECT_EQ(ini.Text(),
              "[Foreign]\n"
              "; keep me\n"
              "x=5\n"
              "z=new\n"
              "\n"
              "[Tail]\n"
              "y=2\n"
              "\n"
              "[New]\n"
              "Flag=1\n"
              "Off=0\n");
    ini.DeleteKey("NEW", "flag");
    EXPECT_FALSE(ini.ValueExists("New", "Flag"));
    EXPECT_TRUE(ini.ReadInteger("New", "Off", 9) == 0);
}

TEST(IniFileWrite, EraseRemovesEveryDuplicateSection)
{
    TIniFile ini = TIniFile::FromText("[Files]\nFile_1=a\n[Files]\nFile_2=b\n");
    ini.EraseSection("Files");
    ini.WriteString("Files", "File_1", "c");
    EXPECT_EQ(ini.Text(), "[Files]\nFile_1=c\n");
}

TEST(IniFileWrite, RefusesTextThatWouldNotReadBack)
{
    TIniFile ini = TIniFile::FromText("");
    EXPECT_THROW(ini.WriteString("A", "k", "line\nFile_9=x"), EIniFileException);
    EXPECT_THROW(ini.WriteString("A", "k=v", "1"), EIniFileException);
    EXPECT_THROW(ini.WriteString("A]", "k", "1"), EIniFileException);
    EXPECT_THROW(ini.WriteString("A", " ", "1"), EIniFileException);
    EXPECT_EQ(ini.Text(), "");
}

TEST(IniFileDisk, UpdateReplacesTheWholeFile)
{
    kelvo::test::TTempDir dir;
    const auto path = dir / "p.mcp";
    std::ofstream(path) << "[Other]\nk=v\n";
    TIniFile ini(path.string());
    ini.WriteInteger("Parameters", "Width", 10);
    EXPECT_EQ(ReadFile(path), "[Other]\nk=v\n");  // nothing reaches the disk before UpdateFile
    ini.UpdateFile();
    EXPECT_EQ(ReadFile(path), "[Other]\nk=v\n\n[Parameters]\nWidth=10\n");
    EXPECT_EQ(TIniFile(path.string()).ReadInteger("parameters", "width", 0), 10);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);
}

TEST(IniFileDisk, FailedWriteNamesTheFileAndLeavesNothing)
{
    kelvo::test::TTempDir dir;
    const auto path = dir / "missing-folder" / "p.mcp";
    TIniFile ini(path.string());
    EXPECT_EQ(ini.Text(), "");
    ini.WriteInteger("A", "k", 1);
    try {
        ini.UpdateFile();
        FAIL() << "no error";
    } catch (const EIniFileException& e) {
        EXPECT_EQ(e.Message, "Unable to write to " + path.string());
    }
    EXPECT_TRUE(std::filesystem::is_empty(dir.Path()));
}

TEST(IniFileDisk, UnreadableOrOversizedFilesAreRefused)
{
    kelvo::test::TTempDir dir;
    EXPECT_THROW(TIniFile(dir.Path().string()), EIniFileException);  // a folder
    const auto big = dir / "big.mcp";
    {
        std::ofstream out(big, std::ios::binary);
        out << std::string(IniFileMaxSize + 1, 'a');
    }
    EXPECT_THROW(TIniFile(big.string()), EIniFileException);
    EXPECT_THROW(TIniFile::FromText(std::string(IniFileMaxLines + 1, '\n')), EIniFileException);
}

TEST(IniFileRead, BinaryGarbageReadsAsDefaults)
{
    std::string junk;
    for (int i = 0; i < 4096; ++i)
        junk += char((i * 131 + 7) % 256);
    static const char tail[] = "\0[Files]\0=\0\n[\n]\n=\n[Files\n File_1 = \0x\n";
    junk.append(tail, sizeof tail - 1);
    const TIniFile ini = TIniFile::FromText(junk);
    EXPECT_EQ(ini.ReadInteger("Parameters", "Width", -1), -1);
    EXPECT_FALSE(ini.SectionExists("Files"));
    EXPECT_EQ(TIniFile::FromText(ini.Text()).Text(), ini.Text());
}

} // namespace

namespace {

// A file of many duplicate sections and keys must stay quick to read and rewrite; the
// reader asks for keys frame by frame and the writer erases and appends sections.
TEST(IniFileRead, DuplicatesDoNotSlowLookupsOrHideTheFirst)
{
    std::string text;
    for (int i = 0; i < 100000; ++i)
        text += "[Files]\nFile_1=x" + std::to_string(i) + "\n\n";
    TIniFile ini = TIniFile::FromText(text);
    for (int i = 0; i < 20000; ++i)
        ASSERT_EQ(ini.ReadString("files", "file_1", ""), "x0");
    ini.EraseSection("Files");
    for (int i = 0; i < 20000; ++i)
        ini.WriteInteger("Files", "Flip_" + std::to_string(i), i);
    EXPECT_EQ(ini.ReadInteger("Files", "Flip_19999", 0), 19999);
    EXPECT_EQ(ini.Text().substr(0, 23), "[Files]\nFlip_0=0\nFlip_1");
}

} // namespace
