#include "harness/private_bus.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDir>
#include <QFile>
#include <QTest>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

// Starts a program whose output goes to log (and its standard output to stdoutFd, when given).
pid_t spawn(const std::vector<std::string>& args, int stdoutFd, const std::string& log) {
    posix_spawn_file_actions_t actions;
    ::posix_spawn_file_actions_init(&actions);
    ::posix_spawn_file_actions_addopen(&actions, 2, log.c_str(), O_WRONLY | O_CREAT | O_APPEND,
                                       0600);
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

void stop(pid_t& pid) {
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

} // namespace

PrivateBus::PrivateBus(Kind kind)
    : variable_(kind == System ? "DBUS_SYSTEM_BUS_ADDRESS" : "DBUS_SESSION_BUS_ADDRESS") {
    hadOldAddress_ = qEnvironmentVariableIsSet(variable_);
    oldAddress_ = qgetenv(variable_);
    char tmpl[] = "/tmp/tallyminder-bus-XXXXXX";
    if (!::mkdtemp(tmpl)) {
        error_ = QStringLiteral("mkdtemp failed");
        return;
    }
    folder_ = QString::fromLocal8Bit(tmpl);
    connectionName_ = QStringLiteral("test-bus-") + folder_.section(u'/', -1);
    startDaemon();
}

void PrivateBus::startDaemon() {
    const QString config = folder_ + QStringLiteral("/bus.conf");
    QFile f(config);
    f.open(QIODevice::WriteOnly);
    f.write(
        QStringLiteral(
            "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
            " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
            "<busconfig>\n"
            "  <type>%2</type>\n"
            "  <listen>unix:path=%1/bus_socket</listen>\n"
            "  <auth>EXTERNAL</auth>\n"
            "  <policy context=\"default\">\n"
            "    <allow user=\"*\"/>\n"
            "    <allow own=\"*\"/>\n"
            "    <allow send_destination=\"*\" eavesdrop=\"true\"/>\n"
            "    <allow receive_sender=\"*\" eavesdrop=\"true\"/>\n"
            "    <allow eavesdrop=\"true\"/>\n"
            "  </policy>\n"
            "</busconfig>\n")
            .arg(folder_,
                 QLatin1String(qstrcmp(variable_, "DBUS_SYSTEM_BUS_ADDRESS") == 0 ? "system"
                                                                                  : "session"))
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
        error_ =
            QStringLiteral("cannot start /usr/bin/dbus-daemon (is the dbus package installed?)");
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
    qputenv(variable_, address_.toUtf8());
}

bool PrivateBus::startMock(const QString& templateName, const QString& service) {
    if (!ok())
        return false;
    // The template says which bus it serves; the variable above points that one here.
    mock_ = spawn({"/usr/bin/python3", "-m", "dbusmock", "--template", templateName.toStdString()},
                  -1, (folder_ + QStringLiteral("/mock.log")).toStdString());
    if (mock_ <= 0) {
        error_ = QStringLiteral("cannot start /usr/bin/python3");
        return false;
    }
    QDBusConnection bus = QDBusConnection::connectToBus(address_, connectionName_);
    const bool up = QTest::qWaitFor(
        [&] {
            return bus.interface()->isServiceRegistered(service) ||
                   ::waitpid(mock_, nullptr, WNOHANG) != 0;
        },
        15000);
    if (!up || !bus.interface()->isServiceRegistered(service)) {
        error_ = QStringLiteral("the mock of %1 did not start (is python3-dbusmock installed?)")
                     .arg(service);
        return false;
    }
    return true;
}

void PrivateBus::stopMock() {
    stop(mock_);
}

QDBusMessage PrivateBus::call(const QString& service, const QString& path, const QString& iface,
                              const QString& method, const QVariantList& args) {
    QDBusConnection bus = QDBusConnection::connectToBus(address_, connectionName_);
    QDBusMessage m = QDBusMessage::createMethodCall(service, path, iface, method);
    m.setArguments(args);
    return bus.call(m, QDBus::Block, 10000);
}

PrivateBus::~PrivateBus() {
    QDBusConnection::disconnectFromBus(connectionName_);
    stop(mock_);
    stop(daemon_);
    if (hadOldAddress_)
        qputenv(variable_, oldAddress_);
    else
        qunsetenv(variable_);
    if (!folder_.isEmpty())
        QDir(folder_).removeRecursively();
}
