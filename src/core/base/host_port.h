#pragma once

// A server setting as the user writes it: "host", "host:port", "[IPv6]:port", "[IPv6]", or a
// bare IPv6 address such as "2001:db8::1" (which has no room for a port). Blanks and Tabs around
// the setting are ignored. The sending server and the incoming server are read by this one
// rule; each side adds its own default port, encryption and error type.

#include "core/base/blanks.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

struct HostPort {
    std::string host;             // without brackets
    std::optional<uint16_t> port; // none when the setting names no port
};

struct HostPortReading {
    HostPort value;
    // Empty when the setting is sound; otherwise why not, worded to follow the setting in a
    // message: The mail server "x:0" has no valid port number.
    std::string_view problem;
};

namespace host_port_detail {

// 1 to 65535, digits only (no sign, no blank).
constexpr std::optional<uint16_t> portNumber(std::string_view text) {
    if (text.empty() || text.size() > 5)
        return std::nullopt;
    unsigned value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + static_cast<unsigned>(c - '0');
    }
    if (value == 0 || value > 65535)
        return std::nullopt;
    return static_cast<uint16_t>(value);
}

// A blank, a control byte or a URL's separators can be in no host name nor address; the
// incoming server's host goes into a URL, where they would change what is asked for.
constexpr bool hostCharacter(char c) {
    return static_cast<unsigned char>(c) > ' ' && c != '/' && c != '@' && c != '?' && c != '#' &&
           c != '[' && c != ']' && c != '\\';
}

} // namespace host_port_detail

inline HostPortReading readHostPort(std::string_view setting) {
    using namespace host_port_detail;
    const std::string_view s = trimmed(setting, blanks::spaceOrTab);
    HostPortReading reading;
    std::string_view host;
    std::string_view rest; // ":port" or empty
    if (!s.empty() && s.front() == '[') {
        const size_t close = s.find(']');
        if (close == std::string_view::npos)
            return {{}, "has an opening bracket without a closing one"};
        host = s.substr(1, close - 1);
        rest = s.substr(close + 1);
        if (!rest.empty() && rest.front() != ':')
            return {{}, "has text after the closing bracket"};
    } else {
        const size_t colon = s.find(':');
        // Two colons or more: a bare IPv6 address.
        if (colon == std::string_view::npos || s.find(':', colon + 1) != std::string_view::npos) {
            host = s;
        } else {
            host = s.substr(0, colon);
            rest = s.substr(colon);
        }
    }
    if (host.empty())
        return {{}, "names no host"};
    for (const char c : host)
        if (!hostCharacter(c))
            return {{}, "is not a host name"};
    reading.value.host = std::string(host);
    if (!rest.empty()) {
        reading.value.port = portNumber(rest.substr(1));
        if (!reading.value.port)
            return {{}, "has no valid port number"};
    }
    return reading;
}
