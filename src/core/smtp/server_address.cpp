#include "core/smtp/server_address.h"

#include "core/smtp/smtp_errors.h"

namespace {

[[noreturn]] void refuse(std::string_view setting, const char* why) {
    throw EIdBadServerAddress("The mail server \"" + std::string(setting) + "\" " + why +
                              ". Write a host name with an optional port, for example "
                              "mail.example.com:587 or [2001:db8::1]:587.");
}

uint16_t portNumber(std::string_view setting, std::string_view text) {
    if (text.empty() || text.size() > 5)
        refuse(setting, "has no valid port number");
    unsigned value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            refuse(setting, "has no valid port number");
        value = value * 10 + static_cast<unsigned>(c - '0');
    }
    if (value == 0 || value > 65535)
        refuse(setting, "has no valid port number");
    return static_cast<uint16_t>(value);
}

} // namespace

ServerAddress parseServerAddress(std::string_view setting, uint16_t defaultPort) {
    ServerAddress where;
    where.port = defaultPort;
    std::string_view rest;
    if (!setting.empty() && setting.front() == '[') {
        const size_t close = setting.find(']');
        if (close == std::string_view::npos)
            refuse(setting, "has an opening bracket without a closing one");
        where.host = setting.substr(1, close - 1);
        rest = setting.substr(close + 1);
        if (!rest.empty() && rest.front() != ':')
            refuse(setting, "has text after the closing bracket");
    } else {
        const size_t colon = setting.find(':');
        // Two colons or more: a bare IPv6 address, which has no room for a port.
        if (colon == std::string_view::npos || setting.find(':', colon + 1) != setting.npos) {
            where.host = setting;
        } else {
            where.host = setting.substr(0, colon);
            rest = setting.substr(colon);
        }
    }
    if (where.host.empty())
        refuse(setting, "names no host");
    if (!rest.empty())
        where.port = portNumber(setting, rest.substr(1));
    return where;
}

SmtpTls tlsForPort(uint16_t port) {
    switch (port) {
    case 465:
        return SmtpTls::Implicit;
    case 587:
        return SmtpTls::Required;
    default:
        return SmtpTls::WhenOffered;
    }
}
