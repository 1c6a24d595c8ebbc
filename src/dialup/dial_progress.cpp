#include "dialup/dial_progress.h"

#include <QCoreApplication>
#include <QPointer>

namespace dialup {

namespace {

// Read and written on the user-interface thread only, so it needs no lock.
QPointer<QObject>& dialerWindow() {
    static QPointer<QObject> window;
    return window;
}

} // namespace

QEvent::Type DialEvent::type() {
    static const auto kType = static_cast<QEvent::Type>(QEvent::registerEventType());
    return kType;
}

void SetDialerWindowHandle(QObject* window) {
    dialerWindow() = window;
}

QObject* DialerWindowHandle() {
    return dialerWindow().data();
}

void DialProgressNotifier(ConnectionHandle handle, uint32_t state, RasCode error) {
    QCoreApplication* app = QCoreApplication::instance();
    if (!app)
        return;
    // Queued onto the application object's (the user-interface) thread; the window is looked up
    // there, where it cannot be destroyed while the event is delivered.
    QMetaObject::invokeMethod(
        app,
        [handle, state, error] {
            if (QObject* window = dialerWindow().data()) {
                DialEvent event(handle, state, error);
                QCoreApplication::sendEvent(window, &event);
            }
        },
        Qt::QueuedConnection);
}

} // namespace dialup
