#include "core/smtp/tls_session.h"

#include "core/smtp/smtp_errors.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <climits>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>
#include <sys/socket.h>

namespace {

// The socket under the session, read and written with recv and send so that a server that went
// away is an error and never a SIGPIPE that ends the program.
int bioWrite(BIO* bio, const char* data, int size) {
    auto* session = static_cast<TlsSession*>(BIO_get_data(bio));
    BIO_clear_retry_flags(bio);
    const ssize_t n = ::send(session->fd, data, static_cast<size_t>(size), MSG_NOSIGNAL);
    if (n >= 0)
        return static_cast<int>(n);
    if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)
        BIO_set_retry_write(bio);
    else
        session->lastSocketError = errno;
    return -1;
}

int bioRead(BIO* bio, char* buffer, int size) {
    auto* session = static_cast<TlsSession*>(BIO_get_data(bio));
    BIO_clear_retry_flags(bio);
    const ssize_t n = ::recv(session->fd, buffer, static_cast<size_t>(size), 0);
    if (n >= 0)
        return static_cast<int>(n);
    if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)
        BIO_set_retry_read(bio);
    else
        session->lastSocketError = errno;
    return -1;
}

long bioCtrl(BIO*, int cmd, long, void*) {
    return cmd == BIO_CTRL_FLUSH ? 1 : 0;
}

int bioCreate(BIO* bio) {
    BIO_set_init(bio, 1);
    return 1;
}

const BIO_METHOD* socketMethod() {
    // Made once and kept for the life of the program.
    static BIO_METHOD* const method = [] {
        BIO_METHOD* m = BIO_meth_new(BIO_get_new_index() | BIO_TYPE_SOURCE_SINK, "smtp socket");
        BIO_meth_set_write(m, bioWrite);
        BIO_meth_set_read(m, bioRead);
        BIO_meth_set_ctrl(m, bioCtrl);
        BIO_meth_set_create(m, bioCreate);
        return m;
    }();
    return method;
}

bool isAddressLiteral(const std::string& name) {
    unsigned char buf[sizeof(in6_addr)];
    return ::inet_pton(AF_INET, name.c_str(), buf) == 1 ||
           ::inet_pton(AF_INET6, name.c_str(), buf) == 1;
}

std::string verifyReason(long result, const std::string& peerName) {
    switch (result) {
    case X509_V_ERR_HOSTNAME_MISMATCH:
        return "host name does not match (" + peerName + ")";
    case X509_V_ERR_IP_ADDRESS_MISMATCH:
        return "IP address does not match (" + peerName + ")";
    default:
        return X509_verify_cert_error_string(result);
    }
}

const char kNothingSent[] = ". Nothing was sent.";

// The chain does not lead to an authority of the trust store (as against a certificate that
// names another host, or has expired).
bool untrustedAuthority(long result) {
    switch (result) {
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT:
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY:
    case X509_V_ERR_UNABLE_TO_VERIFY_LEAF_SIGNATURE:
    case X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT:
    case X509_V_ERR_SELF_SIGNED_CERT_IN_CHAIN:
    case X509_V_ERR_CERT_UNTRUSTED:
        return true;
    default:
        return false;
    }
}

} // namespace

TlsSession::TlsSession(int socket, const TlsOptions& options) : fd(socket) {
    peerName_ = options.peerName;
    ctx_ = SSL_CTX_new(TLS_client_method());
    if (!ctx_)
        throw EIdTLSError("The secure connection could not be set up (OpenSSL)");
    SSL_CTX_set_min_proto_version(ctx_, TLS1_2_VERSION);
    SSL_CTX_set_verify(ctx_, SSL_VERIFY_PEER, nullptr);
    const bool trusted =
        options.trustFile.empty()
            ? SSL_CTX_set_default_verify_paths(ctx_) == 1
            : SSL_CTX_load_verify_locations(ctx_, options.trustFile.c_str(), nullptr) == 1;
    ERR_clear_error();
    if (!trusted) {
        SSL_CTX_free(ctx_);
        throw EIdTLSError(
            "The trusted certificates could not be read" +
            (options.trustFile.empty() ? std::string() : " from " + options.trustFile) +
            kNothingSent);
    }
    ssl_ = SSL_new(ctx_);
    BIO* bio = ssl_ ? BIO_new(socketMethod()) : nullptr;
    if (!bio) {
        SSL_free(ssl_);
        SSL_CTX_free(ctx_);
        throw EIdTLSError("The secure connection could not be set up (OpenSSL)");
    }
    BIO_set_data(bio, this);
    SSL_set_bio(ssl_, bio, bio);
    SSL_set_mode(ssl_, SSL_MODE_ENABLE_PARTIAL_WRITE | SSL_MODE_ACCEPT_MOVING_WRITE_BUFFER);
    if (isAddressLiteral(peerName_)) {
        X509_VERIFY_PARAM_set1_ip_asc(SSL_get0_param(ssl_), peerName_.c_str());
    } else {
        SSL_set_hostflags(ssl_, X509_CHECK_FLAG_NO_PARTIAL_WILDCARDS);
        SSL_set1_host(ssl_, peerName_.c_str());
        SSL_set_tlsext_host_name(ssl_, peerName_.c_str());
    }
    SSL_set_connect_state(ssl_);
}

TlsSession::~TlsSession() {
    SSL_free(ssl_);
    SSL_CTX_free(ctx_);
}

TlsSession::Wait TlsSession::failure(int result) {
    const int kind = SSL_get_error(ssl_, result);
    if (kind == SSL_ERROR_WANT_READ)
        return Wait::Read;
    if (kind == SSL_ERROR_WANT_WRITE)
        return Wait::Write;
    sound_ = false;
    const unsigned long err = ERR_peek_last_error();
    const char* reasonText = err ? ERR_reason_error_string(err) : nullptr;
    const std::string reason = reasonText ? reasonText : "TLS failure";
    ERR_clear_error();
    if (kind == SSL_ERROR_SYSCALL && lastSocketError != 0)
        throw socketErrorFor(lastSocketError);
    const bool ended = kind == SSL_ERROR_ZERO_RETURN || (kind == SSL_ERROR_SYSCALL && err == 0) ||
                       (err && ERR_GET_REASON(err) == SSL_R_UNEXPECTED_EOF_WHILE_READING);
    if (established_) {
        if (ended)
            throw EIdConnClosedGracefully();
        throw EIdTLSError("The secure connection failed: " + reason);
    }
    const long verified = SSL_get_verify_result(ssl_);
    if (verified != X509_V_OK)
        throw EIdTLSError("The server's certificate was refused: " +
                              verifyReason(verified, peerName_) + kNothingSent,
                          untrustedAuthority(verified) ? EIdTLSError::Cause::UntrustedAuthority
                                                       : EIdTLSError::Cause::Other);
    if (ended)
        throw EIdTLSError("The secure connection could not be made: the server closed the "
                          "connection during the TLS handshake" +
                          std::string(kNothingSent));
    throw EIdTLSError("The secure connection could not be made: " + reason + kNothingSent);
}

TlsSession::Wait TlsSession::handshake() {
    lastSocketError = 0;
    const int r = SSL_do_handshake(ssl_);
    if (r == 1) {
        established_ = true;
        return Wait::None;
    }
    return failure(r);
}

size_t TlsSession::read(char* buffer, size_t size, Wait& wait) {
    lastSocketError = 0;
    const int n = SSL_read(ssl_, buffer, static_cast<int>(std::min<size_t>(size, INT_MAX)));
    if (n > 0) {
        wait = Wait::None;
        return static_cast<size_t>(n);
    }
    wait = failure(n);
    return 0;
}

size_t TlsSession::write(const char* data, size_t size, Wait& wait) {
    lastSocketError = 0;
    const int n = SSL_write(ssl_, data, static_cast<int>(std::min<size_t>(size, INT_MAX)));
    if (n > 0) {
        wait = Wait::None;
        return static_cast<size_t>(n);
    }
    wait = failure(n);
    return 0;
}

void TlsSession::shutdown() noexcept {
    if (!established_ || !sound_)
        return;
    sound_ = false;
    lastSocketError = 0;
    SSL_shutdown(ssl_);
    ERR_clear_error();
}
