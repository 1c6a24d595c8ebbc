#include "core/calendar/even_repeat.h"

#include "core/tables/date_time.h"

#include <algorithm>

namespace {

bool unused(const short* list) {
    return list[0] == ICAL_RECURRENCE_ARRAY_MAX;
}

} // namespace

std::optional<EvenRepeat> EvenRepeat::of(const icalrecurrencetype& rule, int32_t startDay) {
    if (rule.rscale || rule.interval < 1 ||
        (rule.freq != ICAL_DAILY_RECURRENCE && rule.freq != ICAL_WEEKLY_RECURRENCE))
        return std::nullopt;
    for (const short* list : {rule.by_second, rule.by_minute, rule.by_hour, rule.by_month_day,
                              rule.by_year_day, rule.by_week_no, rule.by_month, rule.by_set_pos})
        if (!unused(list))
            return std::nullopt;
    EvenRepeat r;
    r.startDay_ = startDay;
    r.count_ = rule.count > 0 ? rule.count : 0;
    if (rule.freq == ICAL_DAILY_RECURRENCE) {
        if (!unused(rule.by_day))
            return std::nullopt;
        r.base_ = startDay;
        r.stride_ = rule.interval;
        r.offsets_ = {0};
        return r;
    }
    // Weeks begin on WKST (Monday unless the rule says otherwise); weekday numbers run from
    // Sunday = 1 in libical and in dayOfWeek alike.
    const int weekStart =
        rule.week_start == ICAL_NO_WEEKDAY ? ICAL_MONDAY_WEEKDAY : rule.week_start;
    const auto intoWeek = [weekStart](int weekday) { return (weekday - weekStart + 7) % 7; };
    const int startOffset = intoWeek(dayOfWeek(startDay));
    r.base_ = startDay - startOffset;
    r.stride_ = 7 * static_cast<int64_t>(rule.interval);
    if (unused(rule.by_day)) {
        r.offsets_ = {startOffset};
        return r;
    }
    for (int i = 0; i < ICAL_BY_DAY_SIZE && rule.by_day[i] != ICAL_RECURRENCE_ARRAY_MAX; ++i) {
        if (icalrecurrencetype_day_position(rule.by_day[i]) != 0)
            return std::nullopt;
        const int weekday = icalrecurrencetype_day_day_of_week(rule.by_day[i]);
        if (weekday < ICAL_SUNDAY_WEEKDAY || weekday > ICAL_SATURDAY_WEEKDAY)
            return std::nullopt;
        r.offsets_.push_back(intoWeek(weekday));
    }
    std::sort(r.offsets_.begin(), r.offsets_.end());
    r.offsets_.erase(std::unique(r.offsets_.begin(), r.offsets_.end()), r.offsets_.end());
    // A start that is not one of the rule's days is an occurrence of its own in libical's
    // reading and nobody else's: leave such a rule to libical.
    if (!std::binary_search(r.offsets_.begin(), r.offsets_.end(), startOffset))
        return std::nullopt;
    return r;
}

std::vector<int32_t> EvenRepeat::days(int32_t fromDay, int32_t toDay, std::size_t most) const {
    std::vector<int32_t> out;
    if (toDay < fromDay || toDay < startDay_)
        return out;
    const auto perPeriod = static_cast<int64_t>(offsets_.size());
    // Occurrences in the first period: the days of it from the start on.
    const auto first = static_cast<int64_t>(
        offsets_.end() - std::lower_bound(offsets_.begin(), offsets_.end(), startDay_ - base_));
    // The first period that can reach fromDay; every period is shorter than the stride.
    int64_t period = std::max<int64_t>(0, (fromDay - base_ - 6) / stride_);
    int64_t number = period == 0 ? 0 : first + (period - 1) * perPeriod; // occurrences before it
    for (;; ++period) {
        const int64_t periodDay = base_ + period * stride_;
        if (periodDay > toDay)
            return out;
        for (const int offset : offsets_) {
            const int64_t day = periodDay + offset;
            if (day < startDay_)
                continue;
            if (count_ && ++number > count_)
                return out;
            if (day > toDay)
                return out;
            if (day >= fromDay) {
                if (out.size() == most)
                    return out;
                out.push_back(static_cast<int32_t>(day));
            }
        }
    }
}
