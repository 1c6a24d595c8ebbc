// Taking a gateway's e-mail apart: encodings, charsets, HTML, and hostile input.

#include "core/replies/reply_message.h"

#include "core/tables/date_time.h"

#include <gtest/gtest.h>

namespace {

const std::string kHead = "From: \"Gateway\" <447700900123@SMS.Gateway.Example>\r\n"
                          "Subject: =?UTF-8?B?UsOpcG9uc2U=?=\r\nMessage-ID: <m1@gw>\r\n";

TEST(ReplyMessage, BodiesAreDecodedWhateverTheirEncodingAndCharset) {
    struct Case {
        const char* name;
        std::string mail;
        const char* body;
    } cases[] = {
        {"plain", kHead + "\r\nYES see you\r\n", "YES see you\r\n"},
        {"quoted-printable latin-1",
         kHead + "MIME-Version: 1.0\r\nContent-Type: text/plain; charset=iso-8859-1\r\n"
                 "Content-Transfer-Encoding: quoted-printable\r\n\r\nS=ED, gracias=\r\n!\r\n",
         "S\xC3\xAD, gracias!\r\n"},
        {"base64 utf-8",
         kHead + "MIME-Version: 1.0\r\nContent-Type: text/plain; charset=utf-8\r\n"
                 "Content-Transfer-Encoding: base64\r\n\r\nTm9uLCBkw6lzb2zDqQ==\r\n",
         "Non, d\xC3\xA9sol\xC3\xA9"},
        {"alternative prefers the plain part",
         kHead + "MIME-Version: 1.0\r\nContent-Type: multipart/alternative; boundary=x\r\n\r\n"
                 "--x\r\nContent-Type: text/html\r\n\r\n<p>HTML</p>\r\n--x\r\n"
                 "Content-Type: text/plain\r\n\r\nplain\r\n--x--\r\n",
         "plain"},
        {"html only is reduced to text",
         kHead + "MIME-Version: 1.0\r\nContent-Type: text/html\r\n\r\n"
                 "<html><head><style>p{}</style></head><body><p>Yes&nbsp;&amp; thanks</p>"
                 "<div>Ann&#39;s</div><script>alert(1)</script></body></html>\r\n",
         "Yes & thanks\nAnn's"},
        {"an attachment is not the text",
         kHead +
             "MIME-Version: 1.0\r\nContent-Type: multipart/mixed; boundary=x\r\n\r\n"
             "--x\r\nContent-Type: text/plain\r\nContent-Disposition: attachment\r\n\r\nnot me\r\n"
             "--x\r\nContent-Type: text/plain\r\n\r\nSTOP\r\n--x--\r\n",
         "STOP"},
    };
    for (const Case& c : cases) {
        const ReplyMessage m = parseReplyMessage(c.mail);
        EXPECT_EQ(m.body, c.body) << c.name;
        EXPECT_EQ(m.from, "447700900123@sms.gateway.example") << c.name;
        EXPECT_EQ(m.subject, "R\xC3\xA9ponse") << c.name;
        EXPECT_EQ(m.messageId, "m1@gw") << c.name;
    }
}

TEST(ReplyMessage, TheDateIsTheLocalDateTimeOfTheHeader) {
    setenv("TZ", "UTC", 1);
    tzset();
    const ReplyMessage m = parseReplyMessage("From: a@b.example\r\nDate: Wed, 09 Dec 2026 "
                                             "10:30:00 +0100\r\n\r\nx\r\n");
    ASSERT_TRUE(m.date);
    EXPECT_NEAR(*m.date, dateTimeValue(dayNumber(2026, 12, 9), timeMs(9, 30)), 1e-6);
}

TEST(ReplyMessage, HostileInputGivesWhatCanBeReadAndNeverCrashes) {
    struct Case {
        const char* name;
        std::string mail;
    } cases[] = {
        {"nothing", ""},
        {"NUL bytes", std::string(5000, '\0')},
        {"body of NULs", "From: 4477@gw.example\r\n\r\n" + std::string(3000, '\0')},
        {"unknown charset",
         "From: a@gw.example\r\nContent-Type: text/plain; charset=x-nowhere-42\r\n"
         "\r\n\xff\xfe YES\r\n"},
        {"broken multipart",
         "From: a@gw.example\r\nContent-Type: multipart/mixed; boundary=\r\n\r\n--\r\n--\r\n"},
        {"endless nesting", "From: a@gw.example\r\n" +
                                [] {
                                    std::string s;
                                    for (int i = 0; i < 500; ++i)
                                        s += "Content-Type: multipart/mixed; boundary=b" +
                                             std::to_string(i) + "\r\n\r\n--b" + std::to_string(i) +
                                             "\r\n";
                                    return s;
                                }()},
        {"no From", "Subject: hi\r\n\r\nYES\r\n"},
        {"bad base64", "From: a@gw.example\r\nContent-Transfer-Encoding: base64\r\n\r\n!!!***\r\n"},
    };
    for (const Case& c : cases) {
        const ReplyMessage m = parseReplyMessage(c.mail);
        EXPECT_LE(m.body.size(), kMaxMessageBytes * 4) << c.name;
        // Whatever came out is valid UTF-8 (the text goes on to the table's charset).
        EXPECT_EQ(m.body.find('\0'), std::string::npos) << c.name;
    }
    EXPECT_EQ(parseReplyMessage("Subject: hi\r\n\r\nYES\r\n").from, "");
    EXPECT_EQ(parseReplyMessage("From: a@gw.example\r\nContent-Type: text/plain; "
                                "charset=x-nowhere-42\r\n\r\nYES\r\n")
                  .body.substr(0, 3),
              "YES");
}

TEST(ReplyMessage, OnlyTheFirst64KiBAreLookedAt) {
    const std::string mail = "From: a@gw.example\r\n\r\nYES " + std::string(200000, 'y');
    EXPECT_LE(parseReplyMessage(mail).body.size(), kMaxMessageBytes);
}

TEST(ReplyMessage, TheSenderIsReadFromAHeaderAlone) {
    EXPECT_EQ(senderAddress("From: Gate <X@Gw.Example>\r\n"), "X@gw.example");
    EXPECT_EQ(senderAddress("From: list: a@b.example, c@d.example;\r\n"), "a@b.example");
    EXPECT_EQ(senderAddress(""), "");
}

} // namespace
