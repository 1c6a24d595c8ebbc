#pragma once

#include "dialup/remote_access.h"

#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <QStringList>

#include <cstdint>

class QDBusServiceWatcher;

namespace dialup::nm {

// Follows one activation on the bus and hands its progress to the dial's notifier: each device
// state that means a step (as remote-access states, nm_codes.h), then 8192 once the connection is
// activated, or 8193 with the reason once it has ended. Stops listening when the dial has ended
// or when it is destroyed. NetworkManager leaving the bus ends the dial too: a stopped service
// sends no more signals, and without this the dial would seem to go on for ever.
class DialWatch : public QObject {
    Q_OBJECT
public:
    DialWatch(QDBusConnection bus, ConnectionHandle handle, QString activePath,
              DialNotifier notifier);
    ~DialWatch() override;

    ConnectionHandle handle() const { return handle_; }
    bool finished() const { return finished_; }

    // Listens to these devices too (the ones that are not yet followed).
    void followDevices(const QStringList& devices);
    // The active connection's state as read after listening started: a connection that was
    // already activated, or is already gone, ends the dial at once.
    void begin(uint32_t state, bool gone);
    // NetworkManager left the bus (or was found gone): the dial ends, disconnected.
    void serviceStopped();

private slots:
    void activeStateChanged(uint state, uint reason);
    void deviceStateChanged(uint newState, uint oldState, uint reason);
    void ownerChanged(const QString& service, const QString& oldOwner, const QString& newOwner);

private:
    void report(uint32_t rasState, uint32_t code);
    void end(uint32_t rasState, uint32_t code);
    void stopListening();

    QDBusConnection bus_;
    ConnectionHandle handle_;
    QString activePath_;
    DialNotifier notifier_;
    QDBusServiceWatcher* serviceWatch_ = nullptr;
    QStringList devices_;
    bool finished_ = false;
    bool listening_ = false;
    int64_t lastReported_ = -1;
    int64_t deviceFailure_ = -1; // the reason of a device's failure during the dial
};

} // namespace dialup::nm
