#include "view/BackgroundWork.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>

#include <thread>

namespace vq {

namespace {

void runWhileWindowsPaint(const std::function<void()>& work, QEventLoop::ProcessEventsFlags meanwhile)
{
    // Without an event loop to keep alive (tools, or a call from another
    // worker) there is nothing to gain from a thread.
    QCoreApplication* app = QCoreApplication::instance();
    if (!app || QThread::currentThread() != app->thread()) {
        work();
        return;
    }
    QEventLoop loop;
    std::thread worker([&] {
        work();
        QMetaObject::invokeMethod(&loop, [&loop] { loop.exit(); }, Qt::QueuedConnection);
    });
    loop.exec(meanwhile);
    worker.join();
}

} // namespace

void RunWhileWindowsPaint(const std::function<void()>& work)
{
    runWhileWindowsPaint(work, QEventLoop::ExcludeUserInputEvents);
}

void RunBehindModalProgress(const std::function<void()>& work)
{
    runWhileWindowsPaint(work, QEventLoop::AllEvents);
}

void RunOnWindowThread(const std::function<void()>& call)
{
    QCoreApplication* app = QCoreApplication::instance();
    if (!app || QThread::currentThread() == app->thread()) {
        call();
        return;
    }
    QMetaObject::invokeMethod(app, call, Qt::BlockingQueuedConnection);
}

} // namespace vq
