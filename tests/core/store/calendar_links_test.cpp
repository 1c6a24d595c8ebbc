#include "core/store/calendar_links.h"

#include "core/store/schemas.h"
#include "core/tables/date_time.h"
#include "core/tables/format_settings.h"
#include "core/tables/mem_data.h"

#include <gtest/gtest.h>

namespace {

TEST(CalendarLinks, KeptAsATabFileAndFoundAgainByKey) {
    setProcessFormats(FormatSettings{});
    auto table = schemas::makeCalendarLinks();
    {
        CalendarLinks links(*table);
        links.put({{"https://cal.example/s.ics", "u1", ""},
                   "07700 900123",
                   dayNumber(2026, 12, 14),
                   timeMs(9, 30)});
        links.put({{"https://cal.example/s.ics", "u2", "20261215T080000Z"},
                   "07700 900456",
                   dayNumber(2026, 12, 15),
                   timeMs(8, 0)});
        // Replacing a link leaves one row for its key.
        links.put({{"https://cal.example/s.ics", "u1", ""},
                   "07700 900123",
                   dayNumber(2026, 12, 16),
                   timeMs(10, 0)});
        links.erase({"https://cal.example/s.ics", "nothing", ""});
    }
    EXPECT_EQ(
        table->DelimitedText(),
        "event_uid\trecurrence_instance\tcontact_no\tappointment_date\tappointment_"
        "time\tsource\t\r\n"
        "u2\t20261215T080000Z\t07700 900456\t15/12/2026\t08:00:00\thttps://cal.example/s.ics\t\r\n"
        "u1\t\t07700 900123\t16/12/2026\t10:00:00\thttps://cal.example/s.ics\t\r\n");
    auto reread = schemas::makeCalendarLinks();
    reread->ReadDelimitedText(table->DelimitedText());
    CalendarLinks links(*reread);
    const CalendarLink* u1 = links.find({"https://cal.example/s.ics", "u1", ""});
    ASSERT_NE(u1, nullptr);
    EXPECT_EQ(u1->day, dayNumber(2026, 12, 16));
    EXPECT_EQ(u1->ms, timeMs(10, 0));
    EXPECT_EQ(links.find({"/other.ics", "u1", ""}), nullptr);
    links.erase({"https://cal.example/s.ics", "u2", "20261215T080000Z"});
    EXPECT_EQ(reread->RowCount(), 1);
    int n = 0;
    links.forSource("https://cal.example/s.ics", [&](const CalendarLink&) { ++n; });
    EXPECT_EQ(n, 1);
}

} // namespace
