#include "platform/qt/gif_scheduler.h"

#include <QCoreApplication>
#include <QObject>
#include <QThread>

TQtGIFScheduler::TQtGIFScheduler() : context_(std::make_unique<QObject>())
{
    if (QCoreApplication* app = QCoreApplication::instance())
        context_->moveToThread(app->thread());
}

TQtGIFScheduler::~TQtGIFScheduler()
{
    // Painters still waiting get their steps run here rather than never.
    ProcessPending();
}

void TQtGIFScheduler::Wake()
{
    QMetaObject::invokeMethod(context_.get(), [this] { ProcessPending(); }, Qt::QueuedConnection);
}

void InstallQtGIFScheduler()
{
    static TQtGIFScheduler scheduler;
    SetGIFScheduler(&scheduler);
}
