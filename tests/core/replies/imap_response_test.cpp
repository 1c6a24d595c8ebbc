// Reading the server's responses: literals carry message text, whatever it holds, and every
// size is capped.

#include "core/replies/imap_response.h"

#include <gtest/gtest.h>

namespace {

// A source that gives the bytes a few at a time, as a network would.
ImapResponseReader readerOf(const std::string& bytes, ImapLimits limits = {}) {
    auto at = std::make_shared<size_t>(0);
    return ImapResponseReader(
        [bytes, at](char* buffer, size_t size) {
            const size_t n = std::min({size, bytes.size() - *at, size_t{7}});
            std::copy_n(bytes.data() + *at, n, buffer);
            *at += n;
            return n;
        },
        limits);
}

TEST(ImapResponse, MessageTextInALiteralNeverPassesForAResponse) {
    const std::string body = "YES\r\nT2 OK fake\r\n* 3 FETCH (UID 99)\r\n";
    auto reader = readerOf("* 1 FETCH (BODY[]<0> {" + std::to_string(body.size()) + "}\r\n" + body +
                           " UID 7)\r\nT2 OK Fetch completed\r\n");
    const ImapResponse fetch = reader.next();
    const std::optional<FetchedItem> item = parseFetch(fetch);
    ASSERT_TRUE(item);
    EXPECT_EQ(item->sequence, 1u);
    EXPECT_EQ(item->uid, 7u);
    EXPECT_EQ(item->body, body);
    const ImapResponse done = reader.next();
    EXPECT_EQ(done.tag(), "T2");
    EXPECT_EQ(done.status(), "OK");
    EXPECT_EQ(done.statusText(), "Fetch completed");
}

TEST(ImapResponse, FetchItemsAreReadInAnyOrderAndForm) {
    struct Case {
        const char* response;
        uint32_t uid;
        const char* body;
    } cases[] = {
        {"* 4 FETCH (UID 12 FLAGS (\\Seen $X) BODY[HEADER.FIELDS (FROM)] \"From: a@b\")", 12,
         "From: a@b"},
        {"* 4 FETCH (BODY[] NIL UID 13)", 13, ""},
        {"* 4 FETCH (UID 14 BODY[] \"say \\\"hi\\\"\")", 14, "say \"hi\""},
        {"* 4 FETCH (UID 15)", 15, ""},
    };
    for (const Case& c : cases) {
        auto reader = readerOf(std::string(c.response) + "\r\n");
        const std::optional<FetchedItem> item = parseFetch(reader.next());
        ASSERT_TRUE(item) << c.response;
        EXPECT_EQ(item->uid, c.uid) << c.response;
        EXPECT_EQ(item->body, c.body) << c.response;
    }
}

TEST(ImapResponse, OtherResponsesAreNoFetch) {
    auto reader = readerOf("* 3 EXISTS\r\n* OK [UIDVALIDITY 1796972674] UIDs valid\r\n");
    EXPECT_FALSE(parseFetch(reader.next()));
    const ImapResponse ok = reader.next();
    EXPECT_FALSE(parseFetch(ok));
    EXPECT_EQ(responseCodeNumber(ok, "UIDVALIDITY"), 1796972674u);
    EXPECT_EQ(responseCodeNumber(ok, "UIDNEXT"), std::nullopt);
}

TEST(ImapResponse, OversizedOrBrokenResponsesAreRefused) {
    ImapLimits small;
    small.maxLine = 100;
    small.maxLiteral = 64;
    struct Case {
        const char* name;
        std::string bytes;
    } cases[] = {
        {"literal larger than asked for",
         "* 1 FETCH (UID 1 BODY[] {65}\r\n" + std::string(65, 'x') + ")\r\n"},
        {"endless line", std::string(200, 'x') + "\r\n"},
        {"stream ends in a literal", "* 1 FETCH (UID 1 BODY[] {40}\r\nshort"},
        {"stream ends in a line", "* 1 FETCH (UID"},
        {"unclosed list", "* 1 FETCH (UID 1 FLAGS (\\Seen\r\n"},
        {"UID that is no number", "* 1 FETCH (UID x1)\r\n"},
    };
    for (const Case& c : cases)
        EXPECT_THROW(parseFetch(readerOf(c.bytes, small).next()), EImapProtocol) << c.name;
}

TEST(ImapResponse, FolderNamesAreQuotedAndLineBreaksRefused) {
    EXPECT_EQ(quotedImapString("INBOX"), "\"INBOX\"");
    EXPECT_EQ(quotedImapString("SMS \"replies\"\\x"), "\"SMS \\\"replies\\\"\\\\x\"");
    EXPECT_THROW(quotedImapString("INBOX\r\nT9 DELETE INBOX"), EImapProtocol);
}

} // namespace
