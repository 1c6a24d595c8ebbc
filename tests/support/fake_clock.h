#pragma once

#include "core/tables/clock.h"
#include "core/tables/date_time.h"

// A clock the test sets: today, now and the tick count stay where they are put.
class FakeClock : public Clock {
public:
    FakeClock() { set(2026, 12, 9, 9, 30); }
    void set(int year, int month, int day, int hour = 0, int minute = 0, int second = 0) {
        now_ = dateTimeValue(dayNumber(year, month, day), timeMs(hour, minute, second));
    }
    void setNow(double now) { now_ = now; }
    void advanceTicks(uint64_t ms) { ticks_ += ms; }
    void setTicks(uint64_t ms) { ticks_ = ms; }

    int32_t today() const override { return datePart(now_); }
    double now() const override { return now_; }
    uint64_t tickCount() const override { return ticks_; }

private:
    double now_ = 0;
    uint64_t ticks_ = 1000;
};
