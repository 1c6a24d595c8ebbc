#include "dialup/nm_codes.h"

#include <iterator>

namespace dialup::nm {

namespace {

// Device states during an activation and the remote-access state each is shown as. The device
// walks these in order; the active connection's own end (activated, deactivated) gives 8192 and
// 8193.
struct ProgressStep {
    uint32_t deviceState;
    uint32_t rasState;
};
constexpr ProgressStep kProgress[] = {
    {40, 0},  // prepare: "Opening Port"
    {50, 2},  // config: "Connecting Device"
    {60, 5},  // need-auth: "Starting Authentication"
    {70, 10}, // ip-config: "Projection Phase Started"
    {80, 18}, // ip-check: "Projected"
    {90, 21}, // secondaries (a VPN over this connection): "Logon Network"
};

struct CodeText {
    uint32_t code;
    const char* text;
};

constexpr CodeText kOwnTexts[] = {
    {kNoBus, "The system message bus cannot be reached, so NetworkManager cannot be asked"},
    {kNotRunning, "NetworkManager is not running"},
    {kAccessDenied, "NetworkManager refused the request: permission denied"},
    {kTimedOut, "NetworkManager did not answer in time"},
    {kRefused, "NetworkManager could not carry out the request"},
    {kNoSuchEntry, "There is no NetworkManager connection of that name"},
    {kUnknownHandle, "The connection handle is not known"},
    {kNoAddress, "The connection has no IPv4 address"},
    {kEditorMissing, "The connection editor (nm-connection-editor) is not installed"},
    {kEditorFailed, "The connection editor could not be started"},
    {kStoppedWhileDialling, "NetworkManager stopped while the connection was being made"},
};

// NetworkManager's reasons for the end of an active connection, by number.
constexpr const char* kActiveReasons[] = {
    "The connection ended for an unknown reason",                 // 0
    "The connection ended",                                       // 1
    "The connection was disconnected by the user",                // 2
    "The device the connection used was disconnected",            // 3
    "The service providing the connection was stopped",           // 4
    "The IP configuration of the connection was invalid",         // 5
    "The connection attempt timed out",                           // 6
    "The service providing the connection did not start in time", // 7
    "The service providing the connection failed to start",       // 8
    "Secrets were required, but not provided",                    // 9
    "The login to the server failed",                             // 10
    "The connection was deleted from the settings",               // 11
    "A connection this one depends on failed",                    // 12
    "The software device of the connection could not be created", // 13
    "The device the connection depended on disappeared",          // 14
};

// NetworkManager's reasons for a device's change of state, by number.
constexpr const char* kDeviceReasons[] = {
    "No reason given",                                       // 0
    "Unknown error",                                         // 1
    "The device is now managed",                             // 2
    "The device is now unmanaged",                           // 3
    "The device could not be readied for configuration",     // 4
    "No IP configuration could be obtained",                 // 5
    "The IP configuration is no longer valid",               // 6
    "Secrets were required, but not provided",               // 7
    "The 802.1X supplicant disconnected",                    // 8
    "The 802.1X supplicant configuration failed",            // 9
    "The 802.1X supplicant failed",                          // 10
    "The 802.1X supplicant took too long to authenticate",   // 11
    "The PPP service failed to start",                       // 12
    "The PPP service disconnected",                          // 13
    "The PPP service failed",                                // 14
    "The DHCP client failed to start",                       // 15
    "DHCP client error",                                     // 16
    "The DHCP client failed",                                // 17
    "The shared connection service failed to start",         // 18
    "The shared connection service failed",                  // 19
    "The AutoIP service failed to start",                    // 20
    "AutoIP service error",                                  // 21
    "The AutoIP service failed",                             // 22
    "The line is busy",                                      // 23
    "There is no dial tone",                                 // 24
    "No carrier could be established",                       // 25
    "The dialing request timed out",                         // 26
    "The dialing attempt failed",                            // 27
    "The modem could not be initialized",                    // 28
    "The APN could not be selected",                         // 29
    "The modem is not searching for networks",               // 30
    "Registration with the network was denied",              // 31
    "Registration with the network timed out",               // 32
    "Registration with the network failed",                  // 33
    "The PIN check failed",                                  // 34
    "Firmware the device needs may be missing",              // 35
    "The device was removed",                                // 36
    "NetworkManager went to sleep",                          // 37
    "The device's active connection disappeared",            // 38
    "The device was disconnected by the user",               // 39
    "The carrier or link changed",                           // 40
    "The device's existing connection was assumed",          // 41
    "The supplicant is now available",                       // 42
    "The modem could not be found",                          // 43
    "The Bluetooth connection failed or timed out",          // 44
    "The modem's SIM card is not inserted",                  // 45
    "The modem's SIM PIN is required",                       // 46
    "The modem's SIM PUK is required",                       // 47
    "The modem's SIM is wrong",                              // 48
    "The InfiniBand device does not support connected mode", // 49
    "A dependency of the connection failed",                 // 50
    "A problem with the RFC 2684 Ethernet over ADSL bridge", // 51
    "ModemManager is not running",                           // 52
    "The Wi-Fi network could not be found",                  // 53
    "A secondary connection of the base connection failed",  // 54
    "DCB or FCoE setup failed",                              // 55
    "teamd control failed",                                  // 56
    "The modem failed or is no longer available",            // 57
    "The modem is now ready and available",                  // 58
    "The SIM PIN was incorrect",                             // 59
    "A new connection activation was enqueued",              // 60
    "The device's parent changed",                           // 61
    "The device parent's management changed",                // 62
    "Open vSwitch database connection failed",               // 63
    "A duplicate IP address was detected",                   // 64
    "The selected IP method is not supported",               // 65
    "Configuration of SR-IOV parameters failed",             // 66
    "The Wi-Fi P2P peer could not be found",                 // 67
};

template <size_t N> QString reasonText(const char* const (&table)[N], uint32_t reason) {
    if (reason < N)
        return QString::fromUtf8(table[reason]);
    return QStringLiteral("NetworkManager reason #%1").arg(reason);
}

} // namespace

std::optional<uint32_t> progressStateOfDevice(uint32_t deviceState) {
    for (const ProgressStep& step : kProgress)
        if (step.deviceState == deviceState)
            return step.rasState;
    return std::nullopt;
}

uint32_t codeOf(Failure failure) {
    switch (failure) {
    case Failure::None:
        return 0;
    case Failure::NoBus:
        return kNoBus;
    case Failure::NotRunning:
        return kNotRunning;
    case Failure::AccessDenied:
        return kAccessDenied;
    case Failure::TimedOut:
        return kTimedOut;
    case Failure::NoSuchObject:
    case Failure::Refused:
        break;
    }
    return kRefused;
}

QString textOf(uint32_t code) {
    for (const CodeText& own : kOwnTexts)
        if (own.code == code)
            return QString::fromUtf8(own.text);
    // Each reason range is wide enough for the reasons NetworkManager may add later.
    if (code >= kActiveReasonBase && code < kActiveReasonBase + 1000)
        return reasonText(kActiveReasons, code - kActiveReasonBase);
    if (code >= kDeviceReasonBase && code < kDeviceReasonBase + 1000)
        return reasonText(kDeviceReasons, code - kDeviceReasonBase);
    return {};
}

} // namespace dialup::nm
