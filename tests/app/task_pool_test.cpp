// The threads the project reader hands its pictures to.
#include "app/task_pool.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <vector>

TEST(TaskPool, ResultsAndErrorsComeBackThroughTheFutures)
{
    TTaskPool pool(3);
    std::vector<std::future<int>> results;
    for (int i = 0; i < 20; ++i)
        results.push_back(pool.Run([i] {
            if (i == 7)
                throw std::runtime_error("seven");
            return i * i;
        }));
    for (int i = 0; i < 20; ++i) {
        if (i == 7)
            EXPECT_THROW(results[std::size_t(i)].get(), std::runtime_error);
        else
            EXPECT_EQ(results[std::size_t(i)].get(), i * i);
    }
}

// Going away, the pool waits for the task under way and drops those not begun, whose futures
// then report so instead of waiting for ever.
TEST(TaskPool, GoingAwayFinishesTheRunningTaskAndDropsTheRest)
{
    std::shared_future<void> waiting;
    std::atomic<bool> started{false}, queued{false}, finished{false};
    std::future<void> running;
    {
        TTaskPool pool(1);
        running = pool.Run([&] {
            started = true;
            while (!queued)
                std::this_thread::yield();
            // The pool's only thread is here: the second task can only end by being dropped.
            const std::shared_future<void> second = waiting;
            while (second.wait_for(std::chrono::seconds(0)) != std::future_status::ready)
                std::this_thread::yield();
            finished = true;
        });
        while (!started)
            std::this_thread::yield();
        waiting = pool.Run([] {}).share();
        queued = true;
    }
    EXPECT_TRUE(finished);
    EXPECT_NO_THROW(running.get());
    try {
        waiting.get();
        ADD_FAILURE() << "the task not begun ran";
    } catch (const std::future_error& e) {
        EXPECT_EQ(e.code(), std::future_errc::broken_promise);
    }
}
