#pragma once

#include "dialup/remote_access.h"

// The backend of a system without a dial-up service: every operation fails with one code whose
// text says so, and the dialer window lists that line instead of entries.
namespace dialup {

class NoDialupService : public RemoteAccess {
public:
    static constexpr RasCode kNoService = 9100;

    EntryList EnumEntries() override { return {kNoService, {}}; }
    ConnectionList EnumConnections() override { return {kNoService, {}}; }
    RasCode GetConnectStatus(ConnectionHandle) override { return kInvalidHandle; }
    void HangUp(ConnectionHandle) override {}
    RasCode EditEntry(QWidget*, const QString&) override { return kNoService; }
    RasCode CreateEntry(QWidget*) override { return kNoService; }
    IpProjection GetIpProjection(ConnectionHandle) override { return {kNoService, {}}; }
    bool IsServiceMissing(RasCode code) const override { return code == kNoService; }

protected:
    RasCode DialChecked(const QString&, const QString&, const QString&, DialNotifier,
                        ConnectionHandle& handle) override {
        handle = 0;
        return kNoService;
    }
    QString ErrorText(RasCode code) override {
        return code == kNoService ? QStringLiteral("No dial-up service is available on this system")
                                  : QStringLiteral("Unknown error %1").arg(code);
    }
};

} // namespace dialup
