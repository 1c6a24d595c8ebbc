#include "core/tables/date_time.h"

#include "core/base/blanks.h"

#include <cmath>

namespace {

void put2(std::string& out, int v) {
    out.push_back(static_cast<char>('0' + (v / 10) % 10));
    out.push_back(static_cast<char>('0' + v % 10));
}

std::string_view trimSpaces(std::string_view s) {
    return trimmed(s, blanks::spaceOrTab);
}

// Reads 1..maxDigits decimal digits at s[pos]; advances pos.
std::optional<int> readNumber(std::string_view s, size_t& pos, size_t maxDigits) {
    size_t start = pos;
    int v = 0;
    while (pos < s.size() && s[pos] >= '0' && s[pos] <= '9' && pos - start < maxDigits) {
        v = v * 10 + (s[pos] - '0');
        ++pos;
    }
    if (pos == start)
        return std::nullopt;
    return v;
}

} // namespace

int32_t dayNumber(int year, int month, int day) {
    return static_cast<int32_t>(
        daysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)));
}

CivilDate civilFromDayNumber(int32_t dn) {
    return civilFromDays(dn);
}

bool isValidCivilDate(int year, int month, int day) {
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1)
        return false;
    static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    const int max = month == 2 && leap ? 29 : kDays[month - 1];
    return day <= max;
}

int32_t timeMs(int hour, int minute, int second, int ms) {
    return ((hour * 60 + minute) * 60 + second) * 1000 + ms;
}

int dayOfWeek(int32_t dn) {
    // 30/12/1899 was a Saturday (7).
    int r = static_cast<int>((static_cast<int64_t>(dn) % 7 + 7) % 7);
    return (r + 6) % 7 + 1;
}

double dateTimeValue(int32_t day, int32_t ms) {
    return static_cast<double>(day) + static_cast<double>(ms) / kMsPerDay;
}

int32_t datePart(double dateTime) {
    return static_cast<int32_t>(std::trunc(dateTime));
}

int32_t timePart(double dateTime) {
    const double frac = std::fabs(dateTime - std::trunc(dateTime));
    auto ms = static_cast<int32_t>(std::llround(frac * kMsPerDay));
    return ms >= kMsPerDay ? kMsPerDay - 1 : ms;
}

void appendDate(std::string& out, int32_t dn, const FormatSettings& fs) {
    const CivilDate c = civilFromDayNumber(dn);
    put2(out, c.day);
    out.push_back(fs.dateSeparator);
    put2(out, c.month);
    out.push_back(fs.dateSeparator);
    int y = c.year;
    out.push_back(static_cast<char>('0' + (y / 1000) % 10));
    out.push_back(static_cast<char>('0' + (y / 100) % 10));
    put2(out, y % 100);
}

std::string formatDate(int32_t dn, const FormatSettings& fs) {
    std::string out;
    out.reserve(10);
    appendDate(out, dn, fs);
    return out;
}

void appendLongTime(std::string& out, int32_t ms, const FormatSettings& fs) {
    const int secs = ms / 1000;
    put2(out, secs / 3600);
    out.push_back(fs.timeSeparator);
    put2(out, secs / 60 % 60);
    out.push_back(fs.timeSeparator);
    put2(out, secs % 60);
}

std::string formatLongTime(int32_t ms, const FormatSettings& fs) {
    std::string out;
    out.reserve(8);
    appendLongTime(out, ms, fs);
    return out;
}

std::string formatShortTime(int32_t ms, const FormatSettings& fs) {
    const int secs = ms / 1000;
    std::string out;
    put2(out, secs / 3600);
    out.push_back(fs.timeSeparator);
    put2(out, secs / 60 % 60);
    return out;
}

std::optional<int32_t> parseDate(std::string_view text, const FormatSettings& fs) {
    const std::string_view s = trimSpaces(text);
    size_t pos = 0;
    const auto d = readNumber(s, pos, 2);
    if (!d || pos >= s.size() || s[pos] != fs.dateSeparator)
        return std::nullopt;
    ++pos;
    const auto m = readNumber(s, pos, 2);
    if (!m || pos >= s.size() || s[pos] != fs.dateSeparator)
        return std::nullopt;
    ++pos;
    const size_t yearStart = pos;
    auto y = readNumber(s, pos, 4);
    if (!y || pos != s.size())
        return std::nullopt;
    // A two-digit year belongs to the current century, as users type it.
    if (pos - yearStart <= 2)
        *y += 2000;
    if (!isValidCivilDate(*y, *m, *d))
        return std::nullopt;
    return dayNumber(*y, *m, *d);
}

namespace {

bool startsWithIgnoringCase(std::string_view s, std::string_view word) {
    if (s.size() < word.size())
        return false;
    for (size_t i = 0; i < word.size(); ++i)
        if ((s[i] | 0x20) != (word[i] | 0x20))
            return false;
    return true;
}

// 0 when the text holds no marker, 1 for AM, 2 for PM; the marker is taken off the text.
int takeDayHalfMarker(std::string_view& s) {
    for (int half = 1; half <= 2; ++half) {
        const std::string_view word = half == 1 ? "AM" : "PM";
        if (startsWithIgnoringCase(s, word)) {
            s = trimSpaces(s.substr(word.size()));
            return half;
        }
        if (s.size() >= word.size() &&
            startsWithIgnoringCase(s.substr(s.size() - word.size()), word)) {
            s = trimSpaces(s.substr(0, s.size() - word.size()));
            return half;
        }
    }
    return 0;
}

// The one reading of a time text. Table text needs hours and minutes; typed text may give the
// hour alone and an AM or PM marker before or after (hours 1 to 12 then).
std::optional<int32_t> readTime(std::string_view text, const FormatSettings& fs, bool typed) {
    std::string_view s = trimSpaces(text);
    const int half = typed ? takeDayHalfMarker(s) : 0;
    size_t pos = 0;
    const auto h = readNumber(s, pos, 2);
    if (!h)
        return std::nullopt;
    int m = 0;
    int sec = 0;
    if (pos < s.size() || !typed) {
        if (pos >= s.size() || s[pos] != fs.timeSeparator)
            return std::nullopt;
        ++pos;
        const auto mv = readNumber(s, pos, 2);
        if (!mv)
            return std::nullopt;
        m = *mv;
        if (pos < s.size()) {
            if (s[pos] != fs.timeSeparator)
                return std::nullopt;
            ++pos;
            const auto sv = readNumber(s, pos, 2);
            if (!sv || pos != s.size())
                return std::nullopt;
            sec = *sv;
        }
    }
    int hour = *h;
    if (half != 0) {
        if (hour < 1 || hour > 12)
            return std::nullopt;
        hour = hour % 12 + (half == 2 ? 12 : 0);
    }
    if (hour > 23 || m > 59 || sec > 59)
        return std::nullopt;
    return timeMs(hour, m, sec);
}

} // namespace

std::optional<int32_t> parseTime(std::string_view text, const FormatSettings& fs) {
    return readTime(text, fs, false);
}

std::optional<int32_t> parseTypedTime(std::string_view text, const FormatSettings& fs) {
    return readTime(text, fs, true);
}
