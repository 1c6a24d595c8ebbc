// Throughput of the SMTP client against a loopback sink: a minimal server that accepts every
// command and discards the data. Each iteration is one whole transaction (connect, greeting,
// EHLO, RSET, MAIL, RCPT, DATA, ".", QUIT), so a fixed delay per message shows as a low rate
// for the 1 KB message. The sink listens on two ports: one in clear text, and one that offers
// STARTTLS with a certificate for "localhost" from a throwaway authority made at start.
//
//   bench_smtp                          in-process sink on free loopback ports
//   bench_smtp --sink PORT DIR          only the sink, standalone (PORT 0: any free port), with
//                                       its certificates in a new folder inside DIR; it prints
//                                       "PORT n", "TLSPORT m" and "CA file" and serves until
//                                       killed
//   TALLYMINDER_SMTP_SINK_PORT=n TALLYMINDER_SMTP_SINK_TLS_PORT=m TALLYMINDER_SMTP_SINK_CA=file
//   bench_smtp                          benchmarks against a sink already running
//
// bench/smtp_vs_curl.sh runs the standalone sink, this benchmark and curl against it.

#include "core/smtp/smtp_client.h"
#include "core/smtp/test_pki.h"

#include <benchmark/benchmark.h>

#include <arpa/inet.h>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <netinet/in.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace {

// The sink's end of one connection, in clear text or, after STARTTLS, through TLS.
struct SinkConnection {
    int fd;
    SSL* ssl = nullptr;

    ~SinkConnection() {
        if (ssl) {
            SSL_shutdown(ssl);
            SSL_free(ssl);
        }
        ::close(fd);
    }

    ssize_t receive(char* buf, size_t size) {
        if (ssl)
            return SSL_read(ssl, buf, static_cast<int>(size));
        return ::recv(fd, buf, size, 0);
    }

    bool sendAll(const char* text) {
        size_t left = std::strlen(text);
        while (left > 0) {
            const ssize_t n = ssl ? SSL_write(ssl, text, static_cast<int>(left))
                                  : ::send(fd, text, left, MSG_NOSIGNAL);
            if (n <= 0)
                return false;
            text += n;
            left -= static_cast<size_t>(n);
        }
        return true;
    }

    bool startTls(SSL_CTX* ctx) {
        ssl = SSL_new(ctx);
        SSL_set_fd(ssl, fd);
        if (SSL_accept(ssl) == 1)
            return true;
        ERR_clear_error();
        SSL_free(ssl);
        ssl = nullptr;
        return false;
    }
};

bool startsWithNoCase(const std::string& line, const char* word) {
    return ::strncasecmp(line.c_str(), word, std::strlen(word)) == 0;
}

// One client of the sink: answers every command, discards the data up to the final ".". With
// a TLS context it offers STARTTLS until the client has taken it.
void serveSinkClient(int fd, SSL_CTX* tls) {
    static constexpr char kEnd[] = "\r\n.\r\n";
    SinkConnection conn{fd};
    std::vector<char> buf(256 * 1024);
    std::string pending; // command bytes not yet ended by LF
    bool inData = false;
    size_t matched = 0; // how much of kEnd the data has matched so far
    bool ok = conn.sendAll("220 sink ready\r\n");
    while (ok) {
        const ssize_t n = conn.receive(buf.data(), buf.size());
        if (n <= 0)
            break;
        size_t i = 0;
        while (ok && i < static_cast<size_t>(n)) {
            if (inData) {
                // Scans for CR LF "." CR LF; the data begins just after the CR LF of "DATA".
                for (; i < static_cast<size_t>(n); ++i) {
                    const char c = buf[i];
                    if (c == kEnd[matched]) {
                        if (++matched == 5)
                            break;
                    } else {
                        matched = c == '\r' ? 1 : 0;
                    }
                }
                if (matched == 5) {
                    ++i;
                    inData = false;
                    ok = conn.sendAll("250 2.0.0 Discarded\r\n");
                }
                continue;
            }
            const char* lf = static_cast<const char*>(std::memchr(buf.data() + i, '\n', n - i));
            const size_t end = lf ? static_cast<size_t>(lf - buf.data()) : static_cast<size_t>(n);
            pending.append(buf.data() + i, end - i);
            i = end;
            if (!lf)
                break;
            ++i;
            const std::string line = pending;
            pending.clear();
            if (startsWithNoCase(line, "EHLO")) {
                ok = conn.sendAll(tls && !conn.ssl
                                      ? "250-sink\r\n250-8BITMIME\r\n250-STARTTLS\r\n250 SIZE 0\r\n"
                                      : "250-sink\r\n250-8BITMIME\r\n250 SIZE 0\r\n");
            } else if (startsWithNoCase(line, "STARTTLS") && tls && !conn.ssl) {
                ok = conn.sendAll("220 Ready to start TLS\r\n") && conn.startTls(tls);
            } else if (startsWithNoCase(line, "DATA")) {
                ok = conn.sendAll("354 Go ahead\r\n");
                inData = true;
                matched = 2; // the CR LF that ended "DATA"
            } else if (startsWithNoCase(line, "QUIT")) {
                conn.sendAll("221 Bye\r\n");
                ok = false;
            } else {
                ok = conn.sendAll("250 OK\r\n");
            }
        }
    }
}

// Listens on 127.0.0.1:port (0: a free port); returns the descriptor and sets port.
int listenSink(uint16_t& port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const int one = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(port);
    socklen_t len = sizeof addr;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(fd, 16) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len)) {
        std::perror("sink");
        std::exit(1);
    }
    port = ntohs(addr.sin_port);
    return fd;
}

[[noreturn]] void runSink(int listenFd, SSL_CTX* tls) {
    for (;;) {
        const int fd = ::accept4(listenFd, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd >= 0)
            std::thread(serveSinkClient, fd, tls).detach();
    }
}

// The sink's two ports and the authority its STARTTLS certificate chains to.
struct Sink {
    uint16_t port = 0;
    uint16_t tlsPort = 0;
    std::string caFile;
};

// Starts both listeners in threads of their own; the certificates go into a folder in parent.
Sink startSink(uint16_t port, const std::string& parent) {
    // Lives as long as the program, like the sink threads that use its files.
    static testpki::TestPki* pki = new testpki::TestPki(parent);
    const testpki::ServerCert cert = pki->issue();
    SSL_CTX* ctx = SSL_CTX_new(TLS_server_method());
    if (SSL_CTX_use_certificate_chain_file(ctx, cert.certFile.c_str()) != 1 ||
        SSL_CTX_use_PrivateKey_file(ctx, cert.keyFile.c_str(), SSL_FILETYPE_PEM) != 1) {
        std::fprintf(stderr, "sink: cannot load its certificate\n");
        std::exit(1);
    }
    Sink sink;
    sink.port = port;
    const int clear = listenSink(sink.port);
    const int tls = listenSink(sink.tlsPort);
    sink.caFile = pki->caFile();
    std::thread(runSink, clear, nullptr).detach();
    std::thread(runSink, tls, ctx).detach();
    return sink;
}

const Sink& sink() {
    static const Sink s = [] {
        const char* port = std::getenv("TALLYMINDER_SMTP_SINK_PORT");
        const char* tlsPort = std::getenv("TALLYMINDER_SMTP_SINK_TLS_PORT");
        const char* ca = std::getenv("TALLYMINDER_SMTP_SINK_CA");
        if (port && tlsPort && ca)
            return Sink{static_cast<uint16_t>(std::atoi(port)),
                        static_cast<uint16_t>(std::atoi(tlsPort)), ca};
        return startSink(0, "/tmp");
    }();
    return s;
}

// A body in the shape of a table file: lines of about 100 characters.
std::vector<std::string> makeBody(size_t bytes) {
    std::vector<std::string> body;
    size_t size = 0;
    for (int i = 0; size < bytes; ++i) {
        std::string line = "04" + std::to_string(10000000 + i) + "^Customer " + std::to_string(i) +
                           "^05/03/2002^10:30:00^Your appointment is tomorrow at 10:30^3^";
        line.resize(std::min(line.size(), bytes - size >= 2 ? bytes - size - 2 : 0));
        size += line.size() + 2;
        body.push_back(std::move(line));
    }
    return body;
}

void sendMessages(benchmark::State& state, bool tls) {
    const auto bytes = static_cast<size_t>(state.range(0));
    TIdSMTP smtp;
    smtp.Host = "localhost";
    smtp.Port = tls ? sink().tlsPort : sink().port;
    smtp.Environment.TrustFile = sink().caFile;
    TIdMessage m;
    m.From.Address = "office@shop.example";
    m.Recipients.SetEMailAddresses("gateway@sms.example");
    m.Subject = "Tallyminder v.1.0.0.1";
    // As the send carries the pending file: its bytes as one text.
    std::string body;
    for (const std::string& line : makeBody(bytes))
        body += line + "\r\n";
    m.BodyText = std::move(body);
    m.Date = 37320.0;
    for (auto _ : state) {
        smtp.Connect();
        if (smtp.Encrypted() != tls) {
            state.SkipWithError("the sink's port did not give the expected encryption");
            break;
        }
        smtp.Send(m);
        smtp.Disconnect();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(bytes));
}

void BM_SendMessage(benchmark::State& state) {
    sendMessages(state, false);
}
BENCHMARK(BM_SendMessage)
    ->Arg(1000)
    ->Arg(1000 * 1000)
    ->Arg(10 * 1000 * 1000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// The same over STARTTLS: the handshake with its certificate check, then the encrypted data.
void BM_SendMessageStartTls(benchmark::State& state) {
    sendMessages(state, true);
}
BENCHMARK(BM_SendMessageStartTls)
    ->Arg(1000 * 1000)
    ->Arg(10 * 1000 * 1000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    // A client that goes away mid-reply must not end the sink.
    std::signal(SIGPIPE, SIG_IGN);
    if (argc == 4 && std::strcmp(argv[1], "--sink") == 0) {
        const Sink s = startSink(static_cast<uint16_t>(std::atoi(argv[2])), argv[3]);
        std::printf("PORT %u\nTLSPORT %u\nCA %s\n", static_cast<unsigned>(s.port),
                    static_cast<unsigned>(s.tlsPort), s.caFile.c_str());
        std::fflush(stdout);
        for (;;)
            ::pause();
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
