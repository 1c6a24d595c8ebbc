#include "core/tables/charset.h"

namespace {

// 0x80 to 0x9F; the five undefined positions carry the C1 control of the same number.
constexpr char32_t kHighControls[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F, // 88-8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178, // 98-9F
};

constexpr char32_t kInvalid = 0xFFFFFFFF;

// Decodes the character starting at s[i] and advances i past it; kInvalid (i unchanged) for a
// malformed, overlong, truncated or surrogate sequence.
char32_t decodeUtf8(std::string_view s, std::size_t& i) {
    const auto lead = static_cast<unsigned char>(s[i]);
    if (lead < 0x80) {
        ++i;
        return lead;
    }
    int extra;
    char32_t cp;
    char32_t minimum;
    if ((lead & 0xE0) == 0xC0) {
        extra = 1;
        cp = lead & 0x1F;
        minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        extra = 2;
        cp = lead & 0x0F;
        minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        extra = 3;
        cp = lead & 0x07;
        minimum = 0x10000;
    } else {
        return kInvalid;
    }
    if (s.size() - i <= static_cast<std::size_t>(extra))
        return kInvalid;
    for (int k = 1; k <= extra; ++k) {
        const auto c = static_cast<unsigned char>(s[i + static_cast<std::size_t>(k)]);
        if ((c & 0xC0) != 0x80)
            return kInvalid;
        cp = (cp << 6) | (c & 0x3F);
    }
    if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return kInvalid;
    i += static_cast<std::size_t>(extra) + 1;
    return cp;
}

} // namespace

void appendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

char32_t cp1252ToUnicode(unsigned char byte) {
    if (byte >= 0x80 && byte <= 0x9F)
        return kHighControls[byte - 0x80];
    return byte;
}

int cp1252FromUnicode(char32_t codePoint) {
    if (codePoint < 0x80 || (codePoint >= 0xA0 && codePoint <= 0xFF))
        return static_cast<int>(codePoint);
    for (int k = 0; k < 32; ++k) {
        if (kHighControls[k] == codePoint)
            return 0x80 + k;
    }
    return -1;
}

bool cp1252CanEncode(char32_t codePoint) {
    return cp1252FromUnicode(codePoint) >= 0;
}

std::string utf8FromCp1252(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 8);
    for (const char c : bytes)
        appendUtf8(out, cp1252ToUnicode(static_cast<unsigned char>(c)));
    return out;
}

std::optional<std::string> cp1252FromUtf8(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    std::size_t i = 0;
    while (i < utf8.size()) {
        const char32_t cp = decodeUtf8(utf8, i);
        const int byte = cp == kInvalid ? -1 : cp1252FromUnicode(cp);
        if (byte < 0)
            return std::nullopt;
        out.push_back(static_cast<char>(byte));
    }
    return out;
}

std::size_t cp1252FirstUnencodable(std::string_view utf8) {
    std::size_t i = 0;
    while (i < utf8.size()) {
        const std::size_t start = i;
        const char32_t cp = decodeUtf8(utf8, i);
        if (cp == kInvalid || !cp1252CanEncode(cp))
            return start;
    }
    return std::string_view::npos;
}

bool cp1252CanEncodeUtf8(std::string_view utf8) {
    return cp1252FirstUnencodable(utf8) == std::string_view::npos;
}
