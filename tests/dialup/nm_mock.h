#pragma once

#include "harness/private_bus.h"

#include <QString>
#include <QStringList>
#include <QVariantList>

// A private system bus for one test: its own dbus-daemon on a socket in a temporary folder,
// DBUS_SYSTEM_BUS_ADDRESS pointing at it, and python3-dbusmock's NetworkManager template on it.
// The destructor stops both and puts the environment back. ok() is false (with the reason in
// error()) when either did not start.
class NmMockBus {
public:
    enum Service { WithNetworkManager, BusOnly };
    explicit NmMockBus(Service service = WithNetworkManager);
    ~NmMockBus();
    NmMockBus(const NmMockBus&) = delete;
    NmMockBus& operator=(const NmMockBus&) = delete;

    bool ok() const { return bus_.ok(); }
    const QString& error() const { return bus_.error(); }
    QString folder() const { return bus_.folder(); }

    // Runs Python in the mock's process (dbus, get_object and objects are at hand; "main" is the
    // template's main object). The value of "ret", if set, is returned as text.
    QString run(const QString& python);

    // A profile stored in the mock's settings: its object path.
    QString addProfile(const QString& id, const QString& type, const QString& extraPython = {});
    // An ethernet device in the "disconnected" state: its object path.
    QString addDevice(const QString& name);
    // An active connection of profile on device, in state: its object path.
    QString addActive(const QString& profilePath, const QString& device, const QString& name,
                      uint state);
    // Makes ActivateConnection and AddAndActivateConnection2 leave the new active connection in
    // the "activating" state at .../ActiveConnection/Dial, on device, so that a test can walk it.
    // With a delay, the mock answers only after that many seconds, and answers nothing else
    // meanwhile: a NetworkManager that is slow to answer.
    void activationStaysActivating(const QString& device, double delaySeconds = 0);
    // Stops NetworkManager's mock, as a service manager stops the service; the bus stays.
    void stopService();
    // Sets a property of an active connection or device and emits its StateChanged signal.
    void setActiveState(const QString& activePath, uint state, uint reason);
    void setDeviceState(const QString& device, uint state, uint oldState, uint reason);
    // The calls of method received by the manager object, each as its arguments in Python's
    // repr form.
    QStringList managerCalls(const QString& method);

private:
    PrivateBus bus_;
};
