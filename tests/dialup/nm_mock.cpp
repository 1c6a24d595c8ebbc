#include "dialup/nm_mock.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDir>
#include <QFile>
#include <QTest>
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

const QString kMainObject = QStringLiteral("/org/freedesktop");
const QString kMockIface = QStringLiteral("org.freedesktop.DBus.Mock");
const QString kTestIface = QStringLiteral("com.tallyminder.Test");

// Starts a program whose output goes to log (and its standard output to stdoutFd, when given).
pid_t spawn(const std::vector<std::string>& args, int stdoutFd, const std::string& log) {
    posix_spawn_file_actions_t actions;
    ::posix_spawn_file_actions_init(&actions);
    ::posix_spawn_file_actions_addopen(&actions, 2, log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
    if (stdoutFd >= 0)
        ::posix_spawn_file_actions_adddup2(&actions, stdoutFd, 1);
    else
        ::posix_spawn_file_actions_adddup2(&actions, 2, 1);
    std::vector<char*> argv;
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid = -1;
    if (::posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0)
        pid = -1;
    ::posix_spawn_file_actions_destroy(&actions);
    return pid;
}

QString quoted(const QString& s) {
    QString out = s;
    out.replace(QLatin1String("\\"), QLatin1String("\\\\")).replace(QLatin1String("'"), QLatin1String("\\'"));
    return QLatin1Char('\'') + out + QLatin1Char('\'');
}

} // namespace

NmMockBus::NmMockBus(Service service) {
    const QByteArray old = qgetenv("DBUS_SYSTEM_BUS_ADDRESS");
    hadOldAddress_ = qEnvironmentVariableIsSet("DBUS_SYSTEM_BUS_ADDRESS");
    oldAddress_ = old;
    char tmpl[] = "/tmp/tallyminder-bus-XXXXXX";
    if (!::mkdtemp(tmpl)) {
        error_ = QStringLiteral("mkdtemp failed");
        return;
    }
    folder_ = QString::fromLocal8Bit(tmpl);
    startDaemon();
    if (ok() && service == WithNetworkManager)
        startMock();
}

void NmMockBus::startDaemon() {
    const QString config = folder_ + QStringLiteral("/bus.conf");
    QFile f(config);
    f.open(QIODevice::WriteOnly);
    f.write(QStringLiteral(
                "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
                " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
                "<busconfig>\n"
                "  <type>system</type>\n"
                "  <listen>unix:path=%1/system_bus_socket</listen>\n"
                "  <auth>EXTERNAL</auth>\n"
                "  <policy context=\"default\">\n"
                "    <allow user=\"*\"/>\n"
                "    <allow own=\"*\"/>\n"
                "    <allow send_destination=\"*\" eavesdrop=\"true\"/>\n"
                "    <allow receive_sender=\"*\" eavesdrop=\"true\"/>\n"
                "    <allow eavesdrop=\"true\"/>\n"
                "  </policy>\n"
                "</busconfig>\n")
                .arg(folder_)
                .toUtf8());
    f.close();
    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0) {
        error_ = QStringLiteral("pipe failed");
        return;
    }
    daemon_ = spawn({"/usr/bin/dbus-daemon", "--nofork", "--print-address=1",
                     "--config-file=" + config.toStdString()},
                    out[1], (folder_ + QStringLiteral("/daemon.log")).toStdString());
    ::close(out[1]);
    if (daemon_ <= 0) {
        ::close(out[0]);
        error_ = QStringLiteral("cannot start /usr/bin/dbus-daemon (is the dbus package installed?)");
        return;
    }
    std::string line;
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (line.find('\n') == std::string::npos && std::chrono::steady_clock::now() < until) {
        pollfd p{out[0], POLLIN, 0};
        if (::poll(&p, 1, 100) <= 0)
            continue;
        char c[512];
        const ssize_t n = ::read(out[0], c, sizeof c);
        if (n <= 0)
            break;
        line.append(c, static_cast<size_t>(n));
    }
    ::close(out[0]);
    address_ = QString::fromStdString(line).trimmed();
    if (address_.isEmpty()) {
        error_ = QStringLiteral("dbus-daemon printed no address");
        return;
    }
    qputenv("DBUS_SYSTEM_BUS_ADDRESS", address_.toUtf8());
}

void NmMockBus::startMock() {
    mock_ = spawn({"/usr/bin/python3", "-m", "dbusmock", "--template", "networkmanager"}, -1,
                  (folder_ + QStringLiteral("/mock.log")).toStdString());
    if (mock_ <= 0) {
        error_ = QStringLiteral("cannot start /usr/bin/python3");
        return;
    }
    connectionName_ = QStringLiteral("nm-mock-") + folder_.section(u'/', -1);
    QDBusConnection bus = QDBusConnection::connectToBus(address_, connectionName_);
    const bool up = QTest::qWaitFor(
        [&] {
            return bus.interface()->isServiceRegistered(
                       QStringLiteral("org.freedesktop.NetworkManager")) ||
                   ::waitpid(mock_, nullptr, WNOHANG) != 0;
        },
        15000);
    if (!up || !bus.interface()->isServiceRegistered(QStringLiteral("org.freedesktop.NetworkManager")))
        error_ = QStringLiteral("the NetworkManager mock did not start (is python3-dbusmock installed?)");
}

void NmMockBus::stop(pid_t& pid) {
    if (pid <= 0)
        return;
    ::kill(pid, SIGTERM);
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (::waitpid(pid, nullptr, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > until) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, nullptr, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    pid = -1;
}

NmMockBus::~NmMockBus() {
    if (!connectionName_.isEmpty())
        QDBusConnection::disconnectFromBus(connectionName_);
    stop(mock_);
    stop(daemon_);
    if (hadOldAddress_)
        qputenv("DBUS_SYSTEM_BUS_ADDRESS", oldAddress_);
    else
        qunsetenv("DBUS_SYSTEM_BUS_ADDRESS");
    if (!folder_.isEmpty())
        QDir(folder_).removeRecursively();
}

QString NmMockBus::run(const QString& python) {
    QDBusConnection bus = QDBusConnection::connectToBus(address_, connectionName_);
    const QString code = QStringLiteral("main = objects['/org/freedesktop']\n") + python;
    const auto call = [&](const QString& path, const QString& iface, const QString& method,
                          const QVariantList& args) {
        QDBusMessage m = QDBusMessage::createMethodCall(
            QStringLiteral("org.freedesktop.NetworkManager"), path, iface, method);
        m.setArguments(args);
        return bus.call(m, QDBus::Block, 10000);
    };
    const QDBusMessage added = call(kMainObject, kMockIface, QStringLiteral("AddMethod"),
                                    {kTestIface, QStringLiteral("Run"), QString(), QStringLiteral("s"),
                                     code + QStringLiteral("\nret = str(locals().get('ret', ''))")});
    if (added.type() != QDBusMessage::ReplyMessage) {
        ADD_FAILURE_AT(__FILE__, __LINE__) << added.errorMessage().toStdString();
        return {};
    }
    const QDBusMessage reply = call(kMainObject, kTestIface, QStringLiteral("Run"), {});
    if (reply.type() != QDBusMessage::ReplyMessage) {
        ADD_FAILURE_AT(__FILE__, __LINE__) << "mock script failed: "
                                           << reply.errorMessage().toStdString() << "\n"
                                           << python.toStdString();
        return {};
    }
    return reply.arguments().value(0).toString();
}

QString NmMockBus::addProfile(const QString& id, const QString& type, const QString& extraPython) {
    return run(QStringLiteral(
                   "s = {'connection': {'id': %1, 'type': %2, 'uuid': 'uuid-' + %1}}\n"
                   "%3\n"
                   "ret = main.SettingsAddConnection(dbus.Dictionary(s, signature='sa{sv}'))\n")
                   .arg(quoted(id), quoted(type), extraPython));
}

QString NmMockBus::addDevice(const QString& name) {
    return run(QStringLiteral("ret = main.AddEthernetDevice(%1, %1, 30)").arg(quoted(name)));
}

QString NmMockBus::addActive(const QString& profilePath, const QString& device,
                             const QString& name, uint state) {
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
            "    \"%3ret = dbus.ObjectPath(objects['/org/freedesktop'].AddActiveConnection([%2], args[0], '/', 'Dial', dbus.UInt32(1)))\")\n"
            "m.AddMethod('org.freedesktop.NetworkManager', 'AddAndActivateConnection2', 'a{sa{sv}}ooa{sv}', 'ooa{sv}',\n"
            "    \"%3p = objects['/org/freedesktop'].SettingsAddConnection(args[0])\\n"
            "get_object(p).AddProperty('org.freedesktop.NetworkManager.Settings.Connection', 'Flags', dbus.UInt32(4))\\n"
            "a = objects['/org/freedesktop'].AddActiveConnection([%2], p, '/', 'Dial', dbus.UInt32(1))\\n"
            "ret = (dbus.ObjectPath(p), dbus.ObjectPath(a), dbus.Dictionary({}, signature='sv'))\")\n")
            .arg(manager, quoted(device),
                 delaySeconds > 0
                     ? QStringLiteral("import time\\ntime.sleep(%1)\\n").arg(delaySeconds)
                     : QString()));
}

void NmMockBus::stopService() {
    stop(mock_);
}

void NmMockBus::setActiveState(const QString& activePath, uint state, uint reason) {
    run(QStringLiteral("o = get_object(%1)\n"
                       "o.Set('org.freedesktop.NetworkManager.Connection.Active', 'State', dbus.UInt32(%2))\n"
                       "o.EmitSignal('org.freedesktop.NetworkManager.Connection.Active', 'StateChanged', 'uu', [dbus.UInt32(%2), dbus.UInt32(%3)])\n")
            .arg(quoted(activePath))
            .arg(state)
            .arg(reason));
}

void NmMockBus::setDeviceState(const QString& device, uint state, uint oldState, uint reason) {
    run(QStringLiteral("o = get_object(%1)\n"
                       "o.Set('org.freedesktop.NetworkManager.Device', 'State', dbus.UInt32(%2))\n"
                       "o.EmitSignal('org.freedesktop.NetworkManager.Device', 'StateChanged', 'uuu', [dbus.UInt32(%2), dbus.UInt32(%3), dbus.UInt32(%4)])\n")
            .arg(quoted(device))
            .arg(state)
            .arg(oldState)
            .arg(reason));
}

QStringList NmMockBus::managerCalls(const QString& method) {
    const QString text = run(QStringLiteral(
        "ret = '\\n'.join(repr(list(c[1])) for c in get_object('/org/freedesktop/NetworkManager').GetMethodCalls(%1))")
                                 .arg(quoted(method)));
    return text.isEmpty() ? QStringList() : text.split(u'\n');
}
