#include "core/calendar/even_repeat.h"

#include "core/tables/date_time.h"

#include <gtest/gtest.h>

#include <libical/ical.h>
#include <memory>

namespace {

// The days libical's own iterator gives for a rule from `start`, walking from the first.
std::vector<int32_t> libicalDays(const icalrecurrencetype& rule, int32_t start, int32_t from,
                                 int32_t to) {
    const CivilDate d = civilFromDayNumber(start);
    icaltimetype first = icaltime_null_time();
    first.year = d.year, first.month = d.month, first.day = d.day, first.hour = 9;
    std::unique_ptr<icalrecur_iterator, void (*)(icalrecur_iterator*)> it(
        icalrecur_iterator_new(rule, first), icalrecur_iterator_free);
    std::vector<int32_t> days;
    for (int step = 0; step < 5000; ++step) {
        const icaltimetype next = icalrecur_iterator_next(it.get());
        if (icaltime_is_null_time(next))
            break;
        const int32_t day = dayNumber(next.year, next.month, next.day);
        if (day > to)
            break;
        if (day >= from)
            days.push_back(day);
    }
    return days;
}

TEST(EvenRepeat, GivesTheSameDaysAsLibicalsIterator) {
    const char* const rules[] = {
        "FREQ=DAILY",
        "FREQ=DAILY;INTERVAL=3",
        "FREQ=DAILY;COUNT=10",
        "FREQ=DAILY;INTERVAL=2;COUNT=40",
        "FREQ=WEEKLY",
        "FREQ=WEEKLY;INTERVAL=2",
        "FREQ=WEEKLY;INTERVAL=3;COUNT=5",
        "FREQ=WEEKLY;BYDAY=MO,WE,FR",
        "FREQ=WEEKLY;BYDAY=FR,MO;COUNT=7",
        "FREQ=WEEKLY;INTERVAL=2;BYDAY=TU,SU",
        "FREQ=WEEKLY;INTERVAL=2;BYDAY=TU,SU;WKST=SU",
        "FREQ=WEEKLY;INTERVAL=2;BYDAY=SA,MO,TH;WKST=WE;COUNT=20",
        "FREQ=WEEKLY;BYDAY=SU,MO,TU,WE,TH,FR,SA;COUNT=30",
    };
    int compared = 0;
    for (const char* text : rules) {
        const icalrecurrencetype rule = icalrecurrencetype_from_string(text);
        ASSERT_NE(rule.freq, ICAL_NO_RECURRENCE) << text;
        for (int32_t start = dayNumber(2026, 1, 5); start < dayNumber(2026, 1, 12); ++start) {
            const auto even = EvenRepeat::of(rule, start);
            if (!even)
                continue; // the start is not one of the rule's weekdays
            for (const auto& [from, to] :
                 {std::pair{start - 10, start + 400}, std::pair{start + 3, start + 17},
                  std::pair{start + 200, start + 230}, std::pair{start - 30, start - 1}}) {
                SCOPED_TRACE(std::string(text) + " from " + formatDate(start) + " in " +
                             formatDate(from) + " - " + formatDate(to));
                EXPECT_EQ(even->days(from, to, 5000), libicalDays(rule, start, from, to));
                ++compared;
            }
        }
    }
    EXPECT_GE(compared, 4 * 40);
}

TEST(EvenRepeat, GivesNoMoreDaysThanAsked) {
    // A range of a thousand years costs no more than the days the caller can use.
    const auto daily = EvenRepeat::of(icalrecurrencetype_from_string("FREQ=DAILY"), 0);
    ASSERT_TRUE(daily.has_value());
    const std::vector<int32_t> days = daily->days(10, 365000, 3);
    EXPECT_EQ(days, (std::vector<int32_t>{10, 11, 12}));
}

TEST(EvenRepeat, LeavesEveryOtherRuleToLibical) {
    const int32_t monday = dayNumber(2026, 1, 5);
    const char* const rules[] = {
        "FREQ=MONTHLY",
        "FREQ=YEARLY",
        "FREQ=HOURLY",
        "FREQ=DAILY;BYDAY=MO,TU",
        "FREQ=DAILY;BYMONTH=1",
        "FREQ=WEEKLY;BYDAY=1MO",
        "FREQ=WEEKLY;BYHOUR=9,15",
        "FREQ=WEEKLY;BYDAY=MO;BYSETPOS=1",
        "FREQ=WEEKLY;BYDAY=TU,WE", // the start, a Monday, is not one of its days
        "FREQ=WEEKLY;BYMONTHDAY=5",
    };
    for (const char* text : rules) {
        const icalrecurrencetype rule = icalrecurrencetype_from_string(text);
        EXPECT_FALSE(EvenRepeat::of(rule, monday).has_value()) << text;
    }
}

} // namespace
