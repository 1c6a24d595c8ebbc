// The whole check against a real IMAP server (Dovecot on 127.0.0.1, its own configuration,
// certificates from a throwaway authority): what is read, what is left alone, what is kept, and
// how each failure is told.

#include "core/replies/inbox_error.h"
#include "core/replies/reply_check.h"
#include "core/replies/scripted_imap.h"
#include "core/smtp/test_pki.h"
#include "core/store/schemas.h"
#include "core/tables/date_time.h"
#include "core/tables/mem_data.h"
#include "support/dovecot_server.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <memory>

using namespace std::chrono_literals;
using testing::HasSubstr;

namespace {

std::string gatewayMail(const std::string& number, const std::string& text, const std::string& id,
                        const std::string& domain = "sms.gateway.example") {
    return "From: " + number + "@" + domain + "\r\nTo: desk@clinic.example\r\n" +
           "Subject: SMS from " + number + "\r\nMessage-ID: <" + id + ">\r\n" +
           "Date: Wed, 09 Dec 2026 10:00:00 +0000\r\n\r\n" + text + "\r\n";
}

class InboxCheckTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        pki_ = new testpki::TestPki();
        const testpki::ServerCert cert = pki_->issue();
        server_ = new testservers::DovecotServer(cert.certFile, cert.keyFile);
    }
    static void TearDownTestSuite() {
        delete server_;
        delete pki_;
    }

    InboxCheckTest() {
        static int users = 0;
        user_ = "user" + std::to_string(++users);
        settings_.server = "127.0.0.1:" + std::to_string(server_->tlsPort());
        settings_.gatewaySenders = "sms.gateway.example";
        // Two reminders of one send to one customer (the reply belongs to the nearer
        // appointment), an older send to another, and the reminder of a third.
        addSent("07700 900123", "Ann Early", 2026, 12, 10, 9, 0, 2026, 12, 8);
        addSent("07700 900123", "Ann Client", 2026, 12, 10, 14, 30, 2026, 12, 9);
        addSent("07700 900123", "Ann Later", 2026, 12, 20, 14, 30, 2026, 12, 9);
        addSent("+44 7700 900456", "Bob Client", 2026, 12, 11, 9, 15, 2026, 12, 9);
        addSent("447700900789", "Cy Client", 2026, 12, 12, 16, 0, 2026, 12, 9);
    }

    void addSent(const std::string& number, const std::string& name, int y, int m, int d, int hh,
                 int mm, int cy, int cm, int cd) {
        sent_->AddRow({FieldValue{}, number, name, dayNumber(y, m, d), timeMs(hh, mm),
                       std::string("Your appointment"), 1, 0, dayNumber(cy, cm, cd), false, false,
                       dateTimeValue(dayNumber(cy, cm, cd), timeMs(8, 0))});
    }

    InboxLogin login(uint16_t port = 0) const {
        InboxLogin l;
        l.server = parseInboxServer(port ? "127.0.0.1:" + std::to_string(port) : settings_.server);
        l.server.implicitTls = !port; // the test server's TLS port is not 993
        l.user = user_;
        l.password = password_;
        l.trustFile = trustFile_;
        // Generous for a loaded machine; the failure tests shorten them.
        l.timeouts = timeouts_;
        return l;
    }

    AppliedReplies check(uint16_t port = 0) {
        const FetchedReplies fetched =
            fetchReplies(settings_, login(port), state_, dateTimeValue(dayNumber(2026, 12, 9), 0));
        const AppliedReplies applied =
            applyReplies(fetched.replies, *replies_, *sent_, *doNotText_, dayNumber(2026, 12, 9));
        state_ = fetched.state;
        return applied;
    }

    std::string cell(int row, const char* field) const {
        return replies_->CellText(row, replies_->FieldIndex(field));
    }
    int rowOf(const std::string& number) const {
        for (int row = 0; row < replies_->RowCount(); ++row)
            if (cell(row, fields::number) == number)
                return row;
        return -1;
    }

    static testpki::TestPki* pki_;
    static testservers::DovecotServer* server_;
    std::string user_;
    std::string password_ = "secret";
    InboxTimeouts timeouts_ = {10s, 20s, 20s};
    std::string trustFile_ = pki_->caFile();
    InboxSettings settings_;
    InboxState state_;
    std::unique_ptr<TdxMemData> replies_ = schemas::makeReplies();
    std::unique_ptr<TdxMemData> sent_ = schemas::makeSentItems();
    std::unique_ptr<TdxMemData> doNotText_ = schemas::makeDoNotText();
};

testpki::TestPki* InboxCheckTest::pki_ = nullptr;
testservers::DovecotServer* InboxCheckTest::server_ = nullptr;

TEST_F(InboxCheckTest, RepliesAreReadMatchedAndSortedWhileOtherMailIsLeftAlone) {
    server_->deliver(user_, gatewayMail("447700900123", "Yes, see you then", "r1@gw"));
    server_->deliver(user_, gatewayMail("447700900456", "no sorry, can't make it", "r2@gw"));
    server_->deliver(user_, gatewayMail("447700900789", "STOP", "r3@gw"));
    server_->deliver(user_, gatewayMail("447700900999", "YES", "r4@gw"));
    server_->deliver(user_, "From: friend@example.com\r\nSubject: lunch\r\nMessage-ID: <f@x>\r\n"
                            "\r\nYES lunch on Friday\r\n");
    server_->deliver(user_, gatewayMail("447700900111", "YES", "r5@gw", "gateway.example.org"));
    const std::vector<std::string> before = server_->mailFiles(user_);

    const AppliedReplies applied = check();

    EXPECT_EQ(applied.added, 4);
    EXPECT_EQ(applied.stops, 1);
    ASSERT_EQ(replies_->RowCount(), 4);
    struct Expected {
        const char *number, *name, *date, *time, *kind;
    };
    for (const Expected& e :
         {Expected{"447700900123", "Ann Client", "10/12/2026", "14:30:00", "Confirmed"},
          Expected{"447700900456", "Bob Client", "11/12/2026", "09:15:00", "Cancelled"},
          Expected{"447700900789", "Cy Client", "12/12/2026", "16:00:00", "Stop"},
          Expected{"447700900999", "", "", "", "Other"}}) {
        const int row = rowOf(e.number);
        ASSERT_GE(row, 0) << e.number;
        EXPECT_EQ(cell(row, fields::name), e.name) << e.number;
        EXPECT_EQ(cell(row, fields::appointment_date), e.date) << e.number;
        EXPECT_EQ(cell(row, fields::appointment_time), e.time) << e.number;
        EXPECT_EQ(cell(row, fields::kind), e.kind) << e.number;
        EXPECT_EQ(cell(row, fields::read_flag), "False") << e.number;
    }
    EXPECT_EQ(cell(rowOf("447700900456"), fields::text), "no sorry, can't make it");
    EXPECT_EQ(cell(rowOf("447700900123"), fields::message_id), "r1@gw");
    EXPECT_EQ(unreadAttentionCount(*replies_), 2); // the cancellation and the unknown number

    ASSERT_EQ(doNotText_->RowCount(), 1);
    EXPECT_EQ(doNotText_->CellText(0, doNotText_->FieldIndex(fields::number)), "447700900789");
    EXPECT_EQ(doNotText_->CellText(0, doNotText_->FieldIndex(fields::note)), "replied STOP");
    EXPECT_EQ(doNotText_->CellText(0, doNotText_->FieldIndex(fields::date_added)), "09/12/2026");

    // Read-only: every e-mail is still there, and none was flagged (Maildir keeps the flags
    // in the file name, after ":2,").
    const std::vector<std::string> after = server_->mailFiles(user_);
    ASSERT_EQ(after.size(), before.size());
    for (const std::string& name : after)
        EXPECT_EQ(name.find(":2,S"), std::string::npos) << name;
}

TEST_F(InboxCheckTest, ASecondCheckReadsOnlyWhatArrivedSince) {
    server_->deliver(user_, gatewayMail("447700900123", "YES", "s1@gw"));
    EXPECT_EQ(check().added, 1);
    EXPECT_EQ(check().added, 0);
    server_->deliver(user_, gatewayMail("447700900456", "CANCEL", "s2@gw"));
    EXPECT_EQ(check().added, 1);
    EXPECT_EQ(replies_->RowCount(), 2);
    EXPECT_GE(state_.lastUid, 2u);
}

TEST_F(InboxCheckTest, AChangedUidValidityReadsTheFolderAgainKeepingEachReplyOnce) {
    server_->deliver(user_, gatewayMail("447700900123", "YES", "v1@gw"));
    server_->deliver(user_, gatewayMail("447700900456", "NO", "v2@gw"));
    EXPECT_EQ(check().added, 2);
    const uint32_t oldValidity = state_.uidValidity;
    server_->renumber(user_);
    server_->deliver(user_, gatewayMail("447700900789", "OK", "v3@gw"));

    EXPECT_EQ(check().added, 1);
    EXPECT_NE(state_.uidValidity, oldValidity);
    EXPECT_EQ(replies_->RowCount(), 3);
}

TEST_F(InboxCheckTest, StartTlsOnTheOtherPortReadsTheSame) {
    server_->deliver(user_, gatewayMail("447700900123", "Y", "t1@gw"));
    EXPECT_EQ(check(server_->startTlsPort()).added, 1);
    EXPECT_EQ(cell(0, fields::kind), "Confirmed");
}

TEST_F(InboxCheckTest, TheSystemTrustStoreNamedBySslCertFileIsTheOneTrusted) {
    server_->deliver(user_, gatewayMail("447700900123", "YES", "e1@gw"));
    trustFile_.clear();
    ::setenv("SSL_CERT_FILE", pki_->caFile().c_str(), 1);
    ::setenv("SSL_CERT_DIR", "/nonexistent", 1);
    const int added = check().added;
    ::unsetenv("SSL_CERT_FILE");
    ::unsetenv("SSL_CERT_DIR");
    EXPECT_EQ(added, 1);
}

TEST_F(InboxCheckTest, AFiftyMegabyteEMailIsReadFromItsFirstPartAlone) {
    std::string mail = "From: 447700900123@sms.gateway.example\r\nMessage-ID: <big@gw>\r\n"
                       "Date: Wed, 09 Dec 2026 10:00:00 +0000\r\nMIME-Version: 1.0\r\n"
                       "Content-Type: multipart/mixed; boundary=\"b\"\r\n\r\n--b\r\n"
                       "Content-Type: text/plain\r\n\r\nConfirm please\r\n--b\r\n"
                       "Content-Type: application/octet-stream\r\n"
                       "Content-Transfer-Encoding: base64\r\n\r\n";
    const std::string line(76, 'A');
    while (mail.size() < 50u * 1024 * 1024)
        mail += line + "\r\n";
    mail += "--b--\r\n";
    server_->deliver(user_, mail);

    EXPECT_EQ(check().added, 1);
    EXPECT_EQ(cell(0, fields::kind), "Confirmed");
    EXPECT_EQ(cell(0, fields::text), "Confirm please");
}

// Each failure is one clear text naming the server and the reason, and changes nothing.
class InboxFailureTest : public InboxCheckTest {
protected:
    void expectFailure(uint16_t port, const std::string& reason) {
        server_->deliver(user_, gatewayMail("447700900123", "YES", "x1@gw"));
        const auto start = std::chrono::steady_clock::now();
        try {
            check(port);
            FAIL() << "the check succeeded";
        } catch (const EInboxError& e) {
            EXPECT_THAT(e.what(),
                        HasSubstr("127.0.0.1:" + std::to_string(port ? port : server_->tlsPort())));
            EXPECT_THAT(e.what(), HasSubstr(reason));
        }
        EXPECT_LT(std::chrono::steady_clock::now() - start, 30s);
        EXPECT_EQ(replies_->RowCount(), 0);
        EXPECT_EQ(doNotText_->RowCount(), 0);
        EXPECT_EQ(state_.uidValidity, 0u);
    }
};

TEST_F(InboxFailureTest, AWrongPasswordIsRefused) {
    password_ = "wrong";
    expectFailure(0, "refused the user name or the password");
}

TEST_F(InboxFailureTest, ACertificateFromAnUntrustedAuthorityIsRefused) {
    testpki::TestPki stranger;
    trustFile_ = stranger.caFile();
    expectFailure(0, "certificate was refused");
}

TEST_F(InboxFailureTest, AServerThatNeverAnswersEndsWithinTheTimeOut) {
    timeouts_ = {1s, 1s, 1s};
    testservers::ScriptedImap silent(testservers::ScriptedImap::Behaviour::Silent);
    expectFailure(silent.port(), "did not answer");
}

TEST_F(InboxFailureTest, AServerWithoutStartTlsNeverGetsThePassword) {
    testservers::ScriptedImap plain(testservers::ScriptedImap::Behaviour::NoStartTls);
    expectFailure(plain.port(), "does not offer TLS");
}

TEST_F(InboxFailureTest, AMissingFolderIsNamed) {
    settings_.folder = "Nowhere";
    expectFailure(0, "Mailbox doesn't exist");
}

} // namespace
