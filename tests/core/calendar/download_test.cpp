#include "core/calendar/calendar_download.h"
#include "core/smtp/test_pki.h"
#include "core/tables/trust_store.h"
#include "support/https_server.h"

#include <gtest/gtest.h>

#include <fstream>

namespace {

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
