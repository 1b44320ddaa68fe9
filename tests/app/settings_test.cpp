#include <gtest/gtest.h>

#include <QAction>
#include <QToolBar>

#include "form_fixture.h"

namespace {

std::string Dword(const char* name, int value)
{
    char line[64];
    std::snprintf(line, sizeof line, "\"%s\"=dword:%08x", name, unsigned(value));
    return line;
}

using Settings = TFormTest;

TEST_F(Settings, WithoutTheKeyTheFormLayoutAndDefaultsHoldAndNothingIsCreated)
{
    TTestForm& f = MakeForm();
    EXPECT_EQ(f.OuterWidth(), 686);
    EXPECT_EQ(f.OuterHeight(), 456);
    EXPECT_EQ(f.DefaultFrameWidth, 100);
    EXPECT_EQ(f.DefaultFrameHeight, 100);
    EXPECT_EQ(f.RecentFiles, std::vector<std::string>(5));
    EXPECT_FALSE(f.ListItem0->isEnabled());
    PretendProjectOpened();
    EXPECT_TRUE(CloseForm());
    EXPECT_FALSE(std::filesystem::exists(StorePath()));
}

TEST_F(Settings, StoredValuesAreCheckedAgainstTheScreen)
{
    struct TCase {
        std::vector<std::string> values;
        int width, height, frameWidth, frameHeight;
    };
    const TCase cases[] = {
        // Nothing stored but the key: the missing-value defaults.
        {{}, 680, 400, 100, 100},
        {{Dword("Width", 1500), Dword("Height", 500)}, 1180, 500, 100, 100},
        {{Dword("Width", 700), Dword("Height", 1024)}, 700, 924, 100, 100},
        {{Dword("Frame width", 2000), Dword("Frame height", 300)}, 680, 400, 100, 300},
        {{Dword("Frame width", 1279), Dword("Frame height", 1024)}, 680, 400, 1279, 100},
        // Sizes that are no sizes count as missing.
        {{Dword("Width", 0), Dword("Height", -5)}, 680, 400, 100, 100},
        {{Dword("Frame width", 4), Dword("Frame height", 0)}, 680, 400, 100, 100},
        {{Dword("Frame width", 5), Dword("Frame height", -1)}, 680, 400, 5, 100},
        // A value of the wrong type is no value.
        {{"\"Width\"=\"900\""}, 680, 400, 100, 100},
    };
    UseScreen(1280, 1024, 32);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.values.empty() ? std::string("key only") : c.values.front());
        WriteKey(c.values);
        TTestForm& f = MakeForm();
        EXPECT_EQ(f.OuterWidth(), c.width);
        EXPECT_EQ(f.OuterHeight(), c.height);
        EXPECT_EQ(f.DefaultFrameWidth, c.frameWidth);
        EXPECT_EQ(f.DefaultFrameHeight, c.frameHeight);
    }
}

TEST_F(Settings, RecentEntriesOfMoreThan260CharactersReadAsEmpty)
{
    const std::string fits(260, 'a'), tooLong(261, 'b');
    WriteKey({"\"File1\"=\"/p/one.mcp\"", "\"File2\"=\"" + fits + "\"", "\"File3\"=\"" + tooLong + "\"",
              "\"File5\"=\"/p/five.mcp\""});
    TTestForm& f = MakeForm();
    EXPECT_EQ(f.RecentFiles, (std::vector<std::string>{"/p/one.mcp", fits, "", "", "/p/five.mcp"}));
    EXPECT_TRUE(f.ListItem0->isEnabled());
}

TEST_F(Settings, ANormalCloseWritesSizeAndRecentListAndTheSizeDoesNotGrow)
{
    WriteKey({Dword("Width", 800), Dword("Height", 600), Dword("Frame width", 320)});
    {
        TTestForm& f = MakeForm();
        PretendProjectOpened();
        f.RecentFiles = {"/p/a.mcp", "/p/b \"q\".mcp", "", "", "", "/p/hidden.mcp"};
        ASSERT_TRUE(CloseForm());
    }
    const std::string stored = StoreText();
    EXPECT_NE(stored.find(Dword("Width", 800)), std::string::npos) << stored;
    EXPECT_NE(stored.find(Dword("Height", 600)), std::string::npos) << stored;
    EXPECT_NE(stored.find(Dword("Frame width", 320)), std::string::npos) << "never written, kept";
    EXPECT_EQ(stored.find("hidden"), std::string::npos) << "only five entries are stored";

    TTestForm& again = MakeForm();
    EXPECT_EQ(again.OuterWidth(), 800);
    EXPECT_EQ(again.OuterHeight(), 600);
    EXPECT_EQ(again.RecentFiles, (std::vector<std::string>{"/p/a.mcp", "/p/b \"q\".mcp", "", "", ""}));
}

TEST_F(Settings, AMaximisedCloseWritesOnlyTheRecentEntries)
{
    WriteKey({Dword("Width", 1000), Dword("Height", 700)});
    TTestForm& f = MakeForm();
    ASSERT_TRUE(f.windowState() & Qt::WindowMaximized);
    f.show();
    PretendProjectOpened();
    f.RecentFiles[0] = "/p/new.mcp";
    ASSERT_TRUE(CloseForm());
    const std::string stored = StoreText();
    EXPECT_NE(stored.find(Dword("Width", 1000)), std::string::npos) << stored;
    EXPECT_NE(stored.find(Dword("Height", 700)), std::string::npos) << stored;
    EXPECT_NE(stored.find("\"File1\"=\"/p/new.mcp\""), std::string::npos) << stored;
}

} // namespace
