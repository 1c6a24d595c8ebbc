#include "dialup/nm_dial_watch.h"

#include "dialup/nm_bus.h"
#include "dialup/nm_codes.h"

#include <QDBusServiceWatcher>

#include <utility>

namespace dialup::nm {

DialWatch::DialWatch(QDBusConnection bus, ConnectionHandle handle, QString activePath,
                     DialNotifier notifier)
    : bus_(std::move(bus)), handle_(handle), activePath_(std::move(activePath)),
      notifier_(notifier) {
    listening_ = bus_.connect(kService, activePath_, kActiveIface, QStringLiteral("StateChanged"),
                              this, SLOT(activeStateChanged(uint, uint)));
    // An owner change, not only an unregistration: a service restarted at once takes the name
    // over without a moment of nobody owning it, and the new one knows nothing of this dial.
    serviceWatch_ =
        new QDBusServiceWatcher(kService, bus_, QDBusServiceWatcher::WatchForOwnerChange, this);
    connect(serviceWatch_, &QDBusServiceWatcher::serviceOwnerChanged, this,
            &DialWatch::ownerChanged);
}

DialWatch::~DialWatch() {
    stopListening();
}

void DialWatch::followDevices(const QStringList& devices) {
    if (finished_)
        return;
    for (const QString& device : devices) {
        if (devices_.contains(device))
            continue;
        bus_.connect(kService, device, kDeviceIface, QStringLiteral("StateChanged"), this,
                     SLOT(deviceStateChanged(uint, uint, uint)));
        devices_ << device;
    }
}

void DialWatch::begin(uint32_t state, bool gone) {
    if (finished_)
        return;
    if (gone)
        end(kStateDisconnected, kActiveReasonBase);
    else if (state == kActiveActivated)
        end(kStateConnected, 0);
    else if (state == kActiveDeactivated)
        end(kStateDisconnected, kActiveReasonBase);
}

void DialWatch::serviceStopped() {
    if (!finished_)
        end(kStateDisconnected, kStoppedWhileDialling);
}

void DialWatch::ownerChanged(const QString&, const QString& oldOwner, const QString&) {
    if (!oldOwner.isEmpty())
        serviceStopped();
}

void DialWatch::activeStateChanged(uint state, uint reason) {
    if (finished_)
        return;
    if (state == kActiveActivated)
        end(kStateConnected, 0);
    else if (state == kActiveDeactivated)
        end(kStateDisconnected, deviceFailure_ >= 0
                                    ? kDeviceReasonBase + static_cast<uint32_t>(deviceFailure_)
                                    : kActiveReasonBase + reason);
}

void DialWatch::deviceStateChanged(uint newState, uint, uint reason) {
    if (finished_)
        return;
    if (newState == kDeviceFailed)
        deviceFailure_ = reason;
    if (const auto ras = progressStateOfDevice(newState))
        report(*ras, 0);
}

void DialWatch::report(uint32_t rasState, uint32_t code) {
    // A device may pass a state twice (a retried authentication); one line says it.
    if (lastReported_ == rasState)
        return;
    lastReported_ = rasState;
    if (notifier_)
        notifier_(handle_, rasState, code);
}

void DialWatch::end(uint32_t rasState, uint32_t code) {
    finished_ = true;
    stopListening();
    report(rasState, code);
}

void DialWatch::stopListening() {
    if (listening_)
        bus_.disconnect(kService, activePath_, kActiveIface, QStringLiteral("StateChanged"), this,
                        SLOT(activeStateChanged(uint, uint)));
    for (const QString& device : std::as_const(devices_))
        bus_.disconnect(kService, device, kDeviceIface, QStringLiteral("StateChanged"), this,
                        SLOT(deviceStateChanged(uint, uint, uint)));
    listening_ = false;
    devices_.clear();
    if (serviceWatch_)
        serviceWatch_->setWatchedServices({});
}

} // namespace dialup::nm
