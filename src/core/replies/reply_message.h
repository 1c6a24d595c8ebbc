#pragma once

// A gateway's e-mail taken apart (MIME through GMime): who sent it, its subject and
// Message-ID, its date, and its text. Bodies in quoted-printable or base64 and in any charset
// GMime knows come out as UTF-8; an HTML-only body is reduced to its text. Input is untrusted:
// broken MIME, a charset nobody knows or a body of NUL bytes gives what could be read, never a
// crash; only the first kMaxMessageBytes are looked at.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

inline constexpr std::size_t kMaxMessageBytes = 64 * 1024;

struct ReplyMessage {
    std::string from;      // the first From address, "local@domain", lower-cased domain
    std::string subject;   // UTF-8
    std::string messageId; // without the angle brackets; empty when the message has none
    // The Date header as a local date-time (days since 30/12/1899 plus the fraction of the day).
    std::optional<double> date;
    std::string body; // UTF-8 text
};

ReplyMessage parseReplyMessage(std::string_view bytes);

// Only the From address of a message's header (what the first, light fetch reads).
std::string senderAddress(std::string_view headerBytes);

// The text of an HTML body: tags and their scripts and styles left out, entities decoded,
// line breaks where the blocks were.
std::string textOfHtml(std::string_view html);
