#include "core/base/blanks.h"
#include "core/base/civil_date.h"
#include "core/base/letter_case.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(CivilDate, KnownDaysBothWays) {
    struct Case {
        int64_t days;
        CivilDate date;
    };
    const Case cases[] = {
        {0, {1899, 12, 30}},     {-693593, {1, 1, 1}},      {2, {1900, 1, 1}},
        {61, {1900, 3, 1}},      {25569, {1970, 1, 1}},     {36585, {2000, 2, 29}},
        {46015, {2025, 12, 24}}, {2958465, {9999, 12, 31}},
    };
    for (const Case& c : cases) {
        const CivilDate d = civilFromDays(c.days);
        EXPECT_EQ(d.year, c.date.year) << c.days;
        EXPECT_EQ(d.month, c.date.month) << c.days;
        EXPECT_EQ(d.day, c.date.day) << c.days;
        EXPECT_EQ(daysFromCivil(c.date.year, static_cast<unsigned>(c.date.month),
                                static_cast<unsigned>(c.date.day)),
                  c.days);
    }
    // Every day of four centuries goes there and back.
    for (int64_t day = -1000; day < 146097; ++day) {
        const CivilDate d = civilFromDays(day);
        ASSERT_EQ(
            daysFromCivil(d.year, static_cast<unsigned>(d.month), static_cast<unsigned>(d.day)),
            day);
    }
}

// 0xA0 is the no-break space of Windows-1252.
TEST(Blanks, EachRuleTrimsItsOwnBlanks) {
    const std::string text = "\xA0\r \tword \x01\t\xA0";
    EXPECT_EQ(trimmed(text, blanks::spaceOrTab), text);
    EXPECT_EQ(trimmed(" \tword \t", blanks::spaceOrTab), "word");
    EXPECT_EQ(trimmed("\r\n word\x01 ", blanks::spaceOrControl), "word");
    EXPECT_EQ(trimmed(text, blanks::spaceOrControl), text);
    EXPECT_EQ(trimBlanks(text), "word");
    EXPECT_EQ(trimBlanks("a \xA0 b"), "a \xA0 b"); // inside, blanks stay
    EXPECT_EQ(trimmedEnd(" word \t", blanks::spaceOrTab), " word");
    EXPECT_EQ(trimBlanks(" \xA0\t"), "");
}

TEST(LetterCase, NamesMatchIgnoringTheCharsetsLetterCase) {
    struct Case {
        const char* a;
        const char* b;
        bool same;
    };
    const Case cases[] = {
        {"Content-Type", "content-type", true},
        {"CAF\xC9", "caf\xE9", true}, // É and é
        {"\x8A\x8C\x8E\x9F", "\x9A\x9C\x9E\xFF", true},
        {"\xD7", "\xF7", false}, // × and ÷ are not letters
        {"name", "names", false},
        {"[", "{", false}, // not ASCII case pairs
        {"", "", true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(sameNameIgnoringCase(c.a, c.b), c.same) << c.a << " / " << c.b;
}

} // namespace
