// The words of the desktop notification for the cancellations and stops of one check.

#include "core/replies/reply_notice.h"

#include <gtest/gtest.h>

namespace {

NotableReply cancel(const std::string& name, const std::string& text) {
    return {ReplyKind::Cancelled, "447700900123", name, "10/12/2026 14:30", text};
}

NotableReply stop(const std::string& number, const std::string& name = {}) {
    return {ReplyKind::Stop, number, name, {}, "STOP"};
}

TEST(ReplyNotice, OneReplyNamesTheCustomerInTheSummary) {
    struct Case {
        NotableReply reply;
        std::string summary, body;
    } cases[] = {
        {cancel("Ann", "No sorry"), "Ann cancelled 10/12/2026 14:30", "\"No sorry\""},
        {stop("447700900888"), "447700900888 replied STOP",
         "447700900888 is on the do-not-text list now."},
        {stop("447700900123", "Bob"), "Bob replied STOP",
         "447700900123 is on the do-not-text list now."},
        {stop(""), "A customer replied STOP", "The sender is on the do-not-text list now."},
        {cancel("Ann", std::string(100, 'x')), "Ann cancelled 10/12/2026 14:30",
         "\"" + std::string(80, 'x') + "...\""},
    };
    for (const Case& c : cases) {
        const std::optional<ReplyNotice> notice = noticeOf({c.reply});
        ASSERT_TRUE(notice) << c.summary;
        EXPECT_EQ(notice->summary, c.summary);
        EXPECT_EQ(notice->body, c.body);
    }
}

TEST(ReplyNotice, SeveralRepliesAreCountedAndListedUpToFive) {
    EXPECT_FALSE(noticeOf({}));
    const std::optional<ReplyNotice> two = noticeOf({cancel("Ann", "No"), stop("447700900888")});
    ASSERT_TRUE(two);
    EXPECT_EQ(two->summary, "1 cancellation and 1 stop");
    EXPECT_EQ(two->body, "Ann cancelled 10/12/2026 14:30: \"No\"\n447700900888 replied STOP");

    std::vector<NotableReply> many;
    for (const char* name : {"A", "B", "C", "D", "E", "F", "G"})
        many.push_back(cancel(name, "no"));
    const std::optional<ReplyNotice> seven = noticeOf(many);
    ASSERT_TRUE(seven);
    EXPECT_EQ(seven->summary, "7 cancellations");
    EXPECT_EQ(seven->body.substr(0, seven->body.find('\n')),
              "A cancelled 10/12/2026 14:30: \"no\"");
    EXPECT_EQ(seven->body.find("F cancelled"), std::string::npos);
    EXPECT_EQ(seven->body.substr(seven->body.rfind('\n') + 1), "and 2 more");
    EXPECT_EQ(noticeOf({stop("1"), stop("2")})->summary, "2 stops");
}

} // namespace
