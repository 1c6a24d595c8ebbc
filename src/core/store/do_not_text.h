#pragma once

// The customers who asked not to be texted (dxDoNotText, donottext.txt). A number is on the list
// when its digits equal those of a listed number, however either is written.
//
//   DoNotTextSet(list)                  the listed numbers' digits, for a lookup per reminder
//   set.contains(number)                whether the number is listed
//   set.containsDigits(digits)          the same for a number already cut to its digits
//   markDoNotText(list, numbers, today, note)  appends each number not yet listed (as written,
//                                       dated today); returns how many were added
//   unmarkDoNotText(list, numbers)      deletes every row listing one of the numbers; returns how
//                                       many rows went
// A number without a digit is never listed nor found.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

class TdxMemData;

class DoNotTextSet {
public:
    DoNotTextSet() = default;
    explicit DoNotTextSet(const TdxMemData& list);

    void add(std::string_view number);
    bool contains(std::string_view number) const;
    bool containsDigits(const std::string& digits) const { return digits_.count(digits) != 0; }
    std::size_t size() const { return digits_.size(); }

private:
    std::unordered_set<std::string> digits_;
};

int markDoNotText(TdxMemData& list, const std::vector<std::string>& numbers, int32_t today,
                  std::string_view note = {});
int unmarkDoNotText(TdxMemData& list, const std::vector<std::string>& numbers);

// What a window says after leaving out the contacts on the list when it made their reminders.
std::string skippedDoNotTextMessage(int skipped);
