// The GIF painters' GUI-thread hand-off through the Qt event loop.
#include <gtest/gtest.h>

#include <QApplication>
#include <QThread>

#include <atomic>
#include <thread>

#include "platform/qt/gif_scheduler.h"
#include "support/qt/application.h"

TEST(QtGifScheduler, StepsFromAnotherThreadRunInTheEventLoop)
{
    EnsureApplication();
    TQtGIFScheduler scheduler;
    const QThread* gui = QThread::currentThread();
    std::atomic<int> ran{0};
    std::atomic<bool> onGui{true};
    std::thread painter([&] {
        for (int i = 0; i < 3; ++i)
            scheduler.RunOnGUIThread([&] {
                onGui = onGui && QThread::currentThread() == gui;
                ++ran;
            });
    });
    while (ran < 3)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    painter.join();
    EXPECT_EQ(ran, 3);
    EXPECT_TRUE(onGui);

    // On the GUI thread itself a step runs at once.
    bool direct = false;
    scheduler.RunOnGUIThread([&] { direct = true; });
    EXPECT_TRUE(direct);
}

TEST(QtGifScheduler, WaitingSideCanRunStepsWithoutTheEventLoop)
{
    EnsureApplication();
    TQtGIFScheduler scheduler;
    std::atomic<bool> done{false};
    std::thread painter([&] { scheduler.RunOnGUIThread([&] { done = true; }); });
    while (!done) {
        scheduler.ProcessPending();
        std::this_thread::yield();
    }
    painter.join();
    // The event posted for the step finds nothing left to do.
    QCoreApplication::processEvents();
    EXPECT_EQ(scheduler.PendingCount(), 0);
}
