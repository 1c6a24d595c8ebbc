#pragma once

// The events read from a calendar as the entries the import reviews: each with the contact it
// matched, or the reason it has none and the contacts it could be.

#include "core/calendar/calendar_reader.h"
#include "core/calendar/contact_match.h"
#include "core/reminders/appointment_import.h"

#include <string>
#include <vector>

struct MatchedEntries {
    std::vector<AppointmentEntry> entries;
    std::vector<std::vector<ContactChoice>> candidates; // per entry: several when no single match
    std::vector<char> unmatched; // per entry: no contact matched, one may be picked
};

MatchedEntries matchedEntries(const CalendarRead& read, const std::string& source,
                              const ContactMatcher& matcher);

// The entry with a contact picked for it by the user.
void pickContact(AppointmentEntry& entry, const ContactChoice& contact);
