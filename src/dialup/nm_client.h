#pragma once

#include "dialup/nm_bus.h"

#include <QMap>
#include <QString>
#include <QVariantMap>

#include <vector>

// The questions the dial-up backend asks NetworkManager, one method each, over a Bus (so each
// has its time-out). Nothing here remembers anything between calls.

namespace dialup::nm {

// A profile's settings as NetworkManager hands them out: setting name -> key -> value. Values of
// composite types stay in their D-Bus form and go back to the bus unchanged.
using Settings = QMap<QString, QVariantMap>;

struct Profile {
    QString path;
    QString id;
    QString uuid;
    QString type;
};

struct Active {
    QString path;
    QString id;
};

// Listings stop here: far beyond any real machine, and a bound on what one listing may cost.
inline constexpr int kMaxProfiles = 500;
inline constexpr int kMaxActive = 100;

class Client {
public:
    Client();

    bool connected() const { return bus_.connected(); }
    QDBusConnection& connection() { return bus_.connection(); }
    void setCallTimeout(std::chrono::milliseconds timeout) { bus_.setTimeout(timeout); }

    // The profiles this user can start, in NetworkManager's order: not the loopback, not one
    // restricted to other users, not the temporary copies of a dial with typed credentials.
    Reply profiles(std::vector<Profile>& out);
    // The first profile whose name is id (exactly); NoSuchObject when none.
    Reply findProfile(const QString& id, Profile& out);
    Reply settings(const QString& profilePath, Settings& out);

    Reply activeConnections(std::vector<Active>& out);
    Reply activeState(const QString& activePath, uint32_t& state);
    Reply activeDevices(const QString& activePath, QStringList& devices);
    // The first IPv4 address of an active connection; empty when it has none (yet).
    Reply ip4Address(const QString& activePath, QString& address);

    // Starts the stored profile as it is.
    Reply activate(const QString& profilePath, QString& activePath);
    // Starts a temporary copy of the stored profile that carries the typed user name and
    // password; NetworkManager forgets the copy when the connection ends, and the stored profile
    // never sees them.
    Reply activateWithCredentials(const Profile& profile, const QString& userName,
                                  const QString& password, QString& activePath);
    Reply deactivate(const QString& activePath);

private:
    Bus bus_;
};

// Puts the user name and password into a copy of a profile's settings, where this kind of
// profile keeps them, marked to be kept by NetworkManager itself (never asked of an agent), with
// a fresh identity and without auto-connect. False when this kind of profile has no place for
// them.
bool putCredentials(Settings& settings, const QString& type, const QString& userName,
                    const QString& password, const QString& newUuid);

} // namespace dialup::nm
