#include "ui/background_work.h"

#include <QEventLoop>
#include <QMetaObject>

#include <exception>
#include <thread>

void runInBackground(const std::function<void()>& work) {
    std::exception_ptr failure;
    QEventLoop loop;
    std::thread worker([&] {
        try {
            work();
        } catch (...) {
            failure = std::current_exception();
        }
        // Queued: the loop quits from its own thread, even if the work ended before exec().
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    loop.exec();
    worker.join();
    if (failure)
        std::rethrow_exception(failure);
}
