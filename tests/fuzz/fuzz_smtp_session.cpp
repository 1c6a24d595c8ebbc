// The SMTP reply reader and the whole client dialogue against a server that answers with any
// bytes, over a loopback connection. Besides not crashing: every reply the reader returns is
// non-empty, trimmed, within the line limit and carries its last line's code; and a Send that
// returns did get 250 for the final ".".

#include "smtp/smtp_client.h"

#include <arpa/inet.h>
#include <cstdint>
#include <cstdlib>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace {

using namespace std::chrono_literals;

// A loopback listener that, for one connection, sends the bytes, stops sending, and reads
// whatever the client says until it closes.
class OneShotServer {
public:
    OneShotServer() {
        listen_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (::bind(listen_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
            ::listen(listen_, 4) != 0)
            std::abort();
        socklen_t len = sizeof a;
        ::getsockname(listen_, reinterpret_cast<sockaddr*>(&a), &len);
        port_ = ntohs(a.sin_port);
    }
    uint16_t port() const { return port_; }

    std::thread serve(std::string_view bytes) {
        return std::thread([this, bytes] {
            const int fd = ::accept4(listen_, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd < 0)
                return;
            size_t sent = 0;
            while (sent < bytes.size()) {
                const ssize_t n =
                    ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
                if (n <= 0)
                    break;
                sent += static_cast<size_t>(n);
            }
            ::shutdown(fd, SHUT_WR);
            char buf[4096];
            while (::recv(fd, buf, sizeof buf, 0) > 0) {
            }
            ::close(fd);
        });
    }

private:
    int listen_ = -1;
    uint16_t port_ = 0;
};

bool trimmed(const std::string& s) {
    return !s.empty() && s.front() != ' ' && s.front() != '\t' && s.back() != ' ' &&
           s.back() != '\t';
}

void readReplies(OneShotServer& server, std::string_view bytes) {
    std::thread t = server.serve(bytes);
    TcpConnection connection;
    connection.open("127.0.0.1", server.port(), 2s);
    ReplyReader reader(connection);
    try {
        for (;;) {
            const SmtpReply r = reader.read(2s);
            if (r.lines.empty() || r.lines.size() > ReplyReader::kMaxLines ||
                r.code != replyCodeOf(r.lastLine()))
                std::abort();
            for (const std::string& line : r.lines)
                if (!trimmed(line))
                    std::abort();
        }
    } catch (const std::runtime_error&) {
        // the end of the bytes, or a reply that broke a limit
    }
    connection.close();
    t.join();
}

void runSession(OneShotServer& server, std::string_view bytes, bool login) {
    std::thread t = server.serve(bytes);
    TIdSMTP smtp;
    smtp.Host = "127.0.0.1";
    smtp.Port = server.port();
    smtp.Environment.LocalName = "fuzz";
    smtp.Environment.Now = [] { return 46000.5; };
    smtp.Environment.UtcOffsetMinutes = [](double) { return 60; };
    smtp.Timeouts.connect = smtp.Timeouts.greeting = smtp.Timeouts.command =
        smtp.Timeouts.mailFrom = smtp.Timeouts.rcptTo = smtp.Timeouts.dataStart =
            smtp.Timeouts.dataBlock = smtp.Timeouts.dataEnd = 2s;
    if (login) {
        smtp.AuthenticationType = TIdSMTPAuthenticationType::atLogin;
        smtp.UserId = "user";
        smtp.Password = "secret";
    }
    TIdMessage m;
    m.From.Address = "desk@shop.example";
    m.Recipients.SetEMailAddresses("gateway@sms.example");
    m.BccList.SetEMailAddresses("boss@shop.example");
    m.Subject = "Tallyminder v.1.0.0.1";
    m.Body = {"contact_no^name^", ".0411^Ann^"};
    try {
        smtp.Connect();
        smtp.Send(m);
        if (smtp.LastReply().code != 250)
            std::abort();
    } catch (const std::runtime_error&) {
    }
    smtp.Disconnect();
    t.join();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static OneShotServer server;
    if (size == 0)
        return 0;
    const std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
    if (data[0] % 2 == 0)
        readReplies(server, bytes);
    else
        runSession(server, bytes, data[0] % 4 == 1);
    return 0;
}
