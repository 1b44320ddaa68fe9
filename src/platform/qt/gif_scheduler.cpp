#include "platform/qt/gif_scheduler.h"

#include <QCoreApplication>
#include <QObject>
#include <QThread>

// Receives the wake signal on the GUI thread. The connection is made once, on the GUI thread,
// so a wake hands the other thread nothing of ours: a functor posted per wake was written on
// the painter thread and read on the GUI thread with only Qt's event queue between them, an
// ordering that ThreadSanitizer cannot see into Qt to find.
class TGIFWakeTarget : public QObject {
    Q_OBJECT
public:
    explicit TGIFWakeTarget(TQtGIFScheduler* scheduler)
    {
        connect(this, &TGIFWakeTarget::Woken, this, [scheduler] { scheduler->ProcessPending(); },
                Qt::QueuedConnection);
    }

signals:
    void Woken();
};

TQtGIFScheduler::TQtGIFScheduler() : context_(std::make_unique<TGIFWakeTarget>(this))
{
    if (QCoreApplication* app = QCoreApplication::instance())
        context_->moveToThread(app->thread());
}

TQtGIFScheduler::~TQtGIFScheduler()
{
    // Painters still waiting get their steps run here rather than never.
    ProcessPending();
}

void TQtGIFScheduler::Wake() { emit context_->Woken(); }

void InstallQtGIFScheduler()
{
    static TQtGIFScheduler scheduler;
    SetGIFScheduler(&scheduler);
}

#include "gif_scheduler.moc"
