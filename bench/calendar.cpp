// A year's calendar of a busy practice against a large contact book.
//
//   BM_ReadAndMatch   reads a 10,000-event calendar, every event repeating weekly for a year
//                     (RRULE) in a VTIMEZONE zone, over the import window's default range (two
//                     weeks: 20,000 appointments), and matches each appointment against 20,000
//                     contacts, half by a number in its description and half by the name in its
//                     title. Counter: events per second.
//   BM_ReadAndMatchYear  the same over the whole year (520,000 appointments, of which the
//                     reader keeps its cap of 200,000).
//   BM_LibicalParse   the baseline: libical's own parse of the same text into its components,
//                     and nothing else.
// The goal: BM_ReadAndMatch under one second, and within twice BM_LibicalParse.
//
// Run: ./bench_calendar

#include "core/calendar/calendar_reader.h"
#include "core/calendar/contact_match.h"
#include "core/store/schemas.h"
#include "core/tables/date_time.h"
#include "core/tables/mem_data.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <libical/ical.h>
#include <memory>
#include <string>

namespace {

constexpr int kEvents = 10000;
constexpr int kContacts = 20000;

const char* const kFirst[] = {"Ann",  "Ben", "Cara", "Dev", "Ema",
                              "Finn", "Gus", "Hana", "Ivo", "Jo"};

std::string name(int i) {
    return std::string(kFirst[i % 10]) + " Client" + std::to_string(i);
}

std::string number(int i) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "07700 %06d", i);
    return buf;
}

const std::string& calendarText() {
    static const std::string text = [] {
        std::string t =
            "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Bench//EN\r\n"
            "BEGIN:VTIMEZONE\r\nTZID:Europe/London\r\n"
            "BEGIN:DAYLIGHT\r\nTZOFFSETFROM:+0000\r\nTZOFFSETTO:+0100\r\nTZNAME:BST\r\n"
            "DTSTART:19700329T010000\r\nRRULE:FREQ=YEARLY;BYMONTH=3;BYDAY=-1SU\r\n"
            "END:DAYLIGHT\r\nBEGIN:STANDARD\r\nTZOFFSETFROM:+0100\r\nTZOFFSETTO:+0000\r\n"
            "TZNAME:GMT\r\nDTSTART:19701025T020000\r\n"
            "RRULE:FREQ=YEARLY;BYMONTH=10;BYDAY=-1SU\r\nEND:STANDARD\r\nEND:VTIMEZONE\r\n";
        for (int i = 0; i < kEvents; ++i) {
            const int contact = (i * 2) % kContacts;
            char start[40];
            std::snprintf(start, sizeof start, "202601%02dT%02d%02d00", 5 + i % 7, 8 + i % 10,
                          (i % 4) * 15);
            t += "BEGIN:VEVENT\r\nUID:bench-" + std::to_string(i) +
                 "@example.com\r\n"
                 "DTSTAMP:20251201T000000Z\r\nDTSTART;TZID=Europe/London:" +
                 start + "\r\nRRULE:FREQ=WEEKLY;UNTIL=20261231T235959Z\r\n";
            if (i % 2 == 0)
                t += "SUMMARY:Appointment\r\nDESCRIPTION:Call " + number(contact) + "\r\n";
            else
                t += "SUMMARY:Check-up for " + name(contact) + "\r\n";
            t += "END:VEVENT\r\n";
        }
        return t + "END:VCALENDAR\r\n";
    }();
    return text;
}

std::unique_ptr<TdxMemData> contactBook() {
    auto book = schemas::makeContacts();
    for (int i = 0; i < kContacts; ++i)
        book->AddRow({FieldValue{}, name(i), number(i), std::string(), number(i)});
    return book;
}

void readAndMatch(benchmark::State& state, CalendarRange range) {
    const std::string& text = calendarText();
    const auto book = contactBook();
    CalendarLimits limits;
    limits.localZone = "Europe/London";
    std::size_t matched = 0;
    std::size_t read = 0;
    for (auto _ : state) {
        const CalendarRead events = readCalendarText(text, range, limits);
        const ContactMatcher matcher(*book);
        for (const CalendarEvent& e : events.events) {
            std::vector<std::string_view> texts(e.numberTexts.begin(), e.numberTexts.end());
            texts.insert(texts.end(), {e.title, e.description, e.location});
            matched += matcher.match(texts, e.title).matched();
        }
        read = events.events.size();
    }
    state.counters["events"] =
        benchmark::Counter(kEvents, benchmark::Counter::kIsIterationInvariantRate);
    state.counters["appointments"] = static_cast<double>(read);
    state.counters["matched"] =
        static_cast<double>(matched) / static_cast<double>(state.iterations());
}

void BM_ReadAndMatch(benchmark::State& state) {
    readAndMatch(state, {dayNumber(2026, 12, 12), dayNumber(2026, 12, 25)});
}
BENCHMARK(BM_ReadAndMatch)->Unit(benchmark::kMillisecond);

void BM_ReadAndMatchYear(benchmark::State& state) {
    readAndMatch(state, {dayNumber(2026, 1, 1), dayNumber(2026, 12, 31)});
}
BENCHMARK(BM_ReadAndMatchYear)->Unit(benchmark::kMillisecond);

void BM_LibicalParse(benchmark::State& state) {
    const std::string& text = calendarText();
    for (auto _ : state) {
        icalcomponent* c = icalparser_parse_string(text.c_str());
        benchmark::DoNotOptimize(c);
        icalcomponent_free(c);
    }
    state.counters["events"] =
        benchmark::Counter(kEvents, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_LibicalParse)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
