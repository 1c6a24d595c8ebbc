#include "core/replies/reply_reading.h"

#include "core/replies/inbox_error.h"
#include "core/store/phone_number.h"

#include <glib.h>

struct ReplyReader::Compiled {
    GRegex* regex = nullptr;
    ~Compiled() {
        if (regex)
            g_regex_unref(regex);
    }
};

namespace {

std::string trimmed(std::string s) {
    const char* blanks = " \t\r\n";
    const size_t first = s.find_first_not_of(blanks);
    if (first == std::string::npos)
        return {};
    const size_t last = s.find_last_not_of(blanks);
    return s.substr(first, last - first + 1);
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// Where the number found by findPhoneNumber starts and ends in the text.
std::pair<size_t, size_t> phoneNumberSpan(const std::string& text) {
    for (size_t start = 0; start < text.size(); ++start) {
        const bool plus = text[start] == '+';
        if (!isDigit(text[start]) && !plus)
            continue;
        if (start > 0 && isDigit(text[start - 1]))
            continue;
        size_t i = start + (plus ? 1 : 0), end = i;
        int digits = 0;
        while (i < text.size()) {
            if (isDigit(text[i])) {
                ++digits;
                end = ++i;
            } else if ((text[i] == ' ' || text[i] == '-' || text[i] == '.') &&
                       i + 1 < text.size() && isDigit(text[i + 1]) && digits > 0) {
                ++i;
            } else {
                break;
            }
        }
        if (digits >= kMinNumberDigits)
            return {start, end};
        start = end > start ? end - 1 : start;
    }
    return {std::string::npos, std::string::npos};
}

std::string localPart(const std::string& address) {
    return address.substr(0, address.rfind('@'));
}

// The body's text after the line that holds the number: what a gateway puts below a
// "From: +44..." line. When the number's line says more after the number, that is the text.
std::string textAfterNumberLine(const std::string& body, size_t numberEnd) {
    const size_t lineEnd = body.find('\n', numberEnd);
    std::string rest = trimmed(body.substr(
        numberEnd, lineEnd == std::string::npos ? std::string::npos : lineEnd - numberEnd));
    while (!rest.empty() && (rest.front() == ':' || rest.front() == '-' || rest.front() == ','))
        rest = trimmed(rest.substr(1));
    if (!rest.empty())
        return rest;
    return lineEnd == std::string::npos ? std::string{} : trimmed(body.substr(lineEnd + 1));
}

std::string named(GMatchInfo* match, const char* name) {
    gchar* value = g_match_info_fetch_named(match, name);
    std::string out = value ? value : "";
    g_free(value);
    return trimmed(out);
}

} // namespace

std::string findPhoneNumber(const std::string& text) {
    const auto [start, end] = phoneNumberSpan(text);
    return start == std::string::npos ? std::string{} : text.substr(start, end - start);
}

ReplyReader::ReplyReader(ReplyForm form, const std::string& pattern) : form_(form) {
    if (form != ReplyForm::Pattern)
        return;
    GError* error = nullptr;
    GRegex* regex = g_regex_new(pattern.c_str(), static_cast<GRegexCompileFlags>(G_REGEX_MULTILINE),
                                static_cast<GRegexMatchFlags>(0), &error);
    if (!regex) {
        const std::string reason = error && error->message ? error->message : "it does not compile";
        g_clear_error(&error);
        throw EInboxError("The regular expression for replies cannot be used: " + reason + ".");
    }
    regex_ = std::make_unique<Compiled>();
    regex_->regex = regex;
    if (g_regex_get_string_number(regex, "number") < 0)
        throw EInboxError("The regular expression for replies has no group named \"number\": "
                          "write (?<number>...) around the part that holds the number.");
}

ReplyReader::~ReplyReader() = default;

ReadReply ReplyReader::read(const ReplyMessage& m) const {
    ReadReply r;
    const std::string body = trimmed(m.body);
    switch (form_) {
    case ReplyForm::FromLocalPart:
        r.number = findPhoneNumber(localPart(m.from));
        r.text = body.empty() ? trimmed(m.subject) : body;
        break;
    case ReplyForm::Subject:
        r.number = findPhoneNumber(m.subject);
        r.text = body;
        break;
    case ReplyForm::Body: {
        const auto [start, end] = phoneNumberSpan(body);
        if (start != std::string::npos) {
            r.number = body.substr(start, end - start);
            r.text = textAfterNumberLine(body, end);
        } else {
            r.text = body;
        }
        break;
    }
    case ReplyForm::Pattern: {
        const std::string subject = "From: " + m.from + "\nSubject: " + m.subject + "\n\n" + m.body;
        GMatchInfo* match = nullptr;
        // The input is UTF-8 made valid by the parser; a failed match reads nothing.
        if (g_regex_match_full(regex_->regex, subject.c_str(), static_cast<gssize>(subject.size()),
                               0, static_cast<GRegexMatchFlags>(0), &match, nullptr)) {
            r.number = named(match, "number");
            r.text =
                g_regex_get_string_number(regex_->regex, "text") >= 0 ? named(match, "text") : body;
            if (g_regex_get_string_number(regex_->regex, "status") >= 0)
                r.status = named(match, "status");
        } else {
            r.text = body;
        }
        g_match_info_free(match);
        break;
    }
    }
    return r;
}
