#pragma once

// Appointments brought in from a calendar, reviewed against the pending list and then made into
// reminders through appendReminder, the step that OK in the main window takes.
//
//   reviewAppointment(entry, setting, pending)  what importing one appointment would do:
//       New             a reminder would be added (the message's "|" and "~" filled for it)
//       AlreadyPending  a pending reminder has its number and appointment, or the event's
//                       reminder is pending unchanged
//       Moved           the event made a pending reminder before and its time changed since
//       Cancelled       the event says so and its reminder is pending
//       Skipped         nothing would be done; the reason says why (all-day, no contact, the
//                       "^" character, the do-not-text list, a message too long, ...)
//   reviewAppointments(entries, setting)  the same for every entry but those outside the range
//       that made no pending reminder (a calendar's whole past is not news), followed by a
//       Cancelled row
//       for every pending reminder of this calendar whose event is gone from it (only for
//       appointments inside the range read: outside it, the calendar was not looked at)
//   applyAppointments(reviews, setting)  adds the ticked New ones, reschedules the ticked Moved
//       ones (their message's date and time follow, as when the appointment is edited in the
//       grid), deletes the ticked Cancelled ones, and keeps the links up to date; returns the
//       counts. The pending list and the links change in memory; the caller writes the files.

#include "core/reminders/reminder.h"
#include "core/store/calendar_links.h"

#include <cstdint>
#include <string>
#include <unordered_set>
#include <vector>

class DoNotTextSet;
class TdxMemData;

// One occurrence of a calendar event, with the contact chosen for it (empty when none).
struct AppointmentEntry {
    CalendarLinkKey key;
    std::string title; // for the gone-event rows only; shown by the window
    Appointment when;
    bool cancelled = false;
    bool inRange = true; // starts inside the range read
    std::string skipped; // a reason found while reading or matching, else empty
    std::string number;  // the contact's number as the contact book holds it
    std::string name;
};

struct ImportSetting {
    TdxMemData* reminders = nullptr; // dxmReminders
    CalendarLinks* links = nullptr;
    const DoNotTextSet* doNotText = nullptr;
    std::string source;  // the calendar's file path or address, as the links name it
    std::string message; // the standard message, placeholders unfilled
    int32_t daysBefore = 1;
    int32_t fromDay = 0; // the range read, inclusive
    int32_t toDay = 0;
};

enum class ImportState { New, AlreadyPending, Moved, Cancelled, Skipped };

struct AppointmentReview {
    AppointmentEntry entry;
    ImportState state = ImportState::Skipped;
    std::string reason;    // Skipped: why; Cancelled: "Cancelled" or "Gone from the calendar"
    Reminder reminder;     // New: the reminder as it would be added
    Appointment was;       // Moved, Cancelled, AlreadyPending with a link: the pending one's
    std::string wasNumber; // appointment and number
    bool ticked = false;   // the window's tick; New, Moved and Cancelled start ticked
    int entryIndex = -1;   // the entry reviewed, by its place in the list; -1 for a gone event
};

struct ImportOutcome {
    int added = 0;
    int rescheduled = 0;
    int removed = 0;
    int skipped = 0;
};

// The pending reminders' appointments, indexed for the review of many entries.
class PendingAppointments {
public:
    explicit PendingAppointments(const TdxMemData& reminders);
    bool has(const std::string& number, Appointment when) const;
    void add(const std::string& number, Appointment when);
    void remove(const std::string& number, Appointment when);

private:
    static std::string key(const std::string& number, Appointment when);
    std::unordered_multiset<std::string> keys_;
};

AppointmentReview reviewAppointment(const AppointmentEntry& entry, const ImportSetting& setting,
                                    const PendingAppointments& pending);
std::vector<AppointmentReview> reviewAppointments(const std::vector<AppointmentEntry>& entries,
                                                  const ImportSetting& setting);
ImportOutcome applyAppointments(std::vector<AppointmentReview>& reviews,
                                const ImportSetting& setting);

// The text of a state as the review list shows it.
const char* importStateText(ImportState state);
