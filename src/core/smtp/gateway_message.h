#pragma once

// The e-mail of one batch to the SMS gateway: the pending list's file is its body.

#include "core/smtp/message.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The SMS gateway's mailbox: every batch goes to this address alone.
inline constexpr const char* kGatewayAddress = "sms@gateway.example.com";

// The sender's settings that the batch e-mail carries.
struct GatewaySender {
    std::string fromAddress;
    std::string blindCopies; // comma-separated
    std::string replyTo;     // comma-separated
};

// From the sender, to the gateway alone (and the blind copies), subject "Tallyminder <version>",
// the body the bytes of the pending list's file as they stand. Dated now (local date-time, days
// since 30/12/1899 plus the fraction of the day): mail filters score a date hours in the past
// as spam.
TIdMessage gatewayMessage(const GatewaySender& sender, const std::string& versionText,
                          SharedText pendingFile, double now);
