#include "smtp/gateway_message.h"

std::vector<std::string> fileLines(std::string_view bytes) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < bytes.size()) {
        const size_t end = bytes.find("\r\n", start);
        if (end == std::string_view::npos) {
            lines.emplace_back(bytes.substr(start));
            break;
        }
        lines.emplace_back(bytes.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

TIdMessage gatewayMessage(const GatewaySender& sender, const std::string& versionText,
                          std::string_view pendingFile, int32_t today) {
    TIdMessage message;
    message.From.Address = sender.fromAddress;
    message.Recipients.SetEMailAddresses(kGatewayAddress);
    message.BccList.SetEMailAddresses(sender.blindCopies);
    message.Subject = "Tallyminder " + versionText;
    message.Body = fileLines(pendingFile);
    message.Date = static_cast<double>(today);
    message.ReplyTo.SetEMailAddresses(sender.replyTo);
    return message;
}
