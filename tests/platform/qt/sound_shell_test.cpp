// Sound and shell calls: what reaches the services, and the real player's silence where it
// cannot play.
#include <gtest/gtest.h>

#include "platform/qt/shell.h"
#include "platform/qt/sound.h"
#include "support/paths.h"
#include "support/qt/application.h"
#include "support/qt/fake_desktop.h"

namespace {

TEST(PlaySound, FlagsChooseAsynchronousSynchronousOrPurge)
{
    TFakeDesktop desktop;
    EXPECT_TRUE(PlaySoundA("/w/a.wav", nullptr, SND_ASYNC));
    EXPECT_TRUE(PlaySoundA("/w/b.wav", nullptr, 0));
    EXPECT_TRUE(PlaySoundA("/w/c.wav", nullptr, SND_FILENAME | SND_ASYNC));
    EXPECT_TRUE(PlaySoundA(nullptr, nullptr, SND_PURGE));
    EXPECT_TRUE(PlaySoundA("/w/d.wav", nullptr, SND_PURGE));
    EXPECT_TRUE(PlaySoundA(nullptr, nullptr, 0));
    ASSERT_EQ(desktop.Sound.Played.size(), 3u);
    EXPECT_EQ(desktop.Sound.Played[0].File, "/w/a.wav");
    EXPECT_TRUE(desktop.Sound.Played[0].Async);
    EXPECT_FALSE(desktop.Sound.Played[1].Async);
    EXPECT_TRUE(desktop.Sound.Played[2].Async);
    EXPECT_EQ(desktop.Sound.Stops, 3);
    desktop.Sound.Result = false;
    EXPECT_FALSE(PlaySoundA("/w/e.wav", nullptr, SND_ASYNC));
}

TEST(PlaySound, TheRealPlayerIsSilentForWhatItCannotPlay)
{
    EnsureApplication();
    kelvo::test::TTempDir dir;
    // Neither call may wait for a sound that never starts.
    EXPECT_FALSE(PlaySoundA((dir / "missing.wav").c_str(), nullptr, SND_SYNC));
    EXPECT_FALSE(PlaySoundA("", nullptr, SND_ASYNC));
    EXPECT_TRUE(PlaySoundA(nullptr, nullptr, SND_PURGE));
}

TEST(ShellExecute, OpensThroughTheShellAndReportsFailureAtOrBelow32)
{
    TFakeDesktop desktop;
    EXPECT_GT(ShellExecuteA(nullptr, "open", "https://example.org/?banner", nullptr, nullptr, SW_SHOWDEFAULT), 32);
    EXPECT_EQ(ShellExecuteA(nullptr, "open", "", nullptr, nullptr, SW_SHOWDEFAULT), SE_ERR_NOASSOC);
    desktop.Shell.Result = false;
    EXPECT_LE(ShellExecuteA(nullptr, "open", "mailto:someone@example.org", nullptr, nullptr, SW_SHOWDEFAULT), 32);
    ASSERT_EQ(desktop.Shell.Opened.size(), 2u);
    EXPECT_EQ(desktop.Shell.Opened[0].Verb, "open");
    EXPECT_EQ(desktop.Shell.Opened[0].Target, "https://example.org/?banner");
    EXPECT_EQ(desktop.Shell.Opened[1].Target, "mailto:someone@example.org");
}

} // namespace
