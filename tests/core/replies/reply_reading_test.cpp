// Reading the number, the text and a report's status from a gateway's e-mail, and what the
// first word makes of it.

#include "core/replies/reply_reading.h"

#include "core/replies/inbox_error.h"
#include "core/replies/reply_kind.h"

#include <gtest/gtest.h>

namespace {

ReplyMessage mail(std::string from, std::string subject, std::string body) {
    return {std::move(from), std::move(subject), "id", std::nullopt, std::move(body)};
}

TEST(ReplyReading, ThePresetsReadTheCommonForms) {
    struct Case {
        ReplyForm form;
        ReplyMessage message;
        const char *number, *text;
    } cases[] = {
        {ReplyForm::FromLocalPart, mail("+447700900123@sms.gw", "SMS", " YES \r\n"),
         "+447700900123", "YES"},
        {ReplyForm::FromLocalPart, mail("447700900123@sms.gw", "STOP", ""), "447700900123", "STOP"},
        {ReplyForm::FromLocalPart, mail("noreply@sms.gw", "", "YES"), "", "YES"},
        {ReplyForm::Subject, mail("in@sms.gw", "Reply from +44 7700 900123", "No thanks"),
         "+44 7700 900123", "No thanks"},
        {ReplyForm::Body,
         mail("in@sms.gw", "SMS", "From: 07700-900123\r\nMessage:\r\nCancel please\r\n"),
         "07700-900123", "Message:\r\nCancel please"},
        {ReplyForm::Body, mail("in@sms.gw", "SMS", "Sender 447700900123: YES\r\n"), "447700900123",
         "YES"},
        {ReplyForm::Body, mail("in@sms.gw", "SMS", "Call 123 now"), "", "Call 123 now"},
    };
    for (const Case& c : cases) {
        const ReadReply r = ReplyReader(c.form, "").read(c.message);
        EXPECT_EQ(r.number, c.number) << c.message.body;
        EXPECT_EQ(r.text, c.text) << c.message.body;
        EXPECT_EQ(r.status, "");
    }
}

TEST(ReplyReading, AnExpressionReadsAnyGatewayByItsNamedGroups) {
    const ReplyReader reader(
        ReplyForm::Pattern,
        R"(^Subject: (?:Report|Reply) for (?<number>\+?\d+)$[\s\S]*?^(?:Status: (?<status>\w+)|(?<text>.+))$)");
    ReadReply r = reader.read(mail("gw@x", "Reply for +447700900123", "Sure, YES"));
    EXPECT_EQ(r.number, "+447700900123");
    EXPECT_EQ(r.text, "Sure, YES");
    EXPECT_EQ(r.status, "");
    r = reader.read(mail("gw@x", "Report for 447700900123", "Status: DELIVERED"));
    EXPECT_EQ(r.number, "447700900123");
    EXPECT_EQ(r.status, "DELIVERED");
    r = reader.read(mail("gw@x", "Something else", "hello"));
    EXPECT_EQ(r.number, "");
    EXPECT_EQ(r.text, "hello");
}

TEST(ReplyReading, AnExpressionThatCannotBeUsedIsRefusedWithItsReason) {
    EXPECT_THROW(ReplyReader(ReplyForm::Pattern, "(?<number>\\d+"), EInboxError);
    try {
        ReplyReader(ReplyForm::Pattern, "\\d+");
        FAIL();
    } catch (const EInboxError& e) {
        EXPECT_STREQ(e.what(), "The regular expression for replies has no group named \"number\": "
                               "write (?<number>...) around the part that holds the number.");
    }
}

TEST(ReplyKind, TheFirstWordDecidesWithoutCaseOrAccents) {
    InboxSettings settings;
    settings.confirmWords += ", S\xC3\xAD"; // "Sí"
    const ReplyWords words = ReplyWords::of(settings);
    struct Case {
        const char* text;
        const char* status;
        ReplyKind kind;
    } cases[] = {
        {"YES", "", ReplyKind::Confirmed},
        {"  yes! see you", "", ReplyKind::Confirmed},
        {"Ok.", "", ReplyKind::Confirmed},
        {"c", "", ReplyKind::Confirmed},
        {"si", "", ReplyKind::Confirmed},
        {"S\xC3\x8D", "", ReplyKind::Confirmed}, // "SÍ"
        {"No, sorry", "", ReplyKind::Cancelled},
        {"cancel", "", ReplyKind::Cancelled},
        {"Stop", "", ReplyKind::Stop},
        {"UNSUBSCRIBE me", "", ReplyKind::Stop},
        {"can't make it", "", ReplyKind::Other},
        {"Yesterday was fine", "", ReplyKind::Other},
        {"", "", ReplyKind::Other},
        {"!!!", "", ReplyKind::Other},
        {"Delivered", "", ReplyKind::Report},
        {"whatever", "FAILED", ReplyKind::Report},
    };
    for (const Case& c : cases)
        EXPECT_EQ(classifyReply(c.text, c.status, words), c.kind) << c.text;
    EXPECT_EQ(foldWord("\xC3\xA9t\xC3\xA9"), "ETE");
}

} // namespace
