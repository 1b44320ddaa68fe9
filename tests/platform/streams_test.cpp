#include "platform/streams.h"

#include <gtest/gtest.h>

#include "support/paths.h"

TEST(MemoryStream, ReadsBackWhatWasWrittenAndRaisesOnShortRead)
{
    TMemoryStream s;
    const char text[] = "abcdef";
    s.WriteBuffer(text, 6);
    EXPECT_EQ(s.Size(), 6);
    s.SetPosition(2);
    char got[4] = {};
    s.ReadBuffer(got, 3);
    EXPECT_STREQ(got, "cde");
    EXPECT_EQ(s.Read(got, 10), 1);
    EXPECT_THROW(s.ReadBuffer(got, 1), EReadError);
    s.SetSize(3);
    EXPECT_EQ(s.Position(), 3);
}

TEST(FileStream, NamesTheFileWhenItCannotOpenOrCreate)
{
    try {
        TFileStream f("/nonexistent/dir/x.bin", fmOpenRead);
        FAIL();
    } catch (const EFOpenError& e) {
        EXPECT_NE(e.Message.find("/nonexistent/dir/x.bin"), std::string::npos);
    }
    EXPECT_THROW(TFileStream("/nonexistent/dir/x.bin", fmCreate), EFCreateError);

    kelvo::test::TTempDir dir;
    const std::string name = (dir / "a.bin").string();
    {
        TFileStream f(name, fmCreate);
        f.WriteBuffer("hello", 5);
    }
    TMemoryStream m;
    m.LoadFromFile(name);
    EXPECT_EQ(std::string(m.Bytes().begin(), m.Bytes().end()), "hello");
}
