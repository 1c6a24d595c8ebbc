#include "core/reminders/appointment_import.h"

#include "core/reminders/placeholders.h"
#include "core/store/do_not_text.h"
#include "core/store/phone_number.h"
#include "core/store/schemas.h"
#include "core/tables/mem_data.h"
#include "core/tables/suspended_views.h"

#include <algorithm>
#include <set>

namespace {

constexpr std::size_t kMessageLimit = 160; // the message field's size: longer would be cut

int32_t wholeMinutes(int32_t ms) {
    return ms - ms % 60000;
}

int32_t intAt(const TdxMemData& t, int row, int field) {
    const FieldValue v = t.CellValue(row, field);
    const auto* i = std::get_if<int32_t>(&v);
    return i ? *i : 0;
}

// The 0-based row of the pending reminder with the number's digits and the appointment, or -1.
int pendingRow(const TdxMemData& reminders, const std::string& number, Appointment when) {
    const std::string digits = phoneDigits(number);
    const int fNumber = reminders.FieldIndex(fields::contact_no);
    const int fDate = reminders.FieldIndex(fields::appointment_date);
    const int fTime = reminders.FieldIndex(fields::appointment_time);
    for (int row = 0; row < reminders.RowCount(); ++row) {
        if (intAt(reminders, row, fDate) == when.day && intAt(reminders, row, fTime) == when.ms &&
            phoneDigits(reminders.CellString(row, fNumber)) == digits)
            return row;
    }
    return -1;
}

// What OK refuses, and what would not reach the customer as written.
std::string refusal(const Reminder& r, const DoNotTextSet* doNotText) {
    for (const std::string* text : {&r.contactNo, &r.name, &r.message})
        if (text->find('^') != std::string::npos)
            return "The ^ character is not allowed";
    if (r.contactNo.empty() || r.contactNo.front() == ' ')
        return "No contact number";
    if (r.message.empty())
        return "Message cannot be blank";
    if (r.message.size() > kMessageLimit)
        return "Message longer than 160 characters with the date and time filled in";
    if (doNotText && doNotText->contains(r.contactNo))
        return "On the do-not-text list";
    return {};
}

} // namespace

PendingAppointments::PendingAppointments(const TdxMemData& reminders) {
    const int fNumber = reminders.FieldIndex(fields::contact_no);
    const int fDate = reminders.FieldIndex(fields::appointment_date);
    const int fTime = reminders.FieldIndex(fields::appointment_time);
    keys_.reserve(static_cast<std::size_t>(reminders.RowCount()));
    for (int row = 0; row < reminders.RowCount(); ++row)
        keys_.insert(key(std::string(reminders.CellString(row, fNumber)),
                         {intAt(reminders, row, fDate), intAt(reminders, row, fTime)}));
}

std::string PendingAppointments::key(const std::string& number, Appointment when) {
    return phoneDigits(number) + '|' + std::to_string(when.day) + '|' + std::to_string(when.ms);
}

bool PendingAppointments::has(const std::string& number, Appointment when) const {
    return keys_.count(key(number, when)) != 0;
}

void PendingAppointments::add(const std::string& number, Appointment when) {
    keys_.insert(key(number, when));
}

void PendingAppointments::remove(const std::string& number, Appointment when) {
    const auto it = keys_.find(key(number, when));
    if (it != keys_.end())
        keys_.erase(it);
}

AppointmentReview reviewAppointment(const AppointmentEntry& entry, const ImportSetting& setting,
                                    const PendingAppointments& pending) {
    AppointmentReview r;
    r.entry = entry;
    const CalendarLink* link = setting.links ? setting.links->find(entry.key) : nullptr;
    const bool linkedPending = link && pending.has(link->number, {link->day, link->ms});
    if (linkedPending) {
        r.was = {link->day, link->ms};
        r.wasNumber = link->number;
    }
    if (entry.cancelled) {
        r.state = linkedPending ? ImportState::Cancelled : ImportState::Skipped;
        r.reason = "Cancelled in the calendar";
        r.ticked = linkedPending;
        return r;
    }
    const Appointment when{entry.when.day, wholeMinutes(entry.when.ms)};
    if (linkedPending) {
        const bool same = link->day == when.day && link->ms == when.ms;
        r.state = same ? ImportState::AlreadyPending : ImportState::Moved;
        r.reason = same ? "Imported before" : "";
        r.ticked = !same;
        return r;
    }
    r.state = ImportState::Skipped;
    if (!entry.skipped.empty()) {
        r.reason = entry.skipped;
        return r;
    }
    if (!entry.inRange || when.day < setting.fromDay || when.day > setting.toDay) {
        r.reason = "Outside the range";
        return r;
    }
    if (entry.number.empty()) {
        r.reason = "No contact";
        return r;
    }
    if (link && link->day == when.day && link->ms == when.ms) {
        // Its reminder was sent or deleted since: importing again would text the customer twice.
        r.reason = "Imported before; its reminder is no longer pending";
        return r;
    }
    r.reminder.contactNo = entry.number;
    r.reminder.name = entry.name;
    r.reminder.appointmentDate = when.day;
    r.reminder.appointmentTime = when.ms;
    r.reminder.message = fillPlaceholders(setting.message, when.day, when.ms).text;
    r.reminder.daysBefore = setting.daysBefore;
    if (std::string why = refusal(r.reminder, setting.doNotText); !why.empty()) {
        r.reason = std::move(why);
        return r;
    }
    if (pending.has(entry.number, when)) {
        r.state = ImportState::AlreadyPending;
        r.reason = "Same number and appointment pending";
        return r;
    }
    r.state = ImportState::New;
    r.ticked = true;
    return r;
}

std::vector<AppointmentReview> reviewAppointments(const std::vector<AppointmentEntry>& entries,
                                                  const ImportSetting& setting) {
    const PendingAppointments pending(*setting.reminders);
    std::vector<AppointmentReview> out;
    out.reserve(entries.size());
    std::set<CalendarLinkKey> seen;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const AppointmentEntry& entry = entries[i];
        seen.insert(entry.key);
        AppointmentReview r = reviewAppointment(entry, setting, pending);
        r.entryIndex = static_cast<int>(i);
        if (r.state == ImportState::Skipped && !entry.inRange)
            continue;
        out.push_back(std::move(r));
    }
    if (setting.links) {
        setting.links->forSource(setting.source, [&](const CalendarLink& link) {
            if (seen.count(link.key) || link.day < setting.fromDay || link.day > setting.toDay ||
                !pending.has(link.number, {link.day, link.ms}))
                return;
            AppointmentReview r;
            r.entry.key = link.key;
            r.entry.when = {link.day, link.ms};
            r.entry.number = link.number;
            r.was = r.entry.when;
            r.wasNumber = link.number;
            r.state = ImportState::Cancelled;
            r.reason = "Gone from the calendar";
            r.ticked = true;
            out.push_back(std::move(r));
        });
    }
    return out;
}

ImportOutcome applyAppointments(std::vector<AppointmentReview>& reviews,
                                const ImportSetting& setting) {
    TdxMemData& reminders = *setting.reminders;
    CalendarLinks& links = *setting.links;
    PendingAppointments pending(reminders);
    ImportOutcome outcome;
    SuspendedViews suspended(reminders);
    std::vector<int> doomed; // bookmarks: rows added or re-sorted meanwhile keep them valid
    for (AppointmentReview& r : reviews) {
        const Appointment now{r.entry.when.day, wholeMinutes(r.entry.when.ms)};
        switch (r.state) {
        case ImportState::New:
            if (!r.ticked) {
                ++outcome.skipped;
                break;
            }
            // Checked again: the list may have changed since the review, and two events of one
            // calendar can hold the same appointment.
            if (!refusal(r.reminder, setting.doNotText).empty()) {
                ++outcome.skipped;
                break;
            }
            links.put({r.entry.key, r.reminder.contactNo, now.day, now.ms});
            if (pending.has(r.reminder.contactNo, now)) {
                ++outcome.skipped;
                break;
            }
            appendReminder(reminders, r.reminder);
            pending.add(r.reminder.contactNo, now);
            ++outcome.added;
            break;
        case ImportState::AlreadyPending: {
            // Linked now, so that a later move of the event moves this reminder.
            const std::string& number = r.wasNumber.empty() ? r.entry.number : r.wasNumber;
            if (!number.empty() && pending.has(number, now))
                links.put({r.entry.key, number, now.day, now.ms});
            break;
        }
        case ImportState::Moved: {
            const int row = r.ticked ? pendingRow(reminders, r.wasNumber, r.was) : -1;
            if (row < 0) {
                ++outcome.skipped;
                break;
            }
            reminders.SetRowNumber(row + 1);
            reminders.Edit();
            TField& message = reminders.FieldNamed(fields::message);
            message.SetAsString(followAppointment(message.AsString(), r.was, now));
            reminders.FieldNamed(fields::appointment_date).SetValue(now.day);
            reminders.FieldNamed(fields::appointment_time).SetValue(now.ms);
            reminders.Post();
            pending.remove(r.wasNumber, r.was);
            pending.add(r.wasNumber, now);
            links.put({r.entry.key, r.wasNumber, now.day, now.ms});
            ++outcome.rescheduled;
            break;
        }
        case ImportState::Cancelled: {
            const int row = r.ticked ? pendingRow(reminders, r.wasNumber, r.was) : -1;
            const int bookmark = row < 0 ? 0 : reminders.BookmarkAt(row);
            if (row < 0 || std::find(doomed.begin(), doomed.end(), bookmark) != doomed.end()) {
                ++outcome.skipped;
                break;
            }
            doomed.push_back(bookmark);
            pending.remove(r.wasNumber, r.was);
            links.erase(r.entry.key);
            ++outcome.removed;
            break;
        }
        case ImportState::Skipped:
            ++outcome.skipped;
            break;
        }
    }
    reminders.DeleteBookmarked(doomed);
    return outcome;
}

const char* importStateText(ImportState state) {
    switch (state) {
    case ImportState::New:
        return "New";
    case ImportState::AlreadyPending:
        return "Already pending";
    case ImportState::Moved:
        return "Moved";
    case ImportState::Cancelled:
        return "Cancelled";
    case ImportState::Skipped:
        break;
    }
    return "Skipped";
}
