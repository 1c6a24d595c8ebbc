#include "core/reminders/reminders_for_contacts.h"

#include "core/base/blanks.h"
#include "core/store/do_not_text.h"
#include "core/tables/mem_data.h"

#include <algorithm>

int RemindedContacts::skippedFor(SkipReason why) const {
    return static_cast<int>(std::count_if(skipped.begin(), skipped.end(),
                                          [why](const SkippedContact& s) { return s.why == why; }));
}

RemindedContacts remindContacts(TdxMemData& reminders, Reminder reminder,
                                const std::vector<ContactToRemind>& contacts,
                                const DoNotTextSet& doNotText, const RemindOptions& options) {
    RemindedContacts result;
    const std::string keyMessage =
        options.keyByTrimmedMessage ? trimBlanks(reminder.message) : reminder.message;
    auto skip = [&](const ContactToRemind& contact, SkipReason why) {
        result.skipped.push_back({contact, why});
    };
    for (const ContactToRemind& contact : contacts) {
        if (!contact.found) {
            skip(contact, SkipReason::NotInContactBook);
            continue;
        }
        if (contact.name.find('^') != std::string::npos ||
            contact.number.find('^') != std::string::npos) {
            skip(contact, SkipReason::CaretInText);
            continue;
        }
        if (doNotText.contains(contact.number)) {
            skip(contact, SkipReason::OnDoNotTextList);
            continue;
        }
        reminder.contactNo = options.trimNumber ? trimBlanks(contact.number) : contact.number;
        reminder.name = contact.name;
        if (options.skipPending && hasReminder(reminders, reminder.contactNo, reminder.message)) {
            skip(contact, SkipReason::AlreadyPending);
            continue;
        }
        appendReminder(reminders, reminder, keyMessage);
        ++result.added;
    }
    return result;
}
