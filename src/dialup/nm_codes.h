#pragma once

#include "dialup/nm_bus.h"

#include <QString>

#include <cstdint>
#include <optional>

// What the NetworkManager backend tells the dial-up window: the connection states its progress
// lines show, and the codes (with their texts) of every failure. The tables live in
// nm_codes.cpp, in one place, and README.md describes them.

namespace dialup::nm {

// Codes of the backend's own failures. Far from the remote-access layer's own (9001 to 9003) and
// from 6, which means "the connection is gone".
inline constexpr uint32_t kNoBus = 20001;
inline constexpr uint32_t kNotRunning = 20002;
inline constexpr uint32_t kAccessDenied = 20003;
inline constexpr uint32_t kTimedOut = 20004;
inline constexpr uint32_t kRefused = 20005;
inline constexpr uint32_t kNoSuchEntry = 20006;
inline constexpr uint32_t kUnknownHandle = 20007;
inline constexpr uint32_t kNoAddress = 20008;
inline constexpr uint32_t kEditorMissing = 20009;
inline constexpr uint32_t kEditorFailed = 20010;
inline constexpr uint32_t kStoppedWhileDialling = 20011;

// A connection that ended: 21000 plus NetworkManager's reason for the active connection's end,
// or 22000 plus the reason its device gave when it failed (the more precise one, when known).
inline constexpr uint32_t kActiveReasonBase = 21000;
inline constexpr uint32_t kDeviceReasonBase = 22000;

// Remote-access connection states the progress lines show.
inline constexpr uint32_t kStateConnected = 8192;
inline constexpr uint32_t kStateDisconnected = 8193;

// NetworkManager's active-connection states.
inline constexpr uint32_t kActiveActivating = 1;
inline constexpr uint32_t kActiveActivated = 2;
inline constexpr uint32_t kActiveDeactivating = 3;
inline constexpr uint32_t kActiveDeactivated = 4;

// NetworkManager's device state that means the device failed.
inline constexpr uint32_t kDeviceFailed = 120;

// The remote-access state a device state is shown as while dialling; none for the states that
// say nothing about the dial's progress (unmanaged, disconnected, activated, failed, ...).
std::optional<uint32_t> progressStateOfDevice(uint32_t deviceState);

// The code of a call failure.
uint32_t codeOf(Failure failure);

// The text of one of the backend's codes; empty when the code is not one of them.
QString textOf(uint32_t code);

} // namespace dialup::nm
