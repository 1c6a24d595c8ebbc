#include "core/dialup/connection_time.h"

#include <climits>
#include <cstdio>

namespace dialup {

std::string DurationKey(bool monthly, int month) {
    if (!monthly)
        return "Duration";
    char text[16];
    std::snprintf(text, sizeof text, "DurationFor%02d", month);
    return text;
}

uint32_t ElapsedSeconds(uint32_t startTick, uint32_t nowTick) {
    return static_cast<uint32_t>(nowTick - startTick) / 1000u;
}

int32_t AddToCounter(int32_t old, uint32_t seconds) {
    const int64_t sum = static_cast<int64_t>(old) + seconds;
    return sum > INT32_MAX ? INT32_MAX : static_cast<int32_t>(sum);
}

std::string DurationText(int32_t seconds) {
    const int32_t s = seconds < 0 ? 0 : seconds;
    const int32_t days = s / 86400;
    const int32_t rest = s % 86400;
    std::string text = "Total: ";
    if (days >= 2)
        text += std::to_string(days) + " days ";
    else if (days == 1)
        text += "1 day ";
    char clock[16];
    std::snprintf(clock, sizeof clock, "%02d:%02d:%02d", rest / 3600, rest / 60 % 60, rest % 60);
    return text + clock;
}

} // namespace dialup
