#include "core/reminders/sms_meter.h"

#include "core/tables/charset.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// The GSM 03.38 default alphabet in table order, without the escape at 0x1B.
const std::u32string kBasic = U"@£$¥èéùìòÇ\nØø\rÅåΔ_ΦΓΛΩΠΨΣΘΞÆæßÉ !\"#¤%&'()*+,-./0123456789:;<=>?"
                              U"¡ABCDEFGHIJKLMNOPQRSTUVWXYZÄÖÑÜ§¿abcdefghijklmnopqrstuvwxyzäöñüà";
const std::u32string kExtension = U"\f^{}\\[~]|€";

std::u32string repeat(char32_t c, int n) {
    return std::u32string(static_cast<size_t>(n), c);
}

TEST(SmsMeter, EveryCharacterOfTheGsmTablesAndSomeOutside) {
    ASSERT_EQ(kBasic.size(), 127u);
    for (char32_t c : kBasic)
        EXPECT_EQ(gsmSeptets(c), 1) << static_cast<unsigned>(c);
    for (char32_t c : kExtension)
        EXPECT_EQ(gsmSeptets(c), 2) << static_cast<unsigned>(c);
    for (char32_t c : std::u32string(U"`\tâçÊ“”’…\x7F\u00A0\U0001F600\x1B"))
        EXPECT_EQ(gsmSeptets(c), 0) << static_cast<unsigned>(c);
    // Every other character of the first 256 is outside both tables.
    int inside = 0;
    for (char32_t c = 0; c < 0x100; ++c)
        inside += gsmSeptets(c) != 0;
    EXPECT_EQ(inside, 127 - 10 /* Greek */ + 8 /* extension below U+0100 */ + 1 /* form feed */);
}

TEST(SmsMeter, PartsAtTheLimitsOfEachEncoding) {
    struct Case {
        const char* what;
        std::u32string text;
        int parts;
        SmsEncoding encoding;
        int units;
    };
    const Case cases[] = {
        {"empty", U"", 0, SmsEncoding::Gsm7, 0},
        {"basic table", kBasic, 1, SmsEncoding::Gsm7, 127},
        {"extension table", kExtension, 1, SmsEncoding::Gsm7, 20},
        {"160", repeat('a', 160), 1, SmsEncoding::Gsm7, 160},
        {"161", repeat('a', 161), 2, SmsEncoding::Gsm7, 161},
        {"153x2", repeat('a', 306), 2, SmsEncoding::Gsm7, 306},
        {"307", repeat('a', 307), 3, SmsEncoding::Gsm7, 307},
        {"euro ends at 160", repeat('a', 158) + U"€", 1, SmsEncoding::Gsm7, 160},
        {"euro crosses 160", repeat('a', 159) + U"€", 2, SmsEncoding::Gsm7, 161},
        {"euro would straddle parts", repeat('a', 152) + U"€" + repeat('a', 152), 3,
         SmsEncoding::Gsm7, 306},
        {"70", repeat(U'â', 70), 1, SmsEncoding::Ucs2, 70},
        {"71", repeat(U'â', 71), 2, SmsEncoding::Ucs2, 71},
        {"67x2", repeat(U'â', 134), 2, SmsEncoding::Ucs2, 134},
        {"67x2+1", repeat(U'â', 135), 3, SmsEncoding::Ucs2, 135},
        {"one accent makes all UCS-2", repeat('a', 69) + U"â", 1, SmsEncoding::Ucs2, 70},
        {"extension counts one in UCS-2", U"€€€â", 1, SmsEncoding::Ucs2, 4},
        {"emoji is two units", repeat('a', 68) + U"\U0001F600", 1, SmsEncoding::Ucs2, 70},
        {"emoji would straddle parts", repeat('a', 66) + U"\U0001F600" + repeat('a', 66), 3,
         SmsEncoding::Ucs2, 134},
    };
    for (const Case& c : cases) {
        const SmsMeasure m = measureSms(std::u32string_view(c.text));
        EXPECT_EQ(m.parts, c.parts) << c.what;
        EXPECT_EQ(m.encoding, c.encoding) << c.what;
        EXPECT_EQ(m.units, c.units) << c.what;
        // The same text in the program's charset, when it can carry it, measures the same.
        std::string bytes;
        for (char32_t ch : c.text)
            if (const int b = cp1252FromUnicode(ch); b >= 0)
                bytes.push_back(static_cast<char>(b));
        if (bytes.size() == c.text.size()) {
            const SmsMeasure t = measureSms(std::string_view(bytes));
            EXPECT_EQ(t.parts, c.parts) << c.what;
            EXPECT_EQ(t.encoding, c.encoding) << c.what;
            EXPECT_EQ(t.units, c.units) << c.what;
        }
    }
}

TEST(SmsMeter, TableTextIsReadInTheProgramsCharset) {
    // 0x80 is the euro sign, 0xE2 is 'â', 0x93 a curly quote.
    EXPECT_EQ(measureSms(std::string(158, 'a') + "\x80").parts, 1);
    EXPECT_EQ(measureSms(std::string(159, 'a') + "\x80").parts, 2);
    const SmsMeasure accent = measureSms(std::string("Caf\xE2 \x93ok\x94"));
    EXPECT_EQ(accent.encoding, SmsEncoding::Ucs2);
    EXPECT_EQ(accent.units, 9);
    EXPECT_EQ(accent.firstNonGsm, U'â');
    EXPECT_EQ(measureSms(std::string("\xE9t\xE9")).encoding, SmsEncoding::Gsm7); // "été"
}

TEST(SmsMeter, LabelNamesTheFirstCharacterThatNeedsUnicode) {
    struct Case {
        std::u32string text;
        const char* label;
    };
    const Case cases[] = {
        {U"", "0 SMS"},
        {U"See you at 10:30 [room 2]", "1 SMS"},
        {repeat('a', 161), "2 SMS"},
        {repeat('a', 70) + U"âê", "2 SMS: 'â' needs Unicode"},
        {U"Ok \u201Cthen\u201D", "1 SMS: '\u201C' needs Unicode"},
        {U"x\U0001F600", "1 SMS: '\U0001F600' needs Unicode"},
        {U"a\u00A0b", "1 SMS: U+00A0 needs Unicode"},
        {U"a\tb", "1 SMS: U+0009 needs Unicode"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(smsMeterLabel(measureSms(std::u32string_view(c.text))), c.label);
}

} // namespace
