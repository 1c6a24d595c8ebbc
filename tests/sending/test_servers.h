#pragma once

// SMTP servers for the send tests: the real aiosmtpd server (python3-aiosmtpd, AUTH LOGIN, a
// free loopback port) and a small in-process loopback server that accepts everything, refuses
// MAIL with 550, hangs after the connection is made, or hangs up after taking a message. Each stops
// in its destructor.

#include "core/smtp/aiosmtpd_server.h"

#include <arpa/inet.h>
#include <atomic>
#include <cctype>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <netinet/in.h>
#include <poll.h>
#include <spawn.h>
#include <sstream>
#include <stdexcept>
#include <string>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace testservers {

namespace fs = std::filesystem;

// A loopback SMTP server in a thread of the test.
class LoopbackServer {
public:
    enum class Mode {
        Accept,        // accepts every command and every message
        RefuseMail,    // answers MAIL with 550
        Hang,          // takes the connection and never answers
        DropAfterData, // takes the whole message, then hangs up without answering the "."
    };

    explicit LoopbackServer(Mode mode) : mode_(mode) {
        listen_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (::bind(listen_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
            ::listen(listen_, 8) != 0)
            throw std::runtime_error("cannot listen on the loopback interface");
        socklen_t len = sizeof a;
        ::getsockname(listen_, reinterpret_cast<sockaddr*>(&a), &len);
        port_ = ntohs(a.sin_port);
        thread_ = std::thread([this] { run(); });
    }

    ~LoopbackServer() {
        stop_ = true;
        thread_.join();
        ::close(listen_);
    }

    uint16_t port() const { return port_; }
    int messages() const { return messages_; }
    int connections() const { return connections_; }
    // The header lines of the last message, each ending in CR LF.
    std::string headers() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return headers_;
    }
    // Every command line received, in order (DATA content excluded).
    std::vector<std::string> commands() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return commands_;
    }

private:
    void run() {
        while (!stop_) {
            pollfd p{listen_, POLLIN, 0};
            if (::poll(&p, 1, 20) <= 0)
                continue;
            const int fd = ::accept4(listen_, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd < 0)
                continue;
            ++connections_;
            serve(fd);
            ::close(fd);
        }
    }

    void reply(int fd, const std::string& line) {
        const std::string out = line + "\r\n";
        (void)!::send(fd, out.data(), out.size(), MSG_NOSIGNAL);
    }

    // Reads until a whole line is buffered; false when the client went away or the test ends.
    bool readLine(int fd, std::string& buffer, std::string& line) {
        for (;;) {
            const size_t end = buffer.find("\r\n");
            if (end != std::string::npos) {
                line = buffer.substr(0, end);
                buffer.erase(0, end + 2);
                return true;
            }
            pollfd p{fd, POLLIN, 0};
            const int r = ::poll(&p, 1, 20);
            if (stop_)
                return false;
            if (r <= 0)
                continue;
            char chunk[65536];
            const ssize_t n = ::recv(fd, chunk, sizeof chunk, 0);
            if (n <= 0)
                return false;
            buffer.append(chunk, static_cast<size_t>(n));
        }
    }

    void serve(int fd) {
        if (mode_ == Mode::Hang) {
            std::string buffer, line;
            while (readLine(fd, buffer, line)) {
            }
            return;
        }
        reply(fd, "220 loopback ESMTP");
        std::string buffer, line;
        while (readLine(fd, buffer, line)) {
            {
                std::lock_guard<std::mutex> lock(mutex_);
                commands_.push_back(line);
            }
            std::string verb = line.substr(0, 4);
            for (char& c : verb)
                c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            if (verb == "EHLO" || verb == "HELO") {
                reply(fd, "250 loopback");
            } else if (verb == "MAIL" && mode_ == Mode::RefuseMail) {
                reply(fd, "550 5.7.1 Relaying denied");
            } else if (verb == "DATA") {
                reply(fd, "354 go ahead");
                // The content ends with a line holding a single "."; its header lines are kept.
                std::string head = buffer;
                size_t end;
                while ((end = buffer.find("\r\n.\r\n")) == std::string::npos) {
                    pollfd p{fd, POLLIN, 0};
                    if (::poll(&p, 1, 20) <= 0) {
                        if (stop_)
                            return;
                        continue;
                    }
                    char chunk[65536];
                    const ssize_t n = ::recv(fd, chunk, sizeof chunk, 0);
                    if (n <= 0)
                        return;
                    if (head.size() < 8192)
                        head.append(chunk, static_cast<size_t>(n));
                    // Keep only what the end marker needs beyond the last few bytes.
                    const size_t keep = std::min<size_t>(buffer.size(), 4);
                    buffer.erase(0, buffer.size() - keep);
                    buffer.append(chunk, static_cast<size_t>(n));
                }
                buffer.erase(0, end + 5);
                {
                    std::lock_guard<std::mutex> lock(mutex_);
                    headers_ = head.substr(0, head.find("\r\n\r\n") + 2);
                }
                ++messages_;
                if (mode_ == Mode::DropAfterData)
                    return;
                reply(fd, "250 queued");
            } else if (verb == "QUIT") {
                reply(fd, "221 bye");
                return;
            } else {
                reply(fd, "250 ok");
            }
        }
    }

    Mode mode_;
    std::string headers_;
    int listen_ = -1;
    uint16_t port_ = 0;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::atomic<int> messages_{0};
    std::atomic<int> connections_{0};
    mutable std::mutex mutex_;
    std::vector<std::string> commands_;
};

// A loopback port on which nothing listens (bound, then closed).
inline uint16_t closedPort() {
    const int s = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
    socklen_t len = sizeof a;
    ::getsockname(s, reinterpret_cast<sockaddr*>(&a), &len);
    ::close(s);
    return ntohs(a.sin_port);
}

} // namespace testservers
