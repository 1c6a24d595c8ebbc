#pragma once

// Blanks at the ends of a text, under the three rules the program's texts follow. Each rule is a
// name, so a reader sees which one a trim applies.
//
//   spaceOrTab             ' ' and Tab: the separators of INI lines, dates, headers and
//                          command lines.
//   spaceOrControl         every byte up to 32: what an address or a reply may carry around it.
//   spaceControlOrNoBreak  every byte up to 32 and the no-break space 0xA0 of Windows-1252: what
//                          a name, number or group typed or imported may carry.
//
//   trimmed(text, rule)    the text without the rule's blanks at both ends (a view into text)
//   trimmedEnd(text, rule) the same at the end only

#include <string>
#include <string_view>

namespace blanks {

constexpr bool spaceOrTab(char c) {
    return c == ' ' || c == '\t';
}

constexpr bool spaceOrControl(char c) {
    return static_cast<unsigned char>(c) <= ' ';
}

constexpr bool spaceControlOrNoBreak(char c) {
    return spaceOrControl(c) || static_cast<unsigned char>(c) == 0xA0;
}

} // namespace blanks

template <typename Rule> constexpr std::string_view trimmedEnd(std::string_view s, Rule isBlank) {
    while (!s.empty() && isBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

template <typename Rule> constexpr std::string_view trimmed(std::string_view s, Rule isBlank) {
    while (!s.empty() && isBlank(s.front()))
        s.remove_prefix(1);
    return trimmedEnd(s, isBlank);
}

// A name, number or group as typed or imported, without its blanks: the contact book's rule.
inline std::string trimBlanks(std::string_view text) {
    return std::string(trimmed(text, blanks::spaceControlOrNoBreak));
}
