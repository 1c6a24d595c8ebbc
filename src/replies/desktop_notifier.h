#pragma once

#include <QString>

// A desktop notification through org.freedesktop.Notifications on the session bus (GNOME, KDE
// and the usual notification daemons serve it). The call is sent without waiting for an
// answer: on a desktop without a notification service, or without a session bus, the note is
// lost and nothing else changes.
class DesktopNotifier {
public:
    DesktopNotifier();
    ~DesktopNotifier();
    DesktopNotifier(const DesktopNotifier&) = delete;
    DesktopNotifier& operator=(const DesktopNotifier&) = delete;

    // summary and body are plain text.
    void notify(const QString& summary, const QString& body);

private:
    QString connectionName_;
    QString address_; // of the bus connected to under connectionName_
};
