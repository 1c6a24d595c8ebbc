// The inbox settings and the place the last check ended, in inbox.ini.

#include "core/replies/inbox_settings.h"

#include "core/replies/inbox_error.h"
#include "core/replies/inbox_server.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

namespace {

TEST(InboxSettings, AMissingFileGivesTheDefaultsAndWhatIsWrittenReadsBack) {
    TempFolder folder;
    const std::string path = folder.file(kInboxSettingsFile);
    const InboxSettings defaults = readInboxSettings(path);
    EXPECT_EQ(defaults.folder, "INBOX");
    EXPECT_EQ(defaults.form, ReplyForm::FromLocalPart);
    EXPECT_EQ(defaults.stopWords, "STOP, STOPALL, UNSUBSCRIBE, END, QUIT");
    EXPECT_EQ(readInboxState(path).uidValidity, 0u);

    InboxSettings s;
    s.server = "imap.example.com:143";
    s.user = "desk";
    s.folder = "SMS replies";
    s.gatewaySenders = "sms.gw.example, in@other.example";
    s.form = ReplyForm::Pattern;
    s.pattern = " (?<number>\\d+) ";
    s.cancelWords = "NO, N, CANCEL, NON";
    s.checkEveryMinutes = 15;
    writeInboxSettings(path, s);
    writeInboxState(path, {4000000000u, 77});

    const InboxSettings back = readInboxSettings(path);
    EXPECT_EQ(back.server, s.server);
    EXPECT_EQ(back.user, s.user);
    EXPECT_EQ(back.folder, s.folder);
    EXPECT_EQ(back.gatewaySenders, s.gatewaySenders);
    EXPECT_EQ(back.form, ReplyForm::Pattern);
    EXPECT_EQ(back.pattern, s.pattern);
    EXPECT_EQ(back.cancelWords, s.cancelWords);
    EXPECT_EQ(back.checkEveryMinutes, 15);
    EXPECT_EQ(readInboxState(path).uidValidity, 4000000000u);
    EXPECT_EQ(readInboxState(path).lastUid, 77u);
    // No password is ever among them.
    EXPECT_EQ(folder.read(kInboxSettingsFile).find("assword"), std::string::npos);
}

TEST(InboxServer, TheSettingGivesHostPortAndEncryption) {
    struct Case {
        const char *setting, *host;
        uint16_t port;
        const char* url;
    } cases[] = {
        {"imap.example.com", "imap.example.com", 993, "imaps://imap.example.com:993/"},
        {" imap.example.com:143 ", "imap.example.com", 143, "imap://imap.example.com:143/"},
        {"[2001:db8::1]:993", "2001:db8::1", 993, "imaps://[2001:db8::1]:993/"},
        {"2001:db8::1", "2001:db8::1", 993, "imaps://[2001:db8::1]:993/"},
    };
    for (const Case& c : cases) {
        const InboxServer s = parseInboxServer(c.setting);
        EXPECT_EQ(s.host, c.host);
        EXPECT_EQ(s.port, c.port);
        EXPECT_EQ(s.url(), c.url);
    }
    for (const char* bad : {"", "host:0", "host:70000", "host:x", "[::1", "a b", "evil/host"})
        EXPECT_THROW(parseInboxServer(bad), EInboxError) << bad;
}

} // namespace
