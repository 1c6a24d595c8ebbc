// The NetworkManager backend against python3-dbusmock's NetworkManager template on a private
// system bus of each test's own.

#include "dialup/nm_remote_access.h"

#include "dialup/nm_codes.h"
#include "dialup/nm_mock.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTest>

#include <gtest/gtest.h>

#include <chrono>
#include <pwd.h>
#include <unistd.h>
#include <vector>

// Readable failures: QString as its text.
QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}
QT_END_NAMESPACE

using dialup::ConnectionHandle;
using dialup::NetworkManagerAccess;
using dialup::RasCode;

namespace {

struct Progress {
    ConnectionHandle handle;
    uint32_t state;
    RasCode error;
};
std::vector<Progress> progress;

void recordProgress(ConnectionHandle handle, uint32_t state, RasCode error) {
    progress.push_back({handle, state, error});
}

std::vector<uint32_t> states() {
    std::vector<uint32_t> out;
    for (const Progress& p : progress)
        out.push_back(p.state);
    return out;
}

bool ended() {
    return !progress.empty() && (progress.back().state == dialup::nm::kStateConnected ||
                                 progress.back().state == dialup::nm::kStateDisconnected);
}

QString login() {
    const passwd* pw = ::getpwuid(::getuid());
    return pw ? QString::fromLocal8Bit(pw->pw_name) : QString();
}

const QString kPppoeExtra = QStringLiteral(
    "s['pppoe'] = {'username': 'stored-user', 'password-flags': dbus.UInt32(2)}\n"
    "s['ipv4'] = {'method': 'auto', 'dns': dbus.Array([dbus.UInt32(16843009)], signature='u')}");

class NmBackendTest : public ::testing::Test {
protected:
    void SetUp() override {
        progress.clear();
        ASSERT_TRUE(bus.ok()) << bus.error().toStdString();
        device = bus.addDevice(QStringLiteral("ppp0"));
        office = bus.addProfile(QStringLiteral("Office DSL"), QStringLiteral("pppoe"), kPppoeExtra);
    }

    NmMockBus bus;
    QString device;
    QString office;
    NetworkManagerAccess remote;
};

TEST_F(NmBackendTest, EntriesAreTheProfilesThisUserCanStartInNetworkManagersOrder) {
    bus.addProfile(QStringLiteral("lo"), QStringLiteral("loopback"));
    bus.addProfile(QStringLiteral("Mobile"), QStringLiteral("gsm"));
    bus.addProfile(QStringLiteral("Someone's VPN"), QStringLiteral("vpn"),
                   QStringLiteral("s['connection']['permissions'] = ['user:someone-else:']"));
    bus.addProfile(QStringLiteral("My VPN"), QStringLiteral("vpn"),
                   QStringLiteral("s['connection']['permissions'] = ['user:%1:']").arg(login()));

    const dialup::EntryList list = remote.EnumEntries();

    EXPECT_EQ(list.code, 0u);
    EXPECT_EQ(list.names, QStringList({"Office DSL", "Mobile", "My VPN"}));
}

TEST_F(NmBackendTest, ActiveConnectionIsListedAdoptedAndHungUp) {
    const QString active = bus.addActive(office, device, QStringLiteral("7"), 2);
    bus.run(QStringLiteral("main.AddObject('/org/freedesktop/NetworkManager/IP4Config/7',"
                           " 'org.freedesktop.NetworkManager.IP4Config',"
                           " {'AddressData': dbus.Array([{'address': '10.64.3.7', 'prefix': "
                           "dbus.UInt32(24)}], signature='a{sv}')}, [])\n"
                           "get_object('%1').AddProperty('org.freedesktop.NetworkManager."
                           "Connection.Active', 'Ip4Config',"
                           " dbus.ObjectPath('/org/freedesktop/NetworkManager/IP4Config/7'))")
                .arg(active));

    const dialup::ConnectionList list = remote.EnumConnections();
    ASSERT_EQ(list.code, 0u);
    ASSERT_EQ(list.connections.size(), 1u);
    EXPECT_EQ(list.connections[0].entryName, QStringLiteral("Office DSL"));
    const ConnectionHandle handle = list.connections[0].handle;
    EXPECT_NE(handle, 0u);
    EXPECT_EQ(remote.EnumConnections().connections.at(0).handle, handle)
        << "one handle per connection";

    EXPECT_EQ(remote.GetConnectStatus(handle), 0u);
    const dialup::IpProjection ip = remote.GetIpProjection(handle);
    EXPECT_EQ(ip.code, 0u);
    EXPECT_EQ(ip.address, QStringLiteral("10.64.3.7"));
    EXPECT_EQ(dialup::CurrentIpAddress(remote), QStringLiteral("10.64.3.7"));

    remote.HangUp(handle);
    EXPECT_EQ(bus.managerCalls(QStringLiteral("DeactivateConnection")),
              QStringList({QStringLiteral("[dbus.ObjectPath('%1')]").arg(active)}));
    EXPECT_EQ(remote.GetConnectStatus(handle), dialup::kInvalidHandle);
    EXPECT_TRUE(remote.EnumConnections().connections.empty());
}

TEST_F(NmBackendTest, DialReportsEachStepAndConnectsThenNoticesTheDrop) {
    bus.activationStaysActivating(device);
    ConnectionHandle handle = 0;
    ASSERT_EQ(remote.Dial(QStringLiteral("Office DSL"), {}, {}, recordProgress, handle), 0u);
    EXPECT_NE(handle, 0u);
    EXPECT_EQ(bus.managerCalls(QStringLiteral("ActivateConnection")).size(), 1u);
    const QString active = QStringLiteral("/org/freedesktop/NetworkManager/ActiveConnection/Dial");

    bus.setDeviceState(device, 40, 30, 0);  // prepare
    bus.setDeviceState(device, 50, 40, 0);  // config
    bus.setDeviceState(device, 60, 50, 0);  // need-auth
    bus.setDeviceState(device, 50, 60, 0);  // config again: a line of its own
    bus.setDeviceState(device, 70, 50, 0);  // ip-config
    bus.setDeviceState(device, 100, 70, 0); // activated: the connection's own state says it
    bus.setActiveState(active, 2, 0);
    ASSERT_TRUE(QTest::qWaitFor(ended, 5000));

    EXPECT_EQ(states(), (std::vector<uint32_t>{0, 2, 5, 2, 10, 8192}));
    for (const Progress& p : progress)
        EXPECT_EQ(p.handle, handle);
    EXPECT_EQ(remote.GetConnectStatus(handle), 0u);

    bus.run(QStringLiteral("main.RemoveActiveConnection('%1', '%2')").arg(device, active));
    EXPECT_EQ(remote.GetConnectStatus(handle), dialup::kInvalidHandle);
}

TEST_F(NmBackendTest, FailedDialEndsDisconnectedWithNetworkManagersReason) {
    struct Case {
        int deviceReason; // -1: the device says nothing
        uint activeReason;
        const char* text;
    };
    const Case cases[] = {
        {43, 3, "The modem could not be found"},
        {-1, 9, "Secrets were required, but not provided"},
        {-1, 10, "The login to the server failed"},
    };
    bus.activationStaysActivating(device);
    for (const Case& c : cases) {
        progress.clear();
        ConnectionHandle handle = 0;
        ASSERT_EQ(remote.Dial(QStringLiteral("Office DSL"), {}, {}, recordProgress, handle), 0u);
        const QString active =
            QStringLiteral("/org/freedesktop/NetworkManager/ActiveConnection/Dial");
        if (c.deviceReason >= 0)
            bus.setDeviceState(device, 120, 50, static_cast<uint>(c.deviceReason));
        bus.setActiveState(active, 4, c.activeReason);
        ASSERT_TRUE(QTest::qWaitFor(ended, 5000)) << c.text;
        EXPECT_EQ(progress.back().state, 8193u);
        EXPECT_EQ(remote.GetErrorText(progress.back().error, dialup::kLongErrorText),
                  QString::fromUtf8(c.text));
        bus.run(QStringLiteral("main.RemoveActiveConnection('%1', '%2')").arg(device, active));
    }
}

TEST_F(NmBackendTest, TypedCredentialsGoToATemporaryCopyNeverToTheStoredProfile) {
    bus.activationStaysActivating(device);
    ConnectionHandle handle = 0;
    ASSERT_EQ(remote.Dial(QStringLiteral("Office DSL"), QStringLiteral("alice"),
                          QStringLiteral("s3cret"), recordProgress, handle),
              0u);

    const QStringList calls = bus.managerCalls(QStringLiteral("AddAndActivateConnection2"));
    ASSERT_EQ(calls.size(), 1u);
    const QString call = calls[0];
    EXPECT_TRUE(call.contains("'username'): dbus.String('alice'")) << call.toStdString();
    EXPECT_TRUE(call.contains("'password'): dbus.String('s3cret'")) << call.toStdString();
    EXPECT_TRUE(call.contains("'persist'): dbus.String('volatile'")) << call.toStdString();
    EXPECT_TRUE(call.contains("dbus.UInt32(16843009)")) << "the rest of the profile goes along";
    EXPECT_FALSE(call.contains("uuid-Office DSL")) << "the copy is a profile of its own";
    EXPECT_TRUE(bus.managerCalls(QStringLiteral("ActivateConnection")).isEmpty());

    const QString stored =
        bus.run(QStringLiteral("ret = repr(get_object('%1').settings)").arg(office));
    EXPECT_TRUE(stored.contains("stored-user"));
    EXPECT_FALSE(stored.contains("alice"));
    EXPECT_FALSE(stored.contains("s3cret"));
    EXPECT_EQ(remote.EnumEntries().names, QStringList({"Office DSL"}))
        << "the copy is not an entry";
}

TEST_F(NmBackendTest, ConnectionEditorStartsWithoutWaitingOrSaysItIsMissing) {
    const QString bin = bus.folder() + QStringLiteral("/bin");
    QDir().mkpath(bin);
    const QString record = bus.folder() + QStringLiteral("/editor-args");
    QFile script(bin + QStringLiteral("/nm-connection-editor"));
    ASSERT_TRUE(script.open(QIODevice::WriteOnly));
    script.write(QStringLiteral("#!/bin/sh\necho \"$@\" >> '%1'\n").arg(record).toUtf8());
    script.close();
    script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const QByteArray oldPath = qgetenv("PATH");

    qputenv("PATH", bin.toUtf8());
    EXPECT_EQ(remote.EditEntry(nullptr, QStringLiteral("Office DSL")), 0u);
    EXPECT_EQ(remote.CreateEntry(nullptr), 0u);
    const auto lines = [&] {
        QFile f(record);
        return f.open(QIODevice::ReadOnly)
                   ? QString::fromUtf8(f.readAll()).split(u'\n', Qt::SkipEmptyParts)
                   : QStringList();
    };
    EXPECT_TRUE(QTest::qWaitFor([&] { return lines().size() == 2; }, 5000));
    EXPECT_TRUE(lines().contains(QStringLiteral("--edit uuid-Office DSL")));
    EXPECT_TRUE(lines().contains(QStringLiteral("--create")));

    qputenv("PATH", (bus.folder() + QStringLiteral("/nothing")).toUtf8());
    const RasCode missing = remote.CreateEntry(nullptr);
    qputenv("PATH", oldPath);
    EXPECT_NE(missing, 0u);
    EXPECT_EQ(remote.GetErrorText(missing, dialup::kShortErrorText),
              QStringLiteral("The connection editor (nm-connection-editor) is not installed"));
}

// The time-out is lowered so that the test does not wait the five seconds a real service gets.
TEST_F(NmBackendTest, AServiceThatDoesNotAnswerTimesOut) {
    EXPECT_EQ(remote.callTimeout(), std::chrono::milliseconds(5000));
    bus.run(QStringLiteral("get_object('/org/freedesktop/NetworkManager/Settings').AddMethod("
                           "'org.freedesktop.NetworkManager.Settings', 'ListConnections', '', 'ao',"
                           " 'import time\\ntime.sleep(30)\\nret = []')"));
    remote.setCallTimeout(std::chrono::milliseconds(200));
    QElapsedTimer waited;
    waited.start();
    const dialup::EntryList list = remote.EnumEntries();
    EXPECT_LT(waited.elapsed(), 1500);
    EXPECT_EQ(remote.GetErrorText(list.code, dialup::kShortErrorText),
              QStringLiteral("NetworkManager did not answer in time"));
}

// Without NetworkManager, or without a system bus at all, every operation says so plainly.
TEST(NmBackendWithoutService, EveryOperationSaysWhatIsMissing) {
    for (const bool busToo : {false, true}) {
        NmMockBus bus(NmMockBus::BusOnly);
        ASSERT_TRUE(bus.ok()) << bus.error().toStdString();
        if (busToo) // the address names a socket nobody listens on
            qputenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=" + bus.folder().toUtf8() + "/none");
        const QString expected =
            busToo ? QStringLiteral("The system message bus cannot be reached, so NetworkManager "
                                    "cannot be asked")
                   : QStringLiteral("NetworkManager is not running");
        NetworkManagerAccess remote;
        ConnectionHandle handle = 0;
        const RasCode codes[] = {
            remote.EnumEntries().code,
            remote.EnumConnections().code,
            remote.Dial(QStringLiteral("Office DSL"), {}, {}, recordProgress, handle),
            remote.EditEntry(nullptr, QStringLiteral("Office DSL")),
        };
        for (const RasCode code : codes)
            EXPECT_EQ(remote.GetErrorText(code, dialup::kLongErrorText), expected);
        EXPECT_EQ(handle, 0u);
        EXPECT_EQ(dialup::CurrentIpAddress(remote), QString());
    }
}

} // namespace
