#pragma once

#include "core/smtp/tls_session.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

// One TCP connection to the mail server over a POSIX socket, with buffered output and a line
// reader, in clear text until startTls() puts a TLS session under both. Every wait has a limit;
// an expired limit is reported as EIdSocketError with the system's "Connection timed out" text.
// All failures throw the client's error types (smtp/smtp_errors.h).
class TcpConnection {
public:
    using Duration = std::chrono::milliseconds;
    using Clock = std::chrono::steady_clock;

    // Longest line the reader accepts, not counting the CR LF that ends it.
    static constexpr size_t kMaxLineLength = 64 * 1024;
    // Output is handed to the socket once this much is buffered, and before every read.
    static constexpr size_t kFlushThreshold = 256 * 1024;

    TcpConnection();
    ~TcpConnection();
    TcpConnection(const TcpConnection&) = delete;
    TcpConnection& operator=(const TcpConnection&) = delete;

    // Resolves host ("LOCALHOST" in any case is 127.0.0.1, a dotted IPv4 address is used as it
    // stands, anything else goes to the host-name service) and connects, trying each address of
    // the name in turn until one answers; the whole attempt is limited by connectTimeout.
    void open(const std::string& host, uint16_t port, Duration connectTimeout);
    bool isOpen() const { return fd_ >= 0; }
    // Closes the socket at once; pending output and unread input are dropped. A sound TLS
    // session sends its closing alert first, without waiting for an answer.
    void close() noexcept;

    // Flushes the output, drops every byte received so far but not yet read (a server must not
    // get lines read as answers after the handshake that it sent before it), and performs the
    // TLS handshake within the deadline. Throws as TlsSession does, and EIdSocketError when the
    // deadline passes; the connection is closed after any failure.
    void startTls(const TlsOptions& options, Clock::time_point deadline);
    bool isEncrypted() const { return tls_ != nullptr; }

    // Longest time a write may go without the server taking any bytes.
    void setSendTimeout(Duration t) { sendTimeout_ = t; }

    // Appends to the output buffer; large buffers go out in big writes.
    void write(std::string_view bytes);
    // Hands everything buffered to the socket.
    void flush();

    // Flushes the output, then returns the next line ended by LF (a CR before the LF is dropped).
    // Throws EIdConnClosedGracefully when the server has closed the connection, EIdSocketError
    // on a socket failure or when the deadline passes, and EIdProtocolReplyError when the line
    // exceeds kMaxLineLength.
    std::string readLine(Clock::time_point deadline);

    // Cancels from any thread: the wait under way, and every later one until resetCancel(),
    // ends at once with EIdSocketError ("Operation canceled"). A host-name look-up under way is
    // not interrupted; the connection attempt after it is refused.
    void cancel() noexcept;
    // Forgets an earlier cancel(); called before a new dialogue begins.
    void resetCancel() noexcept;

    // True when the other end of the connection is this machine (127.0.0.0/8, ::1, or an IPv4
    // loopback address mapped into IPv6): what goes over it never leaves the machine.
    bool peerIsLoopback() const;

    // The host name of this machine as the system reports it, or the address literal of the
    // local end of the connection ("[192.0.2.1]") when the system has none.
    std::string localName() const;

private:
    void sendAll(const char* data, size_t size);
    // Appends at least one received byte to in_, waiting until the deadline.
    void receive(Clock::time_point deadline);
    // Waits until the socket is ready as the TLS session asks; false at the deadline.
    bool awaitTls(TlsSession::Wait wait, Clock::time_point deadline);
    [[noreturn]] void failSocket(int err);

    // Throws the cancel error when cancel() has been called.
    void refuseWhenCancelled() const;

    int fd_ = -1;
    // Readable while a cancel stands; every wait polls it beside the socket.
    int cancelFd_ = -1;
    std::unique_ptr<TlsSession> tls_;
    Duration sendTimeout_ = std::chrono::minutes(3);
    std::string out_;
    std::string in_;
    size_t inStart_ = 0;
};
