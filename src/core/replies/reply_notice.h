#pragma once

// What a desktop notification says of the cancellations and stops a check found: one line per
// customer, at most a few, so that the receptionist sees who without opening the program.

#include "core/replies/reply_check.h"

#include <optional>
#include <string>
#include <vector>

struct ReplyNotice {
    std::string summary; // "Ann cancelled 10/12/2026 14:30", "2 cancellations and 1 stop"
    std::string body;    // table charset, lines separated by "\n"
};

// Nothing when there is nothing to tell.
std::optional<ReplyNotice> noticeOf(const std::vector<NotableReply>& notable);
