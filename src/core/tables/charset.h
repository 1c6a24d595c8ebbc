#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

// The program's single-byte charset: Windows-1252. Every text of the core (table files, settings
// files, the e-mail body) is a std::string of these bytes; the windows convert at their boundary
// with the functions below. All 256 bytes round-trip: the five positions that Windows-1252 leaves
// undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) stand for the C1 controls of the same number.
// A character that the charset cannot carry is reported, never replaced.

// The Unicode character of one byte.
char32_t cp1252ToUnicode(unsigned char byte);

// The byte of a Unicode character, or -1 when the charset cannot carry it.
int cp1252FromUnicode(char32_t codePoint);

bool cp1252CanEncode(char32_t codePoint);

// Appends one Unicode character (at most U+10FFFF, not a surrogate) as UTF-8.
void appendUtf8(std::string& out, char32_t codePoint);

// Windows-1252 bytes as UTF-8. Never fails.
std::string utf8FromCp1252(std::string_view bytes);

// UTF-8 text as Windows-1252 bytes; nullopt when the text is not valid UTF-8 or holds a character
// the charset cannot carry.
std::optional<std::string> cp1252FromUtf8(std::string_view utf8);

// Byte offset within utf8 of the first character that is not valid UTF-8 or cannot be carried;
// std::string_view::npos when the whole text can be converted.
std::size_t cp1252FirstUnencodable(std::string_view utf8);

bool cp1252CanEncodeUtf8(std::string_view utf8);

// cp1252ToLower, the letter case of the charset, is in core/base/letter_case.h.
#include "core/base/letter_case.h"
