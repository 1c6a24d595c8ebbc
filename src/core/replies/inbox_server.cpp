#include "core/replies/inbox_server.h"

#include "core/base/host_port.h"
#include "core/replies/inbox_error.h"

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
    const HostPortReading reading = readHostPort(setting);
    if (!reading.problem.empty())
        throw EInboxError("The incoming mail server \"" + std::string(setting) + "\" " +
                          std::string(reading.problem) +
                          ". Write a host name with an optional port, for example "
                          "imap.example.com:993 or [2001:db8::1]:143.");
    InboxServer server;
    server.host = reading.value.host;
    server.port = reading.value.port.value_or(993);
    server.implicitTls = server.port == 993;
    return server;
}
