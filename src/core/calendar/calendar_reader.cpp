#include "core/calendar/calendar_reader.h"

#include "core/calendar/even_repeat.h"
#include "core/calendar/windows_zones.h"
#include "core/tables/date_time.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <libical/ical.h>
#include <map>
#include <memory>
#include <set>
#include <sys/stat.h>
#include <tuple>

namespace {

// A reminder needs a time of day: the customer is told when to come.
constexpr const char* kAllDay = "All-day event";

struct ComponentFree {
    void operator()(icalcomponent* c) const { icalcomponent_free(c); }
};
using ComponentPtr = std::unique_ptr<icalcomponent, ComponentFree>;

struct IteratorFree {
    void operator()(icalrecur_iterator* it) const { icalrecur_iterator_free(it); }
};
using IteratorPtr = std::unique_ptr<icalrecur_iterator, IteratorFree>;

std::string text(const char* s) {
    return s ? std::string(s) : std::string();
}

// "yyyymmdd", then "Thhmmss" when `withTime`, the forms iCalendar writes dates and times in.
std::string stamp(int y, int mo, int d, bool withTime, int h = 0, int mi = 0, int s = 0) {
    char buf[16];
    char* at = buf;
    const auto put = [&at](int value, int width) {
        for (int i = width - 1; i >= 0; --i, value /= 10)
            at[i] = static_cast<char>('0' + value % 10);
        at += width;
    };
    put(y, 4), put(mo, 2), put(d, 2);
    if (withTime) {
        *at++ = 'T';
        put(h, 2), put(mi, 2), put(s, 2);
    }
    return std::string(buf, at);
}

// Where a time stands: in a zone, in UTC (a zone too), or floating (zone null, not unknown).
struct Zone {
    icaltimezone* zone = nullptr;
    bool unknown = false;
    std::string tzid;
};

class Reader {
public:
    Reader(CalendarRange range, const CalendarLimits& limits) : range_(range), limits_(limits) {
        if (!limits.localZone.empty()) {
            local_ = icaltimezone_get_builtin_timezone(limits.localZone.c_str());
            if (!local_)
                throw CalendarError("The local time zone " + limits.localZone + " is not known");
        }
    }

    CalendarRead read(icalcomponent* root) {
        std::vector<icalcomponent*> calendars;
        if (icalcomponent_isa(root) == ICAL_VCALENDAR_COMPONENT) {
            calendars.push_back(root);
        } else {
            for (icalcomponent* c =
                     icalcomponent_get_first_component(root, ICAL_VCALENDAR_COMPONENT);
                 c; c = icalcomponent_get_next_component(root, ICAL_VCALENDAR_COMPONENT))
                calendars.push_back(c);
        }
        if (calendars.empty())
            throw CalendarError("This is not a calendar: it holds no BEGIN:VCALENDAR");
        for (icalcomponent* calendar : calendars)
            readCalendar(calendar);
        return std::move(out_);
    }

private:
    void readCalendar(icalcomponent* calendar) {
        calendar_ = calendar;
        std::vector<icalcomponent*> events;
        for (icalcomponent* e = icalcomponent_get_first_component(calendar, ICAL_VEVENT_COMPONENT);
             e; e = icalcomponent_get_next_component(calendar, ICAL_VEVENT_COMPONENT))
            events.push_back(e);
        // The occurrences changed on their own, so that the repeating event leaves them out.
        overridden_.clear();
        for (icalcomponent* e : events) {
            icalproperty* rid = icalcomponent_get_first_property(e, ICAL_RECURRENCEID_PROPERTY);
            if (!rid)
                continue;
            const icaltimetype t = icalproperty_get_recurrenceid(rid);
            const Zone zone = zoneOf(rid, t, startZone(e));
            if (!zone.unknown && !icaltime_is_null_time(t))
                overridden_[uidOf(e)].insert(instanceId(t, zone));
        }
        out_.events.reserve(out_.events.size() + events.size());
        for (icalcomponent* e : events)
            readEvent(e);
    }

    static std::string uidOf(icalcomponent* e) { return text(icalcomponent_get_uid(e)); }

    // The zone of a time: UTC when it says so, the zone its TZID names, else `fallback` for a
    // time without TZID (an EXDATE or RECURRENCE-ID written like its DTSTART), floating for
    // DTSTART itself.
    Zone zoneOf(icalproperty* p, const icaltimetype& t, const Zone& fallback) {
        Zone z;
        if (icaltime_is_utc(t)) {
            z.zone = icaltimezone_get_utc_timezone();
            return z;
        }
        icalparameter* tzid = icalproperty_get_first_parameter(p, ICAL_TZID_PARAMETER);
        if (!tzid)
            return fallback;
        z.tzid = text(icalparameter_get_tzid(tzid));
        z.zone = resolve(z.tzid);
        z.unknown = z.zone == nullptr;
        return z;
    }

    Zone startZone(icalcomponent* e) {
        icalproperty* p = icalcomponent_get_first_property(e, ICAL_DTSTART_PROPERTY);
        if (!p)
            return {};
        return zoneOf(p, icalproperty_get_dtstart(p), Zone{});
    }

    icaltimezone* resolve(const std::string& tzid) {
        if (const auto it = zones_.find(tzid); it != zones_.end())
            return it->second;
        icaltimezone* zone =
            tzid.empty() ? nullptr : icalcomponent_get_timezone(calendar_, tzid.c_str());
        if (!zone && !tzid.empty())
            zone = icaltimezone_get_builtin_timezone(tzid.c_str());
        if (!zone) {
            if (const std::string iana = ianaForWindowsZone(tzid); !iana.empty())
                zone = icaltimezone_get_builtin_timezone(iana.c_str());
        }
        // Prefixed names, as some programs write them: "/mozilla.org/20050126_1/Europe/Paris".
        for (std::size_t slash = tzid.find('/'); !zone && slash != std::string::npos;
             slash = tzid.find('/', slash + 1))
            if (slash + 1 < tzid.size())
                zone = icaltimezone_get_builtin_timezone(tzid.c_str() + slash + 1);
        zones_[tzid] = zone;
        return zone;
    }

    // The seconds since 1970 of a wall time in a zone.
    static time_t utcSeconds(const icaltimetype& wall, icaltimezone* zone) {
        icaltimetype bare = wall;
        bare.zone = nullptr;
        return icaltime_as_timet_with_zone(bare, zone);
    }

    static std::string utcStamp(time_t t) {
        const int64_t days = t >= 0 ? t / 86400 : -((-t + 86399) / 86400);
        const auto secs = static_cast<int>(t - days * 86400);
        const CivilDate d = civilFromDays(days + kUnixEpochDay);
        return stamp(d.year, d.month, d.day, true, secs / 3600, secs / 60 % 60, secs % 60) + 'Z';
    }

    // Names an occurrence the same whichever way it is written: a date, a floating time, or
    // the UTC time of a time in a zone.
    static std::string instanceId(const icaltimetype& wall, const Zone& zone) {
        if (wall.is_date)
            return stamp(wall.year, wall.month, wall.day, false);
        if (!zone.zone)
            return stamp(wall.year, wall.month, wall.day, true, wall.hour, wall.minute,
                         wall.second);
        return utcStamp(utcSeconds(wall, zone.zone));
    }

    // Where an occurrence falls on the local clock, and its name (instanceId): the zone's
    // conversion is done once for both.
    struct Placed {
        int32_t day = 0, ms = 0;
        std::string id;
    };

    // False when the wall time or its local time is not a date.
    bool place(const icaltimetype& wall, const Zone& zone, Placed& out) const {
        if (!isValidCivilDate(wall.year, wall.month, wall.day))
            return false;
        if (wall.is_date || !zone.zone) {
            out.day = dayNumber(wall.year, wall.month, wall.day);
            out.ms = wall.is_date ? 0 : timeMs(wall.hour, wall.minute, wall.second);
            out.id = instanceId(wall, zone);
            return true;
        }
        const time_t t = utcSeconds(wall, zone.zone);
        out.id = utcStamp(t);
        int y, mo, d, h, mi, s;
        if (local_) {
            const icaltimetype l = icaltime_from_timet_with_zone(t, 0, local_);
            y = l.year, mo = l.month, d = l.day, h = l.hour, mi = l.minute, s = l.second;
        } else {
            std::tm lt{};
            localtime_r(&t, &lt);
            y = lt.tm_year + 1900, mo = lt.tm_mon + 1, d = lt.tm_mday, h = lt.tm_hour,
            mi = lt.tm_min, s = lt.tm_sec;
        }
        if (!isValidCivilDate(y, mo, d))
            return false;
        out.day = dayNumber(y, mo, d);
        out.ms = timeMs(h, mi, s);
        return true;
    }

    bool inRange(int32_t day) const { return day >= range_.fromDay && day <= range_.toDay; }

    CalendarEvent describe(icalcomponent* e) {
        CalendarEvent ev;
        ev.uid = uidOf(e);
        ev.title = text(icalcomponent_get_summary(e));
        ev.description = text(icalcomponent_get_description(e));
        ev.location = text(icalcomponent_get_location(e));
        ev.cancelled = icalcomponent_get_status(e) == ICAL_STATUS_CANCELLED;
        for (icalproperty* p = icalcomponent_get_first_property(e, ICAL_ANY_PROPERTY); p;
             p = icalcomponent_get_next_property(e, ICAL_ANY_PROPERTY)) {
            const icalproperty_kind kind = icalproperty_isa(p);
            bool phone = kind == ICAL_ATTENDEE_PROPERTY || kind == ICAL_CONTACT_PROPERTY;
            if (kind == ICAL_X_PROPERTY) { // TEL, X-PHONE and the like
                const std::string name = text(icalproperty_get_property_name(p));
                phone = name.find("TEL") != std::string::npos ||
                        name.find("PHONE") != std::string::npos;
            }
            if (phone)
                ev.numberTexts.push_back(text(icalproperty_get_value_as_string(p)));
            if (kind == ICAL_ATTENDEE_PROPERTY) // the attendee's name may carry the number
                if (icalparameter* cn = icalproperty_get_first_parameter(p, ICAL_CN_PARAMETER))
                    ev.numberTexts.push_back(text(icalparameter_get_cn(cn)));
        }
        if (ev.uid.empty() || ev.uid.size() > 255 ||
            ev.uid.find_first_of("\t\r\n") != std::string::npos) {
            // The links file keys by UID: an event without a usable one gets one from what it
            // says, the same at every import.
            std::size_t h = 1469598103934665603ull;
            for (const char c :
                 ev.uid + '\n' + ev.title + '\n' +
                     text(icalproperty_as_ical_string(
                         icalcomponent_get_first_property(e, ICAL_DTSTART_PROPERTY))))
                h = (h ^ static_cast<unsigned char>(c)) * 1099511628211ull;
            ev.uid = "hash-" + std::to_string(h);
        }
        return ev;
    }

    void skip(CalendarEvent ev, std::string reason) {
        ev.skipped = std::move(reason);
        ev.inRange = true;
        out_.events.push_back(std::move(ev));
    }

    void readEvent(icalcomponent* e) {
        CalendarEvent ev = describe(e);
        // libical drops a property it cannot read and says so: an event without its repeat
        // rule would be imported as one appointment.
        for (icalproperty* p = icalcomponent_get_first_property(e, ICAL_XLICERROR_PROPERTY); p;
             p = icalcomponent_get_next_property(e, ICAL_XLICERROR_PROPERTY)) {
            const std::string error = text(icalproperty_get_xlicerror(p));
            for (const char* vital : {"RRULE", "RDATE", "EXDATE", "RECURRENCE-ID", "DTSTART"})
                if (error.find(vital) != std::string::npos)
                    return skip(std::move(ev), std::string(vital) + " could not be read");
        }
        icalproperty* start = icalcomponent_get_first_property(e, ICAL_DTSTART_PROPERTY);
        const icaltimetype t = start ? icalproperty_get_dtstart(start) : icaltime_null_time();
        if (icaltime_is_null_time(t) || !isValidCivilDate(t.year, t.month, t.day))
            return skip(std::move(ev), "No start time that can be read");
        const Zone zone = zoneOf(start, t, Zone{});
        if (zone.unknown)
            return skip(std::move(ev), "Unknown time zone " + zone.tzid);
        ev.allDay = t.is_date;
        icalproperty* rid = icalcomponent_get_first_property(e, ICAL_RECURRENCEID_PROPERTY);
        icalproperty* rrule = icalcomponent_get_first_property(e, ICAL_RRULE_PROPERTY);
        if (rid) {
            const icaltimetype r = icalproperty_get_recurrenceid(rid);
            const Zone ridZone = zoneOf(rid, r, zone);
            if (icaltime_is_null_time(r) || ridZone.unknown)
                return skip(std::move(ev), "Changed occurrence without a readable original time");
            ev.instance = instanceId(r, ridZone);
        } else if (rrule || icalcomponent_get_first_property(e, ICAL_RDATE_PROPERTY)) {
            return expand(e, std::move(ev), rrule, t, zone);
        }
        Placed placed;
        if (!place(t, zone, placed))
            return skip(std::move(ev), "No start time that can be read");
        ev.day = placed.day;
        ev.ms = placed.ms;
        ev.inRange = inRange(ev.day);
        if (ev.allDay)
            ev.skipped = kAllDay;
        if (ev.inRange && !count(ev))
            return;
        out_.events.push_back(std::move(ev));
    }

    // Counts an occurrence in the range; false once the calendar holds more than the limit.
    bool count(CalendarEvent& ev) {
        if (total_ < limits_.maxOccurrences) {
            ++total_;
            return true;
        }
        if (!full_) {
            full_ = true;
            out_.problems.push_back("The calendar holds more than " +
                                    std::to_string(limits_.maxOccurrences) +
                                    " appointments in the range; the rest were left out");
        }
        (void)ev;
        return false;
    }

    // Whether a wall time of a repeat rule lies past its UNTIL. The rule's UNTIL is in UTC when
    // the start is in a zone, a date when the start is a date, and floating otherwise; libical
    // would compare the wall time's digits with it as they stand.
    static bool pastUntil(const icaltimetype& wall, const Zone& zone, const icaltimetype& until) {
        if (icaltime_is_null_time(until))
            return false;
        if (until.is_date || wall.is_date)
            return std::tie(wall.year, wall.month, wall.day) >
                   std::tie(until.year, until.month, until.day);
        if (zone.zone && icaltime_is_utc(until))
            return utcSeconds(wall, zone.zone) > icaltime_as_timet(until);
        icaltimetype a = wall, b = until;
        a.zone = b.zone = nullptr;
        return icaltime_compare(a, b) > 0;
    }

    // The wall times of a repeat rule's occurrences that can fall in the range, in order;
    // false when the rule cannot be read or is too long to walk, with `why`.
    bool ruleOccurrences(icalproperty* property, const icaltimetype& start, const Zone& zone,
                         std::vector<icaltimetype>& out, std::string& why) {
        icalrecurrencetype rule = icalproperty_get_rrule(property);
        if (rule.freq == ICAL_NO_RECURRENCE) {
            why = "Repeat rule not understood";
            return false;
        }
        // Two days either side of the range for the zones' offsets.
        const int32_t fromDay = range_.fromDay - 2, toDay = range_.toDay + 2;
        const icaltimetype until = rule.until;
        const int32_t startDay = dayNumber(start.year, start.month, start.day);
        if (const auto even = EvenRepeat::of(rule, startDay)) {
            // One more than the steps allowed, to know when they are exceeded.
            const auto most = static_cast<std::size_t>(limits_.maxStepsPerEvent) + 1;
            for (const int32_t day : even->days(fromDay, toDay, most)) {
                if (out.size() >= static_cast<std::size_t>(limits_.maxStepsPerEvent) ||
                    ++steps_ > limits_.maxSteps) {
                    why = "Repeats too often to be read";
                    return false;
                }
                const CivilDate d = civilFromDayNumber(day);
                icaltimetype wall = start;
                wall.zone = nullptr;
                wall.year = d.year, wall.month = d.month, wall.day = d.day;
                if (pastUntil(wall, zone, until))
                    break;
                out.push_back(wall);
            }
            return true;
        }
        // UNTIL is compared here, in the right zone; libical sees a rule without it.
        rule.until = icaltime_null_time();
        icaltimetype first = start;
        first.zone = nullptr;
        IteratorPtr it(icalrecur_iterator_new(rule, first));
        if (!it) {
            why = "Repeat rule not understood";
            return false;
        }
        // Straight to the range, unless the rule counts its occurrences from the first.
        const CivilDate from = civilFromDayNumber(fromDay);
        icaltimetype jump = first;
        jump.year = from.year, jump.month = from.month, jump.day = from.day;
        jump.hour = 0, jump.minute = 0, jump.second = 0;
        if (rule.count == 0 && icaltime_compare(jump, first) > 0)
            icalrecur_iterator_set_start(it.get(), jump);
        long steps = 0;
        for (icaltimetype next = icalrecur_iterator_next(it.get()); !icaltime_is_null_time(next);
             next = icalrecur_iterator_next(it.get())) {
            if (++steps > limits_.maxStepsPerEvent || ++steps_ > limits_.maxSteps) {
                why = "Repeats too often to be read";
                return false;
            }
            if (!isValidCivilDate(next.year, next.month, next.day) ||
                dayNumber(next.year, next.month, next.day) > toDay || pastUntil(next, zone, until))
                break;
            out.push_back(next);
        }
        return true;
    }

    // A repeating event: one entry per occurrence in the range, from its repeat rule and its
    // extra dates (RDATE), less its EXDATEs and the occurrences changed on their own.
    void expand(icalcomponent* e, CalendarEvent ev, icalproperty* rrule, const icaltimetype& start,
                const Zone& zone) {
        struct Occurrence {
            icaltimetype wall;
            Zone zone;
        };
        std::vector<Occurrence> candidates;
        if (rrule) {
            std::vector<icaltimetype> walls;
            std::string why;
            if (!ruleOccurrences(rrule, start, zone, walls, why))
                return skip(std::move(ev), why);
            candidates.reserve(walls.size());
            for (const icaltimetype& wall : walls)
                candidates.push_back({wall, zone});
        } else {
            candidates.push_back({start, zone}); // the start is the first of the dates
        }
        const std::size_t beforeExtra = candidates.size();
        for (icalproperty* p = icalcomponent_get_first_property(e, ICAL_RDATE_PROPERTY); p;
             p = icalcomponent_get_next_property(e, ICAL_RDATE_PROPERTY)) {
            const icaldatetimeperiodtype value = icalproperty_get_rdate(p);
            icaltimetype t = icaltime_is_null_time(value.time) ? value.period.start : value.time;
            if (icaltime_is_null_time(t))
                return skip(std::move(ev), "RDATE could not be read");
            Zone rz = zoneOf(p, t, zone);
            if (rz.unknown)
                return skip(std::move(ev), "Unknown time zone " + rz.tzid);
            if (t.is_date && !start.is_date) {
                // A bare date on a timed event: that day, at the time the event starts.
                t.is_date = 0;
                t.hour = start.hour, t.minute = start.minute, t.second = start.second;
                rz = zone;
            }
            if (++steps_ > limits_.maxSteps)
                return skip(std::move(ev), "Repeats too often to be read");
            candidates.push_back({t, rz});
        }

        const std::size_t extraDates = candidates.size() - beforeExtra;
        std::set<std::string> excluded;
        for (icalproperty* p = icalcomponent_get_first_property(e, ICAL_EXDATE_PROPERTY); p;
             p = icalcomponent_get_next_property(e, ICAL_EXDATE_PROPERTY)) {
            const icaltimetype x = icalproperty_get_exdate(p);
            const Zone xz = zoneOf(p, x, zone);
            if (!icaltime_is_null_time(x) && !xz.unknown)
                excluded.insert(instanceId(x, xz));
        }
        const auto changed = overridden_.find(uidOf(e));
        std::vector<Placed> hits;
        for (const Occurrence& o : candidates) {
            Placed hit;
            if (!place(o.wall, o.zone, hit) || !inRange(hit.day) || excluded.count(hit.id) ||
                (!o.wall.is_date &&
                 excluded.count(stamp(o.wall.year, o.wall.month, o.wall.day, false))) ||
                (changed != overridden_.end() && changed->second.count(hit.id)))
                continue;
            hits.push_back(std::move(hit));
            // Only an extra date can repeat another occurrence: past this many, there are more
            // than allowed however many are the same. Placing a time costs libical more the
            // further its year lies, so the count is not left to the end.
            if (hits.size() > static_cast<std::size_t>(limits_.maxPerEvent) + extraDates)
                break;
        }
        // An extra date may repeat an occurrence of the rule: the set holds each once.
        std::sort(hits.begin(), hits.end(), [](const Placed& a, const Placed& b) {
            return std::tie(a.day, a.ms, a.id) < std::tie(b.day, b.ms, b.id);
        });
        hits.erase(std::unique(hits.begin(), hits.end(),
                               [](const Placed& a, const Placed& b) { return a.id == b.id; }),
                   hits.end());
        if (hits.size() > static_cast<std::size_t>(limits_.maxPerEvent))
            return skip(std::move(ev), "Repeats more than " + std::to_string(limits_.maxPerEvent) +
                                           " times in the range");
        if (ev.allDay)
            ev.skipped = kAllDay;
        // The event is copied for each occurrence but the last, which takes it.
        for (std::size_t i = 0; i < hits.size(); ++i) {
            CalendarEvent occurrence = i + 1 < hits.size() ? ev : std::move(ev);
            occurrence.day = hits[i].day;
            occurrence.ms = hits[i].ms;
            occurrence.instance = std::move(hits[i].id);
            if (!count(occurrence))
                return;
            out_.events.push_back(std::move(occurrence));
        }
    }

    CalendarRange range_;
    const CalendarLimits& limits_;
    icaltimezone* local_ = nullptr;
    icalcomponent* calendar_ = nullptr;
    std::map<std::string, icaltimezone*> zones_;
    std::map<std::string, std::set<std::string>> overridden_; // UID: instances

    CalendarRead out_;
    int total_ = 0;
    long steps_ = 0;
    bool full_ = false;
};

// The text with an END line for every component left open: a calendar cut off inside an event
// still gives the events before it (libical gives nothing for a calendar without its END).
std::string closedText(std::string_view text) {
    std::vector<std::string> open;
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t end = text.find_first_of("\r\n", at);
        if (end == std::string_view::npos)
            end = text.size();
        const std::string_view line = text.substr(at, end - at);
        if (line.rfind("BEGIN:", 0) == 0 && open.size() < 64)
            open.emplace_back(line.substr(6));
        else if (line.rfind("END:", 0) == 0 && !open.empty())
            open.pop_back();
        at = end + 1;
    }
    std::string out(text);
    if (!out.empty() && out.back() != '\n')
        out += "\r\n";
    for (auto it = open.rbegin(); it != open.rend(); ++it)
        out += "END:" + *it + "\r\n";
    return out;
}

std::string megabytes(std::size_t bytes) {
    return std::to_string(bytes / (1024 * 1024)) + " MB";
}

} // namespace

CalendarRead readCalendarText(std::string_view text, CalendarRange range,
                              const CalendarLimits& limits) {
    if (text.size() > limits.maxBytes)
        throw CalendarError("The calendar is larger than " + megabytes(limits.maxBytes) +
                            ", more than the program reads");
    if (text.find_first_not_of(" \t\r\n") == std::string_view::npos)
        throw CalendarError("The calendar is empty");
    if (text.find("BEGIN:VCALENDAR") == std::string_view::npos)
        throw CalendarError("This is not a calendar: it holds no BEGIN:VCALENDAR");
    // libical would abort the program on an error it counts as fatal; here every error is one
    // more reason to skip an event.
    icalerror_set_errors_are_fatal(0);
    const std::string closed = closedText(text); // libical reads up to a NUL
    ComponentPtr root(icalparser_parse_string(closed.c_str()));
    icalerror_clear_errno();
    if (!root)
        throw CalendarError("This is not a calendar that can be read");
    Reader reader(range, limits);
    return reader.read(root.get());
}

CalendarRead readCalendarFile(const std::string& path, CalendarRange range,
                              const CalendarLimits& limits) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        throw CalendarError("Cannot open file " + path);
    if (static_cast<std::size_t>(st.st_size) > limits.maxBytes)
        throw CalendarError("The calendar is larger than " + megabytes(limits.maxBytes) +
                            ", more than the program reads");
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw CalendarError("Cannot open file " + path);
    std::string bytes;
    bytes.resize(static_cast<std::size_t>(st.st_size));
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    return readCalendarText(bytes, range, limits);
}
