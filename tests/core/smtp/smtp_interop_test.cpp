// Interoperability with a real SMTP server from Debian's packages (python3-aiosmtpd), started
// by the test on a free loopback port with STARTTLS required and AUTH LOGIN after it, and
// stopped in every path.

#include "core/smtp/aiosmtpd_server.h"
#include "core/smtp/smtp_client.h"
#include "support/mail_headers.h"
#include "tls_fixture.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <spawn.h>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace {

namespace fs = std::filesystem;

using testservers::AiosmtpdServer;
using testservers::readFile;

TEST(SmtpInterop, AiosmtpdStoresEnvelopeHeadersAndAMegabyteBodyExactly) {
    const auto& cert = tlsfixture::localhostCert();
    AiosmtpdServer server("batchuser", "s3cret pass", cert.certFile, cert.keyFile);
    std::string error;
    const uint16_t port = server.waitForPort(error);
    ASSERT_NE(port, 0) << error;

    // About 1 MB in the shape of a table file, with lines that need dot-stuffing, empty lines
    // and every printable character.
    std::vector<std::string> body{"contact_no^name^appointment_date^message^"};
    std::string printable;
    for (char c = ' '; c <= '~'; ++c)
        printable.push_back(c);
    size_t size = 0;
    for (int i = 0; size < 1'000'000; ++i) {
        std::string line;
        switch (i % 7) {
        case 0:
            line = "04" + std::to_string(10000000 + i) + "^Customer " + std::to_string(i) +
                   "^05/03/2002^See you at 10:30^";
            break;
        case 1:
            line = "." + std::to_string(i);
            break;
        case 2:
            line = "..";
            break;
        case 3:
            line = "";
            break;
        case 4:
            line = printable;
            break;
        case 5:
            line = ".";
            break;
        default:
            line = std::string(900, static_cast<char>('a' + i % 26));
            break;
        }
        size += line.size() + 2;
        body.push_back(std::move(line));
    }

    TIdSMTP smtp;
    smtp.Host = "localhost";
    smtp.Port = port;
    tlsfixture::trustTestAuthority(smtp);
    smtp.AuthenticationType = TIdSMTPAuthenticationType::atLogin;
    smtp.UserId = "batchuser";
    smtp.Password = "s3cret pass";
    smtp.Environment.LocaleName = "en_AU.UTF-8";
    smtp.Environment.UtcOffsetMinutes = [](double) { return 600; };
    TIdMessage m;
    m.From.Address = "office@shop.example";
    m.Recipients.SetEMailAddresses("gateway@sms.example");
    m.BccList.SetEMailAddresses("boss@shop.example, \"Back, Office\" <backup@shop.example>");
    m.ReplyTo.SetEMailAddresses("Front Desk <desk@shop.example>");
    m.Subject = "Tallyminder v.1.0.0.1";
    m.Body = body;
    m.Date = 37320.0;

    smtp.Connect();
    EXPECT_TRUE(smtp.Encrypted());
    EXPECT_NE(
        std::find(smtp.AuthSchemesSupported().begin(), smtp.AuthSchemesSupported().end(), "LOGIN"),
        smtp.AuthSchemesSupported().end());
    smtp.Send(m);
    EXPECT_TRUE(smtp.DidAuthenticate());
    EXPECT_EQ(smtp.LastReply().lastLine(), "250 2.0.0 Stored");
    smtp.Disconnect();

    EXPECT_EQ(readFile(server.dir() / "envelope.txt"), "AUTH batchuser\n"
                                                       "MAIL office@shop.example\n"
                                                       "RCPT gateway@sms.example\n"
                                                       "RCPT boss@shop.example\n"
                                                       "RCPT backup@shop.example\n");
    std::string expected = headerBlock({.from = "office@shop.example",
                                        .subject = "Tallyminder v.1.0.0.1",
                                        .to = "gateway@sms.example",
                                        .replyTo = "\"Front Desk\" <desk@shop.example>",
                                        .date = "Tue, 5 Mar 2002 00:00:00 +1000"});
    for (const auto& line : body)
        expected += line + "\r\n";
    const std::string stored = readFile(server.dir() / "content.bin");
    EXPECT_GT(stored.size(), 1'000'000u);
    // Compared without gtest's printing of a megabyte on failure.
    EXPECT_TRUE(stored == expected)
        << "stored " << stored.size() << " bytes, expected " << expected.size()
        << "; first difference at "
        << std::distance(
               stored.begin(),
               std::mismatch(stored.begin(), stored.end(), expected.begin(), expected.end()).first);
}

TEST(SmtpInterop, AiosmtpdRefusesAWrongPasswordAsAReplyError) {
    const auto& cert = tlsfixture::localhostCert();
    AiosmtpdServer server("batchuser", "right", cert.certFile, cert.keyFile);
    std::string error;
    const uint16_t port = server.waitForPort(error);
    ASSERT_NE(port, 0) << error;
    TIdSMTP smtp;
    smtp.Host = "127.0.0.1";
    smtp.Port = port;
    tlsfixture::trustTestAuthority(smtp);
    smtp.AuthenticationType = TIdSMTPAuthenticationType::atLogin;
    smtp.UserId = "batchuser";
    smtp.Password = "wrong";
    TIdMessage m;
    m.From.Address = "office@shop.example";
    m.Recipients.SetEMailAddresses("gateway@sms.example");
    smtp.Connect();
    try {
        smtp.Send(m);
        ADD_FAILURE() << "the server accepted a wrong password";
    } catch (const EIdProtocolReplyError& e) {
        EXPECT_EQ(e.replyCode(), 535) << e.what();
    }
    EXPECT_TRUE(smtp.Connected());
    smtp.Disconnect();
    EXPECT_FALSE(fs::exists(server.dir() / "content.bin"));
}

} // namespace
