#include "core/smtp/server_address.h"

#include "core/base/host_port.h"
#include "core/smtp/smtp_errors.h"

ServerAddress parseServerAddress(std::string_view setting, uint16_t defaultPort) {
    const HostPortReading reading = readHostPort(setting);
    if (!reading.problem.empty())
        throw EIdBadServerAddress("The mail server \"" + std::string(setting) + "\" " +
                                  std::string(reading.problem) +
                                  ". Write a host name with an optional port, for example "
                                  "mail.example.com:587 or [2001:db8::1]:587.");
    return {reading.value.host, reading.value.port.value_or(defaultPort)};
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
