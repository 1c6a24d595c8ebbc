#include "core/tables/clock.h"

#include "core/tables/date_time.h"

#include <ctime>
#include <sys/time.h>

double SystemClock::now() const {
    timeval tv{};
    ::gettimeofday(&tv, nullptr);
    std::tm local{};
    const time_t secs = tv.tv_sec;
    ::localtime_r(&secs, &local);
    const int32_t day = dayNumber(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
    const int32_t ms =
        timeMs(local.tm_hour, local.tm_min, local.tm_sec, static_cast<int>(tv.tv_usec / 1000));
    return dateTimeValue(day, ms);
}

int32_t SystemClock::today() const {
    return datePart(now());
}

uint64_t SystemClock::tickCount() const {
    timespec ts{};
    ::clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<uint64_t>(ts.tv_sec) * 1000u + static_cast<uint64_t>(ts.tv_nsec) / 1000000u;
}
