#include "core/store/phone_number.h"

#include <gtest/gtest.h>

namespace {

TEST(PhoneNumber, DigitsAloneMakeTheComparedForm) {
    EXPECT_EQ(phoneDigits("+44 7700 900123"), "447700900123");
    EXPECT_EQ(phoneDigits("447700900123"), phoneDigits("+44 7700 900123"));
    EXPECT_EQ(phoneDigits("(0412) 345-678"), "0412345678");
    EXPECT_EQ(phoneDigits("no number"), "");
}

TEST(PhoneNumber, SendableNumbers) {
    struct Case {
        const char* number;
        bool sendable;
    };
    const Case cases[] = {
        {"1234567", true},
        {"123456", false},         // fewer than seven digits
        {"+44 7700 900123", true}, // blanks as the number boxes allow them
        {" 0412 345 678 ", true},
        {"+ 447700900123", true},
        {"++447700900123", false}, // one "+" only
        {"44+7700900123", false},  // and before the digits
        {"0412-345-678", false},
        {"0412345678x", false},
        {"04123\t45678", false},
        {"+123456", false},
        {"", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(isSendableNumber(c.number), c.sendable) << '"' << c.number << '"';
}

} // namespace
