#pragma once

#include "core/smtp/tcp_connection.h"

#include <chrono>
#include <string>
#include <vector>

// One reply of the server: its lines, trimmed, and the numeric code of the last line.
struct SmtpReply {
    std::vector<std::string> lines;
    int code = 0;
    const std::string& lastLine() const;
};

// Reads the server's replies. A reply is one line, or, when the first line has "-" as its
// fourth character, every line up to the one that starts with the same three characters and a
// blank (or up to a line shorter than four characters). Lines are trimmed of surrounding blanks
// and empty lines are skipped.
class ReplyReader {
public:
    // A reply longer than this many lines (blank lines included) is refused.
    static constexpr size_t kMaxLines = 1000;

    explicit ReplyReader(TcpConnection& connection) : connection_(connection) {}

    // Reads one reply within timeout, checked before every line, buffered or not. Connection
    // failures throw as TcpConnection::readLine does; a passed deadline closes the connection
    // and throws EIdSocketError (ETIMEDOUT); a reply over kMaxLines lines closes it and throws
    // EIdProtocolReplyError with code 0.
    SmtpReply read(std::chrono::milliseconds timeout);

private:
    TcpConnection& connection_;
};

// The reply code of one line: its first three characters as a number, 0 when they are not
// all digits.
int replyCodeOf(const std::string& line);
