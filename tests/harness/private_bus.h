#pragma once

#include <QDBusMessage>
#include <QString>
#include <QVariantList>

#include <sys/types.h>

// A private message bus for one test: its own dbus-daemon on a socket in a temporary folder, the
// bus's environment variable (DBUS_SYSTEM_BUS_ADDRESS or DBUS_SESSION_BUS_ADDRESS) pointing at
// it, and a python3-dbusmock template on it when asked. The destructor stops both and puts the
// environment back. ok() is false (with the reason in error()) when something did not start.
class PrivateBus {
public:
    enum Kind { System, Session };
    explicit PrivateBus(Kind kind);
    ~PrivateBus();
    PrivateBus(const PrivateBus&) = delete;
    PrivateBus& operator=(const PrivateBus&) = delete;

    bool ok() const { return error_.isEmpty(); }
    const QString& error() const { return error_; }
    QString folder() const { return folder_; }
    QString address() const { return address_; }

    // Starts `python3 -m dbusmock --template name` and waits until it owns service; false (and
    // error() says why) when it did not.
    bool startMock(const QString& templateName, const QString& service);
    // Stops the mock, as a service manager stops the service; the bus stays.
    void stopMock();
    // Calls a method on the bus (10 s at most) and returns the answer or the error.
    QDBusMessage call(const QString& service, const QString& path, const QString& iface,
                      const QString& method, const QVariantList& args);

private:
    void startDaemon();

    const char* variable_;
    QString folder_;
    QString address_;
    QString error_;
    QByteArray oldAddress_;
    bool hadOldAddress_ = false;
    pid_t daemon_ = -1;
    pid_t mock_ = -1;
    QString connectionName_;
};
