#include "scripted_server.h"

#include <algorithm>
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr auto kLimit = std::chrono::seconds(10);

int listenOnLoopback(uint16_t& port, bool listen) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        throw std::runtime_error("socket() failed");
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    socklen_t len = sizeof addr;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        (listen && ::listen(fd, 4) != 0) ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
        ::close(fd);
        throw std::runtime_error("cannot listen on 127.0.0.1");
    }
    port = ntohs(addr.sin_port);
    return fd;
}

int msLeft(std::chrono::steady_clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    // Short polls so that the destructor's stop request is seen quickly.
    return static_cast<int>(std::clamp<long long>(left.count(), 0, 50));
}

// The poll events an unfinished TLS call waits for, or 0 when the call failed for good.
short tlsWait(SSL* ssl, int result) {
    switch (SSL_get_error(ssl, result)) {
    case SSL_ERROR_WANT_READ:
        return POLLIN;
    case SSL_ERROR_WANT_WRITE:
        return POLLOUT;
    default:
        ERR_clear_error();
        return 0;
    }
}

} // namespace

ServerStep reply(std::initializer_list<std::string> lines) {
    std::string text;
    for (const auto& l : lines)
        text += l + "\r\n";
    return ServerStep{{text}};
}

ServerStep replyThenTls(std::initializer_list<std::string> lines) {
    ServerStep step = reply(lines);
    step.startTls = true;
    return step;
}

ServerStep hangUp() {
    ServerStep step;
    step.close = true;
    return step;
}
ServerStep silence() {
    return ServerStep{};
}

uint16_t closedPort() {
    uint16_t port = 0;
    const int fd = listenOnLoopback(port, false);
    ::close(fd);
    return port;
}

ScriptedServer::ScriptedServer(std::vector<ServerStep> steps, std::optional<ScriptedTls> tls)
    : steps_(std::move(steps)), tls_(std::move(tls)) {
    if (tls_) {
        ctx_ = SSL_CTX_new(TLS_server_method());
        if (!ctx_ || SSL_CTX_use_certificate_chain_file(ctx_, tls_->certFile.c_str()) != 1 ||
            SSL_CTX_use_PrivateKey_file(ctx_, tls_->keyFile.c_str(), SSL_FILETYPE_PEM) != 1) {
            SSL_CTX_free(ctx_);
            throw std::runtime_error("the scripted server cannot load its certificate");
        }
    }
    listenFd_ = listenOnLoopback(port_, true);
    thread_ = std::thread([this] { run(); });
}

ScriptedServer::~ScriptedServer() {
    stop_ = true;
    if (thread_.joinable())
        thread_.join();
    SSL_free(ssl_);
    SSL_CTX_free(ctx_);
    if (connFd_ >= 0)
        ::close(connFd_);
    ::close(listenFd_);
}

std::string ScriptedServer::received() {
    if (thread_.joinable())
        thread_.join();
    return received_;
}

bool ScriptedServer::readMore(std::chrono::steady_clock::time_point deadline) {
    char buf[65536];
    short events = POLLIN;
    while (!stop_ && std::chrono::steady_clock::now() < deadline) {
        if (ssl_) {
            // The session may hold decrypted bytes already, so it is asked before the socket.
            const int got = SSL_read(ssl_, buf, sizeof buf);
            if (got > 0) {
                received_.append(buf, static_cast<size_t>(got));
                return true;
            }
            events = tlsWait(ssl_, got);
            if (events == 0)
                return false;
        }
        pollfd p{connFd_, events, 0};
        const int n = ::poll(&p, 1, msLeft(deadline));
        if (n <= 0 || ssl_)
            continue;
        const ssize_t got = ::recv(connFd_, buf, sizeof buf, 0);
        if (got <= 0)
            return false;
        received_.append(buf, static_cast<size_t>(got));
        return true;
    }
    return false;
}

bool ScriptedServer::sendAll(const std::string& text,
                             std::chrono::steady_clock::time_point deadline) {
    size_t sent = 0;
    while (sent < text.size() && !stop_ && std::chrono::steady_clock::now() < deadline) {
        if (ssl_) {
            const int n = SSL_write(ssl_, text.data() + sent, static_cast<int>(text.size() - sent));
            if (n > 0) {
                sent += static_cast<size_t>(n);
                continue;
            }
            const short events = tlsWait(ssl_, n);
            if (events == 0)
                return false;
            pollfd p{connFd_, events, 0};
            ::poll(&p, 1, msLeft(deadline));
            continue;
        }
        const ssize_t n = ::send(connFd_, text.data() + sent, text.size() - sent, MSG_NOSIGNAL);
        if (n <= 0)
            return false; // the client went away; what it sent is recorded already
        sent += static_cast<size_t>(n);
    }
    return sent == text.size();
}

void ScriptedServer::play(const ServerStep& step) {
    if (step.close) {
        ::shutdown(connFd_, SHUT_RDWR);
        return;
    }
    const auto deadline = std::chrono::steady_clock::now() + kLimit;
    for (size_t i = 0; i < step.chunks.size(); ++i) {
        if (i > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        if (!sendAll(step.chunks[i], deadline))
            return;
    }
}

bool ScriptedServer::acceptTls(std::chrono::steady_clock::time_point deadline) {
    ::fcntl(connFd_, F_SETFL, ::fcntl(connFd_, F_GETFL) | O_NONBLOCK);
    ssl_ = SSL_new(ctx_);
    SSL_set_fd(ssl_, connFd_);
    while (!stop_ && std::chrono::steady_clock::now() < deadline) {
        const int r = SSL_accept(ssl_);
        if (r == 1) {
            received_ += "[TLS]";
            return true;
        }
        const short events = tlsWait(ssl_, r);
        if (events == 0)
            break;
        pollfd p{connFd_, events, 0};
        ::poll(&p, 1, msLeft(deadline));
    }
    // A failed session is not shut down; the client sees the connection close.
    SSL_free(ssl_);
    ssl_ = nullptr;
    ::shutdown(connFd_, SHUT_RDWR);
    return false;
}

void ScriptedServer::run() {
    // Writing to a client that went away must not end the test program: a SIGPIPE raised by
    // this thread stays blocked here and dies with the thread.
    sigset_t pipe;
    sigemptyset(&pipe);
    sigaddset(&pipe, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipe, nullptr);

    const auto deadline = std::chrono::steady_clock::now() + kLimit;
    while (!stop_ && std::chrono::steady_clock::now() < deadline) {
        pollfd p{listenFd_, POLLIN, 0};
        if (::poll(&p, 1, msLeft(deadline)) > 0) {
            connFd_ = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
            break;
        }
    }
    if (connFd_ < 0)
        return;
    const int one = 1;
    ::setsockopt(connFd_, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);

    bool open = !(tls_ && tls_->implicit) || acceptTls(deadline);
    size_t consumed = 0;
    bool inData = false;
    for (size_t i = 0; i < steps_.size() && open; ++i) {
        if (i > 0) {
            // One command line, the data up to the line holding the final ".", or any bytes.
            for (;;) {
                if (steps_[i].onAnyBytes) {
                    if (received_.size() > consumed) {
                        consumed = received_.size();
                        break;
                    }
                } else if (inData) {
                    const size_t from = consumed >= 2 ? consumed - 2 : 0;
                    const size_t end = received_.find("\r\n.\r\n", from);
                    if (end != std::string::npos) {
                        consumed = end + 5;
                        break;
                    }
                } else {
                    const size_t end = received_.find("\r\n", consumed);
                    if (end != std::string::npos) {
                        consumed = end + 2;
                        break;
                    }
                }
                if (!readMore(deadline)) {
                    open = false;
                    break;
                }
            }
            if (!open)
                break;
        }
        play(steps_[i]);
        if (steps_[i].close)
            open = false;
        else if (steps_[i].startTls) {
            open = acceptTls(deadline);
            consumed = received_.size();
        }
        inData = !steps_[i].chunks.empty() && steps_[i].chunks.front().rfind("354", 0) == 0;
    }
    while (open && readMore(deadline)) {
    }
}
