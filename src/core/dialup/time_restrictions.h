#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

class IniDocument;

// Per weekday, a phone-book entry may have a restricted period of the day; dialling inside it
// needs the restriction password. The rules live here, apart from the window that edits them.

constexpr int kRestrictionDays = 7;

// An entry's restrictions as typed and stored. Index 0 is day 1 (Sunday), index 6 day 7
// (Saturday), the weekday numbering of dayOfWeek.
struct RestrictionTexts {
    std::array<std::string, kRestrictionDays> from;
    std::array<std::string, kRestrictionDays> to;
    std::string password;
};

// True when the trimmed text is empty or a valid time of day (the typed-time rules).
bool isAcceptableRestrictionTime(std::string_view text);

// Milliseconds since midnight of a typed time; 0, meaning not set, when the text is empty or not
// a valid time. Midnight itself therefore counts as not set.
int32_t restrictionTime(std::string_view text);

// One day's period in milliseconds since midnight; 0 at either end means that end is not set.
struct RestrictedPeriod {
    int32_t from = 0;
    int32_t to = 0;
};

RestrictedPeriod restrictedPeriod(const RestrictionTexts& texts, int day);

// True when the time of day lies inside the period, both ends included. With neither end set
// nothing is restricted; with From later than To nothing is either (no period across midnight).
bool isInsidePeriod(RestrictedPeriod period, int32_t timeOfDayMs);

// The keys of an entry's section: "TimeFrom" and "TimeTo" followed by the day number, and
// "TimePassword"; texts are read and written exactly as typed, missing keys read as empty.
RestrictionTexts readRestrictions(const IniDocument& doc, std::string_view section);
void writeRestrictions(IniDocument& doc, std::string_view section, const RestrictionTexts& texts);
