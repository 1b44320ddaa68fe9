#pragma once
// The GIF painters' drawing steps on the Qt GUI thread: a painter thread queues a step and
// waits; an event posted to the GUI thread's loop runs what is queued.
#include <memory>

#include "gif/gif_scheduler.h"

class TGIFWakeTarget;

class TQtGIFScheduler : public TGIFQueuedScheduler {
public:
    // Made on the GUI thread, with a QCoreApplication.
    TQtGIFScheduler();
    ~TQtGIFScheduler() override;

protected:
    void Wake() override;

private:
    // Lives on the GUI thread; wakes queued for it are dropped once it is gone.
    std::unique_ptr<TGIFWakeTarget> context_;
};

// Makes the GIF painters draw through the Qt GUI thread (call on that thread).
void InstallQtGIFScheduler();
