#pragma once

// The look over the whole pending list before a batch is sent. Each problem names its row;
// a clean list gives none, and the batch goes out without a word.
//
//   checkBatch(pending, now, doNotText)  the problems of the pending reminders (dxmReminders) in
//                                        row order, a row's own problems in the order below:
//     "No appointment date"
//     "Appointment already past"         the appointment's day is before today's, or it is today
//                                        at a time already gone
//     "Send date already past"           the appointment's day less its days before is before
//                                        today (not said again of an appointment already past)
//     "Same number and appointment twice"  a later row with the digits of an earlier row's number
//                                        and its appointment date and time
//     "Not a valid number"               see isSendableNumber
//     "Longer than one SMS (N SMS)"      the message as stored, measured by measureSms
//     "Date or time mark (| or ~) not filled in"   the message still holds a placeholder
//     "On the do-not-text list"
//
// The rows are read as stored: a pending edit is posted first by the caller. One pass, with hash
// lookups, whatever the length of the list.

#include <string>
#include <vector>

class DoNotTextSet;
class TdxMemData;

struct BatchProblem {
    int rowNumber = 0;   // 1-based, as TdxMemData::SetRowNumber takes it
    std::string number;  // the row's contact_no, table text
    std::string name;    // the row's name, table text
    std::string problem; // plain English, ASCII
};

// now: local date-time, days since 30/12/1899 plus the fraction of the day (Clock::now()).
std::vector<BatchProblem> checkBatch(const TdxMemData& pending, double now,
                                     const DoNotTextSet& doNotText);
