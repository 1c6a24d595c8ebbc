#include "core/smtp/header_form.h"

#include "core/base/blanks.h"
#include "core/base/civil_date.h"
#include "core/base/letter_case.h"
#include "core/smtp/base64.h"

#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <iconv.h>
#include <strings.h>
#include <vector>

namespace {

constexpr size_t kFoldLength = 78;
constexpr size_t kMaxEncodedWord = 75;
constexpr int64_t kMsPerDay = 86400000;

std::string lower(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return out;
}

bool qLiteral(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '!' ||
           c == '*' || c == '+' || c == '-' || c == '/';
}

size_t qLength(std::string_view bytes) {
    size_t n = 0;
    for (char c : bytes)
        n += qLiteral(static_cast<unsigned char>(c)) || c == ' ' ? 1 : 3;
    return n;
}

std::string qEncode(std::string_view bytes) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (char ch : bytes) {
        const auto c = static_cast<unsigned char>(ch);
        if (qLiteral(c)) {
            out.push_back(ch);
        } else if (c == ' ') {
            out.push_back('_');
        } else {
            out.push_back('=');
            out.push_back(kHex[c >> 4]);
            out.push_back(kHex[c & 15]);
        }
    }
    return out;
}

bool needsEncoding(std::string_view name) {
    for (char ch : name) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 32 || c > 126)
            return true;
    }
    return false;
}

// Splits a date-time into whole days and milliseconds of the day.
void splitDateTime(double dt, int64_t& day, int64_t& ms) {
    const double whole = std::floor(dt);
    day = static_cast<int64_t>(whole);
    ms = std::llround((dt - whole) * static_cast<double>(kMsPerDay));
    if (ms >= kMsPerDay) {
        ++day;
        ms -= kMsPerDay;
    }
}

} // namespace

CharsetConverter::CharsetConverter(const char* from, const char* to)
    : cd_(::iconv_open(to, from)) {}

CharsetConverter::~CharsetConverter() {
    if (valid())
        ::iconv_close(cd_);
}

bool CharsetConverter::valid() const {
    return cd_ != reinterpret_cast<iconv_t>(-1);
}

bool CharsetConverter::convert(std::string_view text, std::string& out) {
    out.clear();
    if (!valid())
        return false;
    ::iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    char* in = const_cast<char*>(text.data());
    size_t inLeft = text.size();
    char buf[4096];
    while (inLeft > 0) {
        char* o = buf;
        size_t oLeft = sizeof buf;
        const size_t rc = ::iconv(cd_, &in, &inLeft, &o, &oLeft);
        const int err = errno;
        out.append(buf, static_cast<size_t>(o - buf));
        if (rc == static_cast<size_t>(-1) && err != E2BIG)
            return false;
    }
    // A shifting set such as ISO-2022-JP ends back in its initial state.
    for (;;) {
        char* o = buf;
        size_t oLeft = sizeof buf;
        const size_t rc = ::iconv(cd_, nullptr, nullptr, &o, &oLeft);
        const int err = errno;
        out.append(buf, static_cast<size_t>(o - buf));
        if (rc != static_cast<size_t>(-1))
            return true;
        if (err != E2BIG)
            return false;
    }
}

std::string systemLocaleName() {
    for (const char* var : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(var);
        if (value && *value)
            return value;
    }
    return {};
}

std::string charsetForLocale(std::string_view localeName) {
    const std::string loc = lower(localeName);
    const size_t langEnd = loc.find_first_of("_.@-");
    const std::string lang = loc.substr(0, langEnd);
    if (lang == "zh") {
        const bool traditional =
            loc.find("_tw") != std::string::npos || loc.find("_hk") != std::string::npos ||
            loc.find("_mo") != std::string::npos || loc.find("hant") != std::string::npos;
        return traditional ? "Big5" : "GB2312";
    }
    if (lang == "ja")
        return "ISO-2022-JP";
    if (lang == "ko")
        return "EUC-KR";
    return "ISO-8859-1";
}

bool isJapaneseLocale(std::string_view localeName) {
    return charsetForLocale(localeName) == "ISO-2022-JP";
}

bool convertCharset(std::string_view text, const char* from, const char* to, std::string& out) {
    CharsetConverter c(from, to);
    return c.convert(text, out);
}

std::string encodedWords(std::string_view text, std::string_view charset) {
    std::string label(charset);
    std::string whole;
    CharsetConverter toLabel(kProgramCharset, label.c_str());
    CharsetConverter toUtf8(kProgramCharset, "UTF-8");
    CharsetConverter* converter = &toLabel;
    if (!toLabel.convert(text, whole)) {
        converter = toUtf8.convert(text, whole) ? &toUtf8 : nullptr;
        // Bytes that are not even Windows-1252 characters go out as they stand.
        label = converter ? "UTF-8" : "ISO-8859-1";
    }
    const bool q = sameNameIgnoringCase(label, "ISO-8859-1");
    const size_t overhead = label.size() + 7; // "=?" label "?Q?" ... "?="
    auto convertPart = [&](std::string_view part) {
        std::string out;
        if (!converter || !converter->convert(part, out))
            out.assign(part);
        return out;
    };
    auto encodedLength = [&](const std::string& bytes) {
        return overhead + (q ? qLength(bytes) : (bytes.size() + 2) / 3 * 4);
    };

    // Each word holds whole characters of the text and is converted on its own, so a
    // multi-byte or shifting character set never straddles two words.
    std::string result;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = start + 1;
        std::string best = convertPart(text.substr(start, 1));
        while (end < text.size()) {
            std::string candidate = convertPart(text.substr(start, end + 1 - start));
            if (encodedLength(candidate) > kMaxEncodedWord)
                break;
            best = std::move(candidate);
            ++end;
        }
        if (!result.empty())
            result.push_back(' ');
        result +=
            "=?" + label + (q ? "?Q?" : "?B?") + (q ? qEncode(best) : base64Encode(best)) + "?=";
        start = end;
    }
    return result;
}

std::string addressForm(const TIdEMailAddressItem& item, std::string_view charset) {
    if (item.Name.empty())
        return item.Address;
    std::string out;
    if (needsEncoding(item.Name)) {
        out = encodedWords(item.Name, charset);
    } else {
        out.push_back('"');
        for (char c : item.Name) {
            if (c == '"' || c == '\\')
                out.push_back('\\');
            out.push_back(c);
        }
        out.push_back('"');
    }
    out += " <" + item.Address + ">";
    return out;
}

std::string addressListForm(const TIdEMailAddressList& list, std::string_view charset) {
    std::string out;
    for (const auto& item : list) {
        if (!out.empty())
            out += ", ";
        out += addressForm(item, charset);
    }
    return out;
}

std::string headerLine(std::string_view name, std::string_view value) {
    std::string line;
    line.reserve(name.size() + 2 + value.size());
    line.append(name).append(": ").append(value);
    if (line.size() <= kFoldLength)
        return line;

    auto rtrim = [](std::string_view s) { return trimmedEnd(s, blanks::spaceOrTab); };
    // Blanks where the line may break: outside double quotes and after "name: ".
    std::vector<size_t> breaks;
    bool quoted = false;
    for (size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quoted && c == '\\') {
            ++i;
        } else if (c == '"') {
            quoted = !quoted;
        } else if (!quoted && blanks::spaceOrTab(c) && i > name.size() + 1) {
            breaks.push_back(i);
        }
    }

    std::string out;
    size_t start = 0; // start of the current piece in line
    size_t lead = 0;  // the blank written before a continuation piece
    size_t next = 0;  // first candidate break not yet passed
    while (lead + line.size() - start > kFoldLength) {
        while (next < breaks.size() && breaks[next] <= start)
            ++next;
        size_t chosen = std::string::npos;
        for (size_t k = next; k < breaks.size(); ++k) {
            const std::string_view piece =
                rtrim(std::string_view(line).substr(start, breaks[k] - start));
            if (piece.empty())
                continue;
            if (lead + piece.size() <= kFoldLength || chosen == std::string::npos)
                chosen = k;
            if (lead + piece.size() > kFoldLength)
                break;
        }
        if (chosen == std::string::npos)
            break;
        out.append(rtrim(std::string_view(line).substr(start, breaks[chosen] - start)));
        out.append("\r\n ");
        start = breaks[chosen] + 1;
        lead = 1;
    }
    out.append(rtrim(std::string_view(line).substr(start)));
    return out;
}

std::string dateForm(double localDateTime, int utcOffsetMinutes) {
    static constexpr const char* kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                              "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    int64_t day = 0, ms = 0;
    splitDateTime(localDateTime, day, ms);
    const CivilDate c = civilFromDays(day);
    // 30/12/1899 (day 0) was a Saturday.
    const int weekday = static_cast<int>(((day + 6) % 7 + 7) % 7);
    const int64_t secs = ms / 1000;
    const int offset = std::abs(utcOffsetMinutes);
    char buf[64];
    std::snprintf(buf, sizeof buf, "%s, %d %s %04d %02d:%02d:%02d %c%02d%02d", kDays[weekday],
                  c.day, kMonths[c.month - 1], c.year, static_cast<int>(secs / 3600),
                  static_cast<int>(secs / 60 % 60), static_cast<int>(secs % 60),
                  utcOffsetMinutes < 0 ? '-' : '+', offset / 60, offset % 60);
    return buf;
}

double systemNow() {
    timespec ts{};
    ::clock_gettime(CLOCK_REALTIME, &ts);
    tm local{};
    ::localtime_r(&ts.tv_sec, &local);
    const int64_t day = daysFromCivil(local.tm_year + 1900, static_cast<unsigned>(local.tm_mon + 1),
                                      static_cast<unsigned>(local.tm_mday));
    const int64_t ms =
        ((local.tm_hour * 60 + local.tm_min) * 60 + local.tm_sec) * 1000LL + ts.tv_nsec / 1000000;
    return static_cast<double>(day) + static_cast<double>(ms) / static_cast<double>(kMsPerDay);
}

int systemUtcOffsetMinutes(double localDateTime) {
    int64_t day = 0, ms = 0;
    splitDateTime(localDateTime, day, ms);
    const CivilDate c = civilFromDays(day);
    tm t{};
    t.tm_year = c.year - 1900;
    t.tm_mon = c.month - 1;
    t.tm_mday = c.day;
    const int64_t secs = ms / 1000;
    t.tm_hour = static_cast<int>(secs / 3600);
    t.tm_min = static_cast<int>(secs / 60 % 60);
    t.tm_sec = static_cast<int>(secs % 60);
    t.tm_isdst = -1;
    if (::mktime(&t) == static_cast<time_t>(-1))
        return 0;
    return static_cast<int>(t.tm_gmtoff / 60);
}
