#include "core/store/phone_number.h"

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
