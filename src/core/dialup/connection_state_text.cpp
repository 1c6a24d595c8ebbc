#include "core/dialup/connection_state_text.h"

namespace dialup {

std::string ConnectionStateText(uint32_t state) {
    static const char* const kFirst[] = {
        "Opening Port",
        "Port Opened",
        "Connecting Device",
        "Device Connected",
        "All Devices Connected",
        "Starting Authentication",
        "Authentication Notify",
        "Authentication Retry",
        "Callback Requested",
        "Change Password Requested",
        "Projection Phase Started",
        "Link Speed Calculation",
        "Authentication Acknowledged",
        "Reauthentication Started",
        "Authenticated",
        "Preparation For Callback",
        "Waiting For Modem Reset",
        "Waiting For Callback",
        "Projected",
        "Start Authentication",
        "Callback Complete",
        "Logon Network",
        "",
        "",
    };
    static const char* const kPaused[] = {
        "Interactive",
        "Retry Authentication",
        "Callback Set By Caller",
        "Password Expired",
    };
    constexpr uint32_t kFirstCount = sizeof kFirst / sizeof *kFirst;
    constexpr uint32_t kPausedCount = sizeof kPaused / sizeof *kPaused;
    if (state < kFirstCount)
        return kFirst[state];
    if (state >= 4096 && state < 4096 + kPausedCount)
        return kPaused[state - 4096];
    if (state == kStateConnected)
        return "Connected";
    if (state == kStateDisconnected)
        return "Disconnected";
    return "Connection state #" + std::to_string(state);
}

} // namespace dialup
