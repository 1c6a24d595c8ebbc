#include "core/smtp/tcp_connection.h"

#include "core/smtp/smtp_errors.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <strings.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

[[noreturn]] void throwSocketError(int err) {
    throw socketErrorFor(err);
}

// Milliseconds left until deadline for poll(), rounded up so a wait never ends early.
int pollTimeout(TcpConnection::Clock::time_point deadline) {
    const auto left = deadline - TcpConnection::Clock::now();
    if (left <= TcpConnection::Clock::duration::zero())
        return 0;
    const auto ms = std::chrono::ceil<std::chrono::milliseconds>(left).count();
    return static_cast<int>(std::min<long long>(ms, INT_MAX));
}

bool cancelStands(int cancelFd) {
    pollfd p{cancelFd, POLLIN, 0};
    return cancelFd >= 0 && ::poll(&p, 1, 0) > 0;
}

// Waits until fd is ready for events or the deadline passes; false on time-out. A cancel
// (cancelFd readable) ends the wait with the cancel error.
bool waitFor(int fd, short events, TcpConnection::Clock::time_point deadline, int cancelFd) {
    for (;;) {
        pollfd p[2] = {{fd, events, 0}, {cancelFd, POLLIN, 0}};
        const int n = ::poll(p, cancelFd >= 0 ? 2 : 1, pollTimeout(deadline));
        if (n > 0 && (p[1].revents & POLLIN))
            throwSocketError(ECANCELED);
        if (n > 0)
            return true;
        if (n == 0)
            return false;
        if (errno != EINTR)
            throwSocketError(errno);
    }
}

struct AddrInfoList {
    addrinfo* head = nullptr;
    ~AddrInfoList() {
        if (head)
            ::freeaddrinfo(head);
    }
};

// Connects one socket to one address before the deadline; returns the descriptor or -1 with
// the failure in err.
int connectOne(const sockaddr* addr, socklen_t len, TcpConnection::Clock::time_point deadline,
               int cancelFd, int& err) {
    const int fd = ::socket(addr->sa_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        err = errno;
        return -1;
    }
    // The client gathers each command and each run of the message into one write itself, so
    // the system must not hold back a short last segment (the final ".") until the server has
    // acknowledged the long run before it: that wait is a whole delayed-ACK period per message.
    const int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    if (::connect(fd, addr, len) == 0)
        return fd;
    if (errno != EINPROGRESS && errno != EINTR) {
        err = errno;
        ::close(fd);
        return -1;
    }
    bool ready = false;
    try {
        ready = waitFor(fd, POLLOUT, deadline, cancelFd);
    } catch (...) {
        ::close(fd);
        throw;
    }
    if (!ready) {
        err = ETIMEDOUT;
        ::close(fd);
        return -1;
    }
    int soError = 0;
    socklen_t soLen = sizeof soError;
    if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &soError, &soLen) != 0)
        soError = errno;
    if (soError != 0) {
        err = soError;
        ::close(fd);
        return -1;
    }
    return fd;
}

} // namespace

TcpConnection::TcpConnection() : cancelFd_(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {}

TcpConnection::~TcpConnection() {
    close();
    if (cancelFd_ >= 0)
        ::close(cancelFd_);
}

void TcpConnection::cancel() noexcept {
    const uint64_t one = 1;
    if (cancelFd_ >= 0 && ::write(cancelFd_, &one, sizeof one) < 0) {
        // A full counter still stands as a cancel.
    }
}

void TcpConnection::resetCancel() noexcept {
    uint64_t count = 0;
    if (cancelFd_ >= 0 && ::read(cancelFd_, &count, sizeof count) < 0) {
        // Nothing stood.
    }
}

void TcpConnection::refuseWhenCancelled() const {
    if (cancelStands(cancelFd_))
        throwSocketError(ECANCELED);
}

void TcpConnection::close() noexcept {
    if (tls_) {
        tls_->shutdown();
        tls_.reset();
    }
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
    out_.clear();
    in_.clear();
    inStart_ = 0;
}

void TcpConnection::open(const std::string& host, uint16_t port, Duration connectTimeout) {
    close();
    refuseWhenCancelled();
    const auto deadline = Clock::now() + connectTimeout;

    sockaddr_in v4{};
    v4.sin_family = AF_INET;
    v4.sin_port = htons(port);
    int err = 0;
    if (::strcasecmp(host.c_str(), "LOCALHOST") == 0 ||
        ::inet_pton(AF_INET, host.c_str(), &v4.sin_addr) == 1) {
        if (::strcasecmp(host.c_str(), "LOCALHOST") == 0)
            v4.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        fd_ =
            connectOne(reinterpret_cast<const sockaddr*>(&v4), sizeof v4, deadline, cancelFd_, err);
        if (fd_ < 0)
            throwSocketError(err);
        return;
    }

    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    AddrInfoList list;
    const std::string service = std::to_string(port);
    const int rc = ::getaddrinfo(host.c_str(), service.c_str(), &hints, &list.head);
    if (rc != 0) {
        if (rc == EAI_SYSTEM)
            throwSocketError(errno);
        throw EIdSocketError(::gai_strerror(rc), rc);
    }
    refuseWhenCancelled();
    err = EHOSTUNREACH;
    for (const addrinfo* ai = list.head; ai; ai = ai->ai_next) {
        fd_ = connectOne(ai->ai_addr, ai->ai_addrlen, deadline, cancelFd_, err);
        if (fd_ >= 0)
            return;
        if (err == ETIMEDOUT)
            break;
    }
    throwSocketError(err);
}

void TcpConnection::failSocket(int err) {
    close();
    throwSocketError(err);
}

void TcpConnection::write(std::string_view bytes) {
    if (bytes.size() >= kFlushThreshold) {
        // A long run goes out from where it is, not through a copy.
        flush();
        sendAll(bytes.data(), bytes.size());
        return;
    }
    out_.append(bytes);
    if (out_.size() >= kFlushThreshold)
        flush();
}

void TcpConnection::flush() {
    if (out_.empty())
        return;
    sendAll(out_.data(), out_.size());
    out_.clear();
}

void TcpConnection::startTls(const TlsOptions& options, Clock::time_point deadline) {
    flush();
    in_.clear();
    inStart_ = 0;
    try {
        tls_ = std::make_unique<TlsSession>(fd_, options);
        for (TlsSession::Wait wait; (wait = tls_->handshake()) != TlsSession::Wait::None;)
            if (!awaitTls(wait, deadline))
                failSocket(ETIMEDOUT);
    } catch (...) {
        close();
        throw;
    }
}

bool TcpConnection::awaitTls(TlsSession::Wait wait, Clock::time_point deadline) {
    return waitFor(fd_, wait == TlsSession::Wait::Write ? POLLOUT : POLLIN, deadline, cancelFd_);
}

void TcpConnection::sendAll(const char* data, size_t size) {
    if (fd_ < 0)
        throw EIdNotConnected();
    while (size > 0 && tls_) {
        TlsSession::Wait wait;
        size_t n = 0;
        try {
            n = tls_->write(data, size, wait);
        } catch (...) {
            close();
            throw;
        }
        data += n;
        size -= n;
        // Waits for room in the socket; the limit restarts whenever the server takes bytes.
        if (n == 0 && !awaitTls(wait, Clock::now() + sendTimeout_))
            failSocket(ETIMEDOUT);
    }
    while (size > 0) {
        const ssize_t n = ::send(fd_, data, size, MSG_NOSIGNAL);
        if (n > 0) {
            data += n;
            size -= static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            // Waits for room in the socket; the limit restarts whenever the server takes bytes.
            if (!waitFor(fd_, POLLOUT, Clock::now() + sendTimeout_, cancelFd_))
                failSocket(ETIMEDOUT);
            continue;
        }
        failSocket(n < 0 ? errno : EPIPE);
    }
}

std::string TcpConnection::readLine(Clock::time_point deadline) {
    flush();
    for (;;) {
        const size_t lf = in_.find('\n', inStart_);
        if (lf != std::string::npos) {
            size_t end = lf;
            if (end > inStart_ && in_[end - 1] == '\r')
                --end;
            if (end - inStart_ > kMaxLineLength)
                break;
            std::string line = in_.substr(inStart_, end - inStart_);
            inStart_ = lf + 1;
            if (inStart_ == in_.size()) {
                in_.clear();
                inStart_ = 0;
            }
            return line;
        }
        // No complete line yet: a partial line may hold at most the limit plus its CR.
        if (in_.size() - inStart_ > kMaxLineLength + 1)
            break;
        if (inStart_ > 0) {
            in_.erase(0, inStart_);
            inStart_ = 0;
        }
        receive(deadline);
    }
    close();
    throw EIdProtocolReplyError(
        "Reply line longer than " + std::to_string(kMaxLineLength) + " characters", 0);
}

void TcpConnection::receive(Clock::time_point deadline) {
    char buf[16 * 1024];
    if (tls_) {
        // The session may hold decrypted bytes already, so it is asked before the socket is.
        for (;;) {
            TlsSession::Wait wait;
            size_t n = 0;
            try {
                n = tls_->read(buf, sizeof buf, wait);
            } catch (...) {
                close();
                throw;
            }
            if (n > 0) {
                in_.append(buf, n);
                return;
            }
            if (!awaitTls(wait, deadline))
                failSocket(ETIMEDOUT);
        }
    }
    for (;;) {
        if (!waitFor(fd_, POLLIN, deadline, cancelFd_))
            failSocket(ETIMEDOUT);
        const ssize_t n = ::recv(fd_, buf, sizeof buf, 0);
        if (n > 0) {
            in_.append(buf, static_cast<size_t>(n));
            return;
        }
        if (n == 0) {
            close();
            throw EIdConnClosedGracefully();
        }
        if (errno != EINTR && errno != EAGAIN && errno != EWOULDBLOCK)
            failSocket(errno);
    }
}

bool TcpConnection::peerIsLoopback() const {
    sockaddr_storage addr{};
    socklen_t len = sizeof addr;
    if (fd_ < 0 || ::getpeername(fd_, reinterpret_cast<sockaddr*>(&addr), &len) != 0)
        return false;
    if (addr.ss_family == AF_INET)
        return (ntohl(reinterpret_cast<sockaddr_in*>(&addr)->sin_addr.s_addr) >> 24) == 127;
    if (addr.ss_family == AF_INET6) {
        const in6_addr& a = reinterpret_cast<sockaddr_in6*>(&addr)->sin6_addr;
        return IN6_IS_ADDR_LOOPBACK(&a) || (IN6_IS_ADDR_V4MAPPED(&a) && a.s6_addr[12] == 127);
    }
    return false;
}

std::string TcpConnection::localName() const {
    char name[256] = {};
    if (::gethostname(name, sizeof name - 1) == 0 && name[0] != '\0')
        return name;
    sockaddr_storage addr{};
    socklen_t len = sizeof addr;
    char text[INET6_ADDRSTRLEN] = {};
    if (fd_ >= 0 && ::getsockname(fd_, reinterpret_cast<sockaddr*>(&addr), &len) == 0) {
        if (addr.ss_family == AF_INET) {
            ::inet_ntop(AF_INET, &reinterpret_cast<sockaddr_in*>(&addr)->sin_addr, text,
                        sizeof text);
            return "[" + std::string(text) + "]";
        }
        if (addr.ss_family == AF_INET6) {
            ::inet_ntop(AF_INET6, &reinterpret_cast<sockaddr_in6*>(&addr)->sin6_addr, text,
                        sizeof text);
            return "[IPv6:" + std::string(text) + "]";
        }
    }
    return "localhost";
}
