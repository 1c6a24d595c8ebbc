#include "core/reminders/placeholders.h"

#include "core/tables/date_time.h"

FilledMessage fillPlaceholders(std::string_view message, std::optional<int32_t> day,
                               std::optional<int32_t> ms, int each) {
    FilledMessage out;
    out.text.reserve(message.size() + 16);
    const std::string date = day ? formatDate(*day) : std::string();
    const std::string time = ms ? formatShortTime(*ms) : std::string();
    int dates = 0, times = 0;
    for (char c : message) {
        if (c == kDatePlaceholder && day && (each < 0 || dates < each)) {
            out.text += date;
            ++dates;
        } else if (c == kTimePlaceholder && ms && (each < 0 || times < each)) {
            out.text += time;
            ++times;
        } else {
            out.text += c;
        }
    }
    out.date = dates > 0;
    out.time = times > 0;
    return out;
}

bool holdsPlaceholder(std::string_view message) {
    return message.find_first_of("|~") != std::string_view::npos;
}
