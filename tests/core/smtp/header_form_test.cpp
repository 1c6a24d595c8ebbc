// Date form, header folding, character-set choice and Base64.

#include "core/smtp/header_form.h"

#include "core/smtp/base64.h"

#include <gtest/gtest.h>

namespace {

struct DateCase {
    double dateTime;
    int offsetMinutes;
    std::string expected;
};

void PrintTo(const DateCase& c, std::ostream* os) {
    *os << c.dateTime << " " << c.offsetMinutes;
}

class DateFormCases : public ::testing::TestWithParam<DateCase> {};

TEST_P(DateFormCases, WritesDate) {
    EXPECT_EQ(dateForm(GetParam().dateTime, GetParam().offsetMinutes), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, DateFormCases,
    ::testing::Values(DateCase{37320.0, 120, "Tue, 5 Mar 2002 00:00:00 +0200"},
                      DateCase{37320.5, 0, "Tue, 5 Mar 2002 12:00:00 +0000"},
                      DateCase{37320.0 + 86399.0 / 86400.0, 60, "Tue, 5 Mar 2002 23:59:59 +0100"},
                      DateCase{36526.0, -300, "Sat, 1 Jan 2000 00:00:00 -0500"},
                      DateCase{36585.75, 330, "Tue, 29 Feb 2000 18:00:00 +0530"},
                      DateCase{36585.75, -330, "Tue, 29 Feb 2000 18:00:00 -0530"},
                      DateCase{45658.0 + 1.0 / 24 + 2.0 / 1440 + 3.0 / 86400, 825,
                               "Wed, 1 Jan 2025 01:02:03 +1345"},
                      DateCase{45657.0, -1, "Tue, 31 Dec 2024 00:00:00 -0001"},
                      DateCase{2.0, 0, "Mon, 1 Jan 1900 00:00:00 +0000"},
                      DateCase{0.0, 0, "Sat, 30 Dec 1899 00:00:00 +0000"},
                      DateCase{44197.999999999, 0, "Sat, 2 Jan 2021 00:00:00 +0000"}));

TEST(DateForm, SystemOffsetFollowsTheTimeZoneInForceAtThatDate) {
    const char* old = std::getenv("TZ");
    const std::string saved = old ? old : "";
    ::setenv("TZ", "Europe/Berlin", 1);
    ::tzset();
    // 15/01/2024 (winter) and 15/07/2024 (summer), noon.
    const int winter = systemUtcOffsetMinutes(45306.5);
    const int summer = systemUtcOffsetMinutes(45488.5);
    ::setenv("TZ", "America/St_Johns", 1);
    ::tzset();
    const int newfoundland = systemUtcOffsetMinutes(45306.5);
    if (old)
        ::setenv("TZ", saved.c_str(), 1);
    else
        ::unsetenv("TZ");
    ::tzset();
    EXPECT_EQ(winter, 60);
    EXPECT_EQ(summer, 120);
    EXPECT_EQ(newfoundland, -210);
}

TEST(DateForm, SystemNowMatchesTheLocalClock) {
    const time_t before = ::time(nullptr);
    const double now = systemNow();
    tm local{};
    ::localtime_r(&before, &local);
    char expected[32];
    std::strftime(expected, sizeof expected, "%d %b %Y %H:%M", &local);
    // Day and minute agree unless the minute turned between the two readings.
    const std::string text = dateForm(now, 0);
    std::string dayMonthYearTime = text.substr(5, text.size() - 5 - 9);
    if (dayMonthYearTime.size() < 17)
        dayMonthYearTime = "0" + dayMonthYearTime;
    EXPECT_EQ(dayMonthYearTime, std::string(expected)) << text;
}

struct FoldCase {
    std::string name;
    std::string value;
    std::string expected;
};

void PrintTo(const FoldCase& c, std::ostream* os) {
    *os << c.name << ": " << c.value;
}

class FoldCases : public ::testing::TestWithParam<FoldCase> {};

TEST_P(FoldCases, FoldsAt78) {
    const std::string line = headerLine(GetParam().name, GetParam().value);
    EXPECT_EQ(line, GetParam().expected);
}

const std::string k70(70, 'a');

INSTANTIATE_TEST_SUITE_P(
    Table, FoldCases,
    ::testing::Values(
        FoldCase{"Subject", "short  ", "Subject: short  "},
        // 9 + 69 = 78 characters: not folded.
        FoldCase{"Subject", std::string(60, 'a') + " bbbbbbbb",
                 "Subject: " + std::string(60, 'a') + " bbbbbbbb"},
        // 79 characters: the last word moves to a continuation line.
        FoldCase{"Subject", std::string(60, 'a') + " bbbbbbbbb",
                 "Subject: " + std::string(60, 'a') + "\r\n bbbbbbbbb"},
        FoldCase{"Subject", std::string(60, 'a') + "\tbbbbbbbbbbbbbbb",
                 "Subject: " + std::string(60, 'a') + "\r\n bbbbbbbbbbbbbbb"},
        FoldCase{"Subject", "one   " + k70, "Subject: one\r\n " + k70},
        // No blank at all after "Subject: ": the line stays long.
        FoldCase{"Subject", std::string(100, 'x'), "Subject: " + std::string(100, 'x')},
        // A first word longer than the limit breaks at the first blank after it.
        FoldCase{"Subject", std::string(90, 'x') + " y z",
                 "Subject: " + std::string(90, 'x') + "\r\n y z"},
        // Never inside double quotes.
        FoldCase{"To", "\"" + std::string(40, 'n') + " " + std::string(40, 'm') + "\" <a@x>",
                 "To: \"" + std::string(40, 'n') + " " + std::string(40, 'm') + "\"\r\n <a@x>"},
        FoldCase{"To", "\"a \\\" " + std::string(80, 'q') + "\" <a@x>",
                 "To: \"a \\\" " + std::string(80, 'q') + "\"\r\n <a@x>"},
        // Three pieces; a continuation piece holds its leading blank within 78.
        FoldCase{"Subject",
                 std::string(60, 'a') + " " + std::string(70, 'b') + " " + std::string(77, 'c') +
                     " d",
                 "Subject: " + std::string(60, 'a') + "\r\n " + std::string(70, 'b') + "\r\n " +
                     std::string(77, 'c') + "\r\n d"}));

struct CharsetCase {
    std::string locale;
    std::string charset;
    bool japanese;
};

void PrintTo(const CharsetCase& c, std::ostream* os) {
    *os << c.locale;
}

class CharsetCases : public ::testing::TestWithParam<CharsetCase> {};

TEST_P(CharsetCases, FromLocaleName) {
    EXPECT_EQ(charsetForLocale(GetParam().locale), GetParam().charset);
    EXPECT_EQ(isJapaneseLocale(GetParam().locale), GetParam().japanese);
}

INSTANTIATE_TEST_SUITE_P(
    Table, CharsetCases,
    ::testing::Values(
        CharsetCase{"", "ISO-8859-1", false}, CharsetCase{"C", "ISO-8859-1", false},
        CharsetCase{"POSIX", "ISO-8859-1", false}, CharsetCase{"en_GB.UTF-8", "ISO-8859-1", false},
        CharsetCase{"de_DE@euro", "ISO-8859-1", false}, CharsetCase{"zh_CN.UTF-8", "GB2312", false},
        CharsetCase{"zh_SG", "GB2312", false}, CharsetCase{"zh", "GB2312", false},
        CharsetCase{"zh_TW.Big5", "Big5", false}, CharsetCase{"zh_HK.UTF-8", "Big5", false},
        CharsetCase{"ja_JP.eucJP", "ISO-2022-JP", true}, CharsetCase{"ja", "ISO-2022-JP", true},
        CharsetCase{"ko_KR.UTF-8", "EUC-KR", false}, CharsetCase{"jam_JM", "ISO-8859-1", false}));

TEST(SystemLocale, LcAllThenLcMessagesThenLang) {
    struct Saved {
        const char* name;
        std::string value;
        bool set;
    } saved[] = {{"LC_ALL", "", false}, {"LC_MESSAGES", "", false}, {"LANG", "", false}};
    for (auto& s : saved)
        if (const char* v = std::getenv(s.name)) {
            s.value = v;
            s.set = true;
        }
    ::setenv("LC_ALL", "", 1);
    ::setenv("LC_MESSAGES", "ko_KR", 1);
    ::setenv("LANG", "ja_JP", 1);
    const std::string messagesWins = systemLocaleName();
    ::setenv("LC_ALL", "zh_TW", 1);
    const std::string allWins = systemLocaleName();
    ::unsetenv("LC_ALL");
    ::unsetenv("LC_MESSAGES");
    const std::string langOnly = systemLocaleName();
    for (auto& s : saved)
        if (s.set)
            ::setenv(s.name, s.value.c_str(), 1);
        else
            ::unsetenv(s.name);
    EXPECT_EQ(messagesWins, "ko_KR");
    EXPECT_EQ(allWins, "zh_TW");
    EXPECT_EQ(langOnly, "ja_JP");
}

struct Base64Case {
    std::string bytes;
    std::string expected;
};

void PrintTo(const Base64Case& c, std::ostream* os) {
    *os << c.expected;
}

class Base64Cases : public ::testing::TestWithParam<Base64Case> {};

TEST_P(Base64Cases, Encodes) {
    EXPECT_EQ(base64Encode(GetParam().bytes), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, Base64Cases,
    ::testing::Values(Base64Case{"", ""}, Base64Case{"f", "Zg=="}, Base64Case{"fo", "Zm8="},
                      Base64Case{"foo", "Zm9v"}, Base64Case{"foob", "Zm9vYg=="},
                      Base64Case{"fooba", "Zm9vYmE="}, Base64Case{"foobar", "Zm9vYmFy"},
                      Base64Case{std::string("\xff\xfe\x00\x3e\x3f", 5), "//4APj8="},
                      // No line breaks, however long.
                      Base64Case{std::string(100, 'M'), std::string(132, 'T').replace(0, 132, [] {
                                     std::string s;
                                     for (int i = 0; i < 33; ++i)
                                         s += "TU1N";
                                     return s;
                                 }() + "TQ==")}));

} // namespace
