#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// The incoming server setting: "host", "host:port", "[IPv6]:port" or a bare IPv6 address.
// 993 is TLS from the first byte; any other port must offer STARTTLS (143 by default). A
// password never goes over an unencrypted connection.
struct InboxServer {
    std::string host; // without brackets
    uint16_t port = 993;
    // TLS from the first byte; otherwise STARTTLS. The port decides (993), unless told.
    bool implicitTls = true;
    // "host:port" as the user would write it, for messages.
    std::string display() const;
    // The libcurl URL of the server's root: imaps:// for 993, imap:// (with STARTTLS) otherwise.
    std::string url() const;
};

// Read by the rule of core/base/host_port.h; throws EInboxError naming what is wrong.
InboxServer parseInboxServer(std::string_view setting);
