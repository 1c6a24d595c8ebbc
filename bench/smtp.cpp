// Throughput of the SMTP client against a loopback sink: a minimal server that accepts every
// command and discards the data. Each iteration is one whole transaction (connect, greeting,
// EHLO, RSET, MAIL, RCPT, DATA, ".", QUIT), so a fixed delay per message shows as a low rate
// for the 1 KB message.
//
//   bench_smtp                          in-process sink on a free loopback port
//   bench_smtp --sink PORT              only the sink, standalone (PORT 0: any free port); it
//                                       prints "PORT n" and serves until killed
//   TALLYMINDER_SMTP_SINK_PORT=n bench_smtp
//                                       benchmarks against a sink already running on port n
//
// bench/smtp_vs_curl.sh runs the standalone sink, this benchmark and curl against it.

#include <benchmark/benchmark.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "smtp/smtp_client.h"

namespace {

bool sendAll(int fd, const char* text) {
    size_t left = std::strlen(text);
    while (left > 0) {
        const ssize_t n = ::send(fd, text, left, MSG_NOSIGNAL);
        if (n <= 0)
            return false;
        text += n;
        left -= static_cast<size_t>(n);
    }
    return true;
}

bool startsWithNoCase(const std::string& line, const char* word) {
    return ::strncasecmp(line.c_str(), word, std::strlen(word)) == 0;
}

// One client of the sink: answers every command, discards the data up to the final ".".
void serveSinkClient(int fd) {
    static constexpr char kEnd[] = "\r\n.\r\n";
    std::vector<char> buf(256 * 1024);
    std::string pending; // command bytes not yet ended by LF
    bool inData = false;
    size_t matched = 0; // how much of kEnd the data has matched so far
    bool ok = sendAll(fd, "220 sink ready\r\n");
    while (ok) {
        const ssize_t n = ::recv(fd, buf.data(), buf.size(), 0);
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
                    ok = sendAll(fd, "250 2.0.0 Discarded\r\n");
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
                ok = sendAll(fd, "250-sink\r\n250-8BITMIME\r\n250 SIZE 0\r\n");
            } else if (startsWithNoCase(line, "DATA")) {
                ok = sendAll(fd, "354 Go ahead\r\n");
                inData = true;
                matched = 2; // the CR LF that ended "DATA"
            } else if (startsWithNoCase(line, "QUIT")) {
                sendAll(fd, "221 Bye\r\n");
                ok = false;
            } else {
                ok = sendAll(fd, "250 OK\r\n");
            }
        }
    }
    ::close(fd);
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

[[noreturn]] void runSink(int listenFd) {
    for (;;) {
        const int fd = ::accept4(listenFd, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd >= 0)
            std::thread(serveSinkClient, fd).detach();
    }
}

uint16_t sinkPort() {
    static const uint16_t port = [] {
        if (const char* env = std::getenv("TALLYMINDER_SMTP_SINK_PORT"))
            return static_cast<uint16_t>(std::atoi(env));
        uint16_t p = 0;
        const int fd = listenSink(p);
        std::thread(runSink, fd).detach();
        return p;
    }();
    return port;
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

void BM_SendMessage(benchmark::State& state) {
    const auto bytes = static_cast<size_t>(state.range(0));
    TIdSMTP smtp;
    smtp.Host = "127.0.0.1";
    smtp.Port = sinkPort();
    TIdMessage m;
    m.From.Address = "office@shop.example";
    m.Recipients.SetEMailAddresses("gateway@sms.example");
    m.Subject = "Tallyminder v.1.0.0.1";
    m.Body = makeBody(bytes);
    m.Date = 37320.0;
    for (auto _ : state) {
        smtp.Connect();
        smtp.Send(m);
        smtp.Disconnect();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(bytes));
}
BENCHMARK(BM_SendMessage)
    ->Arg(1000)
    ->Arg(1000 * 1000)
    ->Arg(10 * 1000 * 1000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--sink") == 0) {
        uint16_t port = static_cast<uint16_t>(std::atoi(argv[2]));
        const int fd = listenSink(port);
        std::printf("PORT %u\n", static_cast<unsigned>(port));
        std::fflush(stdout);
        runSink(fd);
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
