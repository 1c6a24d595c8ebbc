#include "dialup/remote_access.h"

namespace dialup {

RasCode RemoteAccess::Dial(const QString& entry, const QString& userName, const QString& password,
                           DialNotifier notifier, ConnectionHandle& handle) {
    if (entry.size() > kMaxNameLength)
        return kEntryNameTooLong;
    if (userName.size() > kMaxNameLength)
        return kUserNameTooLong;
    if (password.size() > kMaxNameLength)
        return kPasswordTooLong;
    return DialChecked(entry, userName, password, notifier, handle);
}

QString RemoteAccess::GetErrorText(RasCode code, int bufferSize) {
    QString text;
    switch (code) {
    case kEntryNameTooLong:
        text = QStringLiteral("The entry name is longer than 256 characters");
        break;
    case kUserNameTooLong:
        text = QStringLiteral("The user name is longer than 256 characters");
        break;
    case kPasswordTooLong:
        text = QStringLiteral("The password is longer than 256 characters");
        break;
    default:
        text = ErrorText(code);
    }
    const int nul = text.indexOf(QChar(u'\0'));
    if (nul >= 0)
        text.truncate(nul);
    if (bufferSize <= 0)
        return {};
    if (text.size() > bufferSize - 1)
        text.truncate(bufferSize - 1);
    return text;
}

QString CurrentIpAddress(RemoteAccess& remote) {
    // Room for exactly one connection: with none, or two or more, there is no one address.
    const ConnectionList list = remote.EnumConnections();
    if (list.code != kSuccess || list.connections.size() != 1)
        return {};
    const IpProjection ip = remote.GetIpProjection(list.connections.front().handle);
    return ip.code == kSuccess ? ip.address : QString();
}

} // namespace dialup
