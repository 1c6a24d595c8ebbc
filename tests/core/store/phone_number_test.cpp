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

TEST(PhoneNumber, NationalAndInternationalFormsAreOneNumber) {
    struct Case {
        const char *a, *b;
        bool same;
    } cases[] = {
        {"07700 900123", "+44 7700 900123", true},
        {"447700900123", "07700900123", true},
        {"0044 7700 900123", "+447700900123", true},
        {"0044 7700 900123", "07700 900123", true},
        {"07700 900123", "07700-900123", true},
        {"07700 900123", "+44 7700 900124", false},
        {"07700 900123", "08700 900123", false},
        {"0123", "44123", false},                 // too short to be a national number
        {"07700900123", "12347700900123", false}, // a four-digit "country code"
        {"", "", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(samePhoneNumber(c.a, c.b), c.same) << c.a << " / " << c.b;
        EXPECT_EQ(samePhoneNumber(c.b, c.a), c.same) << c.b << " / " << c.a;
    }
}
