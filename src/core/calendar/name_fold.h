#pragma once

// Names compared as people read them: "ZOË O'Brien" in a calendar and "Zoe O'Brien" in the
// contact book are one name. Text is cut into words of letters and digits, each lower-cased and
// stripped of its accents (the letters of the single-byte charset: é, ñ, ß, Œ, ...); every other
// character only separates words.
//
//   foldedWordsUtf8(text)     the words of UTF-8 text (a calendar's); bytes that are not valid
//                             UTF-8 separate words
//   foldedWordsCp1252(text)   the words of the program's own single-byte text (a contact's name)

#include <string>
#include <string_view>
#include <vector>

std::vector<std::string> foldedWordsUtf8(std::string_view text);
std::vector<std::string> foldedWordsCp1252(std::string_view text);
