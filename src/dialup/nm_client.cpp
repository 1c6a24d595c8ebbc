#include "dialup/nm_client.h"

#include <QDBusArgument>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QStringList>
#include <QUuid>

#include <pwd.h>
#include <unistd.h>

namespace dialup::nm {

namespace {

using StringMap = QMap<QString, QString>;

// NetworkManager's profile flag for a profile that lives only while its connection does.
constexpr uint32_t kProfileVolatile = 0x4;

void registerTypes() {
    static const bool done = [] {
        qDBusRegisterMetaType<Settings>();
        qDBusRegisterMetaType<StringMap>();
        qDBusRegisterMetaType<QList<QVariantMap>>();
        return true;
    }();
    (void)done;
}

QString pathOf(const QVariant& v) {
    return qvariant_cast<QDBusObjectPath>(v).path();
}

QStringList pathsOf(const QVariant& v) {
    QStringList out;
    if (v.canConvert<QDBusArgument>()) {
        const QDBusArgument arg = qvariant_cast<QDBusArgument>(v);
        QList<QDBusObjectPath> list;
        arg >> list;
        for (const QDBusObjectPath& p : list)
            out << p.path();
    } else {
        for (const QDBusObjectPath& p : qvariant_cast<QList<QDBusObjectPath>>(v))
            out << p.path();
    }
    return out;
}

template <typename T> T demarshalled(const QVariant& v) {
    if (v.canConvert<QDBusArgument>())
        return qdbus_cast<T>(qvariant_cast<QDBusArgument>(v));
    return qvariant_cast<T>(v);
}

QString loginName() {
    const passwd* pw = ::getpwuid(::getuid());
    return pw ? QString::fromLocal8Bit(pw->pw_name) : QString();
}

// A profile restricted to named users ("user:NAME" or "user:NAME:") can be started only by them.
bool startableBy(const QStringList& permissions, const QString& login) {
    if (permissions.isEmpty())
        return true;
    for (const QString& p : permissions) {
        const QStringList parts = p.split(u':');
        if (parts.size() >= 2 && parts[0] == QLatin1String("user") && parts[1] == login)
            return true;
    }
    return false;
}

} // namespace

Client::Client() {
    registerTypes();
}

Reply Client::settings(const QString& profilePath, Settings& out) {
    Reply r = bus_.call(profilePath, kProfileIface, QStringLiteral("GetSettings"));
    if (r.ok())
        out = demarshalled<Settings>(r.first());
    return r;
}

Reply Client::profiles(std::vector<Profile>& out) {
    out.clear();
    Reply list = bus_.call(kSettingsPath, kSettingsIface, QStringLiteral("ListConnections"));
    if (!list.ok())
        return list;
    const QString login = loginName();
    for (const QString& path : pathsOf(list.first())) {
        if (static_cast<int>(out.size()) >= kMaxProfiles)
            break;
        Settings s;
        Reply r = settings(path, s);
        if (r.failure == Failure::NoSuchObject)
            continue; // deleted while we listed
        if (!r.ok())
            return r;
        const QVariantMap& c = s.value(QStringLiteral("connection"));
        Profile p{path, c.value(QStringLiteral("id")).toString(),
                  c.value(QStringLiteral("uuid")).toString(),
                  c.value(QStringLiteral("type")).toString()};
        if (p.type == QLatin1String("loopback") ||
            !startableBy(demarshalled<QStringList>(c.value(QStringLiteral("permissions"))), login))
            continue;
        // Older services have no flags; their profiles are all lasting ones.
        Reply flags = bus_.property(path, kProfileIface, QStringLiteral("Flags"));
        if (flags.ok() && (flags.first().toUInt() & kProfileVolatile))
            continue;
        out.push_back(p);
    }
    return list;
}

Reply Client::findProfile(const QString& id, Profile& out) {
    std::vector<Profile> all;
    Reply r = profiles(all);
    if (!r.ok())
        return r;
    for (const Profile& p : all)
        if (p.id == id) {
            out = p;
            return r;
        }
    r.failure = Failure::NoSuchObject;
    return r;
}

Reply Client::activeConnections(std::vector<Active>& out) {
    out.clear();
    Reply list = bus_.property(kManagerPath, kManagerIface, QStringLiteral("ActiveConnections"));
    if (!list.ok())
        return list;
    for (const QString& path : pathsOf(list.first())) {
        if (static_cast<int>(out.size()) >= kMaxActive)
            break;
        Reply id = bus_.property(path, kActiveIface, QStringLiteral("Id"));
        if (id.failure == Failure::NoSuchObject)
            continue; // ended while we listed
        if (!id.ok())
            return id;
        out.push_back({path, id.first().toString()});
    }
    return list;
}

Reply Client::activeState(const QString& activePath, uint32_t& state) {
    Reply r = bus_.property(activePath, kActiveIface, QStringLiteral("State"));
    state = r.ok() ? r.first().toUInt() : 0;
    return r;
}

Reply Client::activeDevices(const QString& activePath, QStringList& devices) {
    Reply r = bus_.property(activePath, kActiveIface, QStringLiteral("Devices"));
    devices = r.ok() ? pathsOf(r.first()) : QStringList();
    return r;
}

Reply Client::ip4Address(const QString& activePath, QString& address) {
    address.clear();
    Reply config = bus_.property(activePath, kActiveIface, QStringLiteral("Ip4Config"));
    if (!config.ok())
        return config;
    const QString path = pathOf(config.first());
    if (path.isEmpty() || path == QLatin1String("/"))
        return config;
    Reply data = bus_.property(path, kIp4Iface, QStringLiteral("AddressData"));
    if (data.failure == Failure::NoSuchObject)
        return config; // the configuration went with the connection: no address
    if (!data.ok())
        return data;
    const auto addresses = demarshalled<QList<QVariantMap>>(data.first());
    if (!addresses.isEmpty())
        address = addresses.front().value(QStringLiteral("address")).toString();
    return data;
}

Reply Client::activate(const QString& profilePath, QString& activePath) {
    const QDBusObjectPath none(QStringLiteral("/"));
    Reply r = bus_.call(kManagerPath, kManagerIface, QStringLiteral("ActivateConnection"),
                        {QVariant::fromValue(QDBusObjectPath(profilePath)),
                         QVariant::fromValue(none), QVariant::fromValue(none)});
    activePath = r.ok() ? pathOf(r.first()) : QString();
    return r;
}

Reply Client::activateWithCredentials(const Profile& profile, const QString& userName,
                                      const QString& password, QString& activePath) {
    activePath.clear();
    Settings s;
    Reply r = settings(profile.path, s);
    if (!r.ok())
        return r;
    const QString uuid = QUuid::createUuid().toString(QUuid::WithoutBraces);
    if (!putCredentials(s, profile.type, userName, password, uuid))
        return activate(profile.path, activePath);
    const QDBusObjectPath none(QStringLiteral("/"));
    // "volatile": NetworkManager keeps the copy in memory only and deletes it once its
    // connection has ended.
    const QVariantMap options{{QStringLiteral("persist"), QStringLiteral("volatile")}};
    r = bus_.call(
        kManagerPath, kManagerIface, QStringLiteral("AddAndActivateConnection2"),
        {QVariant::fromValue(s), QVariant::fromValue(none), QVariant::fromValue(none), options});
    if (r.ok() && r.values.size() >= 2)
        activePath = pathOf(r.values.at(1));
    return r;
}

Reply Client::deactivate(const QString& activePath) {
    return bus_.call(kManagerPath, kManagerIface, QStringLiteral("DeactivateConnection"),
                     {QVariant::fromValue(QDBusObjectPath(activePath))});
}

bool putCredentials(Settings& settings, const QString& type, const QString& userName,
                    const QString& password, const QString& newUuid) {
    const auto put = [&](const QString& setting, const char* userKey, const char* passwordKey) {
        QVariantMap& s = settings[setting];
        if (!userName.isEmpty())
            s.insert(QLatin1String(userKey), userName);
        if (!password.isEmpty()) {
            s.insert(QLatin1String(passwordKey), password);
            s.insert(QLatin1String(passwordKey) + QLatin1String("-flags"), 0u);
        }
    };
    if (type == QLatin1String("pppoe") || type == QLatin1String("gsm") ||
        type == QLatin1String("cdma")) {
        put(type, "username", "password");
    } else if (type == QLatin1String("vpn")) {
        QVariantMap& vpn = settings[QStringLiteral("vpn")];
        if (!userName.isEmpty())
            vpn.insert(QStringLiteral("user-name"), userName);
        if (!password.isEmpty()) {
            auto secrets = demarshalled<StringMap>(vpn.value(QStringLiteral("secrets")));
            auto data = demarshalled<StringMap>(vpn.value(QStringLiteral("data")));
            secrets.insert(QStringLiteral("password"), password);
            data.insert(QStringLiteral("password-flags"), QStringLiteral("0"));
            vpn.insert(QStringLiteral("secrets"), QVariant::fromValue(secrets));
            vpn.insert(QStringLiteral("data"), QVariant::fromValue(data));
        }
    } else if (settings.contains(QStringLiteral("802-1x"))) {
        put(QStringLiteral("802-1x"), "identity", "password");
    } else {
        return false;
    }
    QVariantMap& c = settings[QStringLiteral("connection")];
    c.insert(QStringLiteral("uuid"), newUuid);
    c.insert(QStringLiteral("autoconnect"), false);
    return true;
}

} // namespace dialup::nm
