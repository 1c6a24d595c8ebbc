#include "calendar/appointment_entries.h"

MatchedEntries matchedEntries(const CalendarRead& read, const std::string& source,
                              const ContactMatcher& matcher) {
    MatchedEntries out;
    out.entries.reserve(read.events.size());
    out.candidates.reserve(read.events.size());
    out.unmatched.reserve(read.events.size());
    for (const CalendarEvent& ev : read.events) {
        AppointmentEntry e;
        e.key = {source, ev.uid, ev.instance};
        e.title = ev.title;
        e.when = {ev.day, ev.ms};
        e.cancelled = ev.cancelled;
        e.inRange = ev.inRange;
        e.skipped = ev.skipped;
        std::vector<ContactChoice> candidates;
        bool unmatched = false;
        if (e.skipped.empty()) {
            std::vector<std::string_view> texts(ev.numberTexts.begin(), ev.numberTexts.end());
            texts.insert(texts.end(), {ev.title, ev.description, ev.location});
            ContactMatch match = matcher.match(texts, ev.title);
            if (match.matched()) {
                e.number = match.candidates.front().number;
                e.name = match.candidates.front().name;
            } else if (!e.cancelled) {
                e.skipped = match.reason();
                candidates = std::move(match.candidates);
                unmatched = true;
            }
        }
        out.entries.push_back(std::move(e));
        out.candidates.push_back(std::move(candidates));
        out.unmatched.push_back(unmatched);
    }
    return out;
}

void pickContact(AppointmentEntry& entry, const ContactChoice& contact) {
    entry.number = contact.number;
    entry.name = contact.name;
    entry.skipped.clear();
}
