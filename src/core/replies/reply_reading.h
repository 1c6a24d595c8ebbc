#pragma once

// How the customer's number and the reply's text are read from a gateway's e-mail: one of the
// common forms, or a regular expression (GLib's, Perl-compatible) with the named groups
// "number", "text" and, for delivery reports, "status". The expression is matched against
//   From: <address>\nSubject: <subject>\n\n<body>
// so that it can take the number from any of them.

#include "core/replies/inbox_settings.h"
#include "core/replies/reply_message.h"

#include <memory>
#include <string>

struct ReadReply {
    std::string number; // as the e-mail writes it; empty when none was found
    std::string text;   // UTF-8
    std::string status; // a delivery report's status word, when the expression has one
};

class ReplyReader {
public:
    // Throws EInboxError when the form is Pattern and the expression does not compile or
    // has no group "number".
    ReplyReader(ReplyForm form, const std::string& pattern);
    ~ReplyReader();
    ReplyReader(const ReplyReader&) = delete;
    ReplyReader& operator=(const ReplyReader&) = delete;

    ReadReply read(const ReplyMessage& message) const;

private:
    ReplyForm form_;
    struct Compiled;
    std::unique_ptr<Compiled> regex_;
};

// The first phone number in the text: an optional "+" and at least 7 digits, which may be
// separated by single blanks, dashes or dots. Empty when there is none.
std::string findPhoneNumber(const std::string& text);
