#include "data/batch_check.h"

#include "data/date_time.h"
#include "data/do_not_text.h"
#include "data/mem_data.h"
#include "data/phone_number.h"
#include "data/schemas.h"
#include "data/sms_meter.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <unordered_set>

namespace {

struct Appointment {
    std::string digits;
    int32_t date;
    int32_t time; // -1 when there is none
    bool operator==(const Appointment&) const = default;
};

struct AppointmentHash {
    std::size_t operator()(const Appointment& a) const {
        const uint64_t when = (uint64_t(uint32_t(a.date)) << 32) | uint32_t(a.time);
        const std::size_t h = std::hash<std::string>{}(a.digits);
        return h ^ (std::hash<uint64_t>{}(when) + 0x9e3779b97f4a7c15ULL + (h << 6) + (h >> 2));
    }
};

std::optional<int32_t> integer(const FieldValue& v) {
    if (const auto* i = std::get_if<int32_t>(&v))
        return *i;
    return std::nullopt;
}

} // namespace

std::vector<BatchProblem> checkBatch(const TdxMemData& pending, double now,
                                     const DoNotTextSet& doNotText) {
    const int numberField = pending.FieldIndex(fields::contact_no);
    const int nameField = pending.FieldIndex(fields::name);
    const int dateField = pending.FieldIndex(fields::appointment_date);
    const int timeField = pending.FieldIndex(fields::appointment_time);
    const int messageField = pending.FieldIndex(fields::message);
    const int daysBeforeField = pending.FieldIndex(fields::days_before_appointment);
    const int32_t today = datePart(now);
    const int32_t nowMs = timePart(now);

    std::vector<BatchProblem> problems;
    std::unordered_set<Appointment, AppointmentHash> seen;
    seen.reserve(static_cast<std::size_t>(pending.RowCount()));
    for (int row = 0; row < pending.RowCount(); ++row) {
        // Views into the rows: a batch of many thousands is checked without a copy per value.
        const std::string_view number = pending.CellString(row, numberField);
        auto report = [&](std::string problem) {
            problems.push_back({row + 1, std::string(number),
                                std::string(pending.CellString(row, nameField)),
                                std::move(problem)});
        };

        const std::optional<int32_t> date = integer(pending.CellValue(row, dateField));
        const std::optional<int32_t> time = integer(pending.CellValue(row, timeField));
        if (!date) {
            report("No appointment date");
        } else if (*date < today || (*date == today && time && *time < nowMs)) {
            report("Appointment already past");
        } else if (int64_t(*date) - integer(pending.CellValue(row, daysBeforeField)).value_or(0) <
                   today) { // wide: a file may hold any days before
            report("Send date already past");
        }

        Appointment appointment{phoneDigits(number), date.value_or(0), time.value_or(-1)};
        const bool hasDigits = !appointment.digits.empty();
        const bool listed = hasDigits && doNotText.containsDigits(appointment.digits);
        if (hasDigits && date && !seen.insert(std::move(appointment)).second)
            report("Same number and appointment twice");

        if (!isSendableNumber(number))
            report("Not a valid number");

        const int parts = measureSms(pending.CellString(row, messageField)).parts;
        if (parts > 1)
            report("Longer than one SMS (" + std::to_string(parts) + " SMS)");

        if (listed)
            report("On the do-not-text list");
    }
    return problems;
}
