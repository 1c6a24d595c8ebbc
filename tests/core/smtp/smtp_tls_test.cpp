// Encryption of the SMTP dialogue against the scripted server with TLS: STARTTLS, implicit TLS,
// the refusal of a clear-text password, certificate checks and broken handshakes.

#include "core/smtp/smtp_client.h"
#include "scripted_server.h"
#include "smtp_failure.h"
#include "support/mail_headers.h"
#include "tls_fixture.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <functional>

namespace {

using namespace std::chrono_literals;
using tlsfixture::localhostCert;
using tlsfixture::pki;
using tlsfixture::serverTls;

void configure(TIdSMTP& smtp, uint16_t port) {
    smtp.Host = "localhost";
    smtp.Port = port;
    smtp.Environment.Now = [] { return 37320.5; };
    smtp.Environment.UtcOffsetMinutes = [](double) { return 120; };
    smtp.Environment.LocaleName = "en_GB.UTF-8";
    smtp.Environment.LocalName = "testhost";
    smtp.Timeouts.connect = smtp.Timeouts.greeting = smtp.Timeouts.command =
        smtp.Timeouts.mailFrom = smtp.Timeouts.rcptTo = smtp.Timeouts.dataStart =
            smtp.Timeouts.dataEnd = smtp.Timeouts.dataBlock = smtp.Timeouts.handshake = 3s;
    smtp.AuthenticationType = TIdSMTPAuthenticationType::atLogin;
    smtp.UserId = "user";
    smtp.Password = "secret";
    tlsfixture::trustTestAuthority(smtp);
}

TIdMessage message() {
    TIdMessage m;
    m.From.Address = "sender@example.com";
    m.Recipients.SetEMailAddresses("gateway@sms.example");
    m.Subject = "Batch";
    m.Body = {"a^b^"};
    m.Date = 37320.0;
    return m;
}

const std::string kData = headerBlock({.from = "sender@example.com",
                                       .subject = "Batch",
                                       .to = "gateway@sms.example",
                                       .date = "Tue, 5 Mar 2002 00:00:00 +0200"}) +
                          "a^b^\r\n.\r\n";
// "dXNlcg==" and "c2VjcmV0" are "user" and "secret" in Base64.
const std::string kAuthToEnd = "Rset\r\nauth LOGIN\r\ndXNlcg==\r\nc2VjcmV0\r\n"
                               "Mail from:<sender@example.com>\r\n"
                               "RCPT to:<gateway@sms.example>\r\nData\r\n" +
                               kData + "Quit\r\n";

// The server's side of an authenticated transaction after its EHLO reply.
std::vector<ServerStep> authenticatedTransaction() {
    return {reply({"250 2.0.0 Reset"}),    reply({"334 VXNlcm5hbWU6"}), reply({"334 UGFzc3dvcmQ6"}),
            reply({"235 2.7.0 Accepted"}), reply({"250 2.1.0 OK"}),     reply({"250 2.1.5 OK"}),
            reply({"354 Go ahead"}),       reply({"250 2.0.0 Queued"})};
}

std::vector<ServerStep> concat(std::vector<ServerStep> a, const std::vector<ServerStep>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

ServerStep ehloOfferingTls() {
    return reply({"250-mail.example", "250-STARTTLS", "250 AUTH PLAIN"});
}

TEST(SmtpTls, StartTlsThenEhloAgainForgettingWhatWasSaidInClear) {
    ScriptedServer server(concat({reply({"220 mail.example ESMTP"}), ehloOfferingTls(),
                                  replyThenTls({"220 2.0.0 Ready to start TLS"}),
                                  reply({"250-mail.example", "250-AUTH LOGIN", "250 SIZE 1000"})},
                                 authenticatedTransaction()),
                          serverTls(false));
    TIdSMTP smtp;
    configure(smtp, server.port());
    TIdMessage m = message();
    smtp.Connect();
    EXPECT_TRUE(smtp.Encrypted());
    // PLAIN was announced only in clear text.
    EXPECT_EQ(smtp.AuthSchemesSupported(), std::vector<std::string>{"LOGIN"});
    smtp.Send(m);
    EXPECT_TRUE(smtp.DidAuthenticate());
    smtp.Disconnect();
    EXPECT_EQ(server.received(),
              "ehlo testhost\r\nSTARTTLS\r\n[TLS]ehlo testhost\r\n" + kAuthToEnd);
}

TEST(SmtpTls, ImplicitTlsFromTheFirstByte) {
    ScriptedServer server(
        concat({reply({"220 mail.example ESMTP"}), reply({"250-mail.example", "250 AUTH LOGIN"})},
               authenticatedTransaction()),
        serverTls(true));
    TIdSMTP smtp;
    configure(smtp, server.port());
    smtp.UseTLS = SmtpTls::Implicit;
    smtp.Host = "127.0.0.1"; // the certificate names the address too
    TIdMessage m = message();
    smtp.Connect();
    EXPECT_TRUE(smtp.Encrypted());
    smtp.Send(m);
    smtp.Disconnect();
    EXPECT_EQ(server.received(), "[TLS]ehlo testhost\r\n" + kAuthToEnd);
}

TEST(SmtpTls, PasswordIsNotSentOverAClearConnection) {
    ScriptedServer server({reply({"220 hi"}), reply({"250-mail.example", "250 AUTH LOGIN"})});
    TIdSMTP smtp;
    configure(smtp, server.port());
    smtp.Environment.PeerIsThisMachine = [](const TcpConnection&) { return false; }; // distant
    TIdMessage m = message();
    smtp.Connect();
    EXPECT_FALSE(smtp.Encrypted());
    try {
        smtp.Send(m);
        ADD_FAILURE() << "Send went on without encryption";
    } catch (const EIdTLSError& e) {
        EXPECT_STREQ(e.what(), "The server does not offer encryption, so the password was not "
                               "sent. Use port 587 or 465, or ask your provider for the "
                               "encrypted setting.");
        EXPECT_EQ(e.cause(), EIdTLSError::Cause::ClearTextPassword);
    }
    EXPECT_FALSE(smtp.DidAuthenticate());
    EXPECT_TRUE(smtp.Connected());
    smtp.Disconnect();
    EXPECT_EQ(server.received(), "ehlo testhost\r\nQuit\r\n");
}

TEST(SmtpTls, RequiredTlsRefusesAServerThatDoesNotOfferIt) {
    ScriptedServer server({reply({"220 hi"}), reply({"250-mail.example", "250 AUTH LOGIN"})});
    TIdSMTP smtp;
    configure(smtp, server.port());
    smtp.UseTLS = SmtpTls::Required;
    smtp.AuthenticationType = TIdSMTPAuthenticationType::atNone;
    try {
        smtp.Connect();
        ADD_FAILURE() << "Connect went on without encryption";
    } catch (const EIdTLSError& e) {
        EXPECT_EQ(std::string(e.what()),
                  "The server does not offer encryption (STARTTLS) on port " +
                      std::to_string(server.port()) + ". Nothing was sent.");
    }
    EXPECT_FALSE(smtp.Connected());
    EXPECT_EQ(server.received(), "ehlo testhost\r\n");
}

TEST(SmtpTls, InjectedRepliesBeforeTheHandshakeAreDiscarded) {
    // A reply sent along with "220" in clear text; read after the handshake it would answer
    // the second EHLO and make the client fall back to HELO.
    ScriptedServer server(concat({reply({"220 hi"}), ehloOfferingTls(),
                                  replyThenTls({"220 Ready", "554 5.7.0 injected"}),
                                  reply({"250-mail.example", "250 AUTH LOGIN"})},
                                 authenticatedTransaction()),
                          serverTls(false));
    TIdSMTP smtp;
    configure(smtp, server.port());
    TIdMessage m = message();
    smtp.Connect();
    smtp.Send(m);
    smtp.Disconnect();
    EXPECT_EQ(server.received(),
              "ehlo testhost\r\nSTARTTLS\r\n[TLS]ehlo testhost\r\n" + kAuthToEnd);
}

struct HandshakeCase {
    std::string name;
    std::function<std::vector<ServerStep>()> afterStartTls;
    std::function<testpki::ServerCert()> cert = [] { return localhostCert(); };
    std::function<void(TIdSMTP&)> setup;
    Failure failure = Failure::Tls;
    // The whole text, or its beginning when it ends in "...".
    std::string text;
    int code = 0;
    // What the send window makes of a TLS failure.
    EIdTLSError::Cause cause = EIdTLSError::Cause::Other;
};

void PrintTo(const HandshakeCase& c, std::ostream* os) {
    *os << c.name;
}

std::vector<HandshakeCase> handshakeCases() {
    const auto handshake = [] { return std::vector<ServerStep>{replyThenTls({"220 Ready"})}; };
    std::vector<HandshakeCase> cases;
    cases.push_back({"HostNameMismatch", handshake,
                     [] { return pki().issue("DNS:mail.example.com"); }, nullptr, Failure::Tls,
                     "The server's certificate was refused: host name does not match "
                     "(localhost). Nothing was sent."});
    cases.push_back({"AddressMismatch", handshake, [] { return pki().issue("DNS:localhost"); },
                     [](TIdSMTP& s) { s.Host = "127.0.0.1"; }, Failure::Tls,
                     "The server's certificate was refused: IP address does not match "
                     "(127.0.0.1). Nothing was sent."});
    cases.push_back({"ExpiredCertificate", handshake,
                     [] { return pki().issue("DNS:localhost", true); }, nullptr, Failure::Tls,
                     "The server's certificate was refused: certificate has expired. Nothing "
                     "was sent."});
    cases.push_back({"UnknownAuthority", handshake, [] { return localhostCert(); },
                     [](TIdSMTP& s) {
                         static testpki::TestPki other;
                         s.Environment.TrustFile = other.caFile();
                     },
                     Failure::Tls,
                     "The server's certificate was refused: unable to get local issuer "
                     "certificate. Nothing was sent.",
                     0, EIdTLSError::Cause::UntrustedAuthority});
    cases.push_back({"StartTlsRefused",
                     [] { return std::vector<ServerStep>{reply({"454 4.7.0 TLS not available"})}; },
                     [] { return localhostCert(); }, nullptr, Failure::Reply,
                     "454 4.7.0 TLS not available", 454});
    cases.push_back({"GarbageInsteadOfAHandshake",
                     [] {
                         ServerStep garbage = reply({"this is not TLS"});
                         garbage.onAnyBytes = true;
                         return std::vector<ServerStep>{reply({"220 Ready"}), garbage};
                     },
                     [] { return localhostCert(); }, nullptr, Failure::Tls,
                     "The secure connection could not be made: ..."});
    cases.push_back({"ServerClosesDuringTheHandshake",
                     [] {
                         ServerStep close = hangUp();
                         close.onAnyBytes = true;
                         return std::vector<ServerStep>{reply({"220 Ready"}), close};
                     },
                     [] { return localhostCert(); }, nullptr, Failure::Tls,
                     "The secure connection could not be made: the server closed the "
                     "connection during the TLS handshake. Nothing was sent."});
    cases.push_back(
        {"ServerStallsInTheHandshake", [] { return std::vector<ServerStep>{reply({"220 Ready"})}; },
         [] { return localhostCert(); }, [](TIdSMTP& s) { s.Timeouts.handshake = 300ms; },
         Failure::Tls, "The server did not complete the encrypted connection (...", 0,
         EIdTLSError::Cause::HandshakeIncomplete});
    return cases;
}

class SmtpTlsHandshake : public ::testing::TestWithParam<HandshakeCase> {};

// Every failure ends Connect with a closed connection, after "STARTTLS" and before anything of
// the transaction or the password.
TEST_P(SmtpTlsHandshake, FailsClearlyAndSendsNothing) {
    const HandshakeCase& c = GetParam();
    ScriptedServer server(concat({reply({"220 hi"}), ehloOfferingTls()}, c.afterStartTls()),
                          serverTls(false, c.cert()));
    TIdSMTP smtp;
    configure(smtp, server.port());
    if (c.setup)
        c.setup(smtp);
    const auto started = std::chrono::steady_clock::now();
    const SmtpFailure failed = failureOf([&] { smtp.Connect(); });
    const std::string& text = failed.text;
    const int code = failed.code;
    EXPECT_LT(std::chrono::steady_clock::now() - started, 2500ms);
    EXPECT_EQ(failed.kind, c.failure) << text;
    if (failed.kind == Failure::Tls) {
        EXPECT_EQ(failed.tlsCause, c.cause);
    }
    if (c.text.size() > 3 && c.text.ends_with("...")) {
        EXPECT_TRUE(text.starts_with(c.text.substr(0, c.text.size() - 3))) << text;
    } else {
        EXPECT_EQ(text, c.text);
    }
    EXPECT_EQ(code, c.code);
    EXPECT_FALSE(smtp.Connected());
    smtp.Disconnect();
    const std::string received = server.received();
    EXPECT_TRUE(received.starts_with("ehlo testhost\r\nSTARTTLS\r\n")) << received;
    for (const char* never : {"[TLS]", "Rset", "auth", "dXNlcg==", "c2VjcmV0", "Quit"})
        EXPECT_EQ(received.find(never), std::string::npos) << never;
}

INSTANTIATE_TEST_SUITE_P(Cases, SmtpTlsHandshake, ::testing::ValuesIn(handshakeCases()),
                         [](const auto& info) { return info.param.name; });

TEST(SmtpTls, ClearServerWithoutPasswordGetsTheClearDialogue) {
    ScriptedServer server({reply({"220 hi"}), reply({"250-mail.example", "250 SIZE 100"}),
                           reply({"250 ok"}), reply({"250 ok"}), reply({"250 ok"}),
                           reply({"354 go"}), reply({"250 ok"})});
    TIdSMTP smtp;
    configure(smtp, server.port());
    smtp.AuthenticationType = TIdSMTPAuthenticationType::atNone;
    TIdMessage m = message();
    smtp.Connect();
    smtp.Send(m);
    smtp.Disconnect();
    EXPECT_EQ(server.received(), "ehlo testhost\r\nRset\r\nMail from:<sender@example.com>\r\n"
                                 "RCPT to:<gateway@sms.example>\r\nData\r\n" +
                                     kData + "Quit\r\n");
}

TEST(SmtpTls, PortInTheServerSettingWins) {
    ScriptedServer server({reply({"220 hi"}), reply({"250 ok"})});
    TIdSMTP smtp;
    configure(smtp, closedPort());
    smtp.Host = "127.0.0.1:" + std::to_string(server.port());
    smtp.Connect();
    EXPECT_TRUE(smtp.Connected());
    smtp.Disconnect();
    EXPECT_EQ(server.received(), "ehlo testhost\r\nQuit\r\n");
}

TEST(ServerAddress, HostAndPort) {
    struct Case {
        const char* setting;
        const char* host;
        uint16_t port;
    };
    for (const Case& c : std::initializer_list<Case>{
             {"mail.example.com", "mail.example.com", 25},
             {"mail.example.com:587", "mail.example.com", 587},
             {"192.0.2.1:465", "192.0.2.1", 465},
             {"[2001:db8::1]:587", "2001:db8::1", 587},
             {"[::1]", "::1", 25},
             {"2001:db8::25", "2001:db8::25", 25},
             {"localhost:65535", "localhost", 65535},
         }) {
        const ServerAddress where = parseServerAddress(c.setting, 25);
        EXPECT_EQ(where.host, c.host) << c.setting;
        EXPECT_EQ(where.port, c.port) << c.setting;
    }
    for (const char* bad : {"", ":25", "mail:", "mail:0", "mail:65536", "mail:25x", "mail: 25",
                            "[::1", "[::1]x", "[::1]:", "[]:25"})
        EXPECT_THROW(parseServerAddress(bad, 25), EIdBadServerAddress) << bad;
}

TEST(ServerAddress, PortDecidesTheEncryption) {
    EXPECT_EQ(tlsForPort(465), SmtpTls::Implicit);
    EXPECT_EQ(tlsForPort(587), SmtpTls::Required);
    EXPECT_EQ(tlsForPort(25), SmtpTls::WhenOffered);
    EXPECT_EQ(tlsForPort(2525), SmtpTls::WhenOffered);
}

// A relay on this machine (127.0.0.0/8, ::1) gets the password over a clear connection: the
// traffic never leaves the machine.
TEST(SmtpTls, PasswordGoesInClearToARelayOnThisMachine) {
    ScriptedServer server({reply({"220 hi"}), reply({"250-mail.example", "250 AUTH LOGIN"}),
                           reply({"250 ok"}), reply({"334 VXNlcm5hbWU6"}),
                           reply({"334 UGFzc3dvcmQ6"}), reply({"235 ok"}), reply({"250 ok"}),
                           reply({"250 ok"}), reply({"354 go"}), reply({"250 ok"})});
    TIdSMTP smtp;
    configure(smtp, server.port());
    smtp.Host = "127.0.0.1";
    TIdMessage m = message();
    smtp.Connect();
    EXPECT_FALSE(smtp.Encrypted());
    smtp.Send(m);
    EXPECT_TRUE(smtp.DidAuthenticate());
    smtp.Disconnect();
    EXPECT_TRUE(server.received().starts_with(
        "ehlo testhost\r\nRset\r\nauth LOGIN\r\ndXNlcg==\r\nc2VjcmV0\r\n"))
        << server.received();
}

} // namespace
