#pragma once

// Letter case in the program's single-byte charset, Windows-1252.
//
//   cp1252ToLower(byte)     the small letter of a capital (A-Z, the accented capitals, Š, Œ, Ž,
//                           Ÿ); any other byte unchanged.
//   sameNameIgnoringCase(a, b)  equal but for letter case: how field names, INI sections and
//                           keys, and mail header names are matched.

#include <cstddef>
#include <string_view>

constexpr unsigned char cp1252ToLower(unsigned char byte) {
    if ((byte >= 'A' && byte <= 'Z') || (byte >= 0xC0 && byte <= 0xDE && byte != 0xD7))
        return static_cast<unsigned char>(byte + 0x20);
    switch (byte) {
    case 0x8A: // Š
    case 0x8C: // Œ
    case 0x8E: // Ž
        return static_cast<unsigned char>(byte + 0x10);
    case 0x9F: // Ÿ
        return 0xFF;
    default:
        return byte;
    }
}

constexpr bool sameNameIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (cp1252ToLower(static_cast<unsigned char>(a[i])) !=
            cp1252ToLower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}
