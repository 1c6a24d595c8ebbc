// The inbox settings and the place the last check ended, in inbox.ini.

#include "core/replies/inbox_settings.h"

#include "core/replies/inbox_error.h"
#include "core/replies/inbox_server.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

namespace {

const std::string kBox = mailboxName("desk", "imap.example.com:143", "SMS replies");

TEST(InboxSettings, AMissingFileGivesTheDefaultsAndWhatIsWrittenReadsBack) {
    TempFolder folder;
    const std::string path = folder.file(kInboxSettingsFile);
    const InboxSettings defaults = readInboxSettings(path);
    EXPECT_EQ(defaults.folder, "INBOX");
    EXPECT_EQ(defaults.form, ReplyForm::FromLocalPart);
    EXPECT_EQ(defaults.stopWords, "STOP, STOPALL, UNSUBSCRIBE, END, QUIT");
    EXPECT_EQ(readInboxState(path, kBox).uidValidity, 0u);

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
    writeInboxState(path, kBox, {4000000000u, 77});

    const InboxSettings back = readInboxSettings(path);
    EXPECT_EQ(back.server, s.server);
    EXPECT_EQ(back.user, s.user);
    EXPECT_EQ(back.folder, s.folder);
    EXPECT_EQ(back.gatewaySenders, s.gatewaySenders);
    EXPECT_EQ(back.form, ReplyForm::Pattern);
    EXPECT_EQ(back.pattern, s.pattern);
    EXPECT_EQ(back.cancelWords, s.cancelWords);
    EXPECT_EQ(back.checkEveryMinutes, 15);
    EXPECT_EQ(readInboxState(path, kBox).uidValidity, 4000000000u);
    EXPECT_EQ(readInboxState(path, kBox).lastUid, 77u);
    // No password is ever among them.
    EXPECT_EQ(folder.read(kInboxSettingsFile).find("assword"), std::string::npos);
}

// The place a check ended belongs to one mailbox, and a write never moves it back: two copies
// sharing the settings, or a check of another mailbox, neither lose nor skip a reply.
TEST(InboxState, IsKeptPerMailboxAndNeverMovesBack) {
    TempFolder folder;
    const std::string path = folder.file(kInboxSettingsFile);
    const std::string other = mailboxName("desk", "imap.other.example:993", "INBOX");
    auto state = [&](const std::string& box) {
        const InboxState s = readInboxState(path, box);
        return std::make_pair(s.uidValidity, s.lastUid);
    };
    using P = std::pair<uint32_t, uint32_t>;

    writeInboxState(path, kBox, {7, 100});
    EXPECT_EQ(state(kBox), P(7, 100));
    EXPECT_EQ(state(other), P(0, 0)); // another server's UIDs mean nothing here

    writeInboxState(path, kBox, {7, 90}); // a copy that had checked less far
    EXPECT_EQ(state(kBox), P(7, 100));
    writeInboxState(path, kBox, {8, 5}); // the server renumbered the folder
    EXPECT_EQ(state(kBox), P(8, 5));

    writeInboxState(path, other, {3, 10});
    EXPECT_EQ(state(other), P(3, 10));
    EXPECT_EQ(state(kBox), P(0, 0));
    writeInboxState(path, kBox, {8, 1}); // not held back by the other mailbox's place
    EXPECT_EQ(state(kBox), P(8, 1));

    // A state written before mailboxes were named is the current mailbox's.
    folder.write(kInboxSettingsFile, "[Checked]\r\nUidValidity=7\r\nLastUid=50\r\n");
    EXPECT_EQ(state(kBox), P(7, 50));
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
