#include "core/reminders/reminder.h"

#include "core/tables/date_time.h"

#include "core/tables/mem_data.h"
#include "core/store/schemas.h"

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

std::string fillAppointment(std::string_view message, Appointment when) {
    const std::string date = formatDate(when.day);
    const std::string time = formatShortTime(when.ms);
    std::string out;
    out.reserve(message.size() + 16);
    for (const char c : message) {
        if (c == '|')
            out += date;
        else if (c == '~')
            out += time;
        else
            out += c;
    }
    return out;
}

std::string followAppointment(std::string message, Appointment was, Appointment now) {
    if (was.day != now.day)
        replaceFirst(message, formatDate(was.day), formatDate(now.day));
    if (was.ms != now.ms)
        replaceFirst(message, formatShortTime(was.ms), formatShortTime(now.ms));
    return message;
}
