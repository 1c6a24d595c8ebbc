#pragma once

// What a reply says, from its first word: case and accents do not count ("Sí", "si" and "SI"
// are one word), and the word ends at a blank or a punctuation mark other than an apostrophe
// ("Yes!" is YES, "can't" stays CAN'T). The lists are the user's.

#include "core/replies/inbox_settings.h"

#include <string>
#include <string_view>
#include <vector>

enum class ReplyKind { Confirmed, Cancelled, Stop, Other, Report };

// The kind as stored in replies.txt and shown: "Confirmed", "Cancelled", "Stop", "Other",
// "Report".
std::string replyKindText(ReplyKind kind);

struct ReplyWords {
    std::vector<std::string> confirmed, cancelled, stop, reports; // folded (foldWord)
    static ReplyWords of(const InboxSettings& settings);
};

// A word as the lists compare it: accents left out, upper case. UTF-8 in and out.
std::string foldWord(std::string_view utf8);
// The folded first word of a text.
std::string firstWord(std::string_view utf8);

// A report when the reading found a status word, or when the first word is a report word.
ReplyKind classifyReply(std::string_view text, std::string_view status, const ReplyWords& words);
