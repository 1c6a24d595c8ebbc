#pragma once

// The header block the program's SMTP client writes before a batch's body, for the tests that
// compare a whole message: the fields in the client's order, then the two fixed lines and the
// empty line that ends the headers.

#include <string>

struct MailHeaders {
    std::string from{};
    std::string subject{};
    std::string to{};
    std::string cc{};      // no line when empty
    std::string replyTo{}; // no line when empty
    std::string date{};
};

inline std::string headerBlock(const MailHeaders& h) {
    std::string block =
        "From: " + h.from + "\r\nSubject: " + h.subject + "\r\nTo: " + h.to + "\r\n";
    if (!h.cc.empty())
        block += "Cc: " + h.cc + "\r\n";
    if (!h.replyTo.empty())
        block += "Reply-To: " + h.replyTo + "\r\n";
    block += "Date: " + h.date + "\r\nX-Priority: 3\r\nX-Library: Indy 8.0.25\r\n\r\n";
    return block;
}
