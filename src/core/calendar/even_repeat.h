#pragma once

// Most calendars repeat an appointment on evenly spaced days: every day, or every week on one
// or a few weekdays, every INTERVAL days or weeks, until a date or for COUNT times. libical
// walks such a rule one occurrence at a time from its first, through ICU at every step; here
// the occurrences near a range are computed from their number instead.
//
//   EvenRepeat::of(rule, startDay)  the rule's days, when it is FREQ=DAILY without BY parts or
//       FREQ=WEEKLY with at most plain weekdays (BYDAY=MO,TH) and WKST, and the start is one of
//       its days; nullopt for any other rule, which libical expands.
//   days(fromDay, toDay, most)  the occurrences' days from fromDay to toDay, in order, COUNT
//       honoured, at most `most` of them. UNTIL is left to the caller, which knows the zones to
//       compare it in.

#include <cstddef>
#include <cstdint>
#include <libical/ical.h>
#include <optional>
#include <vector>

class EvenRepeat {
public:
    static std::optional<EvenRepeat> of(const icalrecurrencetype& rule, int32_t startDay);
    std::vector<int32_t> days(int32_t fromDay, int32_t toDay, std::size_t most) const;

private:
    int64_t startDay_ = 0;
    int64_t base_ = 0;         // first day of the period (day or week) holding the start
    int64_t stride_ = 1;       // days from one period used to the next
    std::vector<int> offsets_; // days into a period that are occurrences, ascending
    int64_t count_ = 0;        // COUNT, 0 when the rule has none
};
