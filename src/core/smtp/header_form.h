#pragma once

#include "core/smtp/message.h"

#include <string>
#include <string_view>

// How the message's header lines and body look on the wire.

// The program's own text is single-byte Windows-1252; display names and, on a Japanese system,
// body lines are converted from it.
inline constexpr const char* kProgramCharset = "WINDOWS-1252";

// The locale name that decides the system's language: the first non-empty one of LC_ALL,
// LC_MESSAGES and LANG, or "" when none is set.
std::string systemLocaleName();

// The character set for encoded-words of a locale: "GB2312" (simplified Chinese), "Big5"
// (traditional Chinese: zh_TW, zh_HK, zh_MO or a Hant script), "ISO-2022-JP" (Japanese),
// "EUC-KR" (Korean), otherwise "ISO-8859-1".
std::string charsetForLocale(std::string_view localeName);

// True when the locale's language is Japanese, so body lines go out as ISO-2022-JP.
bool isJapaneseLocale(std::string_view localeName);

// A display name as one or more RFC 2047 encoded-words separated by blanks, each at most 75
// characters: Q encoding for ISO-8859-1, B for the other sets. The text is converted from the
// program's charset; when the chosen set cannot hold it, UTF-8 is named and used instead.
std::string encodedWords(std::string_view text, std::string_view charset);

// One address in header form: the address alone when there is no display name; otherwise the
// name in double quotes (a backslash before each backslash and double quote) followed by
// " <address>"; a name with a character below 32 or above 126 is written as encoded-words.
std::string addressForm(const TIdEMailAddressItem& item, std::string_view charset);
// All items in address form joined by ", ".
std::string addressListForm(const TIdEMailAddressList& list, std::string_view charset);

// "name: value", folded when longer than 78 characters: broken at the last blank or tab (never
// inside double quotes, never within "name: ") that keeps a piece within 78 characters, each
// break written as CR LF and one blank, trailing blanks of every piece removed. A piece with
// no such blank is broken at the first blank after the limit, or not at all. No final CR LF.
std::string headerLine(std::string_view name, std::string_view value);

// "Tue, 5 Mar 2002 00:00:00 +0200" for a local date-time (days since 30/12/1899 plus the
// fraction of the day) and its offset from UTC in minutes.
std::string dateForm(double localDateTime, int utcOffsetMinutes);

// The current local date-time as days since 30/12/1899 plus the fraction of the day.
double systemNow();
// The system's offset from UTC, in minutes, in force at a local date-time.
int systemUtcOffsetMinutes(double localDateTime);

// Converts text from one character set to another with iconv, each call starting from the
// initial shift state and ending back in it.
class CharsetConverter {
public:
    CharsetConverter(const char* from, const char* to);
    ~CharsetConverter();
    CharsetConverter(const CharsetConverter&) = delete;
    CharsetConverter& operator=(const CharsetConverter&) = delete;
    // False when iconv does not know one of the sets.
    bool valid() const;
    // False when a character of text cannot be converted (out is then unspecified).
    bool convert(std::string_view text, std::string& out);

private:
    void* cd_;
};

// Converts text between character sets with iconv; false when a character cannot be converted
// (out is then unspecified).
bool convertCharset(std::string_view text, const char* from, const char* to, std::string& out);
