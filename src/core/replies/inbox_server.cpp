#include "core/replies/inbox_server.h"

#include "core/replies/inbox_error.h"

#include <algorithm>
#include <charconv>

namespace {

[[noreturn]] void refuse(std::string_view setting, const char* reason) {
    throw EInboxError("The incoming mail server \"" + std::string(setting) + "\" " + reason + ".");
}

uint16_t portOf(std::string_view setting, std::string_view text) {
    unsigned value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || value < 1 ||
        value > 65535)
        refuse(setting, "has a port that is not a number from 1 to 65535");
    return static_cast<uint16_t>(value);
}

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

} // namespace

std::string InboxServer::display() const {
    const bool v6 = host.find(':') != std::string::npos;
    return (v6 ? "[" + host + "]" : host) + ":" + std::to_string(port);
}

std::string InboxServer::url() const {
    const bool v6 = host.find(':') != std::string::npos;
    return std::string(implicitTls ? "imaps://" : "imap://") + (v6 ? "[" + host + "]" : host) +
           ":" + std::to_string(port) + "/";
}

InboxServer parseInboxServer(std::string_view setting) {
    const std::string_view s = trimmed(setting);
    InboxServer server;
    if (!s.empty() && s.front() == '[') {
        const size_t close = s.find(']');
        if (close == std::string_view::npos)
            refuse(setting, "has an unclosed bracket");
        server.host = std::string(s.substr(1, close - 1));
        const std::string_view rest = s.substr(close + 1);
        if (!rest.empty()) {
            if (rest.front() != ':')
                refuse(setting, "has text after its bracket");
            server.port = portOf(setting, rest.substr(1));
        }
    } else if (std::count(s.begin(), s.end(), ':') > 1) {
        server.host = std::string(s); // a bare IPv6 address carries no port
    } else {
        const size_t colon = s.find(':');
        server.host = std::string(s.substr(0, colon));
        if (colon != std::string_view::npos)
            server.port = portOf(setting, s.substr(colon + 1));
    }
    for (char c : server.host)
        if (static_cast<unsigned char>(c) <= ' ' || c == '/' || c == '@' || c == '?' || c == '#')
            refuse(setting, "is not a host name");
    if (server.host.empty())
        refuse(setting, "names no host");
    server.implicitTls = server.port == 993;
    return server;
}
