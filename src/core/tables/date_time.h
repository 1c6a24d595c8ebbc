#pragma once

#include "core/base/civil_date.h"
#include "core/tables/format_settings.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Dates are whole day numbers counted from 30/12/1899 (day 0), so that a date-time, such as the
// batch identifier, is the day number plus the fraction of the day as a double.
// Times are milliseconds since midnight.

constexpr int32_t kMsPerDay = 86400000;

int32_t dayNumber(int year, int month, int day);
CivilDate civilFromDayNumber(int32_t dayNumber);
bool isValidCivilDate(int year, int month, int day);
int32_t timeMs(int hour, int minute, int second = 0, int ms = 0);

// Day of week 1 = Sunday ... 7 = Saturday.
int dayOfWeek(int32_t dayNumber);

// Date-time as days since 30/12/1899 plus the fraction of the day.
double dateTimeValue(int32_t day, int32_t ms);
int32_t datePart(double dateTime);
int32_t timePart(double dateTime);

// "dd/mm/yyyy" and "HH:mm:ss" with the process separators.
std::string formatDate(int32_t dayNumber, const FormatSettings& fs = processFormats());
std::string formatLongTime(int32_t ms, const FormatSettings& fs = processFormats());
// The same, appended to out without a temporary (the table files' hot path).
void appendDate(std::string& out, int32_t dayNumber, const FormatSettings& fs = processFormats());
void appendLongTime(std::string& out, int32_t ms, const FormatSettings& fs = processFormats());
// "HH:mm", the short time format.
std::string formatShortTime(int32_t ms, const FormatSettings& fs = processFormats());

// Day, month and year in that order with the date separator; blanks around are allowed.
std::optional<int32_t> parseDate(std::string_view text,
                                 const FormatSettings& fs = processFormats());
// Hours and minutes, optionally seconds, with the time separator; blanks around are allowed.
std::optional<int32_t> parseTime(std::string_view text,
                                 const FormatSettings& fs = processFormats());
// A time of day as a person types it: an hour, optionally followed by the time separator and
// minutes, and again by seconds; an AM or PM marker (any letter case) may stand before or after,
// and then the hour is 1 to 12. Blanks around are allowed.
std::optional<int32_t> parseTypedTime(std::string_view text,
                                      const FormatSettings& fs = processFormats());
