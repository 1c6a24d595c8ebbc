#include "core/dialup/time_restrictions.h"

#include "core/tables/date_time.h"
#include "core/tables/ini_file.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace {

struct TypedTimeCase {
    std::string text;
    std::optional<int32_t> ms;
};

class TypedTime : public ::testing::TestWithParam<TypedTimeCase> {};

TEST_P(TypedTime, FollowsTheValidTimeRules) {
    EXPECT_EQ(parseTypedTime(GetParam().text), GetParam().ms);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TypedTime,
    ::testing::Values(TypedTimeCase{"08:30", timeMs(8, 30)},
                      TypedTimeCase{" 08:30 ", timeMs(8, 30)}, TypedTimeCase{"8", timeMs(8, 0)},
                      TypedTimeCase{"17:30:01", timeMs(17, 30, 1)},
                      TypedTimeCase{"23:59:59", timeMs(23, 59, 59)}, TypedTimeCase{"0:00", 0},
                      TypedTimeCase{"7 PM", timeMs(19, 0)}, TypedTimeCase{"7pm", timeMs(19, 0)},
                      TypedTimeCase{"PM 7:15", timeMs(19, 15)},
                      TypedTimeCase{"am 7:15:05", timeMs(7, 15, 5)}, TypedTimeCase{"12 AM", 0},
                      TypedTimeCase{"12:30 PM", timeMs(12, 30)},
                      TypedTimeCase{"25:00", std::nullopt}, TypedTimeCase{"24:00", std::nullopt},
                      TypedTimeCase{"12:60", std::nullopt}, TypedTimeCase{"12:00:60", std::nullopt},
                      TypedTimeCase{"13 PM", std::nullopt}, TypedTimeCase{"0 AM", std::nullopt},
                      TypedTimeCase{"PM 7 PM", std::nullopt}, TypedTimeCase{"PM", std::nullopt},
                      TypedTimeCase{"", std::nullopt}, TypedTimeCase{"8:", std::nullopt},
                      TypedTimeCase{"8:30:", std::nullopt}, TypedTimeCase{"8.30", std::nullopt},
                      TypedTimeCase{"123", std::nullopt}, TypedTimeCase{"8:30:00:00", std::nullopt},
                      TypedTimeCase{"noon", std::nullopt}));

TEST(TypedTime, TableTimesStillNeedMinutesAndNoMarker) {
    EXPECT_EQ(parseTime("8"), std::nullopt);
    EXPECT_EQ(parseTime("7 PM"), std::nullopt);
    EXPECT_EQ(parseTime("08:30"), timeMs(8, 30));
}

TEST(RestrictionTime, InvalidOrEmptyOrMidnightIsNotSet) {
    EXPECT_EQ(restrictionTime(" 08:30 "), timeMs(8, 30));
    EXPECT_EQ(restrictionTime("7 PM"), timeMs(19, 0));
    for (const char* unset : {"", "  ", "25:00", "0:00", "00:00:00", "12 AM", "x"})
        EXPECT_EQ(restrictionTime(unset), 0) << unset;
    EXPECT_TRUE(isAcceptableRestrictionTime(""));
    EXPECT_TRUE(isAcceptableRestrictionTime("   "));
    EXPECT_TRUE(isAcceptableRestrictionTime("0:00"));
    EXPECT_FALSE(isAcceptableRestrictionTime("25:00"));
    EXPECT_FALSE(isAcceptableRestrictionTime("12:60"));
}

TEST(RestrictedPeriod, BothEndsAreInside) {
    const RestrictedPeriod office{timeMs(8, 30), timeMs(17, 30)};
    EXPECT_FALSE(isInsidePeriod(office, timeMs(8, 29, 59)));
    EXPECT_TRUE(isInsidePeriod(office, timeMs(8, 30, 0)));
    EXPECT_TRUE(isInsidePeriod(office, timeMs(17, 30, 0)));
    EXPECT_FALSE(isInsidePeriod(office, timeMs(17, 30, 1)));
}

TEST(RestrictedPeriod, OpenEndsAndReversedPeriods) {
    const RestrictedPeriod fromNoon{timeMs(12, 0), 0};
    EXPECT_FALSE(isInsidePeriod(fromNoon, timeMs(11, 59, 59)));
    EXPECT_TRUE(isInsidePeriod(fromNoon, timeMs(12, 0)));
    EXPECT_TRUE(isInsidePeriod(fromNoon, timeMs(23, 59, 59)));

    const RestrictedPeriod untilNine{0, timeMs(9, 0)};
    EXPECT_TRUE(isInsidePeriod(untilNine, 0));
    EXPECT_TRUE(isInsidePeriod(untilNine, timeMs(9, 0)));
    EXPECT_FALSE(isInsidePeriod(untilNine, timeMs(9, 0, 1)));

    const RestrictedPeriod overnight{timeMs(22, 0), timeMs(6, 0)};
    for (int hour = 0; hour < 24; ++hour)
        EXPECT_FALSE(isInsidePeriod(overnight, timeMs(hour, 0))) << hour;

    EXPECT_FALSE(isInsidePeriod({}, timeMs(12, 0)));
}

TEST(RestrictedPeriod, TakenFromTheTextsOfTheDay) {
    RestrictionTexts texts;
    texts.from[2] = "08:30"; // day 3, Tuesday
    texts.to[2] = "5:30 PM";
    texts.from[3] = "25:00";
    texts.to[3] = "10:00";
    const RestrictedPeriod tuesday = restrictedPeriod(texts, 3);
    EXPECT_EQ(tuesday.from, timeMs(8, 30));
    EXPECT_EQ(tuesday.to, timeMs(17, 30));
    const RestrictedPeriod wednesday = restrictedPeriod(texts, 4);
    EXPECT_EQ(wednesday.from, 0);
    EXPECT_EQ(wednesday.to, timeMs(10, 0));
}

TEST(RestrictionTexts, StoredExactlyAsTypedPerEntrySection) {
    IniDocument doc;
    RestrictionTexts texts;
    texts.from[0] = " 08:30 ";
    texts.to[0] = "25:00";
    texts.from[6] = "7 PM";
    texts.password = "Se Cret ";
    writeRestrictions(doc, "RAS_ENTRY_Office", texts);
    doc.WriteString("RAS_ENTRY_Home", "TimeFrom1", "06:00");

    const IniDocument reread(doc.bytes());
    EXPECT_EQ(reread.ReadString("RAS_ENTRY_Office", "TimeFrom1", "?"), " 08:30 ");
    EXPECT_EQ(reread.ReadString("RAS_ENTRY_Office", "TimeTo7", "?"), "");
    const RestrictionTexts office = readRestrictions(reread, "RAS_ENTRY_Office");
    EXPECT_EQ(office.from, texts.from);
    EXPECT_EQ(office.to, texts.to);
    EXPECT_EQ(office.password, "Se Cret ");
    const RestrictionTexts home = readRestrictions(reread, "RAS_ENTRY_Home");
    EXPECT_EQ(home.from[0], "06:00");
    EXPECT_EQ(home.password, "");
    EXPECT_EQ(readRestrictions(reread, "RAS_ENTRY_Other").from[0], "");
}

} // namespace
