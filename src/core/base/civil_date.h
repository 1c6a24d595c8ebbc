#pragma once

// The one conversion between calendar dates and day numbers: days counted from 30/12/1899
// (day 0), the count the table files and the batch identifier use, on the proleptic Gregorian
// calendar (H. Hinnant's algorithms). Header-only, so the tables and the mail headers share it.
//
//   daysFromCivil(year, month, day)   the day number of a date
//   civilFromDays(days)               the date of a day number

#include <cstdint>

struct CivilDate {
    int year = 1899;
    int month = 12;
    int day = 30;
};

// 01/01/1970 counted from 30/12/1899.
constexpr int64_t kUnixEpochDay = 25569;

constexpr int64_t daysFromCivil(int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<int64_t>(doe) - 719468 + kUnixEpochDay;
}

constexpr CivilDate civilFromDays(int64_t days) {
    const int64_t z = days - kUnixEpochDay + 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const auto doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned d = doy - (153 * mp + 2) / 5 + 1;
    const unsigned m = mp < 10 ? mp + 3 : mp - 9;
    return {static_cast<int>(static_cast<int64_t>(yoe) + era * 400 + (m <= 2)), static_cast<int>(m),
            static_cast<int>(d)};
}

static_assert(daysFromCivil(1899, 12, 30) == 0 && daysFromCivil(1970, 1, 1) == kUnixEpochDay);
