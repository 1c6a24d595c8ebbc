#pragma once

#include "dialup/remote_access.h"

#include <QString>

#include <chrono>
#include <map>
#include <memory>

namespace dialup {

namespace nm {
class Client;
class DialWatch;
struct Reply;
} // namespace nm

// The dial-up service of a Linux desktop: NetworkManager on the system message bus. Entries are
// the connection profiles this user can start; a dial activates one and follows it; handles are
// small numbers, one per active connection, never reused while the program runs. Without a bus
// or without NetworkManager every operation returns a code whose text says so. README.md
// describes the mapping of states and reasons.
class NetworkManagerAccess : public RemoteAccess {
public:
    NetworkManagerAccess();
    ~NetworkManagerAccess() override;

    EntryList EnumEntries() override;
    ConnectionList EnumConnections() override;
    RasCode GetConnectStatus(ConnectionHandle handle) override;
    void HangUp(ConnectionHandle handle) override;
    RasCode EditEntry(QWidget* parent, const QString& entry) override;
    RasCode CreateEntry(QWidget* parent) override;
    IpProjection GetIpProjection(ConnectionHandle handle) override;
    // No system bus, or NetworkManager not on it.
    bool IsServiceMissing(RasCode code) const override;

    // How long each question to NetworkManager waits for its answer (a test lowers it).
    void setCallTimeout(std::chrono::milliseconds timeout);
    std::chrono::milliseconds callTimeout() const { return callTimeout_; }

protected:
    RasCode DialChecked(const QString& entry, const QString& userName, const QString& password,
                        DialNotifier notifier, ConnectionHandle& handle) override;
    QString ErrorText(RasCode code) override;

private:
    // The client, opened again when its bus connection was lost.
    nm::Client& client();
    ConnectionHandle handleOf(const QString& activePath);
    QString pathOf(ConnectionHandle handle) const;
    // The code of a failed reply; remembers NetworkManager's own words for kRefused.
    RasCode failed(const nm::Reply& reply);
    // Starts the desktop's connection editor without waiting for it.
    RasCode startEditor(const QStringList& arguments);

    std::unique_ptr<nm::Client> client_;
    std::unique_ptr<nm::DialWatch> watch_;
    std::map<ConnectionHandle, QString> paths_;
    ConnectionHandle nextHandle_ = 1;
    QString refusal_; // NetworkManager's message for the last kRefused
    std::chrono::milliseconds callTimeout_;
};

} // namespace dialup
