#include "core/reminders/placeholders.h"

#include "core/tables/date_time.h"
#include "core/tables/format_settings.h"

#include <gtest/gtest.h>

namespace {

TEST(Placeholders, FillTheDateAndTimeOfTheReminder) {
    setProcessFormats(FormatSettings{});
    const int32_t day = dayNumber(2026, 12, 24);
    const int32_t ms = timeMs(9, 5);
    struct Case {
        const char* message;
        std::optional<int32_t> day, ms;
        int each;
        const char* filled;
        bool date, time;
    };
    const Case cases[] = {
        {"Visit | at ~.", day, ms, -1, "Visit 24/12/2026 at 09:05.", true, true},
        {"| | ~ ~", day, ms, -1, "24/12/2026 24/12/2026 09:05 09:05", true, true},
        {"| | ~ ~", day, ms, 1, "24/12/2026 | 09:05 ~", true, true}, // one of each per key
        {"No marks", day, ms, -1, "No marks", false, false},
        {"Visit | at ~.", day, std::nullopt, -1, "Visit 24/12/2026 at ~.", true, false},
        {"Visit | at ~.", std::nullopt, std::nullopt, -1, "Visit | at ~.", false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        const FilledMessage f = fillPlaceholders(c.message, c.day, c.ms, c.each);
        EXPECT_EQ(f.text, c.filled);
        EXPECT_EQ(f.date, c.date);
        EXPECT_EQ(f.time, c.time);
        EXPECT_EQ(holdsPlaceholder(f.text),
                  std::string(c.filled).find_first_of("|~") != std::string::npos);
    }
}

} // namespace
