#pragma once

// A stand-in server on 127.0.0.1 for what Dovecot will not do: one that accepts and never
// says a word, and one that greets and offers no STARTTLS. It serves one connection on a
// thread of its own and is stopped by its destructor.

#include <arpa/inet.h>
#include <atomic>
#include <cstdint>
#include <netinet/in.h>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace testservers {

class ScriptedImap {
public:
    enum class Behaviour { Silent, NoStartTls };

    explicit ScriptedImap(Behaviour behaviour) : behaviour_(behaviour) {
        listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof a;
        ::bind(listener_, reinterpret_cast<sockaddr*>(&a), sizeof a);
        ::listen(listener_, 4);
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&a), &len);
        port_ = ntohs(a.sin_port);
        thread_ = std::thread([this] { serve(); });
    }

    ~ScriptedImap() {
        stop_ = true;
        thread_.join();
        ::close(listener_);
    }

    uint16_t port() const { return port_; }

private:
    bool waitReadable(int fd) {
        while (!stop_) {
            pollfd p{fd, POLLIN, 0};
            if (::poll(&p, 1, 50) > 0)
                return true;
        }
        return false;
    }

    void serve() {
        if (!waitReadable(listener_))
            return;
        const int fd = ::accept(listener_, nullptr, nullptr);
        if (fd < 0)
            return;
        if (behaviour_ == Behaviour::NoStartTls) {
            say(fd, "* OK IMAP4rev1 test server ready\r\n");
            std::string pending;
            char buffer[512];
            while (waitReadable(fd)) {
                const ssize_t n = ::read(fd, buffer, sizeof buffer);
                if (n <= 0)
                    break;
                pending.append(buffer, static_cast<size_t>(n));
                size_t lf;
                while ((lf = pending.find('\n')) != std::string::npos) {
                    const std::string line = pending.substr(0, lf);
                    pending.erase(0, lf + 1);
                    const std::string tag = line.substr(0, line.find(' '));
                    if (line.find("CAPABILITY") != std::string::npos)
                        say(fd, "* CAPABILITY IMAP4rev1 AUTH=PLAIN\r\n" + tag + " OK done\r\n");
                    else
                        say(fd, tag + " BAD not here\r\n");
                }
            }
        } else {
            while (waitReadable(fd)) {
                char buffer[512];
                if (::read(fd, buffer, sizeof buffer) <= 0)
                    break;
            }
        }
        ::close(fd);
    }

    static void say(int fd, const std::string& text) {
        [[maybe_unused]] const ssize_t n = ::write(fd, text.data(), text.size());
    }

    Behaviour behaviour_;
    int listener_ = -1;
    uint16_t port_ = 0;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

} // namespace testservers
