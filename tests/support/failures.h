#pragma once
// The messages of the non-fatal failures that f reports, caught instead of failing the test:
// for checking that a double complains, where EXPECT_NONFATAL_FAILURE cannot reach locals.
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

template <typename F>
std::vector<std::string> FailuresOf(F&& f)
{
    ::testing::TestPartResultArray results;
    {
        ::testing::ScopedFakeTestPartResultReporter reporter(
            ::testing::ScopedFakeTestPartResultReporter::INTERCEPT_ONLY_CURRENT_THREAD, &results);
        f();
    }
    std::vector<std::string> messages;
    for (int i = 0; i < results.size(); ++i)
        messages.push_back(results.GetTestPartResult(i).message());
    return messages;
}
