#include "core/tables/name_order.h"

#include <algorithm>
#include <array>

namespace {

struct Tables {
    std::array<unsigned char, 256> upper{};
    std::array<unsigned char, 256> base{};
};

Tables makeTables() {
    Tables t;
    for (int b = 0; b < 256; ++b) {
        auto c = static_cast<unsigned char>(b);
        if ((c >= 'a' && c <= 'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7))
            c = static_cast<unsigned char>(c - 0x20);
        else if (c == 0x9A || c == 0x9C || c == 0x9E) // š œ ž
            c = static_cast<unsigned char>(c - 0x10);
        else if (c == 0xFF) // ÿ
            c = 0x9F;
        t.upper[static_cast<size_t>(b)] = c;
    }
    // The capitals of Windows-1252 from 0xC0 on (and ß), as their base letters ('.' keeps the
    // byte: Ð, × and Þ).
    const char* const accented = "AAAAAAACEEEEIIII.NOOOOO.OUUUUY.S";
    for (int b = 0; b < 256; ++b) {
        unsigned char c = t.upper[static_cast<size_t>(b)];
        if (c >= 0xC0 && c <= 0xDF && accented[c - 0xC0] != '.')
            c = static_cast<unsigned char>(accented[c - 0xC0]);
        else if (c == 0x8A)
            c = 'S';
        else if (c == 0x8C)
            c = 'O';
        else if (c == 0x8E)
            c = 'Z';
        else if (c == 0x9F)
            c = 'Y';
        t.base[static_cast<size_t>(b)] = c;
    }
    return t;
}

const Tables& tables() {
    static const Tables t = makeTables();
    return t;
}

} // namespace

unsigned char upperLetter(unsigned char byte) {
    return tables().upper[byte];
}

unsigned char baseLetter(unsigned char byte) {
    return tables().base[byte];
}

int compareCaseless(std::string_view a, std::string_view b) {
    const Tables& t = tables();
    const size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        const unsigned char x = t.base[static_cast<unsigned char>(a[i])];
        const unsigned char y = t.base[static_cast<unsigned char>(b[i])];
        if (x != y)
            return x < y ? -1 : 1;
    }
    if (a.size() != b.size())
        return a.size() < b.size() ? -1 : 1;
    for (size_t i = 0; i < n; ++i) {
        const unsigned char x = t.upper[static_cast<unsigned char>(a[i])];
        const unsigned char y = t.upper[static_cast<unsigned char>(b[i])];
        if (x != y)
            return x < y ? -1 : 1;
    }
    return 0;
}
