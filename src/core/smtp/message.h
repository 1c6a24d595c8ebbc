#pragma once

#include "core/base/shared_text.h"

#include <string>
#include <string_view>
#include <utility>
#include <vector>

// The e-mail that the SMTP client sends: addresses, subject, header list, body lines, date and
// priority. The batch send fills one of these and hands it to TIdSMTP::Send.

// One address with an optional display name.
struct TIdEMailAddressItem {
    std::string Name;
    std::string Address;

    bool operator==(const TIdEMailAddressItem&) const = default;
};

// An ordered list of addresses.
class TIdEMailAddressList {
public:
    void Clear() { items_.clear(); }
    TIdEMailAddressItem& Add(TIdEMailAddressItem item = {});
    size_t Count() const { return items_.size(); }
    const TIdEMailAddressItem& operator[](size_t i) const { return items_.at(i); }
    TIdEMailAddressItem& operator[](size_t i) { return items_.at(i); }
    auto begin() const { return items_.begin(); }
    auto end() const { return items_.end(); }

    // Replaces the whole list with the addresses of a comma-separated text such as
    // `a@x.com, "Smith, Jo" <jo@y.org>, bo@z.net (Bo)`:
    // - a comma ends an item unless exactly one double quote has been seen since the item
    //   began; the end of the text ends the last item;
    // - each item is trimmed and empty items are skipped;
    // - `name <address>`: the address is between the first "<" and the final ">", the name is
    //   before the "<" (an item ending in ">" without any "<" gives an empty name and address);
    // - `address (name)`: the name is between the first "(" and the final ")", the address is
    //   before the "(";
    // - anything else is the address alone;
    // - a name enclosed in double or single quotes loses the enclosing pairs.
    void SetEMailAddresses(std::string_view text);

private:
    std::vector<TIdEMailAddressItem> items_;
};

// Header lines "name: value", at most one per name (names compare without regard to case),
// kept in the order they were first set.
class TIdHeaderList {
public:
    // The value of name, or "" when there is no such line.
    std::string Value(std::string_view name) const;
    // Sets the value of name; an empty value removes the line.
    void SetValue(std::string_view name, std::string_view value);
    void Clear() { lines_.clear(); }
    size_t Count() const { return lines_.size(); }
    const std::vector<std::pair<std::string, std::string>>& Lines() const { return lines_; }

private:
    std::vector<std::pair<std::string, std::string>> lines_;
};

enum class TIdMessagePriority { mpHighest, mpHigh, mpNormal, mpLow, mpLowest };

class TIdMessage {
public:
    TIdEMailAddressItem From;
    TIdEMailAddressList Recipients; // "To" header and RCPT
    TIdEMailAddressList CCList;     // "Cc" header and RCPT
    TIdEMailAddressList BccList;    // RCPT only; never named in a header
    TIdEMailAddressList ReplyTo;
    std::string Subject;
    // The body, one entry per line, without line ends. A line that itself holds CR or LF
    // characters goes out as several lines.
    std::vector<std::string> Body;
    // The body as one text, as a table file holds it: lines ending in CR LF, the last one
    // perhaps without. It goes out after Body's lines, exactly as its lines would (split at
    // each CR LF, a final CR LF ending the last line rather than starting an empty one), but
    // without cutting the text up: the batch e-mail carries the pending file this way, the
    // very bytes written to the file.
    SharedText BodyText;
    // Local date-time as days since 30/12/1899 plus the fraction of the day; 0 means "now".
    double Date = 0.0;
    TIdMessagePriority Priority = TIdMessagePriority::mpNormal;
    TIdHeaderList ExtraHeaders;

    // Written only when not empty; all empty in the batch e-mail.
    TIdEMailAddressItem Sender;
    TIdEMailAddressItem ReceiptRecipient; // "Disposition-Notification-To"
    std::string Organization;
    std::string References;
    std::string Newsgroups;
    std::string ContentType;
    std::string ContentTransferEncoding;

    // Empties every field.
    void Clear() { *this = TIdMessage(); }
};

// The lines of a body text (or a table file), without their CR LF ends; a last line without one
// counts, and an empty text has none.
std::vector<std::string> fileLines(std::string_view bytes);
