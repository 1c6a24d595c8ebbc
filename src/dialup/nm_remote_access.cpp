#include "dialup/nm_remote_access.h"

#include "dialup/nm_client.h"
#include "dialup/nm_codes.h"
#include "dialup/nm_dial_watch.h"

#include <QProcess>
#include <QStandardPaths>

namespace dialup {

NetworkManagerAccess::NetworkManagerAccess() : callTimeout_(nm::kCallTimeout) {}

NetworkManagerAccess::~NetworkManagerAccess() {
    // The watch listens on the client's connection: it goes first.
    watch_.reset();
}

nm::Client& NetworkManagerAccess::client() {
    if (!client_ || !client_->connected()) {
        watch_.reset();
        client_ = std::make_unique<nm::Client>();
        client_->setCallTimeout(callTimeout_);
    }
    return *client_;
}

void NetworkManagerAccess::setCallTimeout(std::chrono::milliseconds timeout) {
    callTimeout_ = timeout;
    if (client_)
        client_->setCallTimeout(timeout);
}

ConnectionHandle NetworkManagerAccess::handleOf(const QString& activePath) {
    for (const auto& [handle, path] : paths_)
        if (path == activePath)
            return handle;
    const ConnectionHandle handle = nextHandle_++;
    paths_.emplace(handle, activePath);
    return handle;
}

QString NetworkManagerAccess::pathOf(ConnectionHandle handle) const {
    const auto it = paths_.find(handle);
    return it == paths_.end() ? QString() : it->second;
}

RasCode NetworkManagerAccess::failed(const nm::Reply& reply) {
    if (reply.failure == nm::Failure::Refused || reply.failure == nm::Failure::NoSuchObject) {
        refusal_ = reply.errorMessage;
        return nm::kRefused;
    }
    return nm::codeOf(reply.failure);
}

EntryList NetworkManagerAccess::EnumEntries() {
    EntryList list;
    std::vector<nm::Profile> profiles;
    const nm::Reply r = client().profiles(profiles);
    if (!r.ok()) {
        list.code = failed(r);
        return list;
    }
    for (const nm::Profile& p : profiles)
        list.names << p.id;
    return list;
}

ConnectionList NetworkManagerAccess::EnumConnections() {
    ConnectionList list;
    std::vector<nm::Active> active;
    const nm::Reply r = client().activeConnections(active);
    if (!r.ok()) {
        list.code = failed(r);
        return list;
    }
    for (const nm::Active& a : active)
        list.connections.push_back({a.id, handleOf(a.path)});
    return list;
}

RasCode NetworkManagerAccess::DialChecked(const QString& entry, const QString& userName,
                                          const QString& password, DialNotifier notifier,
                                          ConnectionHandle& handle) {
    nm::Client& nm = client();
    watch_.reset();
    nm::Profile profile;
    nm::Reply r = nm.findProfile(entry, profile);
    if (r.failure == nm::Failure::NoSuchObject)
        return nm::kNoSuchEntry;
    if (!r.ok())
        return failed(r);
    QString activePath;
    r = userName.isEmpty() && password.isEmpty()
            ? nm.activate(profile.path, activePath)
            : nm.activateWithCredentials(profile, userName, password, activePath);
    if (!r.ok())
        return failed(r);
    handle = handleOf(activePath);
    // Listen first, then read the state, so that no change falls between the two.
    watch_ = std::make_unique<nm::DialWatch>(nm.connection(), handle, activePath, notifier);
    QStringList devices;
    nm.activeDevices(activePath, devices);
    watch_->followDevices(devices);
    uint32_t state = 0;
    r = nm.activeState(activePath, state);
    if (r.failure == nm::Failure::NotRunning)
        watch_->serviceStopped(); // gone before the watch could see it go
    else
        watch_->begin(state, r.failure == nm::Failure::NoSuchObject);
    return kSuccess;
}

RasCode NetworkManagerAccess::GetConnectStatus(ConnectionHandle handle) {
    const QString path = pathOf(handle);
    if (path.isEmpty())
        return nm::kUnknownHandle;
    uint32_t state = 0;
    const nm::Reply r = client().activeState(path, state);
    if (r.failure == nm::Failure::NoSuchObject)
        return kInvalidHandle;
    if (!r.ok())
        return failed(r);
    return state == nm::kActiveDeactivating || state == nm::kActiveDeactivated ? kInvalidHandle
                                                                               : kSuccess;
}

void NetworkManagerAccess::HangUp(ConnectionHandle handle) {
    if (watch_ && watch_->handle() == handle)
        watch_.reset(); // a cancelled dial reports nothing more
    const QString path = pathOf(handle);
    if (!path.isEmpty())
        client().deactivate(path); // the result does not matter: the caller has moved on
}

IpProjection NetworkManagerAccess::GetIpProjection(ConnectionHandle handle) {
    IpProjection ip;
    const QString path = pathOf(handle);
    if (path.isEmpty()) {
        ip.code = nm::kUnknownHandle;
        return ip;
    }
    const nm::Reply r = client().ip4Address(path, ip.address);
    if (r.failure == nm::Failure::NoSuchObject)
        ip.code = kInvalidHandle;
    else if (!r.ok())
        ip.code = failed(r);
    else if (ip.address.isEmpty())
        ip.code = nm::kNoAddress;
    return ip;
}

RasCode NetworkManagerAccess::startEditor(const QStringList& arguments) {
    const QString editor = QStandardPaths::findExecutable(QStringLiteral("nm-connection-editor"));
    if (editor.isEmpty())
        return nm::kEditorMissing;
    return QProcess::startDetached(editor, arguments) ? kSuccess : nm::kEditorFailed;
}

RasCode NetworkManagerAccess::EditEntry(QWidget*, const QString& entry) {
    nm::Profile profile;
    const nm::Reply r = client().findProfile(entry, profile);
    if (r.failure == nm::Failure::NoSuchObject)
        return nm::kNoSuchEntry;
    if (!r.ok())
        return failed(r);
    return startEditor({QStringLiteral("--edit"), profile.uuid});
}

RasCode NetworkManagerAccess::CreateEntry(QWidget*) {
    return startEditor({QStringLiteral("--create")});
}

bool NetworkManagerAccess::IsServiceMissing(RasCode code) const {
    return code == nm::kNoBus || code == nm::kNotRunning;
}

QString NetworkManagerAccess::ErrorText(RasCode code) {
    QString text = nm::textOf(code);
    if (code == nm::kRefused && !refusal_.isEmpty())
        text += QStringLiteral(": ") + refusal_;
    if (text.isEmpty())
        text = QStringLiteral("Unknown error %1").arg(code);
    return text;
}

} // namespace dialup
