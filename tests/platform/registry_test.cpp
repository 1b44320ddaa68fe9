#include "platform/registry.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

#include "support/paths.h"

namespace {

class RegistryStore : public ::testing::Test {
protected:
    void SetUp() override { SetRegistryStorePath(dir_ / "registry.ini"); }
    void TearDown() override { SetRegistryStorePath({}); }

    void Write(const std::string& text)
    {
        std::ofstream(dir_ / "registry.ini") << text;
    }
    std::string Read() const
    {
        std::ifstream in(dir_ / "registry.ini");
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    HKEY Open(DWORD access = KEY_ALL_ACCESS)
    {
        HKEY key = nullptr;
        EXPECT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "Software\\Kelvo v.1.9", 0, access, &key), ERROR_SUCCESS);
        return key;
    }
    kelvo::test::TTempDir dir_;
};

TEST_F(RegistryStore, OpeningAMissingKeyFailsAndCreatesNothing)
{
    HKEY key = reinterpret_cast<HKEY>(1);
    EXPECT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "Software\\Kelvo v.1.9", 0, KEY_WRITE, &key), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(key, nullptr);
    EXPECT_FALSE(std::filesystem::exists(dir_ / "registry.ini"));

    Write("[HKEY_CURRENT_USER\\Software\\Other]\n\"Width\"=dword:00000001\n");
    EXPECT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "Software\\Kelvo v.1.9", 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(Read(), "[HKEY_CURRENT_USER\\Software\\Other]\n\"Width\"=dword:00000001\n");
}

TEST_F(RegistryStore, TypedValuesRoundTripAndTheRestOfTheFileIsKept)
{
    Write("; kept\n[HKEY_CURRENT_USER\\Software\\Other]\n\"A\"=\"x\"\n\n"
          "[hkey_current_user\\software\\kelvo v.1.9]\nsomething odd\n\n");
    HKEY key = Open();
    const DWORD width = 0x2AE;
    ASSERT_EQ(RegSetValueEx(key, "Width", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&width), 4), ERROR_SUCCESS);
    const char path[] = "C:\\odd \"name\"\nnext";
    ASSERT_EQ(RegSetValueEx(key, "File1", 0, REG_SZ, reinterpret_cast<const BYTE*>(path), sizeof path), ERROR_SUCCESS);
    // Names are case-blind; a second write replaces the value.
    const DWORD wider = 700;
    ASSERT_EQ(RegSetValueEx(key, "WIDTH", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&wider), 4), ERROR_SUCCESS);
    RegCloseKey(key);

    key = Open(KEY_READ);
    DWORD value = 0, type = 0, size = 4;
    ASSERT_EQ(RegQueryValueEx(key, "width", nullptr, &type, reinterpret_cast<BYTE*>(&value), &size), ERROR_SUCCESS);
    EXPECT_EQ(type, REG_DWORD);
    EXPECT_EQ(value, 700u);
    char text[64] = {};
    size = sizeof text;
    ASSERT_EQ(RegQueryValueEx(key, "File1", nullptr, &type, reinterpret_cast<BYTE*>(text), &size), ERROR_SUCCESS);
    EXPECT_EQ(type, REG_SZ);
    EXPECT_EQ(size, sizeof path);
    EXPECT_STREQ(text, path);
    EXPECT_EQ(RegQueryValueEx(key, "File2", nullptr, &type, reinterpret_cast<BYTE*>(text), &size), ERROR_FILE_NOT_FOUND);
    // A read-only key refuses writes.
    EXPECT_EQ(RegSetValueEx(key, "Width", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&wider), 4), ERROR_ACCESS_DENIED);
    RegCloseKey(key);

    const std::string stored = Read();
    EXPECT_EQ(stored.find("; kept\n[HKEY_CURRENT_USER\\Software\\Other]\n\"A\"=\"x\"\n"), 0u) << stored;
    EXPECT_NE(stored.find("something odd\n\"Width\"=dword:000002bc\n\"File1\"="), std::string::npos) << stored;
    for (const auto& entry : std::filesystem::directory_iterator(dir_.Path()))
        EXPECT_EQ(entry.path().filename(), "registry.ini") << "left behind: " << entry.path();
}

TEST_F(RegistryStore, AValueLargerThanTheBufferIsReportedWithItsSize)
{
    Write("[HKEY_CURRENT_USER\\Software\\Kelvo v.1.9]\n\"File1\"=\"abcdef\"\n");
    HKEY key = Open(KEY_READ);
    char small[4] = {'k', 'e', 'e', 'p'};
    DWORD size = sizeof small;
    EXPECT_EQ(RegQueryValueEx(key, "File1", nullptr, nullptr, reinterpret_cast<BYTE*>(small), &size), ERROR_MORE_DATA);
    EXPECT_EQ(size, 7u);
    EXPECT_EQ(std::memcmp(small, "keep", 4), 0);
    size = 0;
    EXPECT_EQ(RegQueryValueEx(key, "File1", nullptr, nullptr, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 7u);
    RegCloseKey(key);
}

TEST_F(RegistryStore, AKeyRemovedAfterOpeningTakesNoWrites)
{
    Write("[HKEY_CURRENT_USER\\Software\\Kelvo v.1.9]\n");
    HKEY key = Open();
    Write("");
    const DWORD v = 1;
    EXPECT_EQ(RegSetValueEx(key, "Width", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&v), 4), ERROR_KEY_DELETED);
    EXPECT_EQ(Read(), "");
    RegCloseKey(key);
}

TEST(RegistryLocation, FollowsXdgConfigHomeAndTheInstallerWritesAKeyWeCanOpen)
{
    kelvo::test::TTempDir home;
    const char* old = std::getenv("XDG_CONFIG_HOME");
    const std::string saved = old ? old : "";
    ::setenv("XDG_CONFIG_HOME", home.Path().c_str(), 1);
    SetRegistryStorePath({});
    EXPECT_EQ(RegistryStorePath(), home.Path() / "kelvo" / "registry.ini");

    if (kelvo::test::HaveTool("make")) {
        // A store that holds other keys and ends without a line break.
        std::filesystem::create_directories(RegistryStorePath().parent_path());
        std::ofstream(RegistryStorePath()) << "[HKEY_CURRENT_USER\\Software\\Other]\n\"A\"=\"x\"";
        int status = -1;
        kelvo::test::RunCommand("make -s -C '" KELVO_SOURCE_DIR "' register 2>&1", &status);
        EXPECT_EQ(status, 0);
        HKEY key = nullptr;
        EXPECT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "Software\\Kelvo v.1.9", 0, KEY_READ, &key), ERROR_SUCCESS);
        RegCloseKey(key);
        ASSERT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "Software\\Other", 0, KEY_READ, &key), ERROR_SUCCESS);
        char text[4] = {};
        DWORD size = sizeof text;
        EXPECT_EQ(RegQueryValueEx(key, "A", nullptr, nullptr, reinterpret_cast<BYTE*>(text), &size), ERROR_SUCCESS);
        EXPECT_STREQ(text, "x");
        RegCloseKey(key);
        // Registering again leaves the store as it is.
        const auto before = std::filesystem::file_size(RegistryStorePath());
        kelvo::test::RunCommand("make -s -C '" KELVO_SOURCE_DIR "' register 2>&1", &status);
        EXPECT_EQ(std::filesystem::file_size(RegistryStorePath()), before);
    }

    if (old)
        ::setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
    else
        ::unsetenv("XDG_CONFIG_HOME");
}

} // namespace
