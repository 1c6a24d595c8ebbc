// The float and date text of the table files, checked against the C library's formatter that
// the program used before: snprintf "%.15G" (the decimal point swapped for the separator).

#include "core/tables/date_time.h"
#include "core/tables/field.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <string>

namespace {

std::string reference(double v, char separator = '.') {
    char buf[64];
    const int n = std::snprintf(buf, sizeof buf, "%.15G", v);
    std::string out(buf, static_cast<size_t>(n));
    for (char& c : out)
        if (c == '.')
            c = separator;
    return out;
}

std::string formatted(double v, char separator = '.') {
    std::string out = "prefix:";
    fieldtext::appendFloat(out, v, separator);
    return out.substr(7);
}

TEST(FloatText, TableOfCases) {
    const double inf = std::numeric_limits<double>::infinity();
    const struct {
        double value;
        const char* text;
    } cases[] = {
        {0.0, "0"},
        {-0.0, "-0"},
        {1.0, "1"},
        {-2.5, "-2.5"},
        {37652.6034722222, "37652.6034722222"},
        {46349.5123456789012, "46349.5123456789"}, // a batch number: 15 significant digits
        {0.1, "0.1"},
        {1.0 / 3.0, "0.333333333333333"},
        {2.0 / 3.0, "0.666666666666667"},
        {0.0001, "0.0001"},
        {0.00001, "1E-05"},
        {0.000123456, "0.000123456"},
        {1.5e-7, "1.5E-07"},
        {123456789012345.0, "123456789012345"},
        {999999999999999.0, "999999999999999"},
        {9999999999999999.0, "1E+16"},
        {999999999999999.4, "999999999999999"},
        {999999999999999.9, "1E+15"}, // rounding carries into a new digit
        {1e15, "1E+15"},
        {1.25e100, "1.25E+100"},
        {-4.9406564584124654e-324, "-4.94065645841247E-324"},
        {1.7976931348623157e308, "1.79769313486232E+308"},
        {0.5, "0.5"},
        {100.0, "100"},
        {1234.5678, "1234.5678"},
        {inf, "INF"},
        {-inf, "-INF"},
        {std::nan(""), "NAN"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(formatted(c.value), c.text) << c.text;
        EXPECT_EQ(formatted(c.value), reference(c.value)) << c.text;
    }
    EXPECT_EQ(formatted(37652.25, ','), "37652,25");
    EXPECT_EQ(formatted(1.5e-7, ','), "1,5E-07");
}

// Random values of every shape: raw bit patterns, ordinary magnitudes, dates and times of day,
// short decimals, and the halfway points of the fifteenth digit.
TEST(FloatText, SameTextAsTheCLibraryForRandomValues) {
    std::mt19937_64 rng(20261210);
    std::uniform_int_distribution<int> exponent(-30, 30);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    for (int i = 0; i < 400000; ++i) {
        double v = 0;
        switch (i % 5) {
        case 0: {
            const uint64_t bits = rng();
            std::memcpy(&v, &bits, sizeof v);
            break;
        }
        case 1:
            v = unit(rng) * std::pow(10.0, exponent(rng));
            break;
        case 2: // a date-time: days since 1899 plus the fraction of the day
            v = static_cast<double>(rng() % 80000) +
                static_cast<double>(rng() % 86400000) / 86400000.0;
            break;
        case 3: // a short decimal, as typed
            v = static_cast<double>(static_cast<int64_t>(rng() % 2000001) - 1000000) / 1000.0;
            break;
        case 4: { // exactly halfway between two fifteen-digit neighbours, where rounding differs
            const double base = std::floor(unit(rng) * 1e14) + 0.5;
            v = base * std::pow(10.0, exponent(rng) % 10);
            break;
        }
        }
        if (rng() % 2)
            v = -v;
        const std::string want = reference(v, ',');
        ASSERT_EQ(formatted(v, ','), want) << "bits of the value: " << std::hexfloat << v;
    }
}

TEST(DateText, AppendedFormsEqualTheFormatters) {
    FormatSettings fs;
    for (int32_t day : {-693593, 0, 1, 2, 36526, 46000, 109572, 2958465}) {
        std::string out = "x";
        appendDate(out, day, fs);
        EXPECT_EQ(out, "x" + formatDate(day, fs)) << day;
    }
    EXPECT_EQ(formatDate(46000, fs), "09/12/2025");
    for (int32_t ms : {0, 999, 1000, 45296789, 86399999}) {
        std::string out = "x";
        appendLongTime(out, ms, fs);
        EXPECT_EQ(out, "x" + formatLongTime(ms, fs)) << ms;
    }
    EXPECT_EQ(formatLongTime(45296789, fs), "12:34:56");
}

} // namespace
