#include "replies/desktop_notifier.h"

#include <QAtomicInteger>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QStringList>
#include <QVariantMap>

namespace {

QString nextConnectionName() {
    static QAtomicInteger<quint32> counter;
    return QStringLiteral("tallyminder-notify-%1").arg(counter.fetchAndAddRelaxed(1) + 1);
}

// The session bus's address, read at each note: the message-bus library reads it once per
// process, so a bus that moved (a test's own bus) would never be found again.
QString sessionBusAddress() {
    const QByteArray address = qgetenv("DBUS_SESSION_BUS_ADDRESS");
    if (!address.isEmpty())
        return QString::fromLocal8Bit(address);
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    return runtime.isEmpty()
               ? QString()
               : QStringLiteral("unix:path=%1/bus").arg(QString::fromLocal8Bit(runtime));
}

} // namespace

DesktopNotifier::DesktopNotifier() : connectionName_(nextConnectionName()) {}

DesktopNotifier::~DesktopNotifier() {
    if (!address_.isEmpty())
        QDBusConnection::disconnectFromBus(connectionName_);
}

void DesktopNotifier::notify(const QString& summary, const QString& body) {
    const QString address = sessionBusAddress();
    if (address.isEmpty())
        return;
    if (address != address_) {
        if (!address_.isEmpty())
            QDBusConnection::disconnectFromBus(connectionName_);
        address_ = address;
    }
    // Kept open between notes: a message still queued when a connection closes would be lost.
    QDBusConnection bus = QDBusConnection::connectToBus(address_, connectionName_);
    if (!bus.isConnected()) {
        QDBusConnection::disconnectFromBus(connectionName_); // the next note tries again
        address_.clear();
        return;
    }
    QDBusMessage note = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.Notifications"),
        QStringLiteral("/org/freedesktop/Notifications"),
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
    // Services may read the body as markup; the customers' texts must show as they are. Only
    // the three characters markup needs are escaped, so a service without markup shows quotes
    // as quotes.
    QString plain = body;
    plain.replace(u'&', QStringLiteral("&amp;"))
        .replace(u'<', QStringLiteral("&lt;"))
        .replace(u'>', QStringLiteral("&gt;"));
    QVariantMap hints;
    hints.insert(QStringLiteral("desktop-entry"), QStringLiteral("tallyminder"));
    note.setArguments(
        {QStringLiteral("Tallyminder"), 0u, QString(), summary, plain, QStringList(), hints, -1});
    bus.send(note);
}
