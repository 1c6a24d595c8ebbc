#include "core/reminders/reminder.h"

#include "core/store/schemas.h"
#include "core/tables/date_time.h"
#include "core/tables/mem_data.h"

#include <utility>

std::string allKey(std::string_view message, std::string_view number) {
    std::string key(message.substr(0, 50));
    key += number;
    return key;
}

void appendReminder(TdxMemData& reminders, const Reminder& r) {
    appendReminder(reminders, r, r.message);
}

void appendReminder(TdxMemData& reminders, const Reminder& r, std::string_view keyMessage) {
    reminders.AddRow({FieldValue{}, r.contactNo, r.name, r.appointmentDate, r.appointmentTime,
                      r.message, r.daysBefore, r.recurringDays, r.recurring, r.status, r.delivery,
                      r.batch, allKey(keyMessage, r.contactNo)});
}

namespace {

// The reminder's fields in the order of the pending table, each with its member: one list for
// both ways.
template <typename R, typename Visit> void forEachField(R& r, Visit&& visit) {
    visit(fields::contact_no, r.contactNo);
    visit(fields::name, r.name);
    visit(fields::appointment_date, r.appointmentDate);
    visit(fields::appointment_time, r.appointmentTime);
    visit(fields::message, r.message);
    visit(fields::days_before_appointment, r.daysBefore);
    visit(fields::recurring_days, r.recurringDays);
    visit(fields::Recurring, r.recurring);
    visit(fields::status, r.status);
    visit(fields::delivery, r.delivery);
    visit(fields::batch, r.batch);
}

template <typename T> T read(const FieldValue& v) {
    if constexpr (std::is_same_v<T, std::string>) {
        const auto* s = std::get_if<std::string>(&v);
        return s ? *s : std::string();
    } else {
        return static_cast<T>(numericOrZero(v));
    }
}

// The row's value of a field: the edit buffer while that row is edited, else the stored row.
FieldValue valueAt(TdxMemData& table, int row, int field) {
    const bool editing =
        table.State() == DataSetState::Edit || table.State() == DataSetState::Insert;
    if (editing && row - 1 == table.CurrentIndex())
        return table.Field(field).Value();
    return table.CellValue(row - 1, field);
}

} // namespace

Reminder reminderAt(TdxMemData& reminders, int row) {
    Reminder r;
    forEachField(r, [&](const char* name, auto& member) {
        member = read<std::decay_t<decltype(member)>>(
            valueAt(reminders, row, reminders.FieldIndex(name)));
    });
    return r;
}

void updateReminder(TdxMemData& reminders, const Reminder& r) {
    reminders.Edit();
    forEachField(r, [&](const char* name, const auto& member) {
        TField& field = reminders.FieldNamed(name);
        using T = std::decay_t<decltype(member)>;
        if (field.IsNull() && member == T{})
            return; // empty in the file, and nothing else to say
        field.SetValue(FieldValue{member});
    });
}

bool hasReminder(TdxMemData& reminders, const std::string& number, std::string_view message) {
    return reminders.FindRowNumber(number, fields::contact_no) > 0 &&
           reminders.FindRowNumber(allKey(message, number), fields::AllKey) > 0;
}

namespace {

void replaceFirst(std::string& text, const std::string& from, const std::string& to) {
    if (from == to)
        return;
    const size_t at = text.find(from);
    if (at != std::string::npos)
        text.replace(at, from.size(), to);
}

} // namespace

std::string followAppointment(std::string message, Appointment was, Appointment now) {
    if (was.day != now.day)
        replaceFirst(message, formatDate(was.day), formatDate(now.day));
    if (was.ms != now.ms)
        replaceFirst(message, formatShortTime(was.ms), formatShortTime(now.ms));
    return message;
}
