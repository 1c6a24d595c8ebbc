#pragma once

#include "core/smtp/header_form.h"
#include "core/smtp/message.h"
#include "core/smtp/reply_reader.h"
#include "core/smtp/server_address.h"
#include "core/smtp/smtp_errors.h"
#include "core/smtp/tcp_connection.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// The SMTP client: delivers one TIdMessage to one server over TCP, with optional LOGIN
// authentication, encrypted with TLS where the port asks for it or the server offers it.
// Every call blocks until the dialogue step is done or fails.
//
// Encryption: on port 465 the connection is TLS from the start; on any other port the client
// sends STARTTLS when the server's EHLO reply offers it, then EHLO again and forgets everything
// the server said before; on port 587 a server that does not offer it is refused. The server's
// certificate must chain to a trusted authority and name the host. A password is never sent
// over a connection that is not encrypted: Send refuses instead. A server that offers no
// STARTTLS gets the same clear-text dialogue as ever when no password is involved.
//
// Use:
//     TIdSMTP smtp;                       // lives as long as its window
//     smtp.AuthenticationType = TIdSMTPAuthenticationType::atLogin;
//     smtp.UserId = "user"; smtp.Password = "secret";
//     if (smtp.Connected()) smtp.Disconnect();   // an earlier attempt may have left it open
//     TIdMessage msg;
//     msg.From.Address = "me@example.com";
//     msg.Recipients.SetEMailAddresses("gateway@sms.example");
//     msg.BccList.SetEMailAddresses("copy1@example.com, copy2@example.com");
//     msg.Subject = "Tallyminder v.1.0.0.1";
//     msg.Body = {"line 1", "line 2"};
//     msg.Date = now;                      // days since 30/12/1899; 0 means "now"
//     smtp.Host = "mail.example.com";
//     smtp.Connect();                      // greeting and EHLO (or HELO)
//     smtp.Send(msg);                      // the whole transaction; returns once accepted
//     smtp.Disconnect();                   // "Quit", then close
//
// Failures (smtp/smtp_errors.h):
// - EIdSocketError: name not resolved, connection refused or broken, or a time-out expired;
// - EIdProtocolReplyError: the server answered a step with another code than it accepts;
// - EIdConnClosedGracefully: the server closed the connection while a reply was awaited; the
//   text names the step;
// - EIdDeliveryUnconfirmed: the message went out whole, final "." included, and no usable
//   reply came (the server may have taken it; never an EIdSocketError, so nobody resends it
//   as if the machine had been offline);
// - EIdLineBreakInValue: an address, the subject, a header value, the user id or the password
//   holds a CR or LF; refused before any command of the transaction is sent;
// - EIdTLSError: the certificate was refused or the handshake failed (in Connect), or the
//   connection is not encrypted where it must be (in Connect for port 587, in Send before a
//   password would go out); the text names the reason;
// - EIdBadServerAddress: Host holds a port that is not a number from 1 to 65535.
// A reply of 421 (the server is closing) ends the session at any step, also where any code
// is accepted: the connection is closed and EIdProtocolReplyError carries the server's line.
// A failure inside Connect closes the connection. Inside Send, a reply error (or a refused
// value) leaves it open and in step, so the caller disconnects before trying again; a socket
// failure, a time-out or a closed connection leaves nothing usable, so the socket is closed.

enum class TIdSMTPAuthenticationType { atNone, atLogin };

// How long each step may wait. The defaults follow RFC 5321, section 4.5.3.2.
struct SmtpTimeouts {
    std::chrono::milliseconds connect = std::chrono::seconds(30);
    std::chrono::milliseconds greeting = std::chrono::minutes(5);
    // EHLO, HELO, RSET and the authentication steps.
    std::chrono::milliseconds command = std::chrono::minutes(5);
    std::chrono::milliseconds mailFrom = std::chrono::minutes(5);
    std::chrono::milliseconds rcptTo = std::chrono::minutes(5);
    // The reply to "Data".
    std::chrono::milliseconds dataStart = std::chrono::minutes(2);
    // Longest time a write may go without the server taking any bytes.
    std::chrono::milliseconds dataBlock = std::chrono::minutes(3);
    // The whole TLS handshake.
    std::chrono::milliseconds handshake = std::chrono::minutes(2);
    // The reply to the final ".".
    std::chrono::milliseconds dataEnd = std::chrono::minutes(10);
};

// What the client takes from the system; tests replace it.
struct SmtpEnvironment {
    // The local date-time now (days since 30/12/1899 plus the fraction of the day).
    std::function<double()> Now = systemNow;
    // The offset from UTC, in minutes, in force at a local date-time.
    std::function<int(double)> UtcOffsetMinutes = systemUtcOffsetMinutes;
    // The locale that names the system's language (LC_ALL, LC_MESSAGES, LANG).
    std::string LocaleName = systemLocaleName();
    // The name given in EHLO and HELO; empty means this machine's host name.
    std::string LocalName;
    // Whether the connection's other end is this machine, where a password may go unencrypted
    // (tests stand a loopback server in for a distant one).
    std::function<bool(const TcpConnection&)> PeerIsThisMachine = [](const TcpConnection& c) {
        return c.peerIsLoopback();
    };
    // A PEM file of the authorities trusted for the server's certificate; empty means the
    // system's trust store (OpenSSL's default verify paths: SSL_CERT_FILE, SSL_CERT_DIR).
    std::string TrustFile;
};

class TIdSMTP {
public:
    // The server: "host", "host:port" or "[IPv6]:port" (the mail server setting as it stands).
    std::string Host;
    // The port when Host names none.
    uint16_t Port = 25;
    // How the connection is encrypted; unset, the port decides (tlsForPort).
    std::optional<SmtpTls> UseTLS;
    TIdSMTPAuthenticationType AuthenticationType = TIdSMTPAuthenticationType::atNone;
    std::string UserId;
    std::string Password;
    // Written as the "X-Mailer" header when not empty.
    std::string MailAgent;
    SmtpTimeouts Timeouts;
    SmtpEnvironment Environment;
    // Called in Send when the whole message but its final "." has been written: what must be
    // on disk before the server may hold the message. When it throws, the connection is closed
    // without the final ".", so the server never takes the message, and Send throws that.
    std::function<void()> BeforeDataEnd;

    TIdSMTP() = default;
    ~TIdSMTP();
    TIdSMTP(const TIdSMTP&) = delete;
    TIdSMTP& operator=(const TIdSMTP&) = delete;

    // True while the socket is open.
    bool Connected() const { return connection_.isOpen(); }
    // True while the connection is encrypted.
    bool Encrypted() const { return connection_.isEncrypted(); }
    // Opens the connection to Host (and Port), reads the greeting (220) and introduces this
    // machine with EHLO, falling back to HELO; encrypts the connection as described above.
    // Throws EIdAlreadyConnected when already connected.
    void Connect();
    // One mail transaction: RSET, LOGIN authentication when asked for and announced, MAIL,
    // one RCPT per address of Recipients, CCList and BccList, DATA with the header lines and
    // the body, and the final ".". Sets the message's "X-Mailer" extra header to MailAgent.
    // Throws EIdNotConnected when not connected.
    void Send(TIdMessage& message);
    // Sends "Quit" when connected and closes the socket at once, without waiting for the
    // reply. Never throws: a connection that already broke is simply closed.
    void Disconnect() noexcept;

    // The only members another thread may call while Connect or Send runs: Cancel ends the
    // step under way at its next wait, and every later step, with EIdSocketError ("Operation
    // canceled"), as a broken connection would (after the final "." it is
    // EIdDeliveryUnconfirmed, as ever). It stands until ResetCancel.
    void Cancel() noexcept { connection_.cancel(); }
    void ResetCancel() noexcept { connection_.resetCancel(); }

    // Authentication schemes announced in the last EHLO reply, upper case, without duplicates.
    const std::vector<std::string>& AuthSchemesSupported() const { return authSchemes_; }
    // True once this connection has authenticated.
    bool DidAuthenticate() const { return didAuthenticate_; }
    // The last reply read from the server.
    const SmtpReply& LastReply() const { return lastReply_; }

    // The DATA content for a message as it goes over the wire, from the header lines to the
    // final ".", dot-stuffed and with CR LF line ends. The Date header uses Environment.
    std::string DataContent(const TIdMessage& message) const;

private:
    // awaited names the step for a hang-up: "its answer to RSET".
    SmtpReply command(std::string_view text, int expectedCode, std::chrono::milliseconds timeout,
                      const std::string& awaited, std::string_view what = "the command");
    SmtpReply readReply(int expectedCode, std::chrono::milliseconds timeout,
                        const std::string& awaited);
    void authenticate();
    // LOGIN is asked for, announced, and not yet done on this connection.
    bool willAuthenticate() const;
    // EHLO (HELO when refused), noting the announced schemes and whether STARTTLS is offered.
    void introduce(const std::string& localName);
    void startTls(const std::string& host);
    void refuseUnsafeValues(const TIdMessage& message) const;
    std::string headerBlock(const TIdMessage& message) const;
    // The header lines, the empty line and the body; not the final ".".
    template <class Sink> void writeData(const TIdMessage& message, Sink&& sink) const;

    TcpConnection connection_;
    ReplyReader reader_{connection_};
    std::vector<std::string> authSchemes_;
    bool didAuthenticate_ = false;
    bool offersStartTls_ = false;
    SmtpReply lastReply_;
};
