#include "app/recent_list.h"

#include <gtest/gtest.h>

namespace {

using TList = std::vector<std::string>;

TList Shown(const TList& recent) { return TList(recent.begin(), recent.begin() + std::min<std::size_t>(5, recent.size())); }

TEST(RecentFiles, InsertionKeepsFiveDistinctMostRecentFirst)
{
    const TList abcde{"A", "B", "C", "D", "E"};
    const struct {
        TList before;
        std::string name;
        TList shown;
    } cases[] = {
        {abcde, "C", {"C", "A", "B", "D", "E"}},
        {abcde, "F", {"F", "A", "B", "C", "D"}},
        {abcde, "E", {"E", "A", "B", "C", "D"}},
        {abcde, "A", {"A", "B", "C", "D", "E"}},
        {{}, "A", {"A"}},
        {{"A", ""}, "B", {"B", "A", ""}},
        {{"/home/u/Walk.mcp", "/b"}, "/HOME/U/walk.MCP", {"/HOME/U/walk.MCP", "/b", ""}},
        {{"/b", "/проекты/Зима.mcp"}, "/ПРОЕКТЫ/зима.mcp", {"/ПРОЕКТЫ/зима.mcp", "/b", ""}},
        {{"/b", "/Ёлка/Ärger.mcp"}, "/ёлка/ärger.mcp", {"/ёлка/ärger.mcp", "/b", ""}},
    };
    for (const auto& c : cases) {
        TList recent = c.before;
        InsertRecentFile(recent, c.name);
        EXPECT_EQ(Shown(recent), c.shown) << c.name;
    }
}

TEST(RecentFiles, TheEntryPushedToSixthIsDroppedByTheNextInsertion)
{
    TList recent{"A", "B", "C", "D", "E"};
    InsertRecentFile(recent, "F");
    EXPECT_EQ(recent, (TList{"F", "A", "B", "C", "D", "E"}));
    InsertRecentFile(recent, "G");
    EXPECT_EQ(recent, (TList{"G", "F", "A", "B", "C", "D"}));
    InsertRecentFile(recent, "b");
    EXPECT_EQ(recent, (TList{"b", "G", "F", "A", "C", ""}));
}

TEST(RecentFiles, MenuCaptionsStopAtTheFirstEmptyEntry)
{
    EXPECT_EQ(RecentMenuCaptions({"/a.mcp", "/b c.mcp", "/x&y.mcp", "", "/e.mcp", "/f.mcp"}),
              (TList{"&1 /a.mcp", "&2 /b c.mcp", "&3 /x&&y.mcp"}));
    EXPECT_EQ(RecentMenuCaptions({"1", "2", "3", "4", "5", "6"}).back(), "&5 5");
    EXPECT_TRUE(RecentMenuCaptions({"", "/a.mcp"}).empty());
}

TEST(ProjectTypeDisplay, TextsFollowTheType)
{
    const auto avi = ProjectTypeDisplay(0);
    ASSERT_TRUE(avi);
    EXPECT_STREQ(avi->RunHint, "Запустить как AVI");
    EXPECT_STREQ(avi->CreateCaption, "Создать AVI");
    EXPECT_TRUE(avi->AviItemsChecked);
    EXPECT_STREQ(avi->StatusText, "AVI");
    EXPECT_EQ(avi->OutputFilterIndex, 1);
    EXPECT_STREQ(avi->OutputDefaultExt, "avi");
    const auto gif = ProjectTypeDisplay(1);
    ASSERT_TRUE(gif);
    EXPECT_STREQ(gif->RunHint, "Запустить как GIF");
    EXPECT_STREQ(gif->CreateCaption, "Создать анимированный GIF");
    EXPECT_FALSE(gif->AviItemsChecked);
    EXPECT_STREQ(gif->StatusText, "GIF");
    EXPECT_EQ(gif->OutputFilterIndex, 2);
    EXPECT_STREQ(gif->OutputDefaultExt, "gif");
    EXPECT_FALSE(ProjectTypeDisplay(2));
    EXPECT_FALSE(ProjectTypeDisplay(-1));
}

} // namespace
