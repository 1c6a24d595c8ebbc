#pragma once

// The placeholders of a message: "|" stands for the appointment's date ("dd/mm/yyyy") and "~"
// for its time ("HH:mm"). The customer must get the date and time, never the marks: every
// place that turns a typed message into a reminder's message fills them through this one rule,
// and the meter counts a message as it will be once filled.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

inline constexpr char kDatePlaceholder = '|';
inline constexpr char kTimePlaceholder = '~';

struct FilledMessage {
    std::string text;
    bool date = false; // a "|" was filled
    bool time = false; // a "~" was filled
};

// Fills the first `each` "|" with the date of day and the first `each` "~" with the time of ms
// (every one by default). The message box fills one of each per key typed. A reminder without
// a date (or time) keeps that placeholder, which the batch check then lists.
FilledMessage fillPlaceholders(std::string_view message, std::optional<int32_t> day,
                               std::optional<int32_t> ms, int each = -1);

// Whether a message still holds a placeholder.
bool holdsPlaceholder(std::string_view message);
