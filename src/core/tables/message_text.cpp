#include "core/tables/message_text.h"

#include "core/tables/charset.h"

std::string cutForMessage(std::string_view value) {
    if (value.size() <= kMessageQuoteLength)
        return utf8FromCp1252(value);
    return utf8FromCp1252(value.substr(0, kMessageQuoteLength)) + "\u2026";
}

std::string quoteForMessage(std::string_view value) {
    return "'" + cutForMessage(value) + "'";
}
