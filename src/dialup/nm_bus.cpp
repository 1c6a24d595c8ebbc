#include "dialup/nm_bus.h"

#include <QAtomicInteger>
#include <QDBusError>
#include <QDBusPendingCallWatcher>
#include <QDBusVariant>
#include <QEventLoop>

namespace dialup::nm {

namespace {

QString nextConnectionName() {
    static QAtomicInteger<quint32> counter;
    return QStringLiteral("tallyminder-nm-%1").arg(counter.fetchAndAddRelaxed(1) + 1);
}

// The system bus's address, read each time: the message-bus library reads it only once per
// process, so a bus that moved (a test's own bus) would never be found again.
QString systemBusAddress() {
    const QByteArray address = qgetenv("DBUS_SYSTEM_BUS_ADDRESS");
    return address.isEmpty() ? QStringLiteral("unix:path=/var/run/dbus/system_bus_socket")
                             : QString::fromLocal8Bit(address);
}

} // namespace

Bus::Bus()
    : name_(nextConnectionName()),
      connection_(QDBusConnection::connectToBus(systemBusAddress(), name_)) {}

Bus::~Bus() {
    QDBusConnection::disconnectFromBus(name_);
}

Failure classify(const QDBusMessage& error) {
    const QString name = error.errorName();
    switch (QDBusError(error).type()) {
    case QDBusError::Disconnected:
    case QDBusError::NoServer:
        return Failure::NoBus;
    case QDBusError::ServiceUnknown:
    case QDBusError::NoNetwork:
        return Failure::NotRunning;
    case QDBusError::AccessDenied:
        return Failure::AccessDenied;
    case QDBusError::NoReply:
    case QDBusError::Timeout:
    case QDBusError::TimedOut:
        return Failure::TimedOut;
    case QDBusError::UnknownObject:
    case QDBusError::UnknownInterface:
    case QDBusError::UnknownMethod:
    case QDBusError::UnknownProperty:
        return Failure::NoSuchObject;
    default:
        break;
    }
    if (name == QLatin1String("org.freedesktop.DBus.Error.NameHasNoOwner"))
        return Failure::NotRunning;
    if (name.endsWith(QLatin1String(".PermissionDenied")) ||
        name.endsWith(QLatin1String(".NotAuthorized")))
        return Failure::AccessDenied;
    if (name.endsWith(QLatin1String(".UnknownConnection")) ||
        name.endsWith(QLatin1String(".DoesNotExist")) ||
        name.endsWith(QLatin1String(".ObjectNotFound")))
        return Failure::NoSuchObject;
    return Failure::Refused;
}

Reply Bus::call(const QString& path, const QString& iface, const QString& method,
                const QVariantList& args) {
    Reply reply;
    if (!connection_.isConnected()) {
        reply.failure = Failure::NoBus;
        return reply;
    }
    QDBusMessage message = QDBusMessage::createMethodCall(kService, path, iface, method);
    message.setArguments(args);
    // The event loop runs while the answer is awaited, so the windows repaint and their buttons
    // work meanwhile; the time-out bounds the wait.
    QDBusPendingCallWatcher watcher(
        connection_.asyncCall(message, static_cast<int>(timeout_.count())));
    if (!watcher.isFinished()) {
        QEventLoop loop;
        QObject::connect(&watcher, &QDBusPendingCallWatcher::finished, &loop, &QEventLoop::quit);
        loop.exec();
    }
    if (!watcher.isFinished()) {
        // The program is quitting, which ends every event loop: no answer will be read.
        reply.failure = Failure::TimedOut;
        return reply;
    }
    const QDBusMessage answer = watcher.reply();
    if (answer.type() == QDBusMessage::ReplyMessage) {
        reply.values = answer.arguments();
        return reply;
    }
    reply.failure = answer.type() == QDBusMessage::ErrorMessage ? classify(answer) : Failure::NoBus;
    reply.errorName = answer.errorName();
    reply.errorMessage = answer.errorMessage();
    return reply;
}

Reply Bus::property(const QString& path, const QString& iface, const QString& name) {
    Reply reply = call(path, QStringLiteral("org.freedesktop.DBus.Properties"),
                       QStringLiteral("Get"), {iface, name});
    if (reply.ok() && !reply.values.isEmpty())
        reply.values.front() = qvariant_cast<QDBusVariant>(reply.values.front()).variant();
    // A property that is not there (an older service, an object that went) reads as a gone object.
    if (reply.failure == Failure::Refused &&
        reply.errorName == QLatin1String("org.freedesktop.DBus.Error.InvalidArgs"))
        reply.failure = Failure::NoSuchObject;
    return reply;
}

} // namespace dialup::nm
