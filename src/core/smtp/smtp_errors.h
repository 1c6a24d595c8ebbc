#pragma once

#include <stdexcept>
#include <string>

// Failures of the SMTP client. All derive from std::runtime_error so the general error display
// shows what(). The batch send treats EIdSocketError as "the machine is offline" and lets every
// other kind reach the general error display.

// The host name cannot be resolved, the TCP connection cannot be made, a send or receive on the
// socket fails, or a time-out expires. The text is the system's text for the error; errorCode()
// is the errno value (or the getaddrinfo code for a failed look-up, ETIMEDOUT for a time-out).
class EIdSocketError : public std::runtime_error {
public:
    EIdSocketError(const std::string& text, int errorCode)
        : std::runtime_error(text), errorCode_(errorCode) {}
    int errorCode() const noexcept { return errorCode_; }

private:
    int errorCode_;
};

// The socket error for an errno value, with the system's text for it.
EIdSocketError socketErrorFor(int err);

// A reply code differs from the one the step accepts. The text is the last line of the reply
// (for example the server's "550 ..." line); replyCode() is its number. A reply that breaks the
// reader's limits (an overlong line, too many lines) is reported this way too, with code 0.
class EIdProtocolReplyError : public std::runtime_error {
public:
    EIdProtocolReplyError(const std::string& lastLine, int replyCode)
        : std::runtime_error(lastLine), replyCode_(replyCode) {}
    int replyCode() const noexcept { return replyCode_; }

private:
    int replyCode_;
};

// The server closed the connection while a reply was awaited. The client names the step:
// "Connection Closed Gracefully. The server closed the connection while the program waited for
// its answer to RSET."
class EIdConnClosedGracefully : public std::runtime_error {
public:
    EIdConnClosedGracefully() : std::runtime_error("Connection Closed Gracefully.") {}
    explicit EIdConnClosedGracefully(const std::string& awaited)
        : std::runtime_error("Connection Closed Gracefully. The server closed the connection "
                             "while the program waited for " +
                             awaited + ".") {}
};

// The whole message, with its final ".", went to the server, and then no usable reply came:
// the connection broke or closed, the time ran out, or the reply broke the reader's limits.
// The server may have taken the message, so sending it again may deliver it twice. The text
// says what happened.
class EIdDeliveryUnconfirmed : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Connect() on a client that is already connected.
class EIdAlreadyConnected : public std::runtime_error {
public:
    EIdAlreadyConnected() : std::runtime_error("Already connected.") {}
};

// Send() on a client that is not connected.
class EIdNotConnected : public std::runtime_error {
public:
    EIdNotConnected() : std::runtime_error("Not Connected") {}
};

// A value that would become part of a command or a header line holds a CR or LF. It is refused
// before anything of the transaction is sent, so a stored setting can never smuggle in an extra
// command or header.
class EIdLineBreakInValue : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The connection could not be encrypted, or may not stay unencrypted: the server's certificate
// was refused, the TLS handshake failed, or the server offers no encryption where it is needed
// (a password, or a submission port). Nothing of the message or the password was sent.
class EIdTLSError : public std::runtime_error {
public:
    // What the user is told differs by cause; the text keeps the library's words.
    enum class Cause { Other, UntrustedAuthority, HandshakeIncomplete, ClearTextPassword };
    explicit EIdTLSError(const std::string& text, Cause cause = Cause::Other)
        : std::runtime_error(text), cause_(cause) {}
    Cause cause() const { return cause_; }

private:
    Cause cause_;
};

// The mail server setting is not a host with an optional port ("host:port", "[IPv6]:port").
class EIdBadServerAddress : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};
