// The first check of a mailbox holding 2,000 new replies, on loopback against Dovecot (started
// here with its own configuration, as the tests do), beside the curl tool fetching the same
// 2,000 messages over one connection in the same run ('imaps://.../INBOX/;UID=[1-2000]').
// Both report messages per second; the check also parses, reads and sorts every reply.

#include "core/replies/reply_check.h"
#include "core/smtp/test_pki.h"
#include "support/dovecot_server.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <string>

namespace {

constexpr int kMessages = 2000;

struct Mailbox {
    testpki::TestPki pki;
    testpki::ServerCert cert = pki.issue();
    testservers::DovecotServer server{cert.certFile, cert.keyFile};
    Mailbox() {
        for (int i = 0; i < kMessages; ++i) {
            const std::string number = "4477009" + std::to_string(10000 + i);
            server.deliver("user1", "From: " + number +
                                        "@sms.gateway.example\r\n"
                                        "Subject: SMS from " +
                                        number + "\r\nMessage-ID: <r" + std::to_string(i) +
                                        "@gw>\r\n"
                                        "Date: Wed, 09 Dec 2026 10:00:00 +0000\r\n\r\n"
                                        "Yes, see you then\r\n");
        }
    }
};

Mailbox& mailbox() {
    static Mailbox box;
    return box;
}

void BM_FirstCheckOf2000Replies(benchmark::State& state) {
    Mailbox& box = mailbox();
    InboxSettings settings;
    settings.server = "127.0.0.1:" + std::to_string(box.server.tlsPort());
    settings.gatewaySenders = "sms.gateway.example";
    InboxLogin login;
    login.server = parseInboxServer(settings.server);
    login.server.implicitTls = true;
    login.user = "user1";
    login.password = "secret";
    login.trustFile = box.pki.caFile();
    for (auto _ : state) {
        const FetchedReplies fetched = fetchReplies(settings, login, {}, 46365.0);
        if (fetched.replies.size() != kMessages)
            state.SkipWithError("not every reply was read");
        benchmark::DoNotOptimize(fetched.replies.data());
    }
    state.SetItemsProcessed(state.iterations() * kMessages);
}

void BM_CurlFetchesTheSame2000(benchmark::State& state) {
    Mailbox& box = mailbox();
    const std::string command =
        "curl -s --fail --cacert " + box.pki.caFile() +
        " -u user1:secret 'imaps://127.0.0.1:" + std::to_string(box.server.tlsPort()) +
        "/INBOX/;UID=[1-" + std::to_string(kMessages) + "]' > /dev/null";
    for (auto _ : state)
        if (std::system(command.c_str()) != 0)
            state.SkipWithError("curl failed");
    state.SetItemsProcessed(state.iterations() * kMessages);
}

} // namespace

BENCHMARK(BM_FirstCheckOf2000Replies)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CurlFetchesTheSame2000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_MAIN();
