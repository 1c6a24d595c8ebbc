#include "core/smtp/gateway_message.h"

#include <gtest/gtest.h>

namespace {

TEST(GatewayMessage, CarriesThePendingFileAsItStandsToTheGatewayAlone) {
    GatewaySender sender;
    sender.fromAddress = "pat@example.com";
    sender.blindCopies = "a@example.com, b@example.com";
    sender.replyTo = "Pat <reply@example.com>";
    const TIdMessage m =
        gatewayMessage(sender, "v.1.0.0.1", "head^\r\n0111^Ann^\r\n0222^Bob^", 46380.3875);
    EXPECT_EQ(m.From.Address, "pat@example.com");
    ASSERT_EQ(m.Recipients.Count(), 1u);
    EXPECT_EQ(m.Recipients[0].Address, kGatewayAddress);
    ASSERT_EQ(m.BccList.Count(), 2u);
    EXPECT_EQ(m.BccList[1].Address, "b@example.com");
    ASSERT_EQ(m.ReplyTo.Count(), 1u);
    EXPECT_EQ(m.ReplyTo[0].Address, "reply@example.com");
    EXPECT_EQ(m.Subject, "Tallyminder v.1.0.0.1");
    EXPECT_TRUE(m.Body.empty());
    EXPECT_EQ(m.BodyText, "head^\r\n0111^Ann^\r\n0222^Bob^");
    EXPECT_EQ(fileLines(m.BodyText), (std::vector<std::string>{"head^", "0111^Ann^", "0222^Bob^"}));
    EXPECT_EQ(m.Date, 46380.3875); // the time of the send, not midnight
}

TEST(GatewayMessage, FileLinesEndAtCrLfOnly) {
    struct Case {
        std::string bytes;
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        {"", {}},
        {"a\r\n", {"a"}},
        {"a\r\n\r\nb", {"a", "", "b"}},
        {"a\nb\r\n", {"a\nb"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(fileLines(c.bytes), c.lines) << c.bytes;
}

} // namespace
