#pragma once

#include "core/smtp/tcp_connection.h"

#include <string_view>

// Writes commands to the server: the command text followed by CR LF. A command holding a CR or
// LF is refused with EIdLineBreakInValue before any byte of it is buffered, so an address or a
// user id can never end one command early and start another.
class CommandWriter {
public:
    explicit CommandWriter(TcpConnection& connection) : connection_(connection) {}

    // `what` names the value for the error text ("the sender address").
    void write(std::string_view command, std::string_view what = "the command");

private:
    TcpConnection& connection_;
};

// Throws EIdLineBreakInValue naming `what` when value holds a CR or LF.
void refuseLineBreaks(std::string_view value, std::string_view what);
