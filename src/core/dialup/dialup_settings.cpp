#include "core/dialup/dialup_settings.h"

#include "core/tables/errors.h"

#include <array>
#include <cstdio>

namespace dialup {

std::string EscapeIniName(std::string_view name) {
    std::string out;
    out.reserve(name.size() + 8);
    for (const char c : name) {
        switch (c) {
        case ' ':
            out += '_';
            break;
        case '=':
            out += "\\-";
            break;
        case '@':
            out += "\\A";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '_':
            out += "\\_";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::string RasEntrySection(std::string_view entryName) {
    return "RAS_ENTRY_" + EscapeIniName(entryName);
}

std::string UserKey(std::string_view userName) {
    return kUserKeyPrefix + EscapeIniName(userName);
}

std::string ScramblePassword(std::string_view password, uint32_t tick) {
    const std::string_view p = password.substr(0, 255);
    const std::size_t n = p.size();
    std::size_t m = (n % 2 == 1) ? n + 1 : n + 2;
    if (m < 10)
        m = 10;

    // Bytes that are not set are never read back; zero keeps the digits reproducible.
    std::array<unsigned char, 256> b{};
    b[0] = static_cast<unsigned char>(n);
    std::string fill;
    if (n > 0) {
        fill = std::string(p);
        while (fill.size() < 10)
            fill += fill;
    } else {
        fill = std::to_string(tick);
    }
    fill.resize(std::min<std::size_t>(fill.size(), 255));
    for (std::size_t i = 0; i < fill.size(); ++i)
        b[1 + i] = static_cast<unsigned char>(fill[i]);

    std::string out;
    out.reserve(5 * m / 2);
    char group[8];
    for (std::size_t i = 0; i < m / 2; ++i) {
        const int w = b[2 * i] + 256 * b[2 * i + 1];
        std::snprintf(group, sizeof group, "%5.5d", w + kScrambleKey);
        out += group;
    }
    return out;
}

namespace {

// The decimal value of a group; blanks before the digits and a sign are allowed, as the
// program's whole-number conversion allows them.
bool groupValue(std::string_view g, long& value) {
    std::size_t i = 0;
    while (i < g.size() && g[i] == ' ')
        ++i;
    bool negative = false;
    if (i < g.size() && (g[i] == '-' || g[i] == '+'))
        negative = g[i++] == '-';
    if (i == g.size())
        return false;
    long v = 0;
    for (; i < g.size(); ++i) {
        if (g[i] < '0' || g[i] > '9')
            return false;
        v = v * 10 + (g[i] - '0');
    }
    value = negative ? -v : v;
    return true;
}

} // namespace

std::string UnscramblePassword(std::string_view digits) {
    std::array<unsigned char, 256> b{};
    b[0] = 35;
    for (std::size_t i = 1; i <= 35; ++i)
        b[i] = ' ';
    for (std::size_t j = 0; j * 5 < digits.size(); ++j) {
        const std::string_view group = digits.substr(j * 5, 5);
        long value = 0;
        if (!groupValue(group, value))
            throw EConvertError("'" + std::string(group) + "' is not a valid integer value");
        if (j >= b.size() / 2)
            continue; // the buffer is full; the rest is checked but not stored
        // Modulo 65536 with a non-negative result, also for a group below K.
        const unsigned w = static_cast<unsigned>(((value - kScrambleKey) % 65536 + 65536) % 65536);
        b[2 * j] = static_cast<unsigned char>(w % 256);
        b[2 * j + 1] = static_cast<unsigned char>(w / 256);
    }
    return std::string(b.begin() + 1, b.begin() + 1 + b[0]);
}

} // namespace dialup
