// The calendar reader and the contact matching on any bytes. Besides not crashing or hanging:
// every occurrence it keeps lies in the range, and no event holds more occurrences than allowed.

#include "core/calendar/calendar_reader.h"
#include "core/calendar/contact_match.h"
#include "core/store/schemas.h"
#include "core/tables/date_time.h"
#include "core/tables/mem_data.h"

#include <cstdint>
#include <cstdlib>
#include <memory>

namespace {

const TdxMemData& book() {
    static const std::unique_ptr<TdxMemData> contacts = [] {
        auto t = schemas::makeContacts();
        t->AddRow({FieldValue{}, std::string("Zoe O'Brien"), std::string("07700 900123"),
                   std::string(), std::string("07700 900123")});
        t->AddRow({FieldValue{}, std::string("Sam"), std::string("+44 7700 900456"), std::string(),
                   std::string("+44 7700 900456")});
        return t;
    }();
    return *contacts;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const CalendarRange range{dayNumber(2026, 12, 14), dayNumber(2026, 12, 20)};
    CalendarLimits limits;
    limits.localZone = "Europe/London";
    limits.maxPerEvent = 200;
    limits.maxOccurrences = 2000;
    limits.maxStepsPerEvent = 20000;
    limits.maxSteps = 100000;
    CalendarRead read;
    try {
        read = readCalendarText(text, range, limits);
    } catch (const CalendarError&) {
        return 0;
    }
    static const ContactMatcher matcher(book());
    int inRange = 0;
    for (const CalendarEvent& e : read.events) {
        if (e.inRange && e.skipped.empty()) {
            ++inRange;
            if (e.day < range.fromDay || e.day > range.toDay)
                std::abort();
        }
        std::vector<std::string_view> texts(e.numberTexts.begin(), e.numberTexts.end());
        texts.insert(texts.end(), {e.title, e.description, e.location});
        const ContactMatch m = matcher.match(texts, e.title);
        if (m.candidates.size() > 2)
            std::abort();
    }
    if (inRange > limits.maxOccurrences)
        std::abort();
    return 0;
}
