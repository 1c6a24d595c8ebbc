#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Where the mail server is and how the connection to it is encrypted.
//
// The server setting is read by the rule of core/base/host_port.h: "mail.example.com",
// "mail.example.com:587", "192.0.2.1:465", "[2001:db8::1]:587", "[2001:db8::1]", or a bare IPv6
// address "2001:db8::1" (which cannot carry a port). A setting without a port keeps the
// client's default port, so stored settings of a bare host go on meaning port 25.

enum class SmtpTls {
    // TLS from the first byte, before the greeting (port 465).
    Implicit,
    // STARTTLS after the first EHLO; a server that does not offer it is refused (port 587).
    Required,
    // STARTTLS when the server's EHLO reply offers it; otherwise the dialogue stays in clear.
    WhenOffered,
};

struct ServerAddress {
    // Without brackets: a host name, or an IPv4 or IPv6 address literal.
    std::string host;
    uint16_t port = 25;
};

// Splits the setting into host and port. Throws EIdBadServerAddress for an empty host, an
// unclosed bracket, or a port that is not a number from 1 to 65535.
ServerAddress parseServerAddress(std::string_view setting, uint16_t defaultPort);

// The encryption a port calls for: 465 is implicit TLS, 587 requires STARTTLS, every other
// port uses STARTTLS whenever the server offers it.
SmtpTls tlsForPort(uint16_t port);
