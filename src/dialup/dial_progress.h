#pragma once

#include "dialup/remote_access.h"

#include <QEvent>

#include <cstdint>

class QObject;

// How a dial's progress reaches the dialer window. The backend calls DialProgressNotifier on any
// thread; it only queues the progress for the user-interface thread and never waits for it.
// There, the progress is handed as a DialEvent to the window that DialerWindowHandle names at
// that moment, so everything it causes runs on the user-interface thread, in order. A window
// that has gone in the meantime receives nothing: the handle is a guarded pointer.

namespace dialup {

class DialEvent : public QEvent {
public:
    DialEvent(ConnectionHandle handle, uint32_t state, RasCode error)
        : QEvent(type()), handle(handle), state(state), error(error) {}
    static QEvent::Type type();

    const ConnectionHandle handle; // the connection the progress is about
    const uint32_t state;
    const RasCode error;
};

// The window that receives dial progress; set by the dialer immediately before each dial.
// User-interface thread only.
void SetDialerWindowHandle(QObject* window);
QObject* DialerWindowHandle();

// The notifier passed to RemoteAccess::Dial. Safe on any thread.
void DialProgressNotifier(ConnectionHandle handle, uint32_t state, RasCode error);

} // namespace dialup
