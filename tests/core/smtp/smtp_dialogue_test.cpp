// The SMTP dialogue against a scripted server: exact bytes on the wire and every failure path.

#include "core/smtp/smtp_client.h"
#include "scripted_server.h"
#include "smtp_failure.h"
#include "support/mail_headers.h"
#include "tls_fixture.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <functional>
#include <optional>
#include <thread>
#include <unistd.h>

namespace {

using namespace std::chrono_literals;

constexpr double kTue5Mar2002 = 37320.0; // days since 30/12/1899

// A client whose clock, UTC offset, language and host name are fixed.
void configure(TIdSMTP& smtp, uint16_t port) {
    smtp.Host = "127.0.0.1";
    smtp.Port = port;
    smtp.Environment.Now = [] { return kTue5Mar2002 + 0.5; };
    smtp.Environment.UtcOffsetMinutes = [](double) { return 120; };
    smtp.Environment.LocaleName = "en_GB.UTF-8";
    smtp.Environment.LocalName = "testhost";
    // Short limits so a missing reply fails quickly.
    smtp.Timeouts.greeting = smtp.Timeouts.command = smtp.Timeouts.mailFrom = smtp.Timeouts.rcptTo =
        smtp.Timeouts.dataStart = smtp.Timeouts.dataEnd = 3s;
    smtp.Timeouts.connect = 3s;
    smtp.Timeouts.dataBlock = 3s;
}

TIdMessage baseMessage() {
    TIdMessage m;
    m.From.Address = "sender@example.com";
    m.Recipients.SetEMailAddresses("gateway@sms.example");
    m.Subject = "Batch";
    m.Body = {"a^b^"};
    m.Date = kTue5Mar2002;
    return m;
}

const std::string kHeaders = headerBlock({.from = "sender@example.com",
                                          .subject = "Batch",
                                          .to = "gateway@sms.example",
                                          .date = "Tue, 5 Mar 2002 00:00:00 +0200"});
const std::string kBaseData = kHeaders + "a^b^\r\n.\r\n";

// "dXNlcg==" and "c2VjcmV0" are "user" and "secret" in Base64.
const std::string kAuthCommands = "auth LOGIN\r\ndXNlcg==\r\nc2VjcmV0\r\n";

ServerStep ehloWithLogin() {
    return reply({"250-mail.example", "250-AUTH LOGIN PLAIN", "250 OK"});
}

// Over implicit TLS, since the password never goes out in clear text.
TEST(SmtpDialogue, CompleteTransactionWithAuthenticationAndOneBlindCopy) {
    ScriptedServer server(
        {reply({"220 mail.example ESMTP"}), ehloWithLogin(), reply({"250 2.0.0 Reset"}),
         reply({"334 VXNlcm5hbWU6"}), reply({"334 UGFzc3dvcmQ6"}), reply({"235 2.7.0 Accepted"}),
         reply({"250 2.1.0 Sender OK"}), reply({"250 2.1.5 Recipient OK"}),
         reply({"250 2.1.5 Recipient OK"}), reply({"354 Go ahead"}), reply({"250 2.0.0 Queued"})},
        tlsfixture::serverTls(true));
    TIdSMTP smtp;
    configure(smtp, server.port());
    smtp.UseTLS = SmtpTls::Implicit;
    tlsfixture::trustTestAuthority(smtp);
    smtp.AuthenticationType = TIdSMTPAuthenticationType::atLogin;
    smtp.UserId = "user";
    smtp.Password = "secret";

    TIdMessage m;
    m.From.Address = "me@shop.example";
    m.Recipients.SetEMailAddresses("gateway@sms.example");
    m.BccList.SetEMailAddresses("boss@shop.example");
    m.Subject = "Tallyminder v.1.0.0.1";
    m.Body = {"contact_no^name^", "0412345678^Jo Smith^"};
    m.Date = kTue5Mar2002;
    m.ReplyTo.SetEMailAddresses("office@shop.example");

    ASSERT_FALSE(smtp.Connected());
    smtp.Connect();
    EXPECT_EQ(smtp.AuthSchemesSupported(), (std::vector<std::string>{"LOGIN", "PLAIN"}));
    smtp.Send(m);
    EXPECT_TRUE(smtp.DidAuthenticate());
    EXPECT_EQ(smtp.LastReply().code, 250);
    smtp.Disconnect();
    EXPECT_FALSE(smtp.Connected());

    EXPECT_EQ(server.received(), "[TLS]ehlo testhost\r\n"
                                 "Rset\r\n"
                                 "auth LOGIN\r\n"
                                 "dXNlcg==\r\n"
                                 "c2VjcmV0\r\n"
                                 "Mail from:<me@shop.example>\r\n"
                                 "RCPT to:<gateway@sms.example>\r\n"
                                 "RCPT to:<boss@shop.example>\r\n"
                                 "Data\r\n" +
                                     headerBlock({.from = "me@shop.example",
                                                  .subject = "Tallyminder v.1.0.0.1",
                                                  .to = "gateway@sms.example",
                                                  .replyTo = "office@shop.example",
                                                  .date = "Tue, 5 Mar 2002 00:00:00 +0200"}) +
                                     "contact_no^name^\r\n"
                                     "0412345678^Jo Smith^\r\n"
                                     ".\r\n"
                                     "Quit\r\n");
}

// Every member has a default, so a case names only what it sets.
struct DialogueCase {
    std::string name{};
    // Empty: no server at all (the client's Host and Port come from setup).
    std::vector<ServerStep> script{};
    std::function<void(TIdSMTP&, TIdMessage&)> setup{};
    // The password goes out, so the server speaks implicit TLS (the transcript it records
    // begins with "[TLS]").
    bool tls = false;
    Failure failure = Failure::None;
    bool failsInConnect = false;
    // For reply errors: the error's text and code. For socket errors: the errno, when fixed.
    std::string failureText{};
    int failureCode = 0;
    bool connectedAfter = true;
    // Everything the server received, including the "Quit" of the final Disconnect.
    std::string transcript{};
};

void withAuth(TIdSMTP& smtp, TIdMessage&) {
    smtp.AuthenticationType = TIdSMTPAuthenticationType::atLogin;
    smtp.UserId = "user";
    smtp.Password = "secret";
}

const std::string kMailToData = "Mail from:<sender@example.com>\r\n"
                                "RCPT to:<gateway@sms.example>\r\n"
                                "Data\r\n";

std::vector<ServerStep> plainScript(ServerStep ehlo) {
    return {reply({"220 hi"}), std::move(ehlo),   reply({"250 ok"}), reply({"250 ok"}),
            reply({"250 ok"}), reply({"354 go"}), reply({"250 ok"})};
}

std::vector<ServerStep> authScript(ServerStep ehlo) {
    return {reply({"220 hi"}),           std::move(ehlo),
            reply({"250 ok"}),           reply({"334 VXNlcm5hbWU6"}),
            reply({"334 UGFzc3dvcmQ6"}), reply({"235 ok"}),
            reply({"250 ok"}),           reply({"250 ok"}),
            reply({"354 go"}),           reply({"250 ok"})};
}

std::vector<ServerStep> bodyScript() {
    return plainScript(reply({"250 ok"}));
}

std::string plainTranscript(const std::string& data = kBaseData) {
    return "ehlo testhost\r\nRset\r\n" + kMailToData + data + "Quit\r\n";
}

std::vector<DialogueCase> dialogueCases() {
    std::vector<DialogueCase> cases;
    cases.push_back({
        .name = "EhloRefusedGivesHeloAndNoAuthentication",
        .script = {reply({"220 hi"}), reply({"502 5.5.1 Unrecognized command"}),
                   reply({"250 hello"}), reply({"250 ok"}), reply({"250 ok"}), reply({"250 ok"}),
                   reply({"354 go"}), reply({"250 ok"})},
        .setup = withAuth,
        .transcript =
            "ehlo testhost\r\nHelo testhost\r\nRset\r\n" + kMailToData + kBaseData + "Quit\r\n",
    });
    cases.push_back({
        .name = "AuthAnnouncedWithEqualsSign",
        .script = authScript(reply({"250-mail", "250-AUTH=LOGIN", "250 SIZE 100"})),
        .setup = withAuth,
        .tls = true,
        .transcript =
            "ehlo testhost\r\nRset\r\n" + kAuthCommands + kMailToData + kBaseData + "Quit\r\n",
    });
    cases.push_back({
        .name = "AuthAnnouncedWithBlankAndTwoSchemes",
        .script = authScript(reply({"250-mail", "250-auth plain login", "250 OK"})),
        .setup = withAuth,
        .tls = true,
        .transcript =
            "ehlo testhost\r\nRset\r\n" + kAuthCommands + kMailToData + kBaseData + "Quit\r\n",
    });
    cases.push_back({
        .name = "AuthOnTheFirstLineIsNotTaken",
        .script = plainScript(reply({"250 AUTH LOGIN"})),
        .setup = withAuth,
        .transcript = plainTranscript(),
    });
    cases.push_back({
        .name = "LoginNotAnnouncedMeansNoAuthentication",
        .script = plainScript(reply({"250-mail", "250 AUTH PLAIN CRAM-MD5"})),
        .setup = withAuth,
        .transcript = plainTranscript(),
    });
    cases.push_back({
        .name = "MultiLineReplyEndingInBareCodeAndBlank",
        .script = authScript(
            ServerStep{{"250-mail\r\n\r\n250-AUTH LOGIN\r\n  250-SIZE 10  \r\n250 \r\n"}}),
        .setup = withAuth,
        .tls = true,
        .transcript =
            "ehlo testhost\r\nRset\r\n" + kAuthCommands + kMailToData + kBaseData + "Quit\r\n",
    });
    cases.push_back({
        .name = "ReplySplitAcrossSegmentsAtAwkwardPoints",
        .script = authScript(
            ServerStep{{"250-mail\r", "\n25", "0-AU", "TH LOGIN\r\n250", " OK\r", "\n"}}),
        .setup = withAuth,
        .tls = true,
        .transcript =
            "ehlo testhost\r\nRset\r\n" + kAuthCommands + kMailToData + kBaseData + "Quit\r\n",
    });
    cases.push_back({
        .name = "GreetingSplitInsideTheCode",
        .script = {ServerStep{{"2", "20 h", "i\r", "\n"}}, reply({"250 ok"}), reply({"250 ok"}),
                   reply({"250 ok"}), reply({"250 ok"}), reply({"354 go"}), reply({"250 ok"})},
        .transcript = plainTranscript(),
    });
    cases.push_back({
        .name = "RcptAnswered251Fails",
        .script = {reply({"220 hi"}), reply({"250 ok"}), reply({"250 ok"}), reply({"250 ok"}),
                   reply({"251 User not local; will forward"})},
        .failure = Failure::Reply,
        .failureText = "251 User not local; will forward",
        .failureCode = 251,
        .transcript = "ehlo testhost\r\nRset\r\nMail from:<sender@example.com>\r\n"
                      "RCPT to:<gateway@sms.example>\r\nQuit\r\n",
    });
    cases.push_back({
        .name = "PasswordRefusedLeavesConnectionOpen",
        .script = {reply({"220 hi"}), ehloWithLogin(), reply({"250 ok"}),
                   reply({"334 VXNlcm5hbWU6"}), reply({"334 UGFzc3dvcmQ6"}),
                   reply({"535 5.7.8 Authentication credentials invalid"})},
        .setup = withAuth,
        .tls = true,
        .failure = Failure::Reply,
        .failureText = "535 5.7.8 Authentication credentials invalid",
        .failureCode = 535,
        .transcript = "ehlo testhost\r\nRset\r\n" + kAuthCommands + "Quit\r\n",
    });
    cases.push_back({
        .name = "MailFromRefused",
        .script = {reply({"220 hi"}), reply({"250 ok"}), reply({"250 ok"}),
                   reply({"550 5.7.1 Sender rejected"})},
        .failure = Failure::Reply,
        .failureText = "550 5.7.1 Sender rejected",
        .failureCode = 550,
        .transcript = "ehlo testhost\r\nRset\r\nMail from:<sender@example.com>\r\n"
                      "Quit\r\n",
    });
    cases.push_back({
        .name = "MultiLineErrorReportsItsLastLine",
        .script = {reply({"220 hi"}), reply({"250 ok"}), reply({"250 ok"}), reply({"250 ok"}),
                   reply({"250 ok"}), reply({"554-5.7.1 Message refused", "554 5.7.1 see policy"})},
        .failure = Failure::Reply,
        .failureText = "554 5.7.1 see policy",
        .failureCode = 554,
        .transcript = "ehlo testhost\r\nRset\r\n" + kMailToData + "Quit\r\n",
    });
    cases.push_back({
        .name = "ServerClosesMidDialogue",
        .script = {reply({"220 hi"}), reply({"250 ok"}), reply({"250 ok"}), hangUp()},
        .failure = Failure::Closed,
        .failureText = "Connection Closed Gracefully. The server closed the connection while "
                       "the program waited for its answer to MAIL FROM.",
        .connectedAfter = false,
        .transcript = "ehlo testhost\r\nRset\r\nMail from:<sender@example.com>\r\n",
    });
    // A hang-up at each step names the step.
    {
        const char* const awaited[] = {"its greeting",          "its answer to EHLO",
                                       "its answer to RSET",    "its answer to MAIL FROM",
                                       "its answer to RCPT TO", "its answer to DATA"};
        const char* const sent[] = {"ehlo testhost\r\n", "Rset\r\n",
                                    "Mail from:<sender@example.com>\r\n",
                                    "RCPT to:<gateway@sms.example>\r\n", "Data\r\n"};
        for (size_t step = 0; step < std::size(awaited); ++step) {
            DialogueCase c;
            c.name = "HangUpAwaiting" + std::to_string(step);
            c.script = bodyScript();
            c.script.resize(step);
            c.script.push_back(hangUp());
            c.failure = Failure::Closed;
            c.failsInConnect = step <= 1;
            c.failureText = std::string("Connection Closed Gracefully. The server closed the "
                                        "connection while the program waited for ") +
                            awaited[step] + ".";
            c.connectedAfter = false;
            for (size_t i = 0; i < step; ++i)
                c.transcript += sent[i];
            cases.push_back(std::move(c));
        }
    }
    // 421: the server is closing. Whatever the step accepts, the session ends there.
    cases.push_back({
        .name = "ServiceClosingAtEhloEndsTheSession",
        .script = {reply({"220 hi"}), reply({"421 4.3.2 Shutting down"})},
        .failure = Failure::Reply,
        .failsInConnect = true,
        .failureText = "421 4.3.2 Shutting down",
        .failureCode = 421,
        .connectedAfter = false,
        .transcript = "ehlo testhost\r\n",
    });
    cases.push_back({
        .name = "ServiceClosingAtRsetEndsTheSession",
        .script = {reply({"220 hi"}), reply({"250 ok"}), reply({"421 4.4.2 Timeout"})},
        .failure = Failure::Reply,
        .failureText = "421 4.4.2 Timeout",
        .failureCode = 421,
        .connectedAfter = false,
        .transcript = "ehlo testhost\r\nRset\r\n",
    });
    // Blank lines count towards the reply's line limit, so a flood of them ends.
    {
        DialogueCase c;
        c.name = "FloodOfBlankLinesIsRefused";
        std::string blanks;
        for (int i = 0; i < 5000; ++i)
            blanks += "\r\n";
        c.script = {reply({"220 hi"}), ServerStep{{blanks, blanks, "250 ok\r\n"}}};
        c.failure = Failure::Reply;
        c.failsInConnect = true;
        c.failureText = "Reply longer than 1000 lines";
        c.connectedAfter = false;
        c.transcript = "ehlo testhost\r\n";
        cases.push_back(std::move(c));
    }
    cases.push_back({
        .name = "TrickleOfBlankLinesTimesOut",
        .script = {reply({"220 hi"}),
                   ServerStep{std::vector<std::string>(40, std::string(20, '\n'))}},
        .setup = [](TIdSMTP& s, TIdMessage&) { s.Timeouts.command = 200ms; },
        .failure = Failure::Socket,
        .failsInConnect = true,
        .failureCode = ETIMEDOUT,
        .connectedAfter = false,
        .transcript = "ehlo testhost\r\n",
    });
    cases.push_back({
        .name = "GreetingRefused",
        .script = {reply({"554 5.3.2 Service not available"})},
        .failure = Failure::Reply,
        .failsInConnect = true,
        .failureText = "554 5.3.2 Service not available",
        .failureCode = 554,
        .connectedAfter = false,
        .transcript = "",
    });
    cases.push_back({
        .name = "HeloRefusedToo",
        .script = {reply({"220 hi"}), reply({"500 what"}), reply({"501 bad name"})},
        .failure = Failure::Reply,
        .failsInConnect = true,
        .failureText = "501 bad name",
        .failureCode = 501,
        .connectedAfter = false,
        .transcript = "ehlo testhost\r\nHelo testhost\r\n",
    });
    cases.push_back({
        .name = "ConnectionRefused",
        .setup = [](TIdSMTP& s, TIdMessage&) { s.Port = closedPort(); },
        .failure = Failure::Socket,
        .failsInConnect = true,
        .failureCode = ECONNREFUSED,
        .connectedAfter = false,
    });
    cases.push_back({
        .name = "UnresolvableName",
        .setup = [](TIdSMTP& s, TIdMessage&) { s.Host = "no-such-host.invalid"; },
        .failure = Failure::Socket,
        .failsInConnect = true,
        .connectedAfter = false,
    });
    cases.push_back({
        .name = "SilentServerTimesOutOnGreeting",
        .script = {silence()},
        .setup = [](TIdSMTP& s, TIdMessage&) { s.Timeouts.greeting = 200ms; },
        .failure = Failure::Socket,
        .failsInConnect = true,
        .failureCode = ETIMEDOUT,
        .connectedAfter = false,
    });
    {
        auto script = bodyScript();
        script.back() = silence();
        cases.push_back({
            .name = "NoReplyToTheFinalDotIsUnconfirmed",
            .script = script,
            .setup = [](TIdSMTP& s, TIdMessage&) { s.Timeouts.dataEnd = 200ms; },
            .failure = Failure::Unconfirmed,
            .failureText = "Connection timed out while the program waited for its answer to "
                           "the end of the message (the final \".\").",
            .connectedAfter = false,
            .transcript = "ehlo testhost\r\nRset\r\n" + kMailToData + kBaseData,
        });
        {
            DialogueCase c;
            c.name = "HangUpAfterTheFinalDotIsUnconfirmed";
            c.script = bodyScript();
            c.script.back() = hangUp();
            c.failure = Failure::Unconfirmed;
            c.failureText = "The server closed the connection while the program waited for its "
                            "answer to the end of the message (the final \".\").";
            c.connectedAfter = false;
            c.transcript = "ehlo testhost\r\nRset\r\n" + kMailToData + kBaseData;
            cases.push_back(std::move(c));
        }
        {
            DialogueCase c;
            c.name = "RefusalOfTheMessageIsAPlainReplyError";
            c.script = bodyScript();
            c.script.back() = reply({"554 5.6.0 Message refused"});
            c.failure = Failure::Reply;
            c.failureText = "554 5.6.0 Message refused";
            c.failureCode = 554;
            c.transcript = "ehlo testhost\r\nRset\r\n" + kMailToData + kBaseData + "Quit\r\n";
            cases.push_back(std::move(c));
        }
    }
    cases.push_back({
        .name = "OverlongReplyLineIsRefused",
        .script = {reply({"220 " + std::string(70000, 'x')})},
        .failure = Failure::Reply,
        .failsInConnect = true,
        .failureText = "Reply line longer than 65536 characters",
        .failureCode = 0,
        .connectedAfter = false,
    });
    {
        std::string many;
        for (int i = 0; i < 1000; ++i)
            many += "250-line\r\n";
        cases.push_back({
            .name = "ReplyOfTooManyLinesIsRefused",
            .script = {reply({"220 hi"}), ServerStep{{many + "250 OK\r\n"}}},
            .failure = Failure::Reply,
            .failsInConnect = true,
            .failureText = "Reply longer than 1000 lines",
            .failureCode = 0,
            .connectedAfter = false,
            .transcript = "ehlo testhost\r\n",
        });
    }
    {
        std::string most;
        for (int i = 0; i < 999; ++i)
            most += "250-line\r\n";
        cases.push_back({
            .name = "ReplyOfExactlyAThousandLinesIsRead",
            .script = plainScript(ServerStep{{most + "250 OK\r\n"}}),
            .transcript = plainTranscript(),
        });
    }
    cases.push_back({
        .name = "DotStuffing",
        .script = bodyScript(),
        .setup =
            [](TIdSMTP&, TIdMessage& m) {
                m.Body = {".", "..", ".x", "a.b", "."};
            },
        .transcript = plainTranscript(kHeaders + "..\r\n...\r\n..x\r\na.b\r\n..\r\n.\r\n"),
    });
    cases.push_back({
        .name = "EmptyBodyLines",
        .script = bodyScript(),
        .setup =
            [](TIdSMTP&, TIdMessage& m) {
                m.Body = {"", "a", "", ""};
            },
        .transcript = plainTranscript(kHeaders + "\r\na\r\n\r\n\r\n.\r\n"),
    });
    cases.push_back({
        .name = "EmptyBody",
        .script = bodyScript(),
        .setup = [](TIdSMTP&, TIdMessage& m) { m.Body.clear(); },
        .transcript = plainTranscript(kHeaders + ".\r\n"),
    });
    {
        DialogueCase c;
        c.name = "LineBreaksInsideABodyLineCannotEndTheData";
        c.script = bodyScript();
        c.setup = [](TIdSMTP&, TIdMessage& m) {
            m.Body = {"x\r\n.\r\nMail from:<evil@x>", "a\nb\rc", "end\n"};
        };
        c.transcript = plainTranscript(kHeaders + "x\r\n..\r\nMail from:<evil@x>\r\na\r\nb\r\nc\r\n"
                                                  "end\r\n\r\n.\r\n");
        cases.push_back(std::move(c));
    }
    {
        DialogueCase c;
        c.name = "LongSubjectIsFolded";
        c.script = bodyScript();
        c.setup = [](TIdSMTP&, TIdMessage& m) {
            m.Subject = "Reminders for the week of the spring sale at the shop on the "
                        "corner of Main Street and Station Road";
        };
        // The long subject is folded onto a second line.
        c.transcript = plainTranscript(
            headerBlock({.from = "sender@example.com",
                         .subject = "Reminders for the week of the spring sale at the shop on "
                                    "the corner\r\n of Main Street and Station Road",
                         .to = "gateway@sms.example",
                         .date = "Tue, 5 Mar 2002 00:00:00 +0200"}) +
            "a^b^\r\n.\r\n");
        cases.push_back(std::move(c));
    }
    {
        DialogueCase c;
        c.name = "BlindCopiesGetRcptButNoHeader";
        c.script = {reply({"220 hi"}), reply({"250 ok"}), reply({"250 ok"}), reply({"250 ok"}),
                    reply({"250 ok"}), reply({"250 ok"}), reply({"250 ok"}), reply({"250 ok"}),
                    reply({"354 go"}), reply({"250 ok"})};
        c.setup = [](TIdSMTP&, TIdMessage& m) {
            m.CCList.SetEMailAddresses("cc@example.com");
            m.BccList.SetEMailAddresses("Boss <bcc1@example.com>, bcc2@example.com");
        };
        c.transcript = "ehlo testhost\r\nRset\r\nMail from:<sender@example.com>\r\n"
                       "RCPT to:<gateway@sms.example>\r\nRCPT to:<cc@example.com>\r\n"
                       "RCPT to:<bcc1@example.com>\r\nRCPT to:<bcc2@example.com>\r\n"
                       "Data\r\n" +
                       headerBlock({.from = "sender@example.com",
                                    .subject = "Batch",
                                    .to = "gateway@sms.example",
                                    .cc = "cc@example.com",
                                    .date = "Tue, 5 Mar 2002 00:00:00 +0200"}) +
                       "a^b^\r\n.\r\nQuit\r\n";
        cases.push_back(std::move(c));
    }
    {
        DialogueCase c;
        c.name = "MailAgentBecomesXMailer";
        c.script = bodyScript();
        c.setup = [](TIdSMTP& s, TIdMessage& m) {
            s.MailAgent = "Tallyminder";
            m.ExtraHeaders.SetValue("X-Batch", "7");
        };
        c.transcript = plainTranscript(kHeaders.substr(0, kHeaders.size() - 2) +
                                       "X-Batch: 7\r\nX-Mailer: Tallyminder\r\n\r\n"
                                       "a^b^\r\n.\r\n");
        cases.push_back(std::move(c));
    }
    // Values with line breaks are refused before the transaction starts.
    const std::string refusedTranscript = "ehlo testhost\r\nQuit\r\n";
    auto refused = [&](std::string name, std::function<void(TIdSMTP&, TIdMessage&)> setup,
                       std::string text) {
        cases.push_back({
            .name = std::move(name),
            .script = {reply({"220 hi"}), ehloWithLogin()},
            .setup = std::move(setup),
            .failure = Failure::LineBreak,
            .failureText = std::move(text),
            .transcript = refusedTranscript,
        });
    };
    refused(
        "LineBreakInRecipientIsRefused",
        [](TIdSMTP&, TIdMessage& m) { m.Recipients[0].Address = "a@b\r\nRCPT to:<evil@x>"; },
        "The message was not sent: a recipient address contains a line break "
        "(\"a@b\\r\\nRCPT to:<evil@x>\").");
    refused(
        "LineBreakInBlindCopyIsRefused",
        [](TIdSMTP&, TIdMessage& m) { m.BccList.SetEMailAddresses("x@y\nDATA"); },
        "The message was not sent: a recipient address contains a line break "
        "(\"x@y\\nDATA\").");
    refused(
        "LineBreakInSenderIsRefused", [](TIdSMTP&, TIdMessage& m) { m.From.Address = "me@x\r"; },
        "The message was not sent: the sender address contains a line break (\"me@x\\r\").");
    refused(
        "LineBreakInSubjectIsRefused",
        [](TIdSMTP&, TIdMessage& m) { m.Subject = "Hi\nBcc: all@x"; },
        "The message was not sent: the subject contains a line break (\"Hi\\nBcc: all@x\").");
    refused(
        "LineBreakInUserIdIsRefused",
        [](TIdSMTP& s, TIdMessage& m) {
            withAuth(s, m);
            s.UserId = "user\r\nMAIL FROM:<x>";
        },
        "The message was not sent: the user id contains a line break (\"user\\r\\nMAIL "
        "FROM:<x>\").");
    refused(
        "LineBreakInReplyToIsRefused",
        [](TIdSMTP&, TIdMessage& m) { m.ReplyTo.SetEMailAddresses("r@x\nTo: y"); },
        "The message was not sent: the reply-to address contains a line break "
        "(\"r@x\\nTo: y\").");
    return cases;
}

void PrintTo(const DialogueCase& c, std::ostream* os) {
    *os << c.name;
}

class SmtpDialogueCases : public ::testing::TestWithParam<DialogueCase> {};

TEST_P(SmtpDialogueCases, Transcript) {
    const DialogueCase& c = GetParam();
    std::optional<ScriptedServer> server;
    if (!c.script.empty())
        server.emplace(c.script, c.tls ? std::optional(tlsfixture::serverTls(true)) : std::nullopt);
    TIdSMTP smtp;
    configure(smtp, server ? server->port() : closedPort());
    if (c.tls) {
        smtp.UseTLS = SmtpTls::Implicit;
        tlsfixture::trustTestAuthority(smtp);
    }
    TIdMessage m = baseMessage();
    if (c.setup)
        c.setup(smtp, m);

    bool inConnect = true;
    const SmtpFailure failed = failureOf([&] {
        smtp.Connect();
        inConnect = false;
        smtp.Send(m);
    });
    const std::string& text = failed.text;
    const int code = failed.code;
    EXPECT_EQ(failed.kind, c.failure) << text;
    if (c.failure != Failure::None) {
        EXPECT_EQ(inConnect, c.failsInConnect);
        if (c.failure == Failure::Socket) {
            EXPECT_FALSE(text.empty());
            if (c.failureCode != 0) {
                EXPECT_EQ(code, c.failureCode) << text;
            }
        } else {
            EXPECT_EQ(text, c.failureText);
            EXPECT_EQ(code, c.failureCode);
        }
    }
    EXPECT_EQ(smtp.Connected(), c.connectedAfter);
    smtp.Disconnect();
    EXPECT_FALSE(smtp.Connected());
    if (server) {
        EXPECT_EQ(server->received(), (c.tls ? "[TLS]" : "") + c.transcript);
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, SmtpDialogueCases, ::testing::ValuesIn(dialogueCases()),
                         [](const auto& info) { return info.param.name; });

TEST(SmtpDialogue, AuthenticatesOncePerConnectionAndAgainAfterReconnecting) {
    std::vector<ServerStep> script = authScript(ehloWithLogin());
    for (const char* r : {"250 ok", "250 ok", "250 ok", "354 go", "250 ok"})
        script.push_back(reply({r}));
    ScriptedServer first(script, tlsfixture::serverTls(true));
    TIdSMTP smtp;
    configure(smtp, first.port());
    smtp.UseTLS = SmtpTls::Implicit;
    tlsfixture::trustTestAuthority(smtp);
    TIdMessage m = baseMessage();
    withAuth(smtp, m);
    smtp.Connect();
    smtp.Send(m);
    smtp.Send(m);
    smtp.Disconnect();
    EXPECT_FALSE(smtp.DidAuthenticate());
    const std::string once =
        "[TLS]ehlo testhost\r\nRset\r\n" + kAuthCommands + kMailToData + kBaseData;
    const std::string again = "Rset\r\n" + kMailToData + kBaseData;
    EXPECT_EQ(first.received(), once + again + "Quit\r\n");

    ScriptedServer second(authScript(ehloWithLogin()), tlsfixture::serverTls(true));
    smtp.Port = second.port();
    smtp.Connect();
    smtp.Send(m);
    smtp.Disconnect();
    EXPECT_EQ(second.received(), once + "Quit\r\n");
}

TEST(SmtpDialogue, ConnectTwiceIsRefusedAndSendNeedsAConnection) {
    ScriptedServer server({reply({"220 hi"}), reply({"250 ok"})});
    TIdSMTP smtp;
    configure(smtp, server.port());
    TIdMessage m = baseMessage();
    EXPECT_THROW(smtp.Send(m), EIdNotConnected);
    smtp.Connect();
    try {
        smtp.Connect();
        ADD_FAILURE() << "second Connect succeeded";
    } catch (const EIdAlreadyConnected& e) {
        EXPECT_STREQ(e.what(), "Already connected.");
    }
    EXPECT_TRUE(smtp.Connected());
    smtp.Disconnect();
    EXPECT_EQ(server.received(), "ehlo testhost\r\nQuit\r\n");
}

// Cancel from another thread ends a wait at once, long before its time-out, as a broken
// connection would; it stands until reset, and after the final "." it leaves the batch
// unconfirmed rather than "offline".
TEST(SmtpDialogue, CancelFromAnotherThreadEndsTheWaitUnderWay) {
    auto cancelSoon = [](TIdSMTP& smtp) {
        return std::thread([&smtp] {
            std::this_thread::sleep_for(150ms);
            smtp.Cancel();
        });
    };
    TIdSMTP smtp;
    TIdMessage m = baseMessage();
    {
        ScriptedServer silent({silence()});
        configure(smtp, silent.port());
        const auto start = std::chrono::steady_clock::now();
        std::thread canceller = cancelSoon(smtp);
        try {
            smtp.Connect();
            ADD_FAILURE() << "Connect succeeded against a silent server";
        } catch (const EIdSocketError& e) {
            EXPECT_EQ(e.errorCode(), ECANCELED);
        }
        canceller.join();
        EXPECT_LT(std::chrono::steady_clock::now() - start, 2s); // the greeting may wait 3 s
        EXPECT_FALSE(smtp.Connected());
        // The cancel stands: the next attempt is refused before any connection is made.
        EXPECT_THROW(smtp.Connect(), EIdSocketError);
        EXPECT_EQ(silent.received(), "");
    }
    smtp.ResetCancel();
    {
        auto script = bodyScript();
        script.back() = silence();
        ScriptedServer server(script);
        configure(smtp, server.port());
        smtp.Connect();
        std::thread canceller = cancelSoon(smtp);
        EXPECT_THROW(smtp.Send(m), EIdDeliveryUnconfirmed);
        canceller.join();
        EXPECT_FALSE(smtp.Connected());
        EXPECT_EQ(server.received(), "ehlo testhost\r\nRset\r\n" + kMailToData + kBaseData);
    }
}

TEST(SmtpDialogue, DefaultGreetingNameIsTheMachinesHostName) {
    char host[256] = {};
    ASSERT_EQ(::gethostname(host, sizeof host - 1), 0);
    ScriptedServer server({reply({"220 hi"}), reply({"250 ok"})});
    TIdSMTP smtp;
    configure(smtp, server.port());
    smtp.Environment.LocalName.clear();
    smtp.Host = "localhost";
    smtp.Connect();
    smtp.Disconnect();
    EXPECT_EQ(server.received(), "ehlo " + std::string(host) + "\r\nQuit\r\n");
}

TEST(SmtpDialogue, OtherNamesGoThroughTheHostNameService) {
    // "127.1" is no dotted quad, so it is looked up; the service knows it as 127.0.0.1.
    ScriptedServer server({reply({"220 hi"}), reply({"250 ok"})});
    TIdSMTP smtp;
    configure(smtp, server.port());
    smtp.Host = "127.1";
    smtp.Connect();
    EXPECT_TRUE(smtp.Connected());
    smtp.Disconnect();
    EXPECT_EQ(server.received(), "ehlo testhost\r\nQuit\r\n");
}

TEST(SmtpDialogue, ZeroDateMeansNowAndUsesTheOffsetAtThatTime) {
    TIdSMTP smtp;
    configure(smtp, 25);
    double askedFor = -1;
    smtp.Environment.Now = [] { return kTue5Mar2002 + 0.75; }; // 18:00
    smtp.Environment.UtcOffsetMinutes = [&](double dt) {
        askedFor = dt;
        return -330;
    };
    TIdMessage m = baseMessage();
    m.Date = 0;
    const std::string data = smtp.DataContent(m);
    EXPECT_NE(data.find("\r\nDate: Tue, 5 Mar 2002 18:00:00 -0530\r\n"), std::string::npos) << data;
    EXPECT_DOUBLE_EQ(askedFor, kTue5Mar2002 + 0.75);
}

TEST(SmtpDialogue, BodyTextGoesOutAsItsLinesWould) {
    // A long text whose lines need no change but for the one dot, so that it goes out in runs
    // longer than the connection's buffer.
    std::string longText;
    for (int i = 0; i < 20000; ++i)
        longText += "04" + std::to_string(11000000 + i) + "^Customer " + std::to_string(i) +
                    "^Your appointment is tomorrow^\r\n";
    longText += ".last";
    const std::string texts[] = {
        "",
        "\r\n",
        "\r\n\r\n",
        "a",
        "a\r\n",
        ".",
        ".\r\n..\r\n.x\r\na.b\r\n.",
        "head^\r\n0111^Ann^\r\n0222^Bob^",
        "head^\r\n0111^Ann^\r\n0222^Bob^\r\n",
        "a\nb\rc\r\nd",
        "x\r\n.\r\nMail from:<evil@x>\r\n.",
        "a\n.b\r.c\r\r\n\n.d\n",
        "end\n",
        "end\r",
        "\r",
        "\n\r",
        "a\r\n\r\nb\r\n\r\n",
        "\xa3"
        "5\r\n.caf\xe9\r\n",
        longText,
    };
    for (const char* locale : {"en_AU.UTF-8", "ja_JP.UTF-8"}) {
        TIdSMTP smtp;
        configure(smtp, 25);
        smtp.Environment.LocaleName = locale;
        for (const std::string& text : texts) {
            TIdMessage lines = baseMessage();
            lines.Body = fileLines(text);
            TIdMessage whole = baseMessage();
            whole.Body.clear();
            whole.BodyText = text;
            const std::string expected = smtp.DataContent(lines);
            EXPECT_EQ(smtp.DataContent(whole), expected) << locale << " " << text.substr(0, 80);
            // Lines given both ways go out in that order.
            TIdMessage both = baseMessage();
            both.Body = {".first"};
            both.BodyText = text;
            lines.Body.insert(lines.Body.begin(), ".first");
            EXPECT_EQ(smtp.DataContent(both), smtp.DataContent(lines))
                << locale << " " << text.substr(0, 80);
        }
    }
}

TEST(SmtpDialogue, JapaneseSystemSendsBodyAsIso2022Jp) {
    TIdSMTP smtp;
    configure(smtp, 25);
    smtp.Environment.LocaleName = "ja_JP.UTF-8";
    TIdMessage m = baseMessage();
    // "\xa3" is the pound sign, which ISO-2022-JP carries in JIS X 0208 (row 1, cell 82).
    // "\xe9" (e acute) has no place in it and goes out as it stands.
    m.Body = {"plain ascii",
              ".\xa3"
              "5",
              "caf\xe9"};
    const std::string data = smtp.DataContent(m);
    EXPECT_NE(data.find("\r\n\r\nplain ascii\r\n..\x1b$B!r\x1b(B5\r\ncaf\xe9\r\n.\r\n"),
              std::string::npos)
        << data;
}

} // namespace
