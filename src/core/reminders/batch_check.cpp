#include "core/reminders/batch_check.h"

#include "core/reminders/placeholders.h"
#include "core/reminders/sms_meter.h"
#include "core/store/do_not_text.h"
#include "core/store/phone_number.h"
#include "core/store/schemas.h"
#include "core/tables/date_time.h"
#include "core/tables/mem_data.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>
#include <vector>

namespace {

struct Appointment {
    std::string digits;
    int32_t date;
    int32_t time; // -1 when there is none
    bool operator==(const Appointment&) const = default;
};

std::size_t hashOf(const Appointment& a) {
    const uint64_t when = (uint64_t(uint32_t(a.date)) << 32) | uint32_t(a.time);
    const std::size_t h = std::hash<std::string_view>{}(a.digits);
    return h ^ (std::hash<uint64_t>{}(when) + 0x9e3779b97f4a7c15ULL + (h << 6) + (h >> 2));
}

// The appointments seen so far, in one flat table of row numbers (open addressing): a batch of
// tens of thousands is checked without an allocation per reminder.
class SeenAppointments {
public:
    explicit SeenAppointments(std::size_t expected) {
        std::size_t size = 16;
        while (size < 2 * expected)
            size *= 2;
        slots_.assign(size, -1);
        appointments_.reserve(expected);
    }
    // False when the appointment was there already.
    bool insert(Appointment a) {
        const std::size_t mask = slots_.size() - 1;
        for (std::size_t i = hashOf(a) & mask;; i = (i + 1) & mask) {
            if (slots_[i] < 0) {
                slots_[i] = static_cast<int32_t>(appointments_.size());
                appointments_.push_back(std::move(a));
                return true;
            }
            if (appointments_[static_cast<std::size_t>(slots_[i])] == a)
                return false;
        }
    }

private:
    std::vector<int32_t> slots_;
    std::vector<Appointment> appointments_;
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
    SeenAppointments seen(static_cast<std::size_t>(pending.RowCount()));
    // A batch mostly repeats a few standard messages: each is measured and searched once in a
    // row.
    std::string_view lastMessage;
    int lastParts = -1;
    bool lastUnfilled = false;
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
        if (hasDigits && date && !seen.insert(std::move(appointment)))
            report("Same number and appointment twice");

        if (!isSendableNumber(number))
            report("Not a valid number");

        const std::string_view message = pending.CellString(row, messageField);
        if (lastParts < 0 || message != lastMessage) {
            lastMessage = message;
            lastParts = measureSms(message).parts;
            lastUnfilled = holdsPlaceholder(message);
        }
        const int parts = lastParts;
        if (parts > 1)
            report("Longer than one SMS (" + std::to_string(parts) + " SMS)");
        if (lastUnfilled)
            report("Date or time mark (| or ~) not filled in");

        if (listed)
            report("On the do-not-text list");
    }
    return problems;
}
