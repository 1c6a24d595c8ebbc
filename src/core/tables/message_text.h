#pragma once

#include <string>
#include <string_view>

// Messages that quote what a user or a file supplied. A quoted value is cut to its first
// kMessageQuoteLength characters followed by "…", so that a huge value (a 10 MB line, say) never
// reaches a message box whole: laying such a text out would hang the program.
//
// The quoted bytes are the program's single-byte charset; the message is UTF-8, the form every
// exception text of the program takes.

inline constexpr std::size_t kMessageQuoteLength = 80;

// The value between single quotes, cut as above: 'abc' or 'abcd…'.
std::string quoteForMessage(std::string_view value);

// The value alone, cut as above, without quotes.
std::string cutForMessage(std::string_view value);
