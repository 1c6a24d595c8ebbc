#pragma once

#include <cstdint>

// Today, now and the millisecond tick count. The program asks this interface, never the
// system directly, so that tests can fix the time.
class Clock {
public:
    virtual ~Clock() = default;
    // Day number (days since 30/12/1899) of the local date.
    virtual int32_t today() const = 0;
    // Local date-time as days since 30/12/1899 plus the fraction of the day.
    virtual double now() const = 0;
    // Milliseconds since an arbitrary start, for durations.
    virtual uint64_t tickCount() const = 0;
};

class SystemClock : public Clock {
public:
    int32_t today() const override;
    double now() const override;
    uint64_t tickCount() const override;
};
