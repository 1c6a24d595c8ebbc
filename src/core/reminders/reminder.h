#pragma once

// A pending reminder as a value, and the one way it joins the pending list (dxmReminders).
//
//   allKey(message, number)        the first 50 characters of the message followed by the
//                                  number: the reminder's AllKey, by which "all contacts"
//                                  recognises a reminder it already made.
//   appendReminder(table, r)       appends r as a new last row, its AllKey made by allKey() of
//                                 its message; appendReminder(table, r, keyMessage) keys it by
//                                 keyMessage instead ("all contacts" keys by the message without
//                                 its blanks at both ends, but looks up by the message as typed).
//   reminderAt(table, row)         the reminder of a row (1-based, as RowNumber counts), read
//                                  from the edit buffer when that row is being edited; an empty
//                                  field reads as 0, false or the empty text.
//   updateReminder(table, r)      puts r into the current row, put into Edit: every field of
//                                  the value, AllKey staying as it is (a reminder read with
//                                  reminderAt and changed is written back whole). A field left
//                                  empty in the file stays empty while r holds what it reads as.
//   hasReminder(table, number, message)  a row holds the number and a row holds the AllKey.
//   followAppointment(message, was, now)  the message with the first "dd/mm/yyyy" of the old
//                                 date and the first "HH:mm" of the old time replaced by the new
//                                 ones, when they changed: a rescheduled reminder does not tell
//                                 the customer the old day.

#include <cstdint>
#include <string>
#include <string_view>

class TdxMemData;

struct Reminder {
    std::string contactNo;
    std::string name;
    int32_t appointmentDate = 0; // day number
    int32_t appointmentTime = 0; // milliseconds since midnight
    std::string message;
    int32_t daysBefore = 0;
    int32_t recurringDays = 0;
    std::string recurring;
    bool status = false;
    bool delivery = false;
    double batch = 0.0;
};

std::string allKey(std::string_view message, std::string_view number);
void appendReminder(TdxMemData& reminders, const Reminder& r);
void appendReminder(TdxMemData& reminders, const Reminder& r, std::string_view keyMessage);
Reminder reminderAt(TdxMemData& reminders, int row);
void updateReminder(TdxMemData& reminders, const Reminder& r);
bool hasReminder(TdxMemData& reminders, const std::string& number, std::string_view message);

struct Appointment {
    int32_t day = 0; // day number
    int32_t ms = 0;  // milliseconds since midnight
};
std::string followAppointment(std::string message, Appointment was, Appointment now);
