#include "platform/streams.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

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

// Growing from the heap into a mapped block and from one mapped block into a larger one
// keeps every byte, as do a copy and a move; a write past the end and a larger size leave
// zeros in the gap.
TEST(MemoryStream, KeepsItsBytesWhileGrowingThroughLargeBlocks)
{
    auto pattern = [](std::size_t i) { return std::uint8_t((i * 131 + (i >> 12)) & 0xFF); };
    constexpr std::size_t total = std::size_t(9) << 20;
    TMemoryStream m;
    std::vector<std::uint8_t> piece(1000);
    for (std::size_t at = 0; at < total; at += piece.size()) {
        const std::size_t n = std::min(piece.size(), total - at);
        for (std::size_t i = 0; i < n; ++i)
            piece[i] = pattern(at + i);
        m.WriteBuffer(piece.data(), std::int64_t(n));
    }
    ASSERT_EQ(m.Size(), std::int64_t(total));
    m.SetPosition(std::int64_t(total) + 5000);
    m.WriteBuffer("x", 1);
    m.SetSize(m.Size() + (std::int64_t(3) << 20));
    const std::int64_t size = m.Size();

    auto check = [&](const TMemoryStream& s, const char* what) {
        const std::vector<std::uint8_t> bytes = s.Bytes();
        ASSERT_EQ(std::int64_t(bytes.size()), size) << what;
        std::size_t wrong = 0;
        for (std::size_t i = 0; i < total; ++i)
            wrong += bytes[i] != pattern(i);
        EXPECT_EQ(wrong, 0u) << what;
        EXPECT_EQ(std::count(bytes.begin() + std::ptrdiff_t(total), bytes.begin() + std::ptrdiff_t(total) + 5000, 0), 5000) << what;
        EXPECT_EQ(bytes[total + 5000], 'x') << what;
        EXPECT_EQ(std::count(bytes.begin() + std::ptrdiff_t(total) + 5001, bytes.end(), 0), size - std::int64_t(total) - 5001) << what;
    };
    check(m, "grown");
    const TMemoryStream copy(m);
    check(copy, "copied");
    TMemoryStream moved(std::move(m));
    check(moved, "moved");
    TMemoryStream assigned;
    assigned.WriteBuffer("abc", 3);
    assigned = copy;
    check(assigned, "assigned");

    // A cleared stream writes from the start again.
    moved.Clear();
    moved.WriteBuffer("ab", 2);
    EXPECT_EQ(moved.Size(), 2);
    EXPECT_EQ(std::string(moved.Bytes().begin(), moved.Bytes().end()), "ab");
}
