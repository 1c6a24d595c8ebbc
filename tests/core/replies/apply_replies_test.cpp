// Adding replies to the table: each once, matched to its reminder, stops honoured at once.

#include "core/replies/reply_check.h"
#include "core/store/schemas.h"
#include "core/tables/date_time.h"
#include "core/tables/mem_data.h"

#include <gtest/gtest.h>

namespace {

class ApplyReplies : public ::testing::Test {
protected:
    ApplyReplies() {
        sent_->AddRow({FieldValue{}, std::string("07700 900123"), std::string("Ann"),
                       dayNumber(2026, 12, 10), timeMs(14, 30), std::string("m"), 1, 0,
                       dayNumber(2026, 12, 9), false, false, 46365.3});
    }
    IncomingReply reply(const std::string& number, ReplyKind kind, const std::string& id) const {
        return {dateTimeValue(dayNumber(2026, 12, 9), timeMs(10, 0)), number, "text", kind, id};
    }
    std::string cell(int row, const char* field) const {
        return replies_->CellText(row, replies_->FieldIndex(field));
    }
    // The kind of the reply kept from the e-mail with this id.
    std::string kindOf(const std::string& id) const {
        for (int row = 0; row < replies_->RowCount(); ++row)
            if (cell(row, fields::message_id) == id)
                return cell(row, fields::kind);
        return "(missing)";
    }

    std::unique_ptr<TdxMemData> replies_ = schemas::makeReplies();
    std::unique_ptr<TdxMemData> sent_ = schemas::makeSentItems();
    std::unique_ptr<TdxMemData> doNotText_ = schemas::makeDoNotText();
};

TEST_F(ApplyReplies, AReplyAlreadyKeptIsNotAddedAgain) {
    const std::vector<IncomingReply> batch = {reply("447700900123", ReplyKind::Confirmed, "a"),
                                              reply("447700900123", ReplyKind::Confirmed, "a")};
    EXPECT_EQ(applyReplies(batch, *replies_, *sent_, *doNotText_, 1).added, 1);
    EXPECT_EQ(applyReplies(batch, *replies_, *sent_, *doNotText_, 1).added, 0);
    EXPECT_EQ(replies_->RowCount(), 1);
}

TEST_F(ApplyReplies, AYesFromAnUnknownNumberIsOtherButAStopIsHonouredFromAnyone) {
    applyReplies({reply("447700900999", ReplyKind::Confirmed, "a"),
                  reply("447700900888", ReplyKind::Stop, "b"), reply("", ReplyKind::Stop, "c")},
                 *replies_, *sent_, *doNotText_, dayNumber(2026, 12, 9));
    ASSERT_EQ(replies_->RowCount(), 3);
    EXPECT_EQ(kindOf("a"), "Other");
    EXPECT_EQ(kindOf("b"), "Stop");
    EXPECT_EQ(kindOf("c"), "Stop");
    ASSERT_EQ(doNotText_->RowCount(), 1);
    EXPECT_EQ(doNotText_->CellText(0, 1), "447700900888");
}

TEST_F(ApplyReplies, AStopOfANumberAlreadyListedAddsNoSecondRow) {
    doNotText_->AddRow({FieldValue{}, std::string("07700 900123"), 1, std::string("asked")});
    const AppliedReplies applied = applyReplies({reply("+447700900123", ReplyKind::Stop, "a")},
                                                *replies_, *sent_, *doNotText_, 2);
    EXPECT_EQ(applied.stops, 0);
    EXPECT_EQ(doNotText_->RowCount(), 1);
    EXPECT_EQ(cell(0, fields::name), "Ann");
}

TEST_F(ApplyReplies, OnlyUnreadCancellationsAndUnknownRepliesAskForAttention) {
    applyReplies({reply("447700900123", ReplyKind::Cancelled, "a"),
                  reply("447700900123", ReplyKind::Confirmed, "b"),
                  reply("447700900123", ReplyKind::Report, "c"),
                  reply("447700900999", ReplyKind::Other, "d"),
                  reply("447700900123", ReplyKind::Cancelled, "e")},
                 *replies_, *sent_, *doNotText_, 1);
    EXPECT_EQ(unreadAttentionCount(*replies_), 3);
    replies_->First();
    replies_->Edit();
    replies_->FieldNamed(fields::read_flag).SetValue(true);
    replies_->Post();
    EXPECT_EQ(unreadAttentionCount(*replies_), 2);
}

// What a desktop notification tells: the cancellations and stops this check added, with the
// customer and the appointment when a sent item matched; nothing for a yes, a report, an
// unknown reply or an e-mail already kept.
TEST_F(ApplyReplies, TheCancellationsAndStopsAddedAreListedForANotification) {
    applyReplies({reply("447700900123", ReplyKind::Cancelled, "old")}, *replies_, *sent_,
                 *doNotText_, 1);
    const AppliedReplies applied = applyReplies({reply("447700900123", ReplyKind::Cancelled, "old"),
                                                 reply("447700900123", ReplyKind::Confirmed, "b"),
                                                 reply("447700900123", ReplyKind::Report, "c"),
                                                 reply("447700900999", ReplyKind::Other, "d"),
                                                 reply("447700900123", ReplyKind::Cancelled, "e"),
                                                 reply("447700900999", ReplyKind::Cancelled, "f"),
                                                 reply("447700900888", ReplyKind::Stop, "g")},
                                                *replies_, *sent_, *doNotText_, 1);
    ASSERT_EQ(applied.notable.size(), 2u);
    EXPECT_EQ(applied.notable[0].kind, ReplyKind::Cancelled);
    EXPECT_EQ(applied.notable[0].name, "Ann");
    EXPECT_EQ(applied.notable[0].number, "447700900123");
    EXPECT_EQ(applied.notable[0].appointment, "10/12/2026 14:30");
    EXPECT_EQ(applied.notable[0].text, "text");
    EXPECT_EQ(applied.notable[1].kind, ReplyKind::Stop);
    EXPECT_EQ(applied.notable[1].name, "");
    EXPECT_EQ(applied.notable[1].number, "447700900888");
    EXPECT_EQ(applied.notable[1].appointment, "");
}

TEST(TableLine, TextBecomesOneLineOfTheTableCharset) {
    struct Case {
        const char* in;
        size_t max;
        const char* out;
    } cases[] = {
        {"YES\tsee\r\nyou  then", 100, "YES see you then"},
        {"  caf\xC3\xA9 \xE2\x82\xAC"
         "5 ",
         100,
         "caf\xE9 \x80"
         "5"},
        {"\xF0\x9F\x98\x80 ok", 100, "? ok"},
        {"abc\xff", 100, "abc?"},
        {"abcdef", 4, "abcd"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(tableLine(c.in, c.max), c.out) << c.in;
    EXPECT_EQ(tableLine(std::string_view("a\0b", 3), 100), "a b");
}

TEST(GatewaySenders, AnAddressOrADomainAndItsSubdomains) {
    const std::vector<std::string> senders = {"sms.gw.example", "Replies@Other.example"};
    EXPECT_TRUE(isGatewaySender("447700900123@sms.gw.example", senders));
    EXPECT_TRUE(isGatewaySender("x@eu.SMS.gw.example", senders));
    EXPECT_TRUE(isGatewaySender("replies@other.example", senders));
    EXPECT_FALSE(isGatewaySender("x@other.example", senders));
    EXPECT_FALSE(isGatewaySender("x@evilsms.gw.example", senders));
    EXPECT_FALSE(isGatewaySender("sms.gw.example", senders));
    EXPECT_FALSE(isGatewaySender("", senders));
}

} // namespace
