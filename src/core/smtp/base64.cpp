#include "core/smtp/base64.h"

#include <cstdint>

std::string base64Encode(std::string_view bytes) {
    static constexpr char kAlphabet[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    size_t i = 0;
    auto byteAt = [&](size_t k) {
        return static_cast<uint32_t>(static_cast<unsigned char>(bytes[k]));
    };
    for (; i + 3 <= bytes.size(); i += 3) {
        const uint32_t v = byteAt(i) << 16 | byteAt(i + 1) << 8 | byteAt(i + 2);
        out.push_back(kAlphabet[v >> 18 & 63]);
        out.push_back(kAlphabet[v >> 12 & 63]);
        out.push_back(kAlphabet[v >> 6 & 63]);
        out.push_back(kAlphabet[v & 63]);
    }
    const size_t rest = bytes.size() - i;
    if (rest == 1) {
        const uint32_t v = byteAt(i) << 16;
        out.push_back(kAlphabet[v >> 18 & 63]);
        out.push_back(kAlphabet[v >> 12 & 63]);
        out.append("==");
    } else if (rest == 2) {
        const uint32_t v = byteAt(i) << 16 | byteAt(i + 1) << 8;
        out.push_back(kAlphabet[v >> 18 & 63]);
        out.push_back(kAlphabet[v >> 12 & 63]);
        out.push_back(kAlphabet[v >> 6 & 63]);
        out.push_back('=');
    }
    return out;
}
