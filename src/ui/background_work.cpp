#include "ui/background_work.h"

#include <QEventLoop>
#include <QMetaObject>

#include <atomic>
#include <exception>
#include <thread>

void runInBackground(const std::function<void()>& work, const std::function<void()>& stop) {
    std::exception_ptr failure;
    std::atomic<bool> done{false};
    QEventLoop loop;
    std::thread worker([&] {
        try {
            work();
        } catch (...) {
            failure = std::current_exception();
        }
        done = true;
        // Queued: the loop quits from its own thread, even if the work ended before exec().
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    loop.exec();
    if (!done && stop)
        stop(); // the loop ended early: the program is quitting
    worker.join();
    if (failure)
        std::rethrow_exception(failure);
}
