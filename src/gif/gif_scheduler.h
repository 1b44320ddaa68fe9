#pragma once
// Where the GIF painters' drawing runs. A painter decides and waits on its own thread; every
// step that touches a canvas or fires an event is handed to the GUI thread through this
// interface. Header-only, so that the Qt side can provide one without linking the library.
#include <atomic>
#include <condition_variable>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>

class TGIFScheduler {
public:
    virtual ~TGIFScheduler() = default;
    // Runs call on the GUI thread and returns once it has run (rethrowing what it threw).
    virtual void RunOnGUIThread(const std::function<void()>& call) = 0;
    // On the GUI thread: runs the calls that painters are waiting on.
    virtual void ProcessPending() = 0;
};

// Runs every call at once on the calling thread: for programs without a GUI thread.
class TGIFImmediateScheduler : public TGIFScheduler {
public:
    void RunOnGUIThread(const std::function<void()>& call) override { call(); }
    void ProcessPending() override {}
};

// Queues calls from other threads until the GUI thread processes them; a call made on the GUI
// thread runs at once. Wake tells the GUI thread that something is queued (the Qt side posts an
// event; a test calls ProcessPending itself).
class TGIFQueuedScheduler : public TGIFScheduler {
public:
    TGIFQueuedScheduler() : gui_(std::this_thread::get_id()) {}
    // Nobody may be left blocked on a call that will never run.
    ~TGIFQueuedScheduler() override { ProcessPending(); }

    void RunOnGUIThread(const std::function<void()>& call) override
    {
        if (std::this_thread::get_id() == gui_.load()) {
            call();
            return;
        }
        TCall item;
        item.Call = &call;
        {
            std::lock_guard<std::mutex> guard(mutex_);
            queue_.push_back(&item);
        }
        Wake();
        std::unique_lock<std::mutex> lock(mutex_);
        done_.wait(lock, [&item] { return item.Done; });
        if (item.Error)
            std::rethrow_exception(item.Error);
    }

    // Runs only the calls queued when it starts: a painter whose waits cost no time (a fast
    // animation, a test clock) would otherwise keep one call here for ever and starve the
    // GUI thread and whoever waits for the first frame.
    void ProcessPending() override
    {
        std::size_t pending;
        {
            std::lock_guard<std::mutex> guard(mutex_);
            pending = queue_.size();
        }
        for (; pending > 0; --pending) {
            TCall* item = nullptr;
            {
                std::lock_guard<std::mutex> guard(mutex_);
                if (queue_.empty())
                    return;
                item = queue_.front();
                queue_.pop_front();
            }
            std::exception_ptr error;
            try {
                (*item->Call)();
            } catch (...) {
                error = std::current_exception();
            }
            {
                std::lock_guard<std::mutex> guard(mutex_);
                item->Error = error;
                item->Done = true;
            }
            done_.notify_all();
        }
    }

    // The thread that counts as the GUI thread (the constructing one until changed).
    void SetGUIThread(std::thread::id id) { gui_ = id; }
    int PendingCount()
    {
        std::lock_guard<std::mutex> guard(mutex_);
        return int(queue_.size());
    }

protected:
    virtual void Wake() {}

private:
    struct TCall {
        const std::function<void()>* Call = nullptr;
        bool Done = false;
        std::exception_ptr Error;
    };
    std::mutex mutex_;
    std::condition_variable done_;
    std::deque<TCall*> queue_;
    std::atomic<std::thread::id> gui_;
};

namespace gif_scheduler_detail {
inline std::mutex lock;
inline TGIFScheduler* installed = nullptr;
} // namespace gif_scheduler_detail

// The scheduler new painters take (not owned); nullptr returns to the immediate one.
inline TGIFScheduler& GIFScheduler()
{
    static TGIFImmediateScheduler immediate;
    std::lock_guard<std::mutex> guard(gif_scheduler_detail::lock);
    return gif_scheduler_detail::installed ? *gif_scheduler_detail::installed : immediate;
}

inline void SetGIFScheduler(TGIFScheduler* scheduler)
{
    std::lock_guard<std::mutex> guard(gif_scheduler_detail::lock);
    gif_scheduler_detail::installed = scheduler;
}
