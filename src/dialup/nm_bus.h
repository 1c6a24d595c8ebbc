#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QString>
#include <QVariant>
#include <QVariantList>

#include <chrono>
#include <cstdint>

// NetworkManager's part of the system message bus, reached through a private connection of our
// own: the process-wide system-bus connection of Qt, once lost, never comes back, and a backend
// built after the bus has restarted must still find it. A call runs the event loop until its
// answer comes, so a slow service never freezes the windows; its callers must bear that other
// events are handled meanwhile. Every call has a time-out; every failure is classified into one
// of a few plain reasons the dial-up window can show.

namespace dialup::nm {

inline const QString kService = QStringLiteral("org.freedesktop.NetworkManager");
inline const QString kManagerPath = QStringLiteral("/org/freedesktop/NetworkManager");
inline const QString kManagerIface = QStringLiteral("org.freedesktop.NetworkManager");
inline const QString kSettingsPath = QStringLiteral("/org/freedesktop/NetworkManager/Settings");
inline const QString kSettingsIface = QStringLiteral("org.freedesktop.NetworkManager.Settings");
inline const QString kProfileIface =
    QStringLiteral("org.freedesktop.NetworkManager.Settings.Connection");
inline const QString kActiveIface =
    QStringLiteral("org.freedesktop.NetworkManager.Connection.Active");
inline const QString kDeviceIface = QStringLiteral("org.freedesktop.NetworkManager.Device");
inline const QString kIp4Iface = QStringLiteral("org.freedesktop.NetworkManager.IP4Config");

// Long enough for a busy service, short enough that a hung one is noticed while the user waits.
inline constexpr std::chrono::milliseconds kCallTimeout{5000};

// Why a call failed.
enum class Failure {
    None,
    NoBus,        // no system message bus
    NotRunning,   // nobody owns NetworkManager's name
    AccessDenied, // the bus policy or NetworkManager's own permissions refused
    TimedOut,     // no answer within the call time-out
    NoSuchObject, // the object (an active connection, a profile) is gone
    Refused,      // NetworkManager answered with another error
};

struct Reply {
    Failure failure = Failure::None;
    QString errorName;    // the D-Bus error name, when failed
    QString errorMessage; // its message
    QVariantList values;  // the reply's arguments, when it succeeded
    bool ok() const { return failure == Failure::None; }
    QVariant first() const { return values.isEmpty() ? QVariant() : values.front(); }
};

class Bus {
public:
    // Opens a private connection to the system bus (DBUS_SYSTEM_BUS_ADDRESS, when set, names it).
    Bus();
    ~Bus();
    Bus(const Bus&) = delete;
    Bus& operator=(const Bus&) = delete;

    // False when there is no system bus at all.
    bool connected() const { return connection_.isConnected(); }
    QDBusConnection& connection() { return connection_; }

    // How long a call waits for its answer; kCallTimeout unless a caller (a test) sets another.
    std::chrono::milliseconds timeout() const { return timeout_; }
    void setTimeout(std::chrono::milliseconds timeout) { timeout_ = timeout; }

    Reply call(const QString& path, const QString& iface, const QString& method,
               const QVariantList& args = {});
    // A property through org.freedesktop.DBus.Properties.Get; the value unwrapped.
    Reply property(const QString& path, const QString& iface, const QString& name);

private:
    QString name_;
    QDBusConnection connection_;
    std::chrono::milliseconds timeout_ = kCallTimeout;
};

// Failure of a D-Bus error reply.
Failure classify(const QDBusMessage& error);

} // namespace dialup::nm
