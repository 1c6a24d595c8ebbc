#pragma once

#include <cstddef>
#include <string>

// One TLS client session (OpenSSL) over a connected non-blocking socket. It never waits: each
// call says what the socket must become ready for before the call is worth repeating, so the
// owner of the socket keeps every time limit. TLS 1.2 is the oldest version accepted.
//
// The server's certificate must chain to a trusted authority and carry the name the client
// asked for. Failures throw EIdTLSError with a text that names the reason, EIdSocketError for
// a socket failure, and EIdConnClosedGracefully when the server closed the connection after the
// handshake.

struct ssl_st;
struct ssl_ctx_st;

struct TlsOptions {
    // The name the certificate must carry: a host name, or an IPv4 or IPv6 address literal.
    std::string peerName;
    // A PEM file of trusted certificates. Empty: the system's trust store through OpenSSL's
    // default verify paths, which honour SSL_CERT_FILE and SSL_CERT_DIR.
    std::string trustFile;
};

class TlsSession {
public:
    // What the socket must be ready for before the last call can make progress.
    enum class Wait { None, Read, Write };

    TlsSession(int fd, const TlsOptions& options);
    ~TlsSession();
    TlsSession(const TlsSession&) = delete;
    TlsSession& operator=(const TlsSession&) = delete;

    // Advances the handshake; Wait::None once it is complete and the certificate verified.
    Wait handshake();

    // Decrypted bytes, or 0 with `wait` set. Throws EIdConnClosedGracefully at the end of the
    // stream.
    size_t read(char* buffer, size_t size, Wait& wait);
    // Bytes taken (possibly fewer than size), or 0 with `wait` set.
    size_t write(const char* data, size_t size, Wait& wait);

    // Sends the closing alert when the session is still sound; never waits and never throws.
    void shutdown() noexcept;

    // Called by the socket layer under the session: the errno of the last failed socket call.
    int lastSocketError = 0;
    const int fd;

private:
    // The wait an unfinished call asks for; throws for every other outcome.
    Wait failure(int result);

    std::string peerName_;
    ssl_ctx_st* ctx_ = nullptr;
    ssl_st* ssl_ = nullptr;
    bool sound_ = true;
    bool established_ = false;
};
