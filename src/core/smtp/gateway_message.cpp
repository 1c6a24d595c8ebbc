#include "core/smtp/gateway_message.h"

#include <utility>

TIdMessage gatewayMessage(const GatewaySender& sender, const std::string& versionText,
                          SharedText pendingFile, double now) {
    TIdMessage message;
    message.From.Address = sender.fromAddress;
    message.Recipients.SetEMailAddresses(kGatewayAddress);
    message.BccList.SetEMailAddresses(sender.blindCopies);
    message.Subject = "Tallyminder " + versionText;
    message.BodyText = std::move(pendingFile);
    message.Date = now;
    message.ReplyTo.SetEMailAddresses(sender.replyTo);
    return message;
}
