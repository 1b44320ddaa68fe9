#pragma once
// A fixed set of threads for work handed out many times over, such as one picture per frame
// of a project: a thread per task would be started and ended for every picture.
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <thread>
#include <type_traits>
#include <utility>
#include <vector>

class TTaskPool {
public:
    explicit TTaskPool(std::size_t threads)
    {
        workers_.reserve(threads);
        for (std::size_t i = 0; i < threads; ++i)
            workers_.emplace_back([this] { Work(); });
    }
    // Tasks not begun yet are dropped (their futures report a broken promise); those running
    // are waited for, so that nothing they refer to goes before them.
    ~TTaskPool()
    {
        {
            std::lock_guard<std::mutex> guard(mutex_);
            stopping_ = true;
            queue_.clear();
        }
        ready_.notify_all();
        for (std::thread& worker : workers_)
            worker.join();
    }
    TTaskPool(const TTaskPool&) = delete;
    TTaskPool& operator=(const TTaskPool&) = delete;

    // The task's result, or what it threw, comes through the future.
    template <class F> std::future<std::invoke_result_t<F&>> Run(F task)
    {
        auto packaged = std::make_shared<std::packaged_task<std::invoke_result_t<F&>()>>(std::move(task));
        auto result = packaged->get_future();
        {
            std::lock_guard<std::mutex> guard(mutex_);
            queue_.emplace_back([packaged] { (*packaged)(); });
        }
        ready_.notify_one();
        return result;
    }

private:
    void Work()
    {
        for (;;) {
            std::function<void()> task;
            {
                std::unique_lock<std::mutex> lock(mutex_);
                ready_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
                if (stopping_)
                    return;
                task = std::move(queue_.front());
                queue_.pop_front();
            }
            task();
        }
    }

    std::mutex mutex_;
    std::condition_variable ready_;
    std::deque<std::function<void()>> queue_;
    bool stopping_ = false;
    std::vector<std::thread> workers_;
};
