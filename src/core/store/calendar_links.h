#pragma once

// Which calendar event made which pending reminder (dxCalendarLinks, calendar_links.txt), so that
// a second import of the same calendar adds nothing twice, and a moved or cancelled event finds
// the reminder it made.
//
// A link is keyed by the calendar it came from (the file's path or the subscription's address),
// the event's UID and the instance of a repeating event (its original start, empty for an event
// that does not repeat). It holds the reminder's number and appointment as last written, which
// is how the pending reminder is found again: the pending file keeps its columns.
//
//   CalendarLinks(table)            the links of the table, indexed by key
//   links.find(key)                 the link, or nullptr
//   links.put(link)                 adds or replaces the link of link.key
//   links.erase(key)                removes the link when there is one
//   links.forSource(source, f)      calls f for every link of one calendar
// Every change goes to the table at once; the caller writes the file.

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <tuple>

class TdxMemData;

struct CalendarLinkKey {
    std::string source;
    std::string uid;
    std::string instance;
    auto operator<=>(const CalendarLinkKey&) const = default;
};

struct CalendarLink {
    CalendarLinkKey key;
    std::string number;
    int32_t day = 0;
    int32_t ms = 0;
};

class CalendarLinks {
public:
    explicit CalendarLinks(TdxMemData& table);

    const CalendarLink* find(const CalendarLinkKey& key) const;
    void put(const CalendarLink& link);
    void erase(const CalendarLinkKey& key);
    void forSource(const std::string& source,
                   const std::function<void(const CalendarLink&)>& f) const;

private:
    TdxMemData& table_;
    std::map<CalendarLinkKey, CalendarLink> links_;
};
