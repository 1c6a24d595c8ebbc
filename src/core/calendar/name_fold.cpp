#include "core/calendar/name_fold.h"

#include "core/tables/charset.h"

namespace {

// The unaccented small letters of U+00C0 to U+00FF; '*' for the two that are not letters (× ÷),
// and the ligatures and ß spelt out below.
constexpr std::string_view kLatin1 =
    "aaaaaaAceeeeiiiidnooooo*ouuuuytSaaaaaaAceeeeiiiidnooooo*ouuuuyty";

// Appends the folded form of one character; false when it only separates words.
bool appendFolded(std::string& word, char32_t c) {
    if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) {
        word += static_cast<char>(c);
        return true;
    }
    if (c >= 'A' && c <= 'Z') {
        word += static_cast<char>(c - 'A' + 'a');
        return true;
    }
    if (c >= 0xC0 && c <= 0xFF) {
        const char f = kLatin1[c - 0xC0];
        if (f == '*')
            return false;
        if (f == 'A')
            word += "ae";
        else if (f == 'S')
            word += "ss";
        else if (f == 't')
            word += "th";
        else
            word += f;
        return true;
    }
    switch (c) {
    case 0x0152: // Œ
    case 0x0153:
        word += "oe";
        return true;
    case 0x0160: // Š
    case 0x0161:
        word += 's';
        return true;
    case 0x017D: // Ž
    case 0x017E:
        word += 'z';
        return true;
    case 0x0178: // Ÿ
        word += 'y';
        return true;
    default:
        break;
    }
    if (c >= 0x100 && c != 0x2019 && c != 0x2018 && c < 0x2000) {
        appendUtf8(word, c); // another alphabet's letter: kept as written
        return true;
    }
    return false;
}

template <typename Next> std::vector<std::string> words(Next next) {
    std::vector<std::string> out;
    std::string word;
    char32_t c = 0;
    int state;
    while ((state = next(c)) != 0) {
        if (state > 0 && appendFolded(word, c))
            continue;
        if (!word.empty())
            out.push_back(std::move(word));
        word.clear();
    }
    if (!word.empty())
        out.push_back(std::move(word));
    return out;
}

} // namespace

std::vector<std::string> foldedWordsUtf8(std::string_view text) {
    std::size_t i = 0;
    // 1: a character in c; -1: a byte that is not valid UTF-8; 0: the end.
    return words([&](char32_t& c) -> int {
        if (i >= text.size())
            return 0;
        const auto b = static_cast<unsigned char>(text[i]);
        int extra = b < 0x80 ? 0 : (b >> 5) == 6 ? 1 : (b >> 4) == 14 ? 2 : (b >> 3) == 30 ? 3 : -1;
        if (extra < 0 ||
            i + static_cast<std::size_t>(extra) >= text.size() + (extra == 0 ? 1 : 0)) {
            ++i;
            return -1;
        }
        char32_t v = extra == 0 ? b : b & (0x3F >> extra);
        for (int k = 1; k <= extra; ++k) {
            const auto cont = static_cast<unsigned char>(text[i + static_cast<std::size_t>(k)]);
            if ((cont & 0xC0) != 0x80) {
                ++i;
                return -1;
            }
            v = (v << 6) | (cont & 0x3F);
        }
        i += static_cast<std::size_t>(extra) + 1;
        c = v;
        return 1;
    });
}

std::vector<std::string> foldedWordsCp1252(std::string_view text) {
    std::size_t i = 0;
    return words([&](char32_t& c) -> int {
        if (i >= text.size())
            return 0;
        c = cp1252ToUnicode(static_cast<unsigned char>(text[i++]));
        return 1;
    });
}
