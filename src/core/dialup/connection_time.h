#pragma once

#include <cstdint>
#include <string>

// Connection time accounting: the counter key, the seconds between two tick counts, the sum
// kept in a counter and the text the dialer shows.
namespace dialup {

// "DurationFor" followed by the month as two digits when counting per month, else "Duration".
std::string DurationKey(bool monthly, int month);

// Whole seconds from startTick to nowTick, on the 32-bit millisecond tick counter, so a counter
// that wraps through zero in between still gives the right number.
uint32_t ElapsedSeconds(uint32_t startTick, uint32_t nowTick);

// old + seconds, held at the largest counter value rather than overflowing into negatives.
int32_t AddToCounter(int32_t old, uint32_t seconds);

// "Total: " followed by "N days " (two or more), "1 day " (one) or nothing, and the rest as
// "HH:mm:ss". A counter below zero (only reachable by editing the file) shows as zero.
std::string DurationText(int32_t seconds);

} // namespace dialup
