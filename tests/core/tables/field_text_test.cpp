#include "core/tables/date_time.h"
#include "core/tables/errors.h"
#include "core/tables/field.h"

#include <gtest/gtest.h>

namespace {

FieldDef def(FieldKind kind, const char* name = "f", const char* label = "") {
    FieldDef d;
    d.kind = kind;
    d.name = name;
    d.displayLabel = label;
    return d;
}

struct ParseCase {
    FieldKind kind;
    const char* text;
    const char* written; // the text form after reading; nullptr when the text is refused
    const char* error;   // the exact message when refused
};

class FieldTextParse : public ::testing::TestWithParam<ParseCase> {};

TEST_P(FieldTextParse, ReadsAndWritesBack) {
    const ParseCase& c = GetParam();
    const FieldDef d = def(c.kind, "days_before_appointment", "Days before");
    if (c.written) {
        const FieldValue v = fieldtext::parse(d, c.text);
        EXPECT_EQ(fieldtext::format(c.kind, v), c.written);
    } else {
        try {
            fieldtext::parse(d, c.text);
            ADD_FAILURE() << "accepted " << c.text;
        } catch (const EConvertError& e) {
            EXPECT_STREQ(e.what(), c.error);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, FieldTextParse,
    ::testing::Values(
        ParseCase{FieldKind::Integer, "42", "42", nullptr},
        ParseCase{FieldKind::Integer, "  -7", "-7", nullptr},
        ParseCase{FieldKind::Integer, "+3", "3", nullptr},
        ParseCase{FieldKind::Integer, "2147483647", "2147483647", nullptr},
        ParseCase{FieldKind::Integer, "2147483648", nullptr,
                  "'2147483648' is not a valid integer value for field 'Days before'"},
        ParseCase{FieldKind::Integer, "1.5", nullptr,
                  "'1.5' is not a valid integer value for field 'Days before'"},
        ParseCase{FieldKind::Integer, "7 ", nullptr,
                  "'7 ' is not a valid integer value for field 'Days before'"},
        ParseCase{FieldKind::Float, "37652.25", "37652.25", nullptr},
        ParseCase{FieldKind::Float, "0", "0", nullptr},
        ParseCase{FieldKind::Float, "37652.6034722222", "37652.6034722222", nullptr},
        ParseCase{FieldKind::Float, "12.500", "12.5", nullptr},
        ParseCase{FieldKind::Float, "1e3", "1000", nullptr},
        ParseCase{FieldKind::Float, "1,5", nullptr,
                  "'1,5' is not a valid floating point value for field 'Days before'"},
        ParseCase{FieldKind::Boolean, "t", "True", nullptr},
        ParseCase{FieldKind::Boolean, "Tr", "True", nullptr},
        ParseCase{FieldKind::Boolean, "f", "False", nullptr},
        ParseCase{FieldKind::Boolean, "FA", "False", nullptr},
        ParseCase{FieldKind::Boolean, "false", "False", nullptr},
        ParseCase{FieldKind::Boolean, "yes", nullptr,
                  "'yes' is not a valid boolean value for field 'Days before'"},
        ParseCase{FieldKind::Boolean, "Truer", nullptr,
                  "'Truer' is not a valid boolean value for field 'Days before'"},
        ParseCase{FieldKind::Date, "31/1/2003", "31/01/2003", nullptr},
        ParseCase{FieldKind::Date, "29/02/2004", "29/02/2004", nullptr},
        ParseCase{FieldKind::Date, "2003-01-31", nullptr, "'2003-01-31' is not a valid date"},
        ParseCase{FieldKind::Date, "29/02/2003", nullptr, "'29/02/2003' is not a valid date"},
        ParseCase{FieldKind::Date, "01/13/2003", nullptr, "'01/13/2003' is not a valid date"},
        ParseCase{FieldKind::Time, "14:30", "14:30:00", nullptr},
        ParseCase{FieldKind::Time, "8:05:09", "08:05:09", nullptr},
        ParseCase{FieldKind::Time, "24:00", nullptr, "'24:00' is not a valid time"},
        ParseCase{FieldKind::Time, "14.30", nullptr, "'14.30' is not a valid time"},
        ParseCase{FieldKind::String, "anything at all", "anything at all", nullptr}));

TEST(FieldText, EmptyTextIsNullForEveryKind) {
    for (FieldKind k : {FieldKind::String, FieldKind::Integer, FieldKind::Float, FieldKind::Boolean,
                        FieldKind::Date, FieldKind::Time})
        EXPECT_TRUE(isNull(fieldtext::parse(def(k), "")));
}

TEST(FieldText, MessagesNameTheFieldByItsNameWhenItHasNoLabel) {
    try {
        fieldtext::parse(def(FieldKind::Integer, "IncMins"), "x");
        ADD_FAILURE();
    } catch (const EConvertError& e) {
        EXPECT_STREQ(e.what(), "'x' is not a valid integer value for field 'IncMins'");
    }
}

TEST(FieldText, StringsBeyondTheirSizeAreCut) {
    FieldDef d = def(FieldKind::String);
    d.size = 5;
    EXPECT_EQ(std::get<std::string>(fieldtext::parse(d, "abcdefgh")), "abcde");
}

TEST(DateTime, DayNumbersCountFromTheThirtiethOfDecember1899) {
    EXPECT_EQ(dayNumber(1899, 12, 30), 0);
    EXPECT_EQ(dayNumber(2003, 1, 31), 37652);
    const CivilDate c = civilFromDayNumber(37652);
    EXPECT_EQ(c.year, 2003);
    EXPECT_EQ(c.month, 1);
    EXPECT_EQ(c.day, 31);
    EXPECT_EQ(dayOfWeek(dayNumber(2026, 12, 6)), 1);  // a Sunday
    EXPECT_EQ(dayOfWeek(dayNumber(2026, 12, 12)), 7); // a Saturday
    EXPECT_EQ(timePart(dateTimeValue(37652, timeMs(14, 29))), timeMs(14, 29));
}

TEST(DateTime, AnotherRegionalDateOrderDoesNotChangeTheFixedFormats) {
    // The formats are fixed at start-up; the machine's locale is never read.
    ::setenv("LC_ALL", "en_US.UTF-8", 1);
    EXPECT_EQ(formatDate(dayNumber(2003, 1, 31)), "31/01/2003");
    EXPECT_EQ(parseDate("31/01/2003"), dayNumber(2003, 1, 31));
    ::unsetenv("LC_ALL");
}

} // namespace
