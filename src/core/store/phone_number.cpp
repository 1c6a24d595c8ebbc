#include "core/store/phone_number.h"

#include <utility>

namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

} // namespace

void appendPhoneDigits(std::string& out, std::string_view number) {
    for (char c : number)
        if (isDigit(c))
            out.push_back(c);
}

std::string phoneDigits(std::string_view number) {
    std::string digits;
    appendPhoneDigits(digits, number);
    return digits;
}

bool isSendableNumber(std::string_view number) {
    int digits = 0;
    bool plusSeen = false;
    for (char c : number) {
        if (isDigit(c)) {
            ++digits;
        } else if (c == '+') {
            if (plusSeen || digits > 0)
                return false;
            plusSeen = true;
        } else if (c != ' ') {
            return false;
        }
    }
    return digits >= kMinNumberDigits;
}

namespace {

// The digits without an international "00" prefix.
std::string_view withoutCallPrefix(std::string_view digits) {
    return digits.starts_with("00") ? digits.substr(2) : digits;
}

} // namespace

bool samePhoneNumber(std::string_view a, std::string_view b) {
    const std::string digitsA = phoneDigits(a), digitsB = phoneDigits(b);
    std::string_view x = withoutCallPrefix(digitsA), y = withoutCallPrefix(digitsB);
    if (x.empty() || y.empty())
        return false;
    if (x == y)
        return true;
    // A national number (leading 0) against an international one: country codes have one to
    // three digits, and the national number without its 0 ends the international one.
    if (y.starts_with('0') && !x.starts_with('0'))
        std::swap(x, y);
    if (!x.starts_with('0') || y.starts_with('0'))
        return false;
    const std::string_view national = x.substr(1);
    return national.size() >= 6 && y.size() > national.size() && y.size() - national.size() <= 3 &&
           y.ends_with(national);
}
