#pragma once

// The e-mail of one batch to the SMS gateway: the pending list's file is its body, line by line.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "smtp/message.h"

// The SMS gateway's mailbox: every batch goes to this address alone.
inline constexpr const char* kGatewayAddress = "sms@gateway.example.com";

// The sender's settings that the batch e-mail carries.
struct GatewaySender {
    std::string fromAddress;
    std::string blindCopies; // comma-separated
    std::string replyTo;     // comma-separated
};

// The lines of a table file, without their CR LF ends; a last line without one counts.
std::vector<std::string> fileLines(std::string_view bytes);

// From the sender, to the gateway alone (and the blind copies), subject "Tallyminder <version>",
// dated today (a day number), the body the lines of the pending list's file.
TIdMessage gatewayMessage(const GatewaySender& sender, const std::string& versionText,
                          std::string_view pendingFile, int32_t today);
