#pragma once

// The appointments of an iCalendar file (RFC 5545), read with libical, within a range of days.
//
//   readCalendarText(text, range, limits)  every event starting in the range, one entry per
//       occurrence: a repeating event (RRULE up to its UNTIL, compared in UTC, and the extra
//       dates of RDATE) expanded within the range, without the dates its EXDATEs take out, an
//       occurrence changed on its own (RECURRENCE-ID) taking the place of the one it changes. Times
//       are brought to local time: a time in a zone (VTIMEZONE, an IANA name, a Windows zone name,
//       see windows_zones.h), a UTC time, and a floating time, which is local already. An event
//       that cannot be placed (no start, a time zone nobody defines, a repeat rule libical cannot
//       read, one that repeats more often than the limits allow) is an entry with the reason in
//       `skipped`. Events that do not repeat are all returned, also outside the range (inRange
//       false), so that one moved out of the range is still found.
//   readCalendarFile(path, range, limits)  the same for a file, refused unread when larger than
//       limits.maxBytes.
// A text that is not a calendar at all, an empty one, or one over the limits raises
// CalendarError with a sentence for the user.

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

class CalendarError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct CalendarRange {
    int32_t fromDay = 0; // inclusive day numbers, local dates
    int32_t toDay = 0;
};

struct CalendarLimits {
    std::size_t maxBytes = 10 * 1024 * 1024;
    int maxPerEvent = 5000;      // occurrences of one event inside the range
    int maxOccurrences = 200000; // occurrences of the whole calendar inside the range
    // Steps through a repeat rule (one occurrence each; a rule libical walks also steps
    // through those before the range) for one event and for the whole calendar.
    long maxStepsPerEvent = 100000;
    long maxSteps = 1000000;
    std::string localZone; // IANA name of the local zone; empty: the system's (TZ)
};

struct CalendarEvent {
    std::string uid;
    std::string instance; // a repeating event's occurrence: its original start; else empty
    std::string title;    // UTF-8 as the calendar wrote it
    std::string description;
    std::string location;
    std::vector<std::string> numberTexts; // attendees and telephone fields
    int32_t day = 0;                      // local start
    int32_t ms = 0;
    bool allDay = false;
    bool cancelled = false;
    bool inRange = true;
    std::string skipped; // why the event cannot be used; empty when it can
};

struct CalendarRead {
    std::vector<CalendarEvent> events;
    std::vector<std::string> problems; // about the calendar as a whole (occurrences left out)
};

CalendarRead readCalendarText(std::string_view text, CalendarRange range,
                              const CalendarLimits& limits = {});
CalendarRead readCalendarFile(const std::string& path, CalendarRange range,
                              const CalendarLimits& limits = {});
