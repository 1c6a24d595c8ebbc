#include "core/calendar/calendar_reader.h"

#include "core/tables/date_time.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace {

std::string fixture(const std::string& name) {
    std::ifstream in(std::string(TEST_FIXTURES_DIR) + "/calendar/" + name, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

CalendarLimits london() {
    CalendarLimits limits;
    limits.localZone = "Europe/London";
    return limits;
}

CalendarRange december() {
    return {dayNumber(2026, 12, 14), dayNumber(2026, 12, 20)};
}

struct Expected {
    const char* uid;
    const char* instance;
    int month, day, hour, minute;
    bool cancelled;
    const char* skipped;
};

void expectEvents(const CalendarRead& read, const std::vector<Expected>& expected) {
    std::vector<const CalendarEvent*> inRange;
    for (const CalendarEvent& e : read.events)
        if (e.inRange)
            inRange.push_back(&e);
    ASSERT_EQ(inRange.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const CalendarEvent& e = *inRange[i];
        const Expected& x = expected[i];
        SCOPED_TRACE(x.uid + std::string(" ") + x.instance);
        EXPECT_EQ(e.uid, x.uid);
        EXPECT_EQ(e.instance, x.instance);
        EXPECT_EQ(e.day, dayNumber(2026, x.month, x.day));
        EXPECT_EQ(e.ms, timeMs(x.hour, x.minute));
        EXPECT_EQ(e.cancelled, x.cancelled);
        EXPECT_EQ(e.skipped, x.skipped);
    }
}

TEST(CalendarReader, OnlineExportWithItsTimeZoneUtcFloatingCancelledAndAllDay) {
    const CalendarRead read = readCalendarText(fixture("online_export.ics"), december(), london());
    expectEvents(read, {
                           {"3f9a1c2e7b@example.com", "", 12, 14, 9, 30, false, ""},
                           {"5b8e2d4410@example.com", "", 12, 15, 14, 30, false, ""},
                           {"77c0aa01de@example.com", "", 12, 16, 11, 0, true, ""},
                           {"9d1e6b3c2f@example.com", "", 12, 17, 0, 0, false, "All-day event"},
                           {"a4f3c9e2b1@example.com", "", 12, 18, 16, 0, false, ""},
                       });
    EXPECT_EQ(read.events[0].description, "Cut and colour.\nMobile: 07700 900123");
    EXPECT_EQ(read.events[1].title, "Trim - ZO\xC3\x8B o'brien");
    // The attendee's address and name are where a number may stand.
    EXPECT_EQ(read.events[2].numberTexts,
              (std::vector<std::string>{"tel:+44-7700-900456", "Sam Patel"}));
    EXPECT_TRUE(read.problems.empty());
}

TEST(CalendarReader, OfficeExportWithWindowsZoneNamesAndNoTimeZoneDefinitions) {
    const CalendarRead read = readCalendarText(fixture("office_export.ics"), december(), london());
    ASSERT_EQ(read.events.size(), 2u);
    // 10:30 in Berlin is 09:30 in London in December.
    EXPECT_EQ(read.events[0].day, dayNumber(2026, 12, 15));
    EXPECT_EQ(read.events[0].ms, timeMs(9, 30));
    EXPECT_EQ(read.events[0].skipped, "");
    EXPECT_EQ(read.events[1].ms, timeMs(15, 0));
    EXPECT_EQ(read.events[1].numberTexts, (std::vector<std::string>{"+44 7700 900123"}));
}

TEST(CalendarReader, DailySlotWithExceptionsAndOneOccurrenceMoved) {
    const CalendarRead read = readCalendarText(fixture("daily_slot.ics"), december(), london());
    const char* uid = "daily-slot-1@booking.example";
    expectEvents(read, {
                           {uid, "20261214T080000Z", 12, 14, 8, 0, false, ""},
                           {uid, "20261215T080000Z", 12, 15, 8, 0, false, ""},
                           {uid, "20261219T080000Z", 12, 19, 8, 0, false, ""},
                           {uid, "20261220T080000Z", 12, 20, 8, 0, false, ""},
                           {uid, "20261217T080000Z", 12, 17, 11, 0, false, ""},
                       });
    EXPECT_EQ(read.events.back().title, "Morning slot (moved) - Jo Smith");
}

TEST(CalendarReader, DaylightSavingChangesInsideTheRange) {
    const CalendarRange autumn{dayNumber(2026, 10, 24), dayNumber(2026, 11, 7)};
    const CalendarRead read = readCalendarText(fixture("dst_weekend.ics"), autumn, london());
    // New York and London leave summer time a week apart: the New York call moves on the
    // London clock; the London class stays at nine; a late UTC call falls on the next day.
    expectEvents(read,
                 {
                     {"weekly-ny@booking.example", "20261024T130000Z", 10, 24, 14, 0, false, ""},
                     {"weekly-ny@booking.example", "20261031T130000Z", 10, 31, 13, 0, false, ""},
                     {"weekly-ny@booking.example", "20261107T140000Z", 11, 7, 14, 0, false, ""},
                     {"weekly-london@booking.example", "20261024T080000Z", 10, 24, 9, 0, false, ""},
                     {"weekly-london@booking.example", "20261031T090000Z", 10, 31, 9, 0, false, ""},
                     {"weekly-london@booking.example", "20261107T090000Z", 11, 7, 9, 0, false, ""},
                     {"late-utc@booking.example", "", 10, 25, 0, 30, false, ""},
                 });
}

TEST(CalendarReader, EventsThatDoNotRepeatAreKeptOutsideTheRangeMarkedSo) {
    const CalendarRange later{dayNumber(2027, 1, 1), dayNumber(2027, 1, 14)};
    const CalendarRead read = readCalendarText(fixture("online_export.ics"), later, london());
    ASSERT_EQ(read.events.size(), 5u);
    for (const CalendarEvent& e : read.events)
        EXPECT_FALSE(e.inRange) << e.uid;
}

std::string calendarOf(const std::string& events) {
    return "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Test//EN\r\n" + events +
           "END:VCALENDAR\r\n";
}

std::string event(const std::string& uid, const std::string& lines) {
    return "BEGIN:VEVENT\r\nUID:" + uid + "\r\nDTSTAMP:20261201T000000Z\r\n" + lines +
           "END:VEVENT\r\n";
}

TEST(CalendarReader, UntilIsTheUtcTimeOfTheLastOccurrenceWhateverTheEventsZone) {
    // Calendars write UNTIL as the UTC time of the last occurrence. 10:30 in Berlin is 09:30
    // UTC, so an UNTIL of 09:30Z keeps the 10:30 occurrence that day; 09:00 in New York is
    // 14:00 UTC, so an UNTIL of 09:00Z ends the rule the day before. Both the rules computed
    // directly and those libical walks (BYHOUR) compare it so.
    struct Case {
        const char* lines;
        std::vector<Expected> expected;
    };
    const Case cases[] = {
        {"DTSTART;TZID=Europe/Berlin:20261201T103000\r\n"
         "RRULE:FREQ=WEEKLY;UNTIL=20261215T093000Z\r\n",
         {{"e", "20261215T093000Z", 12, 15, 9, 30, false, ""}}},
        {"DTSTART;TZID=Europe/Berlin:20261214T103000\r\n"
         "RRULE:FREQ=DAILY;BYHOUR=10;UNTIL=20261215T093000Z\r\n",
         {{"e", "20261214T093000Z", 12, 14, 9, 30, false, ""},
          {"e", "20261215T093000Z", 12, 15, 9, 30, false, ""}}},
        {"DTSTART;TZID=America/New_York:20261207T090000\r\n"
         "RRULE:FREQ=WEEKLY;UNTIL=20261214T090000Z\r\n",
         {}},
        {"DTSTART;TZID=America/New_York:20261214T090000\r\n"
         "RRULE:FREQ=DAILY;BYHOUR=9;UNTIL=20261216T090000Z\r\n",
         {{"e", "20261214T140000Z", 12, 14, 14, 0, false, ""},
          {"e", "20261215T140000Z", 12, 15, 14, 0, false, ""}}},
        {"DTSTART;VALUE=DATE:20261214\r\nRRULE:FREQ=DAILY;UNTIL=20261215\r\n",
         {{"e", "20261214", 12, 14, 0, 0, false, "All-day event"},
          {"e", "20261215", 12, 15, 0, 0, false, "All-day event"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.lines);
        expectEvents(readCalendarText(calendarOf(event("e", c.lines)), december(), london()),
                     c.expected);
    }
}

TEST(CalendarReader, ExtraDatesAreOccurrencesInEveryFormLessTheExceptions) {
    // A time in a zone, two on one line, a period in UTC, a bare date (the event's own time
    // that day), one EXDATE taking an extra date out again.
    const std::string text =
        calendarOf(event("extra", "DTSTART;TZID=Europe/Berlin:20261214T100000\r\n"
                                  "RDATE;TZID=Europe/Berlin:20261216T110000,"
                                  "20261218T120000\r\n"
                                  "RDATE;VALUE=PERIOD:20261217T150000Z/PT1H\r\n"
                                  "RDATE;VALUE=DATE:20261219\r\n"
                                  "EXDATE;TZID=Europe/Berlin:20261218T120000\r\n"));
    expectEvents(readCalendarText(text, december(), london()),
                 {
                     {"extra", "20261214T090000Z", 12, 14, 9, 0, false, ""},
                     {"extra", "20261216T100000Z", 12, 16, 10, 0, false, ""},
                     {"extra", "20261217T150000Z", 12, 17, 15, 0, false, ""},
                     {"extra", "20261219T090000Z", 12, 19, 9, 0, false, ""},
                 });
}

TEST(CalendarReader, ExtraDatesJoinTheRuleOnceAndCanBeChangedOnTheirOwn) {
    const std::string text = calendarOf(
        event("mix", "DTSTART:20261207T080000Z\r\nRRULE:FREQ=WEEKLY;COUNT=2\r\n"
                     "RDATE:20261214T080000Z\r\nRDATE:20261220T080000Z\r\nSUMMARY:Slot\r\n") +
        event("mix", "RECURRENCE-ID:20261220T080000Z\r\nDTSTART:20261220T100000Z\r\n"
                     "SUMMARY:Slot (moved)\r\n") +
        event("mars", "DTSTART:20261214T080000Z\r\n"
                      "RDATE;TZID=Mars/Olympus_Mons:20261215T080000\r\n"));
    CalendarRead read = readCalendarText(text, december(), london());
    ASSERT_FALSE(read.events.empty());
    // An extra date in a zone nobody defines: the event is not read by halves.
    EXPECT_EQ(read.events.back().uid, "mars");
    EXPECT_EQ(read.events.back().skipped, "Unknown time zone Mars/Olympus_Mons");
    read.events.pop_back();
    expectEvents(read, {
                           {"mix", "20261214T080000Z", 12, 14, 8, 0, false, ""},
                           {"mix", "20261220T080000Z", 12, 20, 10, 0, false, ""},
                       });
}

TEST(CalendarReader, HostileEventsAreSkippedWithTheirReasonAndTheRestIsRead) {
    const std::string text = calendarOf(
        event("mars",
              "DTSTART;TZID=Mars/Olympus_Mons:20261214T090000\r\nSUMMARY:Unknown zone\r\n") +
        event("seconds",
              "DTSTART:19700101T000000Z\r\nRRULE:FREQ=SECONDLY\r\nSUMMARY:Every second\r\n") +
        event("minutes", "DTSTART:20261214T000000Z\r\nRRULE:FREQ=MINUTELY;COUNT=100000000\r\n") +
        event("counted", "DTSTART:19700101T000000Z\r\nRRULE:FREQ=SECONDLY;COUNT=100000000\r\n") +
        event("nostart", "SUMMARY:No start\r\n") +
        event("badrule", "DTSTART:20261214T090000Z\r\nRRULE:FREQ=FORTNIGHTLY\r\n") +
        event("utf8", "DTSTART:20261214T100000Z\r\nSUMMARY:Caf\xE9 \xFF\xFE 07700 900123\r\n") +
        event("fine", "DTSTART:20261214T110000Z\r\nSUMMARY:Fine\r\n"));
    // The rules' steps are bounded per event; a smaller bound keeps the test quick.
    CalendarLimits limits = london();
    limits.maxStepsPerEvent = 20000;
    const CalendarRead read = readCalendarText(text, december(), limits);
    std::map<std::string, std::string> reasons;
    for (const CalendarEvent& e : read.events)
        reasons[e.uid] = e.skipped;
    EXPECT_EQ(reasons["mars"], "Unknown time zone Mars/Olympus_Mons");
    EXPECT_EQ(reasons["seconds"], "Repeats too often to be read");
    EXPECT_EQ(reasons["minutes"], "Repeats more than 5000 times in the range");
    EXPECT_EQ(reasons["counted"], "Repeats too often to be read");
    EXPECT_EQ(reasons["nostart"], "No start time that can be read");
    EXPECT_EQ(reasons["badrule"], "RRULE could not be read");
    EXPECT_EQ(reasons["utf8"], ""); // read; its text is only shown and searched for numbers
    EXPECT_EQ(reasons["fine"], "");
}

TEST(CalendarReader, ARangeOfCenturiesIsBoundedAsARuleThatRepeatsTooOften) {
    // Daily and weekly rules are computed, not walked; they are bounded all the same, per event
    // and for the whole calendar.
    const CalendarRange centuries{dayNumber(2000, 1, 1), dayNumber(2999, 12, 31)};
    std::string events;
    for (int i = 0; i < 3; ++i)
        events += event("weekly" + std::to_string(i),
                        "DTSTART:20261214T090000Z\r\nRRULE:FREQ=WEEKLY;BYDAY=MO\r\n");
    events += event("daily", "DTSTART:20261214T090000Z\r\nRRULE:FREQ=DAILY\r\n");
    CalendarLimits limits = london();
    limits.maxStepsPerEvent = 60000; // a thousand years of weeks fit, of days not
    limits.maxSteps = 250000;        // the three weekly rules fit, the daily one not after them
    const CalendarRead read = readCalendarText(calendarOf(events), centuries, limits);
    std::map<std::string, std::string> reasons;
    for (const CalendarEvent& e : read.events)
        reasons[e.uid] = e.skipped;
    EXPECT_EQ(reasons["weekly0"], "Repeats more than 5000 times in the range");
    EXPECT_EQ(reasons["daily"], "Repeats too often to be read");
    limits.maxSteps = 100000; // now the second weekly rule passes the calendar's bound
    const CalendarRead capped = readCalendarText(calendarOf(events), centuries, limits);
    reasons.clear();
    for (const CalendarEvent& e : capped.events)
        reasons[e.uid] = e.skipped;
    EXPECT_EQ(reasons["weekly1"], "Repeats too often to be read");
}

TEST(CalendarReader, TheWholeCalendarIsCappedAndSaysSo) {
    CalendarLimits limits = london();
    limits.maxOccurrences = 10;
    const std::string text =
        calendarOf(event("a", "DTSTART:20261214T080000Z\r\nRRULE:FREQ=HOURLY\r\n"));
    const CalendarRead read = readCalendarText(text, december(), limits);
    EXPECT_EQ(read.events.size(), 10u);
    ASSERT_EQ(read.problems.size(), 1u);
    EXPECT_EQ(read.problems[0],
              "The calendar holds more than 10 appointments in the range; the rest were left out");
}

TEST(CalendarReader, BrokenFoldingAndTruncationDoNotStopTheRead) {
    // A folded line that lost its leading blank, and a file cut off inside an event.
    const std::string text = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nBEGIN:VEVENT\r\nUID:one\r\n"
                             "DTSTART:20261214T090000Z\r\nSUMMARY:Long title that was\r\n"
                             "folded badly\r\nEND:VEVENT\r\nBEGIN:VEVENT\r\nUID:two\r\n"
                             "DTSTART:2026121";
    const CalendarRead read = readCalendarText(text, december(), london());
    ASSERT_GE(read.events.size(), 1u);
    EXPECT_EQ(read.events[0].uid, "one");
    EXPECT_EQ(read.events[0].ms, timeMs(9, 0));
}

TEST(CalendarReader, WholeFilesThatCannotBeReadRaiseASentence) {
    struct Case {
        std::string text;
        const char* message;
    };
    const Case cases[] = {
        {"", "The calendar is empty"},
        {"\r\n  \r\n", "The calendar is empty"},
        {"Name\tNumber\r\nJo\t0123\r\n", "This is not a calendar: it holds no BEGIN:VCALENDAR"},
        {std::string(10 * 1024 * 1024 + 1, 'x'),
         "The calendar is larger than 10 MB, more than the program reads"},
    };
    for (const Case& c : cases) {
        try {
            readCalendarText(c.text, december(), london());
            ADD_FAILURE() << "no error for " << c.text.substr(0, 30);
        } catch (const CalendarError& e) {
            EXPECT_STREQ(e.what(), c.message);
        }
    }
}

TEST(CalendarReader, AFiftyMegabyteFileIsRefusedUnread) {
    TempFolder folder;
    {
        std::ofstream out(folder.file("huge.ics"), std::ios::binary);
        out.seekp(50 * 1024 * 1024);
        out.put('\n');
    }
    try {
        readCalendarFile(folder.file("huge.ics"), december(), london());
        ADD_FAILURE() << "read";
    } catch (const CalendarError& e) {
        EXPECT_STREQ(e.what(), "The calendar is larger than 10 MB, more than the program reads");
    }
    EXPECT_THROW(readCalendarFile(folder.file("missing.ics"), december(), london()), CalendarError);
}

} // namespace
