#include "core/calendar/calendar_download.h"
#include "core/smtp/test_pki.h"
#include "core/tables/trust_store.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

// tests/core/calendar/https_server.py on a free loopback port; stopped by closing its input.
class HttpsServer {
public:
    HttpsServer(const testpki::ServerCert& cert, const std::string& folder) {
        int in[2], out[2];
        if (::pipe2(in, O_CLOEXEC) || ::pipe2(out, O_CLOEXEC))
            throw std::runtime_error("pipe failed");
        posix_spawn_file_actions_t actions;
        ::posix_spawn_file_actions_init(&actions);
        ::posix_spawn_file_actions_adddup2(&actions, in[0], 0);
        ::posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        const std::string script = std::string(TEST_SOURCE_DIR) + "/core/calendar/https_server.py";
        const char* argv[] = {"/usr/bin/python3",   script.c_str(), cert.certFile.c_str(),
                              cert.keyFile.c_str(), folder.c_str(), nullptr};
        if (::posix_spawn(&pid_, argv[0], &actions, nullptr, const_cast<char**>(argv), environ))
            throw std::runtime_error("cannot start the HTTPS server");
        ::posix_spawn_file_actions_destroy(&actions);
        ::close(in[0]);
        ::close(out[1]);
        input_ = in[1];
        std::string line;
        char c;
        while (::read(out[0], &c, 1) == 1 && c != '\n')
            line += c;
        ::close(out[0]);
        port_ = std::atoi(line.c_str());
        if (port_ <= 0)
            throw std::runtime_error("the HTTPS server did not start");
    }
    ~HttpsServer() {
        ::close(input_);
        int status = 0;
        for (int i = 0; i < 50 && ::waitpid(pid_, &status, WNOHANG) == 0; ++i)
            ::usleep(100000);
        if (::waitpid(pid_, &status, WNOHANG) == 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, &status, 0);
        }
    }
    std::string url(const std::string& path) const {
        return "https://127.0.0.1:" + std::to_string(port_) + path;
    }

private:
    pid_t pid_ = 0;
    int input_ = -1;
    int port_ = 0;
};

// Trusts only the test authority, through the variable OpenSSL reads, for one test.
class TrustOnly {
public:
    explicit TrustOnly(const std::string& caFile) {
        if (const char* old = std::getenv("SSL_CERT_FILE"))
            old_ = old;
        ::setenv("SSL_CERT_FILE", caFile.c_str(), 1);
        ::setenv("SSL_CERT_DIR", "/nonexistent", 1);
    }
    ~TrustOnly() {
        old_.empty() ? ::unsetenv("SSL_CERT_FILE") : ::setenv("SSL_CERT_FILE", old_.c_str(), 1);
        ::unsetenv("SSL_CERT_DIR");
    }

private:
    std::string old_;
};

const char kCalendar[] =
    "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nBEGIN:VEVENT\r\nUID:x\r\n"
    "DTSTART:20261214T090000Z\r\nSUMMARY:Cut\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n";

struct Download : ::testing::Test {
    testpki::TestPki pki;
    testpki::ServerCert cert = pki.issue();
    std::string folder = pki.dir().string();
    void SetUp() override { std::ofstream(folder + "/cal.ics", std::ios::binary) << kCalendar; }
};

std::string failure(const std::string& url, const DownloadOptions& options = {}) {
    try {
        downloadCalendar(url, options);
    } catch (const CalendarError& e) {
        return e.what();
    }
    return "no error";
}

TEST_F(Download, ASubscriptionIsFetchedFromAServerTheTrustStoreVouchesFor) {
    HttpsServer server(cert, folder);
    TrustOnly trust(pki.caFile());
    EXPECT_EQ(defaultTrustPaths().caFile, pki.caFile());
    EXPECT_EQ(downloadCalendar(server.url("/cal.ics")), kCalendar);
    // webcal:// is the calendar programs' name for the same address.
    const std::string webcal = "webcal://" + server.url("/cal.ics").substr(8);
    EXPECT_EQ(downloadCalendar(subscriptionUrl(webcal)), kCalendar);
}

TEST_F(Download, UntrustedMissingHugeSlowAndDowngradedAnswersFailWithASentence) {
    HttpsServer server(cert, folder);
    {
        // Without the test authority the certificate is refused.
        TrustOnly trust(folder + "/none.pem");
        EXPECT_EQ(
            failure(server.url("/cal.ics")).rfind("The calendar could not be downloaded: ", 0), 0u);
    }
    TrustOnly trust(pki.caFile());
    EXPECT_EQ(failure(server.url("/missing.ics")),
              "The calendar server answered 404 instead of the calendar");
    EXPECT_EQ(failure(server.url("/huge.ics")),
              "The calendar is larger than 10 MB, more than the program reads");
    // The server answers after five seconds: a success would mean the time-out did not hold.
    DownloadOptions quick;
    quick.timeoutMs = 500;
    EXPECT_EQ(failure(server.url("/slow.ics"), quick)
                  .rfind("The calendar server did not answer in time", 0),
              0u);
    EXPECT_EQ(
        failure(server.url("/to-http.ics")).rfind("The calendar could not be downloaded: ", 0), 0u);
}

TEST(SubscriptionAddress, WebcalIsHttpsAndPlainHttpIsRefusedSayingWhy) {
    EXPECT_EQ(subscriptionUrl(" webcal://cal.example/p/abc.ics "), "https://cal.example/p/abc.ics");
    EXPECT_EQ(subscriptionUrl("WEBCALS://cal.example/a.ics"), "https://cal.example/a.ics");
    EXPECT_EQ(subscriptionUrl("https://cal.example/a.ics"), "https://cal.example/a.ics");
    try {
        subscriptionUrl("http://cal.example/a.ics");
        ADD_FAILURE();
    } catch (const CalendarError& e) {
        EXPECT_NE(std::string(e.what()).find("Plain http:// addresses are refused"),
                  std::string::npos);
    }
    EXPECT_THROW(subscriptionUrl("ftp://cal.example/a.ics"), CalendarError);
    EXPECT_TRUE(isCalendarAddress("webcal://x"));
    EXPECT_TRUE(isCalendarAddress("HTTP://x"));
    EXPECT_FALSE(isCalendarAddress("/home/salon/https.ics"));
}

} // namespace
