#pragma once

// Reading an IMAP server's responses (RFC 3501, section 7) as they arrive: a line, and for each
// literal announced at its end ("{123}") that many bytes and the line's continuation. Message
// text arrives only inside literals, so nothing in a message can pass for a response line (a
// body line "T2 OK" stays text). Every size is capped, so a hostile or broken server cannot
// make the reader hold more than it asked for.

#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

// The server sent something that is not IMAP, or more than the caps allow.
class EImapProtocol : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// One response: text pieces with a literal between each two. pieces.size() is always
// literals.size() + 1; the line ends (CR LF) are not kept.
struct ImapResponse {
    std::vector<std::string> pieces;
    std::vector<std::string> literals;

    bool untagged() const { return pieces.front().starts_with("* "); }
    // The first word: "*", "+" or the tag.
    std::string_view tag() const;
    // For a tagged response: "OK", "NO" or "BAD" (upper case); the rest of the line is its text.
    std::string_view status() const;
    std::string_view statusText() const;
};

struct ImapLimits {
    std::size_t maxLine = 64 * 1024;    // text of one response, literals not counted
    std::size_t maxLiteral = 64 * 1024; // the program never asks for more than 64 KiB at once
    std::size_t maxLiterals = 16;       // per response
};

class ImapResponseReader {
public:
    // Gives at least one byte, or 0 at the end of the stream; throws on a failure or time-out.
    using Source = std::function<std::size_t(char* buffer, std::size_t size)>;

    explicit ImapResponseReader(Source source, ImapLimits limits = {});
    // Throws EImapProtocol for a broken or oversized response, or when the stream ends.
    ImapResponse next();

private:
    bool fill();
    std::string readLine();
    std::string readBytes(std::size_t count);

    Source source_;
    ImapLimits limits_;
    std::string buffer_;
    std::size_t at_ = 0;
};

// One message's items of an untagged FETCH response.
struct FetchedItem {
    uint32_t sequence = 0;
    uint32_t uid = 0;
    // The value of the first BODY[...] item; NIL and a missing item give an empty body.
    std::string body;
};

// The FETCH items of an untagged response "* n FETCH (...)"; nothing for any other response.
// Throws EImapProtocol when a FETCH response cannot be taken apart.
std::optional<FetchedItem> parseFetch(const ImapResponse& response);

// The number of a response code in an untagged OK line, "* OK [UIDVALIDITY 123] ...".
std::optional<uint32_t> responseCodeNumber(const ImapResponse& response, std::string_view code);

// A folder name as an IMAP quoted string. Throws EImapProtocol for CR, LF or NUL.
std::string quotedImapString(std::string_view text);
