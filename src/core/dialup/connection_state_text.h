#pragma once

#include <cstdint>
#include <string>

// The display text of a dial-up connection state, as the dialer lists each dial's progress.
// The numbers are those of the remote-access connection-state enumeration; 8192 is connected
// and 8193 disconnected. 22 and 23 have an empty text; any number without a text of its own
// gives "Connection state #" and the number.
namespace dialup {

inline constexpr uint32_t kStateConnected = 8192;
inline constexpr uint32_t kStateDisconnected = 8193;

std::string ConnectionStateText(uint32_t state);

} // namespace dialup
