#include "dialup/nm_mock.h"

#include <QDBusMessage>

#include <gtest/gtest.h>

namespace {

const QString kMainObject = QStringLiteral("/org/freedesktop");
const QString kMockIface = QStringLiteral("org.freedesktop.DBus.Mock");
const QString kTestIface = QStringLiteral("com.tallyminder.Test");
const QString kService = QStringLiteral("org.freedesktop.NetworkManager");

QString quoted(const QString& s) {
    QString out = s;
    out.replace(QLatin1String("\\"), QLatin1String("\\\\"))
        .replace(QLatin1String("'"), QLatin1String("\\'"));
    return QLatin1Char('\'') + out + QLatin1Char('\'');
}

} // namespace

NmMockBus::NmMockBus(Service service) : bus_(PrivateBus::System) {
    if (bus_.ok() && service == WithNetworkManager)
        bus_.startMock(QStringLiteral("networkmanager"), kService);
}

NmMockBus::~NmMockBus() = default;

QString NmMockBus::run(const QString& python) {
    const QString code = QStringLiteral("main = objects['/org/freedesktop']\n") + python;
    const auto call = [&](const QString& path, const QString& iface, const QString& method,
                          const QVariantList& args) {
        return bus_.call(kService, path, iface, method, args);
    };
    const QDBusMessage added =
        call(kMainObject, kMockIface, QStringLiteral("AddMethod"),
             {kTestIface, QStringLiteral("Run"), QString(), QStringLiteral("s"),
              code + QStringLiteral("\nret = str(locals().get('ret', ''))")});
    if (added.type() != QDBusMessage::ReplyMessage) {
        ADD_FAILURE_AT(__FILE__, __LINE__) << added.errorMessage().toStdString();
        return {};
    }
    const QDBusMessage reply = call(kMainObject, kTestIface, QStringLiteral("Run"), {});
    if (reply.type() != QDBusMessage::ReplyMessage) {
        ADD_FAILURE_AT(__FILE__, __LINE__)
            << "mock script failed: " << reply.errorMessage().toStdString() << "\n"
            << python.toStdString();
        return {};
    }
    return reply.arguments().value(0).toString();
}

QString NmMockBus::addProfile(const QString& id, const QString& type, const QString& extraPython) {
    return run(
        QStringLiteral("s = {'connection': {'id': %1, 'type': %2, 'uuid': 'uuid-' + %1}}\n"
                       "%3\n"
                       "ret = main.SettingsAddConnection(dbus.Dictionary(s, signature='sa{sv}'))\n")
            .arg(quoted(id), quoted(type), extraPython));
}

QString NmMockBus::addDevice(const QString& name) {
    return run(QStringLiteral("ret = main.AddEthernetDevice(%1, %1, 30)").arg(quoted(name)));
}

QString NmMockBus::addActive(const QString& profilePath, const QString& device, const QString& name,
                             uint state) {
    return run(QStringLiteral("ret = main.AddActiveConnection([%1], %2, '/', %3, dbus.UInt32(%4))")
                   .arg(quoted(device), quoted(profilePath), quoted(name))
                   .arg(state));
}

void NmMockBus::activationStaysActivating(const QString& device, double delaySeconds) {
    // The replacement methods keep what the template does (a new active connection, its device
    // active) but leave the connection "activating" for the test to walk.
    const QString manager = QStringLiteral("objects['/org/freedesktop/NetworkManager']");
    run(QStringLiteral(
            "m = %1\n"
            "m.AddMethod('org.freedesktop.NetworkManager', 'ActivateConnection', 'ooo', 'o',\n"
            "    \"%3ret = dbus.ObjectPath(objects['/org/freedesktop'].AddActiveConnection([%2], "
            "args[0], '/', 'Dial', dbus.UInt32(1)))\")\n"
            "m.AddMethod('org.freedesktop.NetworkManager', 'AddAndActivateConnection2', "
            "'a{sa{sv}}ooa{sv}', 'ooa{sv}',\n"
            "    \"%3p = objects['/org/freedesktop'].SettingsAddConnection(args[0])\\n"
            "get_object(p).AddProperty('org.freedesktop.NetworkManager.Settings.Connection', "
            "'Flags', dbus.UInt32(4))\\n"
            "a = objects['/org/freedesktop'].AddActiveConnection([%2], p, '/', 'Dial', "
            "dbus.UInt32(1))\\n"
            "ret = (dbus.ObjectPath(p), dbus.ObjectPath(a), dbus.Dictionary({}, "
            "signature='sv'))\")\n")
            .arg(manager, quoted(device),
                 delaySeconds > 0
                     ? QStringLiteral("import time\\ntime.sleep(%1)\\n").arg(delaySeconds)
                     : QString()));
}

void NmMockBus::stopService() {
    bus_.stopMock();
}

void NmMockBus::setActiveState(const QString& activePath, uint state, uint reason) {
    run(QStringLiteral(
            "o = get_object(%1)\n"
            "o.Set('org.freedesktop.NetworkManager.Connection.Active', 'State', dbus.UInt32(%2))\n"
            "o.EmitSignal('org.freedesktop.NetworkManager.Connection.Active', 'StateChanged', "
            "'uu', [dbus.UInt32(%2), dbus.UInt32(%3)])\n")
            .arg(quoted(activePath))
            .arg(state)
            .arg(reason));
}

void NmMockBus::setDeviceState(const QString& device, uint state, uint oldState, uint reason) {
    run(QStringLiteral("o = get_object(%1)\n"
                       "o.Set('org.freedesktop.NetworkManager.Device', 'State', dbus.UInt32(%2))\n"
                       "o.EmitSignal('org.freedesktop.NetworkManager.Device', 'StateChanged', "
                       "'uuu', [dbus.UInt32(%2), dbus.UInt32(%3), dbus.UInt32(%4)])\n")
            .arg(quoted(device))
            .arg(state)
            .arg(oldState)
            .arg(reason));
}

QStringList NmMockBus::managerCalls(const QString& method) {
    const QString text =
        run(QStringLiteral("ret = '\\n'.join(repr(list(c[1])) for c in "
                           "get_object('/org/freedesktop/NetworkManager').GetMethodCalls(%1))")
                .arg(quoted(method)));
    return text.isEmpty() ? QStringList() : text.split(u'\n');
}
