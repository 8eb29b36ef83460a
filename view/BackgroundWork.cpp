#include "view/BackgroundWork.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>

#include <thread>

namespace vq {

void RunWhileWindowsPaint(const std::function<void()>& work)
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
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    worker.join();
}

} // namespace vq
