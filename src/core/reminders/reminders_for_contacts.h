#pragma once

// One reminder for each of many contacts: "Send All" in the main window (a whole group) and the
// selected-contacts window. The windows gather the contacts and show the boxes; this step adds
// the reminders and says what it passed over and why.
//
//   remindContacts(table, reminder, contacts, doNotText, options)
//       appends, in the order given, one copy of reminder for each contact, its contactNo and
//       name taken from the contact. A contact is passed over when it was not found in the
//       contact book, when its name or number holds "^" (the field separator of reminders.txt,
//       so the row could never be written whole), when its number is on the do-not-text list,
//       and, with skipPending, when a pending reminder already has its number and message.
//
//   RemindOptions   how "Send All" differs from a selection: the number loses its blanks at both
//                   ends, a contact already reminded is passed over, and the AllKey is made from
//                   the message without its blanks at both ends (the lookup uses it as typed).

#include "core/reminders/reminder.h"

#include <string>
#include <vector>

class DoNotTextSet;
class TdxMemData;

struct ContactToRemind {
    std::string name;
    std::string number;
    bool found = true; // false: a selected contact that the contact book no longer holds
};

enum class SkipReason { NotInContactBook, CaretInText, OnDoNotTextList, AlreadyPending };

struct SkippedContact {
    ContactToRemind contact;
    SkipReason why;
};

struct RemindedContacts {
    int added = 0;
    std::vector<SkippedContact> skipped;

    int skippedFor(SkipReason why) const;
};

struct RemindOptions {
    bool trimNumber = false;
    bool skipPending = false;
    bool keyByTrimmedMessage = false;
};

RemindedContacts remindContacts(TdxMemData& reminders, Reminder reminder,
                                const std::vector<ContactToRemind>& contacts,
                                const DoNotTextSet& doNotText, const RemindOptions& options);
