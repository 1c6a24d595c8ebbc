#include "scripted_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <stdexcept>

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

} // namespace

ServerStep reply(std::initializer_list<std::string> lines) {
    std::string text;
    for (const auto& l : lines)
        text += l + "\r\n";
    return ServerStep{{text}, false};
}

ServerStep hangUp() {
    return ServerStep{{}, true};
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

ScriptedServer::ScriptedServer(std::vector<ServerStep> steps) : steps_(std::move(steps)) {
    listenFd_ = listenOnLoopback(port_, true);
    thread_ = std::thread([this] { run(); });
}

ScriptedServer::~ScriptedServer() {
    stop_ = true;
    if (thread_.joinable())
        thread_.join();
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
    while (!stop_ && std::chrono::steady_clock::now() < deadline) {
        pollfd p{connFd_, POLLIN, 0};
        const int n = ::poll(&p, 1, msLeft(deadline));
        if (n <= 0)
            continue;
        char buf[65536];
        const ssize_t got = ::recv(connFd_, buf, sizeof buf, 0);
        if (got <= 0)
            return false;
        received_.append(buf, static_cast<size_t>(got));
        return true;
    }
    return false;
}

void ScriptedServer::play(const ServerStep& step) {
    if (step.close) {
        ::shutdown(connFd_, SHUT_RDWR);
        return;
    }
    for (size_t i = 0; i < step.chunks.size(); ++i) {
        if (i > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        const std::string& c = step.chunks[i];
        size_t sent = 0;
        while (sent < c.size()) {
            const ssize_t n = ::send(connFd_, c.data() + sent, c.size() - sent, MSG_NOSIGNAL);
            if (n <= 0)
                return; // the client went away; what it sent is recorded already
            sent += static_cast<size_t>(n);
        }
    }
}

void ScriptedServer::run() {
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

    size_t consumed = 0;
    bool inData = false;
    bool open = true;
    for (size_t i = 0; i < steps_.size() && open; ++i) {
        if (i > 0) {
            // One command line, or the data up to the line holding the final ".".
            for (;;) {
                if (inData) {
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
        inData = !steps_[i].chunks.empty() && steps_[i].chunks.front().rfind("354", 0) == 0;
    }
    while (open && readMore(deadline)) {
    }
}
